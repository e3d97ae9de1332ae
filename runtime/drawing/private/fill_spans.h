// The span traversal of the bordered fill over vectors of `Lanes::kWidth` pixels. Each scan
// variant's file includes it after choosing the instructions its functions are compiled for (and
// after the standard headers, so that none of theirs is compiled for them), and instantiates
// fill_spans with its lanes. Everything here is local to that file.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "runtime/drawing/private/fill_region.h"

namespace zl::drawing {
namespace {

// Bits [x, x + 64) of a visited row.
inline uint64_t visited_bits(const uint64_t* row, int x) {
    unsigned __int128 pair;
    std::memcpy(&pair, reinterpret_cast<const uint8_t*>(row) + (x >> 3), sizeof pair);
    return static_cast<uint64_t>(pair >> (x & 7));
}

inline void mark_visited(uint64_t* row, int left, int right) {
    const int first = left >> 6;
    const int last = right >> 6;
    const uint64_t from_left = ~uint64_t{0} << (left & 63);
    const uint64_t to_right = ~uint64_t{0} >> (63 - (right & 63));
    if (first == last) {
        row[first] |= from_left & to_right;
        return;
    }
    row[first] |= from_left;
    for (int word = first + 1; word < last; ++word) row[word] = ~uint64_t{0};
    row[last] |= to_right;
}

// Scans of one row that paint as they go: every pixel is compared and stored once, a vector at
// a time, and where fewer pixels than a vector remain the last vector of the range is taken
// again with the pixels already dealt with left out.
template <class Lanes>
class SpanPainter {
public:
    using Vector = typename Lanes::Vector;
    static constexpr int kWidth = Lanes::kWidth;
    static constexpr uint64_t kAllLanes = kWidth == 64 ? ~uint64_t{0} : (uint64_t{1} << kWidth) - 1;

    explicit SpanPainter(const FillRegion& region)
        : border_(Lanes::broadcast(region.border)), fill_(Lanes::broadcast(region.fill)),
          border_byte_(region.border), fill_byte_(region.fill), width_(region.width) {}

    bool open(const uint8_t* row, const uint64_t* visited, int x) const {
        const uint8_t v = row[x];
        return v != border_byte_ && !(v == fill_byte_ && ((visited[x >> 6] >> (x & 63)) & 1));
    }

    // Paints from x, which is open, up to the first wall before `end`; returns where it stopped.
    [[gnu::always_inline]] int paint_right(uint8_t* row, const uint64_t* visited, int x, int end) const {
        // The last vector is read before any store: read after the stores it overlaps, it
        // would wait for them to reach the cache.
        const int last = end - kWidth;
        const Vector last_bytes = last >= 0 ? Lanes::load(row + last) : fill_;
        const int first = x;
        for (; x + kWidth <= end; x += kWidth) {
            const Vector bytes = Lanes::load(row + x);
            if (Lanes::holds_either(bytes, border_, fill_)) {
                const uint64_t hits = walls(bytes, visited, x);
                if (hits != 0) {
                    const int stop = __builtin_ctzll(hits);
                    Lanes::store_lanes(row + x, bytes, fill_, 0, stop);
                    return x + stop;
                }
            }
            Lanes::store(row + x, fill_);
        }
        if (x == end) return end;
        if (last >= 0) {
            // Its lanes before x are painted now; those from x on are as they were read.
            const uint64_t hits = walls(last_bytes, visited, last) & (~uint64_t{0} << (x - last));
            const int stop = hits != 0 ? __builtin_ctzll(hits) : kWidth;
            Lanes::store_lanes(row + last, last_bytes, fill_, std::max(first - last, 0), stop);
            return last + stop;
        }
        for (; x < end && open(row, visited, x); ++x) row[x] = fill_byte_;
        return x;
    }

    // Paints leftwards from x - 1 down to the first wall at or after `begin`; returns the
    // leftmost pixel painted (x when none is).
    [[gnu::always_inline]] int paint_left(uint8_t* row, const uint64_t* visited, int x, int begin) const {
        const bool whole_first = begin + kWidth <= width_;
        const Vector first_bytes = whole_first ? Lanes::load(row + begin) : fill_;
        const int start = x;
        for (; x - kWidth >= begin; x -= kWidth) {
            const int base = x - kWidth;
            const Vector bytes = Lanes::load(row + base);
            if (Lanes::holds_either(bytes, border_, fill_)) {
                const uint64_t hits = walls(bytes, visited, base);
                if (hits != 0) {
                    const int after = 64 - __builtin_clzll(hits);
                    Lanes::store_lanes(row + base, bytes, fill_, after, kWidth);
                    return base + after;
                }
            }
            Lanes::store(row + base, fill_);
        }
        if (x == begin) return begin;
        if (whole_first) {
            const uint64_t hits = walls(first_bytes, visited, begin) & ((uint64_t{1} << (x - begin)) - 1);
            const int after = hits != 0 ? 64 - __builtin_clzll(hits) : 0;
            Lanes::store_lanes(row + begin, first_bytes, fill_, after, std::min(start - begin, kWidth));
            return begin + after;
        }
        for (; x > begin && open(row, visited, x - 1); --x) row[x - 1] = fill_byte_;
        return x;
    }

    // First open x in [x, end); end when none is.
    int find_open(const uint8_t* row, const uint64_t* visited, int x, int end) const {
        for (; x + kWidth <= end; x += kWidth) {
            const uint64_t opening = ~walls(Lanes::load(row + x), visited, x) & kAllLanes;
            if (opening != 0) return x + __builtin_ctzll(opening);
        }
        if (x == end) return end;
        if (end >= kWidth) {
            const int base = end - kWidth;
            const uint64_t opening =
                ~walls(Lanes::load(row + base), visited, base) & kAllLanes & (~uint64_t{0} << (x - base));
            return opening != 0 ? base + __builtin_ctzll(opening) : end;
        }
        while (x < end && !open(row, visited, x)) ++x;
        return x;
    }

private:
    // A bit for each lane that stops the spread. The visited bits matter only for pixels of the
    // fill colour, so most vectors never read them.
    uint64_t walls(Vector bytes, const uint64_t* visited, int x) const {
        const uint64_t border = Lanes::equal(bytes, border_);
        const uint64_t fill = Lanes::equal(bytes, fill_) & ~border;
        return fill == 0 ? border : border | (fill & visited_bits(visited, x));
    }

    Vector border_;
    Vector fill_;
    uint8_t border_byte_;
    uint8_t fill_byte_;
    int width_;
};

template <class Lanes>
void fill_spans(FillRegion& region) {
    const SpanPainter<Lanes> painter(region);
    const ClipBox clip = region.clip;
    uint8_t* const pixels = region.pixels;
    const size_t width = static_cast<size_t>(region.width);
    uint64_t* const visited_bits = region.visited;
    const size_t visited_words = region.visited_words;
    // With the fill colour as the border, painted pixels stop the spread by themselves.
    const bool mark = region.fill != region.border;
    std::vector<FillSegment>& stack = *region.stack;
    stack.clear();
    int top = region.start_y;
    int bottom = region.start_y;
    // The segment onward from the run painted last is taken next without going through the
    // stack, and most rows are reached that way.
    FillSegment onward;
    bool have_onward = false;
    auto push = [&](int y, int left, int right, int dy) {
        if (y < clip.top || y > clip.bottom) return;
        stack.push_back(FillSegment{static_cast<uint16_t>(y), static_cast<uint16_t>(left),
                                    static_cast<uint16_t>(right), static_cast<int16_t>(dy)});
    };
    auto push_onward = [&](int y, int left, int right, int dy) {
        if (y < clip.top || y > clip.bottom) return;
        if (have_onward) stack.push_back(onward);
        onward = FillSegment{static_cast<uint16_t>(y), static_cast<uint16_t>(left), static_cast<uint16_t>(right),
                             static_cast<int16_t>(dy)};
        have_onward = true;
    };
    auto painted = [&](uint64_t* visited, int y, int left, int right) {
        if (!mark) return;
        mark_visited(visited, left, right);
        top = std::min(top, y);
        bottom = std::max(bottom, y);
    };
    {
        const int y = region.start_y;
        uint8_t* row = pixels + y * width;
        uint64_t* visited = visited_bits + y * visited_words;
        const int left = painter.paint_left(row, visited, region.start_x, clip.left);
        const int right = painter.paint_right(row, visited, region.start_x, clip.right + 1) - 1;
        painted(visited, y, left, right);
        push(y - 1, left, right, -1);
        push_onward(y + 1, left, right, 1);
    }
    while (have_onward || !stack.empty()) {
        FillSegment segment;
        if (have_onward) {
            segment = onward;
            have_onward = false;
        } else {
            segment = stack.back();
            stack.pop_back();
        }
        const int y = segment.y;
        uint8_t* row = pixels + y * width;
        uint64_t* visited = visited_bits + y * visited_words;
        int x = segment.left;
        int left = 0;
        if (painter.open(row, visited, x)) {
            left = painter.paint_left(row, visited, x, clip.left);   // may run on leftwards
        } else {
            x = painter.find_open(row, visited, x + 1, segment.right + 1);
            if (x > segment.right) continue;
            left = x;
        }
        while (true) {
            const int right = painter.paint_right(row, visited, x, clip.right + 1) - 1;
            painted(visited, y, left, right);
            // Parts of the run beyond the row it was reached from have unexplored rows behind.
            if (left < segment.left) push(y - segment.dy, left, segment.left - 1, -segment.dy);
            if (right > segment.right) push(y - segment.dy, segment.right + 1, right, -segment.dy);
            push_onward(y + segment.dy, left, right, segment.dy);
            if (right + 2 > segment.right) break;
            x = painter.find_open(row, visited, right + 2, segment.right + 1);
            if (x > segment.right) break;
            left = x;
        }
    }
    if (mark) std::memset(visited_bits + top * visited_words, 0, (bottom - top + 1) * visited_words * 8);
}

}  // namespace
}  // namespace zl::drawing
