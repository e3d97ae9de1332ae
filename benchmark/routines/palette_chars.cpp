// Palette cycling with random characters: for 20 passes × each attribute × 16 colours, give the
// attribute that colour, apply the colour statement, fill the text window with 960 random
// printable characters one print at a time, and clear the screen.
#include "benchmark/frame.h"
#include "benchmark/routines.h"
#include "runtime/screen/screen_mode.h"
#include "runtime/screen/text_output.h"

namespace zl {

namespace {

// What the two twins differ in.
struct PaletteCharsShape {
    int32_t mode;
    double last_attribute;
    int32_t line_offset;  // added to every source line of the mode-1 routine
};

constexpr PaletteCharsShape kScreen1{1, 3.0, 0};
constexpr PaletteCharsShape kScreen7{7, 15.0, 314};

constexpr float kCodeScale = 1000.0f;
constexpr float kFirstPrintable = 33.0f;
constexpr float kLastPrintable = 255.0f;

void palette_chars(const PaletteCharsShape& shape) {
    Routine routine;
    float& outer_counter = routine.make_single();
    float& attribute = routine.make_single();
    float& palette_colour = routine.make_single();
    float& row_counter = routine.make_single();
    float& column_counter = routine.make_single();
    float& char_code = routine.make_single();
    if (!routine.enter()) return;

    const int32_t at = shape.line_offset;
    set_screen_mode(shape.mode, 0, 0, 0, 0, 1);
    check(180 + at);
    for (CountedLoop outer(outer_counter, 1.0, 20.0, 1.0, 181 + at); outer.pass(); outer.step()) {
        for (CountedLoop attributes(attribute, 0.0, shape.last_attribute, 1.0, 182 + at);
             attributes.pass(); attributes.step()) {
            for (CountedLoop colours(palette_colour, 0.0, 15.0, 1.0, 183 + at); colours.pass();
                 colours.step()) {
                set_palette(to_int(attribute), static_cast<uint32_t>(to_int(palette_colour)), 1);
                check(184 + at);
                set_colour(to_int(attribute), 0, 0, 1);
                check(185 + at);
                for (CountedLoop rows(row_counter, 1.0, 24.0, 1.0, 186 + at); rows.pass();
                     rows.step()) {
                    for (CountedLoop columns(column_counter, 1.0, 40.0, 1.0, 187 + at);
                         columns.pass(); columns.step()) {
                    redraw_code:
                        label(188 + at);
                        char_code = random_below(kCodeScale);
                        check(189 + at);
                        if (taken(char_code < kFirstPrintable)) {
                            check(190 + at);
                            goto redraw_code;
                        }
                        if (taken(char_code > kLastPrintable)) {
                            check(191 + at);
                            goto redraw_code;
                        }
                        print_char_code(routine, char_code, LineEnd::no, 192 + at);
                    }
                }
                clear_screen(0, 0, 0);
                check(195 + at);
            }
        }
    }
}

}  // namespace

void test_palette_chars_screen1() {
    palette_chars(kScreen1);
}

void test_palette_chars_screen7() {
    palette_chars(kScreen7);
}

}  // namespace zl
