#include <chrono>
#include <thread>

#include "runtime/host/desktop/host_parts.h"

namespace zl::desktop {

namespace {
// The text cursor blinks at a little under 2 Hz, as on the text-mode screens it imitates.
constexpr auto kBlinkHalfPeriod = std::chrono::milliseconds(267);
}  // namespace

void run_event_timer(CursorBlink& blink) {
    for (;;) {
        std::this_thread::sleep_for(kBlinkHalfPeriod);
        blink.on.store(!blink.on.load(std::memory_order_relaxed), std::memory_order_relaxed);
        blink.generation.fetch_add(1, std::memory_order_release);
    }
}

}  // namespace zl::desktop
