// The desktop program with a test routine list: the same start-up, host, threads, window and
// sound as zentrolux, running the real main sequence on the routines the gate asks for.
//   zl_gate_program [--gate=short|long|error|NAME,NAME...] [window library options]
// ZL_GATE_RUN in the environment selects the same way; the argument wins. Default: short.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <vector>

#include "benchmark/main_sequence.h"
#include "runtime/host/desktop/desktop_host.h"
#include "tests/gates/gate_routines.h"

namespace {

constexpr std::string_view kGateOption = "--gate=";
constexpr int kExitUsage = 2;

// Set before the threads start and only read after.
std::vector<zl::RoutineEntry> gate_routines;

void run_gate_sequence() { zl::run_main_sequence(gate_routines); }

}  // namespace

int main(int argc, char** argv) {
    std::string_view selection = "short";
    if (const char* from_environment = std::getenv("ZL_GATE_RUN")) selection = from_environment;
    // The gate's own option is taken out, so the window library and the runtime see the rest.
    std::vector<char*> rest{argv[0]};
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (argument.starts_with(kGateOption)) {
            selection = argument.substr(kGateOption.size());
        } else {
            rest.push_back(argv[i]);
        }
    }
    const auto list = zl::gate::routine_list(selection);
    if (!list || list->empty()) {
        std::fprintf(stderr, "zl_gate_program: unknown routine selection \"%.*s\"\n",
                     static_cast<int>(selection.size()), selection.data());
        return kExitUsage;
    }
    gate_routines = *list;
    rest.push_back(nullptr);
    zl::start_desktop(static_cast<int>(rest.size()) - 1, rest.data(), run_gate_sequence);
}
