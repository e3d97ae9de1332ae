#include "runtime/screen/program_end.h"

#include <chrono>
#include <exception>
#include <thread>

#include "runtime/core/error_state.h"
#include "runtime/core/program_control.h"
#include "runtime/core/statement_hook.h"
#include "runtime/core/strings.h"
#include "runtime/machine/key_ring.h"
#include "runtime/screen/display_copy.h"
#include "runtime/screen/screen_page.h"
#include "runtime/screen/text_output.h"

namespace zl {

namespace {

constexpr char kEndPrompt[] = "Press any key to continue";
constexpr auto kKeyWaitStep = std::chrono::milliseconds(100);

// Takes one key; true when there was one.
bool take_key() {
    string_descriptor* key = read_key();
    const bool got_one = key != nullptr && key->length > 0;
    string_free(key);
    return got_one;
}

}  // namespace

void end_program() {
    close_files(0, 0);
    write_page = display_page;
    screen_page& page = *write_page;
    const int16_t last_row = static_cast<int16_t>(text_rows(page));
    page.window_top = last_row;
    page.window_bottom = last_row;
    page.cursor_row = last_row;
    page.cursor_column = 1;
    page.cursor_parked = false;
    print_string(line_end_string, 1);
    string_descriptor* prompt = string_from_literal(kEndPrompt, sizeof kEndPrompt - 1);
    print_string(prompt, 0);
    string_free(prompt);
    while (take_key()) {
    }
    for (;;) {
        if (run_requests.exit.load(std::memory_order_relaxed)) program_control().stop_program_thread();
        if (take_key()) break;
        // No statement checks run here: the prompt reaches the frame producer this way.
        serve_display_copy(true);
        std::this_thread::sleep_for(kKeyWaitStep);
    }
    program_control().stop_program_thread();
    // The controller never returns; the compiler cannot see that through a virtual call.
    std::terminate();
}

void close_files(int32_t /*file_number*/, int32_t /*presence*/) {
    // The program opens no files or connections, so there is nothing to close; a number that
    // names no open file is no error.
}

}  // namespace zl
