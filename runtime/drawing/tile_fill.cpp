// Fill with a tile pattern (flood_fill_tiled). The spread is breadth first, one generation at a
// time, in the order pixels were queued: whether a pixel above or below "already has its
// pattern colour" depends on that order, so the order is part of the result.
#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

#include "runtime/core/error_state.h"
#include "runtime/drawing/drawing.h"
#include "runtime/drawing/private/page_access.h"
#include "runtime/screen/display_link.h"

namespace zl {

namespace {

using drawing::ClipBox;
using drawing::PixelPoint;

constexpr int32_t kPresenceRelative = 1;
constexpr int32_t kPresenceTile = 2;
constexpr int32_t kPresenceBorder = 4;
constexpr int32_t kPresenceBackground = 8;

constexpr int32_t kLongestTileFourBit = 256;
constexpr int32_t kLongestTileOther = 64;
constexpr int32_t kLongestBackground = 255;
constexpr int kPlanes = 4;
constexpr uint8_t kAllSet = 0xFF;

// The background value when the background text matches no colour.
constexpr int32_t kNoBackground = -1;

constexpr int kLongestPatternRows = 64;
constexpr int kWidestPattern = 8;

// The pattern as colours: width 1, 4 or 8 pixels, up to 64 rows, anchored at the page origin.
struct TilePattern {
    int width = 1;
    int height = 1;
    std::array<uint8_t, kLongestPatternRows * kWidestPattern> colours{};

    uint8_t& at(int column, int row) { return colours[static_cast<size_t>(row * width + column)]; }
};

uint8_t byte_at(const string_descriptor& text, int index) {
    return index < text.length ? text.bytes[index] : 0;
}

bool bit_set(uint8_t byte, int column) { return ((byte >> (7 - column)) & 1) != 0; }

TilePattern pattern_from(const string_descriptor& tile, uint8_t colour_bits, uint32_t mask) {
    TilePattern pattern;
    const int length = tile.length;
    switch (colour_bits) {
    case 1:
        pattern.width = 8;
        pattern.height = length;
        for (int row = 0; row < pattern.height; ++row) {
            for (int column = 0; column < 8; ++column) pattern.at(column, row) = bit_set(tile.bytes[row], column);
        }
        break;
    case 2:
        pattern.width = 4;
        pattern.height = length;
        for (int row = 0; row < pattern.height; ++row) {
            for (int column = 0; column < 4; ++column) {
                pattern.at(column, row) = static_cast<uint8_t>((tile.bytes[row] >> (6 - 2 * column)) & 3);
            }
        }
        break;
    case 4:
        pattern.width = 8;
        pattern.height = (length + kPlanes - 1) / kPlanes;
        for (int row = 0; row < pattern.height; ++row) {
            for (int column = 0; column < 8; ++column) {
                uint8_t colour = 0;
                for (int plane = 0; plane < kPlanes; ++plane) {
                    if (bit_set(byte_at(tile, row * kPlanes + plane), column)) colour |= 1 << plane;
                }
                pattern.at(column, row) = colour;
            }
        }
        break;
    default:
        pattern.width = 1;
        pattern.height = length;
        for (int row = 0; row < pattern.height; ++row) pattern.at(0, row) = tile.bytes[row];
        break;
    }
    for (uint8_t& colour : pattern.colours) colour = static_cast<uint8_t>(colour & mask);
    return pattern;
}

int32_t background_from(const string_descriptor& text, uint8_t colour_bits) {
    const uint8_t first = text.bytes[0];
    switch (colour_bits) {
    case 1:
        return first == 0 ? 0 : first == kAllSet ? 1 : kNoBackground;
    case 2: {
        const int group = first & 3;
        const bool uniform = ((first >> 2) & 3) == group && ((first >> 4) & 3) == group &&
                             ((first >> 6) & 3) == group;
        return uniform ? group : kNoBackground;
    }
    case 4: {
        int32_t colour = 0;
        for (int plane = 0; plane < kPlanes && plane < text.length; ++plane) {
            const uint8_t byte = text.bytes[plane];
            if (byte != 0 && byte != kAllSet) return kNoBackground;
            if (byte == kAllSet) colour |= 1 << plane;
        }
        return colour;
    }
    default:
        return first;
    }
}

bool tile_acceptable(const string_descriptor* tile, uint8_t colour_bits) {
    if (tile == nullptr || tile->length <= 0 || tile->bytes == nullptr) return false;
    return tile->length <= (colour_bits == 4 ? kLongestTileFourBit : kLongestTileOther);
}

bool background_acceptable(const string_descriptor* text) {
    return text != nullptr && text->length > 0 && text->bytes != nullptr &&
           text->length <= kLongestBackground;
}

struct TilePoint {
    uint16_t x = 0;
    uint16_t y = 0;
};

// Work storage, made on first use and kept: two generation queues and the looked-at marks, all
// the size of the page (a generation can never hold more pixels than the page has).
struct TileWork {
    std::vector<TilePoint> current;
    std::vector<TilePoint> next;
    std::vector<uint8_t> marks;
    std::vector<const uint8_t*> pattern_rows;   // pattern row of each page row

    void fit(const screen_page& page) {
        const size_t pixels = static_cast<size_t>(page.width) * page.height;
        if (marks.size() < pixels) {
            marks.assign(pixels, 0);
            current.resize(pixels);
            next.resize(pixels);
        }
        if (pattern_rows.size() < page.height) pattern_rows.resize(page.height);
    }
};

TileWork tile_work;

class TileSpread {
public:
    TileSpread(screen_page& page, const ClipBox& clip, TilePattern& pattern, uint8_t border,
               int32_t background)
        : page_(page), clip_(clip), pattern_(pattern), border_(border), background_(background),
          work_(tile_work) {
        work_.fit(page);
        for (int y = 0; y < page.height; ++y) {
            work_.pattern_rows[static_cast<size_t>(y)] = &pattern.at(0, y % pattern.height);
        }
        column_mask_ = pattern.width - 1;   // widths are 1, 4 or 8
    }

    uint8_t pattern_colour(int x, int y) const {
        return work_.pattern_rows[static_cast<size_t>(y)][x & column_mask_];
    }

    bool blocks_start(int x, int y) const {
        const uint8_t here = pixel(x, y);
        const uint8_t wanted = pattern_colour(x, y);
        return here == border_ || (here == wanted && wanted != background_);
    }

    void run(int x, int y) {
        top_ = bottom_ = y;
        work_.marks[index(x, y)] = 1;
        pixel(x, y) = pattern_colour(x, y);
        TilePoint* current = work_.current.data();
        TilePoint* next = work_.next.data();
        size_t current_count = 1;
        current[0] = TilePoint{static_cast<uint16_t>(x), static_cast<uint16_t>(y)};
        while (current_count > 0) {
            next_count_ = 0;
            next_ = next;
            for (size_t i = 0; i < current_count; ++i) {
                const int px = current[i].x;
                const int py = current[i].y;
                if (px > clip_.left) look(px - 1, py, false);
                if (px < clip_.right) look(px + 1, py, false);
                if (py > clip_.top) look(px, py - 1, true);
                if (py < clip_.bottom) look(px, py + 1, true);
            }
            std::swap(current, next);
            current_count = next_count_;
        }
        std::memset(work_.marks.data() + index(0, top_), 0,
                    static_cast<size_t>(bottom_ - top_ + 1) * page_.width);
    }

private:
    size_t index(int x, int y) const { return static_cast<size_t>(y) * page_.width + static_cast<size_t>(x); }
    uint8_t& pixel(int x, int y) const { return page_.pixels[index(x, y)]; }

    void look(int x, int y, bool vertical) {
        const size_t at = index(x, y);
        uint8_t& mark = work_.marks[at];
        if (mark) return;
        mark = 1;
        top_ = std::min(top_, y);
        bottom_ = std::max(bottom_, y);
        uint8_t& here = page_.pixels[at];
        if (here == border_) return;
        const uint8_t wanted = pattern_colour(x, y);
        if (vertical && here == wanted && wanted != background_) return;
        here = wanted;
        next_[next_count_++] = TilePoint{static_cast<uint16_t>(x), static_cast<uint16_t>(y)};
    }

    screen_page& page_;
    const ClipBox& clip_;
    TilePattern& pattern_;
    uint8_t border_;
    int32_t background_;
    TileWork& work_;
    int column_mask_ = 0;
    TilePoint* next_ = nullptr;
    size_t next_count_ = 0;
    int top_ = 0;
    int bottom_ = 0;
};

}  // namespace

void flood_fill_tiled(float x, float y, const string_descriptor* tile, int32_t border_colour,
                      const string_descriptor* background, int32_t presence) {
    using namespace drawing;
    if (error_is_pending()) return;
    screen_page* const page = write_page;
    if (page == nullptr) return;
    if (page->text || !(presence & kPresenceTile) || !tile_acceptable(tile, page->colour_bits) ||
        ((presence & kPresenceBackground) && !background_acceptable(background))) {
        raise_error(kIllegalFunctionCall);
        return;
    }
    const uint32_t border_given = (presence & kPresenceBorder) ? static_cast<uint32_t>(border_colour) : page->foreground;
    const uint8_t border = stored_colour(*page, border_given);
    const int32_t background_value =
        (presence & kPresenceBackground) ? background_from(*background, page->colour_bits) : 0;
    if (presence & kPresenceRelative) {
        page->graphics_x += x;
        page->graphics_y += y;
    } else {
        page->graphics_x = x;
        page->graphics_y = y;
    }
    if (!has_pixel_buffer(*page)) return;
    const PixelPoint start = pixel_of(*page, page->graphics_x, page->graphics_y);
    const ClipBox clip = clip_box_of(*page);
    if (!clip.contains(start.x, start.y)) return;

    TilePattern pattern = pattern_from(*tile, page->colour_bits, page->colour_mask);
    TileSpread spread(*page, clip, pattern, border, background_value);
    const int sx = static_cast<int>(start.x);
    const int sy = static_cast<int>(start.y);
    if (spread.blocks_start(sx, sy)) return;
    spread.run(sx, sy);
    mark_display_changed();
}

}  // namespace zl
