#include "report/ui/ReportPrinter.h"

namespace tickora {

CanvasPrintMeasure::CanvasPrintMeasure(const platform::Canvas& canvas,
                                       const ReportPrintFonts& fonts)
    : scratch_(1, 1), canvas_(scratch_, canvas.PixelsPerInch()), fonts_(fonts) {}

int CanvasPrintMeasure::TextWidth(report::PrintFont font, const std::string& utf8) const {
    canvas_.SetFont(font == report::PrintFont::Title ? fonts_.title : fonts_.table);
    return canvas_.TextWidth(utf8);
}

int CanvasPrintMeasure::TextHeight(report::PrintFont font, const std::string& utf8) const {
    canvas_.SetFont(font == report::PrintFont::Title ? fonts_.title : fonts_.table);
    return canvas_.TextHeight(utf8);
}

platform::Image ComposeTracePicture(const report::TracePictureLayout& layout,
                                    const ShowPageFunction& showPage,
                                    const platform::Image& plotArea) {
    platform::Image picture;
    if (layout.cells.empty())
        return picture;
    picture.Reset(layout.width, layout.height, platform::kWhite);
    platform::Canvas canvas(picture);
    const int w = layout.cellWidth;
    const int h = layout.cellHeight;
    for (const report::TraceCell& cell : layout.cells) {
        canvas.FillRect(cell.left, cell.top, cell.left + w + 2, cell.top + h + 2, platform::kBlack);
        showPage(cell.row + 1);
        canvas.CopyRect(cell.left + 1, cell.top + 1, cell.left + 1 + w, cell.top + 1 + h, plotArea,
                        0, 0, w, h);
    }
    return picture;
}

void DrawReportPage(platform::Canvas& canvas, const report::PrintPageLayout& layout,
                    const platform::Image* picture, const ReportPrintFonts& fonts) {
    if (layout.title) {
        canvas.SetFont(fonts.title);
        canvas.TextOut(layout.title->x, layout.title->y, layout.title->text);
    }
    if (layout.picture && picture && !picture->IsEmpty()) {
        const report::PrintRect& r = *layout.picture;
        canvas.StretchDraw(r.left, r.top, r.right, r.bottom, *picture);
    }
    canvas.SetFont(fonts.table);
    for (const report::PrintedText& line : layout.table)
        canvas.TextOut(line.x, line.y, line.text);
    platform::Font grey = fonts.table;
    grey.colour = kFooterGrey;
    canvas.SetFont(grey);
    canvas.TextOut(layout.footer.x, layout.footer.y, layout.footer.text);
    canvas.TextOut(layout.applicationTitle.x, layout.applicationTitle.y,
                   layout.applicationTitle.text);
}

} // namespace tickora
