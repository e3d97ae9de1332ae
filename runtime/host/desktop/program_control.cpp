#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "runtime/host/desktop/host_parts.h"

namespace zl::desktop {

namespace {
constexpr auto kParkedSleep = std::chrono::seconds(1);
}  // namespace

void DesktopProgramControl::stop_program_thread() {
    // The main-loop thread closes files and sound and ends the process; this thread waits for it
    // and never touches the runtime again.
    shutdown_.store(true, std::memory_order_release);
    for (;;) std::this_thread::sleep_for(kParkedSleep);
}

void DesktopProgramControl::end_process(int exit_code) {
    std::fflush(nullptr);
    std::_Exit(exit_code);
}

}  // namespace zl::desktop
