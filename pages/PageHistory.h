#pragma once

#include "pages/PageInfo.h"
#include "pages/PlotSnapshot.h"
#include "pages/Timestamp.h"

#include <array>
#include <cstdint>
#include <functional>
#include <string>

namespace pages {

// The history of the last ten result pages and the pending result that the next commit turns
// into a page. One instance lives for the whole program; tests make their own. Every call
// runs on the GUI thread.
//
// Page numbers are 1-based: page 1 is the oldest, page PageCount() the newest. Each slot
// owns its picture; when pages move or the oldest is dropped the picture objects move with
// them or are reused for the new page, never copied pixel by pixel.
class PageHistory {
public:
    static constexpr int kMaxPages = 10;
    static constexpr int kMaxAnnotationBytes = 256; // what the state file can hold
    // The plot's size, for pictures made before the main window has handed in its plot.
    static constexpr int kDefaultPlotWidth = 960;  // pixels
    static constexpr int kDefaultPlotHeight = 511; // pixels

    // The clock gives the local date and time as a time stamp (days since 1899-12-30).
    using Clock = std::function<double()>;

    explicit PageHistory(Clock clock = LocalTimestampNow);

    // The plot that commits take their pictures from; set once by the main window. Without
    // one, pictures are blank images of the default plot size.
    void SetPlotSnapshot(PlotSnapshot* plot) { plot_ = plot; }
    // Where commits take the page's sound from; without one, pages have no sound.
    void SetSoundSource(PageSoundSource* sound) { sound_ = sound; }

    // Overwrites the pending result and marks it valid.
    void RecordResult(bool complete, double dailyRate, double amplitude, double beatError);
    // Commits the pending result as the newest page with a picture of the plot; nothing
    // happens when no result was recorded since the last commit. A full history drops its
    // oldest page. True when a page was made.
    bool CommitPage(std::int32_t liftAngle, std::int32_t averagingPeriod, double beatsPerSecond);
    // The same for a long-term test: always commits, whether or not a result is pending.
    void CommitLongTermPage(std::int32_t liftAngle, std::int32_t averagingPeriod,
                            double beatsPerSecond);

    std::int32_t PageCount() const { return pageCount_; }
    // A copy of page index (1 to PageCount), of the newest page for index 0, otherwise an
    // empty record. The copy refers to the page's picture.
    TPageInfo GetPage(std::int32_t index) const;
    // Annotates page index (index 0: the newest page); an index out of range changes no page.
    // The history counts as changed in every case.
    void SetPageAnnotation(std::int32_t index, const std::string& text);
    // Puts a new analysis of page index's sound (index 0: the newest page) in place of its
    // results and parameters, and a picture of the plot in place of its picture; the
    // annotation, the time and the sound stay.
    void ReplaceAnalysis(std::int32_t index, const TPageInfo& analysis);
    // Empties the history and releases every picture.
    void ResetPages();
    // The history differs from what was last saved or loaded.
    bool PagesChanged() const { return changed_; }

    // For the state file, which works on the slots directly.
    // Slot number 1 to 10; the slots above PageCount are not pages.
    TPageInfo& PageSlot(int number);
    void SetPageCount(std::int32_t count); // clamped to 0 .. 10
    void SetChanged(bool changed) { changed_ = changed; }
    // SnapshotPlot on the slot's picture.
    void SnapshotSlot(int number, bool copy);

private:
    void Commit(bool longTerm, std::int32_t liftAngle, std::int32_t averagingPeriod,
                double beatsPerSecond);
    void Snapshot(std::shared_ptr<platform::Image>& image, bool copy);
    static bool IsSlot(int number) { return number >= 1 && number <= kMaxPages; }

    Clock clock_;
    PlotSnapshot* plot_ = nullptr;
    PageSoundSource* sound_ = nullptr;
    TPageInfo pending_;
    std::array<TPageInfo, kMaxPages> pages_;
    std::int32_t pageCount_ = 0;
    bool changed_ = false;
};

} // namespace pages
