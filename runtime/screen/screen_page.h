// Owns the page record and the three page roles (write, read, display) of the current screen.
#pragma once

#include <cstdint>

namespace zl {

struct screen_page {
    uint8_t text = 0;             // 1 for a text page
    uint16_t width = 0;           // pixels, or character cells on a text page
    uint16_t height = 0;
    uint8_t bytes_per_pixel = 1;  // 2 on text pages: character then attribute
    uint8_t colour_bits = 0;      // 2 in mode 1, 4 in modes 7 and 12
    uint32_t colour_mask = 0;     // 3 in mode 1, 15 in modes 7 and 12
    uint16_t mode = 0;
    uint32_t foreground = 0;
    uint32_t background = 0;
    int32_t font = 16;            // cell height: 8, 14 or 16 (9, 15, 17 double width)
    int16_t window_top = 1;       // text window rows, 1-based
    int16_t window_bottom = 24;
    int16_t cursor_column = 1;
    int16_t cursor_row = 1;
    uint8_t* pixels = nullptr;
    uint32_t* palette = nullptr;  // 256 colours as 0xAARRGGBB
    int32_t clip_left = 0;
    int32_t clip_top = 0;
    int32_t clip_right = 0;
    int32_t clip_bottom = 0;
    int32_t view_x = 0;
    int32_t view_y = 0;
    float graphics_x = 0;
    float graphics_y = 0;
    uint8_t view_kind = 0;
    float window_scale_x = 1;
    float window_scale_y = 1;
    float window_offset_x = 0;
    float window_offset_y = 0;
    // Runtime bookkeeping beyond the record.
    uint32_t last_colour = 0;     // last drawing colour
    bool cursor_parked = false;   // a print filled the last column; next print starts a new row
    bool cursor_visible = false;
    uint8_t cursor_start_line = 4;
    uint8_t cursor_stop_line = 4;
};

extern screen_page* write_page;
extern screen_page* read_page;
extern screen_page* display_page;

inline int cell_width(const screen_page& page) {
    return (page.font == 9 || page.font == 15 || page.font == 17) ? 16 : 8;
}
inline int cell_height(const screen_page& page) {
    return page.font == 9 ? 8 : page.font == 15 ? 14 : page.font == 17 ? 16 : page.font;
}
// Text grid: cells on a text page, width / cell size on a graphics page.
inline int text_columns(const screen_page& page) {
    return page.text ? page.width : page.width / cell_width(page);
}
inline int text_rows(const screen_page& page) {
    return page.text ? page.height : page.height / cell_height(page);
}

}  // namespace zl
