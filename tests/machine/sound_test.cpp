// The beep: its triangle-wave samples and its quarter-second wait with statement checks.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "machine_test_support.h"
#include "runtime/core/statement_hook.h"
#include "runtime/host/headless/headless_host.h"
#include "runtime/machine/sound.h"

namespace zl {
namespace {

using Clock = std::chrono::steady_clock;

double seconds_since(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

TEST(BeepWave, SamplesAndWhereTheToneIsCut) {
    const std::vector<int16_t> wave = beep_wave();
    // 8820 samples are made; the last rise from zero or below is at sample 8776.
    ASSERT_EQ(wave.size(), 8776u);
    EXPECT_EQ(wave[0], 0);
    EXPECT_EQ(wave[1], 2330);   // trunc(4 × 783.99 / 44100 × 32767)
    EXPECT_EQ(wave[2], 4660);
    EXPECT_EQ(wave[3], 6990);
    EXPECT_EQ(wave[8774], -2590);
    EXPECT_EQ(wave[8775], -260);
    int16_t highest = 0;
    int16_t lowest = 0;
    for (const int16_t sample : wave) {
        highest = std::max(highest, sample);
        lowest = std::min(lowest, sample);
    }
    EXPECT_GT(highest, 32000);
    EXPECT_LT(lowest, -32000);
}

class BeepTest : public ::testing::Test {
protected:
    HeadlessHost host;
};

TEST_F(BeepTest, QueuesBothChannelsAlikeAndWaitsAQuarterSecond) {
    const auto start = Clock::now();
    beep();
    const double waited = seconds_since(start);
    EXPECT_GE(waited, 0.25);
    EXPECT_LT(waited, 0.4);
    EXPECT_EQ(host.sound.services, 1);
    ASSERT_EQ(host.sound.tones.size(), 1u);
    const std::vector<int16_t>& stereo = host.sound.tones[0];
    const std::vector<int16_t> wave = beep_wave();
    ASSERT_EQ(stereo.size(), 2 * wave.size());
    for (size_t i = 0; i < wave.size(); ++i) {
        ASSERT_EQ(stereo[2 * i], wave[i]) << i;
        ASSERT_EQ(stereo[2 * i + 1], wave[i]) << i;
    }
}

TEST_F(BeepTest, SilentWithoutASinkButStillWaits) {
    set_sound_sink(nullptr);
    const auto start = Clock::now();
    beep();
    EXPECT_GE(seconds_since(start), 0.25);
    EXPECT_TRUE(host.sound.tones.empty());
}

TEST_F(BeepTest, ExitRequestStopsTheProgramDuringTheWait) {
    request_exit();
    const auto start = Clock::now();
    EXPECT_THROW(beep(), ProgramStopped);
    EXPECT_LT(seconds_since(start), 0.1);
    EXPECT_EQ(host.sound.tones.size(), 1u);   // the tone was queued before the wait
}

TEST_F(BeepTest, PauseHoldsTheWait) {
    request_pause();
    std::thread window([] {
        std::this_thread::sleep_for(std::chrono::milliseconds(400));
        release_pause();
    });
    const auto start = Clock::now();
    beep();
    window.join();
    EXPECT_GE(seconds_since(start), 0.4);
}

TEST_F(BeepTest, PendingErrorIsReportedDuringTheWait) {
    raise_error(kErrorOverflow);
    beep();
    ASSERT_EQ(host.boxes.shown.size(), 1u);
    EXPECT_EQ(host.boxes.shown[0].title, "Unhandled Error #6");
    EXPECT_EQ(test::pending_error(), 0);   // answered Yes
}

}  // namespace
}  // namespace zl
