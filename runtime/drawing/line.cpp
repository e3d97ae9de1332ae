// Lines, box outlines and filled boxes (draw_line), and the clipped pixel line that circles use
// for their radius lines.
#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "runtime/core/error_state.h"
#include "runtime/drawing/drawing.h"
#include "runtime/drawing/private/page_access.h"
#include "runtime/screen/display_link.h"

namespace zl {

namespace drawing {

namespace {

constexpr int32_t kPresenceFirstPoint = 1;
constexpr int32_t kPresenceSecondRelative = 2;
constexpr int32_t kPresenceFirstRelative = 4;
constexpr int32_t kPresenceColour = 8;
constexpr int32_t kPresenceStyle = 16;
constexpr uint16_t kSolidPattern = 0xFFFF;
constexpr int kPatternLength = 16;

bool beyond_same_edge(PixelPoint a, PixelPoint b, const ClipBox& clip) {
    return (a.x < clip.left && b.x < clip.left) || (a.x > clip.right && b.x > clip.right) ||
           (a.y < clip.top && b.y < clip.top) || (a.y > clip.bottom && b.y > clip.bottom);
}

bool within(double value, int32_t low, int32_t high) { return value >= low && value <= high; }

// Moves `from` onto the first edge, tried right, left, top, bottom, where the line towards `to`
// crosses into the box; false when it crosses none. A zero divisor gives an infinite step, which
// only ever meets the edges parallel to it.
bool move_onto_edge(PixelPoint& from, PixelPoint to, const ClipBox& clip) {
    const double fx = static_cast<double>(from.x);
    const double fy = static_cast<double>(from.y);
    const double dx = static_cast<double>(to.x) - fx;
    const double dy = static_cast<double>(to.y) - fy;
    const double sx = dx / std::fabs(dy);
    const double sy = dy / std::fabs(dx);
    if (from.x > clip.right && sx < 0) {
        const double y = fy + (fx - clip.right) * sy;
        if (within(y, clip.top, clip.bottom)) {
            from = PixelPoint{clip.right, round_even_saturated(static_cast<float>(y))};
            return true;
        }
    }
    if (from.x < clip.left && sx > 0) {
        const double y = fy + (clip.left - fx) * sy;
        if (within(y, clip.top, clip.bottom)) {
            from = PixelPoint{clip.left, round_even_saturated(static_cast<float>(y))};
            return true;
        }
    }
    if (from.y < clip.top && sy > 0) {
        const double x = fx + (clip.top - fy) * sx;
        if (within(x, clip.left, clip.right)) {
            from = PixelPoint{round_even_saturated(static_cast<float>(x)), clip.top};
            return true;
        }
    }
    if (from.y > clip.bottom && sy < 0) {
        const double x = fx + (fy - clip.bottom) * sx;
        if (within(x, clip.left, clip.right)) {
            from = PixelPoint{round_even_saturated(static_cast<float>(x)), clip.bottom};
            return true;
        }
    }
    return false;
}

// `count` pixels of one colour from `at` on, each `step` on from the one before and the minor
// coordinate of each being position >> shift, `across` apart. Four pixels a turn, each from its
// own position, so no pixel waits for the one before.
[[gnu::always_inline]] inline void solid_run(uint8_t* at, ptrdiff_t step, ptrdiff_t across,
                                             uint8_t value, int count, int64_t position,
                                             int64_t stride, int shift) {
    int i = 0;
    for (; i + 4 <= count; i += 4) {
        at[(position >> shift) * across] = value;
        at[step + ((position + stride) >> shift) * across] = value;
        at[2 * step + ((position + 2 * stride) >> shift) * across] = value;
        at[3 * step + ((position + 3 * stride) >> shift) * across] = value;
        at += 4 * step;
        position += 4 * stride;
    }
    for (; i < count; ++i) {
        at[(position >> shift) * across] = value;
        at += step;
        position += stride;
    }
}

// Where a line's pixels go: pixel n with minor coordinate m is at start + n * major + m * minor.
// Everything is held by value, so the byte stores cannot make the compiler reload it.
struct LinePixels {
    uint8_t* start = nullptr;
    ptrdiff_t major = 0;
    ptrdiff_t minor = 0;
    uint8_t colour = 0;
    uint16_t pattern = kSolidPattern;

    bool drawn(int n) const { return ((pattern << (n % kPatternLength)) & 0x8000) != 0; }

    void one(int n, int m) const {
        if (drawn(n)) start[n * major + m * minor] = colour;
    }

    // Pixels n to n + count - 1, the minor coordinate of each being position >> shift. Out of
    // line, so that the loop over the pixels has every register to itself.
    [[gnu::noinline]] void run(int n, int count, int64_t position, int64_t stride, int shift) const {
        uint8_t* at = start + n * major;
        const ptrdiff_t step = major;
        const ptrdiff_t across = minor;
        const uint8_t value = colour;
        if (pattern == kSolidPattern) {
            // Steep lines step across by single bytes: no multiply.
            if (across == 1) {
                solid_run(at, step, 1, value, count, position, stride, shift);
            } else {
                solid_run(at, step, across, value, count, position, stride, shift);
            }
            return;
        }
        const uint16_t bits = pattern;
        for (int i = 0; i < count; ++i) {
            if (((bits << ((n + i) % kPatternLength)) & 0x8000) != 0) at[(position >> shift) * across] = value;
            at += step;
            position += stride;
        }
    }
};

// The minor coordinate of a line: v(n+1) = v(n) + slope in single precision, each value rounded
// half away from zero and kept within [low, high]. While v stays inside one binade every sum
// rounds to the same grid, so (barring an exact tie) each step adds the same amount and a run of
// steps is an exact arithmetic progression: such runs are walked in integer fixed point instead
// of through the add's latency chain. Everything else takes the plain single-precision step.
void walk_minor(float v, float slope, int count, int low, int high, const LinePixels& pixels) {
    constexpr int kMantissaBits = 23;
    constexpr int kExponentBias = 127;
    constexpr int kMaxShift = 62;
    constexpr int kShortestRun = 4;
    int n = 0;
    while (n < count) {
        const int remaining = count - n;
        const uint32_t bits = std::bit_cast<uint32_t>(v);
        const int biased = static_cast<int>((bits >> kMantissaBits) & 0xFF);
        // v = m * 2^-shift with a whole m below 2^24.
        const int shift = kExponentBias + kMantissaBits - biased;
        if (v > 0 && biased > 0 && shift > 0 && shift <= kMaxShift && remaining >= kShortestRun) {
            const double lo = std::bit_cast<float>(static_cast<uint32_t>(biased) << kMantissaBits);
            const double hi = 2 * lo;
            const double half_grid = lo * 0x1p-24;
            const float next = v + slope;
            const double step = static_cast<double>(next) - static_cast<double>(v);
            const double dv = v;
            const double ds = slope;
            const bool tie = std::fabs(ds - step) == half_grid;
            int run = 0;
            if (!tie && next >= lo && next <= hi) {
                if (step == 0) {
                    run = remaining;
                } else {
                    auto fits = [&](int m) {
                        const double sum = dv + m * step + ds;   // exact in double
                        return ds > 0 ? sum < hi : sum >= lo;
                    };
                    const double room = ds > 0 ? (hi - ds - dv) / step : (dv + ds - lo) / -step;
                    run = static_cast<int>(std::clamp(room, 0.0, static_cast<double>(remaining)));
                    while (run > 0 && !fits(run - 1)) --run;
                    while (run < remaining && fits(run)) ++run;
                }
            }
            if (run >= kShortestRun) {
                const double scale = std::bit_cast<double>(static_cast<uint64_t>(1023 + shift) << 52);
                const int64_t stride = static_cast<int64_t>(step * scale);
                const int64_t position = static_cast<int64_t>(dv * scale) + (int64_t{1} << (shift - 1));
                const int64_t first = position >> shift;
                const int64_t last = (position + (run - 1) * stride) >> shift;
                if (std::min(first, last) >= low && std::max(first, last) <= high) {
                    pixels.run(n, run, position, stride, shift);
                } else {
                    // Only a sum drifting past the far end of a very long line comes here.
                    for (int m = 0; m < run; ++m) {
                        pixels.one(n + m, static_cast<int>(std::clamp<int64_t>((position + m * stride) >> shift, low, high)));
                    }
                }
                v = static_cast<float>(dv + run * step);
                n += run;
                continue;
            }
        }
        pixels.one(n, static_cast<int>(std::clamp<int64_t>(round_half_away(v), low, high)));
        v += slope;
        ++n;
    }
}

// Steps along the longer axis (y when equal) from a to b, both inside the page.
void walk_line(screen_page& page, PixelPoint a, PixelPoint b, uint8_t colour, uint16_t pattern) {
    const int x1 = static_cast<int>(a.x);
    const int y1 = static_cast<int>(a.y);
    const int x2 = static_cast<int>(b.x);
    const int y2 = static_cast<int>(b.y);
    const int dx = x2 - x1;
    const int dy = y2 - y1;
    const int steps = std::max(std::abs(dx), std::abs(dy));
    const ptrdiff_t stride = page.width;
    LinePixels pixels{page.pixels, 0, 0, colour, pattern};
    if (steps == 0) {
        pixels.start += y1 * stride + x1;
        pixels.one(0, 0);
        return;
    }
    const float divisor = static_cast<float>(steps);
    if (std::abs(dx) > std::abs(dy)) {
        pixels.start += x1;
        pixels.major = dx > 0 ? 1 : -1;
        pixels.minor = stride;
        walk_minor(static_cast<float>(y1), static_cast<float>(dy) / divisor, steps + 1, std::min(y1, y2),
                   std::max(y1, y2), pixels);
    } else {
        pixels.start += y1 * stride;
        pixels.major = dy > 0 ? stride : -stride;
        pixels.minor = 1;
        walk_minor(static_cast<float>(x1), static_cast<float>(dx) / divisor, steps + 1, std::min(x1, x2),
                   std::max(x1, x2), pixels);
    }
}

uint16_t rotate_left(uint16_t pattern, int64_t count) {
    const int shift = static_cast<int>(count % kPatternLength);
    if (shift == 0) return pattern;
    return static_cast<uint16_t>((pattern << shift) | (pattern >> (kPatternLength - shift)));
}

void fill_box(screen_page& page, const ClipBox& clip, PixelPoint a, PixelPoint b, uint8_t colour) {
    const int64_t left = std::min(a.x, b.x);
    const int64_t right = std::max(a.x, b.x);
    const int64_t top = std::min(a.y, b.y);
    const int64_t bottom = std::max(a.y, b.y);
    if (clip.empty() || right < clip.left || left > clip.right || bottom < clip.top ||
        top > clip.bottom) {
        return;
    }
    const int x1 = static_cast<int>(std::max<int64_t>(left, clip.left));
    const int x2 = static_cast<int>(std::min<int64_t>(right, clip.right));
    const int y1 = static_cast<int>(std::max<int64_t>(top, clip.top));
    const int y2 = static_cast<int>(std::min<int64_t>(bottom, clip.bottom));
    const size_t span = static_cast<size_t>(x2 - x1 + 1);
    if (span == page.width) {
        // Whole rows lie end to end: one store for the lot.
        std::memset(row_of(page, y1), colour, span * static_cast<size_t>(y2 - y1 + 1));
    } else {
        for (int y = y1; y <= y2; ++y) std::memset(row_of(page, y) + x1, colour, span);
    }
    mark_display_changed();
}

}  // namespace

void draw_pixel_line(screen_page& page, const ClipBox& clip, PixelPoint first, PixelPoint second,
                     uint8_t colour, uint16_t pattern) {
    if (clip.empty()) return;
    int64_t clipped_off = 0;
    if (!clip.contains(first.x, first.y)) {
        if (first.x == second.x && first.y == second.y) return;
        if (beyond_same_edge(first, second, clip)) return;
        const PixelPoint before = first;
        if (!move_onto_edge(first, second, clip)) return;
        clipped_off = std::max(std::abs(first.x - before.x), std::abs(first.y - before.y));
    }
    if (!clip.contains(second.x, second.y) && !move_onto_edge(second, first, clip)) return;
    walk_line(page, first, second, colour, rotate_left(pattern, clipped_off));
    mark_display_changed();
}

}  // namespace drawing

void draw_line(float x1, float y1, float x2, float y2, int32_t colour, int32_t kind, int32_t style,
               int32_t presence) {
    using namespace drawing;
    if (error_is_pending()) return;
    screen_page* const page = write_page;
    if (page == nullptr) return;
    if (page->text) {
        raise_error(kIllegalFunctionCall);
        return;
    }
    float first_x = page->graphics_x;
    float first_y = page->graphics_y;
    if (presence & kPresenceFirstPoint) {
        first_x = (presence & kPresenceFirstRelative) ? first_x + x1 : x1;
        first_y = (presence & kPresenceFirstRelative) ? first_y + y1 : y1;
    }
    const float second_x = (presence & kPresenceSecondRelative) ? first_x + x2 : x2;
    const float second_y = (presence & kPresenceSecondRelative) ? first_y + y2 : y2;
    page->graphics_x = second_x;
    page->graphics_y = second_y;
    if (kind != kLineKindLine && kind != kLineKindBox && kind != kLineKindFilledBox) return;

    const uint32_t chosen = (presence & kPresenceColour) ? static_cast<uint32_t>(colour) : page->foreground;
    page->last_colour = chosen;
    if (!has_pixel_buffer(*page)) return;
    const uint8_t stored = stored_colour(*page, chosen);
    const uint16_t pattern =
        (presence & kPresenceStyle) ? static_cast<uint16_t>(style & 0xFFFF) : kSolidPattern;
    const ClipBox clip = clip_box_of(*page);
    if (std::isnan(first_x) || std::isnan(first_y) || std::isnan(second_x) || std::isnan(second_y)) {
        return;   // no position at all: nothing to draw
    }
    const PixelPoint a = pixel_of(*page, first_x, first_y);
    const PixelPoint b = pixel_of(*page, second_x, second_y);
    switch (kind) {
    case kLineKindLine:
        draw_pixel_line(*page, clip, a, b, stored, pattern);
        break;
    case kLineKindBox:
        draw_pixel_line(*page, clip, a, PixelPoint{b.x, a.y}, stored, pattern);
        draw_pixel_line(*page, clip, PixelPoint{b.x, a.y}, b, stored, pattern);
        draw_pixel_line(*page, clip, b, PixelPoint{a.x, b.y}, stored, pattern);
        draw_pixel_line(*page, clip, PixelPoint{a.x, b.y}, a, stored, pattern);
        break;
    default:
        fill_box(*page, clip, a, b, stored);
        break;
    }
}

}  // namespace zl
