// Owns the run-time error and event flags and raise_error, the one way an operation reports a
// fault. Error numbers live in error_numbers.h, their messages in error_messages.h.
#pragma once

#include <atomic>
#include <cstdint>

#include "runtime/core/error_numbers.h"

namespace zl {

struct ErrorState {
    // Number of an error raised and not yet reported; 0 for none. The first pending error wins.
    std::atomic<int32_t> pending_error{0};
    // Set by raise_error and by every event source (keys, close, pause); cleared by statement_hook.
    std::atomic<int32_t> event_pending{0};
    // Read after each statement_hook; nothing in this system asks for a retry, so it stays 0.
    std::atomic<int32_t> retry_statement{0};
};

extern ErrorState error_state;

// Records a run-time error (0 or negative becomes 5), or ends the process after its box when the
// code is fatal (11, 256, 257, 259-263, 270, 271, 502-518).
void raise_error(int32_t code);

// raise_error for a code known to be fatal (an allocation failure inside the runtime).
[[noreturn]] void raise_fatal_error(int32_t code);

inline bool error_is_pending() {
    return error_state.pending_error.load(std::memory_order_relaxed) != 0;
}

// Sets event_pending so the next statement check runs statement_hook.
inline void signal_event() { error_state.event_pending.store(1, std::memory_order_relaxed); }

}  // namespace zl
