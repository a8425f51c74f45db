#pragma once

#include "platform/Image.h"

#include <memory>
#include <string>

namespace pages {

// The plot that pages take their pictures from. The main window implements it over its
// plot area and hands it to the page history once; tests pass their own.
class PlotSnapshot {
public:
    virtual ~PlotSnapshot() = default;
    // Makes sure the slot holds an image of the plot's size (a new blank one when it is
    // absent or of another size; one of the right size is kept) and, with copy set, copies
    // the whole plot into it.
    virtual void SnapshotPlot(std::shared_ptr<platform::Image>& slot, bool copy) = 0;
};

// The sound of the test that a page is being made from; the main window implements it over
// its recording. Called once per page made.
class PageSoundSource {
public:
    virtual ~PageSoundSource() = default;
    // A new file holding the sound so far (a full path), or empty when there is none.
    virtual std::string TakePageSound() = 0;
};

// The sizing half of SnapshotPlot: keeps an image of width x height, otherwise puts a new
// white one of that size in the slot.
void FitPageImage(std::shared_ptr<platform::Image>& slot, int width, int height);

} // namespace pages
