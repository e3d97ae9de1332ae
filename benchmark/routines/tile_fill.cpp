// One-character tile fills: 100 passes of 125,000 logarithms, a clear, a random code and point,
// a fill from the top row at the point's column, a clear and a fill from the top-left corner;
// then 50,000 sums of a sine and a cosine.
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
struct TileShape {
    int32_t mode;
    int32_t line_offset;  // added to every source line of the mode-1 routine
};

constexpr TileShape kScreen1{1, 0};
constexpr TileShape kScreen7{7, 294};

constexpr float kDrawScale = 1000.0f;
constexpr float kLastCode = 255.0f;
constexpr float kRowLimit = 320.0f;  // y is kept below this; y never reaches a fill
constexpr int32_t kTileGiven = 2;

void tile_fill(const TileShape& shape) {
    Routine routine;
    float& outer_counter = routine.make_single();
    float& inner_counter = routine.make_single();
    float& log_value = routine.make_single();
    float& char_code = routine.make_single();
    string_descriptor*& tile_text = routine.make_text();
    float& x = routine.make_single();
    float& y = routine.make_single();
    // Never assigned: the fills' row, and the second fill's column.
    const float& idle_x = routine.make_single();
    const float& idle_y = routine.make_single();
    if (!routine.enter()) return;

    const int32_t at = shape.line_offset;
    select_mode_and_clear(shape.mode, 349 + at);
    for (CountedLoop outer(outer_counter, 1.0, 100.0, 1.0, 350 + at); outer.pass(); outer.step()) {
        for (CountedLoop logs(inner_counter, 1.0, 125000.0, 1.0, 351 + at); logs.pass();
             logs.step()) {
            log_value = static_cast<float>(natural_log(log_argument));
            check(352 + at);
        }
        clear_screen(0, 0, 0);
        check(354 + at);
    redraw_code:
        label(355 + at);
        char_code = random_below(kDrawScale);
        check(356 + at);
        if (taken(char_code > kLastCode)) {
            check(357 + at);
            goto redraw_code;
        }
        string_assign(tile_text, string_from_char_code(to_int(char_code)));
        routine.end_statement(358 + at);
    redraw_point:
        label(359 + at);
        x = random_below(kDrawScale);
        check(360 + at);
        y = random_below(kDrawScale);
        check(361 + at);
        if (taken((x > kLastX) | (y >= kRowLimit))) {
            check(362 + at);
            goto redraw_point;
        }
        flood_fill_tiled(x, idle_y, tile_text, 0, nullptr, kTileGiven);
        routine.end_statement(363 + at);
        clear_screen(0, 0, 0);
        check(364 + at);
        flood_fill_tiled(idle_x, idle_y, tile_text, 0, nullptr, kTileGiven);
        routine.end_statement(365 + at);
    }
    for (CountedLoop sums(inner_counter, 1.0, 50000.0, 1.0, 367 + at); sums.pass(); sums.step()) {
        const float sine = sin_single(inner_counter);
        const float cosine = cos_single(inner_counter);
        char_code = sum(sine, cosine);
        check(368 + at);
    }
}

}  // namespace

void test_tile_fill_screen1() {
    tile_fill(kScreen1);
}

void test_tile_fill_screen7() {
    tile_fill(kScreen7);
}

}  // namespace zl
