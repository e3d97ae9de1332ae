// Owns the code page 437 fonts, 8 × 8 and 8 × 16, all 256 glyphs; one byte per glyph row, bit 7
// the leftmost pixel.
#pragma once

#include <cstdint>

namespace zl {

extern const uint8_t font_8x8[256][8];
extern const uint8_t font_8x16[256][16];

// The glyph rows for a cell of this height (8, 14 or 16 lines); the 14-line cell shows the middle
// 14 rows of the 8 × 16 glyph, whose top and bottom rows are blank in the box-free glyphs.
inline const uint8_t* glyph_rows(int cell_height, uint8_t code) {
    if (cell_height == 8) return font_8x8[code];
    if (cell_height == 14) return font_8x16[code] + 1;
    return font_8x16[code];
}

}  // namespace zl
