// Owns the arithmetic functions the benchmark calls: logarithm, exponential, exponentiation,
// sign, and the platform's sine, cosine, arctangent and tangent.
#pragma once

#include <cstdint>

namespace zl {

double natural_log(double x);                                  // x <= 0: error 5, returns 0
long double exp_extended(long double x);                       // x > 709.782712893 or NaN: error 6
long double exponentiate(long double base, long double exponent);  // negative base, fractional exponent: error 5
int32_t sign_of_double(double x);                              // NaN gives -1
double sin(double x);
double cos(double x);
double atan(double x);
double tan(double x);
float sin_single(float x);
float cos_single(float x);

}  // namespace zl
