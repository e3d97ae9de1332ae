// zl_leak_check: runs test routines one after the other on the headless runtime, as the series
// does, and checks after each that it gave back every text, temporary and storage block it took,
// its variables, its scope lock and its low-memory stack room, and that the screen holds only
// its own pages. The gate runs it under LeakSanitizer, which checks the heap at exit.
//   zl_leak_check ROUTINE ...
// Three self-test names stand for routines that do leak, so the gate can show that each kind of
// leak is caught: self_test_lost_text and self_test_lost_page (caught here, exit 1) and
// self_test_heap_leak (a heap block nobody points to: caught by LeakSanitizer at exit).
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "benchmark/routines.h"
#include "runtime/core/process_setup.h"
#include "runtime/core/static_pool.h"
#include "runtime/core/strings.h"
#include "runtime/host/headless/headless_host.h"
#include "runtime/machine/low_memory.h"
#include "runtime/screen/screen_mode.h"
#include "runtime/screen/screen_page.h"
#include "tests/gates/runtime_checks.h"

namespace {

constexpr int kTextScreenPages = 8;

struct Holdings {
    zl::StringStoreStats strings;
    uint8_t* pool_next = nullptr;
    int32_t stack_pointer = 0;
    uint32_t temp_mark = 0;
};

Holdings holdings() {
    return Holdings{zl::string_store_stats(), zl::static_pool.next, zl::low_memory_stack.pointer,
                    zl::temp_string_mark()};
}

std::string difference(const Holdings& before, const Holdings& after) {
    std::string out;
    auto note = [&out](const char* what, long long was, long long now) {
        if (was != now) out += std::string(" ") + what + " " + std::to_string(was) + " -> " + std::to_string(now);
    };
    note("texts", before.strings.live_descriptors, after.strings.live_descriptors);
    note("storage blocks", before.strings.live_blocks, after.strings.live_blocks);
    note("temporaries", before.strings.temporaries, after.strings.temporaries);
    note("temporary list", before.temp_mark, after.temp_mark);
    note("variable storage", 0, after.pool_next - before.pool_next);
    note("low-memory stack", before.stack_pointer, after.stack_pointer);
    return out;
}

// A text kept by no variable: its descriptor and its storage stay taken.
void self_test_lost_text() {
    zl::string_descriptor* text = zl::string_new(24, 0);
    text->bytes[0] = 'x';
}

// A second page made on a graphics screen and never given back by a mode change.
void self_test_lost_page() {
    zl::set_screen_mode(1, 0, 0, 0, 0, 1);
    zl::set_screen_mode(0, 0, 1, 0, 0, 4);
    zl::set_screen_mode(0, 0, 0, 0, 0, 4);
}

// A heap block whose only pointer is dropped: no count here sees it, LeakSanitizer must.
__attribute__((noinline)) void self_test_heap_leak() {
    void* volatile block = std::malloc(4096);
    static_cast<char*>(block)[0] = 1;
    block = nullptr;
}

struct SelfTest {
    std::string_view name;
    void (*run)();
};

constexpr SelfTest kSelfTests[] = {
    {"self_test_lost_text", self_test_lost_text},
    {"self_test_lost_page", self_test_lost_page},
    {"self_test_heap_leak", self_test_heap_leak},
};

void (*find_run(std::string_view name))() {
    for (const SelfTest& test : kSelfTests) {
        if (test.name == name) return test.run;
    }
    const zl::RoutineEntry* routine = zl::find_routine(name);
    return routine == nullptr ? nullptr : routine->run;
}

}  // namespace

int main(int argc, char** argv) {
    zl::HeadlessHost host;
    zl::set_extended_precision();
    int failures = 0;
    for (int i = 1; i < argc; ++i) {
        void (*const run)() = find_run(argv[i]);
        if (run == nullptr) {
            std::fprintf(stderr, "zl_leak_check: unknown routine %s\n", argv[i]);
            return 2;
        }
        const Holdings before = holdings();
        run();
        const Holdings after = holdings();
        std::string fault = difference(before, after);
        const int pages = zl::screen_page_count();
        const int own_pages = zl::display_page->text ? kTextScreenPages : 1;
        if (pages != own_pages) fault += " pages " + std::to_string(pages);
        const std::string state = zl::gates::runtime_state_fault();
        if (!state.empty()) fault += " state: " + state;
        if (!host.boxes.shown.empty()) fault += " error box: " + host.boxes.shown[0].title;
        std::printf("%s %s\n", argv[i], fault.empty() ? "gave everything back" : ("LEAK" + fault).c_str());
        if (!fault.empty()) ++failures;
    }
    return failures == 0 ? 0 : 1;
}
