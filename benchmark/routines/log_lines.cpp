// Logarithm and line tests: passes of 10,000 logarithm evaluations, each pass ending in one line
// of random colour and end points, all lines kept on the page. Screen 1 makes a billion
// evaluations of an expression that turns into a NaN through an operand left at 0.
#include "benchmark/frame.h"
#include "benchmark/routines.h"
#include "benchmark/routines/graphics_statements.h"
#include "benchmark/routines/log_argument.h"
#include "runtime/core/arithmetic.h"
#include "runtime/drawing/drawing.h"

namespace zl {

namespace {

// What the twins differ in, besides their logarithm statement.
struct LogLinesShape {
    int32_t mode;
    int32_t line_offset;   // added to every source line of the screen-1 routine
    double passes;
    float colour_scale;
    float last_colour;     // accepted, and drawn as colour 0 through the mode's mask
};

constexpr LogLinesShape kScreen1{1, 0, 100000.0, 10.0f, 4.0f};
constexpr LogLinesShape kScreen7{7, 296, 2000.0, 100.0f, 16.0f};

// The variables both twins have, made by each in its own listed order.
struct LineVariables {
    float& outer_counter;
    float& inner_counter;
    float& colour;
    float& x1;
    float& y1;
    float& x2;
    float& y2;
};

// log_statement() is the logarithm line's statement, without its check.
template <typename LogStatement>
void log_lines(const LogLinesShape& shape, const LineVariables& v, LogStatement log_statement) {
    const int32_t at = shape.line_offset;
    select_mode_and_clear(shape.mode, 411 + at);
    for (CountedLoop outer(v.outer_counter, 1.0, shape.passes, 1.0, 412 + at); outer.pass();
         outer.step()) {
        repeat_statement(v.inner_counter, 10000.0, 413 + at, 414 + at, log_statement);
    redraw:
        label(416 + at);
        v.colour = random_below(shape.colour_scale);
        check(417 + at);
        if (taken(v.colour > shape.last_colour)) {
            check(418 + at);
            goto redraw;
        }
        v.x1 = random_below(kCoordinateScale);
        check(419 + at);
        v.y1 = random_below(kCoordinateScale);
        check(420 + at);
        if (taken((v.x1 > kLastX) | (v.y1 > kLastY))) {
            check(421 + at);
            goto redraw;
        }
        v.x2 = random_below(kCoordinateScale);
        check(422 + at);
        v.y2 = random_below(kCoordinateScale);
        check(423 + at);
        if (taken((v.x2 > kLastX) | (v.y2 > kLastY))) {
            check(424 + at);
            goto redraw;
        }
        draw_line(v.x1, v.y1, v.x2, v.y2, to_int(v.colour), kLineKindLine, 0,
                  kFirstPointAndColour);
        check(425 + at);
    }
}

}  // namespace

void test_log_lines_screen1() {
    Routine routine;
    float& outer_counter = routine.make_single();
    float& inner_counter = routine.make_single();
    float& log_value = routine.make_single();
    float& idle_operand = routine.make_single();
    float& colour = routine.make_single();
    float& x1 = routine.make_single();
    float& y1 = routine.make_single();
    float& x2 = routine.make_single();
    float& y2 = routine.make_single();
    if (!routine.enter()) return;
    log_lines(kScreen1, {outer_counter, inner_counter, colour, x1, y1, x2, y2}, [&] {
        const double logarithm = natural_log(log_argument);
        log_value = log_with_idle_quotient(logarithm, idle_operand);
    });
}

void test_log_lines_screen7() {
    Routine routine;
    float& outer_counter = routine.make_single();
    float& inner_counter = routine.make_single();
    float& log_value = routine.make_single();
    float& colour = routine.make_single();
    float& x1 = routine.make_single();
    float& y1 = routine.make_single();
    float& x2 = routine.make_single();
    float& y2 = routine.make_single();
    if (!routine.enter()) return;
    log_lines(kScreen7, {outer_counter, inner_counter, colour, x1, y1, x2, y2},
              [&] { log_value = static_cast<float>(natural_log(log_argument)); });
}

}  // namespace zl
