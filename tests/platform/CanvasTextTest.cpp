// Text and fonts: checked by metrics and by where pixels change, never pixel for pixel,
// because font versions differ.
#include "platform/Canvas.h"
#include "platform/QtFont.h"
#include "platform/testing/TestApplication.h"

#include <QFontInfo>

#include <gtest/gtest.h>

using platform::Canvas;
using platform::Font;
using platform::Image;
using platform::kWhite;
using platform::RgbOf;

namespace {

class CanvasText : public ::testing::Test {
protected:
    static void SetUpTestSuite() { platform::testing::EnsureTestApplication(); }
};

Font MakeFont(const std::string& face, int pixelHeight, int pointSize = 0) {
    Font font;
    font.face = face;
    font.pixelHeight = pixelHeight;
    font.pointSize = pointSize;
    return font;
}

} // namespace

TEST_F(CanvasText, FacesResolveToTheMetricCompatibleFonts) {
    EXPECT_EQ(QFontInfo(platform::ToQFont(MakeFont("Arial", 13))).family(), "Liberation Sans");
    EXPECT_EQ(QFontInfo(platform::ToQFont(MakeFont("Microsoft Sans Serif", 13))).family(),
              "Liberation Sans");
    EXPECT_EQ(QFontInfo(platform::ToQFont(MakeFont("Times New Roman", 19))).family(),
              "Liberation Serif");
    EXPECT_EQ(QFontInfo(platform::ToQFont(MakeFont("Cousine", 12))).family(), "Cousine");
    Font bold = MakeFont("Cousine", 21);
    bold.bold = true;
    EXPECT_TRUE(QFontInfo(platform::ToQFont(bold)).bold());
}

TEST_F(CanvasText, PointSizesFollowThePixelsPerInch) {
    // 10 points is 13 pixels at 96 pixels per inch, 42 at 300, as MulDiv rounds.
    EXPECT_EQ(platform::FontPixelSize(MakeFont("Arial", 0, 10), 96), 13);
    EXPECT_EQ(platform::FontPixelSize(MakeFont("Arial", 0, 8), 96), 11);
    EXPECT_EQ(platform::FontPixelSize(MakeFont("Arial", 0, 10), 300), 42);
    EXPECT_EQ(platform::FontPixelSize(MakeFont("Arial", 0, 16), 600), 133);
    EXPECT_EQ(platform::FontPixelSize(MakeFont("Arial", 13), 300), 13);
    EXPECT_EQ(platform::FontPixelSize(MakeFont("Arial", 0), 96), 1);

    Image screen(10, 10);
    Image printer(10, 10);
    Canvas screenCanvas(screen, 96);
    Canvas printerCanvas(printer, 300);
    screenCanvas.SetFont(MakeFont("Arial", 0, 10));
    printerCanvas.SetFont(MakeFont("Arial", 0, 10));
    const int screenWidth = screenCanvas.TextWidth("Hamburgefont");
    const int printerWidth = printerCanvas.TextWidth("Hamburgefont");
    EXPECT_NEAR(printerWidth, screenWidth * 300.0 / 96.0, screenWidth * 0.15);
    screenCanvas.SetFont(MakeFont("Arial", 13));
    EXPECT_EQ(screenCanvas.TextWidth("Hamburgefont"), screenWidth);
}

TEST_F(CanvasText, MetricsAreSane) {
    Image image(10, 10);
    Canvas canvas(image);
    canvas.SetFont(MakeFont("Arial", 13));
    const int height = canvas.TextHeight("Hamburgefont");
    EXPECT_GE(height, 13);
    EXPECT_LE(height, 18);
    EXPECT_EQ(canvas.TextHeight("M"), height);
    EXPECT_EQ(canvas.TextWidth(""), 0);
    EXPECT_GT(canvas.TextWidth("Hamburgefont"), canvas.TextWidth("Hamburg"));
    EXPECT_GT(canvas.TextWidth("Hamburg"), 30);
    EXPECT_LT(canvas.TextWidth("Hamburg"), 70);
    // UTF-8 counts as characters, not bytes: the degree sign is one narrow glyph.
    EXPECT_LT(canvas.TextWidth("275\u00b0"), canvas.TextWidth("2750"));

    // The report's columns line up because every Cousine letter is as wide as another.
    canvas.SetFont(MakeFont("Cousine", 12));
    EXPECT_EQ(canvas.TextWidth("MMMM"), 4 * canvas.TextWidth("M"));
    EXPECT_EQ(canvas.TextWidth("iiii"), canvas.TextWidth("MMMM"));
    EXPECT_EQ(canvas.TextWidth("    "), canvas.TextWidth("-0.5"));
}

TEST_F(CanvasText, TextOutChangesPixelsOnlyInsideItsCell) {
    // An odd width, so the rows are not 4-byte aligned.
    Image image(121, 41);
    Canvas canvas(image);
    Font font = MakeFont("Arial", 16);
    font.colour = RgbOf(204, 0, 0);
    canvas.SetFont(font);
    const int x = 7;
    const int y = 9;
    const int width = canvas.TextWidth("Hamburgefont");
    const int height = canvas.TextHeight("Hamburgefont");
    canvas.TextOut(x, y, "Hamburgefont");
    int changed = 0;
    int reddest = 255;
    for (int py = 0; py < image.Height(); ++py) {
        for (int px = 0; px < image.Width(); ++px) {
            const auto pixel = image.Pixel(px, py);
            if (pixel == kWhite) {
                continue;
            }
            ++changed;
            EXPECT_GE(px, x - 1);
            EXPECT_LE(px, x + width);
            EXPECT_GE(py, y);
            EXPECT_LT(py, y + height);
            // Only shades between white and the text colour.
            EXPECT_GE(pixel.r, pixel.g);
            EXPECT_EQ(pixel.g, pixel.b);
            reddest = std::min<int>(reddest, pixel.g);
        }
    }
    EXPECT_GT(changed, 60);
    EXPECT_LT(reddest, 40); // some pixels are fully in the text colour
    // The background is left as it is: text over blue keeps blue around the letters.
    Image blue(60, 30, RgbOf(0, 0, 255));
    Canvas blueCanvas(blue);
    blueCanvas.SetFont(font);
    blueCanvas.TextOut(2, 2, "Ham");
    EXPECT_EQ(blue.Pixel(59, 29), RgbOf(0, 0, 255));
    EXPECT_EQ(blue.Pixel(1, 1), RgbOf(0, 0, 255));
}

TEST_F(CanvasText, TextOffTheRasterIsClipped) {
    Image image(20, 10);
    const Image before = image;
    Canvas canvas(image);
    canvas.TextOut(-500, -500, "Hamburgefont");
    canvas.TextOut(30, 2, "Hamburgefont");
    EXPECT_EQ(image, before);
    Image empty;
    Canvas emptyCanvas(empty);
    emptyCanvas.TextOut(0, 0, "x"); // nothing to draw on, nothing to crash
    EXPECT_TRUE(empty.IsEmpty());
}
