// Palette cycling with a filled box: for 20 passes × attributes 0 to 3 × 16 colour values, give
// the attribute that colour, apply the colour statement, draw one box in a random colour, take
// the sine, cosine and logarithm of 1 to 20000, and clear the screen.
#include "benchmark/frame.h"
#include "benchmark/routines.h"
#include "runtime/core/arithmetic.h"
#include "runtime/drawing/drawing.h"
#include "runtime/screen/screen_mode.h"
#include "runtime/screen/text_output.h"

namespace zl {

namespace {

// What the three twins differ in.
struct PaletteBoxShape {
    int32_t mode;
    int32_t line_offset;  // added to every source line of the mode-1 routine
    float colour_scale;
    float colour_limit;
    float right;  // second box corner
    float bottom;
    bool shift_by_pi;  // each evaluation plus and then minus 3.1415926
};

constexpr PaletteBoxShape kScreen1{1, 0, 10.0f, 4.0f, 300.0f, 180.0f, true};
constexpr PaletteBoxShape kScreen7{7, 314, 100.0f, 16.0f, 300.0f, 180.0f, false};
constexpr PaletteBoxShape kScreen12{12, 41, 100.0f, 16.0f, 620.0f, 460.0f, false};

constexpr float kLeft = 20.0f;
constexpr float kTop = 20.0f;
constexpr double kPi = 3.1415926;

// An evaluation as it is stored: rounded to single once, after the optional shift.
float stored(const PaletteBoxShape& shape, extended evaluation) {
    if (shape.shift_by_pi) {
        evaluation = (evaluation + static_cast<extended>(kPi)) - static_cast<extended>(kPi);
    }
    return static_cast<float>(evaluation);
}

void palette_box(const PaletteBoxShape& shape) {
    Routine routine;
    float& outer_counter = routine.make_single();
    float& attribute = routine.make_single();
    float& palette_colour = routine.make_single();
    float& colour = routine.make_single();
    float& inner_counter = routine.make_single();
    float& value = routine.make_single();
    if (!routine.enter()) return;

    const int32_t at = shape.line_offset;
    set_screen_mode(shape.mode, 0, 0, 0, 0, 1);
    check(202 + at);
    for (CountedLoop outer(outer_counter, 1.0, 20.0, 1.0, 203 + at); outer.pass(); outer.step()) {
        for (CountedLoop attributes(attribute, 0.0, 3.0, 1.0, 204 + at); attributes.pass();
             attributes.step()) {
            for (CountedLoop colours(palette_colour, 0.0, 15.0, 1.0, 205 + at); colours.pass();
                 colours.step()) {
                set_palette(to_int(attribute), static_cast<uint32_t>(to_int(palette_colour)), 1);
                check(206 + at);
                set_colour(to_int(attribute), 0, 0, 1);
                check(207 + at);
            redraw_colour:
                label(208 + at);
                colour = random_below(shape.colour_scale);
                check(209 + at);
                if (taken(colour > shape.colour_limit)) {
                    check(210 + at);
                    goto redraw_colour;
                }
                draw_line(kLeft, kTop, shape.right, shape.bottom, to_int(colour),
                          kLineKindFilledBox, 0, 9);
                check(211 + at);
                for (CountedLoop evaluations(inner_counter, 1.0, 20000.0, 1.0, 212 + at);
                     evaluations.pass(); evaluations.step()) {
                    value = stored(shape, sin_single(inner_counter));
                    check(213 + at);
                    value = stored(shape, cos_single(inner_counter));
                    check(214 + at);
                    value = stored(shape, natural_log(static_cast<double>(inner_counter)));
                    check(215 + at);
                }
                clear_screen(0, 0, 0);
                check(217 + at);
            }
        }
    }
}

}  // namespace

void test_palette_box_screen1() {
    palette_box(kScreen1);
}

void test_palette_box_screen7() {
    palette_box(kScreen7);
}

void test_palette_box_screen12() {
    palette_box(kScreen12);
}

}  // namespace zl
