// Reading characters back from the read page: cells of a text page, or glyph matching of the
// pixels of a graphics page's text cell.
#include "runtime/core/error_state.h"
#include "runtime/screen/fonts.h"
#include "runtime/screen/screen_page.h"
#include "runtime/screen/text_output.h"

namespace zl {

namespace {

constexpr int kFirstPrintable = 32;
constexpr int kGlyphCount = 256;
constexpr int kMaxCellHeight = 16;

int32_t text_cell_value(const screen_page& page, int32_t row, int32_t column, bool attribute) {
    const uint8_t* cell =
        page.pixels + (static_cast<size_t>(row - 1) * page.width + (column - 1)) * 2;
    return attribute ? cell[1] : cell[0];
}

// The character whose glyph has exactly the cell's non-background pixels; printable codes are
// tried first so that a blank cell reads as a blank. 0 when none matches.
int32_t graphics_cell_value(const screen_page& page, int32_t row, int32_t column, bool colour) {
    const int height = cell_height(page);
    const uint8_t paper = static_cast<uint8_t>(page.background & page.colour_mask);
    const uint8_t* origin = page.pixels + static_cast<size_t>(row - 1) * height * page.width +
                            static_cast<size_t>(column - 1) * 8;
    uint8_t pattern[kMaxCellHeight] = {};
    int32_t ink = 0;
    bool ink_found = false;
    for (int y = 0; y < height; ++y) {
        const uint8_t* pixels = origin + static_cast<size_t>(y) * page.width;
        for (int x = 0; x < 8; ++x) {
            if (pixels[x] == paper) continue;
            pattern[y] |= static_cast<uint8_t>(0x80 >> x);
            if (!ink_found) {
                ink = pixels[x];
                ink_found = true;
            }
        }
    }
    if (colour) return ink;
    for (int step = 0; step < kGlyphCount; ++step) {
        const int code = (kFirstPrintable + step) % kGlyphCount;
        const uint8_t* glyph = glyph_rows(height, static_cast<uint8_t>(code));
        bool same = true;
        for (int y = 0; y < height && same; ++y) same = glyph[y] == pattern[y];
        if (same) return code;
    }
    return 0;
}

}  // namespace

int32_t screen_char_at(int32_t row, int32_t column, int32_t colour_flag, int32_t passed) {
    const screen_page& page = *read_page;
    const bool want_colour = passed != 0 && colour_flag != 0;
    const bool single_width = page.font == 8 || page.font == 14 || page.font == 16;
    if (row < 1 || row > text_rows(page) || column < 1 || column > text_columns(page) ||
        (!page.text && !single_width)) {
        raise_error(kErrorIllegalFunctionCall);
        return 0;
    }
    if (page.text) return text_cell_value(page, row, column, want_colour);
    return graphics_cell_value(page, row, column, want_colour);
}

}  // namespace zl
