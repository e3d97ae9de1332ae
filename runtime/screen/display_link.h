// Owns the flags shared between the program thread and the host's frame producer: the
// screen-mode hand-over and the "frame out of date" marks.
#pragma once

#include <atomic>

namespace zl {

struct DisplayLink {
    // True while a frame producer runs; without one (headless) a hand-over needs no wait.
    std::atomic<bool> producer_running{false};
    // Raised by set_screen_mode; the producer acknowledges at its next frame cycle and makes no
    // frame until it is lowered again.
    std::atomic<bool> handover_requested{false};
    std::atomic<bool> handover_acknowledged{false};
    // Set whenever pixels, cells, cursor or palette of a page change; cleared when the program
    // thread copies the display for the producer.
    std::atomic<bool> content_changed{true};
    // Set on a mode change: the next frame is drawn whole.
    std::atomic<bool> frame_out_of_date{true};
};

extern DisplayLink display_link;

// Frame producer, at the start of each frame cycle: while a hand-over is requested it
// acknowledges it and returns false, and the producer must not touch any page in that cycle.
bool producer_may_render();

inline void mark_display_changed() {
    display_link.content_changed.store(true, std::memory_order_relaxed);
}

}  // namespace zl
