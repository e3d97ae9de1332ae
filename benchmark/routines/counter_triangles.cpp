// Printed counters, then triangles with bordered fills: 5000 lines of two computed values printed
// over one another at row 10, column 10; then 500 random triangles, each drawn and filled from
// one pixel inside its first corner 1000 times over, piling up on one page.
#include <string_view>

#include "benchmark/frame.h"
#include "benchmark/routines.h"
#include "benchmark/routines/graphics_statements.h"
#include "benchmark/routines/log_argument.h"
#include "runtime/core/arithmetic.h"
#include "runtime/drawing/drawing.h"
#include "runtime/screen/screen_mode.h"
#include "runtime/screen/text_output.h"

namespace zl {

namespace {

// What the two twins differ in.
struct CounterShape {
    int32_t mode;
    int32_t line_offset;  // added to every source line of the mode-7 routine
    float second_base;    // minuend of the second printed value
    float last_x;         // corner limits, inclusive
    float last_y;
};

constexpr CounterShape kScreen7{7, 0, 20000.0f, 320.0f, 200.0f};
constexpr CounterShape kScreen12{12, 132, 5000.0f, 640.0f, 480.0f};

constexpr double kNearE = 2.71828182845905;
constexpr float kFirstRandomScale = 1000.0f;
constexpr float kSecondRandomScale = 100.0f;
constexpr float kCornerScale = 1000.0f;
constexpr float kColourScale = 100.0f;
constexpr float kLastColour = 16.0f;
constexpr float kNoColour = 0.0f;
constexpr float kInside = 1.0f;  // the fill starts this far right of and below the first corner
constexpr int32_t kCounterRow = 10;
constexpr int32_t kCounterColumn = 10;
constexpr int32_t kFillAndBorder = 6;
constexpr std::string_view kThreeBlanks = "   ";

// The second printed value; its random part is drawn in its turn, once the first item is printed.
float second_value(const CounterShape& shape, float loop_counter) {
    const float s = random_number(0.0f, 0);
    return static_cast<float>(static_cast<extended>(shape.second_base) -
                              static_cast<extended>(s) * static_cast<extended>(kSecondRandomScale) *
                                  static_cast<extended>(loop_counter));
}

void counter_triangles(const CounterShape& shape) {
    Routine routine;
    float& loop_counter = routine.make_single();
    float& printed_value = routine.make_single();
    float& outer_counter = routine.make_single();
    float& colour = routine.make_single();
    float& fill_colour = routine.make_single();
    float& x1 = routine.make_single();
    float& y1 = routine.make_single();
    float& x2 = routine.make_single();
    float& y2 = routine.make_single();
    float& x3 = routine.make_single();
    float& y3 = routine.make_single();
    if (!routine.enter()) return;

    const int32_t at = shape.line_offset;
    select_mode_and_clear(shape.mode, 458 + at);
    for (CountedLoop lines(loop_counter, 1.0, 5000.0, 1.0, 459 + at); lines.pass(); lines.step()) {
        const extended logarithm = natural_log(log_argument);
        const double difference = static_cast<double>(logarithm * static_cast<extended>(kNearE) -
                                                      static_cast<extended>(loop_counter));
        const float r = random_number(loop_counter, 1);
        printed_value =
            static_cast<float>(static_cast<extended>(difference) +
                               static_cast<extended>(r) * static_cast<extended>(kFirstRandomScale));
        check(460 + at);
        set_cursor(kCounterRow, kCounterColumn, 0, 0, 0, 3);
        check(461 + at);
        print_list(
            routine,
            {number(printed_value), number_of([&] { return second_value(shape, loop_counter); }),
             literal(kThreeBlanks)},
            LineEnd::yes, 461 + at);
    }

    clear_screen(0, 0, 0);
    check(463 + at);
    for (CountedLoop passes(outer_counter, 1.0, 500.0, 1.0, 464 + at); passes.pass();
         passes.step()) {
    redraw_colour:
        label(465 + at);
        colour = random_below(kColourScale);
        check(467 + at);
        if (taken((colour > kLastColour) | (colour == kNoColour))) {
            check(468 + at);
            goto redraw_colour;
        }
    redraw_fill_colour:
        label(469 + at);
        fill_colour = random_below(kColourScale);
        check(470 + at);
        if (taken((fill_colour > kLastColour) | (fill_colour == kNoColour))) {
            check(471 + at);
            goto redraw_fill_colour;
        }
    redraw_first_corner:
        label(472 + at);
        x1 = random_below(kCornerScale);
        check(474 + at);
        y1 = random_below(kCornerScale);
        check(475 + at);
        if (taken((x1 > shape.last_x) | (y1 > shape.last_y))) {
            check(476 + at);
            goto redraw_first_corner;
        }
    redraw_second_corner:
        label(477 + at);
        x2 = random_below(kCornerScale);
        check(478 + at);
        y2 = random_below(kCornerScale);
        check(479 + at);
        if (taken((x2 > shape.last_x) | (y2 > shape.last_y))) {
            check(480 + at);
            goto redraw_second_corner;
        }
    redraw_third_corner:
        label(481 + at);
        x3 = random_below(kCornerScale);
        check(482 + at);
        y3 = random_below(kCornerScale);
        check(483 + at);
        if (taken((x3 > shape.last_x) | (y3 > shape.last_y))) {
            check(484 + at);
            goto redraw_third_corner;
        }
        for (CountedLoop drawings(loop_counter, 1.0, 1000.0, 1.0, 485 + at); drawings.pass();
             drawings.step()) {
            draw_triangle_outline(x1, y1, x2, y2, x3, y3, colour, 486 + at);
            flood_fill(sum(x1, kInside), sum(y1, kInside), to_int(fill_colour), to_int(colour), 0,
                       kFillAndBorder);
            check(489 + at);
        }
    }
}

}  // namespace

void test_counter_triangles_screen7() {
    counter_triangles(kScreen7);
}

void test_counter_triangles_screen12() {
    counter_triangles(kScreen12);
}

}  // namespace zl
