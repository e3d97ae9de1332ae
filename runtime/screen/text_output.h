// Owns the text cursor, printing, clearing, colours, palette changes and reading the screen back.
#pragma once

#include <cstdint>

#include "runtime/core/strings.h"

namespace zl {

void clear_screen(int32_t method, uint32_t colour, int32_t presence);
void set_colour(int32_t foreground, int32_t background, int32_t border, int32_t presence);
void set_palette(int32_t attribute, uint32_t colour, int32_t presence);
void set_cursor(int32_t row, int32_t column, int32_t visible, int32_t start_line,
                int32_t stop_line, int32_t presence);
int32_t cursor_row();
int32_t screen_char_at(int32_t row, int32_t column, int32_t colour_flag, int32_t passed);
void fit_text_on_line(const string_descriptor* text);
void print_string(const string_descriptor* text, int32_t line_end);

// The runtime's permanent empty text, printed with the line-end flag to end a line.
extern string_descriptor* line_end_string;

}  // namespace zl
