#include "runtime/core/statement_hook.h"

#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

#include "runtime/core/error_messages.h"
#include "runtime/core/error_state.h"
#include "runtime/core/message_box.h"
#include "runtime/core/program_control.h"

namespace zl {

RunRequests run_requests;
StatementObserver statement_observer = nullptr;

ErrorReportLines error_report_lines;

namespace {

constexpr auto kRequestPollStep = std::chrono::milliseconds(10);
constexpr const char* kMainModuleName = "main module";

// Installed before the program thread starts, then only read.
StatementTask statement_task = nullptr;

bool run_is_held() {
    return run_requests.pause.load(std::memory_order_relaxed) ||
           run_requests.exit.load(std::memory_order_relaxed);
}

void run_statement_task(bool waiting) {
    if (statement_task != nullptr) statement_task(waiting);
}

void wait_while_held() {
    while (run_is_held()) {
        run_statement_task(true);
        if (run_requests.exit.load(std::memory_order_relaxed)) program_control().stop_program_thread();
        std::this_thread::sleep_for(kRequestPollStep);
    }
}

std::string error_box_text(int32_t code, int32_t line, uint32_t included_line,
                           const char* included_file) {
    const bool in_included = included_line != 0;
    const unsigned shown_line = in_included ? included_line : static_cast<unsigned>(line);
    const char* module = in_included && included_file != nullptr ? included_file : kMainModuleName;
    const char* message = error_message(code);
    const int size = std::snprintf(nullptr, 0, "Line: %u (in %s)\n%s%s", shown_line, module,
                                   message, "\nContinue?");
    std::string text(static_cast<size_t>(size), '\0');
    std::snprintf(text.data(), text.size() + 1, "Line: %u (in %s)\n%s%s", shown_line, module,
                  message, "\nContinue?");
    return text;
}

void report_pending_error(int32_t code, int32_t line, uint32_t included_line,
                          const char* included_file) {
    error_report_lines.line = line;
    error_report_lines.included_line = included_line;
    const std::string title = "Unhandled Error #" + std::to_string(code);
    const std::string text = error_box_text(code, line, included_line, included_file);
    run_statement_task(true);
    if (show_message_box(title, text, BoxButtons::yes_no) == BoxAnswer::yes) {
        error_state.pending_error.store(0, std::memory_order_relaxed);
        return;
    }
    program_control().stop_program_thread();
}

}  // namespace

void statement_hook(int32_t line, uint32_t included_line, const char* included_file) {
    error_state.event_pending.store(0, std::memory_order_relaxed);
    error_state.retry_statement.store(0, std::memory_order_relaxed);
    if (statement_observer != nullptr) statement_observer(line);
    run_statement_task(false);
    wait_while_held();
    const int32_t code = error_state.pending_error.load(std::memory_order_relaxed);
    if (code != 0) {
        report_pending_error(code, line, included_line, included_file);
        return;
    }
    // The program sets no event traps, so there is nothing further to dispatch.
}

void set_statement_task(StatementTask task) { statement_task = task; }

void request_pause() {
    run_requests.pause.store(true, std::memory_order_relaxed);
    signal_event();
}

void release_pause() {
    run_requests.pause.store(false, std::memory_order_relaxed);
    signal_event();
}

void request_exit() {
    run_requests.exit.store(true, std::memory_order_relaxed);
    signal_event();
}

}  // namespace zl
