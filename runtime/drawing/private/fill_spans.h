// The span traversal of the bordered fill over vectors of `Lanes::kWidth` pixels. Each scan
// variant's file includes it after choosing the instructions its functions are compiled for (and
// after the standard headers, so that none of theirs is compiled for them), and instantiates
// fill_spans with its lanes. Everything here is local to that file.
#pragma once

#include <algorithm>
#include <cassert>
#include <cstdint>
#include <cstring>

#include "runtime/drawing/private/fill_region.h"

namespace zl::drawing {
namespace {

// Bits [0, count) of a lane mask, count 0 to 64.
inline uint64_t lanes_below(int count) { return count >= 64 ? ~uint64_t{0} : (uint64_t{1} << count) - 1; }

// Scans of one row that paint as they go: every pixel is compared and stored once, in blocks
// of 64 pixels at multiples of 64 in the row (rows of the screen's pages start on cache lines),
// so that a block's visited bits are one word. At the ends of a range the pixels outside it are
// left out.
template <class Lanes, bool kMark>
class SpanPainter {
public:
    explicit SpanPainter(const FillRegion& region)
        : border_byte_(region.border), fill_byte_(region.fill), width_(region.width) {}

    bool open(const uint8_t* row, const uint64_t* visited, int x) const {
        const uint8_t v = row[x];
        return v != border_byte_ && !(v == fill_byte_ && ((visited[x >> 6] >> (x & 63)) & 1));
    }

    // Paints from x, which is open, up to the first wall before `end`; returns where it stopped.
    [[gnu::always_inline]] int paint_right(uint8_t* row, uint64_t* visited, int x, int end) const {
        const Colours colours = make_colours();
        int base = x & ~63;
        const int stop = paint_block_right(row, visited, colours, base, x - base, std::min(end - base, 64));
        if (stop < 64) return base + stop;
        // Whole blocks, counted, with pointers moving along: each is marked visited with one
        // store as it is painted.
        const int whole = base + 64;
        const int blocks = std::max((end - whole) >> 6, 0);
        uint8_t* at = row + whole;
        uint64_t* word = visited + (whole >> 6);
        for (int i = 0; i < blocks; ++i, at += 64, ++word) {
            const Block block = load(at);
            const uint64_t hits = block_walls(block, colours, *word);
            if (hits != 0) {
                base = whole + i * 64;
                const int wall = __builtin_ctzll(hits);
                paint(row, visited, colours, base, block, 0, wall);
                return base + wall;
            }
            fill_block(at, colours);
            if (kMark) *word = ~uint64_t{0};
        }
        base = whole + blocks * 64;
        if (base >= end) return end;
        return base + paint_block_right(row, visited, colours, base, 0, end - base);
    }

    // Paints leftwards from x - 1 down to the first wall at or after `begin`; returns the
    // leftmost pixel painted (x when none is).
    [[gnu::always_inline]] int paint_left(uint8_t* row, uint64_t* visited, int x, int begin) const {
        // Runs mostly end where the row they were reached from ends: one pixel tells.
        if (x == begin || !open(row, visited, x - 1)) return x;
        const Colours colours = make_colours();
        int base = (x - 1) & ~63;
        const int after = paint_block_left(row, visited, colours, base, std::max(begin - base, 0), x - base);
        if (after > 0) return base + after;
        const int whole_end = base;
        const int blocks = (whole_end - begin) >> 6;
        uint8_t* at = row + whole_end;
        uint64_t* word = visited + (whole_end >> 6);
        for (int i = 0; i < blocks; ++i) {
            at -= 64;
            --word;
            const Block block = load(at);
            const uint64_t hits = block_walls(block, colours, *word);
            if (hits != 0) {
                base = whole_end - (i + 1) * 64;
                const int next = 64 - __builtin_clzll(hits);
                paint(row, visited, colours, base, block, next, 64);
                return base + next;
            }
            fill_block(at, colours);
            if (kMark) *word = ~uint64_t{0};
        }
        base = whole_end - (blocks + 1) * 64;
        if (base + 64 <= begin) return begin;
        return base + paint_block_left(row, visited, colours, base, begin - base, 64);
    }

    // First open x in [x, end); end when none is.
    [[gnu::noinline]] int find_open(const uint8_t* row, const uint64_t* visited, int x, int end) const {
        const Colours colours = make_colours();
        for (int base = x & ~63; base < end; base += 64) {
            if (base + 64 > width_) {
                for (x = std::max(x, base); x < end && !open(row, visited, x); ++x) {}
                return x;
            }
            const uint64_t opening = ~walls(load(row + base), colours, visited, base) & lanes_below(end - base) &
                                     ~lanes_below(std::max(x - base, 0));
            if (opening != 0) return base + __builtin_ctzll(opening);
        }
        return end;
    }

private:
    using Vector = typename Lanes::Vector;
    static constexpr int kLanes = Lanes::kWidth;
    static constexpr int kParts = 64 / kLanes;

    struct Block {
        Vector part[kParts];
    };
    struct Colours {
        Vector border;
        Vector fill;
    };

    // Made at the start of each scan: kept in the painter, they would be read again after every
    // store, which may alias them as far as the compiler knows.
    Colours make_colours() const { return Colours{Lanes::broadcast(border_byte_), Lanes::broadcast(fill_byte_)}; }

    static Block load(const uint8_t* at) {
        Block block;
        for (int i = 0; i < kParts; ++i) block.part[i] = Lanes::load(at + i * kLanes);
        return block;
    }

    static uint64_t equal(const Block& block, Vector colour) {
        uint64_t bits = 0;
        for (int i = 0; i < kParts; ++i) bits |= Lanes::equal(block.part[i], colour) << (i * kLanes);
        return bits;
    }

    // A bit for each pixel of the block that stops the spread. The visited bits matter only for
    // pixels of the fill colour; they are read for every block all the same, as a branch on
    // whether the block holds the fill colour goes wrong too often on pictures of many fills.
    static uint64_t walls(const Block& block, const Colours& colours, const uint64_t* visited, int base) {
        return block_walls(block, colours, visited[base >> 6]);
    }
    static uint64_t block_walls(const Block& block, const Colours& colours, uint64_t visited_word) {
        return equal(block, colours.border) | (equal(block, colours.fill) & visited_word);
    }

    static void fill_block(uint8_t* at, const Colours& colours) {
        for (int i = 0; i < kParts; ++i) Lanes::store(at + i * kLanes, colours.fill);
    }

    // Pixels [lo, hi) of the block at `base` painted and marked visited.
    static void paint(uint8_t* row, uint64_t* visited, const Colours& colours, int base, const Block& block, int lo,
                      int hi) {
        if (lo >= hi) return;
        for (int i = 0; i < kParts; ++i) {
            const int from = std::max(lo - i * kLanes, 0);
            const int to = std::min(hi - i * kLanes, kLanes);
            if (from < to) Lanes::store_lanes(row + base + i * kLanes, block.part[i], colours.fill, from, to);
        }
        if (kMark) visited[base >> 6] |= lanes_below(hi) & ~lanes_below(lo);
    }
    void paint_pixel(uint8_t* row, uint64_t* visited, int x) const {
        row[x] = fill_byte_;
        if (kMark) visited[x >> 6] |= uint64_t{1} << (x & 63);
    }

    // Paints the open pixels [lo, stop) of the block at `base`, stop being the first wall in
    // [lo, hi) or hi; returns stop.
    [[gnu::always_inline]] int paint_block_right(uint8_t* row, uint64_t* visited, const Colours& colours, int base, int lo, int hi) const {
        if (base + 64 > width_) {   // the row ends inside this block
            int x = base + lo;
            for (; x < base + hi && open(row, visited, x); ++x) paint_pixel(row, visited, x);
            return x - base;
        }
        const Block block = load(row + base);
        const uint64_t hits = (walls(block, colours, visited, base) | ~lanes_below(hi)) & ~lanes_below(lo);
        const int stop = hits != 0 ? __builtin_ctzll(hits) : 64;
        paint(row, visited, colours, base, block, lo, stop);
        return stop;
    }

    // Paints the open pixels [after, hi) of the block at `base`, after being one past the last
    // wall in [lo, hi), or lo; returns after.
    [[gnu::always_inline]] int paint_block_left(uint8_t* row, uint64_t* visited, const Colours& colours, int base, int lo, int hi) const {
        if (base + 64 > width_) {
            int x = base + hi;
            for (; x > base + lo && open(row, visited, x - 1); --x) paint_pixel(row, visited, x - 1);
            return x - base;
        }
        const Block block = load(row + base);
        const uint64_t hits = (walls(block, colours, visited, base) | lanes_below(lo)) & lanes_below(hi);
        const int after = hits != 0 ? 64 - __builtin_clzll(hits) : 0;
        paint(row, visited, colours, base, block, after, hi);
        return after;
    }

    uint8_t border_byte_;
    uint8_t fill_byte_;
    int width_;
};

template <class Lanes, bool kMark>
void trace_region(FillRegion& region) {
    const SpanPainter<Lanes, kMark> painter(region);
    const ClipBox clip = region.clip;
    uint8_t* const pixels = region.pixels;
    const size_t width = static_cast<size_t>(region.width);
    uint64_t* const visited_bits = region.visited;
    const size_t visited_words = region.visited_words;
    FillSegment* const stack = region.stack;
    size_t pending = 0;
    int top = region.start_y;
    int bottom = region.start_y;
    // Each segment is stored with one write: read back soon after, a segment written field by
    // field would wait for all its writes.
    auto push = [&](int y, int left, int right, int dy) {
        if (y < clip.top || y > clip.bottom) return;
        assert(pending < region.stack_size);
        const uint64_t packed = static_cast<uint64_t>(y) | static_cast<uint64_t>(left) << 16 |
                                static_cast<uint64_t>(right) << 32 |
                                static_cast<uint64_t>(static_cast<uint16_t>(dy)) << 48;
        std::memcpy(static_cast<void*>(&stack[pending++]), &packed, sizeof packed);
    };
    // The segment onward from the run painted last is taken next without going through the
    // stack, and most rows are reached that way.
    struct Onward {
        int y = 0;
        int left = 0;
        int right = 0;
        int dy = 0;
        bool held = false;
    } onward;
    auto push_onward = [&](int y, int left, int right, int dy) {
        if (y < clip.top || y > clip.bottom) return;
        if (onward.held) push(onward.y, onward.left, onward.right, onward.dy);
        onward = Onward{y, left, right, dy, true};
    };
    {
        const int y = region.start_y;
        uint8_t* row = pixels + y * width;
        uint64_t* visited = visited_bits + y * visited_words;
        const int left = painter.paint_left(row, visited, region.start_x, clip.left);
        const int right = painter.paint_right(row, visited, region.start_x, clip.right + 1) - 1;
        push(y - 1, left, right, -1);
        push_onward(y + 1, left, right, 1);
    }
    while (onward.held || pending != 0) {
        int y = onward.y;
        int from_left = onward.left;
        int from_right = onward.right;
        int dy = onward.dy;
        if (!onward.held) {
            const FillSegment& from = stack[--pending];
            y = from.y;
            from_left = from.left;
            from_right = from.right;
            dy = from.dy;
        }
        onward.held = false;
        top = std::min(top, y);
        bottom = std::max(bottom, y);
        uint8_t* row = pixels + y * width;
        uint64_t* visited = visited_bits + y * visited_words;
        int x = from_left;
        int left = 0;
        if (painter.open(row, visited, x)) {
            left = painter.paint_left(row, visited, x, clip.left);   // may run on leftwards
        } else {
            x = painter.find_open(row, visited, x + 1, from_right + 1);
            if (x > from_right) continue;
            left = x;
        }
        while (true) {
            const int right = painter.paint_right(row, visited, x, clip.right + 1) - 1;
            // Parts of the run beyond the row it was reached from have unexplored rows behind.
            if (left < from_left) push(y - dy, left, from_left - 1, -dy);
            if (right > from_right) push(y - dy, from_right + 1, right, -dy);
            push_onward(y + dy, left, right, dy);
            if (right + 2 > from_right) break;
            x = painter.find_open(row, visited, right + 2, from_right + 1);
            if (x > from_right) break;
            left = x;
        }
    }
    if (kMark) std::memset(visited_bits + top * visited_words, 0, (bottom - top + 1) * visited_words * 8);
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
