// Seven-character tile fills: 100 passes of 125,000 logarithms, a point and seven codes drawn by
// rejection, a fill with the codes joined forwards, and one with them joined backwards from a
// second point to the right of and below the first. The page is cleared only once.
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
struct Tile7Shape {
    int32_t mode;
    int32_t line_offset;  // added to the source lines up to the first fill's
    bool random_offsets;  // the second point's offset drawn (0 to 9 each way), else 10
};

constexpr Tile7Shape kScreen1{1, 0, false};
constexpr Tile7Shape kScreen7{7, 294, true};

constexpr float kDrawScale = 1000.0f;
constexpr float kOffsetScale = 10.0f;
constexpr float kFixedOffset = 10.0f;
constexpr float kLastCode = 255.0f;
constexpr int kCodes = 7;
constexpr int32_t kTileGiven = 2;

// The seven one-character texts joined in the given order, each join one byte longer.
string_descriptor* joined(string_descriptor* const* chars, const int (&order)[kCodes]) {
    string_descriptor* text = string_concat(chars[order[0]], chars[order[1]]);
    for (int k = 2; k < kCodes; ++k) text = string_concat(text, chars[order[k]]);
    return text;
}

constexpr int kForward[kCodes] = {0, 1, 2, 3, 4, 5, 6};
constexpr int kBackward[kCodes] = {6, 5, 4, 3, 2, 1, 0};

void tile7_fill(const Tile7Shape& shape) {
    Routine routine;
    float& outer_counter = routine.make_single();
    float& inner_counter = routine.make_single();
    float& log_value = routine.make_single();
    float& x = routine.make_single();
    float& y = routine.make_single();
    float* code[kCodes];
    for (float*& c : code) c = &routine.make_single();
    string_descriptor* chars[kCodes];
    for (string_descriptor*& c : chars) c = routine.make_text();
    string_descriptor*& tile_forward = routine.make_text();
    string_descriptor*& tile_backward = routine.make_text();
    float* offset_x = shape.random_offsets ? &routine.make_single() : nullptr;
    float* offset_y = shape.random_offsets ? &routine.make_single() : nullptr;
    if (!routine.enter()) return;

    const int32_t at = shape.line_offset;
    select_mode_and_clear(shape.mode, 373 + at);
    for (CountedLoop outer(outer_counter, 1.0, 100.0, 1.0, 374 + at); outer.pass(); outer.step()) {
        for (CountedLoop logs(inner_counter, 1.0, 125000.0, 1.0, 375 + at); logs.pass();
             logs.step()) {
            log_value = static_cast<float>(natural_log(log_argument));
            check(376 + at);
        }
    redraw_point:
        label(378 + at);
        x = random_below(kDrawScale);
        check(379 + at);
        y = random_below(kDrawScale);
        check(380 + at);
        if (taken((x > kLastX) | (y > kLastY))) {
            check(381 + at);
            goto redraw_point;
        }
        for (int k = 0; k < kCodes; ++k) {
            *code[k] = random_below(kDrawScale);
            check(382 + at + k);
        }
        for (int k = 0; k < kCodes; ++k) {
            if (taken(*code[k] > kLastCode)) {
                check(389 + at + k);
                goto redraw_point;
            }
        }
        for (int k = 0; k < kCodes; ++k) {
            string_assign(chars[k], string_from_char_code(to_int(*code[k])));
            routine.end_statement(396 + at + k);
        }
        string_assign(tile_forward, joined(chars, kForward));
        routine.end_statement(403 + at);
        flood_fill_tiled(x, y, tile_forward, 0, nullptr, kTileGiven);
        routine.end_statement(404 + at);
        string_assign(tile_backward, joined(chars, kBackward));
        routine.end_statement(405 + at);
        if (shape.random_offsets) {
            *offset_x = random_below(kOffsetScale);
            check(700);
            *offset_y = random_below(kOffsetScale);
            check(701);
            flood_fill_tiled(sum(x, *offset_x), sum(y, *offset_y), tile_backward, 0, nullptr,
                             kTileGiven);
            routine.end_statement(702);
        } else {
            flood_fill_tiled(sum(x, kFixedOffset), sum(y, kFixedOffset), tile_backward, 0, nullptr,
                             kTileGiven);
            routine.end_statement(406);
        }
    }
}

}  // namespace

void test_tile7_fill_screen1() {
    tile7_fill(kScreen1);
}

void test_tile7_fill_screen7() {
    tile7_fill(kScreen7);
}

}  // namespace zl
