#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "runtime/host/desktop/host_parts.h"
#include "runtime/machine/ports.h"
#include "runtime/screen/display_copy.h"
#include "runtime/screen/display_link.h"
#include "runtime/screen/program_end.h"

namespace zl::desktop {

namespace {

constexpr auto kCycleSleep = std::chrono::milliseconds(15);
constexpr auto kRetraceSleep = std::chrono::milliseconds(1);

// The frame producer's memory of what it last drew.
struct ProducerState {
    DisplayCopy copy;
    uint32_t blink_generation = 0;
};

// Draws from the program thread's latest copy of the display page, never from the page itself.
void produce_frame(FrameExchange& frames, CursorBlink& blink, ProducerState& state) {
    if (!producer_may_render()) return;
    bool changed = take_display_copy(state.copy);
    const screen_page& page = state.copy.page;
    const uint32_t generation = blink.generation.load(std::memory_order_acquire);
    if (generation != state.blink_generation) {
        state.blink_generation = generation;
        changed = changed || (page.text != 0 && page.cursor_visible);
    }
    if (!changed || state.copy.serial == 0) return;
    render_frame(page, frames.back(), blink.on.load(std::memory_order_relaxed));
    frames.publish();
}

// The program thread is parked for good: close what it opened and end the process.
[[noreturn]] void end_in_order(OpenAlSound& sound) {
    close_files(0, 0);
    sound.close();
    std::fflush(nullptr);
    std::_Exit(0);
}

}  // namespace

void run_main_loop(FrameExchange& frames, OpenAlSound& sound, const DesktopProgramControl& control,
                   CursorBlink& blink) {
    display_link.producer_running.store(true, std::memory_order_release);
    ProducerState state;
    for (bool frame_cycle = true;; frame_cycle = !frame_cycle) {
        std::this_thread::sleep_for(kCycleSleep);
        set_retrace(true, true);
        std::this_thread::sleep_for(kRetraceSleep);
        clear_in_retrace();
        if (control.shutdown_requested()) end_in_order(sound);
        sound.service_queue();
        // Every second cycle: about 30 frames a second, each from the copy asked for in the
        // cycle before.
        if (frame_cycle) {
            produce_frame(frames, blink, state);
        } else {
            request_display_copy();
        }
    }
}

}  // namespace zl::desktop
