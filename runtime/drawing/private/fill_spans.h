// The span traversal of the bordered fill over blocks of 64 pixels: rows of one run each are
// followed quickly (fill_streak.h), any other row is scanned in full (fill_row_scan.h). Each
// scan variant's file includes it after choosing the instructions its functions are compiled for
// (and after the standard headers, so that none of theirs is compiled for them), and
// instantiates fill_spans with its lanes. Everything here is local to that file.
//
// A variant's lanes give, for the block of 64 pixels at a pointer: the bits of the pixels that
// hold the border colour (border_bits); for `blocks` whole blocks, whether any holds it
// (any_border) and the fill colour stored in all their pixels (fill_blocks); the fill colour
// stored in chosen pixels of one block (fill_lanes); and `count` visited words set to one value
// (set_words, by stores a load just after can take its value from) or cleared (clear_words, in
// the fewest stores).
#pragma once

#include <cstddef>
#include <cstdint>

#include "runtime/drawing/private/fill_blocks.h"
#include "runtime/drawing/private/fill_region.h"
#include "runtime/drawing/private/fill_row_scan.h"
#include "runtime/drawing/private/fill_segments.h"
#include "runtime/drawing/private/fill_streak.h"

namespace zl::drawing {
namespace {

template <class Lanes, bool kMark>
void trace_region(FillRegion& region) {
    const Rows rows{region.pixels,
                    region.visited,
                    region.width,
                    static_cast<int>(region.visited_words),
                    region.clip,
                    region.border,
                    region.fill,
                    region.row_stamps,
                    region.stamp};
    SegmentStack stack{region.stack, 0, region.stack_size};

    // The start pixel's row goes both ways: down through its run, up from the start pixel and
    // the parts of its run either side.
    const int start_y = region.start_y;
    if (start_y > rows.clip.top) stack.push(start_y - 1, region.start_x, region.start_x, -1);
    RowOutcome outcome =
        scan_row<Lanes, kMark>(rows, Segment{start_y, region.start_x, region.start_x, 1}, stack);
    // Each segment is followed down its rows of one run; the row that ends that is scanned in
    // full, and the segment onward from its last run is taken next.
    while (outcome.held || outcome.stack.pending != 0) {
        Segment from = outcome.onward;
        if (!outcome.held) {
            const FillSegment& next = outcome.stack.segments[--outcome.stack.pending];
            from = Segment{next.y, next.left, next.right, next.dy};
        }
        const Streak streak = follow_runs<Lanes, kMark>(rows, from, outcome.stack);
        outcome.stack.pending = streak.pending;
        if (!streak.in_clip) {
            outcome.held = false;
            continue;
        }
        outcome = scan_row<Lanes, kMark>(rows, streak.from, outcome.stack);
    }
}

template <class Lanes>
void fill_spans(FillRegion& region) {
    // With the fill colour as the border, painted pixels stop the spread by themselves.
    if (region.fill == region.border) {
        trace_region<Lanes, false>(region);
    } else {
        trace_region<Lanes, true>(region);
    }
}

}  // namespace
}  // namespace zl::drawing
