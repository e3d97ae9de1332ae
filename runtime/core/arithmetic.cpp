#include "runtime/core/arithmetic.h"

#include <cerrno>
#include <cmath>

#include "runtime/core/error_state.h"

namespace zl {

namespace {

// The largest argument whose exponential still fits a double: the extended value nearest to it.
constexpr long double kExpLimit = 709.782712893L;

// The platform sine and cosine report a NaN or infinite argument through errno.
inline void note_domain(double x) {
    if (!std::isfinite(x)) errno = EDOM;
}

}  // namespace

double natural_log(double x) {
    // Written so that a NaN fails the test and reaches the logarithm.
    if (x <= 0.0) {
        raise_error(kErrorIllegalFunctionCall);
        return 0.0;
    }
    return std::log(x);
}

long double exp_extended(long double x) {
    if (!(x <= kExpLimit)) {
        raise_error(kErrorOverflow);
        return 0.0L;
    }
    return expl(x);
}

long double exponentiate(long double base, long double exponent) {
    // floorl of a NaN is a NaN, which differs from itself: a NaN exponent counts as fractional.
    if (base < 0.0L && floorl(exponent) != exponent) {
        raise_error(kErrorIllegalFunctionCall);
        return 0.0L;
    }
    return powl(base, exponent);
}

int32_t sign_of_double(double x) {
    if (x > 0.0) return 1;
    if (x == 0.0) return 0;
    return -1;
}

double sin(double x) {
    note_domain(x);
    return std::sin(x);
}

double cos(double x) {
    note_domain(x);
    return std::cos(x);
}

double atan(double x) { return std::atan(x); }

double tan(double x) { return std::tan(x); }

float sin_single(float x) { return static_cast<float>(std::sin(static_cast<double>(x))); }

float cos_single(float x) { return static_cast<float>(std::cos(static_cast<double>(x))); }

}  // namespace zl
