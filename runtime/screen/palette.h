// Owns the default palettes and the colour conversions of the palette rules.
#pragma once

#include <array>
#include <cstdint>

namespace zl {

// 0xAARRGGBB with alpha 0xFF.
extern const std::array<uint32_t, 16> default_palette_16;
extern const std::array<uint32_t, 64> ega_palette_64;

constexpr int kPaletteEntries = 256;

constexpr uint32_t rgb(uint32_t r, uint32_t g, uint32_t b) {
    return 0xFF000000u | (r << 16) | (g << 8) | b;
}

// A 6-bit component as 8 bits: c × 4.0634918212890625 − 0.49999991059303284, ties to even.
uint8_t component_6_to_8(uint32_t c);

// The palette a new screen of this mode starts with (all 256 entries; unused ones black).
void fill_default_palette(uint16_t mode, uint32_t* palette);

}  // namespace zl
