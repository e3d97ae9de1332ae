// The emulated machine's hot operations as the memory and port scan uses them: clock texts,
// port reads and byte reads, and the key read of the key drop.
#include <benchmark/benchmark.h>

#include "runtime/core/strings.h"
#include "runtime/host/headless/headless_host.h"
#include "runtime/machine/clock.h"
#include "runtime/machine/key_ring.h"
#include "runtime/machine/low_memory.h"
#include "runtime/machine/ports.h"

namespace zl {
namespace {

constexpr int kOffsetsPerSegment = 1025;   // offsets 0 to 1024

void BM_ReadKeyEmptyRing(benchmark::State& state) {
    HeadlessHost host;
    const uint32_t mark = temp_string_mark();
    string_descriptor* key = string_new(0, 0);
    for (auto _ : state) {
        string_assign(key, read_key());
        free_temp_strings(mark, 0);
    }
    string_free(key);
}
BENCHMARK(BM_ReadKeyEmptyRing);

// One inner pass's two clock statements: each text assigned to the clock variable, then freed.
void BM_DateAndTimeText(benchmark::State& state) {
    HeadlessHost host;
    const uint32_t mark = temp_string_mark();
    string_descriptor* clock_text = string_new(0, 0);
    for (auto _ : state) {
        string_assign(clock_text, date_text());
        free_temp_strings(mark, 0);
        string_assign(clock_text, time_text());
        free_temp_strings(mark, 0);
    }
    string_free(clock_text);
}
BENCHMARK(BM_DateAndTimeText);

void BM_DateTextAlone(benchmark::State& state) {
    HeadlessHost host;
    const uint32_t mark = temp_string_mark();
    for (auto _ : state) {
        benchmark::DoNotOptimize(date_text());
        free_temp_strings(mark, 0);
    }
}
BENCHMARK(BM_DateTextAlone);

// Ports 0 to 1024, as one segment of the scan reads them (per item: one read).
void BM_ReadPortScan(benchmark::State& state) {
    HeadlessHost host;
    for (auto _ : state) {
        for (int32_t port = 0; port < kOffsetsPerSegment; ++port) {
            benchmark::DoNotOptimize(read_port(port));
        }
    }
    state.SetItemsProcessed(state.iterations() * kOffsetsPerSegment);
}
BENCHMARK(BM_ReadPortScan);

void BM_PeekByteScan(benchmark::State& state) {
    HeadlessHost host;
    set_memory_segment(65521, 1);
    for (auto _ : state) {
        for (int32_t offset = 0; offset < kOffsetsPerSegment; ++offset) {
            benchmark::DoNotOptimize(peek_byte(offset));
        }
    }
    state.SetItemsProcessed(state.iterations() * kOffsetsPerSegment);
}
BENCHMARK(BM_PeekByteScan);

// One inner pass of the scan's machine work: two clock texts, four port and eight byte reads.
// The scan makes 4,198,400 of them.
void BM_ScanInnerPass(benchmark::State& state) {
    HeadlessHost host;
    const uint32_t mark = temp_string_mark();
    string_descriptor* clock_text = string_new(0, 0);
    set_memory_segment(4097, 1);
    int32_t offset = 0;
    for (auto _ : state) {
        string_assign(clock_text, date_text());
        free_temp_strings(mark, 0);
        string_assign(clock_text, time_text());
        free_temp_strings(mark, 0);
        for (int i = 0; i < 4; ++i) benchmark::DoNotOptimize(read_port(offset));
        for (int i = 0; i < 8; ++i) benchmark::DoNotOptimize(peek_byte(offset));
        offset = offset == 1024 ? 0 : offset + 1;
    }
    string_free(clock_text);
}
BENCHMARK(BM_ScanInnerPass);

}  // namespace
}  // namespace zl

BENCHMARK_MAIN();
