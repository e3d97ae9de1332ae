// Small readers and writers shared by the screen tests.
#pragma once

#include <cstdint>
#include <string>

#include "runtime/core/strings.h"
#include "runtime/screen/screen_page.h"
#include "runtime/screen/text_output.h"

namespace zl::test {

// The characters of a text page's row, columns first..last (1-based).
inline std::string text_row(const screen_page& page, int row, int first, int last) {
    std::string out;
    for (int column = first; column <= last; ++column) {
        out += static_cast<char>(page.pixels[((row - 1) * page.width + (column - 1)) * 2]);
    }
    return out;
}

inline uint8_t text_attribute_at(const screen_page& page, int row, int column) {
    return page.pixels[((row - 1) * page.width + (column - 1)) * 2 + 1];
}

inline uint8_t pixel(const screen_page& page, int x, int y) { return page.pixels[y * page.width + x]; }

// Prints a text as a print list does: the fit test, then the print without line end.
inline void print_item(const std::string& text) {
    string_descriptor* item = string_from_literal(text.data(), static_cast<int32_t>(text.size()));
    fit_text_on_line(item);
    print_string(item, 0);
    string_free(item);
}

inline void print_line(const std::string& text) {
    print_item(text);
    print_string(line_end_string, 1);
}

}  // namespace zl::test
