// The bordered fill's full scan of one row of a segment, whatever the row holds.
// Included through fill_spans.h, after the variant's choice of instructions; local to that file.
#pragma once

#include <cstddef>
#include <cstdint>

#include "runtime/drawing/private/fill_blocks.h"
#include "runtime/drawing/private/fill_segments.h"

namespace zl::drawing {
namespace {

// The run through the pixel just left of `end` (a block start) carried on leftwards over whole
// and part blocks; returns its leftmost pixel.
template <class Lanes, bool kMark>
[[gnu::noinline]] int extend_left(Rows rows, uint8_t* row, uint64_t* visited, int end) {
    int base = end;
    while (base > rows.clip.left) {
        base -= 64;
        const uint64_t stops =
            walls<Lanes, kMark>(rows, row, visited, base) | outside_clip(rows, base);
        const int after = stops == 0 ? 0 : 64 - __builtin_clzll(stops);
        paint<Lanes, kMark>(rows, row, visited, base, ~lanes_below(after));
        if (after != 0) return base + after;
    }
    return base;
}

// The run through the pixel at `begin - 1` (a block's last) carried on rightwards; returns its
// rightmost pixel.
template <class Lanes, bool kMark>
[[gnu::noinline]] int extend_right(Rows rows, uint8_t* row, uint64_t* visited, int begin) {
    for (int base = begin; base <= rows.clip.right; base += 64) {
        const uint64_t stops =
            walls<Lanes, kMark>(rows, row, visited, base) | outside_clip(rows, base);
        const int stop = stops == 0 ? 64 : __builtin_ctzll(stops);
        paint<Lanes, kMark>(rows, row, visited, base, lanes_below(stop));
        if (stop != 64) return base + stop - 1;
    }
    return rows.clip.right;
}

// The run through the segment's last pixel `end` (open, in the block at `base`, whose walls are
// `stops`) carried on rightwards; its pixels in the block are added to `painted`, and its
// rightmost pixel is returned.
template <class Lanes, bool kMark>
[[gnu::always_inline]] inline int carry_right(Rows rows, uint8_t* row, uint64_t* visited, int base,
                                              uint64_t stops, int end, uint64_t& painted) {
    const int stop = run_end_in_block(stops, end - base);
    const int right =
        stop < 64 ? base + stop : extend_right<Lanes, kMark>(rows, row, visited, base + 64);
    painted |= lanes_below(right - base + 1) & ~lanes_through(end - base);
    return right;
}

// The onward segments of one row's runs, taken as its blocks are, left to right. The one of the
// last run is held for the caller to follow next without going through the stack; the others
// are pushed.
class RunsOnward {
  public:
    RunsOnward(SegmentStack stack, int next_y, int dy, bool next_in_clip)
        : stack_(stack), next_y_(next_y), dy_(dy), next_in_clip_(next_in_clip) {}

    void start_at(int x) { start_ = x; }

    // The painted pixels of the block at `base`.
    [[gnu::always_inline]] void block(int base, uint64_t painted) {
        if (painted == ~uint64_t{0}) {
            if (start_ < 0) start_ = base;
            return;
        }
        uint64_t left = painted;
        if (start_ >= 0) {
            const int stop = __builtin_ctzll(~left);
            run(start_, base + stop - 1);
            start_ = -1;
            left &= ~lanes_below(stop);
        }
        while (left != 0) {
            const int first = __builtin_ctzll(left);
            const uint64_t gaps = ~left & ~lanes_below(first);
            if (gaps == 0) {
                start_ = base + first;
                return;
            }
            const int stop = __builtin_ctzll(gaps);
            run(base + first, base + stop - 1);
            left &= ~lanes_below(stop);
        }
    }

    // Whole blocks from `base` on, all painted.
    void span(int base) {
        if (start_ < 0) start_ = base;
    }

    void finish(int right) {
        if (start_ >= 0) run(start_, right);
        start_ = -1;
    }

    SegmentStack stack() const { return stack_; }
    bool held() const { return held_; }
    Segment onward() const { return Segment{next_y_, held_left_, held_right_, dy_}; }

  private:
    void run(int left, int right) {
        if (!next_in_clip_) return;
        if (held_) stack_.push(next_y_, held_left_, held_right_, dy_);
        held_ = true;
        held_left_ = left;
        held_right_ = right;
    }

    SegmentStack stack_;
    int next_y_;
    int dy_;
    bool next_in_clip_;
    int start_ = -1;
    bool held_ = false;
    int held_left_ = 0;
    int held_right_ = 0;
};

// What one row leaves: the stack with its new segments, and the onward segment held, if any.
struct RowOutcome {
    SegmentStack stack;
    bool held;
    Segment onward;
};

// Explores one segment. Every open pixel of the segment is reached, so all of them are painted;
// the runs through its ends are carried on as far as they go, and the parts of them beyond the
// segment have the row behind unexplored.
template <class Lanes, bool kMark>
[[gnu::always_inline]] inline RowOutcome scan_row(Rows rows, Segment from, SegmentStack stack) {
    uint8_t* const row = pixel_row(rows, from.y);
    uint64_t* const visited = claimed_visited_row<Lanes, kMark>(rows, from.y);
    const int first = from.left & ~63;
    const int last = from.right & ~63;
    const int next_y = from.y + from.dy;
    RunsOnward runs(stack, next_y, from.dy, next_y >= rows.clip.top && next_y <= rows.clip.bottom);

    // The first block: the segment's pixels in it and the run through its left end.
    const uint64_t first_stops =
        walls<Lanes, kMark>(rows, row, visited, first) | outside_clip(rows, first);
    uint64_t first_lanes = ~lanes_below(from.left - first);
    if (first == last) first_lanes &= lanes_below(from.right - first + 1);
    uint64_t first_paint = first_lanes & ~first_stops;
    int left = from.left;
    if ((first_paint >> (from.left - first)) & 1) {
        const int start = run_start_in_block(first_stops, from.left - first);
        left = start >= 0 ? first + start : extend_left<Lanes, kMark>(rows, row, visited, first);
        first_paint |= lanes_below(from.left - first) & ~lanes_below(left - first);
        if (left < first) runs.start_at(left);
    }

    int right = from.right;
    if (first == last) {
        if ((first_paint >> (from.right - first)) & 1) {
            right = carry_right<Lanes, kMark>(rows, row, visited, first, first_stops, from.right,
                                              first_paint);
        }
        paint<Lanes, kMark>(rows, row, visited, first, first_paint);
        runs.block(first, first_paint);
    } else {
        paint<Lanes, kMark>(rows, row, visited, first, first_paint);
        runs.block(first, first_paint);

        // Whole blocks between the ends: when none holds a wall (the common case) they are
        // looked at in one go and stored in another. With no border pixel among them they are
        // painted all through or not at all, so their first pixel tells which.
        const int middle = first + 64;
        const int blocks = (last - middle) >> 6;
        if (blocks > 0) {
            uint64_t* const words = visited + (middle >> 6);
            const auto colours = Lanes::colours(rows.border, rows.fill);
            if (!(kMark && (words[0] & 1)) &&
                !Lanes::any_border(row + middle, blocks, colours)) {
                Lanes::fill_blocks(row + middle, blocks, colours);
                if (kMark) Lanes::set_words(words, blocks, ~uint64_t{0});
                runs.span(middle);
            } else {
                for (int base = middle; base < last; base += 64) {
                    const uint64_t open = ~walls<Lanes, kMark>(rows, row, visited, base);
                    paint<Lanes, kMark>(rows, row, visited, base, open);
                    runs.block(base, open);
                }
            }
        }

        // The last block: the segment's pixels in it and the run through its right end.
        const uint64_t last_stops =
            walls<Lanes, kMark>(rows, row, visited, last) | outside_clip(rows, last);
        uint64_t last_paint = lanes_below(from.right - last + 1) & ~last_stops;
        if ((last_paint >> (from.right - last)) & 1) {
            right = carry_right<Lanes, kMark>(rows, row, visited, last, last_stops, from.right,
                                              last_paint);
        }
        paint<Lanes, kMark>(rows, row, visited, last, last_paint);
        runs.block(last, last_paint);
    }
    runs.finish(right);

    RowOutcome outcome{runs.stack(), runs.held(), runs.onward()};
    const int behind = from.y - from.dy;
    if (behind >= rows.clip.top && behind <= rows.clip.bottom) {
        if (left < from.left && any_open<Lanes, kMark>(rows, behind, left, from.left - 1)) {
            outcome.stack.push(behind, left, from.left - 1, -from.dy);
        }
        if (right > from.right && any_open<Lanes, kMark>(rows, behind, from.right + 1, right)) {
            outcome.stack.push(behind, from.right + 1, right, -from.dy);
        }
    }
    return outcome;
}

}  // namespace
}  // namespace zl::drawing
