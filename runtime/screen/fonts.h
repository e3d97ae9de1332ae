// Owns the code page 437 fonts, 8 × 8 and 8 × 16, all 256 glyphs; one byte per glyph row, bit 7
// the leftmost pixel.
#pragma once

#include <cstdint>

namespace zl {

extern const uint8_t font_8x8[256][8];
extern const uint8_t font_8x16[256][16];

}  // namespace zl
