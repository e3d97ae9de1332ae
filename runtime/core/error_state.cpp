#include "runtime/core/error_state.h"

#include <cstdlib>
#include <string>

#include "runtime/core/error_messages.h"
#include "runtime/core/message_box.h"
#include "runtime/core/program_control.h"

namespace zl {

ErrorState error_state;

namespace {

// Allocation failures 502..518 carry their number less 500 ("#2".."#18").
constexpr int32_t kAllocationFailureBase = 500;

// 257 and the allocation failures are numbered ("#1".."#18"); the rest carry no number.
std::string fatal_box_title(int32_t code) {
    if (code == kErrorLowMemoryExhausted) return "Critical Error #1";
    if (code >= kFirstAllocationFailure && code <= kLastAllocationFailure) {
        return "Critical Error #" + std::to_string(code - kAllocationFailureBase);
    }
    return "Critical Error";
}

[[noreturn]] void end_with_fatal_box(int32_t code) {
    show_message_box(fatal_box_title(code), error_message(code), BoxButtons::ok);
    program_control().end_process(0);
    std::abort();  // a controller that returns from end_process breaks its contract
}

}  // namespace

void raise_fatal_error(int32_t code) { end_with_fatal_box(code); }

void raise_error(int32_t code) {
    if (error_is_fatal(code)) end_with_fatal_box(code);
    if (code <= 0) code = kErrorIllegalFunctionCall;
    int32_t none = 0;
    if (error_state.pending_error.compare_exchange_strong(none, code, std::memory_order_relaxed)) {
        signal_event();
    }
}

}  // namespace zl
