// Micro-benchmarks of the desktop host's per-event and per-frame work: key translation and
// handling, and the frame producer's draw-and-publish of the text screen and of mode 12.
#include <benchmark/benchmark.h>
#include <X11/keysym.h>

#include "runtime/host/desktop/host_parts.h"
#include "runtime/host/headless/headless_host.h"
#include "runtime/machine/key_ring.h"
#include "runtime/screen/screen_mode.h"
#include "runtime/screen/screen_page.h"

namespace zl::desktop {
namespace {

constexpr uint32_t kKeyA = 38;

KeyInput letter_a() {
    KeyInput key;
    key.keycode = kKeyA;
    key.keysym = XK_a;
    key.latin1 = 'a';
    key.has_character = true;
    return key;
}

void BM_TranslateKey(benchmark::State& state) {
    const KeyInput key = letter_a();
    for (auto _ : state) benchmark::DoNotOptimize(translate_key(key));
}
BENCHMARK(BM_TranslateKey);

void BM_HandleKeyPressAndRelease(benchmark::State& state) {
    HeadlessHost host;
    const KeyInput key = letter_a();
    for (auto _ : state) {
        handle_key(key, true);
        handle_key(key, false);
        reset_key_ring();
    }
}
BENCHMARK(BM_HandleKeyPressAndRelease);

void produce_frames(benchmark::State& state) {
    FrameExchange frames;
    for (auto _ : state) {
        render_frame(*display_page, frames.back(), false);
        frames.publish();
        benchmark::DoNotOptimize(frames.take_newest());
    }
}

void BM_ProduceTextFrame(benchmark::State& state) {
    HeadlessHost host;
    produce_frames(state);
}
BENCHMARK(BM_ProduceTextFrame)->Unit(benchmark::kMicrosecond);

void BM_ProduceMode12Frame(benchmark::State& state) {
    HeadlessHost host;
    set_screen_mode(12, 0, 0, 0, 0, 1);
    produce_frames(state);
}
BENCHMARK(BM_ProduceMode12Frame)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace zl::desktop

BENCHMARK_MAIN();
