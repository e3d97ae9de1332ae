// The bordered fill's work on one block of 64 pixels of a row: lane masks, the rows of one fill,
// a block's walls and its painting.
// Included through fill_spans.h, after the variant's choice of instructions; local to that file.
#pragma once

#include <cstddef>
#include <cstdint>

#include "runtime/drawing/private/fill_region.h"

namespace zl::drawing {
namespace {

// Bits [0, count) of a lane mask; none for count 0 or less, all for 64 or more.
inline uint64_t lanes_below(int count) {
    if (count <= 0) return 0;
    return count >= 64 ? ~uint64_t{0} : (uint64_t{1} << count) - 1;
}

// Bits [lane, 63] and [0, lane] of a lane mask, lane 0 to 63.
inline uint64_t lanes_from(int lane) {
    return ~uint64_t{0} << lane;
}
inline uint64_t lanes_through(int lane) {
    return ~uint64_t{0} >> (63 - lane);
}

// What every row scan of one fill reads; passed by value, so that no store to the page can be
// taken for a store to it. Blocks start at multiples of 64 in the row (rows of the screen's pages
// start on cache lines), so a block's visited bits are one word. A pixel stops the spread when it
// holds the border colour or this fill has painted it: a painted pixel holds the fill colour, so
// pixels of the fill colour the fill did not paint pass the spread on.
struct Rows {
    uint8_t* pixels;
    uint64_t* visited;
    int width;
    int visited_words;
    ClipBox clip;
    uint8_t border;
    uint8_t fill;
    uint32_t* stamps;
    uint32_t stamp;
};

// Row y's pixels and visited words.
inline uint8_t* pixel_row(Rows rows, int y) {
    return rows.pixels + static_cast<size_t>(y) * static_cast<size_t>(rows.width);
}
inline uint64_t* visited_row(Rows rows, int y) {
    return rows.visited + static_cast<size_t>(y) * static_cast<size_t>(rows.visited_words);
}

// Makes a row's visited words (`words`, its stamp at `stamp`) this fill's: words left from an
// earlier fill are cleared. Cleared here, they are cleared in the cache lines this fill is
// about to mark anyway.
template <class Lanes, bool kMark>
[[gnu::always_inline]] inline void claim_visited(Rows rows, uint32_t* stamp, uint64_t* words) {
    if (!kMark || *stamp == rows.stamp) return;
    Lanes::set_words(words, rows.visited_words, 0);
    *stamp = rows.stamp;
}

// Row y's visited words, made this fill's.
template <class Lanes, bool kMark>
[[gnu::always_inline]] inline uint64_t* claimed_visited_row(Rows rows, int y) {
    uint64_t* const words = visited_row(rows, y);
    claim_visited<Lanes, kMark>(rows, rows.stamps + y, words);
    return words;
}

// Where a run through lane `lane` of a block with walls `stops` ends within the block: the lane
// just past the last wall before it, -1 when there is none (the run may go on leftwards), and
// the lane just before the first wall after it, 64 when there is none.
inline int run_start_in_block(uint64_t stops, int lane) {
    const uint64_t before = stops & ((uint64_t{1} << lane) - 1);
    return before == 0 ? -1 : 64 - __builtin_clzll(before);
}
inline int run_end_in_block(uint64_t stops, int lane) {
    const uint64_t after = stops & ~lanes_through(lane);
    return after == 0 ? 64 : __builtin_ctzll(after) - 1;
}

// Pixels of the clip box's rows outside its columns, as walls of the block at `base`.
inline uint64_t outside_clip(Rows rows, int base) {
    return lanes_below(rows.clip.left - base) | ~lanes_below(rows.clip.right + 1 - base);
}

// Walls of the block at `base`: its border pixels and (when the fill marks them) the ones the
// fill has painted. Past the row's end everything is a wall.
template <class Lanes, bool kMark>
[[gnu::always_inline]] inline uint64_t walls(Rows rows, const uint8_t* row, const uint64_t* visited,
                                             int base) {
    uint64_t bits = 0;
    const int in_row = rows.width - base;
    if (in_row >= 64) {
        bits = Lanes::border_bits(row + base, Lanes::colours(rows.border, rows.fill));
    } else {
        bits = ~lanes_below(in_row);
        for (int i = 0; i < in_row; ++i) {
            bits |= static_cast<uint64_t>(row[base + i] == rows.border) << i;
        }
    }
    if (kMark) bits |= visited[base >> 6];
    return bits;
}

// The pixels `lanes` of the block at `base` painted and marked visited.
template <class Lanes, bool kMark>
[[gnu::always_inline]] inline void paint(Rows rows, uint8_t* row, uint64_t* visited, int base,
                                         uint64_t lanes) {
    if (lanes == 0) return;
    if (rows.width - base >= 64) {
        Lanes::fill_lanes(row + base, lanes, Lanes::colours(rows.border, rows.fill));
    } else {
        for (uint64_t left = lanes; left != 0; left &= left - 1) {
            row[base + __builtin_ctzll(left)] = rows.fill;
        }
    }
    if (kMark) visited[base >> 6] |= lanes;
}

// Whether the pixel at x stops the spread: a wall, or outside the clip box's columns.
template <bool kMark>
[[gnu::always_inline]] inline bool stops_at(Rows rows, const uint8_t* row, const uint64_t* visited,
                                            int x) {
    if (x < rows.clip.left || x > rows.clip.right) return true;
    return row[x] == rows.border || (kMark && ((visited[x >> 6] >> (x & 63)) & 1));
}

// Whether any pixel of row y over [left, right] is open; a range over more than two blocks is
// taken to be. The parts of a run beyond the segment it came from are mostly a few pixels along
// a slanted wall, whose row behind is wall or painted there: looked at now, while the row is at
// hand, they are not pushed only to be found empty.
template <class Lanes, bool kMark>
[[gnu::always_inline]] inline bool any_open(Rows rows, int y, int left, int right) {
    const int first = left & ~63;
    const int last = right & ~63;
    if (last - first > 64) return true;
    const uint8_t* const row = pixel_row(rows, y);
    const uint64_t* const visited = claimed_visited_row<Lanes, kMark>(rows, y);
    const uint64_t from_left = ~lanes_below(left - first);
    if (~walls<Lanes, kMark>(rows, row, visited, first) & from_left &
        lanes_below(right - first + 1)) {
        return true;
    }
    return last != first &&
           (~walls<Lanes, kMark>(rows, row, visited, last) & lanes_below(right - last + 1));
}

}  // namespace
}  // namespace zl::drawing
