// Pixel-exact tests of the Canvas primitives (no text: font versions differ).
#include "platform/Canvas.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <set>
#include <utility>
#include <vector>

using platform::Canvas;
using platform::Image;
using platform::kBlack;
using platform::kWhite;
using platform::PenStyle;
using platform::Rgb;
using platform::RgbOf;

namespace {

using Points = std::set<std::pair<int, int>>;

constexpr Rgb kRed = RgbOf(204, 0, 0);
constexpr Rgb kBlue = RgbOf(0, 0, 255);

// Every pixel that is not white.
Points Marked(const Image& image) {
    Points points;
    for (int y = 0; y < image.Height(); ++y) {
        for (int x = 0; x < image.Width(); ++x) {
            if (image.Pixel(x, y) != kWhite) {
                points.insert({x, y});
            }
        }
    }
    return points;
}

Points Line(int x1, int y1, int x2, int y2, int size = 40) {
    Image image(size, size);
    Canvas canvas(image);
    canvas.SetPen(kBlack);
    canvas.MoveTo(x1, y1);
    canvas.LineTo(x2, y2);
    return Marked(image);
}

Image Numbered(int width, int height) {
    Image image(width, height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            image.SetPixel(x, y, RgbOf(x * 10 % 256, y * 10 % 256, 77));
        }
    }
    return image;
}

} // namespace

TEST(CanvasLine, LeavesOutTheEndPixelInAllEightDirections) {
    struct Case {
        int dx, dy;
    };
    const Case directions[] = {{5, 0},  {5, 5},   {0, 5},  {-5, 5},
                               {-5, 0}, {-5, -5}, {0, -5}, {5, -5}};
    for (const Case& d : directions) {
        Points expected;
        for (int i = 0; i < 5; ++i) {
            expected.insert({20 + d.dx / 5 * i, 20 + d.dy / 5 * i});
        }
        EXPECT_EQ(Line(20, 20, 20 + d.dx, 20 + d.dy), expected) << d.dx << "," << d.dy;
    }
}

TEST(CanvasLine, VerticalLineCoversRowsUpToTheEnd) {
    Image image(10, 20);
    Canvas canvas(image);
    canvas.SetPen(kRed);
    canvas.MoveTo(3, 4);
    canvas.LineTo(3, 9);
    for (int y = 0; y < 20; ++y) {
        EXPECT_EQ(image.Pixel(3, y), y >= 4 && y < 9 ? kRed : kWhite) << y;
    }
    EXPECT_EQ(canvas.PenX(), 3);
    EXPECT_EQ(canvas.PenY(), 9);

    // Continuing from the pen position fills in the end pixel left out before.
    canvas.LineTo(3, 12);
    for (int y = 4; y < 12; ++y) {
        EXPECT_EQ(image.Pixel(3, y), kRed) << y;
    }
    EXPECT_EQ(image.Pixel(3, 12), kWhite);
}

TEST(CanvasLine, SlopedLinesStayWithinHalfAPixelAndStepOnce) {
    // Every slope in every direction: one pixel per step along the major axis, each within
    // half a pixel of the true line, and the end pixel left out.
    for (int ex = -9; ex <= 9; ++ex) {
        for (int ey = -9; ey <= 9; ++ey) {
            if (ex == 0 && ey == 0) {
                continue;
            }
            const Points points = Line(20, 20, 20 + ex, 20 + ey);
            const int steps = std::max(std::abs(ex), std::abs(ey));
            ASSERT_EQ(static_cast<int>(points.size()), steps) << ex << "," << ey;
            EXPECT_TRUE(points.count({20, 20}));
            EXPECT_FALSE(points.count({20 + ex, 20 + ey}));
            for (const auto& [x, y] : points) {
                const bool xMajor = std::abs(ex) >= std::abs(ey);
                const double t = xMajor ? (x - 20.0) / ex : (y - 20.0) / ey;
                const double ideal = xMajor ? 20 + t * ey : 20 + t * ex;
                const int minor = xMajor ? y : x;
                EXPECT_LE(std::abs(minor - ideal), 0.5) << ex << "," << ey;
                EXPECT_GE(t, 0.0);
                EXPECT_LT(t, 1.0);
            }
        }
    }
    // A classic case: (0,0)-(6,2) rounds to rows 0 0 1 1 1 2.
    EXPECT_EQ(Line(0, 0, 6, 2), (Points{{0, 0}, {1, 0}, {2, 1}, {3, 1}, {4, 1}, {5, 2}}));
}

TEST(CanvasLine, ZeroLengthDrawsNothingAndClipsAtTheEdges) {
    EXPECT_TRUE(Line(5, 5, 5, 5).empty());

    // A line running off the raster draws the part inside exactly as a bigger raster would.
    Image big(60, 60);
    Canvas bigCanvas(big);
    bigCanvas.SetPen(kBlack);
    bigCanvas.MoveTo(0, 5);
    bigCanvas.LineTo(59, 50);
    Image small(30, 30);
    Canvas smallCanvas(small);
    smallCanvas.SetPen(kBlack);
    smallCanvas.MoveTo(-20, -10);
    smallCanvas.LineTo(39, 35);
    for (int y = 0; y < 30; ++y) {
        for (int x = 0; x < 30; ++x) {
            EXPECT_EQ(small.Pixel(x, y), big.Pixel(x + 20, y + 15)) << x << "," << y;
        }
    }
    EXPECT_FALSE(Marked(small).empty());
    // Far outside: nothing drawn, nothing crashes.
    const Image before = small;
    smallCanvas.MoveTo(-100000, -5);
    smallCanvas.LineTo(-99000, 2000);
    EXPECT_EQ(small, before);
}

TEST(CanvasLine, DottedGapsTakeTheBrushColour) {
    Image image(12, 12);
    Canvas canvas(image);
    canvas.SetPen(kRed, PenStyle::Dotted);
    canvas.SetBrush(kBlue);
    canvas.MoveTo(0, 3);
    canvas.LineTo(10, 3);
    for (int x = 0; x < 12; ++x) {
        const Rgb expected = x >= 10 ? kWhite : x % 2 == 0 ? kRed : kBlue;
        EXPECT_EQ(image.Pixel(x, 3), expected) << x;
    }
    // Vertical and backwards: the pattern starts with the pen colour at the start point.
    canvas.MoveTo(5, 11);
    canvas.LineTo(5, 5);
    for (int y = 6; y <= 11; ++y) {
        EXPECT_EQ(image.Pixel(5, y), (11 - y) % 2 == 0 ? kRed : kBlue) << y;
    }
    EXPECT_EQ(image.Pixel(5, 5), kWhite);

    // Back to solid: no gaps.
    canvas.SetPen(kBlack);
    EXPECT_EQ(canvas.PenStyleNow(), PenStyle::Solid);
    canvas.MoveTo(0, 8);
    canvas.LineTo(6, 8);
    for (int x = 0; x < 6; ++x) {
        EXPECT_EQ(image.Pixel(x, 8), kBlack);
    }
}

TEST(CanvasFill, CoversTheHalfOpenRectangleAndClips) {
    Image image(10, 8);
    Canvas canvas(image);
    canvas.SetBrush(kBlue);
    canvas.FillRect(2, 1, 5, 4);
    Points expected;
    for (int y = 1; y < 4; ++y) {
        for (int x = 2; x < 5; ++x) {
            expected.insert({x, y});
        }
    }
    EXPECT_EQ(Marked(image), expected);
    EXPECT_EQ(image.Pixel(2, 1), kBlue);

    // Clipped at every edge: the whole raster and nothing beyond.
    canvas.FillRect(-5, -5, 100, 100, kRed);
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 10; ++x) {
            ASSERT_EQ(image.Pixel(x, y), kRed);
        }
    }
    // Empty and inverted rectangles draw nothing.
    canvas.FillRect(3, 3, 3, 6, kBlack);
    canvas.FillRect(6, 6, 2, 2, kBlack);
    canvas.FillRect(20, 2, 30, 4, kBlack);
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 10; ++x) {
            ASSERT_EQ(image.Pixel(x, y), kRed);
        }
    }
    // A one-pixel frame as the export picture draws it.
    canvas.FillRect(0, 0, 10, 8, kBlack);
    canvas.FillRect(1, 1, 9, 7, kWhite);
    EXPECT_EQ(Marked(image).size(), static_cast<std::size_t>(2 * 10 + 2 * 6));
}

TEST(CanvasCopy, EqualSizesCopyPixelForPixel) {
    const Image source = Numbered(20, 10);
    Image target(30, 30);
    Canvas canvas(target);
    canvas.CopyRect(5, 6, 15, 11, source, 3, 2, 13, 7);
    for (int y = 0; y < 30; ++y) {
        for (int x = 0; x < 30; ++x) {
            const bool inside = x >= 5 && x < 15 && y >= 6 && y < 11;
            ASSERT_EQ(target.Pixel(x, y), inside ? source.Pixel(x - 2, y - 4) : kWhite)
                << x << "," << y;
        }
    }
}

TEST(CanvasCopy, ClipsAtBothRasters) {
    const Image source = Numbered(8, 8);
    Image target(10, 10, kBlue);
    Canvas canvas(target);
    // Target rectangle hangs off the top left; source rectangle off the bottom right.
    canvas.CopyRect(-2, -2, 6, 6, source, 4, 4, 12, 12);
    for (int y = 0; y < 10; ++y) {
        for (int x = 0; x < 10; ++x) {
            const int sx = x + 6;
            const int sy = y + 6;
            const bool copied = x < 6 && y < 6 && sx < 8 && sy < 8;
            ASSERT_EQ(target.Pixel(x, y), copied ? source.Pixel(sx, sy) : kBlue) << x << "," << y;
        }
    }
}

TEST(CanvasCopy, OverlappingCopyWithinOneRaster) {
    Image image = Numbered(12, 4);
    const Image before = image;
    Canvas canvas(image);
    canvas.CopyRect(2, 0, 12, 4, image, 0, 0, 10, 4); // shift right by two
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 12; ++x) {
            ASSERT_EQ(image.Pixel(x, y), x < 2 ? before.Pixel(x, y) : before.Pixel(x - 2, y));
        }
    }
}

TEST(CanvasCopy, DifferentSizesTakeTheNearestPixel) {
    const Image source = Numbered(4, 4);
    Image target(8, 8);
    Canvas canvas(target);
    canvas.CopyRect(0, 0, 8, 8, source, 0, 0, 4, 4);
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 8; ++x) {
            ASSERT_EQ(target.Pixel(x, y), source.Pixel(x / 2, y / 2));
        }
    }
    Image half(2, 2);
    Canvas halfCanvas(half);
    halfCanvas.CopyRect(0, 0, 2, 2, source, 0, 0, 4, 4);
    EXPECT_EQ(half.Pixel(0, 0), source.Pixel(1, 1));
    EXPECT_EQ(half.Pixel(1, 1), source.Pixel(3, 3));
}

TEST(CanvasStretch, KeepsFlatColoursAndRepeatsOnWholeFactors) {
    const Image flat(7, 5, RgbOf(12, 200, 99));
    Image target(40, 40);
    Canvas canvas(target);
    canvas.StretchDraw(3, 4, 33, 21, flat); // 30 x 17: no whole factor
    for (int y = 0; y < 40; ++y) {
        for (int x = 0; x < 40; ++x) {
            const bool inside = x >= 3 && x < 33 && y >= 4 && y < 21;
            ASSERT_EQ(target.Pixel(x, y), inside ? RgbOf(12, 200, 99) : kWhite) << x << "," << y;
        }
    }
    const Image source = Numbered(4, 3);
    Image tripled(12, 9);
    Canvas tripledCanvas(tripled);
    tripledCanvas.StretchDraw(0, 0, 12, 9, source);
    for (int y = 0; y < 9; ++y) {
        for (int x = 0; x < 12; ++x) {
            ASSERT_EQ(tripled.Pixel(x, y), source.Pixel(x / 3, y / 3)) << x << "," << y;
        }
    }
}

TEST(CanvasStretch, ShrinkingAveragesSoThinLinesStayVisible) {
    Image checker(8, 8);
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 8; ++x) {
            checker.SetPixel(x, y, (x + y) % 2 == 0 ? kBlack : kWhite);
        }
    }
    Image half(4, 4, kBlue);
    Canvas canvas(half);
    canvas.StretchDraw(0, 0, 4, 4, checker);
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 4; ++x) {
            ASSERT_EQ(half.Pixel(x, y), platform::Grey(128));
        }
    }
    // A one-pixel line shrunk to a third stays as a light grey column.
    Image lined(9, 3);
    for (int y = 0; y < 3; ++y) {
        lined.SetPixel(4, y, kBlack);
    }
    Image third(3, 1);
    Canvas thirdCanvas(third);
    thirdCanvas.StretchDraw(0, 0, 3, 1, lined);
    EXPECT_EQ(third.Pixel(0, 0), kWhite);
    EXPECT_EQ(third.Pixel(1, 0), platform::Grey(170));
    EXPECT_EQ(third.Pixel(2, 0), kWhite);
}

TEST(CanvasStretch, ClippedDrawingMatchesTheVisiblePartOfAWholeOne) {
    const Image source = Numbered(13, 7);
    Image whole(50, 30);
    Canvas wholeCanvas(whole);
    wholeCanvas.StretchDraw(0, 0, 50, 30, source);
    Image part(20, 20, kBlue);
    Canvas partCanvas(part);
    partCanvas.StretchDraw(-25, -5, 25, 25, source);
    for (int y = 0; y < 20; ++y) {
        for (int x = 0; x < 20; ++x) {
            ASSERT_EQ(part.Pixel(x, y), whole.Pixel(x + 25, y + 5)) << x << "," << y;
        }
    }
    // Nothing to draw: an empty picture or rectangle leaves the raster alone.
    partCanvas.StretchDraw(0, 0, 10, 10, Image());
    partCanvas.StretchDraw(10, 10, 5, 5, source);
    EXPECT_EQ(part.Pixel(19, 19), whole.Pixel(44, 24));
}

TEST(CanvasLine, FarOffEndsVisitOnlyTheRaster) {
    // Ends a thousand million pixels away: the visible part is drawn, and quickly.
    Image image(16, 12);
    Canvas canvas(image);
    canvas.SetPen(kBlack);
    canvas.MoveTo(-1000000000, 5);
    canvas.LineTo(1000000000, 5);
    for (int x = 0; x < 16; ++x) {
        ASSERT_EQ(image.Pixel(x, 5), kBlack) << x;
    }
    EXPECT_EQ(Marked(image).size(), 16u);
    EXPECT_EQ(canvas.PenX(), 1000000000);

    Image diagonal(10, 10);
    Canvas diagonalCanvas(diagonal);
    diagonalCanvas.SetPen(kBlack);
    diagonalCanvas.MoveTo(2000000000, 2000000000);
    diagonalCanvas.LineTo(-2000000000, -2000000000);
    Points expected;
    for (int i = 0; i < 10; ++i) {
        expected.insert({i, i});
    }
    EXPECT_EQ(Marked(diagonal), expected);

    // Extreme ends in every combination stay inside the raster and do not overflow.
    const int far[] = {std::numeric_limits<int>::min(), -1, 7, std::numeric_limits<int>::max()};
    for (int ax : far) {
        for (int ay : far) {
            for (int bx : far) {
                for (int by : far) {
                    diagonalCanvas.MoveTo(ax, ay);
                    diagonalCanvas.LineTo(bx, by);
                }
            }
        }
    }
    EXPECT_EQ(diagonal.Width(), 10);
}
