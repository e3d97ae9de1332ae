#include "runtime/core/arithmetic.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cmath>
#include <limits>

#include "runtime/core/error_state.h"
#include "runtime/host/headless/headless_host.h"

namespace zl {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr long double kExpLimit = 709.782712893L;

class ArithmeticTest : public ::testing::Test {
protected:
    int32_t pending() const { return error_state.pending_error.load(); }
    HeadlessHost host;
};

TEST_F(ArithmeticTest, NaturalLogOfPositiveValuesIsThePlatformLogarithm) {
    for (const double x : {5.3589793170057245e-08, 0.5403023058681398, 1.0, 2.718281828459045,
                           1e300}) {
        EXPECT_EQ(natural_log(x), std::log(x)) << x;
    }
    EXPECT_EQ(natural_log(1.0), 0.0);
    EXPECT_EQ(pending(), 0);
}

TEST_F(ArithmeticTest, NaturalLogOfZeroOrNegativeRaisesIllegalFunctionCall) {
    for (const double x : {0.0, -0.0, -1.0, -kInf}) {
        error_state.pending_error = 0;
        EXPECT_EQ(natural_log(x), 0.0) << x;
        EXPECT_EQ(pending(), kErrorIllegalFunctionCall) << x;
        EXPECT_NE(error_state.event_pending.load(), 0);
    }
}

TEST_F(ArithmeticTest, NaturalLogPassesNaNOnWithoutError) {
    EXPECT_TRUE(std::isnan(natural_log(kNaN)));
    EXPECT_EQ(pending(), 0);
}

TEST_F(ArithmeticTest, NaturalLogDoesNotTestForAPendingError) {
    raise_error(kErrorOverflow);
    EXPECT_EQ(natural_log(std::exp(1.0)), std::log(std::exp(1.0)));
    natural_log(-1.0);
    EXPECT_EQ(pending(), kErrorOverflow);   // the first pending error wins
}

TEST_F(ArithmeticTest, ExpExtendedIsUnroundedUpToItsLimit) {
    EXPECT_EQ(exp_extended(1.0L), expl(1.0L));
    // The extended result keeps bits a double would lose.
    EXPECT_NE(exp_extended(1.0L), static_cast<long double>(std::exp(1.0)));
    const long double at_limit = exp_extended(kExpLimit);
    EXPECT_TRUE(std::isfinite(static_cast<double>(at_limit)));
    EXPECT_EQ(exp_extended(-static_cast<long double>(kInf)), 0.0L);
    EXPECT_EQ(pending(), 0);
}

TEST_F(ArithmeticTest, ExpExtendedAboveItsLimitOrOfNaNRaisesOverflow) {
    const long double above = nextafterl(kExpLimit, static_cast<long double>(kInf));
    for (const long double x : {above, 710.0L, static_cast<long double>(kInf),
                                static_cast<long double>(kNaN)}) {
        error_state.pending_error = 0;
        EXPECT_EQ(exp_extended(x), 0.0L);
        EXPECT_EQ(pending(), kErrorOverflow);
    }
}

TEST_F(ArithmeticTest, ExponentiateNegativeBaseNeedsAWholeExponent) {
    struct Case {
        long double base;
        long double exponent;
        int32_t error;
    };
    const Case cases[] = {
        {-2.0L, 0.5L, kErrorIllegalFunctionCall},
        {-2.0L, static_cast<long double>(kNaN), kErrorIllegalFunctionCall},
        {-0.5L, -1.25L, kErrorIllegalFunctionCall},
        {-2.0L, 3.0L, 0},
        {-2.0L, -2.0L, 0},
        {2.0L, 0.5L, 0},
        {0.0L, 2.0L, 0},
    };
    for (const Case& c : cases) {
        error_state.pending_error = 0;
        const long double result = exponentiate(c.base, c.exponent);
        EXPECT_EQ(pending(), c.error) << static_cast<double>(c.base) << " ^ "
                                      << static_cast<double>(c.exponent);
        if (c.error != 0) {
            EXPECT_EQ(result, 0.0L);
        } else {
            EXPECT_EQ(result, powl(c.base, c.exponent));
        }
    }
    EXPECT_EQ(exponentiate(-2.0L, 3.0L), -8.0L);
}

TEST_F(ArithmeticTest, ExponentiateSquaresInExtendedPrecision) {
    const double base = 1006.8598744284591;
    const long double square = exponentiate(base, 2.0L);
    EXPECT_EQ(square, static_cast<long double>(base) * base);
    EXPECT_EQ(pending(), 0);
}

TEST_F(ArithmeticTest, SignOfDoubleCountsNaNAsNegative) {
    const std::pair<double, int32_t> cases[] = {
        {2.5, 1}, {kInf, 1}, {4.9e-324, 1}, {0.0, 0}, {-0.0, 0},
        {-4.9e-324, -1}, {-1.0, -1}, {-kInf, -1}, {kNaN, -1}, {-kNaN, -1},
    };
    for (const auto& [x, sign] : cases) EXPECT_EQ(sign_of_double(x), sign) << x;
    EXPECT_EQ(pending(), 0);
}

TEST_F(ArithmeticTest, SineAndCosineOfNaNOrInfinitySetDomainError) {
    for (const double x : {kNaN, kInf, -kInf}) {
        errno = 0;
        EXPECT_TRUE(std::isnan(zl::sin(x)));
        EXPECT_EQ(errno, EDOM);
        errno = 0;
        EXPECT_TRUE(std::isnan(zl::cos(x)));
        EXPECT_EQ(errno, EDOM);
    }
    EXPECT_EQ(pending(), 0);
}

TEST_F(ArithmeticTest, TrigonometryMatchesThePlatformLibrary) {
    for (const double x : {-1.0, 0.0, 0.5403023058681398, 1.0, 61.77763, 1013766.8}) {
        EXPECT_EQ(zl::sin(x), std::sin(x)) << x;
        EXPECT_EQ(zl::cos(x), std::cos(x)) << x;
        EXPECT_EQ(zl::atan(x), std::atan(x)) << x;
        EXPECT_EQ(zl::tan(x), std::tan(x)) << x;
    }
    // The chain of the arithmetic test: atan of cos 1 then tan gives cos 1 back, near enough.
    EXPECT_NEAR(zl::tan(zl::atan(zl::cos(1.0))), std::cos(1.0), 1e-15);
}

TEST_F(ArithmeticTest, SingleTrigonometryRoundsTheDoubleResult) {
    for (const float x : {1.0f, 2.0f, 12345.0f, 50000.0f}) {
        EXPECT_EQ(sin_single(x), static_cast<float>(std::sin(static_cast<double>(x)))) << x;
        EXPECT_EQ(cos_single(x), static_cast<float>(std::cos(static_cast<double>(x)))) << x;
    }
    EXPECT_EQ(sin_single(0.0f), 0.0f);
    EXPECT_EQ(cos_single(0.0f), 1.0f);
}

}  // namespace
}  // namespace zl
