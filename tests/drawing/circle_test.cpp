// Circles, ellipses and arcs.
#include <cmath>
#include <limits>

#include "drawing/drawing_test_support.h"

namespace zl::test {
namespace {

constexpr int32_t kRelative = 1;
constexpr int32_t kColour = 2;
constexpr int32_t kStart = 4;
constexpr int32_t kEnd = 8;
constexpr int32_t kAspect = 16;
constexpr double kPi = 3.141592653589793;

using Pixels = std::set<std::pair<int, int>>;
using CircleTest = DrawingTest;

Pixels shifted(const Pixels& offsets, int cx, int cy) {
    Pixels out;
    for (const auto& [x, y] : offsets) out.insert({cx + x, cy + y});
    return out;
}

TEST_F(CircleTest, RadiusOneInModeOneIsFourPixels) {
    TestPage& page = use(PageKind::mode1);
    draw_circle(100, 50, 1, 3, 0, 0, 0, kColour);
    EXPECT_EQ(page.lit(), shifted({{-1, 0}, {1, 0}, {0, -1}, {0, 1}}, 100, 50));
}

TEST_F(CircleTest, RadiusZeroIsTheCentre) {
    TestPage& page = use(PageKind::mode12);
    draw_circle(100.5, 50.5, 0, 9, 0, 0, 0, kColour);   // centre rounds half away from zero
    EXPECT_EQ(page.lit(), (Pixels{{101, 51}}));
}

TEST_F(CircleTest, RadiusTwoHoldsBackTheSamplesThatAddNothing) {
    // n = 3 steps of 30 degrees: samples (2,0) (2,1) (1,2) (0,2); all four are drawn, each
    // mirrored into the four quadrants.
    TestPage& page = use(PageKind::mode12);
    draw_circle(20, 20, 2, 5, 0, 0, 0, kColour);
    EXPECT_EQ(page.lit(), shifted({{2, 0}, {-2, 0}, {2, 1}, {2, -1}, {-2, 1}, {-2, -1}, {1, 2}, {1, -2},
                                   {-1, 2}, {-1, -2}, {0, 2}, {0, -2}},
                                  20, 20));
}

// Properties of a larger outline: four-fold symmetry, the extreme points at the radii, and the
// pixels close to the ellipse.
void expect_ellipse(const TestPage& page, int cx, int cy, double rx, double ry) {
    const Pixels lit = page.lit();
    ASSERT_FALSE(lit.empty());
    int widest = 0;
    int tallest = 0;
    for (const auto& [x, y] : lit) {
        const int u = x - cx;
        const int v = y - cy;
        EXPECT_TRUE(lit.count({cx - u, cy + v}) && lit.count({cx + u, cy - v})) << u << "," << v;
        widest = std::max(widest, std::abs(u));
        tallest = std::max(tallest, std::abs(v));
        // Each offset is within half a pixel of the exact point on the ellipse.
        const double reach = std::hypot(u / rx, v / ry);
        EXPECT_NEAR(reach, 1.0, 0.75 / std::min(rx, ry)) << u << "," << v;
    }
    EXPECT_EQ(widest, static_cast<int>(rx + 0.5));
    EXPECT_EQ(tallest, static_cast<int>(ry + 0.5));
}

TEST_F(CircleTest, AspectRules) {
    struct Case {
        PageKind kind;
        double aspect;
        int32_t presence;
        double rx, ry;
    };
    const Case cases[] = {
        {PageKind::mode1, 0, kColour, 30, 25},            // default 5/6
        {PageKind::mode7, 0, kColour, 30, 25},
        {PageKind::mode12, 0, kColour, 30, 30},           // default 1
        {PageKind::mode12, 0.5, kColour | kAspect, 30, 15},
        {PageKind::mode12, 2, kColour | kAspect, 15, 30},
        {PageKind::mode12, -0.2, kColour | kAspect, 30, 24},
        {PageKind::mode12, -3, kColour | kAspect, 30, 30},
    };
    for (const Case& c : cases) {
        TestPage& page = use(c.kind);
        draw_circle(100, 90, -30, 1, 0, 0, c.aspect, c.presence);   // the radius's sign is dropped
        SCOPED_TRACE(c.aspect);
        expect_ellipse(page, 100, 90, c.rx, c.ry);
    }
}

TEST_F(CircleTest, ArcsKeepThePointsBetweenTheAngles) {
    TestPage& page = use(PageKind::mode12);
    draw_circle(200, 200, 40, 4, 0, kPi / 2, 0, kColour | kStart | kEnd);
    ASSERT_FALSE(page.lit().empty());
    for (const auto& [x, y] : page.lit()) {
        EXPECT_GE(x, 200);
        EXPECT_LE(y, 200);
    }
    EXPECT_TRUE(page.lit().count({240, 200}));
    EXPECT_TRUE(page.lit().count({200, 160}));

    // A start beyond the end wraps through angle 0: the right half.
    page.clear();
    draw_circle(200, 200, 40, 4, 3 * kPi / 2, kPi / 2, 0, kColour | kStart | kEnd);
    bool above = false;
    bool below = false;
    for (const auto& [x, y] : page.lit()) {
        EXPECT_GE(x, 200);
        above |= y < 200;
        below |= y > 200;
    }
    EXPECT_TRUE(above && below);
    EXPECT_TRUE(page.lit().count({200, 240}));
}

TEST_F(CircleTest, NegativeAnglesAddRadiusLines) {
    TestPage& page = use(PageKind::mode12);
    draw_circle(100, 100, 20, 7, -kPi / 2, -kPi, 0, kColour | kStart | kEnd);
    for (int d = 0; d <= 20; ++d) {
        EXPECT_EQ(page.at(100, 100 - d), 7) << "up " << d;
        EXPECT_EQ(page.at(100 - d, 100), 7) << "left " << d;
    }
    // The arc itself runs from the top to the left only.
    for (const auto& [x, y] : page.lit()) {
        EXPECT_LE(x, 100);
        EXPECT_LE(y, 100);
    }
}

TEST_F(CircleTest, AnglesBeyondTwoPiAndTextPagesRefuse) {
    TestPage& page = use(PageKind::mode12);
    for (const auto& [start, end] : {std::pair{7.0, 1.0}, std::pair{1.0, -6.3}}) {
        clear_error();
        draw_circle(10, 10, 5, 1, start, end, 0, kColour | kStart | kEnd);
        EXPECT_EQ(pending(), 5);
    }
    EXPECT_TRUE(page.lit().empty());
    EXPECT_FLOAT_EQ(page.record.graphics_x, 320);   // the cursor stays
    clear_error();
    draw_circle(10, 10, 5, 1, 2 * kPi, -2 * kPi, 0, kColour | kStart | kEnd);
    EXPECT_EQ(pending(), 0);
    EXPECT_FALSE(page.lit().empty());

    use(PageKind::text);
    draw_circle(10, 10, 5, 1, 0, 0, 0, kColour);
    EXPECT_EQ(pending(), 5);
}

TEST_F(CircleTest, CursorMovesToTheCentreEvenWhenNothingIsDrawn) {
    TestPage& page = use(PageKind::mode7);
    draw_circle(-500, 20, 10, 1, 0, 0, 0, kColour);
    EXPECT_TRUE(page.lit().empty());
    EXPECT_FLOAT_EQ(page.record.graphics_x, -500);
    draw_circle(510, 80, 3, 2, 0, 0, 0, kColour | kRelative);   // from (-500, 20)
    EXPECT_FLOAT_EQ(page.record.graphics_x, 10);
    EXPECT_FLOAT_EQ(page.record.graphics_y, 100);
    EXPECT_EQ(page.at(13, 100), 2);
    // Colours take the mask; without one the foreground is used.
    draw_circle(50, 50, 0, 16, 0, 0, 0, kColour);
    EXPECT_EQ(page.at(50, 50), 0);
    draw_circle(60, 50, 0, 0, 0, 0, 0, 0);
    EXPECT_EQ(page.at(60, 50), 15);
}

TEST_F(CircleTest, CirclesAcrossTheEdgeAreClipped) {
    TestPage& page = use(PageKind::mode1);
    draw_circle(0, 0, 50, 3, 0, 0, 0, kColour);
    draw_circle(319, 199, 80, 2, 0, 0, 0, kColour);
    EXPECT_TRUE(page.lit().count({50, 0}));
    EXPECT_TRUE(page.guards_intact());
}

TEST_F(CircleTest, WildArgumentsDrawNothingAndStayInside) {
    TestPage& page = use(PageKind::mode12);
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double wild[] = {nan, inf, -inf, 1e30, -1e30, 1e7};
    for (double w : wild) {
        draw_circle(w, 100, 10, 1, 0, 0, 0, kColour);
        draw_circle(100, w, 10, 1, 0, 0, 0, kColour);
        draw_circle(100, 100, w, 1, 0, 0, 0, kColour);
        draw_circle(100, 100, 10, 1, 0, 0, w, kColour | kAspect);
        draw_circle(100, 100, 10, 1, nan, nan, 0, kColour | kStart | kEnd);
        clear_error();
    }
    EXPECT_TRUE(page.guards_intact());
}

}  // namespace
}  // namespace zl::test
