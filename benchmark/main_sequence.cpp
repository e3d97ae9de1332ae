#include "benchmark/main_sequence.h"

#include "benchmark/banner.h"
#include "benchmark/frame.h"
#include "runtime/core/process_setup.h"
#include "runtime/machine/clock.h"
#include "runtime/machine/key_ring.h"
#include "runtime/machine/sound.h"
#include "runtime/screen/program_end.h"
#include "runtime/screen/screen_mode.h"
#include "runtime/screen/text_output.h"
#include "runtime/screen/window_state.h"

namespace zl {

namespace {

constexpr char kWindowTitle[] = "Zentrolux";
constexpr char kResultLabel[] = "Result: ";
constexpr extended kSecondsPerDay = 86400.0L;
constexpr double kKeyDropReads = 1000.0;
constexpr int32_t kModeGiven = 1;
constexpr int32_t kRowAndColumnGiven = 3;

// The main sequence's variables, made in its prologue and never released while it runs.
struct MainVariables {
    string_descriptor** pressed_key = nullptr;
    float* start_time = nullptr;
    float* flush_index = nullptr;
    float* end_time = nullptr;
};

MainVariables main_variables;

// Forgets the variables when the sequence is left (only a test's stop unwinds it).
class MainVariablesScope {
public:
    explicit MainVariablesScope(Routine& routine) {
        main_variables.pressed_key = &routine.make_text();
        main_variables.start_time = &routine.make_single();
        main_variables.flush_index = &routine.make_single();
        main_variables.end_time = &routine.make_single();
    }
    ~MainVariablesScope() { main_variables = MainVariables{}; }
    MainVariablesScope(const MainVariablesScope&) = delete;
    MainVariablesScope& operator=(const MainVariablesScope&) = delete;
};

void set_up_processor() {
    static bool first_entry = true;
    if (first_entry) set_extended_precision();
    first_entry = false;
    install_fpe_handler();
}

// A wait loop tested at its end: reads keys until one gives key text. Lines first_line to
// first_line + 2.
void wait_for_key(const Routine& main_sequence, string_descriptor*& pressed_key, int32_t first_line) {
    for (;;) {
        label(first_line);
        string_assign(pressed_key, read_key());
        main_sequence.end_statement(first_line + 1);
        const int32_t empty =
            free_temp_strings(main_sequence.mark(), string_equal(pressed_key, string_from_literal("", 0)));
        if (!taken(empty != 0)) return;
        check(first_line + 2);
    }
}

void run_test_routines(std::span<const RoutineEntry> routines) {
    for (const RoutineEntry& routine : routines) {
        if (routine.main_line == 0) continue;
        routine.run();
        check(routine.main_line);
    }
}

// Every key pressed while the routines ran is read and dropped, whatever the ring holds.
void drop_keys(const Routine& main_sequence, string_descriptor*& pressed_key, float& flush_index) {
    for (CountedLoop loop(flush_index, 1.0, kKeyDropReads, 1.0, 86); loop.pass(); loop.step()) {
        string_assign(pressed_key, read_key());
        main_sequence.end_statement(87);
    }
}

void switch_screens() {
    clear_screen(0, 0, 0);
    check(89);
    set_screen_mode(0, 0, 0, 0, 0, kModeGiven);
    check(89);
    clear_screen(0, 0, 0);
    check(89);
    set_screen_mode(12, 0, 0, 0, 0, kModeGiven);
    check(89);
    clear_screen(0, 0, 0);
    check(89);
    set_screen_mode(0, 0, 0, 0, 0, kModeGiven);
    check(89);
}

}  // namespace

float elapsed_seconds(float start_time, float end_time) {
    extended elapsed = static_cast<extended>(end_time) - static_cast<extended>(start_time);
    if (elapsed < 0) elapsed += kSecondsPerDay;
    return static_cast<float>(elapsed);
}

void run_main_sequence(std::span<const RoutineEntry> routines) {
    set_up_processor();
    Routine main_sequence;
    main_sequence.enter();
    MainVariablesScope scope(main_sequence);
    string_descriptor*& pressed_key = *main_variables.pressed_key;
    float& start_time = *main_variables.start_time;
    float& end_time = *main_variables.end_time;
    chain_restore_at_start();

    set_window_title(string_from_literal(kWindowTitle, sizeof kWindowTitle - 1));
    main_sequence.end_statement(26);
    set_fullscreen(0, 0);
    check(27);
    check(28);
    show_banner(main_sequence);
    beep();
    check(55);
    wait_for_key(main_sequence, pressed_key, 56);
    start_time = timer_seconds(0.0, 0);
    check(59);
    run_test_routines(routines);
    drop_keys(main_sequence, pressed_key, *main_variables.flush_index);
    beep();
    check(88);
    switch_screens();
    set_cursor(10, 15, 0, 0, 0, kRowAndColumnGiven);
    check(90);
    end_time = timer_seconds(0.0, 0);
    check(91);
    print_list(main_sequence,
               {literal(std::string_view(kResultLabel, sizeof kResultLabel - 1)),
                number(elapsed_seconds(start_time, end_time))},
               LineEnd::yes, 92);
    wait_for_key(main_sequence, pressed_key, 93);
    end_program();
}

void benchmark_main() { run_main_sequence(routine_table()); }

void clear_main_variables() {
    if (main_variables.pressed_key != nullptr) {
        (*main_variables.pressed_key)->length = 0;
        *main_variables.start_time = 0.0f;
        *main_variables.flush_index = 0.0f;
        *main_variables.end_time = 0.0f;
    }
    close_files(0, 0);
    free_all_images();
    // The runtime keeps no error-handler state of its own: the program never sets a handler.
}

}  // namespace zl
