// The bordered fill's quick way down rows of one run each, the most common rows.
// Included through fill_spans.h, after the variant's choice of instructions; local to that file.
#pragma once

#include <cstddef>
#include <cstdint>

#include "runtime/drawing/private/fill_blocks.h"
#include "runtime/drawing/private/fill_segments.h"

namespace zl::drawing {
namespace {

// Where a run of single-run rows stopped: at `from`, a row that is not one (or is outside the
// clip box's rows when `in_clip` is false).
struct Streak {
    Segment from;
    size_t pending;
    bool in_clip;
};

// What a segment's rows are tested against, worked out when the segment changes.
struct SpanShape {
    int first;  // the blocks of the segment's ends
    int last;
    uint64_t first_clip;  // outside_clip of those blocks
    uint64_t last_clip;
    uint64_t first_lanes = 0;  // the segment's pixels in them
    uint64_t last_lanes = 0;
    // A row whose run is the segment itself has, in each end block, these pixels' walls equal to
    // `*_wall`: none over the segment, one just past each end that lies in the block.
    uint64_t first_test = 0;
    uint64_t first_wall = 0;
    uint64_t last_test = 0;
    uint64_t last_wall = 0;
    // The pixel just past an end lies in the next block and in the clip box.
    bool left_beyond = false;
    bool right_beyond = false;

    SpanShape(Rows rows, int left, int right)
        : first(left & ~63),
          last(right & ~63),
          first_clip(outside_clip(rows, first)),
          last_clip(outside_clip(rows, last)) {
        set_ends(rows, left, right);
    }

    // A segment with its ends in the same blocks.
    void set_ends(Rows rows, int left, int right) {
        const int from_lane = left - first;
        const int to_lane = right - last;
        const uint64_t from_end = lanes_from(from_lane);
        const uint64_t through_end = lanes_through(to_lane);
        const uint64_t wall_left = from_lane > 0 ? uint64_t{1} << (from_lane - 1) : 0;
        const uint64_t wall_right = to_lane < 63 ? uint64_t{1} << (to_lane + 1) : 0;
        if (first == last) {
            first_lanes = last_lanes = from_end & through_end;
            first_wall = last_wall = wall_left | wall_right;
            first_test = last_test = first_lanes | first_wall;
        } else {
            first_lanes = from_end;
            last_lanes = through_end;
            first_wall = wall_left;
            last_wall = wall_right;
            first_test = first_lanes | wall_left;
            last_test = last_lanes | wall_right;
        }
        left_beyond = from_lane == 0 && left > rows.clip.left;
        right_beyond = to_lane == 63 && right < rows.clip.right;
    }
};

// Follows a segment down the rows whose open pixels over it make one run, as down the sides of
// a shape: the run starts in the segment's first block and ends in its last, reaching past the
// segment's ends at most to the ends of those blocks. Each such row is painted and marked in a
// few whole-block passes, the parts of its run beyond the segment are pushed for the row behind,
// and the run is the next row's segment; its end blocks are thus the same all the way. Any other
// row is left, unchanged, to scan_row.
//
// Kept out of line with its state in registers. A row whose run is its segment again (the most
// common) is told by a few tests on its end blocks, and its segment is then kept as it was:
// worked out again from the run's ends, it would make each row's work wait for the row before.
template <class Lanes, bool kMark>
[[gnu::noinline]] Streak follow_runs(Rows rows, Segment from, SegmentStack stack) {
    const auto colours = Lanes::colours(rows.border, rows.fill);
    SpanShape shape(rows, from.left, from.right);
    uint8_t* row = pixel_row(rows, from.y);
    uint64_t* visited = visited_row(rows, from.y);
    const ptrdiff_t row_step = from.dy * static_cast<ptrdiff_t>(rows.width);
    const ptrdiff_t visited_step = from.dy * static_cast<ptrdiff_t>(rows.visited_words);
    // Rows from this one to the clip box's edge the segment goes towards.
    int rows_left = (from.dy > 0 ? rows.clip.bottom - from.y : from.y - rows.clip.top) + 1;
    // Rows ending inside the last block are left to scan_row.
    if (rows.width - shape.last < 64) return Streak{from, stack.pending, true};
    while (true) {
        const int first = shape.first;
        const int last = shape.last;
        uint64_t first_stops = Lanes::border_bits(row + first, colours) | shape.first_clip;
        if (kMark) first_stops |= visited[first >> 6];
        uint64_t last_stops = first_stops;
        if (first != last) {
            last_stops = Lanes::border_bits(row + last, colours) | shape.last_clip;
            if (kMark) last_stops |= visited[last >> 6];
        }
        int left = from.left;
        int right = from.right;
        uint64_t first_paint = shape.first_lanes;
        uint64_t last_paint = shape.last_lanes;
        const bool same = (first_stops & shape.first_test) == shape.first_wall &&
                          (last_stops & shape.last_test) == shape.last_wall &&
                          !(shape.left_beyond && !stops_at<kMark>(rows, row, visited, left - 1)) &&
                          !(shape.right_beyond && !stops_at<kMark>(rows, row, visited, right + 1));
        if (!same) {
            // The first block: the run's left end, carried leftwards when the segment's first
            // pixel is open; the run must fill the block from there on.
            const int from_lane = from.left - first;
            first_paint &= ~first_stops;
            if (first_paint == 0) break;
            if ((first_paint >> from_lane) & 1) {
                int lane = run_start_in_block(first_stops, from_lane);
                if (lane < 0) {
                    if (first > rows.clip.left) break;  // it may go on leftwards
                    lane = 0;
                }
                first_paint |= ((uint64_t{1} << from_lane) - 1) & lanes_from(lane);
                left = first + lane;
            } else {
                left = first + __builtin_ctzll(first_paint);
            }

            // The last block likewise, carried rightwards.
            const int to_lane = from.right - last;
            last_paint = first == last ? first_paint : last_paint & ~last_stops;
            if (last_paint == 0) break;
            if ((last_paint >> to_lane) & 1) {
                int lane = run_end_in_block(last_stops, to_lane);
                if (lane == 64) {
                    if (last + 63 < rows.clip.right) break;  // it may go on rightwards
                    lane = 63;
                }
                last_paint |= lanes_through(lane) & ~lanes_through(to_lane);
                right = last + lane;
            } else {
                right = last + 63 - __builtin_clzll(last_paint);
            }
            if (first == last) {
                if (last_paint != (lanes_through(right - first) & lanes_from(left - first))) break;
                first_paint = last_paint;
            } else if (first_paint != lanes_from(left - first) ||
                       last_paint != lanes_through(right - last)) {
                break;
            }
        }

        // The blocks between.
        const int middle = first + 64;
        const int blocks = first == last ? 0 : (last - middle) >> 6;
        if (blocks > 0) {
            if (kMark && Lanes::any_word(visited + (middle >> 6), blocks)) break;
            if (Lanes::any_border(row + middle, blocks, colours)) break;
            Lanes::fill_blocks(row + middle, blocks, colours);
            if (kMark) Lanes::mark_words(visited + (middle >> 6), blocks);
        }
        Lanes::fill_lanes(row + first, first_paint, colours);
        if (kMark) visited[first >> 6] |= first_paint;
        if (first != last) {
            Lanes::fill_lanes(row + last, last_paint, colours);
            if (kMark) visited[last >> 6] |= last_paint;
        }

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
        if (--rows_left == 0) return Streak{from, stack.pending, false};
    }
    return Streak{from, stack.pending, true};
}

}  // namespace
}  // namespace zl::drawing
