// A plain model of the tile fill's spread, written pixel by pixel, for comparing the runtime's
// fill with: the drawing tests and the tile-fill routine tests share it.
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

namespace zl::model {

// The page's size and the clip window the spread keeps within.
struct FillArea {
    int width = 0;
    int height = 0;
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    bool inside(int x, int y) const { return x >= left && x <= right && y >= top && y <= bottom; }
};

// Spreads from (sx, sy) generation by generation, looking left, right, above and below in that
// order; a pixel is looked at once, a border pixel stops the spread, and one above or below that
// already shows its pattern colour (other than the background) is neither painted nor passed.
template <class Pattern>
void tile_fill(std::vector<uint8_t>& pixels, const FillArea& area, int sx, int sy, const Pattern& pattern,
               uint8_t border, uint8_t background) {
    if (!area.inside(sx, sy)) return;
    const auto at = [&](int x, int y) { return static_cast<size_t>(y) * area.width + x; };
    const uint8_t here = pixels[at(sx, sy)];
    if (here == border || (here == pattern(sx, sy) && here != background)) return;
    std::vector<bool> looked(pixels.size());
    looked[at(sx, sy)] = true;
    pixels[at(sx, sy)] = pattern(sx, sy);
    std::vector<std::pair<int, int>> generation{{sx, sy}};
    while (!generation.empty()) {
        std::vector<std::pair<int, int>> next;
        for (const auto& [x, y] : generation) {
            const int around[4][3] = {{x - 1, y, 0}, {x + 1, y, 0}, {x, y - 1, 1}, {x, y + 1, 1}};
            for (const auto& [nx, ny, vertical] : around) {
                if (!area.inside(nx, ny) || looked[at(nx, ny)]) continue;
                looked[at(nx, ny)] = true;
                const uint8_t was = pixels[at(nx, ny)];
                const uint8_t own = pattern(nx, ny);
                if (was == border || (vertical && was == own && own != background)) continue;
                pixels[at(nx, ny)] = own;
                next.emplace_back(nx, ny);
            }
        }
        generation = std::move(next);
    }
}

}  // namespace zl::model
