// Lines, box outlines and filled boxes.
#include <cmath>
#include <limits>
#include <random>

#include "drawing/drawing_test_support.h"

namespace zl::test {
namespace {

constexpr int32_t kFirst = 1;
constexpr int32_t kSecondRelative = 2;
constexpr int32_t kFirstRelative = 4;
constexpr int32_t kColour = 8;
constexpr int32_t kStyle = 16;
constexpr int32_t kFirstAndColour = kFirst | kColour;

// The line walk written the plain way: a single-precision sum along the minor axis, each value
// rounded half away from zero, pattern bit 15 - ((n + k) mod 16).
void reference_line(TestPage& page, int x1, int y1, int x2, int y2, uint8_t colour,
                    uint16_t pattern = 0xFFFF, int k = 0) {
    const int dx = x2 - x1;
    const int dy = y2 - y1;
    const int steps = std::max(std::abs(dx), std::abs(dy));
    auto allowed = [&](int n) { return (pattern >> (15 - (n + k) % 16)) & 1; };
    if (steps == 0) {
        if (allowed(0)) page.put(x1, y1, colour);
        return;
    }
    const bool along_x = std::abs(dx) > std::abs(dy);
    float v = static_cast<float>(along_x ? y1 : x1);
    const float slope = static_cast<float>(along_x ? dy : dx) / static_cast<float>(steps);
    for (int n = 0; n <= steps; ++n) {
        const int minor = static_cast<int>(std::round(static_cast<double>(v)));
        if (allowed(n)) {
            if (along_x) {
                page.put(x1 + n * (dx > 0 ? 1 : -1), minor, colour);
            } else {
                page.put(minor, y1 + n * (dy > 0 ? 1 : -1), colour);
            }
        }
        v += slope;
    }
}

// A pixel position, held in double precision however far off the page it lies.
struct PagePoint {
    double x;
    double y;
};

struct ClippedLine {
    PagePoint first;
    PagePoint second;
    int64_t k;   // pixels cut off the first end
};

bool inside(PagePoint p, double right, double bottom) {
    return 0 <= p.x && p.x <= right && 0 <= p.y && p.y <= bottom;
}

double crossing_pixel(double crossing) {
    return std::nearbyint(static_cast<double>(static_cast<float>(crossing)));
}

// Clipping as the line rule states it, on pixel positions held in double precision: edges tried
// right, left, top, bottom; the crossing tested unrounded, then rounded to single precision and
// to the nearest integer, ties to even. False when no edge takes the point.
bool onto_an_edge(PagePoint& p, PagePoint other, double right, double bottom) {
    const double sx = (other.x - p.x) / std::fabs(other.y - p.y);
    const double sy = (other.y - p.y) / std::fabs(other.x - p.x);
    auto on_span = [](double v, double last) { return 0 <= v && v <= last; };
    if (p.x > right && sx < 0) {
        const double y = p.y + (p.x - right) * sy;
        if (on_span(y, bottom)) {
            p = {right, crossing_pixel(y)};
            return true;
        }
    }
    if (p.x < 0 && sx > 0) {
        const double y = p.y + (0 - p.x) * sy;
        if (on_span(y, bottom)) {
            p = {0, crossing_pixel(y)};
            return true;
        }
    }
    if (p.y < 0 && sy > 0) {
        const double x = p.x + (0 - p.y) * sx;
        if (on_span(x, right)) {
            p = {crossing_pixel(x), 0};
            return true;
        }
    }
    if (p.y > bottom && sy < 0) {
        const double x = p.x + (p.y - bottom) * sx;
        if (on_span(x, right)) {
            p = {crossing_pixel(x), bottom};
            return true;
        }
    }
    return false;
}

// The line's ends as pixel positions (ties to even), clipped; false when nothing is drawn.
bool reference_clip(const TestPage& page, float x1, float y1, float x2, float y2,
                    ClippedLine& out) {
    const double right = page.record.width - 1;
    const double bottom = page.record.height - 1;
    PagePoint a{std::nearbyint(static_cast<double>(x1)), std::nearbyint(static_cast<double>(y1))};
    PagePoint b{std::nearbyint(static_cast<double>(x2)), std::nearbyint(static_cast<double>(y2))};
    out.k = 0;
    if (!inside(a, right, bottom)) {
        if (a.x == b.x && a.y == b.y) return false;
        if ((a.x < 0 && b.x < 0) || (a.x > right && b.x > right) || (a.y < 0 && b.y < 0) ||
            (a.y > bottom && b.y > bottom)) {
            return false;
        }
        const PagePoint before = a;
        if (!onto_an_edge(a, b, right, bottom)) return false;
        const double shift = std::max(std::fabs(a.x - before.x), std::fabs(a.y - before.y));
        out.k = static_cast<int64_t>(shift);
    }
    if (!inside(b, right, bottom) && !onto_an_edge(b, a, right, bottom)) return false;
    out.first = a;
    out.second = b;
    return true;
}

// A line of any reach drawn the plain way: clipped, then walked.
void reference_clipped_line(TestPage& page, float x1, float y1, float x2, float y2, uint8_t colour,
                            uint16_t pattern) {
    ClippedLine line;
    if (!reference_clip(page, x1, y1, x2, y2, line)) return;
    reference_line(page, static_cast<int>(line.first.x), static_cast<int>(line.first.y),
                   static_cast<int>(line.second.x), static_cast<int>(line.second.y), colour,
                   pattern, static_cast<int>(line.k % 16));
}

using LineTest = DrawingTest;

TEST_F(LineTest, RandomLinesMatchThePlainSingleSum) {
    for (PageKind kind : {PageKind::mode1, PageKind::mode12}) {
        TestPage& drawn = use(kind);
        TestPage expected(kind);
        std::mt19937 random(1234);
        const int width = drawn.record.width;
        const int height = drawn.record.height;
        for (int i = 0; i < 200000; ++i) {
            const int x1 = static_cast<int>(random() % width);
            const int y1 = static_cast<int>(random() % height);
            // Short lines as often as long ones: they meet other binades and ties.
            const int reach = (i & 1) ? std::max(width, height) : 12;
            const int x2 = std::clamp(x1 + static_cast<int>(random() % (2 * reach + 1)) - reach, 0, width - 1);
            const int y2 = std::clamp(y1 + static_cast<int>(random() % (2 * reach + 1)) - reach, 0, height - 1);
            const uint8_t colour = static_cast<uint8_t>(1 + random() % drawn.record.colour_mask);
            draw_line(x1, y1, x2, y2, colour, kLineKindLine, 0, kFirstAndColour);
            reference_line(expected, x1, y1, x2, y2, colour);
            if (i % 16 == 15) {
                ASSERT_EQ(drawn.snapshot(), expected.snapshot())
                    << page_kind_name(kind) << " line " << i << ": " << x1 << "," << y1 << " - " << x2 << "," << y2;
            }
        }
    }
}

TEST_F(LineTest, EndsAreIncludedAndEqualSpansStepAlongY) {
    TestPage& page = use(PageKind::mode7);
    draw_line(10, 10, 13, 13, 5, kLineKindLine, 0, kFirstAndColour);
    EXPECT_EQ(page.lit(), (std::set<std::pair<int, int>>{{10, 10}, {11, 11}, {12, 12}, {13, 13}}));
    page.clear();
    draw_line(40, 40, 40, 40, 5, kLineKindLine, 0, kFirstAndColour);
    EXPECT_EQ(page.lit(), (std::set<std::pair<int, int>>{{40, 40}}));
    page.clear();
    // Half-way minor values round away from zero: 0, 0.5, 1 -> 0, 1, 1.
    draw_line(0, 0, 2, 1, 5, kLineKindLine, 0, kFirstAndColour);
    EXPECT_EQ(page.lit(), (std::set<std::pair<int, int>>{{0, 0}, {1, 1}, {2, 1}}));
}

TEST_F(LineTest, CoordinatesRoundTiesToEven) {
    TestPage& page = use(PageKind::mode7);
    draw_line(2.5f, 3.5f, 2.5f, 3.5f, 9, kLineKindLine, 0, kFirstAndColour);
    EXPECT_EQ(page.lit(), (std::set<std::pair<int, int>>{{2, 4}}));
}

TEST_F(LineTest, PatternCountsFromTheClippedFirstPoint) {
    TestPage& page = use(PageKind::mode7);
    draw_line(0, 5, 40, 5, 3, kLineKindLine, 0xF0F0, kFirstAndColour | kStyle);
    for (int x = 0; x <= 40; ++x) EXPECT_EQ(page.at(x, 5), (x % 8) < 4 ? 3 : 0) << x;
    page.clear();
    // Three pixels are cut off on the left, so pixel n is drawn when (n + 3) mod 16 is 0.
    draw_line(-3, 5, 40, 5, 3, kLineKindLine, 0x8000, kFirstAndColour | kStyle);
    EXPECT_EQ(page.lit(), (std::set<std::pair<int, int>>{{13, 5}, {29, 5}}));
}

struct ClipCase {
    const char* name;
    float x1, y1, x2, y2;
    bool drawn;
    int cx1, cy1, cx2, cy2, k;   // the clipped line, when drawn
};

TEST_F(LineTest, ClippingMovesEndsOntoTheEdgesItCrosses) {
    const ClipCase cases[] = {
        // (320, 50) is one pixel right of the page; the crossing is at y = 50.32.
        {"right edge, one pixel out", 320, 50, 10, 150, true, 319, 50, 10, 150, 1},
        // The right-edge crossing, y = 199.375, lies below the page; the bottom edge takes it.
        {"second end past the far corner", 0, 0, 320, 200, true, 0, 0, 318, 199, 0},
        {"left then right", -20, 100, 400, 100, true, 0, 100, 319, 100, 20},
        {"above the top", 100, -50, 100, 50, true, 100, 0, 100, 50, 50},
        {"below the bottom, steep", 50, 260, 80, 100, true, 61, 199, 80, 100, 61},
        {"both left", -5, 10, -1, 100, false, 0, 0, 0, 0, 0},
        {"both below", 5, 200, 300, 250, false, 0, 0, 0, 0, 0},
        {"a single point off the page", 400, 10, 400, 10, false, 0, 0, 0, 0, 0},
        {"passes the corner outside", -10, 5, 5, -10, false, 0, 0, 0, 0, 0},
        {"far point on the row", 10, 10, 1e30f, 10, true, 10, 10, 319, 10, 0},
        {"infinite point on the column", 30, 20, 30, -std::numeric_limits<float>::infinity(), true,
         30, 20, 30, 0, 0},
        // The left-edge crossing 100 + 100001 / 200001 = 100.5000025 is 100.5 in single
        // precision, which goes to the even 100 (the double alone would give 101); the far end
        // crosses the right edge at 100.003.
        {"left crossing rounds to .5 in single, then to even", -100001, 100, 100000, 101, true, 0,
         100, 319, 100, 100001},
        // The same crossing through the other three edges.
        {"right crossing rounds to .5 in single", 100320, 100, -99681, 101, true, 319, 100, 0, 100,
         100001},
        {"top crossing rounds to .5 in single", 100, -100001, 101, 100000, true, 100, 0, 100, 199,
         100001},
        {"bottom crossing rounds to .5 in single", 100, 100200, 101, -99801, true, 100, 199, 100, 0,
         100001},
        // From the far end: 100101 - 200000 * 100000 / 200001 = 101.4999975 is 101.5 in single
        // precision and goes to 102 (the double alone would give 101).
        {"far end's crossing rounds up through single", 318, 101, 200319, 100101, true, 318, 101,
         319, 102, 0},
        {"crossing exactly .5 goes to even", -1, 100, 1, 101, true, 0, 100, 1, 101, 1},
        {"crossing exactly 101.5 goes to 102", -1, 101, 1, 102, true, 0, 102, 1, 102, 1},
        {"far end's crossing exactly .5", 317, 100, 321, 101, true, 317, 100, 319, 100, 0},
        // The first end clips to (0, 199) with 128 pixels cut off; the far end's left crossing,
        // -308 + 355 * (507 / 355), is 199.00000000000006 in double precision: below the page,
        // though single precision would make it 199. No edge takes it, so nothing is drawn.
        {"crossing a hair beyond the corner is tested unrounded", 90, 327, -355, -308, false, 0, 0,
         0, 0, 0},
    };
    for (const ClipCase& c : cases) {
        TestPage& page = use(PageKind::mode1);
        TestPage expected(PageKind::mode1);
        draw_line(c.x1, c.y1, c.x2, c.y2, 2, kLineKindLine, 0xCCCC, kFirstAndColour | kStyle);
        if (c.drawn) reference_line(expected, c.cx1, c.cy1, c.cx2, c.cy2, 2, 0xCCCC, c.k);
        EXPECT_EQ(page.snapshot(), expected.snapshot()) << c.name;
        EXPECT_TRUE(page.guards_intact()) << c.name;
        // The clipping model of the random test agrees with these worked cases. It takes finite
        // ends only: an infinite one would make a crossing of infinity times zero.
        if (!std::isfinite(c.x2 + c.y2)) continue;
        ClippedLine line;
        ASSERT_EQ(reference_clip(page, c.x1, c.y1, c.x2, c.y2, line), c.drawn) << c.name;
        if (c.drawn) {
            EXPECT_EQ(line.first.x, c.cx1) << c.name;
            EXPECT_EQ(line.first.y, c.cy1) << c.name;
            EXPECT_EQ(line.second.x, c.cx2) << c.name;
            EXPECT_EQ(line.second.y, c.cy2) << c.name;
            EXPECT_EQ(line.k, c.k) << c.name;
        }
    }
}

TEST_F(LineTest, LinesFarOffThePageClipAsTheRuleSays) {
    std::mt19937 random(77);
    auto below = [&random](uint32_t n) { return static_cast<double>(random() % n); };
    for (PageKind kind : {PageKind::mode1, PageKind::mode12}) {
        TestPage& drawn = use(kind);
        TestPage expected(kind);
        const double centre_x = drawn.record.width / 2.0;
        const double centre_y = drawn.record.height / 2.0;
        // Ends near the page, farther, and very far; some on half pixels, which round to even.
        auto coordinate = [&](double centre) {
            constexpr double kReach[] = {400, 2000, 1e6, 1e9};
            const double reach = kReach[random() % 4];
            const double whole = std::round(centre + (below(2001) - 1000) / 1000 * reach);
            return static_cast<float>(whole + (below(4) == 0 ? 0.5 : 0.0));
        };
        const int lines = kind == PageKind::mode1 ? 40000 : 10000;
        for (int i = 0; i < lines; ++i) {
            const float x1 = coordinate(centre_x);
            const float y1 = coordinate(centre_y);
            const float x2 = coordinate(centre_x);
            const float y2 = coordinate(centre_y);
            const uint8_t colour = static_cast<uint8_t>(1 + random() % drawn.record.colour_mask);
            const auto pattern = static_cast<uint16_t>(random());
            draw_line(x1, y1, x2, y2, colour, kLineKindLine, pattern, kFirstAndColour | kStyle);
            reference_clipped_line(expected, x1, y1, x2, y2, colour, pattern);
            ASSERT_EQ(drawn.snapshot(), expected.snapshot())
                << page_kind_name(kind) << " line " << i << ": (" << x1 << ", " << y1 << ") - ("
                << x2 << ", " << y2 << ")";
        }
        EXPECT_TRUE(drawn.guards_intact());
    }
}

TEST_F(LineTest, PointsColourAndCursor) {
    TestPage& page = use(PageKind::mode7);
    page.record.foreground = 6;
    page.record.graphics_x = 5;
    page.record.graphics_y = 6;
    // No first point: from the cursor, in the foreground colour.
    draw_line(0, 0, 8, 6, 0, kLineKindLine, 0, 0);
    EXPECT_EQ(page.at(5, 6), 6);
    EXPECT_EQ(page.at(8, 6), 6);
    EXPECT_FLOAT_EQ(page.record.graphics_x, 8);
    EXPECT_EQ(page.record.last_colour, 6u);
    // First point relative to the cursor (8, 6), second relative to the first.
    draw_line(2, 4, 0.25f, 3, 12, kLineKindLine, 0, kFirst | kFirstRelative | kSecondRelative | kColour);
    EXPECT_EQ(page.at(10, 10), 12);
    EXPECT_EQ(page.at(10, 13), 12);
    EXPECT_FLOAT_EQ(page.record.graphics_x, 10.25f);
    EXPECT_FLOAT_EQ(page.record.graphics_y, 13);
    // Colours take the page's mask: 16 draws colour 0, 17 colour 1.
    draw_line(50, 50, 50, 50, 17, kLineKindLine, 0, kFirstAndColour);
    EXPECT_EQ(page.at(50, 50), 1);
    draw_line(50, 50, 50, 50, 16, kLineKindLine, 0, kFirstAndColour);
    EXPECT_EQ(page.at(50, 50), 0);
    // Another kind draws nothing, keeps the last colour, still moves the cursor.
    const auto before = page.snapshot();
    draw_line(1, 1, 100, 100, 9, 3, 0, kFirstAndColour);
    EXPECT_EQ(page.snapshot(), before);
    EXPECT_FLOAT_EQ(page.record.graphics_x, 100);
    EXPECT_EQ(page.record.last_colour, 16u);
}

TEST_F(LineTest, ModeOneStoresColourAndThree) {
    TestPage& page = use(PageKind::mode1);
    draw_line(0, 0, 3, 0, 4, kLineKindFilledBox, 0, kFirstAndColour);
    draw_line(0, 1, 3, 1, 7, kLineKindLine, 0, kFirstAndColour);
    EXPECT_EQ(page.at(0, 0), 0);
    EXPECT_EQ(page.at(3, 1), 3);
}

TEST_F(LineTest, BoxOutlineIsFourPatternedLines) {
    TestPage& page = use(PageKind::mode7);
    TestPage expected(PageKind::mode7);
    draw_line(30, 20, 10, 40, 7, kLineKindBox, 0xAAAA, kFirstAndColour | kStyle);
    reference_line(expected, 30, 20, 10, 20, 7, 0xAAAA);
    reference_line(expected, 10, 20, 10, 40, 7, 0xAAAA);
    reference_line(expected, 10, 40, 30, 40, 7, 0xAAAA);
    reference_line(expected, 30, 40, 30, 20, 7, 0xAAAA);
    EXPECT_EQ(page.snapshot(), expected.snapshot());
    // Each side is clipped by itself: a box half off the page keeps its visible sides.
    page.clear();
    draw_line(-10, 10, 20, 30, 7, kLineKindBox, 0, kFirstAndColour);
    EXPECT_EQ(page.at(0, 10), 7);
    EXPECT_EQ(page.at(20, 10), 7);
    EXPECT_EQ(page.at(20, 30), 7);
    EXPECT_EQ(page.at(0, 30), 7);
    EXPECT_EQ(page.at(0, 20), 0);
}

TEST_F(LineTest, FilledBoxIncludesItsCornersAndIsClamped) {
    TestPage& page = use(PageKind::mode1);
    draw_line(12, 9, 3, 4, 2, kLineKindFilledBox, 0x0001, kFirstAndColour | kStyle);
    std::set<std::pair<int, int>> box;
    for (int y = 4; y <= 9; ++y) {
        for (int x = 3; x <= 12; ++x) box.insert({x, y});
    }
    EXPECT_EQ(page.lit(), box);
    // 320 and 200 lie one pixel outside mode 1 and are clamped: the whole page.
    draw_line(0, 0, 320, 200, 1, kLineKindFilledBox, 0, kFirstAndColour);
    EXPECT_EQ(page.snapshot(), std::vector<uint8_t>(320 * 200, 1));
    draw_line(-1e30f, 150, 1e30f, std::numeric_limits<float>::infinity(), 3, kLineKindFilledBox, 0,
              kFirstAndColour);
    EXPECT_EQ(page.at(0, 150), 3);
    EXPECT_EQ(page.at(319, 199), 3);
    EXPECT_EQ(page.at(0, 149), 1);
    EXPECT_TRUE(page.guards_intact());
}

TEST_F(LineTest, FilledBoxWhollyOffThePageDrawsNothing) {
    TestPage& page = use(PageKind::mode12);
    const float boxes[][4] = {
        {-20, 10, -1, 50}, {640, 10, 700, 50}, {10, -30, 50, -1}, {10, 480, 50, 1000},
        {1e30f, 1e30f, 2e30f, 2e30f}, {-1e30f, 0, -1e29f, 479},
    };
    for (const auto& b : boxes) draw_line(b[0], b[1], b[2], b[3], 5, kLineKindFilledBox, 0, kFirstAndColour);
    EXPECT_TRUE(page.lit().empty());
}

TEST_F(LineTest, ClipBoxLimitsEveryKind) {
    TestPage& page = use(PageKind::mode7);
    page.record.clip_left = 10;
    page.record.clip_top = 10;
    page.record.clip_right = 20;
    page.record.clip_bottom = 20;
    draw_line(0, 15, 100, 15, 1, kLineKindLine, 0, kFirstAndColour);
    draw_line(0, 0, 100, 100, 2, kLineKindFilledBox, 0, kFirstAndColour);
    for (const auto& [x, y] : page.lit()) {
        EXPECT_GE(x, 10);
        EXPECT_LE(x, 20);
        EXPECT_GE(y, 10);
        EXPECT_LE(y, 20);
    }
    EXPECT_EQ(page.lit().size(), 121u);
}

TEST_F(LineTest, TextPageAndPendingError) {
    TestPage& page = use(PageKind::text);
    const auto before = page.snapshot();
    draw_line(1, 1, 5, 5, 1, kLineKindLine, 0, kFirstAndColour);
    EXPECT_EQ(pending(), 5);
    EXPECT_EQ(page.snapshot(), before);
    EXPECT_FLOAT_EQ(page.record.graphics_x, 0);

    clear_error();
    TestPage& graphics = use(PageKind::mode7);
    raise_error(6);
    draw_line(1, 1, 5, 5, 1, kLineKindFilledBox, 0, kFirstAndColour);
    EXPECT_TRUE(graphics.lit().empty());
    EXPECT_FLOAT_EQ(graphics.record.graphics_x, 160);
    EXPECT_EQ(pending(), 6);
}

TEST_F(LineTest, NotANumberDrawsNothing) {
    TestPage& page = use(PageKind::mode7);
    const float nan = std::numeric_limits<float>::quiet_NaN();
    draw_line(nan, 5, 100, 5, 1, kLineKindLine, 0, kFirstAndColour);
    draw_line(5, 5, 100, nan, 1, kLineKindBox, 0, kFirstAndColour);
    draw_line(5, 5, nan, nan, 1, kLineKindFilledBox, 0, kFirstAndColour);
    EXPECT_TRUE(page.lit().empty());
    EXPECT_EQ(pending(), 0);
}

}  // namespace
}  // namespace zl::test
