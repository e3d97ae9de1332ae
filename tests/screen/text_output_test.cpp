#include <gtest/gtest.h>

#include <string>

#include "runtime/core/error_state.h"
#include "runtime/host/headless/headless_host.h"
#include "runtime/screen/fonts.h"
#include "runtime/screen/palette.h"
#include "runtime/screen/screen_mode.h"
#include "runtime/screen/screen_page.h"
#include "runtime/screen/text_output.h"
#include "tests/screen/screen_test_support.h"

namespace zl {
namespace {

using test::print_item;
using test::print_line;
using test::text_row;

class TextOutputTest : public ::testing::Test {
protected:
    HeadlessHost host;
    screen_page& page() { return *write_page; }
};

TEST_F(TextOutputTest, PrintsInTheCurrentColoursAndEndsTheLine) {
    set_colour(14, 1, 0, 3);
    set_cursor(10, 30, 0, 0, 0, 3);
    print_line("Progress: ");
    EXPECT_EQ(text_row(page(), 10, 30, 39), "Progress: ");
    EXPECT_EQ(test::text_attribute_at(page(), 10, 30), 0x1E);
    EXPECT_EQ(page().cursor_row, 11);
    EXPECT_EQ(page().cursor_column, 1);
}

TEST_F(TextOutputTest, ForegroundAboveFifteenSetsTheBlinkBit) {
    set_colour(31, 0, 0, 1);
    print_item("x");
    EXPECT_EQ(test::text_attribute_at(page(), 1, 1), 0x8F);
}

TEST_F(TextOutputTest, LongTextWrapsOntoTheNextRow) {
    set_cursor(2, 1, 0, 0, 0, 3);
    print_item(std::string(85, 'w'));
    EXPECT_EQ(text_row(page(), 2, 1, 80), std::string(80, 'w'));
    EXPECT_EQ(text_row(page(), 3, 1, 6), "wwwww ");
    EXPECT_EQ(page().cursor_row, 3);
    EXPECT_EQ(page().cursor_column, 6);
}

TEST_F(TextOutputTest, ItemThatDoesNotFitMovesToTheNextRowFirst) {
    set_cursor(4, 77, 0, 0, 0, 3);
    print_item("abcde");
    EXPECT_EQ(text_row(page(), 4, 77, 80), "    ");
    EXPECT_EQ(text_row(page(), 5, 1, 5), "abcde");
}

TEST_F(TextOutputTest, LastColumnParksTheCursorUntilTheNextNonEmptyPrint) {
    set_cursor(6, 80, 0, 0, 0, 3);
    print_item("P");
    EXPECT_TRUE(page().cursor_parked);
    EXPECT_EQ(page().cursor_row, 6);
    EXPECT_EQ(cursor_row(), 7);
    string_descriptor* empty = string_from_literal("", 0);
    print_string(empty, 0);   // an empty print keeps the parking
    string_free(empty);
    EXPECT_TRUE(page().cursor_parked);
    print_item("Q");
    EXPECT_EQ(text_row(page(), 6, 80, 80), "P");
    EXPECT_EQ(text_row(page(), 7, 1, 1), "Q");
    EXPECT_EQ(page().cursor_column, 2);
    EXPECT_FALSE(page().cursor_parked);
}

TEST_F(TextOutputTest, LastColumnWithLineEndMovesOnlyOneRow) {
    set_cursor(6, 80, 0, 0, 0, 3);
    string_descriptor* text = string_from_literal("P", 1);
    print_string(text, 1);
    string_free(text);
    EXPECT_FALSE(page().cursor_parked);
    EXPECT_EQ(page().cursor_row, 7);
    EXPECT_EQ(page().cursor_column, 1);
}

TEST_F(TextOutputTest, ParkingSurvivesClearScreen) {
    set_cursor(6, 80, 0, 0, 0, 3);
    print_item("P");
    clear_screen(0, 0, 0);
    EXPECT_EQ(page().cursor_row, 1);
    EXPECT_TRUE(page().cursor_parked);
    print_item("Q");
    EXPECT_EQ(text_row(page(), 1, 1, 1), " ");
    EXPECT_EQ(text_row(page(), 2, 1, 1), "Q");
}

TEST_F(TextOutputTest, SetCursorEndsTheParking) {
    set_cursor(6, 80, 0, 0, 0, 3);
    print_item("P");
    set_cursor(9, 3, 0, 0, 0, 3);
    EXPECT_FALSE(page().cursor_parked);
    print_item("Q");
    EXPECT_EQ(text_row(page(), 9, 3, 3), "Q");
}

TEST_F(TextOutputTest, CursorRowWhileParkedOnTheWindowBottomStaysThere) {
    set_cursor(24, 80, 0, 0, 0, 3);
    print_item("P");
    EXPECT_EQ(cursor_row(), 24);
}

TEST_F(TextOutputTest, EmptyPrintWithLineEndOnlyEndsTheLine) {
    set_cursor(3, 5, 0, 0, 0, 3);
    print_string(line_end_string, 1);
    EXPECT_EQ(page().cursor_row, 4);
    EXPECT_EQ(page().cursor_column, 1);
    EXPECT_EQ(text_row(page(), 3, 1, 80), std::string(80, ' '));
    // Parked: the line end is the one the parking stands for, not a second one.
    set_cursor(8, 80, 0, 0, 0, 3);
    print_item("P");
    print_string(line_end_string, 1);
    EXPECT_EQ(page().cursor_row, 9);
    EXPECT_FALSE(page().cursor_parked);
}

TEST_F(TextOutputTest, LineEndOnTheWindowBottomScrollsTheWindowOnly) {
    set_cursor(1, 1, 0, 0, 0, 3);
    print_item("top");
    set_cursor(2, 1, 0, 0, 0, 3);
    print_item("second");
    set_cursor(25, 1, 0, 0, 0, 3);
    print_item("status");
    set_cursor(24, 1, 0, 0, 0, 3);
    print_line("bottom");
    EXPECT_EQ(text_row(page(), 1, 1, 6), "second");
    EXPECT_EQ(text_row(page(), 23, 1, 6), "bottom");
    EXPECT_EQ(text_row(page(), 24, 1, 6), "      ");
    EXPECT_EQ(text_row(page(), 25, 1, 6), "status");
    EXPECT_EQ(page().cursor_row, 24);
}

TEST_F(TextOutputTest, ClearScreenBlanksInTheCurrentColoursAndHomesTheCursor) {
    set_cursor(25, 1, 0, 0, 0, 3);
    print_item("status");
    set_colour(2, 4, 0, 3);
    clear_screen(0, 0, 0);
    EXPECT_EQ(text_row(page(), 25, 1, 6), "      ");
    EXPECT_EQ(test::text_attribute_at(page(), 25, 1), 0x42);
    EXPECT_EQ(test::text_attribute_at(page(), 1, 80), 0x42);
    EXPECT_EQ(page().cursor_row, 1);
    EXPECT_EQ(page().cursor_column, 1);
}

TEST_F(TextOutputTest, ScreenCharAtReadsCharacterAndAttribute) {
    set_colour(9, 0, 0, 1);
    set_cursor(23, 29, 0, 0, 0, 3);
    print_line("\xB7");
    EXPECT_EQ(screen_char_at(23, 29, 0, 1), 183);
    EXPECT_EQ(screen_char_at(23, 29, 1, 1), 9);
    EXPECT_EQ(screen_char_at(23, 29, 1, 0), 183);   // passed 0: the flag counts as 0
    EXPECT_EQ(cursor_row(), 24);
}

// --- graphics pages ---

class GraphicsTextTest : public TextOutputTest {
protected:
    void SetUp() override { set_screen_mode(7, 0, 0, 0, 0, 1); }
};

TEST_F(GraphicsTextTest, GlyphCellTakesForegroundAndBackground) {
    set_colour(12, 0, 0, 1);
    page().background = 1;   // mode 7 keeps background 0 through set_colour; set it for the test
    set_cursor(2, 3, 0, 0, 0, 3);
    print_item("A");
    const uint8_t* glyph = font_8x8['A'];
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 8; ++x) {
            const bool ink = glyph[y] & (0x80 >> x);
            ASSERT_EQ(test::pixel(page(), 16 + x, 8 + y), ink ? 12 : 1) << x << "," << y;
        }
    }
    EXPECT_EQ(test::pixel(page(), 15, 8), 0);
    EXPECT_EQ(test::pixel(page(), 24, 8), 0);
    EXPECT_EQ(page().cursor_column, 4);
}

TEST_F(GraphicsTextTest, ColourIsCutToTheMaskOfModeOne) {
    set_screen_mode(1, 0, 0, 0, 0, 1);
    print_item("\xDB");   // full block
    EXPECT_EQ(test::pixel(page(), 0, 0), 3);
    EXPECT_EQ(test::pixel(page(), 7, 7), 3);
}

TEST_F(GraphicsTextTest, FitTestUsesPixelWidths) {
    set_cursor(1, 38, 0, 0, 0, 3);
    print_item("abc");   // 37 × 8 + 24 = 320 fits exactly
    EXPECT_EQ(page().cursor_row, 1);
    EXPECT_TRUE(page().cursor_parked);
    set_cursor(1, 39, 0, 0, 0, 3);
    print_item("abc");
    EXPECT_EQ(page().cursor_row, 2);
    EXPECT_EQ(screen_char_at(2, 1, 0, 1), 'a');
}

TEST_F(GraphicsTextTest, ScrollMovesPixelRowsAndBlanksTheBottomTextRow) {
    set_cursor(2, 1, 0, 0, 0, 3);
    print_item("M");
    set_cursor(25, 1, 0, 0, 0, 3);
    print_item("S");
    set_cursor(24, 1, 0, 0, 0, 3);
    print_line("B");
    EXPECT_EQ(screen_char_at(1, 1, 0, 1), 'M');
    EXPECT_EQ(screen_char_at(23, 1, 0, 1), 'B');
    EXPECT_EQ(screen_char_at(24, 1, 0, 1), ' ');
    EXPECT_EQ(screen_char_at(25, 1, 0, 1), 'S');
    for (int x = 0; x < 320; ++x) ASSERT_EQ(test::pixel(page(), x, 23 * 8 + 3), 0);
}

TEST_F(GraphicsTextTest, ScreenCharAtRecognisesGlyphsOfEachFontHeight) {
    for (int32_t mode : {7, 12, 9}) {
        set_screen_mode(mode, 0, 0, 0, 0, 1);
        set_cursor(3, 4, 0, 0, 0, 3);
        set_colour(5, 0, 0, 1);
        print_item("Zq\x9D");
        EXPECT_EQ(screen_char_at(3, 4, 0, 1), 'Z') << mode;
        EXPECT_EQ(screen_char_at(3, 5, 0, 1), 'q') << mode;
        EXPECT_EQ(screen_char_at(3, 6, 0, 1), 0x9D) << mode;
        EXPECT_EQ(screen_char_at(3, 6, 1, 1), 5) << mode;
        EXPECT_EQ(screen_char_at(10, 10, 0, 1), ' ') << mode;
    }
}

TEST_F(GraphicsTextTest, ClearFillsWithBackgroundAndCentresTheGraphicsCursor) {
    page().pixels[100] = 7;
    page().graphics_x = 3;
    clear_screen(0, 0, 0);
    EXPECT_EQ(page().pixels[100], 0);
    EXPECT_EQ(page().graphics_x, 160);
    EXPECT_EQ(page().graphics_y, 100);
    clear_screen(0, 9, 2);
    for (int i = 0; i < 320 * 200; ++i) ASSERT_EQ(page().pixels[i], 9);
}

// --- refusals: each raises 5 and changes nothing ---

struct Refusal {
    const char* name;
    int32_t mode;
    void (*call)();
};

class RefusalTest : public TextOutputTest, public ::testing::WithParamInterface<Refusal> {};

TEST_P(RefusalTest, RaisesIllegalFunctionCallAndChangesNothing) {
    const Refusal& c = GetParam();
    if (c.mode != 0) set_screen_mode(c.mode, 0, 0, 0, 0, 1);
    set_cursor(3, 4, 0, 0, 0, 3);
    const screen_page before = page();
    const uint32_t palette_before[4] = {page().palette[0], page().palette[1], page().palette[2],
                                        page().palette[3]};
    const uint8_t first_byte = page().pixels[0];
    c.call();
    EXPECT_EQ(error_state.pending_error.load(), 5);
    EXPECT_EQ(page().foreground, before.foreground);
    EXPECT_EQ(page().background, before.background);
    EXPECT_EQ(page().cursor_row, before.cursor_row);
    EXPECT_EQ(page().cursor_column, before.cursor_column);
    EXPECT_EQ(page().cursor_visible, before.cursor_visible);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(page().palette[i], palette_before[i]);
    EXPECT_EQ(page().pixels[0], first_byte);
}

INSTANTIATE_TEST_SUITE_P(
    BadInput, RefusalTest,
    ::testing::Values(
        Refusal{"textForeground32", 0, [] { set_colour(32, 0, 0, 1); }},
        Refusal{"textBackground16", 0, [] { set_colour(1, 16, 0, 3); }},
        Refusal{"textNegativeForeground", 0, [] { set_colour(-1, 0, 0, 1); }},
        Refusal{"mode1Foreground16", 1, [] { set_colour(16, 0, 0, 1); }},
        Refusal{"mode1Border", 1, [] { set_colour(1, 0, 1, 5); }},
        Refusal{"mode7Background16", 7, [] { set_colour(1, 16, 0, 3); }},
        Refusal{"mode12Foreground16", 12, [] { set_colour(16, 0, 0, 1); }},
        Refusal{"paletteAttribute16", 7, [] { set_palette(16, 1, 1); }},
        Refusal{"paletteNegativeAttribute", 7, [] { set_palette(-1, 1, 1); }},
        Refusal{"mode1PaletteColour16", 1, [] { set_palette(0, 16, 1); }},
        Refusal{"mode0PaletteColour64", 0, [] { set_palette(1, 64, 1); }},
        Refusal{"mode12PaletteStrayBit", 12, [] { set_palette(1, 0x40, 1); }},
        Refusal{"mode12PaletteNegative", 12, [] { set_palette(1, 0xFFFFFFFFu, 1); }},
        Refusal{"cursorRow0", 0, [] { set_cursor(0, 1, 0, 0, 0, 3); }},
        Refusal{"cursorRow26", 0, [] { set_cursor(26, 1, 0, 0, 0, 3); }},
        Refusal{"cursorColumn81", 0, [] { set_cursor(1, 81, 0, 0, 0, 3); }},
        Refusal{"cursorColumn41Mode7", 7, [] { set_cursor(1, 41, 0, 0, 0, 3); }},
        Refusal{"cursorRow31Mode12", 12, [] { set_cursor(31, 1, 0, 0, 0, 1); }},
        Refusal{"cursorVisible2", 0, [] { set_cursor(1, 1, 2, 0, 0, 7); }},
        Refusal{"cursorLine32", 0, [] { set_cursor(0, 0, 0, 32, 0, 8); }},
        Refusal{"clearMethod3", 7, [] { clear_screen(3, 0, 1); }},
        Refusal{"clearColourAboveMask", 1, [] { clear_screen(0, 4, 2); }},
        Refusal{"clearColourAboveMask12", 12, [] { clear_screen(0, 16, 2); }},
        Refusal{"readRow26", 0, [] { screen_char_at(26, 1, 0, 1); }},
        Refusal{"readColumn0", 0, [] { screen_char_at(1, 0, 0, 1); }},
        Refusal{"readColumn41Mode1", 1, [] { screen_char_at(1, 41, 0, 1); }}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(TextOutputTest, PendingErrorStopsPrintingAndClearing) {
    raise_error(6);
    print_item("x");
    clear_screen(0, 0, 0);
    set_colour(3, 0, 0, 1);
    EXPECT_EQ(text_row(page(), 1, 1, 1), " ");
    EXPECT_EQ(page().foreground, 7u);
}

TEST_F(TextOutputTest, ModeOneColourArgumentsPickPaletteEntries) {
    set_screen_mode(1, 0, 0, 0, 0, 1);
    set_colour(2, 0, 0, 1);
    EXPECT_EQ(page().foreground, 3u);
    EXPECT_EQ(page().palette[0], default_palette_16[2]);
    set_colour(0, 0, 0, 2);   // even: entries 2, 4, 6
    EXPECT_EQ(page().palette[1], default_palette_16[2]);
    EXPECT_EQ(page().palette[3], default_palette_16[6]);
    set_colour(0, 1, 0, 2);   // odd: entries 3, 5, 7
    EXPECT_EQ(page().palette[1], default_palette_16[3]);
    EXPECT_EQ(page().palette[3], default_palette_16[7]);
}

TEST_F(TextOutputTest, ModeSevenBackgroundRecoloursEntryZero) {
    set_screen_mode(7, 0, 0, 0, 0, 1);
    set_colour(9, 4, 0, 3);
    EXPECT_EQ(page().foreground, 9u);
    EXPECT_EQ(page().background, 0u);
    EXPECT_EQ(page().palette[0], default_palette_16[4]);
}

}  // namespace
}  // namespace zl
