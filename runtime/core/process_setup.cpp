#include "runtime/core/process_setup.h"

#include <unistd.h>

#include <csignal>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>
#include <string_view>

#include "runtime/core/error_state.h"

namespace zl {

namespace {

constexpr uint16_t kPrecisionControlMask = 0x0300;
constexpr uint16_t kPrecision64BitMantissa = 0x0300;

// A chained program hands over its state in a file named at the end of the command line.
constexpr std::string_view kChainTag = "(unique-tag:=/@*$+-)";
constexpr size_t kChainFileNameLength = 12;
constexpr size_t kChainSuffixLength = 32;   // tag and file name
constexpr std::string_view kChainFilePrefix = "chain";
constexpr std::string_view kChainFileSuffix = ".tmp";

std::string kept_command_line;

void raise_division_by_zero(int) { raise_error(kErrorDivisionByZeroFatal); }

bool is_chain_file_name(std::string_view name) {
    return name.size() == kChainFileNameLength && name.starts_with(kChainFilePrefix) &&
           name.ends_with(kChainFileSuffix);
}

// The hand-over file: the working directory on its first line, the screen state on its second
// ("screen <mode>"), which this runtime reads but does not restore.
struct ChainState {
    std::string directory;
    std::string screen_state;
};

ChainState read_chain_file(const std::string& name) {
    ChainState state;
    std::ifstream file(name);
    std::getline(file, state.directory);
    std::getline(file, state.screen_state);
    return state;
}

}  // namespace

void set_extended_precision() {
#if defined(__x86_64__) || defined(__i386__)
    uint16_t control = 0;
    __asm__ volatile("fnstcw %0" : "=m"(control));
    control = static_cast<uint16_t>((control & ~kPrecisionControlMask) | kPrecision64BitMantissa);
    __asm__ volatile("fldcw %0" : : "m"(control));
#endif
}

void install_fpe_handler() { std::signal(SIGFPE, raise_division_by_zero); }

void set_command_line(int argc, char** argv) {
    kept_command_line.clear();
    for (int i = 1; i < argc; ++i) {
        if (i > 1) kept_command_line += ' ';
        kept_command_line += argv[i];
    }
}

const char* command_line() { return kept_command_line.c_str(); }

void chain_restore_at_start() {
    const std::string_view line = kept_command_line;
    if (line.size() < kChainSuffixLength) return;
    const std::string_view suffix = line.substr(line.size() - kChainSuffixLength);
    if (!suffix.starts_with(kChainTag)) return;
    const std::string name(suffix.substr(kChainTag.size()));
    if (!is_chain_file_name(name)) return;
    const ChainState state = read_chain_file(name);
    std::remove(name.c_str());
    // A directory that no longer exists leaves the process where it is.
    if (!state.directory.empty() && chdir(state.directory.c_str()) != 0) {
        std::fprintf(stderr, "chain: cannot change to %s\n", state.directory.c_str());
    }
    size_t kept = line.size() - kChainSuffixLength;
    if (kept > 0 && line[kept - 1] == ' ') --kept;
    kept_command_line.resize(kept);
}

}  // namespace zl
