// The palette-cycling routines, watched statement by statement: the palette and colours of every
// colour pass, the characters and boxes they draw, the cursor's parked line end across clears,
// and the state each routine leaves for the next.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <vector>

#include "benchmark/routines.h"
#include "routine_probe.h"
#include "runtime/host/headless/headless_host.h"
#include "runtime/screen/palette.h"
#include "runtime/screen/screen_mode.h"
#include "runtime/screen/text_output.h"

namespace zl {
namespace {

using probe::Sequence;
using probe::StatementProbe;
using probe::Variables;

constexpr int kCharsPerPass = 960;
constexpr int kColumns = 40;
constexpr int kWindowRows = 192;  // 24 text rows of 8 pixels; the page's last 8 rows lie below
constexpr uint32_t kWhite = 15;
constexpr uint32_t kCyan = 3;

uint32_t entry(int index) {
    return write_page->palette[index];
}
uint32_t colour_of(uint32_t default_index) {
    return default_palette_16[default_index];
}

// The characters of one pass in order, 40 to a row over rows 1 to 24.
bool window_shows(const std::vector<uint8_t>& codes, uint8_t ink) {
    for (int k = 0; k < static_cast<int>(codes.size()); ++k) {
        if (!probe::cell_shows(k / kColumns + 1, k % kColumns + 1, codes[k], ink, 0)) return false;
    }
    return true;
}

// The previous routine's picture, never colour 0, so that whatever a pass leaves of it shows.
uint8_t old_colour(int x, int y) {
    return static_cast<uint8_t>(1 + (7 * x + 3 * y) % write_page->colour_mask);
}
void draw_old_picture() {
    for (int y = 0; y < write_page->height; ++y) {
        for (int x = 0; x < write_page->width; ++x) {
            write_page->pixels[y * write_page->width + x] = old_colour(x, y);
        }
    }
}
bool rows_below_window_keep_old_picture() {
    for (int y = kWindowRows; y < write_page->height; ++y) {
        for (int x = 0; x < write_page->width; ++x) {
            if (probe::pixel(x, y) != old_colour(x, y)) return false;
        }
    }
    return true;
}

class PaletteRoutinesTest : public ::testing::Test {
  protected:
    void enter_mode(int32_t mode) { set_screen_mode(mode, 0, 0, 0, 0, 1); }
    void give_all_entries(int count, uint32_t colour) {
        for (int attribute = 0; attribute < count; ++attribute) set_palette(attribute, colour, 1);
    }
    HeadlessHost host;
};

// What one palette-chars run is seen to do.
struct CharsRun {
    int passes = 0;
    int prints = 0;
    int clears = 0;
    int draws = 0;
    int pictures_in_place = 0;  // passes of the first outer pass that end showing their characters
    bool codes_follow_sequence = true;
    bool palette_as_expected = true;
    bool first_char_placed = true;
    bool clears_park = true;
};

// Watches a palette-chars routine from the start of the run (fresh sequence).
CharsRun watch_palette_chars(void (*routine)(), int32_t at, bool mode_1) {
    CharsRun run;
    Sequence model;
    std::vector<uint8_t> codes;
    const Variables vars;  // outer, attribute, palette colour, row, column, code
    StatementProbe probe([&](int32_t line) {
        if (line == 189 + at) ++run.draws;
        if (line == 185 + at) {
            ++run.passes;
            codes.clear();
            const auto attribute = static_cast<int>(vars.single(1));
            const auto colour = static_cast<uint32_t>(vars.single(2));
            bool ok;
            if (mode_1) {
                // The colour statement gives entry 0 at once; the foreground stays 3.
                ok = entry(0) == colour_of(attribute) && write_page->foreground == 3 &&
                     (attribute == 0 || entry(attribute) == colour_of(colour));
            } else {
                ok = write_page->foreground == static_cast<uint32_t>(attribute) &&
                     entry(attribute) == colour_of(colour) &&
                     (attribute == 0 || entry(0) == colour_of(kWhite));
            }
            run.palette_as_expected = run.palette_as_expected && ok;
        }
        if (line == 192 + at) {
            ++run.prints;
            float expected;
            do expected = model.below(1000.0f);
            while (expected < 33.0f || expected > 255.0f);
            const float code = vars.single(5);
            run.codes_follow_sequence = run.codes_follow_sequence && code == expected;
            codes.push_back(static_cast<uint8_t>(code));
            if (codes.size() == 1) {
                // The first pass starts at row 1; every later one with the parked line end.
                const int row = run.passes == 1 ? 1 : 2;
                run.first_char_placed =
                    run.first_char_placed && write_page->cursor_row == row &&
                    write_page->cursor_column == 2 &&
                    probe::cell_shows(row, 1, codes[0],
                                      static_cast<uint8_t>(write_page->foreground), 0);
            }
            if (codes.size() == kCharsPerPass && vars.single(0) == 1.0f) {
                // Every pass but the first scrolled once: all end with the same layout, in the
                // ink of the pass (mode 1: 3; mode 7: the attribute), over the old picture in
                // the first pass, which stays below the window until the first clear.
                const auto ink = static_cast<uint8_t>(mode_1 ? 3 : vars.single(1));
                run.pictures_in_place += window_shows(codes, ink) && write_page->cursor_parked &&
                                         (run.passes > 1 || rows_below_window_keep_old_picture());
            }
        }
        if (line == 195 + at) {
            ++run.clears;
            run.clears_park = run.clears_park && write_page->cursor_row == 1 &&
                              write_page->cursor_column == 1 && write_page->cursor_parked &&
                              (run.clears > 3 || probe::page_is(0));
        }
    });
    EXPECT_TRUE(StatementProbe::run(routine));
    EXPECT_EQ(random_seed, model.state);
    EXPECT_EQ(run.draws, model.draws);
    return run;
}

TEST_F(PaletteRoutinesTest, CharsScreen1CyclesBackgroundAndPrintsEveryPassInPlace) {
    enter_mode(1);
    draw_old_picture();
    const CharsRun run = watch_palette_chars(test_palette_chars_screen1, 0, true);
    EXPECT_EQ(run.pictures_in_place, 4 * 16);
    EXPECT_EQ(run.passes, 1280);
    EXPECT_EQ(run.prints, 1228800);
    EXPECT_EQ(run.clears, 1280);
    EXPECT_TRUE(run.codes_follow_sequence);
    EXPECT_TRUE(run.palette_as_expected);
    EXPECT_TRUE(run.first_char_placed);
    EXPECT_TRUE(run.clears_park);

    // Left for the box routine: cyan background, white entries 1 to 3, foreground 3.
    EXPECT_EQ(entry(0), colour_of(kCyan));
    for (int k = 1; k <= 3; ++k) EXPECT_EQ(entry(k), colour_of(kWhite));
    EXPECT_EQ(write_page->foreground, 3u);
    EXPECT_TRUE(probe::page_is(0));
    EXPECT_EQ(error_state.pending_error.load(), 0);
}

TEST_F(PaletteRoutinesTest, CharsScreen7MakesEachAttributeTheForegroundAndLeavesAllWhite) {
    enter_mode(7);
    draw_old_picture();
    const CharsRun run = watch_palette_chars(test_palette_chars_screen7, 314, false);
    EXPECT_EQ(run.pictures_in_place, 16 * 16);
    EXPECT_EQ(run.passes, 5120);
    EXPECT_EQ(run.prints, 4915200);
    EXPECT_EQ(run.clears, 5120);
    EXPECT_TRUE(run.codes_follow_sequence);
    EXPECT_TRUE(run.palette_as_expected);
    EXPECT_TRUE(run.first_char_placed);
    EXPECT_TRUE(run.clears_park);

    for (int k = 0; k < 16; ++k) EXPECT_EQ(entry(k), colour_of(kWhite)) << k;
    EXPECT_EQ(write_page->foreground, 15u);
    EXPECT_TRUE(probe::page_is(0));
}

TEST_F(PaletteRoutinesTest, CharsScreen7AttributeZeroPrintsSolidBlocksOfTheBackground) {
    enter_mode(7);
    draw_old_picture();
    int prints = 0;
    const Variables vars;
    StatementProbe probe([&](int32_t line) {
        if (line != 506) return;
        if (++prints < kCharsPerPass) return;
        // The first colour pass, attribute 0: the window's 24 rows of cells are solid
        // attribute 0, glyph and paper alike, and the old picture stays below them.
        EXPECT_EQ(vars.single(1), 0.0f);
        int wrong = 0;
        for (int y = 0; y < write_page->height; ++y) {
            for (int x = 0; x < write_page->width; ++x) {
                wrong += probe::pixel(x, y) != (y < kWindowRows ? 0 : old_colour(x, y));
            }
        }
        EXPECT_EQ(wrong, 0);
        throw probe::Stop{};
    });
    EXPECT_FALSE(StatementProbe::run(test_palette_chars_screen7));
    EXPECT_EQ(prints, kCharsPerPass);
}

// What one palette-box run is seen to do.
struct BoxShape {
    void (*routine)();
    int32_t at;
    int32_t mode;
    float scale;
    float limit;
    int right;
    int bottom;
};

struct BoxRun {
    int boxes = 0;
    int clears = 0;
    bool colours_follow_sequence = true;
    bool boxes_exact = true;
    bool palette_as_expected = true;
    bool clears_empty = true;
    bool evaluations_exact = true;
};

constexpr int kEvaluations = 20000;

// What each of a pass's evaluation statements must store for the arguments 1 to 20000: the
// single-precision sine, cosine and logarithm (the mode-1 shift by pi changes none of them).
struct Evaluations {
    std::array<std::vector<float>, 3> stored;
    Evaluations() {
        for (int k = 1; k <= kEvaluations; ++k) {
            stored[0].push_back(static_cast<float>(std::sin(static_cast<double>(k))));
            stored[1].push_back(static_cast<float>(std::cos(static_cast<double>(k))));
            stored[2].push_back(static_cast<float>(std::log(static_cast<double>(k))));
        }
    }
};

bool box_exact(const BoxShape& shape, uint8_t colour) {
    const screen_page& page = *write_page;
    for (int y = 0; y < page.height; ++y) {
        for (int x = 0; x < page.width; ++x) {
            const bool inside = x >= 20 && x <= shape.right && y >= 20 && y <= shape.bottom;
            if (probe::pixel(x, y) != (inside ? colour : 0)) return false;
        }
    }
    return true;
}

BoxRun watch_palette_box(const BoxShape& shape) {
    BoxRun run;
    Sequence model;
    const Evaluations evaluations;
    std::array<int, 3> evaluated{};  // this pass's sines, cosines and logarithms so far
    const Variables vars;  // outer, attribute, palette colour, colour, inner, value
    const int32_t at = shape.at;
    StatementProbe probe([&](int32_t line) {
        if (line == 207 + at) {
            const auto attribute = static_cast<int>(vars.single(1));
            const auto given = static_cast<uint32_t>(vars.single(2));
            bool ok = false;
            if (shape.mode == 1) {
                ok = entry(0) == colour_of(attribute) && write_page->foreground == 3 &&
                     (attribute == 0 || entry(attribute) == colour_of(given));
            } else if (shape.mode == 7) {
                ok = write_page->foreground == static_cast<uint32_t>(attribute) &&
                     entry(attribute) == colour_of(given);
            } else {
                // A red component of 0 to 15: 4 times it out of 255, green and blue 0.
                ok = write_page->foreground == static_cast<uint32_t>(attribute) &&
                     entry(attribute) == rgb(4 * given, 0, 0);
            }
            run.palette_as_expected = run.palette_as_expected && ok;
        }
        if (line == 211 + at) {
            ++run.boxes;
            float expected;
            do expected = model.below(shape.scale);
            while (expected > shape.limit);
            const float colour = vars.single(3);
            run.colours_follow_sequence = run.colours_follow_sequence && colour == expected;
            const auto stored = static_cast<uint8_t>(static_cast<int>(colour) &
                                                     static_cast<int>(write_page->colour_mask));
            run.boxes_exact = run.boxes_exact && box_exact(shape, stored);
        }
        if (line >= 213 + at && line <= 215 + at) {
            // Sine, cosine and logarithm of the counter, which runs 1 to 20000 in step.
            const int statement = line - 213 - at;
            const int k = ++evaluated[statement];
            run.evaluations_exact =
                run.evaluations_exact && k <= kEvaluations &&
                vars.single(4) == static_cast<float>(k) &&
                vars.single(5) == evaluations.stored[statement][k - 1];
        }
        if (line == 217 + at) {
            ++run.clears;
            run.clears_empty = run.clears_empty && probe::page_is(0);
            run.evaluations_exact = run.evaluations_exact &&
                                    evaluated == std::array<int, 3>{kEvaluations, kEvaluations,
                                                                    kEvaluations} &&
                                    vars.single(4) == kEvaluations + 1.0f;
            evaluated = {};
        }
    });
    EXPECT_TRUE(StatementProbe::run(shape.routine));
    EXPECT_EQ(random_seed, model.state);
    EXPECT_EQ(run.boxes, 1280);
    EXPECT_EQ(run.clears, 1280);
    EXPECT_TRUE(run.colours_follow_sequence);
    EXPECT_TRUE(run.boxes_exact);
    EXPECT_TRUE(run.palette_as_expected);
    EXPECT_TRUE(run.clears_empty);
    EXPECT_TRUE(run.evaluations_exact);
    EXPECT_EQ(error_state.pending_error.load(), 0);
    return run;
}

TEST_F(PaletteRoutinesTest, BoxScreen1DrawsOneExactBoxAPassAndLeavesCyanBackground) {
    // As the character routine leaves mode 1: cyan background, white entries, cleared page.
    enter_mode(1);
    set_palette(0, kCyan, 1);
    for (int k = 1; k <= 3; ++k) set_palette(k, kWhite, 1);
    clear_screen(0, 0, 0);
    watch_palette_box({test_palette_box_screen1, 0, 1, 10.0f, 4.0f, 300, 180});
    EXPECT_EQ(entry(0), colour_of(kCyan));
    for (int k = 1; k <= 3; ++k) EXPECT_EQ(entry(k), colour_of(kWhite));
    EXPECT_EQ(write_page->foreground, 3u);
    EXPECT_TRUE(probe::page_is(0));
}

TEST_F(PaletteRoutinesTest, BoxScreen7ChangesOnlyEntriesZeroToThree) {
    enter_mode(7);
    give_all_entries(16, kWhite);
    clear_screen(0, 0, 0);
    watch_palette_box({test_palette_box_screen7, 314, 7, 100.0f, 16.0f, 300, 180});
    for (int k = 0; k < 16; ++k) EXPECT_EQ(entry(k), colour_of(kWhite)) << k;
    EXPECT_EQ(write_page->foreground, 3u);
    EXPECT_TRUE(probe::page_is(0));
}

TEST_F(PaletteRoutinesTest, BoxScreen12StartsFreshAndLeavesDarkRedEntries) {
    enter_mode(7);
    give_all_entries(16, kWhite);
    bool fresh = false;
    {
        StatementProbe probe([&](int32_t line) {
            if (line != 243) return;
            fresh = write_page->mode == 12 && write_page->foreground == 15 && probe::page_is(0);
            for (int k = 0; k < 16; ++k) fresh = fresh && entry(k) == colour_of(k);
            throw probe::Stop{};
        });
        EXPECT_FALSE(StatementProbe::run(test_palette_box_screen12));
    }
    EXPECT_TRUE(fresh);
    random_seed = kRandomStartState;
    watch_palette_box({test_palette_box_screen12, 41, 12, 100.0f, 16.0f, 620, 460});
    for (int k = 0; k < 4; ++k) EXPECT_EQ(entry(k), rgb(60, 0, 0)) << k;
    for (int k = 4; k < 16; ++k) EXPECT_EQ(entry(k), colour_of(k)) << k;
    EXPECT_EQ(write_page->foreground, 3u);
    EXPECT_EQ(write_page->background, 0u);
    EXPECT_TRUE(probe::page_is(0));
}

}  // namespace
}  // namespace zl
