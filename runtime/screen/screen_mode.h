// Owns the screens (modes 0, 1, 7 and 12), their pages and set_screen_mode with its hand-over
// to the frame producer.
#pragma once

#include <cstdint>

namespace zl {

void set_screen_mode(int32_t mode, int32_t colour_switch, int32_t active_page,
                     int32_t visual_page, int32_t refresh, int32_t presence);

// Releases every page and makes the start-up 80 × 25 text screen.
void reset_screen();

// The write page's palette, null while there is no write page or it has none: what the palette
// read port reads.
const uint32_t* write_page_palette();

// Number of pages the current screen has made (tests).
int screen_page_count();

}  // namespace zl
