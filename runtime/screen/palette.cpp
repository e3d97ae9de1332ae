#include "runtime/screen/palette.h"

#include <cmath>

namespace zl {

const std::array<uint32_t, 16> default_palette_16 = {
    rgb(0, 0, 0),       rgb(0, 0, 170),     rgb(0, 170, 0),     rgb(0, 170, 170),
    rgb(170, 0, 0),     rgb(170, 0, 170),   rgb(170, 85, 0),    rgb(170, 170, 170),
    rgb(85, 85, 85),    rgb(85, 85, 255),   rgb(85, 255, 85),   rgb(85, 255, 255),
    rgb(255, 85, 85),   rgb(255, 85, 255),  rgb(255, 255, 85),  rgb(255, 255, 255),
};

namespace {

// Entry n: bits 2, 1, 0 give 170 of red, green, blue; bits 5, 4, 3 add 85.
constexpr std::array<uint32_t, 64> make_ega_palette() {
    std::array<uint32_t, 64> table{};
    for (uint32_t n = 0; n < 64; ++n) {
        const uint32_t red = 170 * ((n >> 2) & 1) + 85 * ((n >> 5) & 1);
        const uint32_t green = 170 * ((n >> 1) & 1) + 85 * ((n >> 4) & 1);
        const uint32_t blue = 170 * (n & 1) + 85 * ((n >> 3) & 1);
        table[n] = rgb(red, green, blue);
    }
    return table;
}

constexpr double kComponentScale = 4.0634918212890625;
constexpr double kComponentBias = 0.49999991059303284;
constexpr uint32_t kBlack = rgb(0, 0, 0);
constexpr uint32_t kWhite = rgb(255, 255, 255);

}  // namespace

const std::array<uint32_t, 64> ega_palette_64 = make_ega_palette();

uint8_t component_6_to_8(uint32_t c) {
    // nearbyint rounds ties to even in the default rounding mode.
    const double value = std::nearbyint(static_cast<double>(c) * kComponentScale - kComponentBias);
    if (value <= 0) return 0;
    if (value >= 255) return 255;
    return static_cast<uint8_t>(value);
}

void fill_default_palette(uint16_t mode, uint32_t* palette) {
    for (int i = 0; i < kPaletteEntries; ++i) palette[i] = kBlack;
    switch (mode) {
        case 1:
            palette[0] = default_palette_16[0];
            palette[1] = default_palette_16[3];
            palette[2] = default_palette_16[5];
            palette[3] = default_palette_16[7];
            return;
        case 2:
        case 11:
            // Two-colour modes: black and white.
            palette[1] = kWhite;
            return;
        default:
            for (int i = 0; i < 16; ++i) palette[i] = default_palette_16[i];
            return;
    }
}

}  // namespace zl
