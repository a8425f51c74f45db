#pragma once

#include "platform/Canvas.h"
#include "platform/Image.h"

#include <string>
#include <vector>

namespace tickora {

// One label of the result strip as it is drawn into an exported picture.
struct ExportLabel {
    std::string text;
    platform::Font font; // face, pixel height, boldness and colour of the label
    int left = 0;        // pixels in the strip
    int top = 0;
    int width = 0;
};

// Everything the exported picture is made of.
struct ExportContent {
    bool scopeShownLast = false;                // the plot holds a scope view: picture is the plot
    const platform::Image* plot = nullptr;      // the live plot (W x H)
    int topPanelHeight = 0;                     // pixels
    std::vector<ExportLabel> labels;            // the result strip's labels, in panel order
    const platform::Image* pageImage = nullptr; // the shown page's picture, when it has one
    std::string caption;                        // page caption, or "Scope Mode"
    std::string title;                          // the application title, bottom left
    platform::Font captionFont;                 // the plot canvas's font
};

// Composes the exported picture: a one-pixel black frame around the plot (scope view) or
// the result strip above the shown page's picture, with the title and the caption beneath.
void RenderExportImage(platform::Image& bitmap, const ExportContent& content);

// Fills the bitmap black, then its inside white: a one-pixel black frame.
void DrawImageBorder(platform::Canvas& canvas);

// The caption font: the plot's face at 1008 div pixels per inch points, grey.
platform::Font CaptionFont(const std::string& face, int pixelsPerInch);

// True when the upper-cased name ends with ".JPEG" or ".JPG".
bool IsJpegFileName(const std::string& fileName);

// Writes PNG or JPEG (quality 90) by the name's ending; false when the file failed.
bool SaveExportImage(const platform::Image& bitmap, const std::string& fileName);

} // namespace tickora
