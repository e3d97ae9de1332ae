// Owns the interface by which the runtime ends the program thread and the process; the host
// completes it (the desktop host shuts its threads down in order, tests record the call).
#pragma once

namespace zl {

class ProgramControl {
public:
    virtual ~ProgramControl() = default;
    // The program thread stops for good; the host then closes files and sound and ends the
    // process with exit code 0. Called on the program thread; never returns.
    [[noreturn]] virtual void stop_program_thread() = 0;
    // A fatal error: ends the process at once with this exit code. Never returns.
    [[noreturn]] virtual void end_process(int exit_code) = 0;
};

// Installs the controller (not owned). With none installed, both end the process with _Exit.
void set_program_control(ProgramControl* control);
ProgramControl& program_control();

}  // namespace zl
