#pragma once

#include "pages/PageInfo.h"
#include "platform/Image.h"
#include "settings/SettingsRecord.h"

#include <cstdint>
#include <functional>
#include <string>

namespace tickora {

// What the report dialog takes from the rest of the program: the pages, the settings that
// keep the weights, and the main window for the trace pictures. The program wires them; a
// missing hook reads as no pages, default settings, no traces.
struct TReportFormHost {
    std::function<std::int32_t()> pageCount;
    std::function<pages::TPageInfo(std::int32_t index)> getPage; // 1 = the oldest page
    std::function<void(TSettingsRecord&)> fillRecord;
    std::function<void(TSettingsRecord&)> storeBack;  // writes the file when Changed is set
    std::function<void(std::int32_t index)> showPage; // the main window shows the page
    std::function<const platform::Image*()> plotArea; // the main window's plot as drawn
    std::function<std::string()> applicationTitle;
    // How many of the latest pages alone are weighed (a sequence's own); 0 or missing: all.
    std::function<std::int32_t()> weighedLatest;
};

} // namespace tickora
