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
    uint8_t at(int column, int row) const { return colours[static_cast<size_t>(row * width + column)]; }
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
    uint32_t at = 0;   // index of the pixel in the page
    uint16_t x = 0;
    uint16_t y = 0;
};

// Work storage, made on first use and kept: two generation queues and the looked-at marks, all
// the size of the page (a generation can never hold more pixels than the page has). A mark holds
// the number of the fill that set it, so clearing the marks costs nothing until that number wraps.
struct TileWork {
    std::vector<TilePoint> current;
    std::vector<TilePoint> next;
    std::vector<uint8_t> marks;
    uint8_t fill_number = 0;
    std::vector<const uint8_t*> pattern_rows;   // pattern row of each page row

    void fit(const screen_page& page) {
        const size_t pixels = static_cast<size_t>(page.width) * page.height;
        if (marks.size() < pixels) {
            marks.assign(pixels, 0);
            fill_number = 0;
            current.resize(pixels);
            next.resize(pixels);
        }
        if (pattern_rows.size() < page.height) pattern_rows.resize(page.height);
    }

    uint8_t next_fill_number() {
        if (++fill_number == 0) {
            std::fill(marks.begin(), marks.end(), 0);
            fill_number = 1;
        }
        return fill_number;
    }
};

TileWork tile_work;

struct TileRules {
    uint8_t border = 0;
    int32_t background = kNoBackground;
};

// The start pixel takes its pattern colour; then each generation, in queue order, looks left,
// right, above and below. A pixel is looked at once; one of the border colour stops there, and
// one above or below that already has its pattern colour (not the background) is left alone.
void spread_tile(screen_page& page, const ClipBox& clip, const TilePattern& pattern, TileRules rules,
                 int x, int y) {
    TileWork& work = tile_work;
    work.fit(page);
    const uint8_t mark = work.next_fill_number();
    const uint8_t** rows = work.pattern_rows.data();
    for (int row = 0; row < page.height; ++row) {
        rows[row] = pattern.colours.data() + static_cast<size_t>((row % pattern.height) * pattern.width);
    }
    const int column_mask = pattern.width - 1;   // widths are 1, 4 or 8
    uint8_t* const pixels = page.pixels;
    uint8_t* const marks = work.marks.data();
    const uint32_t stride = page.width;
    const uint8_t border = rules.border;
    const int32_t background = rules.background;
    TilePoint* current = work.current.data();
    TilePoint* next = work.next.data();
    size_t next_count = 0;

    auto look = [&](uint32_t at, int px, int py, bool vertical) {
        if (marks[at] == mark) return;
        marks[at] = mark;
        const uint8_t here = pixels[at];
        if (here == border) return;
        const uint8_t wanted = rows[py][px & column_mask];
        if (vertical && here == wanted && wanted != background) return;
        pixels[at] = wanted;
        next[next_count++] = TilePoint{at, static_cast<uint16_t>(px), static_cast<uint16_t>(py)};
    };

    const uint32_t start = static_cast<uint32_t>(y) * stride + static_cast<uint32_t>(x);
    marks[start] = mark;
    pixels[start] = rows[y][x & column_mask];
    current[0] = TilePoint{start, static_cast<uint16_t>(x), static_cast<uint16_t>(y)};
    size_t current_count = 1;
    while (current_count > 0) {
        next_count = 0;
        for (size_t i = 0; i < current_count; ++i) {
            const TilePoint p = current[i];
            if (p.x > clip.left) look(p.at - 1, p.x - 1, p.y, false);
            if (p.x < clip.right) look(p.at + 1, p.x + 1, p.y, false);
            if (p.y > clip.top) look(p.at - stride, p.x, p.y - 1, true);
            if (p.y < clip.bottom) look(p.at + stride, p.x, p.y + 1, true);
        }
        std::swap(current, next);
        current_count = next_count;
    }
}

bool start_blocked(const screen_page& page, const TilePattern& pattern, TileRules rules, int x, int y) {
    const uint8_t here = drawing::row_of(page, y)[x];
    const uint8_t wanted = pattern.colours[static_cast<size_t>((y % pattern.height) * pattern.width + x % pattern.width)];
    return here == rules.border || (here == wanted && wanted != rules.background);
}

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
    place_graphics_cursor(*page, x, y, (presence & kPresenceRelative) != 0);
    if (!has_pixel_buffer(*page)) return;
    const PixelPoint start = pixel_of(*page, page->graphics_x, page->graphics_y);
    const ClipBox clip = clip_box_of(*page);
    if (!clip.contains(start.x, start.y)) return;

    const TilePattern pattern = pattern_from(*tile, page->colour_bits, page->colour_mask);
    const TileRules rules{border, background_value};
    const int sx = static_cast<int>(start.x);
    const int sy = static_cast<int>(start.y);
    if (start_blocked(*page, pattern, rules, sx, sy)) return;
    spread_tile(*page, clip, pattern, rules, sx, sy);
    mark_display_changed();
}

}  // namespace zl
