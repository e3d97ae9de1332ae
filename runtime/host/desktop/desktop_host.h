// Owns the desktop host: the process start-up, its threads, the freeglut window, the OpenAL
// sound, the key listener and the dialog boxes. The process entry hands argv here.
#pragma once

namespace zl {

// Start-up in order: runtime tables, audio device (exit 111 / 222), working directory, clock,
// text screen, the program thread running program, the event-timer and main-loop threads, then
// the window on this thread. Never returns.
[[noreturn]] void start_desktop(int argc, char** argv, void (*program)());

}  // namespace zl
