// Owns what the graphics routines share: the arguments they pass the screen and drawing
// operations, the mode selection that opens each of them (and the text-screen test), the triangle
// outline, and the arithmetic of their logarithm statements.
#pragma once

#include <cmath>
#include <cstdint>

#include "benchmark/frame.h"
#include "runtime/drawing/drawing.h"
#include "runtime/screen/screen_mode.h"
#include "runtime/screen/text_output.h"

namespace zl {

constexpr int32_t kModeOnly = 1;              // set_screen_mode: only the mode given
constexpr int32_t kFirstPointAndColour = 9;   // draw_line: absolute first point, colour given
constexpr int32_t kColourOnly = 2;            // set_pixel, draw_circle, flood_fill: colour given
constexpr int32_t kPointGiven = 1;            // point_colour: read the pixel at (x, y)

constexpr float kCoordinateScale = 1000.0f;
constexpr float kLastX = 320.0f;   // one past the page's last column, and accepted
constexpr float kLastY = 200.0f;   // one past the page's last row, and accepted

// The opening line: select the mode, then clear the page; both statements carry the line.
inline void select_mode_and_clear(int32_t mode, int32_t line) {
    set_screen_mode(mode, 0, 0, 0, 0, kModeOnly);
    check(line);
    clear_screen(0, 0, 0);
    check(line);
}

// The three sides of a triangle in one colour, each side its own statement (lines line to
// line + 2).
inline void draw_triangle_outline(float x1, float y1, float x2, float y2, float x3, float y3,
                                  float colour, int32_t line) {
    draw_line(x1, y1, x2, y2, to_int(colour), kLineKindLine, 0, kFirstPointAndColour);
    check(line);
    draw_line(x2, y2, x3, y3, to_int(colour), kLineKindLine, 0, kFirstPointAndColour);
    check(line + 1);
    draw_line(x3, y3, x1, y1, to_int(colour), kLineKindLine, 0, kFirstPointAndColour);
    check(line + 2);
}

// natural_log(log_argument) + 2.71828182845905, added in extended precision.
inline float log_plus_e(double logarithm) {
    constexpr double kNearE = 2.71828182845905;
    return static_cast<float>(static_cast<extended>(logarithm) + static_cast<extended>(kNearE));
}

// L + s - (s / s) * s in extended precision, stored single.
// The x87 unit takes some 400 cycles for each operation on a NaN, and s / s is a NaN exactly
// when s is 0, infinite or a NaN. Then every step's result is exact or that NaN, so the same
// operations in double precision give the same bits; any other s takes the x87 path.
inline float log_with_idle_quotient(double logarithm, float s) {
    const double ds = s;
    const double quotient = ds / ds;
    if (quotient == 1.0) {
        const extended es = s;
        const extended t = static_cast<extended>(logarithm) + es;
        extended q = es / es;
        q = q * es;
        return static_cast<float>(t - q);
    }
    const double t = logarithm + ds;
    const double q = quotient * ds;
    return static_cast<float>(t - q);
}

}  // namespace zl
