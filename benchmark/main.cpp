// The process entry: the desktop host starts the runtime, its threads and the window, and runs
// the main sequence on the program thread.
#include "benchmark/main_sequence.h"
#include "runtime/host/desktop/desktop_host.h"

int main(int argc, char** argv) { zl::start_desktop(argc, argv, zl::benchmark_main); }
