#include "runtime/core/program_control.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>

namespace zl {

namespace {

// Without a host there are no other threads or files to close: the process just ends.
class ExitingProgramControl : public ProgramControl {
public:
    [[noreturn]] void stop_program_thread() override { end_process(0); }
    [[noreturn]] void end_process(int exit_code) override {
        std::fflush(nullptr);
        std::_Exit(exit_code);
    }
};

ExitingProgramControl exiting_control;
std::atomic<ProgramControl*> installed_control{nullptr};

}  // namespace

void set_program_control(ProgramControl* control) { installed_control.store(control); }

ProgramControl& program_control() {
    ProgramControl* control = installed_control.load();
    return control != nullptr ? *control : exiting_control;
}

}  // namespace zl
