// Filled box tests: boxes of random corners and colour on a 320 × 200 page, 50,000 in screen 1
// and 10,000 in screen 7. Any value out of its limits draws all five values again.
#include "benchmark/frame.h"
#include "benchmark/routines.h"
#include "benchmark/routines/graphics_statements.h"
#include "runtime/drawing/drawing.h"

namespace zl {

namespace {

// What the twins differ in.
struct BoxesShape {
    int32_t mode;
    int32_t line_offset;   // added to every source line of the screen-1 routine
    double boxes;
    float colour_scale;
    float last_colour;     // accepted, and stored as colour 0 through the mode's mask
};

constexpr BoxesShape kScreen1{1, 0, 50000.0, 10.0f, 4.0f};
constexpr BoxesShape kScreen7{7, 259, 10000.0, 100.0f, 16.0f};

void boxes(const BoxesShape& shape) {
    Routine routine;
    float& counter = routine.make_single();
    float& x1 = routine.make_single();
    float& y1 = routine.make_single();
    float& x2 = routine.make_single();
    float& y2 = routine.make_single();
    float& colour = routine.make_single();
    if (!routine.enter()) return;

    const int32_t at = shape.line_offset;
    select_mode_and_clear(shape.mode, 297 + at);
    for (CountedLoop loop(counter, 1.0, shape.boxes, 1.0, 298 + at); loop.pass(); loop.step()) {
    redraw:
        label(299 + at);
        // Both x values before both y values.
        x1 = random_below(kCoordinateScale);
        check(300 + at);
        x2 = random_below(kCoordinateScale);
        check(301 + at);
        y1 = random_below(kCoordinateScale);
        check(302 + at);
        y2 = random_below(kCoordinateScale);
        check(303 + at);
        colour = random_below(shape.colour_scale);
        check(304 + at);
        if (taken(colour > shape.last_colour)) {
            check(305 + at);
            goto redraw;
        }
        if (taken((x1 > kLastX) | (x2 > kLastX))) {
            check(306 + at);
            goto redraw;
        }
        if (taken((y1 > kLastY) | (y2 > kLastY))) {
            check(307 + at);
            goto redraw;
        }
        draw_line(x1, y1, x2, y2, to_int(colour), kLineKindFilledBox, 0, kFirstPointAndColour);
        check(308 + at);
    }
}

}  // namespace

void test_boxes_screen1() { boxes(kScreen1); }

void test_boxes_screen7() { boxes(kScreen7); }

}  // namespace zl
