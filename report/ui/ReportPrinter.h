#pragma once

#include "platform/Canvas.h"
#include "platform/Image.h"
#include "report/PrintLayout.h"

#include <cstdint>
#include <functional>

namespace tickora {

// The fonts of the printed page: the title field's face at 16 points, and the grid's face at
// its size in points (12 pixels on a 96 pixels-per-inch screen are 9 points).
struct ReportPrintFonts {
    platform::Font title{"Times New Roman", 0, 16};
    platform::Font table{"Cousine", 0, 9};
};

// The footer's grey.
inline constexpr platform::Rgb kFooterGrey = platform::Grey(153);

// Text sizes on the printer's canvas in the report's fonts.
class CanvasPrintMeasure : public report::PrintMeasure {
public:
    CanvasPrintMeasure(const platform::Canvas& canvas, const ReportPrintFonts& fonts);
    int TextWidth(report::PrintFont font, const std::string& utf8) const override;
    int TextHeight(report::PrintFont font, const std::string& utf8) const override;

private:
    platform::Image scratch_;
    mutable platform::Canvas canvas_;
    const ReportPrintFonts& fonts_;
};

// Shows a page (1 = the oldest) on the main window; the plot area then holds its trace.
using ShowPageFunction = std::function<void(std::int32_t page)>;

// The trace picture: each included page shown in turn and the plot area copied into its
// framed cell. Cells left empty stay white like the paper. An empty image when the layout
// has no cells.
platform::Image ComposeTracePicture(const report::TracePictureLayout& layout,
                                    const ShowPageFunction& showPage,
                                    const platform::Image& plotArea);

// Draws the laid out page: title, picture, tables and the grey footer.
void DrawReportPage(platform::Canvas& canvas, const report::PrintPageLayout& layout,
                    const platform::Image* picture, const ReportPrintFonts& fonts);

} // namespace tickora
