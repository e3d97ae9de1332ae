// The bordered fill's quick way down rows of one run each: the segment's rows handed to the
// wide streak (fill_wide_streak.h) or, for a segment within one block, followed here.
// Included through fill_spans.h, after the variant's choice of instructions; local to that file.
#pragma once

#include <cstddef>
#include <cstdint>

#include "runtime/drawing/private/fill_blocks.h"
#include "runtime/drawing/private/fill_segments.h"
#include "runtime/drawing/private/fill_wide_streak.h"

namespace zl::drawing {
namespace {

// What the rows of a segment within one block are tested against, worked out when the segment
// changes.
struct NarrowShape {
    int base;       // the segment's block
    uint64_t clip;  // outside_clip of it
    uint64_t lanes = 0;  // the segment's pixels
    // A row whose run is the segment itself has these pixels' walls equal to `wall`: none over
    // the segment, one just past each end that lies in the block.
    uint64_t test = 0;
    uint64_t wall = 0;
    // The pixel just past an end lies in the next block and in the clip box.
    bool left_beyond = false;
    bool right_beyond = false;

    NarrowShape(Rows rows, int left, int right)
        : base(left & ~63), clip(outside_clip(rows, base)) {
        set_ends(rows, left, right);
    }

    void set_ends(Rows rows, int left, int right) {
        const int from_lane = left - base;
        const int to_lane = right - base;
        lanes = lanes_from(from_lane) & lanes_through(to_lane);
        wall = (from_lane > 0 ? uint64_t{1} << (from_lane - 1) : 0) |
               (to_lane < 63 ? uint64_t{1} << (to_lane + 1) : 0);
        test = lanes | wall;
        left_beyond = from_lane == 0 && left > rows.clip.left;
        right_beyond = to_lane == 63 && right < rows.clip.right;
    }
};

// Follows a segment within one block down the rows whose open pixels over it make one run that
// stays in the block, as down the tip of a shape. Each such row is painted and marked, the parts
// of its run beyond the segment are pushed for the row behind, and the run is the next row's
// segment. Any other row is left, unchanged, to scan_row.
//
// A row whose run is its segment again (the most common) is told by one test on the block, and
// its segment is then kept as it was: worked out again from the run's ends, it would make each
// row's work wait for the row before.
template <class Lanes, bool kMark>
[[gnu::noinline]] Streak follow_narrow_runs(Rows rows, Segment from, SegmentStack stack) {
    const auto colours = Lanes::colours(rows.border, rows.fill);
    NarrowShape shape(rows, from.left, from.right);
    const int base = shape.base;
    uint8_t* row = pixel_row(rows, from.y);
    uint64_t* visited = visited_row(rows, from.y);
    uint32_t* stamp = rows.stamps + from.y;
    const ptrdiff_t row_step = from.dy * static_cast<ptrdiff_t>(rows.width);
    const ptrdiff_t visited_step = from.dy * static_cast<ptrdiff_t>(rows.visited_words);
    int rows_left = rows_to_clip_edge(rows.clip, from);
    while (true) {
        claim_visited<Lanes, kMark>(rows, stamp, visited);
        uint64_t stops = Lanes::border_bits(row + base, colours) | shape.clip;
        if (kMark) stops |= visited[base >> 6];
        int left = from.left;
        int right = from.right;
        uint64_t paint = shape.lanes;
        const bool same = (stops & shape.test) == shape.wall &&
                          !(shape.left_beyond && !stops_at<kMark>(rows, row, visited, left - 1)) &&
                          !(shape.right_beyond && !stops_at<kMark>(rows, row, visited, right + 1));
        if (!same) {
            // The run's left end, carried leftwards when the segment's first pixel is open, and
            // its right end likewise; the run must not leave the block.
            const int from_lane = from.left - base;
            paint &= ~stops;
            if (paint == 0) break;
            if ((paint >> from_lane) & 1) {
                int lane = run_start_in_block(stops, from_lane);
                if (lane < 0) {
                    if (base > rows.clip.left) break;  // it may go on leftwards
                    lane = 0;
                }
                paint |= ((uint64_t{1} << from_lane) - 1) & lanes_from(lane);
                left = base + lane;
            } else {
                left = base + __builtin_ctzll(paint);
            }
            const int to_lane = from.right - base;
            if ((paint >> to_lane) & 1) {
                int lane = run_end_in_block(stops, to_lane);
                if (lane == 64) {
                    if (base + 63 < rows.clip.right) break;  // it may go on rightwards
                    lane = 63;
                }
                paint |= lanes_through(lane) & ~lanes_through(to_lane);
                right = base + lane;
            } else {
                right = base + 63 - __builtin_clzll(paint);
            }
            if (paint != (lanes_through(right - base) & lanes_from(left - base))) break;
        }

        Lanes::fill_lanes(row + base, paint, colours);
        if (kMark) visited[base >> 6] |= paint;
        if (!same) {
            const int behind = from.y - from.dy;
            if (behind >= rows.clip.top && behind <= rows.clip.bottom) {
                if (left < from.left && any_open<Lanes, kMark>(rows, behind, left, from.left - 1)) {
                    stack.push(behind, left, from.left - 1, -from.dy);
                }
                if (right > from.right &&
                    any_open<Lanes, kMark>(rows, behind, from.right + 1, right)) {
                    stack.push(behind, from.right + 1, right, -from.dy);
                }
            }
            from.left = left;
            from.right = right;
            shape.set_ends(rows, left, right);
        }
        from.y += from.dy;
        row += row_step;
        visited += visited_step;
        stamp += from.dy;
        if (--rows_left == 0) return Streak{from, stack.pending, false};
    }
    return Streak{from, stack.pending, true};
}

// Follows a segment down its rows of one run, by the wide streak or the narrow one. Rows that
// end inside a last block shorter than the others are left to scan_row.
template <class Lanes, bool kMark>
Streak follow_runs(Rows rows, Segment from, SegmentStack stack) {
    const int first = from.left & ~63;
    const int last = from.right & ~63;
    if (rows.width - last < 64) return Streak{from, stack.pending, true};
    return first == last ? follow_narrow_runs<Lanes, kMark>(rows, from, stack)
                         : follow_wide_runs<Lanes, kMark>(rows, from, stack);
}

}  // namespace
}  // namespace zl::drawing
