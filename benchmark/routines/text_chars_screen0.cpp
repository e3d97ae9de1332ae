// Random characters on the text screen: 100,000 characters, each with a random colour at a random
// place, drawn with rejection from one redraw label, then read back twice with the cursor row.
#include "benchmark/frame.h"
#include "benchmark/routines.h"
#include "benchmark/routines/graphics_statements.h"
#include "runtime/screen/screen_mode.h"
#include "runtime/screen/text_output.h"

namespace zl {

namespace {

constexpr float kSmallScale = 100.0f;   // colour, column, row
constexpr float kCodeScale = 1000.0f;   // character code
constexpr float kLastColumn = 79.0f;
constexpr float kLastRow = 23.0f;
constexpr float kLastColour = 15.0f;
constexpr float kFirstCode = 33.0f;
constexpr float kLastCode = 255.0f;

}  // namespace

void test_text_chars_screen0() {
    Routine routine;
    float& pass_counter = routine.make_single();
    float& colour = routine.make_single();
    float& column = routine.make_single();
    float& row = routine.make_single();
    float& character_code = routine.make_single();
    float& read_back = routine.make_single();
    if (!routine.enter()) return;

    select_mode_and_clear(0, 225);
    for (CountedLoop loop(pass_counter, 1.0, 100000.0, 1.0, 226); loop.pass(); loop.step()) {
    redraw:
        label(227);
        colour = random_below(kSmallScale);
        check(228);
        column = random_below(kSmallScale);
        check(229);
        row = random_below(kSmallScale);
        check(230);
        // Every operand is evaluated: the conditions combine with a bitwise or.
        if (taken((column > kLastColumn) | (row > kLastRow))) {
            check(231);
            goto redraw;
        }
        if (taken((column == 0.0f) | (row == 0.0f))) {
            check(232);
            goto redraw;
        }
        if (taken((colour > kLastColour) | (colour == 0.0f))) {
            check(233);
            goto redraw;
        }
        character_code = random_below(kCodeScale);
        check(234);
        if (taken((character_code < kFirstCode) | (character_code > kLastCode))) {
            check(235);
            goto redraw;
        }

        set_colour(to_int(colour), 0, 0, 1);
        check(236);
        set_cursor(to_int(row), to_int(column), 0, 0, 0, 3);
        check(236);
        print_char_code(routine, character_code, LineEnd::yes, 236);

        read_back = static_cast<float>(static_cast<uint32_t>(
            screen_char_at(to_int(row), to_int(column), 0, 1)));
        check(237);
        read_back = static_cast<float>(static_cast<uint32_t>(
            screen_char_at(to_int(row), to_int(column), 0, 1)));
        check(238);
        character_code = static_cast<float>(cursor_row());
        check(239);
    }
}

}  // namespace zl
