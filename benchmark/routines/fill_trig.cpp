// Fill and trigonometry tests: 1000 passes of a flood fill from a random point in a random colour
// followed by the single-precision sine plus cosine of 1 to 50,000. Screen 1 draws its colour
// again above 4; screen 7 takes every colour 0 to 9.
#include "benchmark/frame.h"
#include "benchmark/routines.h"
#include "benchmark/routines/graphics_statements.h"
#include "runtime/core/arithmetic.h"
#include "runtime/drawing/drawing.h"

namespace zl {

namespace {

// What the twins differ in.
struct FillTrigShape {
    int32_t mode;
    int32_t line_offset;     // added to every source line of the screen-1 routine
    bool tests_colour;       // screen 7 has no colour test at all
};

constexpr FillTrigShape kScreen1{1, 0, true};
constexpr FillTrigShape kScreen7{7, 294, false};

constexpr float kColourScale = 10.0f;
constexpr float kLastColour = 4.0f;

void fill_trig(const FillTrigShape& shape) {
    Routine routine;
    float& counter = routine.make_single();
    float& x = routine.make_single();
    float& y = routine.make_single();
    float& colour = routine.make_single();
    float& inner_counter = routine.make_single();
    float& value = routine.make_single();
    if (!routine.enter()) return;

    const int32_t at = shape.line_offset;
    select_mode_and_clear(shape.mode, 332 + at);
    for (CountedLoop loop(counter, 1.0, 1000.0, 1.0, 333 + at); loop.pass(); loop.step()) {
    redraw:
        label(334 + at);
        x = random_below(kCoordinateScale);
        check(335 + at);
        y = random_below(kCoordinateScale);
        check(336 + at);
        colour = random_below(kColourScale);
        check(337 + at);
        if (shape.tests_colour && taken(colour > kLastColour)) {
            check(338 + at);
            goto redraw;
        }
        if (taken(x > kLastX)) {
            check(339 + at);
            goto redraw;
        }
        if (taken(y > kLastY)) {
            check(340 + at);
            goto redraw;
        }
        // The fill colour alone: the border is the fill colour.
        flood_fill(x, y, to_int(colour), 0, 0, kColourOnly);
        check(341 + at);
        for (CountedLoop inner(inner_counter, 1.0, 50000.0, 1.0, 342 + at); inner.pass();
             inner.step()) {
            const float sine = sin_single(inner_counter);
            const float cosine = cos_single(inner_counter);
            value = sum(sine, cosine);
            check(343 + at);
        }
    }
}

}  // namespace

void test_fill_trig_screen1() { fill_trig(kScreen1); }

void test_fill_trig_screen7() { fill_trig(kScreen7); }

}  // namespace zl
