#include "runtime/core/random.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <limits>

#include "runtime/core/error_state.h"
#include "runtime/host/headless/headless_host.h"

namespace zl {
namespace {

constexpr uint32_t kStates = 1u << 24;
constexpr float kScale = 1.0f / 16777216.0f;

class RandomTest : public ::testing::Test {
protected:
    HeadlessHost host;
};

uint32_t next_state(uint32_t state) { return (state * 16598013u + 12820163u) & 0xFFFFFFu; }

TEST_F(RandomTest, StartsAtItsStateAndDrawsTheKnownValues) {
    EXPECT_EQ(random_seed, 327680u);
    EXPECT_EQ(random_number(0.0f, 0), 11837123.0f * kScale);
    EXPECT_EQ(random_number(1.0f, 1), 8949370.0f * kScale);
    EXPECT_EQ(random_number(5.0f, 1), 9722709.0f * kScale);
    EXPECT_EQ(random_seed, 9722709u);
}

TEST_F(RandomTest, ZeroRepeatsTheLastValueAndNaNSteps) {
    const float first = random_number(0.0f, 0);
    EXPECT_EQ(random_number(0.0f, 1), first);
    EXPECT_EQ(random_seed, 11837123u);
    random_number(std::numeric_limits<float>::quiet_NaN(), 1);
    EXPECT_EQ(random_seed, 8949370u);
}

TEST_F(RandomTest, NegativeArgumentReseedsFromItsBitPattern) {
    const uint32_t pattern = std::bit_cast<uint32_t>(-1.0f);
    const uint32_t seeded = ((pattern & 0xFFFFFFu) + (pattern >> 24)) & 0xFFFFFFu;
    const float value = random_number(-1.0f, 1);
    EXPECT_EQ(random_seed, next_state(seeded));
    random_number(0.0f, 0);
    EXPECT_EQ(random_number(-1.0f, 1), value);
}

TEST_F(RandomTest, PendingErrorReturnsZeroAndLeavesTheState) {
    raise_error(kErrorOverflow);
    EXPECT_EQ(random_number(0.0f, 0), 0.0f);
    EXPECT_EQ(random_seed, kRandomStartState);
}

TEST_F(RandomTest, RunsThroughEveryStateBeforeRepeating) {
    uint32_t state = kRandomStartState;
    uint32_t steps = 0;
    do {
        state = next_state(state);
        ++steps;
    } while (state != kRandomStartState && steps <= kStates);
    EXPECT_EQ(steps, kStates);
}

TEST_F(RandomTest, ProductIsRoundedToSingleBeforeItsFloor) {
    // 855638 / 2^24 × 1000 is 50.99999905; rounded to single it is 51.
    random_seed = 855638;
    const float value = random_number(0.0f, 1);   // a given 0 repeats the value of the state
    EXPECT_EQ(value, 855638.0f * kScale);
    EXPECT_EQ(floor_single(value * 1000.0f), 51.0f);
    EXPECT_EQ(std::floor(static_cast<double>(value) * 1000.0), 50.0);
}

TEST_F(RandomTest, SingleRoundingChangesTwoThirtySevenAndThreeHundredThirtySevenDraws) {
    struct Case {
        float n;
        int changed;
    };
    for (const Case c : {Case{10.0f, 2}, Case{100.0f, 37}, Case{1000.0f, 337}}) {
        int changed = 0;
        float largest = 0.0f;
        for (uint32_t state = 0; state < kStates; ++state) {
            const float value = static_cast<float>(state) * kScale;
            const float draw = floor_single(value * c.n);
            const double exact = std::floor(static_cast<double>(value) * c.n);
            if (draw != exact) ++changed;
            largest = std::max(largest, draw);
        }
        EXPECT_EQ(changed, c.changed) << c.n;
        EXPECT_EQ(largest, c.n - 1.0f) << c.n;
    }
}

TEST(FloorSingle, WholeNumbersBelow) {
    struct Case {
        float x;
        float floor;
    };
    for (const Case c : {Case{2.5f, 2.0f}, Case{-2.5f, -3.0f}, Case{-0.25f, -1.0f},
                         Case{0.75f, 0.0f}, Case{8388607.5f, 8388607.0f},
                         Case{-8388607.5f, -8388608.0f}, Case{1e10f, 1e10f},
                         Case{-1e30f, -1e30f}, Case{999.0f, 999.0f}}) {
        EXPECT_EQ(floor_single(c.x), c.floor) << c.x;
        EXPECT_EQ(floor_single(c.x), static_cast<float>(std::floor(static_cast<double>(c.x))));
    }
    EXPECT_TRUE(std::signbit(floor_single(-0.0f)));
    EXPECT_TRUE(std::isnan(floor_single(std::numeric_limits<float>::quiet_NaN())));
    EXPECT_EQ(floor_single(-std::numeric_limits<float>::infinity()),
              -std::numeric_limits<float>::infinity());
}

TEST(RoundToInt64, TiesToEvenAndTheTopBitRule) {
    EXPECT_EQ(round_to_int64(2.5L), 2);
    EXPECT_EQ(round_to_int64(3.5L), 4);
    EXPECT_EQ(round_to_int64(-2.5L), -2);
    EXPECT_EQ(round_to_int64(-2.51L), -3);
    EXPECT_EQ(round_to_int64(255.0L), 255);
    EXPECT_EQ(round_to_int64(9223372036854775807.0L), INT64_MAX);
    const long double two_to_63 = 9223372036854775808.0L;
    EXPECT_EQ(static_cast<uint64_t>(round_to_int64(two_to_63)), uint64_t{1} << 63);
    EXPECT_EQ(static_cast<uint64_t>(round_to_int64(two_to_63 + 5.0L)), (uint64_t{1} << 63) | 5);
    EXPECT_EQ(static_cast<uint64_t>(round_to_int64(two_to_63 + 2.5L)), (uint64_t{1} << 63) | 2);
    // Values no 64-bit integer holds give the integer indefinite, never a fault.
    EXPECT_EQ(static_cast<uint64_t>(round_to_int64(1e30L)), uint64_t{1} << 63);
    EXPECT_EQ(static_cast<uint64_t>(round_to_int64(std::numeric_limits<long double>::quiet_NaN())),
              uint64_t{1} << 63);
}

}  // namespace
}  // namespace zl
