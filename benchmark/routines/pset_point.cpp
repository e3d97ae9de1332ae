// Pixel set and read-back tests: random points set on a 320 × 200 page and read straight back.
// Screen 1 draws five points a pass in two groups of five coordinates; screen 7 draws one point
// and its colour a pass, each value again alone until it passes.
#include "benchmark/frame.h"
#include "benchmark/routines.h"
#include "benchmark/routines/graphics_statements.h"
#include "runtime/drawing/drawing.h"

namespace zl {

namespace {

constexpr float kSecondPointLastX = 340.0f;
constexpr float kColourScale = 100.0f;
constexpr float kLastColour = 16.0f;

}  // namespace

void test_pset_point_screen1() {
    Routine routine;
    float& counter = routine.make_single();
    float& x1 = routine.make_single();
    float& x2 = routine.make_single();
    float& x3 = routine.make_single();
    float& x4 = routine.make_single();
    float& x5 = routine.make_single();
    float& y1 = routine.make_single();
    float& y2 = routine.make_single();
    float& y3 = routine.make_single();
    float& y4 = routine.make_single();
    float& y5 = routine.make_single();
    float& value = routine.make_single();
    if (!routine.enter()) return;

    select_mode_and_clear(1, 267);
    for (CountedLoop loop(counter, 1.0, 7000.0, 1.0, 268); loop.pass(); loop.step()) {
    redraw_x:
        label(269);
        x1 = random_below(kCoordinateScale);
        check(270);
        x2 = random_below(kCoordinateScale);
        check(271);
        x3 = random_below(kCoordinateScale);
        check(272);
        x4 = random_below(kCoordinateScale);
        check(273);
        x5 = random_below(kCoordinateScale);
        check(274);
        if (taken((x1 > kLastX) | (x2 > kSecondPointLastX) | (x3 > kLastX) | (x4 > kLastX) |
                  (x5 > kLastX))) {
            check(275);
            goto redraw_x;
        }
    redraw_y:
        label(276);
        y1 = random_below(kCoordinateScale);
        check(277);
        y2 = random_below(kCoordinateScale);
        check(278);
        y3 = random_below(kCoordinateScale);
        check(279);
        y4 = random_below(kCoordinateScale);
        check(280);
        y5 = random_below(kCoordinateScale);
        check(281);
        if (taken((y1 > kLastY) | (y2 > kLastY) | (y3 > kLastY) | (y4 > kLastY) |
                  (y5 > kLastY))) {
            check(282);
            goto redraw_y;
        }
        // The fifth point first; colour 4 is stored as 4 AND 3 = 0.
        set_pixel(x5, y5, 0, kColourOnly);
        check(283);
        set_pixel(x1, y1, 1, kColourOnly);
        check(284);
        set_pixel(x2, y2, 2, kColourOnly);
        check(285);
        set_pixel(x3, y3, 3, kColourOnly);
        check(286);
        set_pixel(x4, y4, 4, kColourOnly);
        check(287);
        value = static_cast<float>(point_colour(x5, y5, kPointGiven));
        check(288);
        value = static_cast<float>(point_colour(x1, y1, kPointGiven));
        check(289);
        value = static_cast<float>(point_colour(x2, y2, kPointGiven));
        check(290);
        value = static_cast<float>(point_colour(x3, y3, kPointGiven));
        check(291);
        value = static_cast<float>(point_colour(x4, y4, kPointGiven));
        check(292);
    }
}

void test_pset_point_screen7() {
    Routine routine;
    float& counter = routine.make_single();
    float& x = routine.make_single();
    float& y = routine.make_single();
    float& colour = routine.make_single();
    float& value = routine.make_single();
    if (!routine.enter()) return;

    select_mode_and_clear(7, 539);
    for (CountedLoop loop(counter, 1.0, 2000000.0, 1.0, 540); loop.pass(); loop.step()) {
    redraw_x:
        label(541);
        x = random_below(kCoordinateScale);
        check(542);
        if (taken(x > kLastX)) {
            check(543);
            goto redraw_x;
        }
    redraw_y:
        label(544);
        y = random_below(kCoordinateScale);
        check(545);
        if (taken(y > kLastY)) {
            check(546);
            goto redraw_y;
        }
    redraw_colour:
        label(547);
        colour = random_below(kColourScale);
        check(548);
        if (taken(colour > kLastColour)) {
            check(549);
            goto redraw_colour;
        }
        set_pixel(x, y, to_int(colour), kColourOnly);
        check(550);
        value = static_cast<float>(point_colour(x, y, kPointGiven));
        check(551);
    }
}

}  // namespace zl
