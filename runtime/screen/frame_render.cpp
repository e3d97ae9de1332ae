#include "runtime/screen/frame_render.h"

#include <algorithm>

#include "runtime/screen/fonts.h"

namespace zl {

namespace {

// Each glyph row as eight all-ones or all-zero pixel masks, leftmost first: a row is then drawn
// with a branch-free select the compiler can vectorise.
struct RowMasks {
    uint32_t pixel[256][8];
};

constexpr RowMasks make_row_masks() {
    RowMasks masks{};
    for (int bits = 0; bits < 256; ++bits) {
        for (int x = 0; x < 8; ++x) masks.pixel[bits][x] = (bits & (0x80 >> x)) ? 0xFFFFFFFFu : 0u;
    }
    return masks;
}

constexpr RowMasks kRowMasks = make_row_masks();

void draw_glyph_line(uint32_t* out, uint8_t bits, uint32_t ink, uint32_t paper, bool double_width) {
    if (!double_width) {
        const uint32_t* mask = kRowMasks.pixel[bits];
        const uint32_t difference = ink ^ paper;
        for (int x = 0; x < 8; ++x) out[x] = paper ^ (difference & mask[x]);
        return;
    }
    for (int x = 0; x < 8; ++x) {
        const uint32_t colour = (bits & (0x80 >> x)) ? ink : paper;
        out[2 * x] = colour;
        out[2 * x + 1] = colour;
    }
}

void draw_cursor(const screen_page& page, Frame& frame, int width, int height) {
    const int row = std::clamp<int>(page.cursor_row, 1, page.height) - 1;
    const int column = std::clamp<int>(page.cursor_column, 1, page.width) - 1;
    const int first = page.cursor_start_line;
    const int last = std::min<int>(page.cursor_stop_line, height - 1);
    const uint8_t attribute = page.pixels[(static_cast<size_t>(row) * page.width + column) * 2 + 1];
    const uint32_t ink = page.palette[attribute & 15];
    for (int line = first; line <= last; ++line) {
        uint32_t* out = frame.pixels.data() +
                        static_cast<size_t>(row * height + line) * frame.width + column * width;
        std::fill(out, out + width, ink);
    }
}

void render_text(const screen_page& page, Frame& frame, bool show_cursor) {
    const int width = cell_width(page);
    const int height = cell_height(page);
    const bool double_width = width == 16;
    uint32_t* out = frame.pixels.data();
    for (int row = 0; row < page.height; ++row) {
        const uint8_t* cells = page.pixels + static_cast<size_t>(row) * page.width * 2;
        for (int line = 0; line < height; ++line) {
            for (int column = 0; column < page.width; ++column, out += width) {
                const uint8_t code = cells[2 * column];
                const uint8_t attribute = cells[2 * column + 1];
                draw_glyph_line(out, glyph_rows(height, code)[line], page.palette[attribute & 15],
                                page.palette[(attribute >> 4) & 7], double_width);
            }
        }
    }
    if (show_cursor && page.cursor_visible) draw_cursor(page, frame, width, height);
}

void render_graphics(const screen_page& page, Frame& frame) {
    const size_t count = static_cast<size_t>(page.width) * page.height;
    const uint8_t* pixels = page.pixels;
    const uint32_t* palette = page.palette;
    uint32_t* out = frame.pixels.data();
    for (size_t i = 0; i < count; ++i) out[i] = palette[pixels[i]];
}

}  // namespace

void render_frame(const screen_page& page, Frame& frame, bool show_cursor) {
    const int width = page.text ? page.width * cell_width(page) : page.width;
    const int height = page.text ? page.height * cell_height(page) : page.height;
    frame.width = width;
    frame.height = height;
    frame.pixels.resize(static_cast<size_t>(width) * height);
    if (page.pixels == nullptr || page.palette == nullptr) return;
    if (page.text) {
        render_text(page, frame, show_cursor);
    } else {
        render_graphics(page, frame);
    }
}

}  // namespace zl
