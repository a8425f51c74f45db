#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace tickora {

// What the settings dialog needs from the rest of the program, set by whoever creates it
// (the main window in the program, a test otherwise). Any hook may be left empty: the
// dialog then acts as if there were no pages, no about box and only the default input.
struct SettingsFormHost {
    // Number of pages in the history.
    std::function<int()> pageCount;
    // Empties the page history and the plot.
    std::function<void()> clearPages;
    // Shows the about box (the start-up picture) modally.
    std::function<void()> showAbout;
    // The input device entries, the default input ("Microsoft Sound Mapper - Input") first,
    // as the audio capture lists them.
    std::function<std::vector<std::string>()> listInputDevices;
    // Runs the sound card clock assistant on an input (device number, -1 = the default
    // input); the rate correction it measured (s/d), or nothing when cancelled.
    std::function<std::optional<double>(int device)> measureCardClock;
};

} // namespace tickora
