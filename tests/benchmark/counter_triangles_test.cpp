// The printed-counter and triangle routines, watched statement by statement: every counter line
// against the modelled random sequence, the triangles' draws and their repeated drawings, and the
// counter lines of mode 12 that print in the colour of their own background.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "benchmark/frame.h"
#include "benchmark/routines.h"
#include "benchmark/routines/log_argument.h"
#include "routine_probe.h"
#include "runtime/core/number_text.h"
#include "runtime/host/headless/headless_host.h"
#include "runtime/screen/palette.h"
#include "runtime/screen/screen_mode.h"
#include "runtime/screen/text_output.h"

namespace zl {
namespace {

using probe::Sequence;
using probe::StatementProbe;
using probe::Variables;

std::string number_text(float value) {
    char text[32];
    const int length = format_single(value, text);
    return std::string(text, static_cast<size_t>(length));
}

bool row_shows(int row, int column, const std::string& text) {
    const auto ink = static_cast<uint8_t>(write_page->foreground & write_page->colour_mask);
    const auto paper = static_cast<uint8_t>(write_page->background & write_page->colour_mask);
    for (size_t k = 0; k < text.size(); ++k) {
        const auto code = static_cast<uint8_t>(text[k]);
        if (!probe::cell_shows(row, column + static_cast<int>(k), code, ink, paper)) return false;
    }
    return true;
}

struct CounterShape {
    void (*routine)();
    int32_t at;
    float second_base;
    float last_x;
    float last_y;
};

constexpr CounterShape kScreen7{test_counter_triangles_screen7, 0, 20000.0f, 320.0f, 200.0f};
constexpr CounterShape kScreen12{test_counter_triangles_screen12, 132, 5000.0f, 640.0f, 480.0f};

struct Triangle {
    float colour = 0, fill = 0;
    float x[3] = {}, y[3] = {};
};

Triangle draw_triangle(Sequence& model, const CounterShape& shape) {
    Triangle t;
    do t.colour = model.below(100.0f);
    while (t.colour > 16.0f || t.colour == 0.0f);
    do t.fill = model.below(100.0f);
    while (t.fill > 16.0f || t.fill == 0.0f);
    for (int k = 0; k < 3; ++k) {
        do {
            t.x[k] = model.below(1000.0f);
            t.y[k] = model.below(1000.0f);
        } while (t.x[k] > shape.last_x || t.y[k] > shape.last_y);
    }
    return t;
}

struct CounterRun {
    int lines = 0;
    int lines_shown = 0;
    int values_follow = 0;
    int triangles = 0;
    int triangles_follow = 0;
    int repeats_unchanged = 0;
    int corners_kept = 0;
    Triangle last;
};

// Watches the routine up to the end of its given number of triangle passes (all when 500).
CounterRun watch_counter_triangles(const CounterShape& shape, int triangle_passes) {
    CounterRun run;
    Sequence model;
    const Variables vars;  // counter, value, outer, colour, fill, x1, y1, x2, y2, x3, y3
    const int32_t at = shape.at;
    const double logarithm = std::log(log_argument);
    int counter_checks = 0;
    float r = 0;
    std::vector<uint8_t> after_first;
    StatementProbe probe([&](int32_t line) {
        const float counter = vars.single(0);
        if (line == 460 + at) {
            r = model.next();
            const auto difference = static_cast<double>(
                static_cast<extended>(logarithm) * static_cast<extended>(2.71828182845905) -
                static_cast<extended>(counter));
            const auto expected = static_cast<float>(static_cast<extended>(difference) +
                                                     static_cast<extended>(r) * 1000.0L);
            run.values_follow += vars.single(1) == expected;
        }
        if (line == 461 + at && ++counter_checks % 2 == 0) {
            ++run.lines;
            const float s = model.next();
            const auto second = static_cast<float>(static_cast<extended>(shape.second_base) -
                                                   static_cast<extended>(s) * 100.0L *
                                                       static_cast<extended>(counter));
            const std::string line_text =
                number_text(vars.single(1)) + " " + number_text(second) + " " + "   ";
            run.lines_shown += row_shows(10, 10, line_text) && write_page->cursor_row == 11 &&
                               write_page->cursor_column == 1 && !write_page->cursor_parked;
        }
        if (line == 463 + at) {
            EXPECT_TRUE(probe::page_is(0));
            EXPECT_EQ(write_page->cursor_row, 1);
            EXPECT_EQ(write_page->cursor_column, 1);
        }
        if (line == 486 + at && counter == 1.0f) {
            run.last = draw_triangle(model, shape);
            ++run.triangles;
            const Triangle& t = run.last;
            run.triangles_follow += vars.single(3) == t.colour && vars.single(4) == t.fill &&
                                    vars.single(5) == t.x[0] && vars.single(6) == t.y[0] &&
                                    vars.single(7) == t.x[1] && vars.single(8) == t.y[1] &&
                                    vars.single(9) == t.x[2] && vars.single(10) == t.y[2];
        }
        if (line == 489 + at) {
            const Triangle& t = run.last;
            if (counter == 1.0f) {
                after_first = probe::page_copy();
                // The corners have the outline colour, which bounds the fill.
                const auto outline = static_cast<uint8_t>(static_cast<int>(t.colour) & 15);
                bool kept = write_page->graphics_x == t.x[0] + 1.0f &&
                            write_page->graphics_y == t.y[0] + 1.0f;
                for (int k = 0; k < 3; ++k) {
                    if (t.x[k] < write_page->width && t.y[k] < write_page->height) {
                        kept = kept && probe::pixel(static_cast<int>(t.x[k]),
                                                    static_cast<int>(t.y[k])) == outline;
                    }
                }
                run.corners_kept += kept;
            }
            if (counter == 2.0f || counter == 1000.0f) {
                run.repeats_unchanged += probe::page_copy() == after_first;
            }
            if (counter == 1000.0f && run.triangles == triangle_passes && triangle_passes < 500) {
                throw probe::Stop{};
            }
        }
    });
    EXPECT_EQ(StatementProbe::run(shape.routine), triangle_passes == 500);
    EXPECT_EQ(run.lines, 5000);
    EXPECT_EQ(run.lines_shown, 5000);
    EXPECT_EQ(run.values_follow, 5000);
    EXPECT_EQ(run.triangles, triangle_passes);
    EXPECT_EQ(run.triangles_follow, triangle_passes);
    EXPECT_EQ(run.corners_kept, triangle_passes);
    EXPECT_EQ(run.repeats_unchanged, 2 * triangle_passes);
    EXPECT_EQ(random_seed, model.state);
    EXPECT_EQ(error_state.pending_error.load(), 0);
    return run;
}

class CounterTrianglesTest : public ::testing::Test {
  protected:
    HeadlessHost host;
};

TEST_F(CounterTrianglesTest, Screen7PrintsEveryCounterLineAndRepeatsEachTriangleUnchanged) {
    set_screen_mode(7, 0, 0, 0, 0, 1);
    const CounterRun run = watch_counter_triangles(kScreen7, 500);
    // Left for the palette-chars routine: cursor at row 1, column 1 with no parked line end,
    // the graphics cursor on the last fill's point, colours and palette as found.
    EXPECT_EQ(write_page->cursor_row, 1);
    EXPECT_EQ(write_page->cursor_column, 1);
    EXPECT_FALSE(write_page->cursor_parked);
    EXPECT_EQ(write_page->graphics_x, run.last.x[0] + 1.0f);
    EXPECT_EQ(write_page->graphics_y, run.last.y[0] + 1.0f);
    EXPECT_EQ(write_page->foreground, 15u);
    for (int k = 0; k < 16; ++k) EXPECT_EQ(write_page->palette[k], default_palette_16[k]) << k;
}

TEST_F(CounterTrianglesTest, Screen12CounterLinesPrintInTheBackgroundsDarkRed) {
    // As the mode-12 box routine leaves it: entries 0 to 3 red 60, foreground 3.
    set_screen_mode(12, 0, 0, 0, 0, 1);
    for (int attribute = 0; attribute < 4; ++attribute) set_palette(attribute, 15, 1);
    set_colour(3, 0, 0, 1);
    watch_counter_triangles(kScreen12, 3);
    // The lines were drawn in colour 3 on colour 0, both the same dark red.
    for (int k = 0; k < 4; ++k) EXPECT_EQ(write_page->palette[k], rgb(60, 0, 0));
    EXPECT_EQ(write_page->foreground, 3u);
    EXPECT_EQ(write_page->background, 0u);
}

}  // namespace
}  // namespace zl
