#pragma once

#include "pages/PageHistory.h"

#include <filesystem>
#include <string>

namespace pages {

inline constexpr char kStateFileName[] = "State.tkr";
// A page's sound is kept under this name followed by ".unsaved-" and six random characters
// until the pages are saved, then as "%d.flac" beside the page's picture.
inline constexpr char kPageSoundName[] = "Sound.flac";
inline constexpr char kUnsavedSoundSuffix[] = ".unsaved-";

// The file name of page number's sound: "%d.flac".
std::string PageSoundName(int number);
// A new, empty file in the data folder for a page's sound (a full path); empty when the folder
// takes no file.
std::string NewPageSoundFile(const std::filesystem::path& dataFolder);
// Removes the page sounds not saved under a page's number: those of pages that are gone, or
// that a program which ended without saving left behind. Only for the program that owns the
// folder's pages, before its first test.
void RemoveUnsavedSounds(const std::filesystem::path& dataFolder);

// What a load or save of the state file came to. The main window shows the hourglass
// around the call, an error box (error icon, OK) with ErrorMessage when it is not empty,
// and after a load the newest page when pages were loaded.
struct StateFileOutcome {
    bool Done = false;        // the file was loaded, or saved
    std::string ErrorMessage; // empty when there is nothing to report
};

// Loads "State.tkr" and the page pictures from the data folder into the history. A missing
// or unreadable file, or one of another version, loads nothing and reports nothing; each page
// loaded has the sound "%d.flac" when that file is there. A file damaged part-way is reported; the
// pages read whole before the damage stay, and the history stays unchanged in the sense of
// PagesChanged, so the damaged file is not overwritten at exit unless the pages change.
StateFileOutcome LoadState(PageHistory& history, const std::filesystem::path& dataFolder);

// Saves the history when it changed. The state and its pictures are written beside the old
// ones and put in their place only when all was written, so a failed save keeps the previous
// state whole; the history then stays changed. Each page's sound is linked (or copied) beside
// as "%d.flac" in the same way, a sound that cannot be leaving its page without one; sounds of
// pages that are gone are removed.
StateFileOutcome SaveState(PageHistory& history, const std::filesystem::path& dataFolder);

} // namespace pages
