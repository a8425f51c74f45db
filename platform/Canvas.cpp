#include "platform/Canvas.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace platform {

Canvas::Canvas(Image& target, int pixelsPerInch)
    : image_(&target), pixelsPerInch_(pixelsPerInch > 0 ? pixelsPerInch : 96) {}

void Canvas::SetPen(Rgb colour, PenStyle style) {
    penColour_ = colour;
    penStyle_ = style;
}

void Canvas::MoveTo(int x, int y) {
    penX_ = x;
    penY_ = y;
}

void Canvas::LineTo(int x, int y) {
    // Integer Bresenham from the pen position; the end point itself is left out. Pixel i
    // along the major axis lies k(i) = floor((2 i minor + major - 1) / (2 major)) steps along
    // the minor axis (the true line rounded, halves toward the start), which is what the
    // incremental error term gives; computing it directly lets a line that runs far off the
    // raster visit only the steps inside it. The dot pattern starts afresh with each line:
    // pen colour on even steps, brush colour on odd ones.
    const std::int64_t x0 = penX_;
    const std::int64_t y0 = penY_;
    penX_ = x;
    penY_ = y;
    const std::int64_t dx = x - x0;
    const std::int64_t dy = y - y0;
    const bool xMajor = std::abs(dx) >= std::abs(dy);
    const std::int64_t major = xMajor ? std::abs(dx) : std::abs(dy);
    const std::int64_t minor = xMajor ? std::abs(dy) : std::abs(dx);
    const std::int64_t majorStart = xMajor ? x0 : y0;
    const std::int64_t minorStart = xMajor ? y0 : x0;
    const std::int64_t majorSign = (xMajor ? dx : dy) < 0 ? -1 : 1;
    const std::int64_t minorSign = (xMajor ? dy : dx) < 0 ? -1 : 1;
    const std::int64_t majorSize = xMajor ? Width() : Height();
    const std::int64_t minorSize = xMajor ? Height() : Width();
    if (major == 0 || majorSize == 0 || minorSize == 0) {
        return;
    }
    // Steps whose major coordinate majorStart + majorSign * i lies in 0 .. majorSize - 1.
    std::int64_t first = 0;
    std::int64_t last = major - 1;
    if (majorSign > 0) {
        first = std::max(first, -majorStart);
        last = std::min(last, majorSize - 1 - majorStart);
    } else {
        first = std::max(first, majorStart - (majorSize - 1));
        last = std::min(last, majorStart);
    }
    for (std::int64_t i = first; i <= last; ++i) {
        // In unsigned 64 bits: i * minor reaches (2^32 - 1)^2 for ends at the int limits.
        const auto product = static_cast<std::uint64_t>(i) * static_cast<std::uint64_t>(minor);
        const auto whole = static_cast<std::uint64_t>(major);
        const auto along = static_cast<std::int64_t>(
            product / whole + (2 * (product % whole) + whole - 1) / (2 * whole));
        const std::int64_t minorAt = minorStart + minorSign * along;
        if (minorAt < 0 || minorAt >= minorSize) {
            // Past the raster on the minor side: the rest of the line moves further away.
            if ((minorSign > 0) == (minorAt >= minorSize)) {
                break;
            }
            continue;
        }
        const std::int64_t majorAt = majorStart + majorSign * i;
        const int px = static_cast<int>(xMajor ? majorAt : minorAt);
        const int py = static_cast<int>(xMajor ? minorAt : majorAt);
        const bool gap = penStyle_ == PenStyle::Dotted && (i & 1) != 0;
        image_->SetPixel(px, py, gap ? brush_ : penColour_);
    }
}

void Canvas::FillRect(int x1, int y1, int x2, int y2) {
    FillRect(x1, y1, x2, y2, brush_);
}

void Canvas::FillRect(int x1, int y1, int x2, int y2, Rgb colour) {
    const int left = std::max(x1, 0);
    const int top = std::max(y1, 0);
    const int right = std::min(x2, Width());
    const int bottom = std::min(y2, Height());
    for (int y = top; y < bottom; ++y) {
        std::uint8_t* p = image_->Row(y) + static_cast<std::size_t>(left) * 3;
        for (int x = left; x < right; ++x) {
            *p++ = colour.r;
            *p++ = colour.g;
            *p++ = colour.b;
        }
    }
}

void Canvas::CopyRect(int dx1, int dy1, int dx2, int dy2, const Image& source, int sx1, int sy1,
                      int sx2, int sy2) {
    const int dw = dx2 - dx1;
    const int dh = dy2 - dy1;
    const int sw = sx2 - sx1;
    const int sh = sy2 - sy1;
    if (dw <= 0 || dh <= 0 || sw <= 0 || sh <= 0) {
        return;
    }
    // Copying within one raster reads from a snapshot, so overlapping areas come out whole.
    Image snapshot;
    const Image* from = &source;
    if (&source == image_) {
        snapshot = source;
        from = &snapshot;
    }
    const int top = std::max(dy1, 0);
    const int bottom = std::min(dy2, Height());
    const int left = std::max(dx1, 0);
    const int right = std::min(dx2, Width());
    for (int y = top; y < bottom; ++y) {
        // Nearest pixel: the source pixel under the centre of the target pixel.
        const long long offsetY = (2LL * (y - dy1) + 1) * sh / (2LL * dh);
        const int syy = sy1 + static_cast<int>(offsetY);
        if (syy < 0 || syy >= from->Height()) {
            continue;
        }
        const std::uint8_t* sourceRow = from->Row(syy);
        std::uint8_t* targetRow = image_->Row(y);
        for (int x = left; x < right; ++x) {
            const long long offsetX = (2LL * (x - dx1) + 1) * sw / (2LL * dw);
            const int sxx = sx1 + static_cast<int>(offsetX);
            if (sxx < 0 || sxx >= from->Width()) {
                continue;
            }
            const std::uint8_t* s = sourceRow + static_cast<std::size_t>(sxx) * 3;
            std::uint8_t* t = targetRow + static_cast<std::size_t>(x) * 3;
            t[0] = s[0];
            t[1] = s[1];
            t[2] = s[2];
        }
    }
}

namespace {

// One target pixel's share of the source along one axis: source index and weight, the
// weights of a target pixel adding up to kScale.
struct Tap {
    int index;
    std::uint32_t weight;
};
constexpr std::uint32_t kScale = 1 << 12;

// Box filter: each target pixel averages the source span it covers, so shrinking keeps
// thin lines as grey and enlarging repeats pixels with blended seams.
// Only the target pixels first .. last - 1 (those left after clipping) get taps.
std::vector<std::vector<Tap>> AreaTaps(int targetSize, int sourceSize, int first, int last) {
    std::vector<std::vector<Tap>> taps(static_cast<std::size_t>(std::max(last - first, 0)));
    const double step = static_cast<double>(sourceSize) / targetSize;
    for (int t = first; t < last; ++t) {
        const double begin = t * step;
        const double end = begin + step;
        std::vector<Tap>& list = taps[static_cast<std::size_t>(t - first)];
        std::uint32_t total = 0;
        for (int s = static_cast<int>(begin); s < sourceSize && s < end; ++s) {
            const double cover = std::min(end, s + 1.0) - std::max(begin, static_cast<double>(s));
            const auto weight = static_cast<std::uint32_t>(cover / step * kScale + 0.5);
            if (weight > 0) {
                list.push_back({s, weight});
                total += weight;
            }
        }
        if (list.empty()) {
            list.push_back({std::min(static_cast<int>(begin), sourceSize - 1), kScale});
        } else if (total != kScale) {
            // Rounding leftovers go to the largest share so a flat colour stays exact.
            auto largest = std::max_element(list.begin(), list.end(),
                                            [](Tap a, Tap b) { return a.weight < b.weight; });
            largest->weight = largest->weight + kScale - total;
        }
    }
    return taps;
}

} // namespace

void Canvas::StretchDraw(int x1, int y1, int x2, int y2, const Image& picture) {
    const int dw = x2 - x1;
    const int dh = y2 - y1;
    if (dw <= 0 || dh <= 0 || picture.IsEmpty()) {
        return;
    }
    Image snapshot;
    const Image* from = &picture;
    if (&picture == image_) {
        snapshot = picture;
        from = &snapshot;
    }
    const int top = std::max(y1, 0);
    const int bottom = std::min(y2, Height());
    const int left = std::max(x1, 0);
    const int right = std::min(x2, Width());
    if (left >= right || top >= bottom) {
        return;
    }
    const auto columns = AreaTaps(dw, from->Width(), left - x1, right - x1);
    const auto rows = AreaTaps(dh, from->Height(), top - y1, bottom - y1);
    std::vector<std::uint32_t> line(static_cast<std::size_t>(from->Width()) * 3);
    for (int y = top; y < bottom; ++y) {
        // First blend the source rows into one line, then the columns of that line.
        std::fill(line.begin(), line.end(), 0u);
        for (const Tap& row : rows[static_cast<std::size_t>(y - top)]) {
            const std::uint8_t* s = from->Row(row.index);
            for (std::size_t i = 0; i < line.size(); ++i) {
                line[i] += s[i] * row.weight;
            }
        }
        std::uint8_t* t = image_->Row(y) + static_cast<std::size_t>(left) * 3;
        for (int x = left; x < right; ++x) {
            std::uint64_t sum[3] = {0, 0, 0};
            for (const Tap& column : columns[static_cast<std::size_t>(x - left)]) {
                const std::size_t at = static_cast<std::size_t>(column.index) * 3;
                for (int c = 0; c < 3; ++c) {
                    sum[c] += static_cast<std::uint64_t>(line[at + c]) * column.weight;
                }
            }
            constexpr std::uint64_t kFull = static_cast<std::uint64_t>(kScale) * kScale;
            for (int c = 0; c < 3; ++c) {
                *t++ = static_cast<std::uint8_t>((sum[c] + kFull / 2) / kFull);
            }
        }
    }
}

} // namespace platform
