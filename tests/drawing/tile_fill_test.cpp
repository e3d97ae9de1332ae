// Fills with a tile pattern: the pattern rules of each pixel depth, the background text, the
// generation-by-generation spread and its errors.
#include <functional>
#include <random>

#include "drawing/drawing_test_support.h"
#include "drawing/tile_fill_model.h"

namespace zl::test {
namespace {

constexpr int32_t kRelative = 1;
constexpr int32_t kTile = 2;
constexpr int32_t kBorder = 4;
constexpr int32_t kBackground = 8;

using TileFillTest = DrawingTest;

// The colours of the page's top-left block, row by row.
std::vector<std::vector<int>> block(const TestPage& page, int width, int height) {
    std::vector<std::vector<int>> rows(height, std::vector<int>(width));
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) rows[y][x] = page.at(x, y);
    }
    return rows;
}

TEST_F(TileFillTest, TwoBitRowsAreFourPixelsLeftmostInTheTopBits) {
    TestPage& page = use(PageKind::mode1);
    const OwnedText tile({0b11100100, 0b00011011});
    // Border 0 given: the start pixel has it, so nothing is drawn.
    flood_fill_tiled(0, 0, tile.get(), 0, nullptr, kTile | kBorder);
    EXPECT_TRUE(page.lit().empty());
    // Border the foreground, 3: the whole page takes the pattern, anchored at the origin.
    flood_fill_tiled(0, 0, tile.get(), 0, nullptr, kTile);
    EXPECT_EQ(block(page, 8, 4), (std::vector<std::vector<int>>{
                                     {3, 2, 1, 0, 3, 2, 1, 0},
                                     {0, 1, 2, 3, 0, 1, 2, 3},
                                     {3, 2, 1, 0, 3, 2, 1, 0},
                                     {0, 1, 2, 3, 0, 1, 2, 3}}));
}

TEST_F(TileFillTest, FourBitRowsTakeOneByteAPlane) {
    TestPage& page = use(PageKind::mode7);
    page.record.foreground = 14;
    // Row 0: planes 1, 2, 4, 8 = 0x80, 0x40, 0x20, 0x10 -> pixel 0 colour 1, pixel 1 colour 2, ...
    // Row 1 is short: one byte 0xFF, so colour 1 across; the missing planes count as 0.
    const OwnedText tile({0x80 | 0x08, 0x40 | 0x08, 0x20 | 0x08, 0x10 | 0x08, 0xFF});
    flood_fill_tiled(3, 3, tile.get(), 0, nullptr, kTile);
    EXPECT_EQ(block(page, 9, 2), (std::vector<std::vector<int>>{{1, 2, 4, 8, 15, 0, 0, 0, 1},
                                                                {1, 1, 1, 1, 1, 1, 1, 1, 1}}));
    EXPECT_EQ(page.at(5, 198), 0);    // row 198: pattern row 0, column 5
    EXPECT_EQ(page.at(319, 199), 1);
}

TEST_F(TileFillTest, OneAndEightBitPatterns) {
    TestPage& page = use(PageKind::mode13);
    page.record.foreground = 200;
    const OwnedText bytes({7, 9, 250});   // one pixel wide, three rows
    flood_fill_tiled(0, 0, bytes.get(), 0, nullptr, kTile);
    EXPECT_EQ(page.at(0, 0), 7);
    EXPECT_EQ(page.at(5, 1), 9);
    EXPECT_EQ(page.at(9, 5), 250);

    // A page of one colour bit: rows of 8 pixels, bit 7 leftmost.
    TestPage& bits = use(PageKind::mode1);
    bits.record.colour_bits = 1;
    bits.record.colour_mask = 1;
    const OwnedText rows({0b10100000, 0b01000001});
    flood_fill_tiled(2, 1, rows.get(), 1, nullptr, kTile | kBorder);
    EXPECT_EQ(block(bits, 9, 3), (std::vector<std::vector<int>>{{1, 0, 1, 0, 0, 0, 0, 0, 1},
                                                                {0, 1, 0, 0, 0, 0, 0, 1, 0},
                                                                {1, 0, 1, 0, 0, 0, 0, 0, 1}}));
}

TEST_F(TileFillTest, StartAlreadyInItsPatternColourDrawsNothingUnlessItIsTheBackground) {
    TestPage& page = use(PageKind::mode1);
    page.put(100, 100, 3);   // the border: the foreground 3
    // Pattern colour 0 over a page of 0: the start has it, but it is the background value 0, so
    // the fill runs (painting 0 over 0).
    const OwnedText zeros({0x00});
    flood_fill_tiled(10, 10, zeros.get(), 0, nullptr, kTile);
    EXPECT_EQ(page.lit(), (std::set<std::pair<int, int>>{{100, 100}}));
    const OwnedText ones({0x55});   // colour 1 everywhere
    flood_fill_tiled(10, 10, ones.get(), 0, nullptr, kTile);
    EXPECT_EQ(page.at(0, 0), 1);
    EXPECT_EQ(page.at(100, 100), 3);
    // The start now has pattern colour 1, not the background: nothing.
    page.put(0, 0, 2);
    const auto before = page.snapshot();
    flood_fill_tiled(10, 10, ones.get(), 0, nullptr, kTile);
    EXPECT_EQ(page.snapshot(), before);
    // A background text of 0x55 makes the background value 1: the fill runs and reaches (0, 0).
    flood_fill_tiled(10, 10, ones.get(), 0, ones.get(), kTile | kBackground);
    EXPECT_EQ(page.at(0, 0), 1);
}

// Two regions of a page of 2 bits joined only through pixel P = (2, 1), which already has its
// pattern colour: P is looked at first from below (from (2, 2), queued before (1, 1)), so it is
// neither painted nor queued, and Q = (2, 0) above it is never reached. Were the neighbours
// visited above-first, (1, 1) would reach P sideways and Q would be painted.
TEST_F(TileFillTest, VisitingOrderDecidesWhoReachesAPixelFirst) {
    TestPage& page = use(PageKind::mode1);
    page.clear(0);
    auto wall = [&](int x, int y) { page.put(x, y, 3); };
    for (int x = 0; x <= 6; ++x) wall(x, 4);
    for (int y = 0; y <= 4; ++y) wall(6, y);
    wall(1, 0);
    wall(3, 0);
    page.put(2, 1, 2);   // P: pattern colour 2
    const OwnedText tile({0b10101010});   // colour 2 everywhere
    flood_fill_tiled(1, 2, tile.get(), 0, nullptr, kTile);
    EXPECT_EQ(page.at(2, 0), 0);    // Q is untouched
    EXPECT_EQ(page.at(0, 0), 2);
    EXPECT_EQ(page.at(5, 3), 2);
    EXPECT_EQ(page.at(7, 7), 0);    // beyond the walls
}

TEST_F(TileFillTest, RandomPicturesMatchThePlainSpread) {
    std::mt19937 random(5);
    for (PageKind kind : {PageKind::mode1, PageKind::mode7, PageKind::mode12}) {
        TestPage& page = use(kind);
        TestPage expected(kind);
        const int colours = static_cast<int>(page.record.colour_mask) + 1;
        for (int y = 0; y < page.record.height; ++y) {
            for (int x = 0; x < page.record.width; ++x) {
                page.put(x, y, random() % 3 == 0 ? static_cast<uint8_t>(random() % colours) : 0);
            }
        }
        expected.restore(page.snapshot());
        for (int fill_number = 0; fill_number < 40; ++fill_number) {
            std::vector<uint8_t> bytes(1 + random() % 9);
            for (uint8_t& b : bytes) b = static_cast<uint8_t>(random() % 4 == 0 ? 0 : random());
            const OwnedText tile(bytes);
            const uint8_t border = static_cast<uint8_t>(random() % colours);
            const int x = static_cast<int>(random() % page.record.width);
            const int y = static_cast<int>(random() % page.record.height);
            std::function<uint8_t(int, int)> pattern;
            if (page.record.colour_bits == 2) {
                pattern = [&](int px, int py) {
                    return static_cast<uint8_t>((bytes[py % bytes.size()] >> (6 - 2 * (px % 4))) & 3);
                };
            } else {
                const int rows = static_cast<int>((bytes.size() + 3) / 4);
                pattern = [&, rows](int px, int py) {
                    uint8_t colour = 0;
                    for (int plane = 0; plane < 4; ++plane) {
                        const size_t i = static_cast<size_t>((py % rows) * 4 + plane);
                        if (i < bytes.size() && ((bytes[i] >> (7 - px % 8)) & 1)) colour |= 1 << plane;
                    }
                    return colour;
                };
            }
            flood_fill_tiled(x, y, tile.get(), border, nullptr, kTile | kBorder);
            std::vector<uint8_t> modelled = expected.snapshot();
            const screen_page& r = expected.record;
            const model::FillArea area{r.width,     r.height,    r.clip_left,
                                       r.clip_top,  r.clip_right, r.clip_bottom};
            model::tile_fill(modelled, area, x, y, pattern, border, 0);
            expected.restore(modelled);
            ASSERT_EQ(page.snapshot(), expected.snapshot()) << page_kind_name(kind) << " fill " << fill_number;
        }
        EXPECT_TRUE(page.guards_intact());
    }
}

TEST_F(TileFillTest, BackgroundTextRules) {
    struct Case {
        PageKind kind;
        uint8_t bits;
        std::vector<uint8_t> background;
        bool fills;
    };
    const Case cases[] = {
        {PageKind::mode1, 2, {0x55}, true},
        {PageKind::mode1, 2, {0x56}, false},          // groups differ: no colour
        {PageKind::mode7, 4, {0xFF, 0, 0, 0}, true},
        {PageKind::mode7, 4, {0xFF}, true},           // the bytes the text has
        {PageKind::mode7, 4, {0xFF, 0xFF}, false},    // colour 3
        {PageKind::mode7, 4, {0xFF, 0x0F}, false},    // no colour
        {PageKind::mode13, 8, {1, 9}, true},
        {PageKind::mode1, 1, {0xFF}, true},
        {PageKind::mode1, 1, {0}, false},
        {PageKind::mode1, 1, {0x80}, false},
    };
    // A page of colour 1 and a pattern of colour 1 on row 0, 0 on row 1: the start (0, 0) has its
    // pattern colour, so the fill runs (and turns (0, 1) to 0) only when the background is 1.
    for (const Case& c : cases) {
        TestPage& page = use(c.kind);
        page.record.colour_bits = c.bits;
        page.record.colour_mask = (1u << c.bits) - 1;
        page.clear(1);
        const std::vector<uint8_t> rows = c.bits == 2   ? std::vector<uint8_t>{0x55, 0}
                                          : c.bits == 4 ? std::vector<uint8_t>{0xFF, 0, 0, 0, 0}
                                          : c.bits == 1 ? std::vector<uint8_t>{0xFF, 0}
                                                        : std::vector<uint8_t>{1, 0};
        const OwnedText tile(rows);
        const OwnedText background(c.background);
        flood_fill_tiled(0, 0, tile.get(), 0, background.get(), kTile | kBorder | kBackground);
        EXPECT_EQ(page.at(0, 1), c.fills ? 0 : 1) << int(c.bits) << " " << int(c.background[0]);
        EXPECT_EQ(pending(), 0);
    }
}

TEST_F(TileFillTest, Errors) {
    struct Case {
        PageKind kind;
        size_t tile_length;
        int32_t presence;
        int background_length;   // -1: none
        bool refused;
    };
    const Case cases[] = {
        {PageKind::text, 1, kTile, -1, true},
        {PageKind::mode1, 1, 0, -1, true},
        {PageKind::mode1, 0, kTile, -1, true},
        {PageKind::mode1, 64, kTile, -1, false},
        {PageKind::mode1, 65, kTile, -1, true},
        {PageKind::mode7, 256, kTile, -1, false},
        {PageKind::mode7, 257, kTile, -1, true},
        {PageKind::mode12, 256, kTile, -1, false},
        {PageKind::mode13, 65, kTile, -1, true},
        {PageKind::mode7, 1, kTile | kBackground, 0, true},
        {PageKind::mode7, 1, kTile | kBackground, 255, false},
        {PageKind::mode7, 1, kTile | kBackground, 256, true},
        {PageKind::mode7, 1, kTile, 256, false},   // no bit 8: the text is not read
    };
    for (const Case& c : cases) {
        clear_error();
        TestPage& page = use(c.kind);
        const auto before = page.snapshot();
        const OwnedText tile(std::vector<uint8_t>(c.tile_length, 0x5A));
        const OwnedText background(std::vector<uint8_t>(std::max(c.background_length, 0), 0));
        flood_fill_tiled(1, 1, tile.get(), 7, c.background_length < 0 ? nullptr : background.get(),
                         c.presence | kBorder);
        EXPECT_EQ(pending(), c.refused ? 5 : 0) << c.tile_length << " " << c.presence;
        if (c.refused) {
            EXPECT_EQ(page.snapshot(), before);
            EXPECT_NE(page.record.graphics_x, 1);
        } else {
            EXPECT_FLOAT_EQ(page.record.graphics_x, 1);
        }
    }
}

TEST_F(TileFillTest, CursorAndPointRules) {
    TestPage& page = use(PageKind::mode7);
    const OwnedText tile({0xFF, 0, 0, 0});
    flood_fill_tiled(-170, 0, tile.get(), 0, nullptr, kTile | kRelative);   // (-10, 100): off the page
    EXPECT_FLOAT_EQ(page.record.graphics_x, -10);
    EXPECT_TRUE(page.lit().empty());
    page.record.clip_right = 99;
    flood_fill_tiled(5.5f, 0, tile.get(), 0, nullptr, kTile);   // (6, 0), ties to even; border 15
    EXPECT_EQ(page.at(99, 199), 1);
    EXPECT_EQ(page.at(100, 0), 0);
    EXPECT_EQ(page.lit().size(), 100u * 200u);
    raise_error(6);
    flood_fill_tiled(1, 1, tile.get(), 0, nullptr, kTile);
    EXPECT_FLOAT_EQ(page.record.graphics_x, 5.5f);
}

}  // namespace
}  // namespace zl::test
