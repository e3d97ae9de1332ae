#include "runtime/screen/text_cells.h"

#include <array>
#include <cassert>
#include <cstring>

#include "runtime/screen/fonts.h"

namespace zl {

namespace {

constexpr uint8_t kBlank = 32;
constexpr uint64_t kEveryByte = 0x0101010101010101ull;

// A glyph row as eight byte masks, its leftmost pixel (bit 7) at the lowest address.
constexpr std::array<uint64_t, 256> make_row_masks() {
    std::array<uint64_t, 256> masks{};
    for (int bits = 0; bits < 256; ++bits) {
        uint64_t mask = 0;
        for (int pixel = 0; pixel < 8; ++pixel) {
            if (bits & (0x80 >> pixel)) mask |= uint64_t{0xFF} << (8 * pixel);
        }
        masks[bits] = mask;
    }
    return masks;
}

constexpr std::array<uint64_t, 256> kRowMasks = make_row_masks();

uint8_t* cell_address(screen_page& page, int row, int column) {
    return page.pixels + (static_cast<size_t>(row - 1) * page.width + (column - 1)) * 2;
}

void put_glyph(screen_page& page, uint8_t code) {
    const int height = cell_height(page);
    const int width = cell_width(page);
    const size_t stride = page.width;
    uint8_t* target = page.pixels + static_cast<size_t>(page.cursor_row - 1) * height * stride +
                      static_cast<size_t>(page.cursor_column - 1) * width;
    const uint8_t* rows = glyph_rows(height, code);
    const uint8_t ink = static_cast<uint8_t>(page.foreground & page.colour_mask);
    const uint8_t paper = static_cast<uint8_t>(page.background & page.colour_mask);
    if (width == 8) {
        const uint64_t ink_row = ink * kEveryByte;
        const uint64_t paper_row = paper * kEveryByte;
        for (int y = 0; y < height; ++y, target += stride) {
            const uint64_t mask = kRowMasks[rows[y]];
            const uint64_t pixels = (ink_row & mask) | (paper_row & ~mask);
            std::memcpy(target, &pixels, sizeof pixels);
        }
        return;
    }
    // Double-width cells: each glyph pixel covers two.
    for (int y = 0; y < height; ++y, target += stride) {
        for (int x = 0; x < 8; ++x) {
            const uint8_t colour = (rows[y] & (0x80 >> x)) ? ink : paper;
            target[2 * x] = colour;
            target[2 * x + 1] = colour;
        }
    }
}

}  // namespace

void put_character(screen_page& page, uint8_t code) {
    assert(page.cursor_row >= 1 && page.cursor_row <= text_rows(page));
    assert(page.cursor_column >= 1 && page.cursor_column <= text_columns(page));
    if (page.text) {
        uint8_t* cell = cell_address(page, page.cursor_row, page.cursor_column);
        cell[0] = code;
        cell[1] = text_attribute(page.foreground, page.background);
        return;
    }
    put_glyph(page, code);
}

void blank_text_rows(screen_page& page, int first, int last, uint32_t background) {
    if (first > last) return;
    if (page.text) {
        const uint8_t attribute = text_attribute(page.foreground, background);
        uint8_t* cell = cell_address(page, first, 1);
        const size_t cells = static_cast<size_t>(last - first + 1) * page.width;
        for (size_t i = 0; i < cells; ++i, cell += 2) {
            cell[0] = kBlank;
            cell[1] = attribute;
        }
        return;
    }
    const size_t row_bytes = static_cast<size_t>(cell_height(page)) * page.width;
    std::memset(page.pixels + (first - 1) * row_bytes,
                static_cast<int>(background & page.colour_mask),
                static_cast<size_t>(last - first + 1) * row_bytes);
}

void scroll_text_window(screen_page& page) {
    const int top = page.window_top;
    const int bottom = page.window_bottom;
    const size_t row_bytes =
        page.text ? size_t{page.width} * 2 : static_cast<size_t>(cell_height(page)) * page.width;
    if (bottom > top) {
        std::memmove(page.pixels + (top - 1) * row_bytes, page.pixels + top * row_bytes,
                     static_cast<size_t>(bottom - top) * row_bytes);
    }
    blank_text_rows(page, bottom, bottom, page.background);
}

void new_line(screen_page& page) {
    page.cursor_column = 1;
    if (page.cursor_row < page.window_bottom) {
        ++page.cursor_row;
        return;
    }
    scroll_text_window(page);
    page.cursor_row = page.window_bottom;
}

}  // namespace zl
