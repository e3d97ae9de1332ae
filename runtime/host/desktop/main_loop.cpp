#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "runtime/host/desktop/host_parts.h"
#include "runtime/machine/ports.h"
#include "runtime/screen/display_link.h"
#include "runtime/screen/program_end.h"
#include "runtime/screen/screen_page.h"

namespace zl::desktop {

namespace {

constexpr auto kCycleSleep = std::chrono::milliseconds(15);
constexpr auto kRetraceSleep = std::chrono::milliseconds(1);

// The frame producer's memory of what it last drew.
struct ProducerState {
    uint32_t blink_generation = 0;
};

// True while a mode change waits: the hand-over is acknowledged and no frame is made.
bool handover_pending() {
    if (!display_link.handover_requested.load(std::memory_order_acquire)) return false;
    // Release: every read of the old pages happens before the program thread frees them.
    display_link.handover_acknowledged.store(true, std::memory_order_release);
    return true;
}

void produce_frame(FrameExchange& frames, CursorBlink& blink, ProducerState& state) {
    if (handover_pending()) return;
    const screen_page* page = display_page;
    if (page == nullptr) return;
    bool changed = display_link.content_changed.exchange(false, std::memory_order_acq_rel);
    changed = display_link.frame_out_of_date.exchange(false, std::memory_order_acq_rel) || changed;
    const uint32_t generation = blink.generation.load(std::memory_order_acquire);
    if (generation != state.blink_generation) {
        state.blink_generation = generation;
        changed = changed || (page->text != 0 && page->cursor_visible);
    }
    if (!changed) return;
    render_frame(*page, frames.back(), blink.on.load(std::memory_order_relaxed));
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
        // Every second cycle: about 30 frames a second.
        if (frame_cycle) produce_frame(frames, blink, state);
    }
}

}  // namespace zl::desktop
