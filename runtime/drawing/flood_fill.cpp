// Colour fill bounded by a border colour (flood_fill). Span based: each row run is found with
// 16-byte scans, painted with one store, and its neighbour rows are explored only where they
// have not been explored already; no per-pixel queue.
#include <algorithm>
#include <cstring>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "runtime/core/error_state.h"
#include "runtime/drawing/drawing.h"
#include "runtime/drawing/private/page_access.h"
#include "runtime/screen/display_link.h"

namespace zl {

namespace {

using drawing::ClipBox;
using drawing::PixelPoint;

constexpr int32_t kPresenceRelative = 1;
constexpr int32_t kPresenceFill = 2;
constexpr int32_t kPresenceBorder = 4;
constexpr int32_t kPresenceFifth = 8;

// Painted pixels must stop the spread. When the fill colour differs from the border they are
// first painted with this value, which no stored colour of a page of fewer than 8 colour bits
// can have (every writer of pixels stores colour AND mask), and given the fill colour
// afterwards.
constexpr uint8_t kPaintedMark = 0xFF;

// A grid of bytes where a pixel is open unless it holds one of two wall values.
struct Walls {
    uint8_t first = 0;
    uint8_t second = 0;
    bool open(uint8_t v) const { return v != first && v != second; }
};

#if defined(__SSE2__)
inline unsigned wall_bits(const uint8_t* at, const Walls& walls) {
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
    const __m128i hits = _mm_or_si128(_mm_cmpeq_epi8(bytes, _mm_set1_epi8(static_cast<char>(walls.first))),
                                      _mm_cmpeq_epi8(bytes, _mm_set1_epi8(static_cast<char>(walls.second))));
    return static_cast<unsigned>(_mm_movemask_epi8(hits));
}
#endif

// First x in [x, end) holding a wall; end when none does.
int find_wall(const uint8_t* row, int x, int end, const Walls& walls) {
#if defined(__SSE2__)
    // Long open runs are the common case: test 64 bytes at a time, then find the wall within.
    // The walls are broadcast once, here: comparing through wall_bits makes this loop a fifth
    // slower, as the compiler then builds them again for every block.
    const __m128i first = _mm_set1_epi8(static_cast<char>(walls.first));
    const __m128i second = _mm_set1_epi8(static_cast<char>(walls.second));
    auto hits = [&](int at) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + at));
        return _mm_or_si128(_mm_cmpeq_epi8(bytes, first), _mm_cmpeq_epi8(bytes, second));
    };
    for (; x + 64 <= end; x += 64) {
        const __m128i any = _mm_or_si128(_mm_or_si128(hits(x), hits(x + 16)), _mm_or_si128(hits(x + 32), hits(x + 48)));
        if (_mm_movemask_epi8(any) != 0) break;
    }
    for (; x + 16 <= end; x += 16) {
        const unsigned bits = wall_bits(row + x, walls);
        if (bits != 0) return x + __builtin_ctz(bits);
    }
#endif
    while (x < end && walls.open(row[x])) ++x;
    return x;
}

// First x in [x, end) that is open; end when none is.
int find_open(const uint8_t* row, int x, int end, const Walls& walls) {
#if defined(__SSE2__)
    for (; x + 16 <= end; x += 16) {
        const unsigned bits = wall_bits(row + x, walls) ^ 0xFFFFu;
        if (bits != 0) return x + __builtin_ctz(bits);
    }
#endif
    while (x < end && !walls.open(row[x])) ++x;
    return x;
}

// Last x in [begin, x] holding a wall; begin - 1 when none does.
int find_wall_backward(const uint8_t* row, int x, int begin, const Walls& walls) {
#if defined(__SSE2__)
    for (; x - 15 >= begin; x -= 16) {
        const unsigned bits = wall_bits(row + x - 15, walls);
        if (bits != 0) return x - 15 + (31 - __builtin_clz(bits));
    }
#endif
    while (x >= begin && walls.open(row[x])) --x;
    return x;
}

// Row `y` is to be explored over [left, right]; row y - dy is painted there already.
struct Segment {
    uint16_t y = 0;
    uint16_t left = 0;
    uint16_t right = 0;
    int16_t dy = 0;
};

// A painted run of one row.
struct Run {
    uint16_t y = 0;
    uint16_t left = 0;
    uint16_t right = 0;
};

// The segment stack and the list of painted runs are kept from fill to fill, so a fill allocates
// only when it needs more than any fill before it.
std::vector<Segment> segment_stack;
std::vector<Run> painted_runs;

// Paints with `paint` (one of the walls) the region of open bytes around (x, y), within the
// clip box, of a grid of rows `stride` bytes apart; with `keep_runs` lists the runs painted in
// painted_runs.
void span_fill(uint8_t* grid, ptrdiff_t stride, const ClipBox& clip, int x, int y, const Walls& walls,
               uint8_t paint, bool keep_runs) {
    std::vector<Segment>& stack = segment_stack;
    stack.clear();
    painted_runs.clear();
    auto paint_run = [&](uint8_t* row, int row_y, int left, int right) {
        std::memset(row + left, paint, static_cast<size_t>(right - left + 1));
        if (keep_runs) {
            painted_runs.push_back(Run{static_cast<uint16_t>(row_y), static_cast<uint16_t>(left),
                                       static_cast<uint16_t>(right)});
        }
    };
    auto push = [&](int row_y, int left, int right, int dy) {
        if (row_y < clip.top || row_y > clip.bottom) return;
        stack.push_back(Segment{static_cast<uint16_t>(row_y), static_cast<uint16_t>(left),
                                static_cast<uint16_t>(right), static_cast<int16_t>(dy)});
    };
    {
        uint8_t* row = grid + y * stride;
        const int left = find_wall_backward(row, x, clip.left, walls) + 1;
        const int right = find_wall(row, x, clip.right + 1, walls) - 1;
        paint_run(row, y, left, right);
        push(y - 1, left, right, -1);
        push(y + 1, left, right, 1);
    }
    while (!stack.empty()) {
        const Segment segment = stack.back();
        stack.pop_back();
        const int row_y = segment.y;
        uint8_t* row = grid + row_y * stride;
        int x_at = segment.left;
        int left = 0;
        if (walls.open(row[x_at])) {
            left = find_wall_backward(row, x_at, clip.left, walls) + 1;   // may run on leftwards
        } else {
            x_at = find_open(row, x_at + 1, segment.right + 1, walls);
            if (x_at > segment.right) continue;
            left = x_at;
        }
        while (true) {
            const int right = find_wall(row, x_at, clip.right + 1, walls) - 1;
            paint_run(row, row_y, left, right);
            push(row_y + segment.dy, left, right, segment.dy);
            // Parts of the run beyond the row it was reached from have unexplored rows behind.
            if (left < segment.left) push(row_y - segment.dy, left, segment.left - 1, -segment.dy);
            if (right > segment.right) push(row_y - segment.dy, segment.right + 1, right, -segment.dy);
            if (right + 2 > segment.right) break;
            x_at = find_open(row, right + 2, segment.right + 1, walls);
            if (x_at > segment.right) break;
            left = x_at;
        }
    }
}

// Gives the listed runs of the page the fill colour.
void paint_runs(screen_page& page, uint8_t fill) {
    for (const Run& run : painted_runs) {
        std::memset(drawing::row_of(page, run.y) + run.left, fill, static_cast<size_t>(run.right - run.left + 1));
    }
}

// Pages whose colours use every byte value leave no spare mark: there the fill runs on a map of
// walls (1) and painted pixels (2), kept from fill to fill.
std::vector<uint8_t> wall_map;

void fill_through_map(screen_page& page, const ClipBox& clip, PixelPoint start, uint8_t fill,
                      uint8_t border) {
    constexpr uint8_t kOpen = 0;
    constexpr uint8_t kWall = 1;
    constexpr uint8_t kPainted = 2;
    const size_t count = static_cast<size_t>(page.width) * page.height;
    if (wall_map.size() < count) wall_map.resize(count);
    for (int y = clip.top; y <= clip.bottom; ++y) {
        const uint8_t* row = drawing::row_of(page, y);
        uint8_t* map_row = wall_map.data() + static_cast<size_t>(y) * page.width;
        for (int x = clip.left; x <= clip.right; ++x) map_row[x] = row[x] == border ? kWall : kOpen;
    }
    span_fill(wall_map.data(), page.width, clip, static_cast<int>(start.x), static_cast<int>(start.y),
              Walls{kWall, kPainted}, kPainted, true);
    paint_runs(page, fill);
}

}  // namespace

void flood_fill(float x, float y, int32_t fill_colour, int32_t border_colour, int32_t fifth,
                int32_t presence) {
    using namespace drawing;
    (void)fifth;   // only its presence matters: it is refused
    if (error_is_pending()) return;
    screen_page* const page = write_page;
    if (page == nullptr) return;
    if (page->text || (presence & kPresenceFifth)) {
        raise_error(kIllegalFunctionCall);
        return;
    }
    const uint32_t fill_given = (presence & kPresenceFill) ? static_cast<uint32_t>(fill_colour) : page->foreground;
    const uint32_t border_given = (presence & kPresenceBorder) ? static_cast<uint32_t>(border_colour) : fill_given;
    const uint8_t fill = stored_colour(*page, fill_given);
    const uint8_t border = stored_colour(*page, border_given);
    place_graphics_cursor(*page, x, y, (presence & kPresenceRelative) != 0);
    if (!has_pixel_buffer(*page)) return;
    const PixelPoint start = pixel_of(*page, page->graphics_x, page->graphics_y);
    const ClipBox clip = clip_box_of(*page);
    if (!clip.contains(start.x, start.y)) return;
    if (row_of(*page, start.y)[start.x] == border) return;

    const int sx = static_cast<int>(start.x);
    const int sy = static_cast<int>(start.y);
    if (fill == border) {
        // Painted pixels take the border colour and stop the spread by themselves.
        span_fill(page->pixels, page->width, clip, sx, sy, Walls{border, border}, fill, false);
    } else if (page->colour_mask < kPaintedMark) {
        span_fill(page->pixels, page->width, clip, sx, sy, Walls{border, kPaintedMark}, kPaintedMark, true);
        paint_runs(*page, fill);
    } else {
        fill_through_map(*page, clip, start, fill, border);
    }
    mark_display_changed();
}

}  // namespace zl
