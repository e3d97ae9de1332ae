// Owns the beep: the triangle-wave tone and the quarter-second wait, and the sound interface the
// host plays tones through.
#pragma once

#include <cstdint>
#include <vector>

namespace zl {

constexpr int kSampleRate = 44100;
constexpr double kBeepFrequencyHz = 783.99;
constexpr double kBeepDurationS = 0.2;

class SoundSink {
public:
    virtual ~SoundSink() = default;
    // Called every main-loop cycle and at the start of each beep.
    virtual void service_queue() = 0;
    // Queues interleaved 16-bit stereo samples at kSampleRate.
    virtual void queue_samples(std::vector<int16_t> stereo) = 0;
};

void set_sound_sink(SoundSink* sink);   // nullptr: silent
SoundSink* sound_sink();

// The beep's samples, one channel: the 8820-sample triangle wave cut just before its last rising
// zero crossing.
std::vector<int16_t> beep_wave();

void beep();

}  // namespace zl
