// Owns the cell-level work behind printing and clearing: writing a character into its text cell
// (a cell of a text page, or a glyph cell of pixels on a graphics page), filling rows of cells
// and scrolling the text window.
#pragma once

#include <cstdint>

#include "runtime/screen/screen_page.h"

namespace zl {

// Mode 0 attribute: foreground low nibble, bit 4 of the foreground as blink (bit 7), background
// bits 4-6.
inline uint8_t text_attribute(uint32_t foreground, uint32_t background) {
    return static_cast<uint8_t>((foreground & 15) | ((foreground & 16) << 3) | ((background & 7) << 4));
}

// Writes code at the cursor's cell in the current colours; the cursor does not move.
void put_character(screen_page& page, uint8_t code);

// Blanks text rows first..last (1-based, inclusive) with the given background.
void blank_text_rows(screen_page& page, int first, int last, uint32_t background);

// Moves the text window up one row; its bottom row becomes blank in the background colour.
void scroll_text_window(screen_page& page);

// Column 1 of the next row, scrolling the window when the cursor is on or below its bottom row.
void new_line(screen_page& page);

}  // namespace zl
