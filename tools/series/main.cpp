// zentrolux-series: runs test routines on the headless runtime, one after the other on the state
// the previous left, and reports each one's seconds, random seed and page and palette CRCs.
//   zentrolux-series [--dump DIR] [ROUTINE ...]
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "benchmark/routines.h"
#include "runtime/core/message_box.h"
#include "runtime/core/process_setup.h"
#include "runtime/core/program_control.h"
#include "runtime/core/random.h"
#include "runtime/machine/sound.h"
#include "runtime/runtime.h"
#include "runtime/screen/screen_page.h"
#include "tools/series/page_report.h"

namespace {

constexpr int kExitBadArguments = 2;
constexpr int kExitDumpFailed = 1;

struct Options {
    std::string dump_dir;   // empty: no frames written
    std::vector<const zl::RoutineEntry*> routines;
};

void print_usage() {
    std::fprintf(stderr, "usage: zentrolux-series [--dump DIR] [ROUTINE ...]\nroutines:");
    for (const zl::RoutineEntry& entry : zl::routine_table()) {
        std::fprintf(stderr, " %.*s", static_cast<int>(entry.name.size()), entry.name.data());
    }
    std::fprintf(stderr, "\n");
}

// False (after a message) on an unknown option or routine name.
bool parse_options(int argc, char** argv, Options& options) {
    std::vector<std::string_view> names;
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (argument == "--dump") {
            if (i + 1 >= argc) {
                std::fprintf(stderr, "zentrolux-series: --dump needs a directory\n");
                return false;
            }
            options.dump_dir = argv[++i];
        } else if (argument.starts_with("--")) {
            std::fprintf(stderr, "zentrolux-series: unknown option %s\n", argv[i]);
            return false;
        } else {
            names.push_back(argument);
        }
    }
    if (names.empty()) {
        for (const zl::RoutineEntry& entry : zl::routine_table()) {
            if (entry.main_line != 0) options.routines.push_back(&entry);
        }
        return true;
    }
    for (const std::string_view name : names) {
        const zl::RoutineEntry* entry = zl::find_routine(name);
        if (entry == nullptr) {
            std::fprintf(stderr, "zentrolux-series: unknown routine %.*s\n",
                         static_cast<int>(name.size()), name.data());
            return false;
        }
        options.routines.push_back(entry);
    }
    return true;
}

// The headless runtime: no frame producer (a mode change needs no hand-over), silent sound,
// message boxes to stderr, and a program stop ends the process.
void set_up_runtime() {
    zl::set_message_box_host(nullptr);
    zl::set_program_control(nullptr);
    zl::set_sound_sink(nullptr);
    zl::runtime_reset();
    zl::set_extended_precision();
    zl::install_fpe_handler();
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (!parse_options(argc, argv, options)) {
        print_usage();
        return kExitBadArguments;
    }
    if (!options.dump_dir.empty()) {
        std::error_code error;
        std::filesystem::create_directories(options.dump_dir, error);
    }
    set_up_runtime();

    using clock = std::chrono::steady_clock;
    double total_seconds = 0;
    for (const zl::RoutineEntry* entry : options.routines) {
        const auto start = clock::now();
        entry->run();
        const double seconds = std::chrono::duration<double>(clock::now() - start).count();
        total_seconds += seconds;

        const zl::screen_page& page = *zl::display_page;
        std::printf("%.*s seconds=%.3f seed=%u page=%08x palette=%08x\n",
                    static_cast<int>(entry->name.size()), entry->name.data(), seconds,
                    zl::random_seed, zl::series::page_crc(page), zl::series::palette_crc(page));
        // A later error box may end the process at once; what is reported stays reported.
        std::fflush(stdout);
        if (!options.dump_dir.empty()) {
            const std::string path = options.dump_dir + "/" + std::string(entry->name) + ".ppm";
            if (!zl::series::write_page_ppm(page, path)) {
                std::fprintf(stderr, "zentrolux-series: cannot write %s\n", path.c_str());
                return kExitDumpFailed;
            }
        }
    }
    std::printf("total seconds=%.3f\n", total_seconds);
    return 0;
}
