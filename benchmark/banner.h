// Owns the start-up banner: its lines in code page 437, their rows and colours, and the
// statements of the main sequence that print it (lines 29 to 54).
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "benchmark/frame.h"

namespace zl {

struct BannerLine {
    int32_t row;         // screen row it lands on
    int32_t colour;      // foreground colour it is printed in
    std::string_view text;   // code page 437 bytes
};

// The seventeen printed lines, top to bottom.
std::span<const BannerLine> banner_lines();

// Clears the screen and prints the banner; the cursor then stands at row 24, column 1.
void show_banner(const Routine& main_sequence);

}  // namespace zl
