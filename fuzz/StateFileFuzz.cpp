// The state file reader over arbitrary bytes: the version word, then TransferPages with
// ReadBlock, as the main window loads "State.tkr". Whatever was read must also write and
// read back to the same bytes.
#include "pages/BinaryIO.h"
#include "pages/BlockFile.h"
#include "pages/PageHistory.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

namespace {

// A small plot keeps the blank page pictures cheap.
class SmallPlot : public pages::PlotSnapshot {
public:
    void SnapshotPlot(std::shared_ptr<platform::Image>& slot, bool) override {
        pages::FitPageImage(slot, 8, 4);
    }
};

std::vector<std::uint8_t> Write(pages::PageHistory& history) {
    pages::MemoryBlockFile out;
    if (!pages::TransferPages(&pages::WriteBlock, out, history, {})) {
        std::abort(); // a history that was read must always be writable
    }
    return out.Written();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    SmallPlot plot;
    pages::PageHistory history([] { return 45000.0; });
    history.SetPlotSnapshot(&plot);
    pages::MemoryBlockFile file(std::span<const std::uint8_t>(data, size));
    const bool read = pages::TransferPages(&pages::ReadBlock, file, history, {});
    if (history.PageCount() < 0 || history.PageCount() > pages::PageHistory::kMaxPages) {
        std::abort();
    }
    for (int number = 1; number <= history.PageCount(); ++number) {
        const pages::TPageInfo& page = history.PageSlot(number);
        if (page.Image == nullptr || page.Image->IsEmpty() ||
            page.Annotation.size() > 4 * pages::PageHistory::kMaxAnnotationBytes) {
            std::abort(); // every counted page needs a picture; annotations stay bounded
        }
    }
    if (read && history.PagesChanged()) {
        std::abort();
    }

    // Pages read (all, or those before the damage) go out and come back unchanged.
    const std::vector<std::uint8_t> written = Write(history);
    pages::PageHistory again([] { return 45000.0; });
    again.SetPlotSnapshot(&plot);
    pages::MemoryBlockFile back(written);
    if (!pages::TransferPages(&pages::ReadBlock, back, again, {}) ||
        again.PageCount() != history.PageCount() || Write(again) != written) {
        std::abort();
    }
    return 0;
}
