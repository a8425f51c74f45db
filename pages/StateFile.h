#pragma once

#include "pages/PageHistory.h"

#include <filesystem>
#include <string>

namespace pages {

inline constexpr char kStateFileName[] = "State.tkr";

// What a load or save of the state file came to. The main window shows the hourglass
// around the call, an error box (error icon, OK) with ErrorMessage when it is not empty,
// and after a load the newest page when pages were loaded.
struct StateFileOutcome {
    bool Done = false;        // the file was loaded, or saved
    std::string ErrorMessage; // empty when there is nothing to report
};

// Loads "State.tkr" and the page pictures from the data folder into the history. A missing
// or unreadable file, or one of another version, loads nothing and reports nothing. A file
// damaged part-way is reported; the pages read whole before the damage stay, and the history
// stays unchanged in the sense of PagesChanged, so the damaged file is not overwritten at
// exit unless the pages change.
StateFileOutcome LoadState(PageHistory& history, const std::filesystem::path& dataFolder);

// Saves the history when it changed. The state and its pictures are written beside the old
// ones and put in their place only when all was written, so a failed save keeps the previous
// state whole; the history then stays changed.
StateFileOutcome SaveState(PageHistory& history, const std::filesystem::path& dataFolder);

} // namespace pages
