// The pixel, box, circle, fill, line and triangle routines of screens 1 and 7. Each is held to a
// model written from its description: the statements it checks, in order and with their lines,
// the values it draws from the modelled random sequence, and, where the picture is simple
// enough to model, the page it leaves.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "benchmark/routines.h"
#include "benchmark/routines/graphics_statements.h"
#include "benchmark/routines/log_argument.h"
#include "routine_probe.h"
#include "runtime/core/arithmetic.h"
#include "runtime/core/error_state.h"
#include "runtime/host/headless/headless_host.h"
#include "runtime/screen/screen_page.h"

namespace zl {
namespace {

using probe::Sequence;
using probe::StatementProbe;
using probe::Variables;

constexpr int kWidth = 320;
constexpr int kHeight = 200;
constexpr int kNone = -1;

// One statement check the routine must make: its line and, for a draw, the variable drawn.
struct Step {
    int32_t line;
    int variable;
    float value;
};

// The expected run of a routine, built by its model; the steps are kept only when recorded.
struct Script {
    explicit Script(bool record) : record(record) {}
    void line(int32_t number) {
        if (record) steps.push_back({number, kNone, 0.0f});
    }
    float draw(int32_t number, int variable, float n) {
        const float value = model.below(n);
        if (record) steps.push_back({number, variable, value});
        return value;
    }
    // A statement repeated by a counted loop from 1 to count, with its loop line.
    void repeat(int32_t loop_line, int32_t statement_line, int count) {
        for (int i = 0; i < count; ++i) {
            line(loop_line);
            line(statement_line);
        }
    }
    bool record;
    Sequence model;
    std::vector<Step> steps;
};

// A modelled 320 × 200 page of one byte a pixel.
struct ModelPage {
    explicit ModelPage(uint8_t mask) : mask(mask), pixels(kWidth * kHeight, 0) {}
    static bool on_page(int x, int y) { return x >= 0 && x < kWidth && y >= 0 && y < kHeight; }
    void set(float x, float y, int colour) {
        if (on_page(static_cast<int>(x), static_cast<int>(y))) {
            pixels[static_cast<int>(y) * kWidth + static_cast<int>(x)] =
                static_cast<uint8_t>(colour & mask);
        }
    }
    void box(float x1, float y1, float x2, float y2, int colour) {
        const int left = static_cast<int>(std::fmin(x1, x2));
        const int right = std::min(static_cast<int>(std::fmax(x1, x2)), kWidth - 1);
        const int top = static_cast<int>(std::fmin(y1, y2));
        const int bottom = std::min(static_cast<int>(std::fmax(y1, y2)), kHeight - 1);
        for (int y = top; y <= bottom; ++y) {
            for (int x = left; x <= right; ++x) {
                pixels[y * kWidth + x] = static_cast<uint8_t>(colour & mask);
            }
        }
    }
    bool matches_write_page() const {
        return write_page->width == kWidth && write_page->height == kHeight &&
               std::memcmp(write_page->pixels, pixels.data(), pixels.size()) == 0;
    }
    uint8_t mask;
    std::vector<uint8_t> pixels;
};

// Runs the routine under a probe until the script is used up, then stops it at its next check.
void expect_follows(void (*routine)(), const Script& script) {
    const Variables vars;
    size_t next = 0;
    std::string mismatch;
    StatementProbe watch([&](int32_t line) {
        if (next == script.steps.size()) throw probe::Stop{};
        const Step& step = script.steps[next];
        if (line != step.line) {
            mismatch = "statement " + std::to_string(next) + ": line " + std::to_string(line) +
                       ", expected " + std::to_string(step.line);
        } else if (step.variable != kNone && vars.single(step.variable) != step.value) {
            mismatch = "line " + std::to_string(line) + " drew " +
                       std::to_string(vars.single(step.variable)) + ", expected " +
                       std::to_string(step.value);
        }
        if (!mismatch.empty()) throw probe::Stop{};
        ++next;
    });
    EXPECT_FALSE(StatementProbe::run(routine));
    EXPECT_EQ(mismatch, "");
    EXPECT_EQ(next, script.steps.size());
    EXPECT_EQ(random_seed, script.model.state);
}

// The predecessor of a state of the sequence, to make the next draw return a chosen value.
uint32_t state_before(uint32_t state) {
    constexpr uint32_t kMultiplier = 16598013u;
    uint32_t inverse = kMultiplier;   // Newton's iteration doubles the correct low bits each step
    for (int i = 0; i < 5; ++i) inverse *= 2u - kMultiplier * inverse;
    return ((state - 12820163u) * inverse) & 0xFFFFFFu;
}

class GraphicsRoutinesTest : public ::testing::Test {
protected:
    HeadlessHost host;
};

// ---- Pixel set and read-back ----

struct PsetPoints {
    float x[5];
    float y[5];
};

PsetPoints model_pset_point_screen1(Script& s, ModelPage* page, int passes) {
    PsetPoints p{};
    s.line(267);
    s.line(267);
    for (int pass = 0; pass < passes; ++pass) {
        s.line(268);
        for (;;) {
            s.line(269);
            for (int i = 0; i < 5; ++i) p.x[i] = s.draw(270 + i, 1 + i, 1000.0f);
            if (p.x[0] > 320 || p.x[1] > 340 || p.x[2] > 320 || p.x[3] > 320 || p.x[4] > 320) {
                s.line(275);
                continue;
            }
            break;
        }
        for (;;) {
            s.line(276);
            for (int i = 0; i < 5; ++i) p.y[i] = s.draw(277 + i, 6 + i, 1000.0f);
            if (p.y[0] > 200 || p.y[1] > 200 || p.y[2] > 200 || p.y[3] > 200 || p.y[4] > 200) {
                s.line(282);
                continue;
            }
            break;
        }
        // The fifth point first, in colour 0, then points 1 to 4 in colours 1 to 4.
        if (page != nullptr) {
            page->set(p.x[4], p.y[4], 0);
            for (int i = 0; i < 4; ++i) page->set(p.x[i], p.y[i], i + 1);
        }
        for (int line = 283; line <= 292; ++line) s.line(line);
    }
    return p;
}

struct PsetPoint {
    float x, y, colour;
};

PsetPoint model_pset_point_screen7(Script& s, ModelPage* page, int passes) {
    PsetPoint p{};
    s.line(539);
    s.line(539);
    for (int pass = 0; pass < passes; ++pass) {
        s.line(540);
        for (s.line(541); (p.x = s.draw(542, 1, 1000.0f)) > 320; s.line(541)) s.line(543);
        for (s.line(544); (p.y = s.draw(545, 2, 1000.0f)) > 200; s.line(544)) s.line(546);
        for (s.line(547); (p.colour = s.draw(548, 3, 100.0f)) > 16; s.line(547)) s.line(549);
        if (page != nullptr) page->set(p.x, p.y, static_cast<int>(p.colour));
        s.line(550);
        s.line(551);
    }
    return p;
}

TEST_F(GraphicsRoutinesTest, PsetPointScreen1FollowsItsStatementsForTenPasses) {
    Script script(true);
    model_pset_point_screen1(script, nullptr, 10);
    expect_follows(test_pset_point_screen1, script);
}

TEST_F(GraphicsRoutinesTest, PsetPointScreen7FollowsItsStatementsForAThousandPasses) {
    Script script(true);
    model_pset_point_screen7(script, nullptr, 1000);
    expect_follows(test_pset_point_screen7, script);
}

TEST_F(GraphicsRoutinesTest, PsetPointScreen1LeavesItsModelledPageAndSequence) {
    Script script(false);
    ModelPage page(3);
    const PsetPoints last = model_pset_point_screen1(script, &page, 7000);
    const Variables vars;
    test_pset_point_screen1();
    EXPECT_EQ(random_seed, script.model.state);
    EXPECT_EQ(write_page->mode, 1);
    EXPECT_TRUE(page.matches_write_page());
    EXPECT_EQ(vars.single(0), 7001.0f);
    // The last read is of the fourth point, set in colour 4 and so stored as 0.
    const bool on = ModelPage::on_page(static_cast<int>(last.x[3]), static_cast<int>(last.y[3]));
    EXPECT_EQ(vars.single(11), on ? 0.0f : -1.0f);
}

TEST_F(GraphicsRoutinesTest, PsetPointScreen7LeavesItsModelledPageAndSequence) {
    Script script(false);
    ModelPage page(15);
    const PsetPoint last = model_pset_point_screen7(script, &page, 2000000);
    const Variables vars;
    test_pset_point_screen7();
    EXPECT_EQ(random_seed, script.model.state);
    EXPECT_EQ(write_page->mode, 7);
    EXPECT_TRUE(page.matches_write_page());
    EXPECT_EQ(vars.single(0), 2000001.0f);
    const bool on = ModelPage::on_page(static_cast<int>(last.x), static_cast<int>(last.y));
    EXPECT_EQ(vars.single(4), on ? static_cast<float>(static_cast<int>(last.colour) & 15) : -1.0f);
}

TEST_F(GraphicsRoutinesTest, DrawOfStateNear51RoundsTheProductUpTo51) {
    random_seed = state_before(855638);
    const Variables vars;
    float first_x = -1;
    StatementProbe watch([&](int32_t line) {
        if (line == 542) {
            first_x = vars.single(1);
            throw probe::Stop{};
        }
    });
    StatementProbe::run(test_pset_point_screen7);
    EXPECT_EQ(first_x, 51.0f);   // 855638 / 16777216 × 1000 = 50.999999…, 51 in single precision
}

// ---- Filled boxes ----

struct BoxesModel {
    void (*routine)();
    int32_t at;
    int boxes;
    float colour_scale;
    float last_colour;
    uint8_t mask;
};

constexpr BoxesModel kBoxes1{test_boxes_screen1, 0, 50000, 10.0f, 4.0f, 3};
constexpr BoxesModel kBoxes7{test_boxes_screen7, 259, 10000, 100.0f, 16.0f, 15};

void model_boxes(const BoxesModel& m, Script& s, ModelPage* page, int passes) {
    const int32_t at = m.at;
    s.line(297 + at);
    s.line(297 + at);
    for (int pass = 0; pass < passes; ++pass) {
        s.line(298 + at);
        float x1, x2, y1, y2, colour;
        for (;;) {
            s.line(299 + at);
            x1 = s.draw(300 + at, 1, 1000.0f);
            x2 = s.draw(301 + at, 3, 1000.0f);
            y1 = s.draw(302 + at, 2, 1000.0f);
            y2 = s.draw(303 + at, 4, 1000.0f);
            colour = s.draw(304 + at, 5, m.colour_scale);
            if (colour > m.last_colour) {
                s.line(305 + at);
            } else if (x1 > 320 || x2 > 320) {
                s.line(306 + at);
            } else if (y1 > 200 || y2 > 200) {
                s.line(307 + at);
            } else {
                break;
            }
        }
        if (page != nullptr) page->box(x1, y1, x2, y2, static_cast<int>(colour));
        s.line(308 + at);
    }
}

class BoxesTest : public GraphicsRoutinesTest, public ::testing::WithParamInterface<BoxesModel> {};

TEST_P(BoxesTest, FollowsItsStatementsForFiftyBoxes) {
    Script script(true);
    model_boxes(GetParam(), script, nullptr, 50);
    expect_follows(GetParam().routine, script);
}

TEST_P(BoxesTest, LeavesItsModelledPageAndSequence) {
    const BoxesModel& m = GetParam();
    Script script(false);
    ModelPage page(m.mask);
    model_boxes(m, script, &page, m.boxes);
    const Variables vars;
    m.routine();
    EXPECT_EQ(random_seed, script.model.state);
    EXPECT_TRUE(page.matches_write_page());
    EXPECT_EQ(vars.single(0), static_cast<float>(m.boxes + 1));
}

INSTANTIATE_TEST_SUITE_P(Screens, BoxesTest, ::testing::Values(kBoxes1, kBoxes7));

// ---- Circles and fills ----

struct CircleFillModel {
    void (*routine)();
    int32_t at;
    int circles;
    float colour_scale;
    float last_colour;
    uint8_t mask;
};

constexpr CircleFillModel kCircles1{test_circle_fill_screen1, 0, 60000, 10.0f, 4.0f, 3};
constexpr CircleFillModel kCircles7{test_circle_fill_screen7, 259, 1000, 100.0f, 16.0f, 15};

struct Circle {
    float x, y, radius, colour;
};

Circle model_circle_fill(const CircleFillModel& m, Script& s, int passes) {
    const int32_t at = m.at;
    Circle c{};
    s.line(313 + at);
    s.line(313 + at);
    for (int pass = 0; pass < passes; ++pass) {
        s.line(314 + at);
        for (;;) {
            s.line(315 + at);
            c.x = s.draw(316 + at, 1, 1000.0f);
            c.y = s.draw(317 + at, 2, 1000.0f);
            c.radius = s.draw(318 + at, 3, 100.0f);
            c.colour = s.draw(319 + at, 4, m.colour_scale);
            const float second = s.draw(320 + at, 5, m.colour_scale);
            if (c.colour > m.last_colour) {
                s.line(321 + at);
            } else if (second > m.last_colour || second == c.colour) {
                s.line(322 + at);
            } else if (c.x > 320) {
                s.line(323 + at);
            } else if (c.y > 200) {
                s.line(325 + at);
            } else {
                break;
            }
        }
        s.line(326 + at);
        s.line(327 + at);
    }
    return c;
}

class CircleFillTest : public GraphicsRoutinesTest,
                       public ::testing::WithParamInterface<CircleFillModel> {};

TEST_P(CircleFillTest, FollowsItsStatementsForFiftyCircles) {
    Script script(true);
    model_circle_fill(GetParam(), script, 50);
    expect_follows(GetParam().routine, script);
}

TEST_P(CircleFillTest, EndsOnItsModelledSequenceWithTheLastCentreInItsColour) {
    const CircleFillModel& m = GetParam();
    Script script(false);
    const Circle last = model_circle_fill(m, script, m.circles);
    const Variables vars;
    m.routine();
    EXPECT_EQ(random_seed, script.model.state);
    EXPECT_EQ(vars.single(0), static_cast<float>(m.circles + 1));
    if (last.x < kWidth && last.y < kHeight) {
        EXPECT_EQ(probe::pixel(static_cast<int>(last.x), static_cast<int>(last.y)),
                  static_cast<int>(last.colour) & m.mask);
    }
}

INSTANTIATE_TEST_SUITE_P(Screens, CircleFillTest, ::testing::Values(kCircles1, kCircles7));

// ---- Fills and trigonometry ----

struct FillTrigModel {
    void (*routine)();
    int32_t at;
    bool tests_colour;
    uint8_t mask;
};

constexpr FillTrigModel kFillTrig1{test_fill_trig_screen1, 0, true, 3};
constexpr FillTrigModel kFillTrig7{test_fill_trig_screen7, 294, false, 15};

// Returns the page's one colour after the passes: a fill from a point on the page in another
// colour repaints it whole.
uint8_t model_fill_trig(const FillTrigModel& m, Script& s, int passes) {
    const int32_t at = m.at;
    uint8_t page_colour = 0;
    s.line(332 + at);
    s.line(332 + at);
    for (int pass = 0; pass < passes; ++pass) {
        s.line(333 + at);
        float x, y, colour;
        for (;;) {
            s.line(334 + at);
            x = s.draw(335 + at, 1, 1000.0f);
            y = s.draw(336 + at, 2, 1000.0f);
            colour = s.draw(337 + at, 3, 10.0f);
            if (m.tests_colour && colour > 4) {
                s.line(338 + at);
            } else if (x > 320) {
                s.line(339 + at);
            } else if (y > 200) {
                s.line(340 + at);
            } else {
                break;
            }
        }
        if (x < kWidth && y < kHeight) {
            page_colour = static_cast<uint8_t>(static_cast<int>(colour) & m.mask);
        }
        s.line(341 + at);
        s.repeat(342 + at, 343 + at, 50000);
    }
    return page_colour;
}

class FillTrigTest : public GraphicsRoutinesTest,
                     public ::testing::WithParamInterface<FillTrigModel> {};

TEST_P(FillTrigTest, FollowsItsStatementsForThreePasses) {
    Script script(true);
    model_fill_trig(GetParam(), script, 3);
    expect_follows(GetParam().routine, script);
}

TEST_P(FillTrigTest, LeavesThePageInOneModelledColour) {
    const FillTrigModel& m = GetParam();
    Script script(false);
    const uint8_t colour = model_fill_trig(m, script, 1000);
    const Variables vars;
    m.routine();
    EXPECT_EQ(random_seed, script.model.state);
    EXPECT_TRUE(probe::page_is(colour));
    EXPECT_EQ(vars.single(0), 1001.0f);
    EXPECT_EQ(vars.single(4), 50001.0f);
    EXPECT_EQ(vars.single(5), sum(sin_single(50000.0f), cos_single(50000.0f)));
}

// The single sine 0.9092974 plus the single cosine -0.41614684 of 2; the unrounded sum of the
// two would round to 0.49315059 instead.
TEST_P(FillTrigTest, ValueAtTwoAddsTheSingleResults) {
    ASSERT_NE(0.49315056f, static_cast<float>(std::sin(2.0) + std::cos(2.0)));
    const FillTrigModel& m = GetParam();
    const Variables vars;
    float value_at_two = 0.0f;
    StatementProbe watch([&](int32_t line) {
        if (line == 343 + m.at && vars.single(4) == 2.0f) {
            value_at_two = vars.single(5);
            throw probe::Stop{};
        }
    });
    ASSERT_FALSE(StatementProbe::run(m.routine));
    EXPECT_EQ(value_at_two, 0.49315056f);
}

INSTANTIATE_TEST_SUITE_P(Screens, FillTrigTest, ::testing::Values(kFillTrig1, kFillTrig7));

// ---- Logarithms and lines ----

struct LogLinesModel {
    void (*routine)();
    int32_t at;
    float colour_scale;
    float last_colour;
    int first_drawn;   // index of colour; x1, y1, x2 and y2 follow
};

constexpr LogLinesModel kLogLines1{test_log_lines_screen1, 0, 10.0f, 4.0f, 4};
constexpr LogLinesModel kLogLines7{test_log_lines_screen7, 296, 100.0f, 16.0f, 3};

struct Line {
    float colour, x1, y1, x2, y2;
};

Line model_log_lines(const LogLinesModel& m, Script& s, int passes) {
    const int32_t at = m.at;
    const int v = m.first_drawn;
    Line l{};
    s.line(411 + at);
    s.line(411 + at);
    for (int pass = 0; pass < passes; ++pass) {
        s.line(412 + at);
        s.repeat(413 + at, 414 + at, 10000);
        for (;;) {
            s.line(416 + at);
            l.colour = s.draw(417 + at, v, m.colour_scale);
            if (l.colour > m.last_colour) {
                s.line(418 + at);
                continue;
            }
            l.x1 = s.draw(419 + at, v + 1, 1000.0f);
            l.y1 = s.draw(420 + at, v + 2, 1000.0f);
            if (l.x1 > 320 || l.y1 > 200) {
                s.line(421 + at);
                continue;
            }
            l.x2 = s.draw(422 + at, v + 3, 1000.0f);
            l.y2 = s.draw(423 + at, v + 4, 1000.0f);
            if (l.x2 > 320 || l.y2 > 200) {
                s.line(424 + at);
                continue;
            }
            break;
        }
        s.line(425 + at);
    }
    return l;
}

class LogLinesTest : public GraphicsRoutinesTest,
                     public ::testing::WithParamInterface<LogLinesModel> {};

TEST_P(LogLinesTest, FollowsItsStatementsForFortyPasses) {
    Script script(true);
    model_log_lines(GetParam(), script, 40);
    expect_follows(GetParam().routine, script);
}

INSTANTIATE_TEST_SUITE_P(Screens, LogLinesTest, ::testing::Values(kLogLines1, kLogLines7));

TEST_F(GraphicsRoutinesTest, LogLinesScreen1StoresANaNWithNoErrorAndNoBox) {
    const Variables vars;
    int evaluations = 0;
    bool all_nan = true;
    StatementProbe watch([&](int32_t line) {
        if (line != 414) return;
        all_nan = all_nan && std::isnan(vars.single(2));
        if (++evaluations == 25000) throw probe::Stop{};
    });
    StatementProbe::run(test_log_lines_screen1);
    EXPECT_EQ(evaluations, 25000);
    EXPECT_TRUE(all_nan);
    EXPECT_EQ(vars.single(3), 0.0f);   // the idle operand is never assigned
    EXPECT_EQ(error_state.pending_error.load(), 0);
    EXPECT_TRUE(host.boxes.shown.empty());
}

TEST_F(GraphicsRoutinesTest, LogLinesScreen7RunsItsTwoThousandLinesToItsModelledEnd) {
    Script script(false);
    const Line last = model_log_lines(kLogLines7, script, 2000);
    const Variables vars;
    test_log_lines_screen7();
    EXPECT_EQ(random_seed, script.model.state);
    EXPECT_EQ(vars.single(0), 2001.0f);
    EXPECT_EQ(vars.single(1), 10001.0f);
    EXPECT_EQ(vars.single(2), -16.741907119750977f);
    // The last line is drawn over every earlier one, so its on-page end points show its colour.
    const int colour = static_cast<int>(last.colour) & 15;
    if (last.x1 < kWidth && last.y1 < kHeight) {
        EXPECT_EQ(probe::pixel(static_cast<int>(last.x1), static_cast<int>(last.y1)), colour);
    }
    if (last.x2 < kWidth && last.y2 < kHeight) {
        EXPECT_EQ(probe::pixel(static_cast<int>(last.x2), static_cast<int>(last.y2)), colour);
    }
}

// The x87 evaluation of L + s - (s / s) * s, as the expression reads.
float extended_reference(double logarithm, float s) {
    const long double es = s;
    const long double t = static_cast<long double>(logarithm) + es;
    long double q = es / es;
    q = q * es;
    return static_cast<float>(t - q);
}

TEST(GraphicsStatementsTest, IdleQuotientExpressionGivesTheExtendedResultBitForBit) {
    const double logarithm = natural_log(log_argument);
    const float cases[] = {0.0f,      -0.0f,  INFINITY, -INFINITY, NAN,    -NAN, 1.0f,
                           -2.5f,     3e38f,  1e-40f,   7.25e-3f,  16.0f,  1e20f};
    for (const float s : cases) {
        EXPECT_EQ(std::bit_cast<uint32_t>(log_with_idle_quotient(logarithm, s)),
                  std::bit_cast<uint32_t>(extended_reference(logarithm, s)))
            << "s = " << s;
    }
    EXPECT_TRUE(std::isnan(log_with_idle_quotient(logarithm, 0.0f)));
}

TEST(GraphicsStatementsTest, LogarithmStatementsStoreTheirStatedValues) {
    const double logarithm = natural_log(log_argument);
    EXPECT_EQ(log_plus_e(logarithm), -14.023625373840332f);
    EXPECT_EQ(static_cast<float>(logarithm), -16.741907119750977f);
}

// ---- Triangles ----

struct TrianglesModel {
    void (*routine)();
    int32_t at;
    int logarithms;
    float colour_scale;
    float last_colour;
    float log_value;
};

constexpr TrianglesModel kTriangles1{test_triangles_screen1, 0, 30000, 10.0f, 4.0f,
                                     -14.023625373840332f};
constexpr TrianglesModel kTriangles7{test_triangles_screen7, 278, 20000, 100.0f, 16.0f,
                                     -16.741907119750977f};

struct Triangle {
    float colour, x[3], y[3];
};

Triangle model_triangles(const TrianglesModel& m, Script& s, int passes) {
    const int32_t at = m.at;
    Triangle t{};
    s.line(152 + at);
    s.line(152 + at);
    for (int pass = 0; pass < passes; ++pass) {
        s.line(153 + at);
        s.line(154 + at);
        s.repeat(155 + at, 156 + at, m.logarithms);
        for (;;) {
            s.line(158 + at);
            t.colour = s.draw(159 + at, 3, m.colour_scale);
            if (t.colour > m.last_colour) {
                s.line(160 + at);
                continue;
            }
            if (t.colour == 0) {
                s.line(161 + at);
                continue;
            }
            bool corners_pass = true;
            for (int k = 0; k < 3 && corners_pass; ++k) {
                t.x[k] = s.draw(162 + at + 3 * k, 4 + 2 * k, 1000.0f);
                t.y[k] = s.draw(163 + at + 3 * k, 5 + 2 * k, 1000.0f);
                if (t.x[k] > 320 || t.y[k] > 200) {
                    s.line(164 + at + 3 * k);
                    corners_pass = false;
                }
            }
            if (corners_pass) break;
        }
        for (int drawing = 0; drawing < 1000; ++drawing) {
            for (int line = 171; line <= 174; ++line) s.line(line + at);
        }
    }
    return t;
}

class TrianglesTest : public GraphicsRoutinesTest,
                      public ::testing::WithParamInterface<TrianglesModel> {};

TEST_P(TrianglesTest, FollowsItsStatementsForThreePasses) {
    Script script(true);
    model_triangles(GetParam(), script, 3);
    expect_follows(GetParam().routine, script);
}

TEST_P(TrianglesTest, StoresItsLogarithmValueAndShowsOnlyTheCurrentTriangle) {
    const TrianglesModel& m = GetParam();
    const Variables vars;
    bool values_hold = true;
    bool cleared = true;
    int passes = 0;
    StatementProbe watch([&](int32_t line) {
        if (line == 156 + m.at) values_hold = values_hold && vars.single(2) == m.log_value;
        if (line == 154 + m.at) cleared = cleared && probe::page_is(0);
        if (line == 153 + m.at && ++passes == 3) throw probe::Stop{};   // two passes done
    });
    StatementProbe::run(m.routine);
    EXPECT_TRUE(values_hold);
    EXPECT_TRUE(cleared);
}

INSTANTIATE_TEST_SUITE_P(Screens, TrianglesTest, ::testing::Values(kTriangles1, kTriangles7));

TEST_F(GraphicsRoutinesTest, TrianglesScreen7RunsToItsModelledEndWithTheLastTriangleShown) {
    Script script(false);
    const Triangle last = model_triangles(kTriangles7, script, 1000);
    const Variables vars;
    test_triangles_screen7();
    EXPECT_EQ(random_seed, script.model.state);
    EXPECT_EQ(vars.single(0), 1001.0f);
    EXPECT_EQ(vars.single(1), 1001.0f);   // the drawing loop shares the logarithm loop's counter
    const auto colour = static_cast<uint8_t>(static_cast<int>(last.colour) & 15);
    for (int k = 0; k < 3; ++k) {
        if (last.x[k] < kWidth && last.y[k] < kHeight) {
            EXPECT_EQ(probe::pixel(static_cast<int>(last.x[k]), static_cast<int>(last.y[k])),
                      colour);
        }
    }
    for (int i = 0; i < kWidth * kHeight; ++i) {
        ASSERT_TRUE(write_page->pixels[i] == 0 || write_page->pixels[i] == colour) << i;
    }
    EXPECT_EQ(write_page->graphics_x, last.x[0]);   // the third side ends on the first corner
    EXPECT_EQ(write_page->graphics_y, last.y[0]);
}

// ---- Entry with an error pending ----

class PendingErrorEntryTest : public GraphicsRoutinesTest,
                              public ::testing::WithParamInterface<void (*)()> {};

TEST_P(PendingErrorEntryTest, SkipsTheWholeBody) {
    const uint32_t seed = random_seed;
    uint8_t* const pool_next = static_pool.next;
    raise_error(kErrorIllegalFunctionCall);
    GetParam()();
    EXPECT_EQ(random_seed, seed);
    EXPECT_EQ(write_page->mode, 0);   // still the text screen: no mode was selected
    EXPECT_EQ(static_pool.next, pool_next);
    EXPECT_EQ(error_state.pending_error.load(), kErrorIllegalFunctionCall);
}

INSTANTIATE_TEST_SUITE_P(
    Routines, PendingErrorEntryTest,
    ::testing::Values(test_pset_point_screen1, test_pset_point_screen7, test_boxes_screen1,
                      test_boxes_screen7, test_circle_fill_screen1, test_circle_fill_screen7,
                      test_fill_trig_screen1, test_fill_trig_screen7, test_log_lines_screen1,
                      test_log_lines_screen7, test_triangles_screen1, test_triangles_screen7));

}  // namespace
}  // namespace zl
