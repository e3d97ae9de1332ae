// The tile-fill routines, watched statement by statement: the draws against the modelled random
// sequence, and every fill against the pattern that its 1-byte or 7-byte tile text makes on a page
// of 2 or 4 bits a pixel.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <string>
#include <utility>
#include <vector>

#include "benchmark/routines.h"
#include "drawing/tile_fill_model.h"
#include "routine_probe.h"
#include "runtime/host/headless/headless_host.h"
#include "runtime/drawing/drawing.h"
#include "runtime/screen/screen_mode.h"
#include "runtime/screen/text_output.h"

namespace zl {
namespace {

using probe::Sequence;
using probe::StatementProbe;
using probe::Variables;

constexpr float kLogValue = -16.741907119750977f;

// Every pixel of the page shows its colour in the tile's pattern.
bool page_shows_pattern(const std::string& tile) {
    const screen_page& page = *write_page;
    for (int y = 0; y < page.height; ++y) {
        for (int x = 0; x < page.width; ++x) {
            if (probe::pixel(x, y) != probe::tile_colour(tile, page.colour_bits, x, y))
                return false;
        }
    }
    return true;
}

// The page that a fill from (fx, fy) with the tile must leave on the page before it: the plain
// spread over the whole page, bounded by the foreground, with background value 0.
std::vector<uint8_t> modelled_fill(std::vector<uint8_t> pixels, const std::string& tile, float fx,
                                   float fy) {
    const screen_page& page = *write_page;
    const model::FillArea area{page.width, page.height, 0, 0, page.width - 1, page.height - 1};
    const auto own = [&](int x, int y) { return probe::tile_colour(tile, page.colour_bits, x, y); };
    const auto border = static_cast<uint8_t>(page.foreground & page.colour_mask);
    const int x = static_cast<int>(std::nearbyint(fx));
    const int y = static_cast<int>(std::nearbyint(fy));
    model::tile_fill(pixels, area, x, y, own, border, 0);
    return pixels;
}

// The fill left exactly the modelled page and moved the graphics cursor to its point.
bool fill_is_exact(const std::vector<uint8_t>& before, const std::string& tile, float fx,
                   float fy) {
    return probe::page_copy() == modelled_fill(before, tile, fx, fy) &&
           write_page->graphics_x == fx && write_page->graphics_y == fy;
}

class TileFillRoutinesTest : public ::testing::Test {
  protected:
    HeadlessHost host;
};

// One-character tiles.
struct TileShape {
    void (*routine)();
    int32_t at;
    int32_t mode;
};

void watch_tile_fill(const TileShape& shape) {
    Sequence model;
    const Variables vars;  // outer, inner, log, code, x, y, idle x, idle y
    const int32_t at = shape.at;
    std::string tile;
    int fills = 0;
    int lawful = 0;
    bool codes_follow = true;
    bool points_follow = true;
    StatementProbe probe([&](int32_t line) {
        if (line == 352 + at && vars.single(1) == 1.0f) {
            EXPECT_EQ(vars.single(2), kLogValue);
        }
        if (line == 354 + at || line == 364 + at) {
            EXPECT_TRUE(probe::page_is(0)) << line;
        }
        if (line == 358 + at) {
            float code;
            do code = model.below(1000.0f);
            while (code > 255.0f);
            codes_follow = codes_follow && vars.single(3) == code;
            tile = std::string(1, static_cast<char>(static_cast<int>(code)));
        }
        if (line == 363 + at) {
            float x, y;
            do {
                x = model.below(1000.0f);
                y = model.below(1000.0f);
            } while (x > 320.0f || y >= 320.0f);
            points_follow = points_follow && vars.single(4) == x && vars.single(5) == y;
            // From the top row at column x of the cleared page; x = 320 lies off the page.
            const bool shown = x < 320.0f ? page_shows_pattern(tile) : probe::page_is(0);
            lawful += shown && write_page->graphics_x == x && write_page->graphics_y == 0.0f;
            ++fills;
        }
        if (line == 365 + at) {
            lawful += page_shows_pattern(tile) && write_page->graphics_x == 0.0f &&
                      write_page->graphics_y == 0.0f;
            ++fills;
        }
    });
    EXPECT_TRUE(StatementProbe::run(shape.routine));
    EXPECT_EQ(fills, 200);
    EXPECT_EQ(lawful, 200);
    EXPECT_TRUE(codes_follow);
    EXPECT_TRUE(points_follow);
    EXPECT_EQ(random_seed, model.state);
    EXPECT_EQ(vars.single(0), 101.0f);
    EXPECT_EQ(vars.single(1), 50001.0f);
    const long double sum = static_cast<long double>(static_cast<float>(std::sin(50000.0))) +
                            static_cast<long double>(static_cast<float>(std::cos(50000.0)));
    EXPECT_EQ(vars.single(3), static_cast<float>(sum));
    EXPECT_EQ(vars.single(6), 0.0f);
    EXPECT_EQ(vars.single(7), 0.0f);
    EXPECT_TRUE(page_shows_pattern(tile)) << "the last fill's pattern stays";
    EXPECT_EQ(write_page->mode, shape.mode);
    EXPECT_EQ(error_state.pending_error.load(), 0);
}

TEST_F(TileFillRoutinesTest, OneCharacterScreen1FillsTheWholePageWithAFourPixelPattern) {
    set_screen_mode(1, 0, 0, 0, 0, 1);
    watch_tile_fill({test_tile_fill_screen1, 0, 1});
}

TEST_F(TileFillRoutinesTest, OneCharacterScreen7FillsTheWholePageInColoursZeroAndOne) {
    set_screen_mode(1, 0, 0, 0, 0, 1);
    watch_tile_fill({test_tile_fill_screen7, 294, 7});
    for (int y = 0; y < 200; ++y) {
        for (int x = 0; x < 320; ++x) ASSERT_LE(probe::pixel(x, y), 1);
    }
}

TEST_F(TileFillRoutinesTest, PatternRulesForOneAndSevenBytes) {
    // What a fill from (0, 0) paints over a cleared page: on 2 bits a byte a row, bits 7-6
    // leftmost; on 4 bits planes 1, 2, 4, 8 from four bytes, the bytes past the end 0.
    const std::string seven = {'\xE4', '\x00', '\x1B', '\xFF', '\x80', '\x80', '\x80'};
    const std::string one(1, '\x81');
    struct Case {
        int32_t mode;
        const std::string* tile;
        int x;
        int y;
        uint8_t colour;
    };
    const Case cases[] = {
        {1, &seven, 0, 0, 3},     {1, &seven, 3, 0, 0},
        {1, &seven, 7, 7, 0},     // column 3 of row 0 again
        {1, &seven, 2, 2, 2},     {1, &one, 0, 9, 2},     {1, &one, 7, 199, 1},
        {7, &seven, 0, 0, 1 + 8}, {7, &seven, 3, 0, 4 + 8},
        {7, &seven, 0, 1, 7},     // the fourth plane lies past the end
        {7, &seven, 8, 199, 7},   {7, &one, 8, 5, 1},     {7, &one, 6, 5, 0},
    };
    for (const Case& c : cases) {
        set_screen_mode(c.mode, 0, 0, 0, 0, 1);
        clear_screen(0, 0, 0);
        std::string bytes = *c.tile;
        string_descriptor text;
        text.bytes = reinterpret_cast<uint8_t*>(bytes.data());
        text.length = static_cast<int32_t>(bytes.size());
        flood_fill_tiled(0.0f, 0.0f, &text, 0, nullptr, 2);
        EXPECT_EQ(probe::pixel(c.x, c.y), c.colour) << c.mode << ": " << c.x << "," << c.y;
        EXPECT_EQ(probe::tile_colour(*c.tile, write_page->colour_bits, c.x, c.y), c.colour);
        EXPECT_TRUE(page_shows_pattern(*c.tile)) << c.mode << ": " << c.tile->size() << " bytes";
    }
    EXPECT_EQ(error_state.pending_error.load(), 0);
}

// Seven-character tiles.
struct Tile7Shape {
    void (*routine)();
    int32_t at;
    bool random_offsets;
};

void watch_tile7_fill(const Tile7Shape& shape) {
    Sequence model;
    // outer, inner, log, x, y, codes 1 to 7, and in mode 7 the two offsets
    const Variables vars;
    const int32_t at = shape.at;
    std::string forward;
    std::string backward;
    std::vector<uint8_t> before;
    float x = 0, y = 0;
    int fills = 0;
    int exact = 0;
    int whole_first_fill = -1;
    bool draws_follow = true;
    StatementProbe probe([&](int32_t line) {
        if (line == 376 + at && vars.single(1) == 1.0f) {
            EXPECT_EQ(vars.single(2), kLogValue);
        }
        if (line == 403 + at) {
            std::array<float, 7> codes;
            for (;;) {
                x = model.below(1000.0f);
                y = model.below(1000.0f);
                if (x > 320.0f || y > 200.0f) continue;
                for (float& code : codes) code = model.below(1000.0f);
                bool accepted = true;
                for (float code : codes) accepted = accepted && code <= 255.0f;
                if (accepted) break;
            }
            forward.clear();
            for (int k = 0; k < 7; ++k) {
                draws_follow = draws_follow && vars.single(5 + k) == codes[k];
                forward += static_cast<char>(static_cast<int>(codes[k]));
            }
            draws_follow = draws_follow && vars.single(3) == x && vars.single(4) == y;
            backward.assign(forward.rbegin(), forward.rend());
            before = probe::page_copy();
        }
        if (line == 404 + at) {
            ++fills;
            exact += fill_is_exact(before, forward, x, y);
            if (fills == 1) {
                // The page is cleared to 0: a point on it gives every pixel its pattern colour.
                whole_first_fill =
                    (x < 320.0f && y < 200.0f) ? page_shows_pattern(forward) : probe::page_is(0);
            }
            before = probe::page_copy();
        }
        const int32_t second_fill = shape.random_offsets ? 702 : 406;
        if (line == second_fill) {
            ++fills;
            float dx = 10.0f, dy = 10.0f;
            if (shape.random_offsets) {
                dx = model.below(10.0f);
                dy = model.below(10.0f);
                draws_follow = draws_follow && vars.single(12) == dx && vars.single(13) == dy;
            }
            exact += fill_is_exact(before, backward, x + dx, y + dy);
        }
    });
    EXPECT_TRUE(StatementProbe::run(shape.routine));
    EXPECT_EQ(fills, 200);
    EXPECT_EQ(exact, 200);
    EXPECT_EQ(whole_first_fill, 1);
    EXPECT_TRUE(draws_follow);
    EXPECT_EQ(random_seed, model.state);
    EXPECT_EQ(vars.single(0), 101.0f);
    EXPECT_EQ(vars.single(1), 125001.0f);
    EXPECT_EQ(error_state.pending_error.load(), 0);
}

TEST_F(TileFillRoutinesTest, SevenCharacterScreen1FillsWithSevenRowPatternsBothWays) {
    set_screen_mode(1, 0, 0, 0, 0, 1);
    write_page->pixels[100 * 320 + 100] = 3;  // the previous picture; the clear removes it
    watch_tile7_fill({test_tile7_fill_screen1, 0, false});
    EXPECT_EQ(write_page->foreground, 3u);
}

TEST_F(TileFillRoutinesTest, SevenCharacterScreen7NeverShowsColoursAboveSevenOnOddRows) {
    set_screen_mode(1, 0, 0, 0, 0, 1);
    watch_tile7_fill({test_tile7_fill_screen7, 294, true});
    EXPECT_EQ(write_page->mode, 7);
    for (int y = 1; y < 200; y += 2) {
        for (int x = 0; x < 320; ++x) ASSERT_LE(probe::pixel(x, y), 7) << x << "," << y;
    }
}

}  // namespace
}  // namespace zl
