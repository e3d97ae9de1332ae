// Circle and fill tests: circles of random centre, radius and colour on a 320 × 200 page, each
// flooded from its centre with its own colour; 60,000 in screen 1 and 1000 in screen 7. A second
// colour is drawn and tested only, so it decides which attempts pass.
#include "benchmark/frame.h"
#include "benchmark/routines.h"
#include "benchmark/routines/graphics_statements.h"
#include "runtime/drawing/drawing.h"

namespace zl {

namespace {

// What the twins differ in.
struct CircleFillShape {
    int32_t mode;
    int32_t line_offset;   // added to every source line of the screen-1 routine
    double circles;
    float colour_scale;
    float last_colour;     // accepted, and stored as colour 0 through the mode's mask
};

constexpr CircleFillShape kScreen1{1, 0, 60000.0, 10.0f, 4.0f};
constexpr CircleFillShape kScreen7{7, 259, 1000.0, 100.0f, 16.0f};

constexpr float kRadiusScale = 100.0f;

void circle_fill(const CircleFillShape& shape) {
    Routine routine;
    float& counter = routine.make_single();
    float& x = routine.make_single();
    float& y = routine.make_single();
    float& radius = routine.make_single();
    float& colour = routine.make_single();
    float& second_colour = routine.make_single();
    if (!routine.enter()) return;

    const int32_t at = shape.line_offset;
    select_mode_and_clear(shape.mode, 313 + at);
    for (CountedLoop loop(counter, 1.0, shape.circles, 1.0, 314 + at); loop.pass();
         loop.step()) {
    redraw:
        label(315 + at);
        x = random_below(kCoordinateScale);
        check(316 + at);
        y = random_below(kCoordinateScale);
        check(317 + at);
        radius = random_below(kRadiusScale);
        check(318 + at);
        colour = random_below(shape.colour_scale);
        check(319 + at);
        second_colour = random_below(shape.colour_scale);
        check(320 + at);
        if (taken(colour > shape.last_colour)) {
            check(321 + at);
            goto redraw;
        }
        if (taken((second_colour > shape.last_colour) | (second_colour == colour))) {
            check(322 + at);
            goto redraw;
        }
        if (taken(x > kLastX)) {
            check(323 + at);
            goto redraw;
        }
        if (taken(y > kLastY)) {
            check(325 + at);
            goto redraw;
        }
        // No angles and no aspect: the whole circle in the mode's own aspect.
        draw_circle(x, y, radius, to_int(colour), 0.0, 0.0, 0.0, kColourOnly);
        check(326 + at);
        // The fill colour alone: the border is the circle's own colour.
        flood_fill(x, y, to_int(colour), 0, 0, kColourOnly);
        check(327 + at);
    }
}

}  // namespace

void test_circle_fill_screen1() { circle_fill(kScreen1); }

void test_circle_fill_screen7() { circle_fill(kScreen7); }

}  // namespace zl
