#include "pages/PageHistory.h"

#include <stdexcept>
#include <utility>

namespace pages {

void FitPageImage(std::shared_ptr<platform::Image>& slot, int width, int height) {
    if (slot != nullptr && slot->Width() == width && slot->Height() == height) {
        return;
    }
    slot = std::make_shared<platform::Image>(width, height, platform::kWhite);
}

PageHistory::PageHistory(Clock clock) : clock_(std::move(clock)) {
    if (!clock_) {
        clock_ = LocalTimestampNow;
    }
}

void PageHistory::RecordResult(bool complete, double dailyRate, double amplitude,
                               double beatError) {
    pending_.Complete = complete;
    pending_.DailyRate = dailyRate;
    pending_.Amplitude = amplitude;
    pending_.BeatError = beatError;
    pending_.Valid = true;
}

bool PageHistory::CommitPage(std::int32_t liftAngle, std::int32_t averagingPeriod,
                             double beatsPerSecond) {
    if (!pending_.Valid) {
        return false;
    }
    Commit(false, liftAngle, averagingPeriod, beatsPerSecond);
    return true;
}

void PageHistory::CommitLongTermPage(std::int32_t liftAngle, std::int32_t averagingPeriod,
                                     double beatsPerSecond) {
    Commit(true, liftAngle, averagingPeriod, beatsPerSecond);
}

void PageHistory::Commit(bool longTerm, std::int32_t liftAngle, std::int32_t averagingPeriod,
                         double beatsPerSecond) {
    std::size_t slot = 0;
    if (pageCount_ == kMaxPages) {
        // The oldest page's picture is reused for the new one.
        pending_.Image = std::move(pages_[0].Image);
        for (std::size_t k = 0; k + 1 < pages_.size(); ++k) {
            pages_[k] = std::move(pages_[k + 1]);
        }
        slot = pages_.size() - 1;
    } else {
        ++pageCount_;
        slot = static_cast<std::size_t>(pageCount_ - 1);
        pending_.Image = std::move(pages_[slot].Image);
    }
    Snapshot(pending_.Image, true);
    pending_.LongTerm = longTerm;
    pending_.Reserved = {};
    pending_.LiftAngle = liftAngle;
    pending_.AveragingPeriod = averagingPeriod;
    pending_.BeatsPerSecond = beatsPerSecond;
    pending_.Timestamp = clock_();
    pending_.Sound = sound_ != nullptr ? sound_->TakePageSound() : std::string();
    pages_[slot] = pending_;
    pending_.Image.reset();
    pending_.Annotation.clear();
    pending_.Valid = false;
    if (longTerm) {
        Snapshot(pages_[slot].Image, true);
    }
    changed_ = true;
}

TPageInfo PageHistory::GetPage(std::int32_t index) const {
    if (index >= 1 && index <= pageCount_) {
        return pages_[static_cast<std::size_t>(index - 1)];
    }
    if (index == 0 && pageCount_ > 0) {
        return pages_[static_cast<std::size_t>(pageCount_ - 1)];
    }
    return TPageInfo{};
}

void PageHistory::SetPageAnnotation(std::int32_t index, const std::string& text) {
    if (index >= 1 && index <= pageCount_) {
        pages_[static_cast<std::size_t>(index - 1)].Annotation = text;
    } else if (index == 0 && pageCount_ > 0) {
        pages_[static_cast<std::size_t>(pageCount_ - 1)].Annotation = text;
    }
    changed_ = true;
}

void PageHistory::ReplaceAnalysis(std::int32_t index, const TPageInfo& analysis) {
    if (index == 0) {
        index = pageCount_;
    }
    if (index < 1 || index > pageCount_) {
        return;
    }
    TPageInfo& page = pages_[static_cast<std::size_t>(index - 1)];
    page.DailyRate = analysis.DailyRate;
    page.Amplitude = analysis.Amplitude;
    page.BeatError = analysis.BeatError;
    page.Valid = analysis.Valid;
    page.Complete = analysis.Complete;
    page.BeatsPerSecond = analysis.BeatsPerSecond;
    page.LiftAngle = analysis.LiftAngle;
    page.AveragingPeriod = analysis.AveragingPeriod;
    // A picture the page shares with a copy handed out earlier is not drawn over.
    page.Image.reset();
    Snapshot(page.Image, true);
    changed_ = true;
}

void PageHistory::ResetPages() {
    pageCount_ = 0;
    pending_.Annotation.clear();
    pending_.Valid = false;
    pending_.Image.reset();
    for (TPageInfo& page : pages_) {
        page.Image.reset();
    }
    changed_ = true;
}

TPageInfo& PageHistory::PageSlot(int number) {
    if (!IsSlot(number)) {
        throw std::out_of_range("page slot out of range");
    }
    return pages_[static_cast<std::size_t>(number - 1)];
}

void PageHistory::SetPageCount(std::int32_t count) {
    pageCount_ = count < 0 ? 0 : (count > kMaxPages ? kMaxPages : count);
}

void PageHistory::SnapshotSlot(int number, bool copy) {
    Snapshot(PageSlot(number).Image, copy);
}

void PageHistory::Snapshot(std::shared_ptr<platform::Image>& image, bool copy) {
    if (plot_ != nullptr) {
        plot_->SnapshotPlot(image, copy);
    } else {
        FitPageImage(image, kDefaultPlotWidth, kDefaultPlotHeight);
    }
}

} // namespace pages
