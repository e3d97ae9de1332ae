// The bordered fill's quick way down rows of one run over two or more blocks, the most common
// rows: the sides of wide shapes.
// Included through fill_spans.h, after the variant's choice of instructions; local to that file.
#pragma once

#include <cstddef>
#include <cstdint>

#include "runtime/drawing/private/fill_blocks.h"
#include "runtime/drawing/private/fill_segments.h"

namespace zl::drawing {
namespace {

// Whether a run over the whole of an end block (its walls `*_stops` none) goes on past it, into
// a pixel that is neither a wall nor outside the clip box.
template <class Lanes, bool kMark>
[[gnu::always_inline]] inline bool goes_on_past_ends(Rows rows, const uint8_t* row,
                                                     uint64_t* visited, uint32_t* stamp, int first,
                                                     int last, uint64_t first_stops,
                                                     uint64_t last_stops) {
    claim_visited<Lanes, kMark>(rows, stamp, visited);
    return (first_stops == 0 && !stops_at<kMark>(rows, row, visited, first - 1)) ||
           (last_stops == 0 && !stops_at<kMark>(rows, row, visited, last + 64));
}

// Pushes the lanes `lanes` of the block at `base` in row y, from their first to their last.
inline void push_back_lanes(SegmentStack& stack, int y, int base, uint64_t lanes, int dy) {
    if (lanes == 0) return;
    stack.push(y, base + __builtin_ctzll(lanes), base + 63 - __builtin_clzll(lanes), dy);
}

// What every row of a wide streak is worked against.
struct WideRows {
    Rows rows;
    int first;        // the end blocks
    int last;
    int blocks;       // from the first block to the last
    uint64_t first_clip;
    uint64_t last_clip;
    // None when a run over the whole of the first block may go on before it (the block is not
    // the clip box's first), all otherwise; `after_last` likewise past the last block.
    uint64_t before_first;
    uint64_t after_last;
    ptrdiff_t row_step;
    ptrdiff_t visited_step;
    ptrdiff_t first_word;     // the first block's in a row's visited words
    bool run_words_fill_row;  // the end blocks are the row's first and last
    bool whole_rows;          // the end blocks are the clip box's first and last, and all of them
    int start_y;
    int dy;
};

// The state a wide streak carries from row to row: the run of the row before in the end blocks
// (the next row's segment there), and what is not open there in that row once it is painted.
struct WideEnds {
    uint64_t segment_first;
    uint64_t segment_last;
    uint64_t behind_first;  // walls of the row behind, or pixels painted there
    uint64_t behind_last;
};

// The pixels after the last wall of a block with walls `stops`: all for none. A last pixel that
// is a wall gives all too; callers tell that case apart.
inline uint64_t after_last_wall(uint64_t stops) {
    const int walls_before = stops == 0 ? 64 : __builtin_clzll(stops);
    return ~uint64_t{0} << ((64 - walls_before) & 63);
}
// The pixels before the first wall: all for none.
inline uint64_t before_first_wall(uint64_t stops) {
    return (stops - 1) & ~stops;
}

// Where a wide streak has come to: the row's first block, that block's visited word and the
// row's stamp, and how many rows it may still go.
struct WideCursor {
    uint8_t* block;
    uint64_t* word;
    uint32_t* stamp;
    int left;

    // On to the next row, `dy` rows on: `row_step` bytes and `visited_step` words.
    void next(ptrdiff_t row_step, ptrdiff_t visited_step, int dy) {
        block += row_step;
        word += visited_step;
        stamp += dy;
        --left;
    }
};

// Paints the rows of a wide streak from `at` on while this fill has come to none of them before
// (kFresh) or to every one of them; returns true when it stops at a row of the other kind, which
// is left unpainted, and false at a row that ends the streak or at the last row it may go. Rows
// of one kind follow each other, so each kind has a loop of its own with nothing to tell apart.
template <class Lanes, bool kMark, int kBlocks, bool kFresh>
[[gnu::always_inline]] inline bool paint_rows_of_kind(const WideRows& wide, WideCursor& at,
                                                      WideEnds& ends, SegmentStack& stack,
                                                      int count) {
    // Everything the rows share is taken into locals: the stores to the page and the visited
    // words could otherwise be stores to `wide` for all the compiler knows.
    const auto colours = Lanes::colours(wide.rows.border, wide.rows.fill);
    const int blocks = kBlocks > 0 ? kBlocks : wide.blocks;
    const ptrdiff_t row_step = wide.row_step;
    const ptrdiff_t visited_step = wide.visited_step;
    const int stamp_step = wide.dy;
    const uint32_t this_fill = wide.rows.stamp;
    const uint64_t first_clip = wide.first_clip;
    const uint64_t last_clip = wide.last_clip;
    WideCursor row = at;
    uint64_t segment_first = ends.segment_first;
    uint64_t segment_last = ends.segment_last;
    uint64_t behind_first = ends.behind_first;
    uint64_t behind_last = ends.behind_last;
    bool other_kind = false;
    for (; row.left != 0; row.next(row_step, visited_step, stamp_step)) {
        uint8_t* const block = row.block;
        uint64_t* const word = row.word;
        uint32_t* const stamp = row.stamp;
        // A row this fill has not come to yet has no visited pixels; its words are left from an
        // earlier fill, and are neither read nor kept.
        if (kMark && (*stamp != this_fill) != kFresh) {
            other_kind = true;
            break;
        }
        uint64_t first_stops = Lanes::border_bits(block, colours) | first_clip;
        uint64_t last_stops = Lanes::border_bits(block + blocks * 64, colours) | last_clip;
        if (kMark && !kFresh) {
            first_stops |= word[0];
            last_stops |= word[blocks];
        }
        // The run: after the first block's last wall, before the last block's first. It is the
        // row's one run over the segment when the first block's last pixel and the last block's
        // first are open and no open pixel of the segment lies outside it.
        const uint64_t first_paint = after_last_wall(first_stops);
        const uint64_t last_paint = before_first_wall(last_stops);
        const uint64_t first_walls = first_stops | first_paint;
        const uint64_t last_walls = last_stops | last_paint;
        if (((segment_first & ~first_walls) | (segment_last & ~last_walls) | (first_stops >> 63) |
             (last_stops & 1)) != 0) {
            break;
        }
        // With no border pixel between the ends, the first block's last pixel (open) says that
        // none of the blocks between is painted: their visited words need no look.
        if (blocks > 1 && Lanes::any_border(block + 64, blocks - 1, colours)) break;
        if (((first_stops | wide.before_first) == 0 || (last_stops | wide.after_last) == 0) &&
            goes_on_past_ends<Lanes, kMark>(wide.rows, block - wide.first, word - wide.first_word,
                                            stamp, wide.first, wide.last, first_stops, last_stops))
            [[unlikely]] {
            break;
        }

        Lanes::fill_lanes(block, first_paint, colours);
        Lanes::fill_lanes(block + blocks * 64, last_paint, colours);
        if (kMark && kFresh && !wide.run_words_fill_row) {
            Lanes::clear_words(word - wide.first_word, wide.rows.visited_words);
        }
        if (blocks > 1) {
            Lanes::fill_blocks(block + 64, blocks - 1, colours);
            if (kMark) Lanes::set_words(word + 1, blocks - 1, ~uint64_t{0});
        }
        if (kMark && kFresh) {
            word[0] = first_paint;
            word[blocks] = last_paint;
            *stamp = this_fill;
        } else if (kMark) {
            word[0] |= first_paint;
            word[blocks] |= last_paint;
        }

        const uint64_t back_first = first_paint & ~behind_first;
        const uint64_t back_last = last_paint & ~behind_last;
        if ((back_first | back_last) != 0) [[unlikely]] {
            const int behind = wide.start_y + (count - row.left - 1) * wide.dy;
            push_back_lanes(stack, behind, wide.first, back_first, -wide.dy);
            push_back_lanes(stack, behind, wide.last, back_last, -wide.dy);
        }
        segment_first = first_paint;
        segment_last = last_paint;
        behind_first = first_walls;
        behind_last = last_walls;
    }
    at = row;
    ends = WideEnds{segment_first, segment_last, behind_first, behind_last};
    return other_kind;
}

// Paints the rows of a wide streak from `at` on while each is open all through: no border pixel
// in any of its blocks, which are the clip box's whole width (`wide.whole_rows`), and not come to
// by this fill before. With the row behind walled or painted in the end blocks, such a row is
// one run that meets the segment and reaches past nothing, so it is painted and marked with no
// look at its ends. Stops at the first row of any other kind, leaving it unpainted.
template <class Lanes, bool kMark, int kBlocks>
[[gnu::always_inline]] inline void paint_open_rows(const WideRows& wide, WideCursor& at,
                                                   WideEnds& ends) {
    const auto colours = Lanes::colours(wide.rows.border, wide.rows.fill);
    const int blocks = (kBlocks > 0 ? kBlocks : wide.blocks) + 1;
    const ptrdiff_t row_step = wide.row_step;
    const ptrdiff_t visited_step = wide.visited_step;
    const int stamp_step = wide.dy;
    const uint32_t this_fill = wide.rows.stamp;
    const bool clear_row = kMark && !wide.run_words_fill_row;
    WideCursor row = at;
    for (; row.left != 0; row.next(row_step, visited_step, stamp_step)) {
        if (kMark && *row.stamp == this_fill) break;
        if (Lanes::any_border(row.block, blocks, colours)) break;
        Lanes::fill_blocks(row.block, blocks, colours);
        if (kMark) {
            if (clear_row) Lanes::clear_words(row.word - wide.first_word, wide.rows.visited_words);
            Lanes::set_words(row.word, blocks, ~uint64_t{0});
            *row.stamp = this_fill;
        }
    }
    if (row.left != at.left) ends = WideEnds{~uint64_t{0}, ~uint64_t{0}, ~uint64_t{0}, ~uint64_t{0}};
    at = row;
}

// Paints up to `count` rows of a wide streak from the one at `block` (its first block), `word`
// (that block's visited word) and `stamp` (the row's stamp); returns how many it painted. Built
// for each number of blocks from the first to the last that a screen page's rows hold
// (kBlocks), every row is straight-line code; kBlocks 0 takes the number from `wide`, for wider
// pages.
template <class Lanes, bool kMark, int kBlocks>
[[gnu::noinline]] int paint_wide_rows(const WideRows& wide, uint8_t* block, uint64_t* word,
                                      uint32_t* stamp, int count, WideEnds& ends,
                                      SegmentStack& stack) {
    WideCursor at{block, word, stamp, count};
    if (wide.whole_rows && (ends.behind_first & ends.behind_last) == ~uint64_t{0}) {
        paint_open_rows<Lanes, kMark, kBlocks>(wide, at, ends);
        if (at.left == 0) return count;
    }
    if (!kMark) {
        paint_rows_of_kind<Lanes, kMark, kBlocks, false>(wide, at, ends, stack, count);
        return count - at.left;
    }
    bool fresh = *at.stamp != wide.rows.stamp;
    while (fresh ? paint_rows_of_kind<Lanes, kMark, kBlocks, true>(wide, at, ends, stack, count)
                 : paint_rows_of_kind<Lanes, kMark, kBlocks, false>(wide, at, ends, stack, count)) {
        fresh = !fresh;
    }
    return count - at.left;
}

using PaintWideRows = int (*)(const WideRows&, uint8_t*, uint64_t*, uint32_t*, int, WideEnds&,
                              SegmentStack&);

// The paint_wide_rows built for a streak's number of blocks.
template <class Lanes, bool kMark>
PaintWideRows paint_wide_rows_of(const WideRows& wide) {
    switch (wide.blocks) {
        case 1: return paint_wide_rows<Lanes, kMark, 1>;
        case 2: return paint_wide_rows<Lanes, kMark, 2>;
        case 3: return paint_wide_rows<Lanes, kMark, 3>;
        case 4: return paint_wide_rows<Lanes, kMark, 4>;
        case 5: return paint_wide_rows<Lanes, kMark, 5>;
        case 6: return paint_wide_rows<Lanes, kMark, 6>;
        case 7: return paint_wide_rows<Lanes, kMark, 7>;
        case 8: return paint_wide_rows<Lanes, kMark, 8>;
        case 9: return paint_wide_rows<Lanes, kMark, 9>;
        default: return paint_wide_rows<Lanes, kMark, 0>;
    }
}

// Follows a segment whose ends lie in different blocks down the rows where its open pixels make
// one run from within its first block to within its last, as down the sides of a wide shape.
// Such a run holds the first block's last pixel, the last block's first and every pixel between,
// so it meets the segment whatever the row before held: each row's run ends are found from its
// own end blocks alone. No row's work waits for the row before, and a wall that slants costs no
// mispredicted branch. Any other row is left, unchanged, to scan_row.
template <class Lanes, bool kMark>
Streak follow_wide_runs(Rows rows, Segment from, SegmentStack stack) {
    const int first = from.left & ~63;
    const int last = from.right & ~63;
    const WideRows wide{rows,
                        first,
                        last,
                        (last - first) >> 6,
                        outside_clip(rows, first),
                        outside_clip(rows, last),
                        first > rows.clip.left ? 0 : ~uint64_t{0},
                        last + 63 < rows.clip.right ? 0 : ~uint64_t{0},
                        from.dy * static_cast<ptrdiff_t>(rows.width),
                        from.dy * static_cast<ptrdiff_t>(rows.visited_words),
                        first >> 6,
                        first == 0 && (last >> 6) + 1 == rows.visited_words,
                        first == rows.clip.left && last + 63 == rows.clip.right,
                        from.y,
                        from.dy};
    const int rows_to_edge = rows_to_clip_edge(rows.clip, from);

    // The row behind is painted over the segment, so its blocks between are; where a run
    // reaches over its open pixels in the end blocks, they are pushed for it.
    WideEnds ends{lanes_from(from.left - first), lanes_through(from.right - last), ~uint64_t{0},
                  ~uint64_t{0}};
    const int behind_y = from.y - from.dy;
    if (behind_y >= rows.clip.top && behind_y <= rows.clip.bottom) {
        const uint8_t* behind = pixel_row(rows, behind_y);
        const uint64_t* behind_visited = claimed_visited_row<Lanes, kMark>(rows, behind_y);
        ends.behind_first = walls<Lanes, kMark>(rows, behind, behind_visited, first) | wide.first_clip;
        ends.behind_last = walls<Lanes, kMark>(rows, behind, behind_visited, last) | wide.last_clip;
    }
    const int done = paint_wide_rows_of<Lanes, kMark>(wide)(
        wide, pixel_row(rows, from.y) + first, visited_row(rows, from.y) + (first >> 6),
        rows.stamps + from.y, rows_to_edge, ends, stack);
    const Segment reached{from.y + done * from.dy, first + __builtin_ctzll(ends.segment_first),
                          last + 63 - __builtin_clzll(ends.segment_last), from.dy};
    return Streak{reached, stack.pending, done < rows_to_edge};
}

}  // namespace
}  // namespace zl::drawing
