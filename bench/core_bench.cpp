// The hottest paths of the run: the statement check, the random integer draw, and the string
// work of a print list.
#include <benchmark/benchmark.h>

#include "benchmark/frame.h"
#include "runtime/core/number_text.h"
#include "runtime/core/random.h"
#include "runtime/core/strings.h"
#include "runtime/host/headless/headless_host.h"

namespace zl {
namespace {

constexpr int kStatementsPerIteration = 1000;

// The baseline for the check: the same loop with nothing in its body but the counter.
void BM_EmptyStatementLoop(benchmark::State& state) {
    HeadlessHost host;
    for (auto _ : state) {
        for (int line = 0; line < kStatementsPerIteration; ++line) benchmark::DoNotOptimize(line);
    }
    state.SetItemsProcessed(state.iterations() * kStatementsPerIteration);
}
BENCHMARK(BM_EmptyStatementLoop);

void BM_StatementCheckNoEvent(benchmark::State& state) {
    HeadlessHost host;
    for (auto _ : state) {
        for (int line = 0; line < kStatementsPerIteration; ++line) {
            benchmark::DoNotOptimize(line);
            check(line);
        }
    }
    state.SetItemsProcessed(state.iterations() * kStatementsPerIteration);
}
BENCHMARK(BM_StatementCheckNoEvent);

void BM_StatementHookEventWithNothingPending(benchmark::State& state) {
    HeadlessHost host;
    for (auto _ : state) {
        signal_event();
        check(100);
    }
}
BENCHMARK(BM_StatementHookEventWithNothingPending);

void BM_RandomBelow1000(benchmark::State& state) {
    HeadlessHost host;
    for (auto _ : state) benchmark::DoNotOptimize(random_below(1000.0f));
}
BENCHMARK(BM_RandomBelow1000);

void BM_FreeTempStringsNothingToFree(benchmark::State& state) {
    HeadlessHost host;
    const uint32_t mark = temp_string_mark();
    for (auto _ : state) benchmark::DoNotOptimize(free_temp_strings(mark, 0));
}
BENCHMARK(BM_FreeTempStringsNothingToFree);

// A print list of one one-character literal, without the screen work.
void BM_PrintListStringWork(benchmark::State& state) {
    HeadlessHost host;
    const uint32_t mark = temp_string_mark();
    static const char kCharacter[] = "#";
    for (auto _ : state) {
        string_descriptor* work = string_new(0, 0);
        string_assign(work, string_from_literal(kCharacter, 1));
        benchmark::DoNotOptimize(work->bytes);
        string_free(work);
        free_temp_strings(mark, 0);
    }
}
BENCHMARK(BM_PrintListStringWork);

// A character test's item: a one-character text from a code, assigned to the work text.
void BM_PrintListCharCodeItem(benchmark::State& state) {
    HeadlessHost host;
    const uint32_t mark = temp_string_mark();
    int32_t code = 33;
    for (auto _ : state) {
        string_descriptor* work = string_new(0, 0);
        string_assign(work, string_from_char_code(code));
        benchmark::DoNotOptimize(work->bytes);
        string_free(work);
        free_temp_strings(mark, 0);
        code = code == 255 ? 33 : code + 1;
    }
}
BENCHMARK(BM_PrintListCharCodeItem);

// A number item: the blank, the number text, their join, assigned to the work text.
void BM_PrintListNumberItem(benchmark::State& state) {
    HeadlessHost host;
    const uint32_t mark = temp_string_mark();
    float value = 999999.0f;
    for (auto _ : state) {
        string_descriptor* work = string_new(0, 0);
        string_descriptor* blank = string_from_cstr(" ");
        string_assign(work, string_concat(single_to_text(value), blank));
        benchmark::DoNotOptimize(work->bytes);
        string_free(work);
        free_temp_strings(mark, 0);
        value -= 1.0f;
    }
}
BENCHMARK(BM_PrintListNumberItem);

// A progress counter: whole numbers.
void BM_FormatSingleWhole(benchmark::State& state) {
    char out[16];
    float value = 4000000.0f;
    for (auto _ : state) {
        benchmark::DoNotOptimize(format_single(value, out));
        value = value > 1.0f ? value - 1.0f : 4000000.0f;
    }
}
BENCHMARK(BM_FormatSingleWhole);

// Running values with fractions.
void BM_FormatSingleFraction(benchmark::State& state) {
    char out[16];
    float value = 0.1234567f;
    for (auto _ : state) {
        benchmark::DoNotOptimize(format_single(value, out));
        value = value < 1e6f ? value * 1.0001f : 0.1234567f;
    }
}
BENCHMARK(BM_FormatSingleFraction);

void BM_RoutineEntryAndExit(benchmark::State& state) {
    HeadlessHost host;
    for (auto _ : state) {
        Routine routine;
        benchmark::DoNotOptimize(routine.make_single());
        benchmark::DoNotOptimize(routine.make_text());
        benchmark::DoNotOptimize(routine.enter());
    }
}
BENCHMARK(BM_RoutineEntryAndExit);

}  // namespace
}  // namespace zl

BENCHMARK_MAIN();
