// The graphics routines' hot statements next to their plain C++ baselines: the logarithm loops
// against a loop of the platform log, and the draws and drawing calls the other routines spend
// their time in.
#include <benchmark/benchmark.h>

#include <cmath>

#include "benchmark/frame.h"
#include "benchmark/routines/graphics_statements.h"
#include "benchmark/routines/log_argument.h"
#include "runtime/core/arithmetic.h"
#include "runtime/drawing/drawing.h"
#include "runtime/host/headless/headless_host.h"
#include "runtime/screen/screen_mode.h"

namespace zl {
namespace {

constexpr double kStatementsPerPass = 10000.0;
constexpr long kBillion = 1000000000L;

// The baseline of the billion-evaluation routine: a billion calls of the platform log.
void BM_PlatformLogBillion(benchmark::State& state) {
    volatile double argument = log_argument;
    volatile double sink = 0;
    for (auto _ : state) {
        for (long i = 0; i < kBillion; ++i) sink = std::log(argument);
    }
    benchmark::DoNotOptimize(sink);
}
BENCHMARK(BM_PlatformLogBillion)->Iterations(1)->Unit(benchmark::kSecond);

// The screen-1 logarithm loop itself, a billion statements with their checks.
void BM_LogLinesStatementsBillion(benchmark::State& state) {
    HeadlessHost host;
    float inner_counter = 0;
    float log_value = 0;
    float idle_operand = 0;
    for (auto _ : state) {
        for (long pass = 0; pass < kBillion / 10000; ++pass) {
            repeat_statement(inner_counter, kStatementsPerPass, 413, 414, [&] {
                const double logarithm = natural_log(log_argument);
                log_value = log_with_idle_quotient(logarithm, idle_operand);
            });
        }
    }
    benchmark::DoNotOptimize(log_value);
}
BENCHMARK(BM_LogLinesStatementsBillion)->Iterations(1)->Unit(benchmark::kSecond);

void BM_PlatformLog(benchmark::State& state) {
    volatile double argument = log_argument;
    volatile double sink = 0;
    for (auto _ : state) sink = std::log(argument);
    benchmark::DoNotOptimize(sink);
}
BENCHMARK(BM_PlatformLog);

void BM_NaturalLog(benchmark::State& state) {
    volatile double argument = log_argument;
    volatile double sink = 0;
    for (auto _ : state) sink = natural_log(argument);
    benchmark::DoNotOptimize(sink);
}
BENCHMARK(BM_NaturalLog);

// One pass of each routine's logarithm loop, per statement.
template <typename Statement>
void run_log_loop(benchmark::State& state, Statement statement) {
    HeadlessHost host;
    float counter = 0;
    for (auto _ : state) repeat_statement(counter, kStatementsPerPass, 413, 414, statement);
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(kStatementsPerPass));
}

void BM_LogLoopScreen1(benchmark::State& state) {
    float log_value = 0;
    float idle_operand = 0;
    run_log_loop(state, [&] {
        const double logarithm = natural_log(log_argument);
        log_value = log_with_idle_quotient(logarithm, idle_operand);
    });
}
BENCHMARK(BM_LogLoopScreen1);


void BM_LogLoopScreen7(benchmark::State& state) {
    float log_value = 0;
    run_log_loop(state, [&] { log_value = static_cast<float>(natural_log(log_argument)); });
}
BENCHMARK(BM_LogLoopScreen7);

void BM_LogLoopTriangles1(benchmark::State& state) {
    float log_value = 0;
    run_log_loop(state, [&] { log_value = log_plus_e(natural_log(log_argument)); });
}
BENCHMARK(BM_LogLoopTriangles1);

// The bare loop with an empty statement: what the frame costs a statement.
void BM_LogLoopEmptyStatement(benchmark::State& state) {
    float value = 0;
    run_log_loop(state, [&] { value = 1.0f; });
}
BENCHMARK(BM_LogLoopEmptyStatement);

// The trigonometry statement, per evaluation.
void BM_SinePlusCosine(benchmark::State& state) {
    HeadlessHost host;
    float inner_counter = 0;
    float value = 0;
    for (auto _ : state) {
        for (CountedLoop loop(inner_counter, 1.0, 50000.0, 1.0, 342); loop.pass(); loop.step()) {
            const float sine = sin_single(inner_counter);
            const float cosine = cos_single(inner_counter);
            value = sum(sine, cosine);
            check(343);
        }
    }
    benchmark::DoNotOptimize(value);
    state.SetItemsProcessed(state.iterations() * 50000);
}
BENCHMARK(BM_SinePlusCosine);

// A random draw with its store and check, as the rejection loops make them.
void BM_DrawStatement(benchmark::State& state) {
    HeadlessHost host;
    float x = 0;
    for (auto _ : state) {
        x = random_below(kCoordinateScale);
        check(300);
        benchmark::DoNotOptimize(x);
    }
}
BENCHMARK(BM_DrawStatement);

// The screen-1 line routine's draws and rejection tests for its 100,000 lines, without the
// logarithms: a draw's state passes through memory to the next, and about every other test goes
// the way the predictor did not expect.
void BM_LineRoutineDraws(benchmark::State& state) {
    HeadlessHost host;
    float colour = 0, x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    for (auto _ : state) {
        for (int line = 0; line < 100000; ++line) {
        redraw:
            label(416);
            colour = random_below(10.0f);
            check(417);
            if (taken(colour > 4.0f)) {
                check(418);
                goto redraw;
            }
            x1 = random_below(kCoordinateScale);
            check(419);
            y1 = random_below(kCoordinateScale);
            check(420);
            if (taken((x1 > kLastX) | (y1 > kLastY))) {
                check(421);
                goto redraw;
            }
            x2 = random_below(kCoordinateScale);
            check(422);
            y2 = random_below(kCoordinateScale);
            check(423);
            if (taken((x2 > kLastX) | (y2 > kLastY))) {
                check(424);
                goto redraw;
            }
        }
    }
    benchmark::DoNotOptimize(y2);
}
BENCHMARK(BM_LineRoutineDraws)->Unit(benchmark::kMillisecond);

// The drawing calls on a mode-1 page, at the sizes the routines average.
class ModeOnePage {
public:
    ModeOnePage() { set_screen_mode(1, 0, 0, 0, 0, kModeOnly); }

private:
    HeadlessHost host_;
};

void BM_SetPixelAndRead(benchmark::State& state) {
    ModeOnePage page;
    float value = 0;
    for (auto _ : state) {
        set_pixel(100.0f, 50.0f, 2, kColourOnly);
        value = static_cast<float>(point_colour(100.0f, 50.0f, kPointGiven));
        benchmark::DoNotOptimize(value);
    }
}
BENCHMARK(BM_SetPixelAndRead);

void BM_TriangleSides(benchmark::State& state) {
    ModeOnePage page;
    for (auto _ : state) {
        draw_line(20.0f, 30.0f, 210.0f, 150.0f, 2, kLineKindLine, 0, kFirstPointAndColour);
        draw_line(210.0f, 150.0f, 90.0f, 180.0f, 2, kLineKindLine, 0, kFirstPointAndColour);
        draw_line(90.0f, 180.0f, 20.0f, 30.0f, 2, kLineKindLine, 0, kFirstPointAndColour);
    }
}
BENCHMARK(BM_TriangleSides);

void BM_FilledBox(benchmark::State& state) {
    ModeOnePage page;
    for (auto _ : state) {
        draw_line(50.0f, 40.0f, 160.0f, 110.0f, 3, kLineKindFilledBox, 0, kFirstPointAndColour);
    }
}
BENCHMARK(BM_FilledBox);

void BM_CircleAndFill(benchmark::State& state) {
    ModeOnePage page;
    int32_t colour = 1;
    for (auto _ : state) {
        colour = colour % 3 + 1;   // a new colour each time, so the fill paints the disc
        draw_circle(160.0, 100.0, 50.0, colour, 0.0, 0.0, 0.0, kColourOnly);
        flood_fill(160.0f, 100.0f, colour, 0, 0, kColourOnly);
    }
}
BENCHMARK(BM_CircleAndFill);

void BM_WholePageFill(benchmark::State& state) {
    ModeOnePage page;
    int32_t colour = 1;
    for (auto _ : state) {
        colour = colour % 3 + 1;
        flood_fill(100.0f, 100.0f, colour, 0, 0, kColourOnly);
    }
}
BENCHMARK(BM_WholePageFill);

}  // namespace
}  // namespace zl

BENCHMARK_MAIN();
