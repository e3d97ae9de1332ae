// Owns what every drawing operation shares: turning world coordinates into pixel positions
// safely, the clip box of a page, and access to its rows. Internal to the drawing service.
#pragma once

#include <cassert>
#include <cmath>
#include <cstdint>

#if defined(__x86_64__)
#include <emmintrin.h>
#endif

#include "runtime/core/error_numbers.h"
#include "runtime/screen/screen_page.h"

namespace zl::drawing {

// The one run-time error the drawing operations raise themselves.
constexpr int32_t kIllegalFunctionCall = kErrorIllegalFunctionCall;

// Pixel positions are held in 64 bits and saturate here: far beyond any page, yet small enough
// that differences and sums of two of them never overflow.
constexpr int64_t kPixelLimit = int64_t{1} << 62;

// Round to the nearest integer, ties to even, without undefined conversions: infinities and
// values beyond the limit saturate, NaN becomes the negative limit (far off every page). The
// processor converts in its rounding mode, which nothing here changes from nearest even.
inline int64_t round_even_saturated(double value) {
#if defined(__x86_64__)
    // The conversion gives INT64_MIN for NaN and for values no int64 holds.
    const int64_t whole = _mm_cvtsd_si64(_mm_set_sd(value));
    if (whole > -kPixelLimit && whole < kPixelLimit) [[likely]] return whole;
#else
    constexpr double kLimit = static_cast<double>(kPixelLimit);
    if (value > -kLimit && value < kLimit) return static_cast<int64_t>(std::nearbyint(value));
#endif
    return value > 0 ? kPixelLimit : -kPixelLimit;
}

// Round half away from zero; the caller guarantees |value| is well inside int64.
inline int64_t round_half_away(double value) {
    return value >= 0 ? static_cast<int64_t>(value + 0.5) : -static_cast<int64_t>(0.5 - value);
}

struct PixelPoint {
    int64_t x = 0;
    int64_t y = 0;
};

// World coordinates to a pixel of the page: through the window mapping (identity while none is
// set), rounded ties to even, then offset by the view's origin.
inline PixelPoint pixel_of(const screen_page& page, float x, float y) {
    const float wx = x * page.window_scale_x + page.window_offset_x;
    const float wy = y * page.window_scale_y + page.window_offset_y;
    return PixelPoint{round_even_saturated(wx) + page.view_x, round_even_saturated(wy) + page.view_y};
}

// The graphics cursor set to (x, y), or moved by it for an operation given relative coordinates.
inline void place_graphics_cursor(screen_page& page, float x, float y, bool relative) {
    if (relative) {
        page.graphics_x += x;
        page.graphics_y += y;
    } else {
        page.graphics_x = x;
        page.graphics_y = y;
    }
}

// The rectangle drawing may touch: the page's clip box, cut to the page itself so that a bad clip
// box can never lead outside the pixel buffer.
struct ClipBox {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = -1;
    int32_t bottom = -1;

    bool empty() const { return left > right || top > bottom; }
    bool contains(int64_t x, int64_t y) const {
        return x >= left && x <= right && y >= top && y <= bottom;
    }
};

// Whether a pixel lies in the page's clip box and on the page.
inline bool in_clip_box(const screen_page& page, PixelPoint p) {
    return static_cast<uint64_t>(p.x) < page.width && static_cast<uint64_t>(p.y) < page.height &&
           p.x >= page.clip_left && p.x <= page.clip_right && p.y >= page.clip_top &&
           p.y <= page.clip_bottom;
}

inline ClipBox clip_box_of(const screen_page& page) {
    ClipBox box;
    box.left = page.clip_left > 0 ? page.clip_left : 0;
    box.top = page.clip_top > 0 ? page.clip_top : 0;
    box.right = page.clip_right < page.width - 1 ? page.clip_right : page.width - 1;
    box.bottom = page.clip_bottom < page.height - 1 ? page.clip_bottom : page.height - 1;
    return box;
}

// A graphics page whose pixels can be drawn: one byte a pixel, rows of `width` bytes.
inline bool has_pixel_buffer(const screen_page& page) {
    return page.text == 0 && page.bytes_per_pixel == 1 && page.pixels != nullptr;
}

inline uint8_t* row_of(const screen_page& page, int64_t y) {
    assert(y >= 0 && y < page.height);
    return page.pixels + static_cast<size_t>(y) * page.width;
}

inline uint8_t stored_colour(const screen_page& page, uint32_t colour) {
    return static_cast<uint8_t>(colour & page.colour_mask);
}

// Draws the solid or patterned line between two pixel positions, clipped to the box. The pattern
// bit for pixel n is 15 - ((n + k) mod 16), k being the pixels clipped off the first end.
void draw_pixel_line(screen_page& page, const ClipBox& clip, PixelPoint first, PixelPoint second,
                     uint8_t colour, uint16_t pattern);

}  // namespace zl::drawing
