// Triangle tests: passes that clear the page, evaluate a logarithm many thousand times, choose a
// colour and three corners by rejection and draw that one triangle 1000 times over.
#include "benchmark/frame.h"
#include "benchmark/routines.h"
#include "benchmark/routines/graphics_statements.h"
#include "benchmark/routines/log_argument.h"
#include "runtime/core/arithmetic.h"
#include "runtime/drawing/drawing.h"

namespace zl {

namespace {

// What the twins differ in, besides their logarithm statement.
struct TrianglesShape {
    int32_t mode;
    int32_t line_offset;   // added to every source line of the screen-1 routine
    double passes;
    double logarithms;     // evaluations a pass
    float colour_scale;
    float last_colour;     // accepted, and drawn as colour 0 through the mode's mask
};

constexpr TrianglesShape kScreen1{1, 0, 2000.0, 30000.0, 10.0f, 4.0f};
constexpr TrianglesShape kScreen7{7, 278, 1000.0, 20000.0, 100.0f, 16.0f};

constexpr float kNoColour = 0.0f;

// log_value = the logarithm statement's value; every other step is the twins' common one.
template <typename LogStatement>
void triangles(const TrianglesShape& shape, LogStatement log_statement) {
    Routine routine;
    float& outer_counter = routine.make_single();
    float& inner_counter = routine.make_single();
    float& log_value = routine.make_single();
    float& colour = routine.make_single();
    float& x1 = routine.make_single();
    float& y1 = routine.make_single();
    float& x2 = routine.make_single();
    float& y2 = routine.make_single();
    float& x3 = routine.make_single();
    float& y3 = routine.make_single();
    if (!routine.enter()) return;

    const int32_t at = shape.line_offset;
    select_mode_and_clear(shape.mode, 152 + at);
    for (CountedLoop outer(outer_counter, 1.0, shape.passes, 1.0, 153 + at); outer.pass();
         outer.step()) {
        clear_screen(0, 0, 0);
        check(154 + at);
        repeat_statement(inner_counter, shape.logarithms, 155 + at, 156 + at,
                         [&] { log_value = log_statement(natural_log(log_argument)); });
    redraw:
        label(158 + at);
        colour = random_below(shape.colour_scale);
        check(159 + at);
        if (taken(colour > shape.last_colour)) {
            check(160 + at);
            goto redraw;
        }
        if (taken(colour == kNoColour)) {
            check(161 + at);
            goto redraw;
        }
        x1 = random_below(kCoordinateScale);
        check(162 + at);
        y1 = random_below(kCoordinateScale);
        check(163 + at);
        if (taken((x1 > kLastX) | (y1 > kLastY))) {
            check(164 + at);
            goto redraw;
        }
        x2 = random_below(kCoordinateScale);
        check(165 + at);
        y2 = random_below(kCoordinateScale);
        check(166 + at);
        if (taken((x2 > kLastX) | (y2 > kLastY))) {
            check(167 + at);
            goto redraw;
        }
        x3 = random_below(kCoordinateScale);
        check(168 + at);
        y3 = random_below(kCoordinateScale);
        check(169 + at);
        if (taken((x3 > kLastX) | (y3 > kLastY))) {
            check(170 + at);
            goto redraw;
        }
        for (CountedLoop drawings(inner_counter, 1.0, 1000.0, 1.0, 171 + at); drawings.pass();
             drawings.step()) {
            draw_triangle_outline(x1, y1, x2, y2, x3, y3, colour, 172 + at);
        }
    }
}

}  // namespace

void test_triangles_screen1() {
    triangles(kScreen1, [](double logarithm) { return log_plus_e(logarithm); });
}

void test_triangles_screen7() {
    triangles(kScreen7, [](double logarithm) { return static_cast<float>(logarithm); });
}

}  // namespace zl
