// The counted loop against its rule, taken literally: the counter takes the double value rounded
// to single, the exit test is on the double value, and the next value is counter + step in
// extended precision stored as a double. Whole-number loops run on an integer copy of the value;
// these cases make sure that never shows, also when the body writes the counter or the values
// leave the range where singles are exact, and for repeat_statement, which never watches it.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

#include "benchmark/frame.h"
#include "runtime/host/headless/headless_host.h"

namespace zl {
namespace {

constexpr int kMaxPasses = 64;   // some cases never end by their rule

// What the body does to the counter on a given pass (0 = the first).
using Body = void (*)(int pass, float& counter);

void leave_alone(int, float&) {}
void jump_ahead_on_third_pass(int pass, float& counter) {
    if (pass == 2) counter += 10.0f;
}
void halve_on_second_pass(int pass, float& counter) {
    if (pass == 1) counter *= 0.5f;
}
void set_nan_on_first_pass(int pass, float& counter) {
    if (pass == 0) counter = std::numeric_limits<float>::quiet_NaN();
}

// The counter's bits on entry to each pass, and after the loop when it ended.
std::vector<uint32_t> literal_loop(double start, double limit, double step, Body body) {
    std::vector<uint32_t> seen;
    float counter = 0;
    double value = start;
    for (int pass = 0; pass < kMaxPasses; ++pass) {
        counter = static_cast<float>(value);
        if (step < 0 ? value < limit : value > limit) break;
        seen.push_back(std::bit_cast<uint32_t>(counter));
        body(pass, counter);
        value = static_cast<double>(static_cast<long double>(counter) +
                                    static_cast<long double>(step));
    }
    seen.push_back(std::bit_cast<uint32_t>(counter));
    return seen;
}

std::vector<uint32_t> frame_loop(double start, double limit, double step, Body body) {
    std::vector<uint32_t> seen;
    float counter = 0;
    int pass = 0;
    for (CountedLoop loop(counter, start, limit, step, 100); pass < kMaxPasses && loop.pass();
         loop.step()) {
        seen.push_back(std::bit_cast<uint32_t>(counter));
        body(pass++, counter);
    }
    seen.push_back(std::bit_cast<uint32_t>(counter));
    return seen;
}

struct LoopCase {
    const char* name;
    double start;
    double limit;
    double step;
    Body body;
};

class CountedLoopTest : public ::testing::TestWithParam<LoopCase> {
protected:
    HeadlessHost host;
};

TEST_P(CountedLoopTest, CountsAsTheLiteralRule) {
    const LoopCase& c = GetParam();
    EXPECT_EQ(frame_loop(c.start, c.limit, c.step, c.body),
              literal_loop(c.start, c.limit, c.step, c.body));
}

const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kInfinity = std::numeric_limits<double>::infinity();

INSTANTIATE_TEST_SUITE_P(
    Cases, CountedLoopTest,
    ::testing::Values(LoopCase{"up", 1, 40, 1, leave_alone},
                      LoopCase{"down", 10, -3, -1, leave_alone},
                      LoopCase{"by_three", -7, 50, 3, leave_alone},
                      LoopCase{"start_above_limit", 5, 4, 1, leave_alone},
                      LoopCase{"fractional_limit", 1, 9.5, 1, leave_alone},
                      LoopCase{"fractional_step", 1, 10, 0.25, leave_alone},
                      LoopCase{"fractional_start", 0.5, 10, 1, leave_alone},
                      LoopCase{"negative_zero_start", -0.0, 5, 1, leave_alone},
                      LoopCase{"zero_step", 3, 5, 0, leave_alone},
                      LoopCase{"nan_limit", 1, kNaN, 1, leave_alone},
                      LoopCase{"limit_minus_infinity", 1, -kInfinity, 1, leave_alone},
                      LoopCase{"down_to_plus_infinity", 1, kInfinity, -1, leave_alone},
                      LoopCase{"up_to_plus_infinity", 1, kInfinity, 1, leave_alone},
                      LoopCase{"past_exact_singles", 16777200, 16777300, 1, leave_alone},
                      LoopCase{"past_exact_singles_by_two", 16777200, 16777300, 2, leave_alone},
                      LoopCase{"below_exact_singles", -16777200, -16777300, -1, leave_alone},
                      LoopCase{"large_start", 3e9, 3e9 + 10, 1, leave_alone},
                      LoopCase{"body_jumps_ahead", 1, 40, 1, jump_ahead_on_third_pass},
                      LoopCase{"body_halves", 7, 40, 1, halve_on_second_pass},
                      LoopCase{"body_sets_nan", 1, 40, 1, set_nan_on_first_pass}),
    [](const ::testing::TestParamInfo<LoopCase>& info) { return std::string(info.param.name); });

// A repeated statement counts from 1 to its count as the literal rule does, whatever the count.
class RepeatStatementTest : public ::testing::TestWithParam<double> {
protected:
    HeadlessHost host;
};

TEST_P(RepeatStatementTest, CountsAsTheLiteralRule) {
    struct EnoughPasses {};
    const double count = GetParam();
    std::vector<uint32_t> seen;
    float counter = -5;
    try {
        repeat_statement(counter, count, 100, 101, [&] {
            seen.push_back(std::bit_cast<uint32_t>(counter));
            if (seen.size() == kMaxPasses) throw EnoughPasses{};   // some counts never end
        });
        seen.push_back(std::bit_cast<uint32_t>(counter));
    } catch (const EnoughPasses&) {
    }
    std::vector<uint32_t> expected = literal_loop(1, count, 1, leave_alone);
    if (expected.size() > kMaxPasses) expected.resize(kMaxPasses);
    EXPECT_EQ(seen, expected);
}

INSTANTIATE_TEST_SUITE_P(Counts, RepeatStatementTest,
                         ::testing::Values(0.0, 1.0, 10.0, 9.5, -1.0, 16777215.0, 16777216.0,
                                           2e9, kNaN, kInfinity));

}  // namespace
}  // namespace zl
