#include "tests/gates/gate_routines.h"

#include <algorithm>

#include "benchmark/frame.h"
#include "runtime/screen/text_output.h"

namespace zl::gate {

namespace {

constexpr int32_t kRowAndColumnGiven = 3;
// Rounds of the long routine's loop: far more than any close test waits for.
constexpr double kLongRounds = 1.0e6;
constexpr double kPassesPerRound = 1.0e6;
constexpr int32_t kLongLoopLine = 911;
constexpr int32_t kLongBodyLine = 912;
constexpr int32_t kCountRow = 10;
constexpr int32_t kCountColumn = 30;
constexpr std::string_view kCountLabel = "Pass ";
constexpr std::string_view kCountPadding = "       ";   // blanks out a longer count's digits

// Moves the cursor to row 0, which lies outside every text window: the runtime records error 5
// and the statement's check shows the error box.
void gate_illegal_call() {
    Routine routine;
    if (!routine.enter()) return;
    set_cursor(0, 1, 0, 0, 0, kRowAndColumnGiven);
    check(kIllegalCallLine);
}

// Clears the screen, then counts passes at row 10: one cursor move and one print per pass, each
// a statement with its check, so a close or pause request takes effect within a statement and
// the count on the screen shows whether the run is moving. The count starts again every round,
// so it stays exact in single precision and short of the exponent form.
void gate_long_statements() {
    Routine routine;
    if (!routine.enter()) return;
    float& round = routine.make_single();
    float& pass = routine.make_single();
    clear_screen(0, 0, 0);
    check(kLongLoopLine - 1);
    for (CountedLoop rounds(round, 1.0, kLongRounds, 1.0, kLongLoopLine); rounds.pass(); rounds.step()) {
        for (CountedLoop passes(pass, 1.0, kPassesPerRound, 1.0, kLongLoopLine + 1); passes.pass();
             passes.step()) {
            set_cursor(kCountRow, kCountColumn, 0, 0, 0, kRowAndColumnGiven);
            check(kLongBodyLine);
            print_list(routine, {literal(kCountLabel), number(pass), literal(kCountPadding)},
                       LineEnd::no, kLongBodyLine + 1);
        }
    }
}

// The call lines are the benchmark's own, so a pending error names the same line it would there.
constexpr RoutineEntry kGateRoutines[] = {
    {"gate_illegal_call", gate_illegal_call, kIllegalCallLine},
    {"gate_long_statements", gate_long_statements, kLongLoopLine},
};

// A second or two each on this machine's release build, in three screen modes.
constexpr std::string_view kShortRoutines[] = {
    "test_circle_fill_screen7",
    "test_log_lines_screen7",
    "test_palette_chars_screen1",
};

std::optional<RoutineEntry> find_any(std::string_view name) {
    if (const RoutineEntry* entry = find_routine(name)) {
        // The never-called routines have no call line; the gate calls them all the same.
        RoutineEntry called = *entry;
        if (called.main_line == 0) called.main_line = 999;
        return called;
    }
    const auto it = std::find_if(std::begin(kGateRoutines), std::end(kGateRoutines),
                                 [name](const RoutineEntry& entry) { return entry.name == name; });
    if (it == std::end(kGateRoutines)) return std::nullopt;
    return *it;
}

std::optional<std::vector<RoutineEntry>> named_list(std::string_view names) {
    std::vector<RoutineEntry> list;
    while (!names.empty()) {
        const size_t comma = names.find(',');
        const std::string_view name = names.substr(0, comma);
        const std::optional<RoutineEntry> entry = find_any(name);
        if (!entry) return std::nullopt;
        list.push_back(*entry);
        names = comma == std::string_view::npos ? std::string_view() : names.substr(comma + 1);
    }
    return list;
}

}  // namespace

std::optional<std::vector<RoutineEntry>> routine_list(std::string_view selection) {
    if (selection == "short") {
        std::vector<RoutineEntry> list;
        for (std::string_view name : kShortRoutines) list.push_back(*find_any(name));
        return list;
    }
    std::optional<std::vector<RoutineEntry>> list = routine_list("short");
    if (selection == "long") {
        list->insert(list->begin(), *find_any("gate_long_statements"));
        return list;
    }
    if (selection == "error") {
        list->insert(list->begin(), *find_any("gate_illegal_call"));
        return list;
    }
    return named_list(selection);
}

}  // namespace zl::gate
