// The arithmetic functions of the double-precision test's chain, one case each, on the values
// the chain meets.
#include <benchmark/benchmark.h>

#include "runtime/core/arithmetic.h"

namespace {

using zl::exponentiate;

void BM_exponentiate_square(benchmark::State& state) {
    long double base = 1006.8598744284591L;
    for (auto _ : state) {
        benchmark::DoNotOptimize(base);
        benchmark::DoNotOptimize(exponentiate(base, 2.0L));
    }
}
BENCHMARK(BM_exponentiate_square);

void run_double_function(benchmark::State& state, double (*function)(double), double x) {
    for (auto _ : state) {
        benchmark::DoNotOptimize(x);
        benchmark::DoNotOptimize(function(x));
    }
}
BENCHMARK_CAPTURE(run_double_function, sin_large, zl::sin, 1013766.8);
BENCHMARK_CAPTURE(run_double_function, cos_unit, zl::cos, 0.8414709848078965);
BENCHMARK_CAPTURE(run_double_function, atan, zl::atan, 0.6663667453928805);
BENCHMARK_CAPTURE(run_double_function, tan, zl::tan, 0.5883);
BENCHMARK_CAPTURE(run_double_function, natural_log, zl::natural_log, 2.1);

void BM_exp_extended(benchmark::State& state) {
    long double x = 0.7859L;
    for (auto _ : state) {
        benchmark::DoNotOptimize(x);
        benchmark::DoNotOptimize(zl::exp_extended(x));
    }
}
BENCHMARK(BM_exp_extended);

void BM_sign_of_double(benchmark::State& state) {
    double x = 0.75;
    for (auto _ : state) {
        benchmark::DoNotOptimize(x);
        benchmark::DoNotOptimize(zl::sign_of_double(x));
    }
}
BENCHMARK(BM_sign_of_double);

void BM_sin_single(benchmark::State& state) {
    float x = 12345.0f;
    for (auto _ : state) {
        benchmark::DoNotOptimize(x);
        benchmark::DoNotOptimize(zl::sin_single(x));
    }
}
BENCHMARK(BM_sin_single);

}  // namespace

BENCHMARK_MAIN();
