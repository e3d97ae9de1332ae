#include "runtime/core/arithmetic.h"

#include <gtest/gtest.h>

#include <array>
#include <cerrno>
#include <cmath>
#include <iomanip>
#include <limits>
#include <utility>

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

// Whether a double result lies within one unit in the last place of the exact value.
::testing::AssertionResult within_an_ulp(double result, double exact) {
    const double ulp = std::nextafter(std::fabs(exact), kInf) - std::fabs(exact);
    if (std::fabs(result - exact) <= ulp) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << std::setprecision(17) << result << " is not "
                                         << exact << " to the last bit";
}

// Exact values (to the double nearest), worked out to 90 digits: a logarithm in single
// precision, or of an argument cut to single precision, misses them by millions of ulps.
TEST_F(ArithmeticTest, NaturalLogOfPositiveValuesIsTheDoubleLogarithm) {
    const std::pair<double, double> cases[] = {
        {5.3589793170057245e-08, -16.74190721293474},   // the routines' logarithm argument
        {1.7165, 0.5402873339156097},                   // the arithmetic test's range
        {2.7183, 1.0000066849139877},
        {2.718281828459045, 1.0},
        {50000.0, 10.819778284410283},                  // a loop counter
        {5e-324, -744.4400719213812},                   // the smallest positive value is positive
        {1.7976931348623157e308, 709.782712893384},
    };
    for (const auto& [x, exact] : cases) EXPECT_TRUE(within_an_ulp(natural_log(x), exact)) << x;
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

// The four functions in double precision: x, then sin, cos, atan and tan of it, exact to the
// double nearest. Single-precision functions or arguments miss them widely (sin 1013766.8 most).
TEST_F(ArithmeticTest, TrigonometryGivesDoubleResults) {
    const std::array<double, 5> cases[] = {
        {-1.0, -0.8414709848078965, 0.5403023058681398, -0.7853981633974483, -1.5574077246549023},
        {0.5403023058681398, 0.5143952585235492, 0.8575532158463934, 0.49536728921867335,
         0.5998406268185329},
        {1.0, 0.8414709848078965, 0.5403023058681398, 0.7853981633974483, 1.5574077246549023},
        {61.77763, -0.8695167626601242, 0.49390343130318226, 1.5546106512824032, -1.76049953806936},
        {1013766.8, -0.016571438965104063, 0.9998626842775091, 1.5707953403747457,
         -0.016573714796725734},
        {0.4954, 0.47538360074296737, 0.879778626783267, 0.4599608420227425, 0.5403445665429627},
        {0.7853981633974483, 0.7071067811865475, 0.7071067811865476, 0.6657737500283538,
         0.9999999999999999},
    };
    for (const auto& [x, sine, cosine, arctangent, tangent] : cases) {
        EXPECT_TRUE(within_an_ulp(zl::sin(x), sine)) << "sin " << x;
        EXPECT_TRUE(within_an_ulp(zl::cos(x), cosine)) << "cos " << x;
        EXPECT_TRUE(within_an_ulp(zl::atan(x), arctangent)) << "atan " << x;
        EXPECT_TRUE(within_an_ulp(zl::tan(x), tangent)) << "tan " << x;
    }
    EXPECT_EQ(zl::sin(0.0), 0.0);
    EXPECT_EQ(zl::cos(0.0), 1.0);
    EXPECT_EQ(pending(), 0);
}

// The sine or cosine of the value widened to double, rounded once to single. At these whole
// numbers the single-precision functions give the neighbouring single instead (the exact value
// lies close to half-way between the two).
TEST_F(ArithmeticTest, SingleTrigonometryRoundsTheDoubleResult) {
    const std::pair<float, float> sines[] = {
        {34.0f, 0x1.0ee3eep-1f}, {98.0f, -0x1.25925p-1f}, {195.0f, 0x1.c17172p-3f},
        {270.0f, -0x1.688ac6p-3f},
    };
    const std::pair<float, float> cosines[] = {
        {96.0f, -0x1.718584p-3f}, {131.0f, 0x1.2b1d6cp-1f}, {193.0f, -0x1.a6d0b0p-3f},
        {359.0f, 0x1.4ea762p-1f},
    };
    for (const auto& [x, sine] : sines) EXPECT_EQ(sin_single(x), sine) << x;
    for (const auto& [x, cosine] : cosines) EXPECT_EQ(cos_single(x), cosine) << x;
    EXPECT_EQ(sin_single(0.0f), 0.0f);
    EXPECT_EQ(cos_single(0.0f), 1.0f);
}

}  // namespace
}  // namespace zl
