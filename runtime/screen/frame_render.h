// Owns turning a page into the 32-bit frame the display shows: palette applied, text pages drawn
// with the 8 × 16 font and the cursor. The host's frame producer and the series runner use it.
#pragma once

#include <cstdint>
#include <vector>

#include "runtime/screen/screen_page.h"

namespace zl {

struct Frame {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels;   // 0xAARRGGBB, row-major
};

// Draws the page whole into frame (resized to the page's shown size: 640 × 400 for 80 × 25 text).
// show_cursor: the text cursor is drawn when it is visible and this blink phase is on.
void render_frame(const screen_page& page, Frame& frame, bool show_cursor);

}  // namespace zl
