// Circles, ellipses and arcs.
#include <cmath>
#include <limits>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "drawing/drawing_test_support.h"

namespace zl::test {
namespace {

constexpr int32_t kRelative = 1;
constexpr int32_t kColour = 2;
constexpr int32_t kStart = 4;
constexpr int32_t kEnd = 8;
constexpr int32_t kAspect = 16;
constexpr double kPi = 3.141592653589793;
constexpr double kTwoPi = 2 * kPi;

using Pixels = std::set<std::pair<int, int>>;
using CircleTest = DrawingTest;

Pixels shifted(const Pixels& offsets, int cx, int cy) {
    Pixels out;
    for (const auto& [x, y] : offsets) out.insert({cx + x, cy + y});
    return out;
}

// One circle's arguments. Without angles of its own it takes 0 to 2 pi, without an aspect the
// page's.
struct Circle {
    double x = 0;
    double y = 0;
    double radius = 0;
    int colour = 1;
    double start = 0;
    double end = kTwoPi;
    double aspect = 0;
    bool has_aspect = false;
    bool has_angles = false;
};

double page_aspect(const TestPage& page) {
    return page.record.mode == 12 ? 1.0 : 5.0 / 6.0;   // the pages these tests use: 1, 7, 12
}

// The circle as the drawing rule describes it, written out plainly for comparison: positive
// angles only (the benchmark passes none) and no view.
void reference_circle(TestPage& page, const Circle& c) {
    const double aspect = c.has_aspect ? c.aspect : page_aspect(page);
    double rx = std::fabs(c.radius);
    double ry = std::fabs(c.radius);
    if (0 <= aspect && aspect < 1) ry = ry * aspect;
    if (aspect > 1) rx = rx / aspect;
    if (-1 < aspect && aspect < 0) ry = ry * (aspect + 1);

    const int width = page.record.width;
    const int height = page.record.height;
    if (c.x + rx + 0.5 < 0 || c.x - rx - 0.5 > width - 1) return;
    if (c.y + ry + 0.5 < 0 || c.y - ry - 0.5 > height - 1) return;

    const int cx = static_cast<int>(std::round(c.x));   // std::round: halves away from zero
    const int cy = static_cast<int>(std::round(c.y));
    const uint8_t stored = static_cast<uint8_t>(c.colour & page.record.colour_mask);
    const double low = std::min(c.start, c.end);
    const double high = std::max(c.start, c.end);
    const bool swapped = c.start > c.end;
    auto on_arc = [&](double a) {
        return swapped ? (a <= low || a >= high) : (low <= a && a <= high);
    };
    auto plot = [&](double angle, int x, int y) {
        if (on_arc(angle) && 0 <= x && x < width && 0 <= y && y < height) page.put(x, y, stored);
    };

    // Samples k = 0 to n: (cos kδ, sin kδ) by turning (1, 0) through δ k times.
    const int n = static_cast<int>(std::trunc(2 * kPi * std::fabs(c.radius) / 4 + 0.5));
    const double delta = n == 0 ? 0.0 : (kPi / 2) / n;
    const double turn_c = std::cos(delta);
    const double turn_s = std::sin(delta);
    std::vector<std::pair<int, int>> samples;
    double cos_k = 1;
    double sin_k = 0;
    for (int k = 0; k <= n; ++k) {
        samples.emplace_back(static_cast<int>(std::trunc(cos_k * rx + 0.5)),
                             static_cast<int>(std::trunc(sin_k * ry + 0.5)));
        const double turned_c = turn_c * cos_k - turn_s * sin_k;
        sin_k = turn_s * cos_k + turn_c * sin_k;
        cos_k = turned_c;
    }

    // Sample k is drawn when it is the first or the last, or when the sample after it lies more
    // than a pixel (in either direction) from the last one drawn.
    std::pair<int, int> last = samples[0];
    for (int k = 0; k <= n; ++k) {
        const auto [u, v] = samples[k];
        const bool drawn = k == 0 || k == n || std::abs(samples[k + 1].first - last.first) > 1 ||
                           std::abs(samples[k + 1].second - last.second) > 1;
        if (!drawn) continue;
        last = samples[k];
        const double angle = k * delta;
        plot(angle, cx + u, cy - v);
        plot(kPi - angle, cx - u, cy - v);
        plot(kPi + angle, cx - u, cy + v);
        plot(kTwoPi - angle, cx + u, cy + v);
    }
}

// Arguments that are not passed hold values the operation would refuse, were it to read them.
void draw(const Circle& c) {
    constexpr double kRefused = 100;
    int32_t presence = kColour;
    if (c.has_angles) presence |= kStart | kEnd;
    if (c.has_aspect) presence |= kAspect;
    draw_circle(c.x, c.y, c.radius, c.colour, c.has_angles ? c.start : kRefused,
                c.has_angles ? c.end : kRefused, c.has_aspect ? c.aspect : -0.5, presence);
}

std::string describe(const Circle& c) {
    std::ostringstream text;
    text.precision(17);
    text << "centre (" << c.x << ", " << c.y << ") radius " << c.radius << " colour " << c.colour
         << " angles " << c.start << " to " << c.end << (c.has_angles ? "" : " (default)");
    if (c.has_aspect) text << " aspect " << c.aspect;
    return text.str();
}

// The first pixel where two pages differ, for a failure message.
std::string first_difference(const TestPage& drawn, const TestPage& expected) {
    for (int y = 0; y < drawn.record.height; ++y) {
        for (int x = 0; x < drawn.record.width; ++x) {
            if (drawn.at(x, y) != expected.at(x, y)) {
                return "pixel (" + std::to_string(x) + ", " + std::to_string(y) + ") is " +
                       std::to_string(drawn.at(x, y)) + ", expected " +
                       std::to_string(expected.at(x, y));
            }
        }
    }
    return "no pixel differs";
}

class RandomCircles {
public:
    RandomCircles(uint32_t seed, const TestPage& page)
        : random_(seed), width_(page.record.width), height_(page.record.height) {}

    Circle next() {
        Circle c;
        // Quarter pixels, so centres meet the halves that round away from zero; a band around
        // the page, so many circles are partly off it.
        c.x = quarters(-150, width_ + 150);
        c.y = quarters(-150, height_ + 150);
        // Radii up to 400, with more of the ones that fit on a 320 x 200 page.
        switch (below(4)) {
        case 0: c.radius = below(13) + below(16) / 16.0; break;
        case 1: c.radius = below(401) - (below(2) ? below(16) / 16.0 : 0.0); break;
        case 2: c.radius = static_cast<double>(below(401)); break;
        default: c.radius = static_cast<double>(below(121)); break;
        }
        if (below(8) == 0) c.radius = -c.radius;   // the sign is dropped
        c.colour = static_cast<int>(below(21));
        if (below(4) == 0) {
            c.start = angle();
            c.end = angle();
            c.has_angles = true;
        }
        if (below(5) == 0) {
            constexpr double kAspects[] = {0.0, 0.3,  0.5,  5.0 / 6.0, 1.0, 1.5,
                                           2.0, -0.2, -0.75, -1.0,     -3.0};
            c.aspect = kAspects[below(std::size(kAspects))];
            c.has_aspect = true;
        }
        return c;
    }

private:
    uint32_t below(uint32_t n) { return static_cast<uint32_t>(random_() % n); }
    double quarters(int low, int high) { return low + below(4 * (high - low) + 1) / 4.0; }
    // Sample 0's points lie at exactly 0, pi and 2 pi: ends there test that both are included.
    double angle() {
        constexpr double kExact[] = {0.0, kPi / 2, kPi, 3 * kPi / 2, kTwoPi};
        return below(3) == 0 ? kExact[below(5)] : below(1000) * kTwoPi / 999;
    }

    std::mt19937 random_;
    int width_;
    int height_;
};

TEST_F(CircleTest, RandomCirclesMatchTheRulePixelForPixel) {
    for (PageKind kind : {PageKind::mode1, PageKind::mode7, PageKind::mode12}) {
        TestPage& drawn = use(kind);
        TestPage expected(kind);
        RandomCircles circles(2024 + drawn.record.mode, drawn);   // each mode its own circles
        for (int i = 0; i < 400; ++i) {
            const Circle c = circles.next();
            draw(c);
            reference_circle(expected, c);
            ASSERT_EQ(drawn.snapshot(), expected.snapshot())
                << page_kind_name(kind) << " circle " << i << ", " << describe(c) << ": "
                << first_difference(drawn, expected);
            ASSERT_EQ(drawn.record.graphics_x, static_cast<float>(c.x));
            ASSERT_EQ(drawn.record.graphics_y, static_cast<float>(c.y));
        }
        EXPECT_EQ(pending(), 0);
        EXPECT_TRUE(drawn.guards_intact());
    }
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
    const std::pair<PageKind, Circle> cases[] = {
        {PageKind::mode1, {0, 0, 50, 3}},           // corners
        {PageKind::mode1, {319, 199, 80, 2}},
        {PageKind::mode1, {-30.5, 100, 60, 1}},     // each edge
        {PageKind::mode1, {340.25, 100, 60, 2}},
        {PageKind::mode1, {160, -20, 70, 3}},
        {PageKind::mode1, {160, 230.5, 70, 1}},
        {PageKind::mode12, {320, 240, 400, 9}},     // wider than the page every way
        {PageKind::mode12, {-200, 500, 250, 12}},
        // Just beyond the left edge: 10 + 9.85 + 0.5 is left of column 0, so nothing is drawn,
        // though sample 0 alone would land on column 0.
        {PageKind::mode12, {-10.4, 100, 9.85, 5}},
        {PageKind::mode12, {-10.3, 100, 9.85, 5}},  // 0.05 nearer: that pixel is drawn
    };
    for (const auto& [kind, c] : cases) {
        TestPage& drawn = use(kind);
        TestPage expected(kind);
        draw(c);
        reference_circle(expected, c);
        EXPECT_EQ(drawn.snapshot(), expected.snapshot())
            << page_kind_name(kind) << " " << describe(c) << ": "
            << first_difference(drawn, expected);
        EXPECT_TRUE(drawn.guards_intact());
    }
    TestPage& page = use(PageKind::mode12);
    draw({-10.3, 100, 9.85, 5});
    EXPECT_EQ(page.at(0, 100), 5);
}

TEST_F(CircleTest, WildArgumentsDrawNothingAndStayInside) {
    TestPage& page = use(PageKind::mode12);
    TestPage expected(PageKind::mode12);
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double wild[] = {nan, inf, -inf, 1e30, -1e30, 1e7};
    auto expect_page = [&](const std::string& what) {
        EXPECT_EQ(page.snapshot(), expected.snapshot())
            << what << ": " << first_difference(page, expected);
        EXPECT_TRUE(page.guards_intact()) << what;
    };
    for (double w : wild) {
        const std::string value = std::to_string(w);
        // A centre or radius that is no number or far beyond the page leaves no pixel on it, and
        // an angle that is no number lies on no arc.
        draw_circle(w, 100, 10, 1, 0, 0, 0, kColour);
        expect_page("centre x " + value);
        draw_circle(100, w, 10, 1, 0, 0, 0, kColour);
        expect_page("centre y " + value);
        draw_circle(100, 100, w, 1, 0, 0, 0, kColour);
        expect_page("radius " + value);
        draw_circle(100, 100, 10, 1, nan, nan, 0, kColour | kStart | kEnd);
        expect_page("angles not a number");
        // A wild aspect still follows the aspect rule: a NaN or one of -1 or less keeps both
        // radii, one above 1 narrows the horizontal radius to nothing.
        page.clear();
        expected.clear();
        draw_circle(100, 100, 10, 1, 0, 0, w, kColour | kAspect);
        reference_circle(expected, {100, 100, 10, 1, 0, kTwoPi, w, true});
        expect_page("aspect " + value);
        EXPECT_FALSE(page.lit().empty()) << "aspect " << value;
        page.clear();
        expected.clear();
        clear_error();
    }
}

}  // namespace
}  // namespace zl::test
