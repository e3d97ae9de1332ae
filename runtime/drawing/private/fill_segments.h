// The segments the bordered fill has still to explore.
// Included through fill_spans.h, after the variant's choice of instructions; local to that file.
#pragma once

#include <cassert>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "runtime/drawing/private/fill_region.h"

namespace zl::drawing {
namespace {

// Segments still to explore. Each is stored with one write: read back soon after, a segment
// written field by field would wait for all its writes.
struct SegmentStack {
    FillSegment* segments;
    size_t pending;
    size_t capacity;

    void push(int y, int left, int right, int dy) {
        assert(pending < capacity);
        const uint64_t packed = static_cast<uint64_t>(y) | static_cast<uint64_t>(left) << 16 |
                                static_cast<uint64_t>(right) << 32 |
                                static_cast<uint64_t>(static_cast<uint16_t>(dy)) << 48;
        std::memcpy(static_cast<void*>(&segments[pending++]), &packed, sizeof packed);
    }
};

// A segment to explore: row y over [left, right], row y - dy being painted there.
struct Segment {
    int y = 0;
    int left = 0;
    int right = 0;
    int dy = 0;
};

// Rows from the segment's to the clip box's edge it goes towards, its own included.
inline int rows_to_clip_edge(const ClipBox& clip, const Segment& from) {
    return (from.dy > 0 ? clip.bottom - from.y : from.y - clip.top) + 1;
}

// Where a run of single-run rows stopped: at `from`, a row that is not one (or is outside the
// clip box's rows when `in_clip` is false).
struct Streak {
    Segment from;
    size_t pending;
    bool in_clip;
};

}  // namespace
}  // namespace zl::drawing
