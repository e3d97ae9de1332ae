// Owns the program thread's floating-point set-up (extended precision, SIGFPE handler) and the
// chain hand-over check of the command line.
#pragma once

namespace zl {

// Precision control to a 64-bit mantissa; exception masks left as they are (all masked).
void set_extended_precision();
// SIGFPE raises the fatal run-time error 11.
void install_fpe_handler();

// The command line as the runtime keeps it (set by the host at start-up).
void set_command_line(int argc, char** argv);
const char* command_line();

void chain_restore_at_start();

}  // namespace zl
