// Owns the per-statement check: pause and exit requests, the error box for a pending error.
#pragma once

#include <atomic>
#include <cstdint>

namespace zl {

struct RunRequests {
    std::atomic<bool> pause{false};
    std::atomic<bool> exit{false};
};

extern RunRequests run_requests;

// The line numbers of the last error report, kept for the error functions of a handler.
struct ErrorReportLines {
    int32_t line = 0;
    uint32_t included_line = 0;
};

extern ErrorReportLines error_report_lines;

// Called after a statement when event_pending is set, with (line, 0, nullptr); the beep's wait
// calls it with (0, 0, nullptr).
void statement_hook(int32_t line, uint32_t included_line, const char* included_file);

// Tests only: when set, statement_hook calls it first with the statement's line, on the program
// thread. An observer that calls signal_event() is called again at the next statement's check.
using StatementObserver = void (*)(int32_t line);
extern StatementObserver statement_observer;

// Work other threads leave for the program thread (the display copy the frame producer asks
// for): done at each statement check an event brings, and with waiting true before the hook
// waits (a pause or an error box), so the screen shown during the wait is up to date.
using StatementTask = void (*)(bool waiting);
void set_statement_task(StatementTask task);

// Requests from other threads (window, keys); each sets event_pending.
void request_pause();
void release_pause();
void request_exit();

}  // namespace zl
