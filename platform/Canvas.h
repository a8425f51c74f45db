#pragma once

#include "platform/Image.h"
#include "platform/Rgb.h"

#include <string>

namespace platform {

enum class PenStyle { Solid, Dotted };

// A font by face name: "Arial", "Times New Roman", "Microsoft Sans Serif" and "Cousine"
// resolve through fontconfig to their metric-compatible fonts. Either pixelHeight (> 0) or
// pointSize (> 0, converted with the canvas's pixels per inch) gives the size.
struct Font {
    std::string face = "Arial";
    int pixelHeight = 13;
    int pointSize = 0;
    bool bold = false;
    bool italic = false;
    Rgb colour = kBlack;
};

// Drawing on an Image with the semantics every picture of the program relies on:
// - a line leaves out its end pixel (the classic integer line algorithm), so a line from
//   (x, y1) to (x, y2) covers rows y1 .. y2 - 1;
// - a dotted pen sets every other pixel in the pen colour and the gaps in the brush colour;
// - a rectangle from (x1, y1) to (x2, y2) covers columns x1 .. x2 - 1 and rows y1 .. y2 - 1;
//   an empty or inverted one (x2 <= x1 or y2 <= y1) draws nothing;
// - everything is clipped to the raster.
// Text is drawn through Qt's font engine, so a QGuiApplication must exist for TextOut,
// TextWidth and TextHeight; the rest needs none.
class Canvas {
public:
    explicit Canvas(Image& target, int pixelsPerInch = 96);

    Image& Target() { return *image_; }
    const Image& Target() const { return *image_; }
    int Width() const { return image_->Width(); }
    int Height() const { return image_->Height(); }
    int PixelsPerInch() const { return pixelsPerInch_; }

    void SetPixel(int x, int y, Rgb colour) { image_->SetPixel(x, y, colour); }
    Rgb Pixel(int x, int y) const { return image_->Pixel(x, y); }

    // Pen and brush.
    void SetPen(Rgb colour, PenStyle style = PenStyle::Solid);
    Rgb PenColour() const { return penColour_; }
    PenStyle PenStyleNow() const { return penStyle_; }
    void SetBrush(Rgb colour) { brush_ = colour; }
    Rgb Brush() const { return brush_; }
    void MoveTo(int x, int y);
    void LineTo(int x, int y);
    int PenX() const { return penX_; }
    int PenY() const { return penY_; }

    // Solid fill in the brush colour, or in the given colour.
    void FillRect(int x1, int y1, int x2, int y2);
    void FillRect(int x1, int y1, int x2, int y2, Rgb colour);

    // Copies the source rectangle (sx1, sy1)-(sx2, sy2) of source onto the rectangle
    // (dx1, dy1)-(dx2, dy2) of this canvas; equal sizes copy pixel for pixel, different sizes
    // stretch (nearest pixel). Target pixels whose source pixel lies outside the source
    // raster are left as they are; source and target may be the same raster.
    void CopyRect(int dx1, int dy1, int dx2, int dy2, const Image& source, int sx1, int sy1,
                  int sx2, int sy2);
    // Draws the whole picture stretched into the rectangle (x1, y1)-(x2, y2), smoothly: each
    // target pixel is the average of the source area it covers.
    void StretchDraw(int x1, int y1, int x2, int y2, const Image& picture);

    // Text in the current font and its colour, with its left and top at (x, y); the
    // background is left as it is.
    void SetFont(const Font& font) { font_ = font; }
    Font& CurrentFont() { return font_; }
    const Font& CurrentFont() const { return font_; }
    void TextOut(int x, int y, const std::string& utf8);
    int TextWidth(const std::string& utf8) const;
    int TextHeight(const std::string& utf8) const;

private:
    Image* image_;
    int pixelsPerInch_;
    Rgb penColour_ = kBlack;
    PenStyle penStyle_ = PenStyle::Solid;
    Rgb brush_ = kWhite;
    int penX_ = 0;
    int penY_ = 0;
    Font font_;
};

} // namespace platform
