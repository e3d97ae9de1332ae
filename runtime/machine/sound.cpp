#include "runtime/machine/sound.h"

#include <atomic>
#include <chrono>
#include <cmath>
#include <thread>

#include "runtime/core/statement_hook.h"

namespace zl {

namespace {

constexpr double kFullScale = 32767.0;
constexpr double kTriangleStep = 4.0 * kBeepFrequencyHz / kSampleRate;
constexpr int kBeepSamples = static_cast<int>(kSampleRate * kBeepDurationS);   // 8820

using Clock = std::chrono::steady_clock;
constexpr auto kBeepWait = std::chrono::milliseconds(250);
constexpr auto kHookStepThreshold = std::chrono::milliseconds(10);
constexpr auto kHookStepSleep = std::chrono::milliseconds(9);
constexpr auto kShortestRemainder = std::chrono::milliseconds(1);

// The main-loop thread services the sink every cycle while the program thread beeps.
std::atomic<SoundSink*> installed_sink{nullptr};

// Where the tone may stop without a click: just before its last rise from zero or below.
size_t last_rising_crossing(const std::vector<int16_t>& wave) {
    for (size_t i = wave.size(); i-- > 1;) {
        if (wave[i - 1] <= 0 && wave[i] > 0) return i;
    }
    return wave.size();
}

// Sleeps 9 ms at a time with a statement check in between, so pause and exit requests and
// pending errors are handled while the tone plays.
void wait_with_checks(Clock::time_point end) {
    for (auto remaining = end - Clock::now(); remaining >= kHookStepThreshold;
         remaining = end - Clock::now()) {
        std::this_thread::sleep_for(kHookStepSleep);
        statement_hook(0, 0, nullptr);
    }
    const auto remaining = end - Clock::now();
    if (remaining <= Clock::duration::zero()) return;
    std::this_thread::sleep_for(remaining < kShortestRemainder ? kShortestRemainder : remaining);
}

}  // namespace

void set_sound_sink(SoundSink* sink) { installed_sink.store(sink, std::memory_order_release); }

SoundSink* sound_sink() { return installed_sink.load(std::memory_order_acquire); }

std::vector<int16_t> beep_wave() {
    std::vector<int16_t> wave(kBeepSamples);
    double p = 0.0;
    double step = kTriangleStep;
    for (int i = 0; i < kBeepSamples; ++i) {
        wave[i] = static_cast<int16_t>(std::trunc(p * kFullScale));
        p += step;
        if (p > 1.0) {
            p = 2.0 - p;
            step = -step;
        } else if (p < -1.0) {
            p = -2.0 - p;
            step = -step;
        }
    }
    wave.resize(last_rising_crossing(wave));
    return wave;
}

void beep() {
    SoundSink* sink = sound_sink();
    if (sink != nullptr) {
        sink->service_queue();
        const std::vector<int16_t> wave = beep_wave();
        std::vector<int16_t> stereo(wave.size() * 2);
        for (size_t i = 0; i < wave.size(); ++i) {
            stereo[2 * i] = wave[i];
            stereo[2 * i + 1] = wave[i];
        }
        sink->queue_samples(std::move(stereo));
    }
    wait_with_checks(Clock::now() + kBeepWait);
}

}  // namespace zl
