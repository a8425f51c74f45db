#include "app/ExportImage.h"

#include <algorithm>
#include <cctype>

namespace tickora {

namespace {
constexpr platform::Rgb kCaptionGrey = platform::RgbOf(119, 119, 119);

bool EndsWith(const std::string& text, const std::string& end) {
    return text.size() >= end.size() &&
           text.compare(text.size() - end.size(), end.size(), end) == 0;
}
} // namespace

platform::Font CaptionFont(const std::string& face, int pixelsPerInch) {
    platform::Font font;
    font.face = face;
    font.pixelHeight = 0;
    font.pointSize = 1008 / std::max(1, pixelsPerInch);
    font.colour = kCaptionGrey;
    return font;
}

void DrawImageBorder(platform::Canvas& canvas) {
    canvas.FillRect(0, 0, canvas.Width(), canvas.Height(), platform::kBlack);
    canvas.FillRect(1, 1, canvas.Width() - 1, canvas.Height() - 1, platform::kWhite);
}

void RenderExportImage(platform::Image& bitmap, const ExportContent& content) {
    const int w = content.plot ? content.plot->Width() : 0;
    const int h = content.plot ? content.plot->Height() : 0;

    // The text height of the caption font decides the strip under the picture.
    platform::Image probe(1, 1);
    platform::Canvas measure(probe);
    measure.SetFont(content.captionFont);
    const int t = measure.TextHeight("Hamburgefont");

    if (content.scopeShownLast) {
        bitmap.Reset(w + 2, t + h + 6);
        platform::Canvas canvas(bitmap);
        DrawImageBorder(canvas);
        canvas.CopyRect(1, 1, w + 1, h + 1, *content.plot, 0, 0, w, h);
    } else {
        const int top = content.topPanelHeight;
        bitmap.Reset(w + 2, t + h + top + 6);
        platform::Canvas canvas(bitmap);
        DrawImageBorder(canvas);
        for (const ExportLabel& label : content.labels) {
            canvas.SetFont(label.font);
            // Line by line, each centred as the label centres it.
            int lineTop = label.top;
            std::size_t from = 0;
            while (from <= label.text.size()) {
                std::size_t end = label.text.find('\n', from);
                if (end == std::string::npos)
                    end = label.text.size();
                const std::string line = label.text.substr(from, end - from);
                const int left = label.left + (label.width - canvas.TextWidth(line)) / 2;
                canvas.TextOut(left, lineTop, line);
                lineTop += canvas.TextHeight("Hamburgefont");
                from = end + 1;
            }
        }
        if (content.pageImage && !content.pageImage->IsEmpty())
            canvas.CopyRect(1, top + 1, w + 1, top + 1 + h, *content.pageImage, 0, 0, w, h);
    }

    platform::Canvas canvas(bitmap);
    canvas.SetFont(content.captionFont);
    const int titleTop = bitmap.Height() - canvas.TextHeight(content.title) - 2;
    canvas.TextOut(4, titleTop, content.title);
    const int captionLeft = bitmap.Width() - canvas.TextWidth(content.caption) - 4;
    const int captionTop = bitmap.Height() - canvas.TextHeight(content.caption) - 2;
    canvas.TextOut(captionLeft, captionTop, content.caption);
}

bool IsJpegFileName(const std::string& fileName) {
    std::string upper = fileName;
    std::transform(upper.begin(), upper.end(), upper.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return EndsWith(upper, ".JPEG") || EndsWith(upper, ".JPG");
}

bool SaveExportImage(const platform::Image& bitmap, const std::string& fileName) {
    return IsJpegFileName(fileName) ? bitmap.SaveJpeg(fileName, 90) : bitmap.SavePng(fileName);
}

} // namespace tickora
