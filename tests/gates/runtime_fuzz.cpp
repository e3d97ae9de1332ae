// zl_runtime_fuzz: calls every runtime operation the benchmark uses with random arguments across
// their whole range, on every kind of page, and checks after each call that
//   - nothing crashed and no sanitizer spoke (the gate runs it under ASan and UBSan);
//   - the run-time error raised is exactly the refusal the operation owes (0 when none);
//   - a refused call, or a guarded call while an error is pending, changed nothing;
//   - the runtime's records are still sound and every temporary text is given back.
// Fatal paths (out of memory, exhausted stacks, fatal codes) run once each at the end.
//   zl_runtime_fuzz [--seconds S] [--calls N] [--seed N]
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <csignal>
#include <deque>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "runtime/core/arithmetic.h"
#include "runtime/core/error_state.h"
#include "runtime/core/number_text.h"
#include "runtime/core/process_setup.h"
#include "runtime/core/random.h"
#include "runtime/core/statement_hook.h"
#include "runtime/core/static_pool.h"
#include "runtime/core/strings.h"
#include "runtime/drawing/drawing.h"
#include "runtime/host/headless/headless_host.h"
#include "runtime/machine/clock.h"
#include "runtime/machine/key_ring.h"
#include "runtime/machine/low_memory.h"
#include "runtime/machine/ports.h"
#include "runtime/machine/sound.h"
#include "runtime/screen/program_end.h"
#include "runtime/screen/screen_mode.h"
#include "runtime/screen/screen_page.h"
#include "runtime/screen/text_output.h"
#include "runtime/screen/window_state.h"
#include "tests/gates/fuzz_values.h"
#include "tests/gates/runtime_checks.h"

namespace zl::gates {

namespace {

constexpr int32_t kIllegal = kErrorIllegalFunctionCall;
constexpr int32_t kOverflow = kErrorOverflow;
constexpr int32_t kNoAlternative = -1;
constexpr double kTwoPi = 6.283185307179586;
constexpr int kCallsPerScreen = 300;
constexpr int kBeepBudget = 8;   // each beep waits a quarter of a second
constexpr int32_t kAddressMin = -65536;
constexpr int32_t kAddressMax = 65535;
constexpr int32_t kHighestPage = 63;
constexpr uint32_t kComponentBits = 0x3F3F3F;

// What one call owes.
struct Expect {
    int32_t code = 0;                        // the error it must raise when none was pending
    int32_t alternative = kNoAlternative;    // a second acceptable code
    bool guarded = false;                    // does nothing at all while an error is pending
    bool read_only = false;                  // never changes the state, whatever happens
    bool may_clear_pending = false;          // reports a pending error (statement_hook, beep)
};

bool in_address_range(int32_t value) { return value >= kAddressMin && value <= kAddressMax; }
bool beyond(int32_t value, uint32_t limit) { return static_cast<uint32_t>(value) > limit; }

int rows_of(const screen_page& page) { return text_rows(page); }
int columns_of(const screen_page& page) { return text_columns(page); }

uint32_t graphics_colour_limit(const screen_page& page) {
    return page.colour_mask > 15 ? page.colour_mask : 15;
}

bool mode_accepted(int32_t mode) {
    return mode == 0 || mode == 1 || mode == 2 || (mode >= 7 && mode <= 13);
}

class Fuzz {
public:
    explicit Fuzz(uint64_t seed) : rng(seed) {}

    Random rng;
    uint64_t calls = 0;
    uint64_t refusals = 0;
    int beeps_left = kBeepBudget;
    char args[512] = {};
    const char* name = "";
    uint32_t statement_mark = 0;
    int64_t baseline_descriptors = 0;
    std::vector<string_descriptor*> variables;
    // Bytes of this statement's literals. A deque: a literal refers to its bytes without copying
    // them, and a vector's growth would move a short string's inline bytes away under it.
    std::deque<std::string> literal_keep;

    // Runs one call and checks what it owes.
    template <typename Call>
    void call(const Expect& expect, Call&& body) {
        const int32_t pending_before = error_state.pending_error.load();
        const bool must_stay = expect.read_only || (pending_before != 0 && expect.guarded) ||
                               (pending_before == 0 && expect.code != 0 && expect.alternative == kNoAlternative);
        StateDigest before;
        if (must_stay) before = digest_state();
        body();
        ++calls;
        const int32_t pending_after = error_state.pending_error.load();
        if (pending_before != 0) {
            if (pending_after != pending_before && !expect.may_clear_pending) {
                fail("an error was pending: " + std::to_string(pending_before) + ", now " +
                     std::to_string(pending_after));
            }
        } else if (pending_after != expect.code &&
                   (expect.alternative == kNoAlternative || pending_after != expect.alternative)) {
            fail("raised error " + std::to_string(pending_after) + ", owed " + std::to_string(expect.code));
        }
        if (pending_before == 0 && pending_after != 0) ++refusals;
        if (must_stay) {
            const StateDigest after = digest_state();
            if (!(after == before)) fail("changed the state: " + digest_difference(before, after));
        }
        end_statement();
    }

    // The statement's end: temporaries back, records sound, no descriptor lost.
    void end_statement() {
        free_temp_strings(statement_mark, 0);
        literal_keep.clear();
        const std::string fault = runtime_state_fault();
        if (!fault.empty()) fail("left the runtime unsound: " + fault);
        const StringStoreStats stats = string_store_stats();
        if (stats.temporaries != 0) fail("left " + std::to_string(stats.temporaries) + " temporaries");
        if (stats.live_descriptors != baseline_descriptors) {
            fail("string descriptors " + std::to_string(stats.live_descriptors) + ", expected " +
                 std::to_string(baseline_descriptors));
        }
    }

    [[noreturn]] void fail(const std::string& what) {
        std::fprintf(stderr, "FAIL after %llu calls: %s(%s): %s\n",
                     static_cast<unsigned long long>(calls), name, args, what.c_str());
        std::exit(1);
    }

    // A text operand: a variable, a temporary copy or a literal over kept bytes.
    string_descriptor* text_operand(const std::string& bytes) {
        switch (rng.below(3)) {
        case 0: {
            string_descriptor* variable = variables[rng.below(static_cast<uint32_t>(variables.size()))];
            string_assign(variable, string_temporary_copy(bytes.data(), static_cast<int32_t>(bytes.size())));
            return variable;
        }
        case 1:
            return string_temporary_copy(bytes.data(), static_cast<int32_t>(bytes.size()));
        default:
            literal_keep.push_back(bytes);
            return string_from_literal(literal_keep.back().data(), static_cast<int32_t>(bytes.size()));
        }
    }
};

// The call's arguments as the failure message shows them.
template <typename... Values>
void describe(Fuzz& f, const char* format, Values... values) {
    std::snprintf(f.args, sizeof f.args, format, values...);
}

// ---- screen ---------------------------------------------------------------------------------

int32_t pick_mode(Random& rng) {
    constexpr int32_t kUsed[] = {0, 1, 7, 12};
    constexpr int32_t kOthers[] = {2, 3, 4, 5, 6, 8, 9, 10, 11, 13, 14, 255, -1, -2};
    if (rng.below(10) < 7) return kUsed[rng.below(4)];
    if (rng.chance(2)) return kOthers[rng.below(std::size(kOthers))];
    return any_int32(rng);
}

int32_t pick_page(Random& rng) {
    if (rng.below(10) < 7) return 0;
    if (rng.below(3) < 2) return rng.between(0, 9);
    return rng.chance(2) ? rng.between(60, 66) : any_int32(rng);
}

void op_set_screen_mode(Fuzz& f) {
    const int32_t mode = pick_mode(f.rng);
    const int32_t active = pick_page(f.rng);
    const int32_t visual = pick_page(f.rng);
    const int32_t presence = f.rng.chance(3) ? 1 : any_mask(f.rng, 1 | 4 | 8);
    describe(f, "%d, 0, %d, %d, 0, %d", mode, active, visual, presence);
    Expect e;
    e.guarded = true;
    const bool mode_given = presence & 1;
    const bool active_given = presence & 4;
    const bool visual_given = (presence & 8) || active_given;
    const int32_t shown = (presence & 8) ? visual : active;
    if (mode_given && mode < 0) {
        e.code = kErrorInvalidHandle;
    } else if (mode_given && !mode_accepted(mode)) {
        e.code = kIllegal;
    } else if ((active_given && beyond(active, kHighestPage)) || (visual_given && beyond(shown, kHighestPage))) {
        e.code = kIllegal;
    }
    f.call(e, [&] { set_screen_mode(mode, 0, active, visual, 0, presence); });
}

void op_clear_screen(Fuzz& f) {
    const int32_t method = f.rng.chance(2) ? f.rng.between(-1, 3) : any_int32(f.rng);
    const uint32_t colour = f.rng.chance(2) ? static_cast<uint32_t>(f.rng.between(0, 20)) : any_uint32(f.rng);
    const int32_t presence = any_mask(f.rng, 3);
    describe(f, "%d, %u, %d", method, colour, presence);
    Expect e;
    e.guarded = true;
    if (((presence & 1) && beyond(method, 2)) || ((presence & 2) && colour > write_page->colour_mask)) e.code = kIllegal;
    f.call(e, [&] { clear_screen(method, colour, presence); });
}

int32_t small_or_any(Random& rng, int32_t low, int32_t high) {
    return rng.below(4) < 3 ? rng.between(low, high) : any_int32(rng);
}

void op_set_colour(Fuzz& f) {
    const int32_t fg = small_or_any(f.rng, -2, 34);
    const int32_t bg = small_or_any(f.rng, -2, 18);
    const int32_t border = small_or_any(f.rng, -1, 16);
    const int32_t presence = any_mask(f.rng, 7);
    describe(f, "%d, %d, %d, %d", fg, bg, border, presence);
    const screen_page& page = *write_page;
    Expect e;
    e.guarded = true;
    const bool fg_given = presence & 1;
    const bool bg_given = presence & 2;
    if (presence == 0) {
        e.read_only = true;
    } else if (!page.text && (presence & 4)) {
        e.code = kIllegal;
    } else {
        const uint32_t fg_limit = page.text ? 31 : (page.mode == 1 || page.mode == 7) ? 15 : graphics_colour_limit(page);
        const uint32_t bg_limit = (page.text || page.mode == 1 || page.mode == 7) ? 15 : graphics_colour_limit(page);
        if ((fg_given && beyond(fg, fg_limit)) || (bg_given && beyond(bg, bg_limit))) e.code = kIllegal;
    }
    f.call(e, [&] { set_colour(fg, bg, border, presence); });
}

bool palette_colour_accepted(const screen_page& page, uint32_t colour) {
    switch (page.mode) {
    case 1:
    case 2:
    case 7:
    case 8:
        return colour <= 15;
    case 0:
    case 9:
    case 10:
        return colour <= 63;
    default:
        return (colour & ~kComponentBits) == 0;
    }
}

void op_set_palette(Fuzz& f) {
    const int32_t attribute = small_or_any(f.rng, -1, 17);
    uint32_t colour = f.rng.chance(2) ? static_cast<uint32_t>(f.rng.between(0, 70)) : any_uint32(f.rng);
    if (f.rng.chance(4)) colour = static_cast<uint32_t>(f.rng.next()) & (f.rng.chance(2) ? kComponentBits : 0x7F7F7F);
    const int32_t presence = f.rng.chance(8) ? 0 : f.rng.chance(8) ? any_int32(f.rng) : 1;
    describe(f, "%d, %u, %d", attribute, colour, presence);
    const screen_page& page = *write_page;
    Expect e;
    e.guarded = true;
    const uint32_t attribute_limit = page.text ? 15 : graphics_colour_limit(page);
    if (presence != 0 && (beyond(attribute, attribute_limit) || !palette_colour_accepted(page, colour))) {
        e.code = kIllegal;
    }
    f.call(e, [&] { set_palette(attribute, colour, presence); });
}

void op_set_cursor(Fuzz& f) {
    const int32_t row = small_or_any(f.rng, -1, 62);
    const int32_t column = small_or_any(f.rng, -1, 82);
    const int32_t visible = small_or_any(f.rng, -1, 2);
    const int32_t start = small_or_any(f.rng, -1, 33);
    const int32_t stop = small_or_any(f.rng, -1, 33);
    const int32_t presence = f.rng.chance(2) ? 3 : any_mask(f.rng, 31);
    describe(f, "%d, %d, %d, %d, %d, %d", row, column, visible, start, stop, presence);
    const screen_page& page = *write_page;
    Expect e;
    e.guarded = true;
    const bool row_ok = (row >= page.window_top && row <= page.window_bottom) || row == rows_of(page);
    if (((presence & 1) && !row_ok) || ((presence & 2) && (column < 1 || column > columns_of(page))) ||
        ((presence & 4) && beyond(visible, 1)) || ((presence & 8) && beyond(start, 31)) ||
        ((presence & 16) && beyond(stop, 31))) {
        e.code = kIllegal;
    }
    f.call(e, [&] { set_cursor(row, column, visible, start, stop, presence); });
}

void op_cursor_row(Fuzz& f) {
    describe(f, "%s", "");
    Expect e;
    e.read_only = true;
    int32_t row = 0;
    f.call(e, [&] { row = cursor_row(); });
    if (row < 1 || row > rows_of(*write_page)) f.fail("row " + std::to_string(row));
}

void op_screen_char_at(Fuzz& f) {
    const int32_t row = small_or_any(f.rng, -1, 62);
    const int32_t column = small_or_any(f.rng, -1, 82);
    const int32_t flag = small_or_any(f.rng, -1, 2);
    const int32_t passed = small_or_any(f.rng, 0, 1);
    describe(f, "%d, %d, %d, %d", row, column, flag, passed);
    const screen_page& page = *read_page;
    Expect e;
    e.read_only = true;
    if (row < 1 || row > rows_of(page) || column < 1 || column > columns_of(page)) e.code = kIllegal;
    int32_t value = 0;
    f.call(e, [&] { value = screen_char_at(row, column, flag, passed); });
    if (value < 0 || value > 255) f.fail("value " + std::to_string(value));
}

void op_fit_text_on_line(Fuzz& f) {
    const std::string bytes = any_text(f.rng);
    describe(f, "text of %zu", bytes.size());
    string_descriptor* text = f.text_operand(bytes);
    f.call(Expect{}, [&] { fit_text_on_line(text); });
}

void op_print_string(Fuzz& f) {
    const std::string bytes = any_text(f.rng);
    const int32_t line_end = small_or_any(f.rng, 0, 1);
    describe(f, "text of %zu, %d", bytes.size(), line_end);
    string_descriptor* text = f.text_operand(bytes);
    Expect e;
    e.guarded = true;
    f.call(e, [&] { print_string(text, line_end); });
}

void op_line_end(Fuzz& f) {
    describe(f, "line_end_string, 1");
    Expect e;
    e.guarded = true;
    f.call(e, [&] { print_string(line_end_string, 1); });
}

void op_set_window_title(Fuzz& f) {
    const std::string bytes = any_text(f.rng);
    describe(f, "text of %zu", bytes.size());
    string_descriptor* text = f.text_operand(bytes);
    Expect e;
    e.guarded = true;
    f.call(e, [&] { set_window_title(text); });
}

void op_set_fullscreen(Fuzz& f) {
    const int32_t method = small_or_any(f.rng, -1, 4);
    const int32_t presence = any_mask(f.rng, 1);
    describe(f, "%d, %d", method, presence);
    Expect e;
    // Only methods 0 to 3 exist; another one is refused.
    if (method < 0 || method > 3) e.code = kIllegal;
    f.call(e, [&] { set_fullscreen(method, presence); });
}

// ---- drawing --------------------------------------------------------------------------------

float coordinate(Random& rng) {
    if (rng.below(4) < 3) return static_cast<float>(rng.between(-40, 680)) + (rng.chance(4) ? 0.5f : 0.0f);
    return any_float(rng);
}

int32_t colour_argument(Random& rng) { return small_or_any(rng, -1, 260); }

void op_draw_line(Fuzz& f) {
    const float x1 = coordinate(f.rng), y1 = coordinate(f.rng), x2 = coordinate(f.rng), y2 = coordinate(f.rng);
    const int32_t colour = colour_argument(f.rng);
    const int32_t kind = small_or_any(f.rng, -1, 3);
    const int32_t style = f.rng.chance(2) ? 0 : any_int32(f.rng);
    const int32_t presence = f.rng.chance(3) ? 9 : any_mask(f.rng, 31);
    describe(f, "%g, %g, %g, %g, %d, %d, %d, %d", x1, y1, x2, y2, colour, kind, style, presence);
    Expect e;
    e.guarded = true;
    if (write_page->text) e.code = kIllegal;
    f.call(e, [&] { draw_line(x1, y1, x2, y2, colour, kind, style, presence); });
}

void op_set_pixel(Fuzz& f) {
    const float x = coordinate(f.rng), y = coordinate(f.rng);
    const int32_t colour = colour_argument(f.rng);
    const int32_t presence = any_mask(f.rng, 3);
    describe(f, "%g, %g, %d, %d", x, y, colour, presence);
    Expect e;
    e.guarded = true;
    if (write_page->text) e.code = kIllegal;
    f.call(e, [&] { set_pixel(x, y, colour, presence); });
}

void op_point_colour(Fuzz& f) {
    const float x = f.rng.chance(4) ? static_cast<float>(f.rng.between(-2, 8)) / 2.0f : coordinate(f.rng);
    const float y = coordinate(f.rng);
    const int32_t presence = f.rng.chance(3) ? 0 : f.rng.chance(8) ? any_int32(f.rng) : 1;
    describe(f, "%g, %g, %d", x, y, presence);
    Expect e;
    e.read_only = true;
    const screen_page& page = presence != 0 ? *read_page : *write_page;
    // Mask 0 reads the graphics cursor: x rounds (ties to even) to 0, 1, 2 or 3.
    const bool part_ok = x >= -0.5f && x < 3.5f;
    if (page.text || (presence == 0 && !part_ok)) e.code = kIllegal;
    double value = 0;
    f.call(e, [&] { value = point_colour(x, y, presence); });
    if (presence != 0 && !page.text && !(value == -1 || (value >= 0 && value <= page.colour_mask))) {
        f.fail("colour " + std::to_string(value));
    }
}

double radius_argument(Random& rng) {
    if (rng.below(4) < 3) return rng.between(-5, 400) + (rng.chance(4) ? 0.5 : 0.0);
    return any_double(rng);
}

double angle_argument(Random& rng) {
    if (rng.below(3) < 2) return (static_cast<double>(rng.between(-7000, 7000)) / 1000.0);
    return any_double(rng);
}

void op_draw_circle(Fuzz& f) {
    const double x = coordinate(f.rng), y = coordinate(f.rng);
    const double radius = radius_argument(f.rng);
    const int32_t colour = colour_argument(f.rng);
    const double start = angle_argument(f.rng), end = angle_argument(f.rng);
    const double aspect = f.rng.chance(2) ? f.rng.between(-30, 30) / 10.0 : any_double(f.rng);
    const int32_t presence = f.rng.chance(3) ? 2 : any_mask(f.rng, 31);
    describe(f, "%g, %g, %g, %d, %g, %g, %g, %d", x, y, radius, colour, start, end, aspect, presence);
    Expect e;
    e.guarded = true;
    if (write_page->text || ((presence & 4) && std::fabs(start) > kTwoPi) ||
        ((presence & 8) && std::fabs(end) > kTwoPi)) {
        e.code = kIllegal;
    }
    f.call(e, [&] { draw_circle(x, y, radius, colour, start, end, aspect, presence); });
}

void op_flood_fill(Fuzz& f) {
    const float x = coordinate(f.rng), y = coordinate(f.rng);
    const int32_t fill = colour_argument(f.rng);
    const int32_t border = colour_argument(f.rng);
    const int32_t fifth = f.rng.chance(2) ? 0 : any_int32(f.rng);
    const int32_t presence = f.rng.chance(3) ? (f.rng.chance(2) ? 2 : 6) : any_mask(f.rng, 15);
    describe(f, "%g, %g, %d, %d, %d, %d", x, y, fill, border, fifth, presence);
    Expect e;
    e.guarded = true;
    if (write_page->text || (presence & 8)) e.code = kIllegal;
    f.call(e, [&] { flood_fill(x, y, fill, border, fifth, presence); });
}

void op_flood_fill_tiled(Fuzz& f) {
    const float x = coordinate(f.rng), y = coordinate(f.rng);
    const std::string tile_bytes = any_text(f.rng);
    const std::string background_bytes = any_text(f.rng);
    const int32_t border = colour_argument(f.rng);
    const int32_t presence = f.rng.chance(3) ? 2 : any_mask(f.rng, 15);
    describe(f, "%g, %g, tile of %zu, %d, background of %zu, %d", x, y, tile_bytes.size(), border,
            background_bytes.size(), presence);
    string_descriptor* tile = f.text_operand(tile_bytes);
    string_descriptor* background = f.text_operand(background_bytes);
    // Both may be the same variable, which then holds the background.
    const int32_t tile_length = tile->length;
    const int32_t background_length = background->length;
    const screen_page& page = *write_page;
    const int32_t tile_limit = page.colour_bits == 4 ? 256 : 64;
    Expect e;
    e.guarded = true;
    if (page.text || !(presence & 2) || tile_length == 0 || tile_length > tile_limit ||
        ((presence & 8) && (background_length == 0 || background_length > 255))) {
        e.code = kIllegal;
    }
    f.call(e, [&] { flood_fill_tiled(x, y, tile, border, background, presence); });
}

// ---- keyboard, clock, sound -----------------------------------------------------------------

void op_read_key(Fuzz& f) {
    for (int keys = static_cast<int>(f.rng.below(4)); keys > 0; --keys) {
        push_key(static_cast<uint8_t>(f.rng.next()), static_cast<uint8_t>(f.rng.next()));
    }
    describe(f, "%s", "");
    const bool pending = error_is_pending();
    const int queued = key_ring_count();
    string_descriptor* key = nullptr;
    f.call(Expect{}, [&] { key = read_key(); });
    // The text is a temporary, so the statement's end gave it back; only its length was kept.
    (void)key;
    const int left = key_ring_count();
    if (pending && left != queued) f.fail("took a key while an error was pending");
    if (!pending && queued > 0 && left != queued - 1) f.fail("key ring did not lose one key");
}

void op_read_key_checked(Fuzz& f) {
    push_key(static_cast<uint8_t>(f.rng.next()), static_cast<uint8_t>(f.rng.next()));
    describe(f, "after a push");
    int32_t length = -1;
    const bool pending = error_is_pending();
    f.call(Expect{}, [&] {
        string_descriptor* key = read_key();
        length = key->length;
    });
    if (pending ? length != 0 : (length != 1 && length != 2)) f.fail("key text of " + std::to_string(length));
}

void op_timer_seconds(Fuzz& f) {
    const double accuracy = f.rng.chance(2) ? f.rng.between(-2, 100) / 10.0 : any_double(f.rng);
    const int32_t presence = any_mask(f.rng, 1);
    describe(f, "%g, %d", accuracy, presence);
    const bool pending = error_is_pending();
    float seconds = -1;
    Expect e;
    e.read_only = true;
    f.call(e, [&] { seconds = timer_seconds(accuracy, presence); });
    if (pending && seconds != 0) f.fail("gave a time while an error was pending");
    if (!std::isfinite(seconds) || seconds < 0) f.fail("seconds " + std::to_string(seconds));
    if (!(presence & 1) && seconds > 86400.1f) f.fail("seconds " + std::to_string(seconds));
}

bool digits_at(const string_descriptor* text, std::initializer_list<int> positions) {
    for (const int i : positions) {
        if (text->bytes[i] < '0' || text->bytes[i] > '9') return false;
    }
    return true;
}

void op_date_and_time(Fuzz& f) {
    const bool date = f.rng.chance(2);
    describe(f, "%s", date ? "date" : "time");
    Expect e;
    e.read_only = true;
    bool well_formed = false;
    f.call(e, [&] {
        const string_descriptor* text = date ? date_text() : time_text();
        if (date) {
            well_formed = text->length == 10 && text->bytes[2] == '-' && text->bytes[5] == '-' &&
                          digits_at(text, {0, 1, 3, 4, 6, 7, 8, 9});
        } else {
            well_formed = text->length == 8 && text->bytes[2] == ':' && text->bytes[5] == ':' &&
                          digits_at(text, {0, 1, 3, 4, 6, 7});
        }
    });
    if (!well_formed) f.fail("malformed text");
}

void op_beep(Fuzz& f) {
    if (f.beeps_left == 0) return;
    --f.beeps_left;
    describe(f, "%s", "");
    Expect e;
    e.may_clear_pending = true;   // its wait runs the statement check, which reports the error
    f.call(e, [&] { beep(); });
}

// ---- emulated machine -----------------------------------------------------------------------

int32_t address_argument(Random& rng) {
    if (rng.chance(2)) return rng.between(-70000, 70000);
    return any_int32(rng);
}

void op_set_memory_segment(Fuzz& f) {
    const int32_t segment = address_argument(f.rng);
    const int32_t passed = small_or_any(f.rng, 0, 1);
    describe(f, "%d, %d", segment, passed);
    Expect e;
    e.guarded = true;
    if (passed != 0 && !in_address_range(segment)) e.code = kOverflow;
    f.call(e, [&] { set_memory_segment(segment, passed); });
}

void op_peek_byte(Fuzz& f) {
    const int32_t offset = address_argument(f.rng);
    describe(f, "%d", offset);
    Expect e;
    e.read_only = true;
    if (!in_address_range(offset)) e.code = kOverflow;
    int32_t value = -1;
    f.call(e, [&] { value = peek_byte(offset); });
    if (value < 0 || value > 255) f.fail("byte " + std::to_string(value));
}

void op_read_port(Fuzz& f) {
    constexpr int32_t kPorts[] = {0x3C9, 0x3DA, 0x60, 0x3C9 - 65536, 0x60 + 65536};
    const int32_t port = f.rng.chance(2) ? kPorts[f.rng.below(std::size(kPorts))] : address_argument(f.rng);
    if (f.rng.chance(4)) push_scan_code(static_cast<uint8_t>(f.rng.next()));
    if (f.rng.chance(4)) set_retrace(f.rng.chance(2), f.rng.chance(2));
    describe(f, "%d", port);
    Expect e;
    if (!in_address_range(port)) e.code = kOverflow;
    int32_t value = -1;
    f.call(e, [&] { value = read_port(port); });
    const uint32_t which = static_cast<uint32_t>(port) & 0xFFFF;
    const bool ok = !in_address_range(port) ? value == 0
                    : which == 0x3C9        ? value >= 0 && value <= 63
                    : which == 0x3DA        ? value == 0 || value == 8
                    : which == 0x60         ? value >= 0 && value <= 255
                                            : value == 0;
    if (!ok) f.fail("port value " + std::to_string(value));
}

void op_static_alloc(Fuzz& f) {
    const int32_t size = f.rng.chance(8) ? f.rng.between(-100, -1) : f.rng.chance(20) ? f.rng.between(0, 3 << 20)
                                                                                     : f.rng.between(0, 64);
    describe(f, "%d", size);
    Expect e;
    // A negative size is refused and allocates nothing.
    if (size < 0) e.code = kIllegal;
    uint8_t* const saved = static_pool.next;
    void* block = nullptr;
    f.call(e, [&] { block = static_alloc(size); });
    auto* bytes = static_cast<uint8_t*>(block);
    const size_t wanted = size < 0 ? 0 : static_cast<size_t>(size);
    if (bytes < static_pool.base || bytes + wanted > static_pool.limit ||
        reinterpret_cast<uintptr_t>(bytes) % 8 != 0) {
        f.fail("block outside the pool");
    }
    if (wanted > 0) std::memset(bytes, 0xA5, wanted);   // the whole block is the caller's
    // The routine returns: its variables go back.
    const bool within = saved >= static_pool.base && saved <= static_pool.limit;
    static_pool.next = within ? saved : static_pool.base;
}

void op_scope_lock(Fuzz& f) {
    describe(f, "%s", "");
    f.call(Expect{}, [&] {
        const uint64_t id = scope_lock_new();
        scope_lock* lock = latest_scope_lock;
        if (lock == nullptr || lock->id != id || id == 0) f.fail("scope lock record");
        lock->kind = kScopeKindRoutine;
        scope_lock_free(lock);
        scope_lock_free(lock);   // a second give-back is harmless
    });
}

// ---- numbers --------------------------------------------------------------------------------

void op_random_number(Fuzz& f) {
    const float n = f.rng.chance(2) ? 0.0f : any_float(f.rng);
    const int32_t presence = f.rng.chance(2) ? 0 : any_mask(f.rng, 1);
    describe(f, "%g, %d", n, presence);
    const bool pending = error_is_pending();
    const uint32_t seed_before = random_seed;
    float value = -1;
    f.call(Expect{}, [&] { value = random_number(n, presence); });
    if (pending && (value != 0 || random_seed != seed_before)) f.fail("drew while an error was pending");
    if (!pending && value != static_cast<float>(random_seed) / 16777216.0f) f.fail("value is not state / 2^24");
}

void op_arithmetic(Fuzz& f) {
    const double x = any_double(f.rng);
    const long double lx = any_long_double(f.rng);
    const long double ly = f.rng.chance(3) ? static_cast<long double>(f.rng.between(-4, 4)) : any_long_double(f.rng);
    const float s = any_float(f.rng);
    const int which = static_cast<int>(f.rng.below(12));
    describe(f, "#%d: %g, %Lg, %Lg, %g", which, x, lx, ly, s);
    Expect e;
    e.read_only = true;
    switch (which) {
    case 0:
        if (x <= 0.0) e.code = kIllegal;
        f.call(e, [&] {
            const double value = natural_log(x);
            if (x > 0 && value != std::log(x)) f.fail("logarithm");
            if (x <= 0 && value != 0) f.fail("refused logarithm is not 0");
        });
        break;
    case 1:
        if (!(lx <= 709.782712893L)) e.code = kOverflow;
        f.call(e, [&] {
            const long double value = exp_extended(lx);
            if (e.code != 0 && value != 0) f.fail("refused exponential is not 0");
        });
        break;
    case 2:
        if (lx < 0 && floorl(ly) != ly) e.code = kIllegal;
        f.call(e, [&] {
            const long double value = exponentiate(lx, ly);
            if (e.code != 0 && value != 0) f.fail("refused power is not 0");
        });
        break;
    case 3:
        f.call(e, [&] {
            const int32_t sign = sign_of_double(x);
            if (sign != (x > 0 ? 1 : x == 0 ? 0 : -1)) f.fail("sign " + std::to_string(sign));
        });
        break;
    case 4:
        f.call(e, [&] { (void)round_to_int64(lx); });
        break;
    case 5:
        f.call(e, [&] {
            const float value = floor_single(s);
            if (std::isfinite(s) && value != static_cast<float>(std::floor(static_cast<double>(s)))) f.fail("floor");
        });
        break;
    case 6:
        f.call(e, [&] { (void)zl::sin(x); });
        break;
    case 7:
        f.call(e, [&] { (void)zl::cos(x); });
        break;
    case 8:
        f.call(e, [&] { (void)zl::atan(x); });
        break;
    case 9:
        f.call(e, [&] { (void)zl::tan(x); });
        break;
    case 10:
        f.call(e, [&] { (void)sin_single(s); });
        break;
    default:
        f.call(e, [&] { (void)cos_single(s); });
        break;
    }
}

// ---- texts ----------------------------------------------------------------------------------

std::string contents(const string_descriptor* text) {
    return text->length <= 0 ? std::string() : std::string(reinterpret_cast<const char*>(text->bytes),
                                                           static_cast<size_t>(text->length));
}

bool holds(const string_descriptor* text, const std::string& bytes) {
    return text->length == static_cast<int32_t>(bytes.size()) &&
           (bytes.empty() || std::memcmp(text->bytes, bytes.data(), bytes.size()) == 0);
}

void op_strings(Fuzz& f) {
    const std::string a = any_text(f.rng);
    const std::string b = any_text(f.rng);
    const int which = static_cast<int>(f.rng.below(9));
    describe(f, "#%d: texts of %zu and %zu", which, a.size(), b.size());
    Expect e;
    e.read_only = true;
    switch (which) {
    case 0: {
        const int32_t length = f.rng.between(-3, static_cast<int32_t>(a.size()));
        f.call(e, [&] {
            const string_descriptor* text = string_from_literal(a.data(), length);
            if (text->length != (length < 0 ? 0 : length)) f.fail("literal length");
        });
        break;
    }
    case 1:
        f.call(e, [&] {
            const string_descriptor* text = string_from_cstr(a.c_str());
            if (text->length != static_cast<int32_t>(std::strlen(a.c_str()))) f.fail("zero-terminated length");
        });
        break;
    case 2:
        f.call(e, [&] {
            string_descriptor* destination = f.variables[f.rng.below(static_cast<uint32_t>(f.variables.size()))];
            string_assign(destination, f.text_operand(a));
            if (!holds(destination, a)) f.fail("assigned text differs");
        });
        break;
    case 3:
        f.call(e, [&] {
            string_descriptor* first = f.text_operand(a);
            string_descriptor* second = f.text_operand(b);
            // Both may be the same variable, which then holds b.
            const std::string wanted = contents(first) + contents(second);
            const string_descriptor* joined = string_concat(first, second);
            if (!holds(joined, wanted)) f.fail("joined text differs");
        });
        break;
    case 4: {
        const int32_t code = f.rng.chance(2) ? f.rng.between(-2, 258) : any_int32(f.rng);
        describe(f, "#4: code %d", code);
        if (code < 0 || code > 255) e.code = kIllegal;
        // Made while an error is pending too.
        f.call(e, [&] {
            const string_descriptor* text = string_from_char_code(code);
            const int32_t wanted = e.code != 0 ? 0 : 1;
            if (text->length != wanted || (wanted == 1 && text->bytes[0] != static_cast<uint8_t>(code))) {
                f.fail("character text");
            }
        });
        break;
    }
    case 5:
        f.call(e, [&] {
            const std::string& other = f.rng.chance(2) ? a : b;
            const string_descriptor* first = f.text_operand(a);
            const string_descriptor* second = f.text_operand(other);
            const int32_t equal = string_equal(first, second);
            if (equal != (contents(first) == contents(second) ? -1 : 0)) f.fail("comparison");
        });
        break;
    case 6:
        f.call(e, [&] {
            string_descriptor* text = string_new(static_cast<uint32_t>(a.size()), f.rng.chance(2) ? 1 : 0);
            if (text->length != static_cast<int32_t>(a.size())) f.fail("new text length");
            if (!a.empty()) std::memcpy(text->bytes, a.data(), a.size());
            string_free(text);
            string_free(text);   // a second free of a given-back record is harmless
        });
        break;
    case 7: {
        const float value = any_float(f.rng);
        describe(f, "#7: %.9g", static_cast<double>(value));
        f.call(e, [&] {
            const string_descriptor* text = single_to_text(value);
            if (text->length < 2 || text->length > 13 || (text->bytes[0] != ' ' && text->bytes[0] != '-')) {
                f.fail("number text of " + std::to_string(text->length));
            }
        });
        break;
    }
    default: {
        const int32_t value = any_int32(f.rng);
        f.call(e, [&] {
            const uint32_t mark = temp_string_mark();
            string_temporary_copy(a.data(), static_cast<int32_t>(a.size()));
            if (free_temp_strings(mark, value) != value) f.fail("free_temp_strings changed its value");
            if (temp_string_mark() != mark) f.fail("temporary list not back at its mark");
        });
        break;
    }
    }
}

// ---- errors and statements ------------------------------------------------------------------

bool fatal_code(int32_t code) {
    return code == 11 || code == 256 || code == 257 || (code >= 259 && code <= 263) || code == 270 ||
           code == 271 || (code >= 502 && code <= 518);
}

void op_raise_error(Fuzz& f, ScriptedMessageBox&) {
    int32_t code = small_or_any(f.rng, -3, 600);
    while (fatal_code(code)) ++code;
    describe(f, "%d", code);
    Expect e;
    e.read_only = true;
    e.code = code <= 0 ? kIllegal : code;
    f.call(e, [&] { raise_error(code); });
}

void op_statement_hook(Fuzz& f, ScriptedMessageBox& boxes) {
    const int32_t line = small_or_any(f.rng, 0, 800);
    const uint32_t included = f.rng.chance(4) ? any_uint32(f.rng) : 0;
    const bool answer_no = f.rng.chance(4);
    describe(f, "%d, %u, %s", line, included, included != 0 ? "\"inc.bi\"" : "none");
    const int32_t pending = error_state.pending_error.load();
    boxes.shown.clear();
    boxes.answers.clear();
    boxes.answers.push_back(answer_no ? BoxAnswer::no : BoxAnswer::yes);
    Expect e;
    e.may_clear_pending = true;
    bool stopped = false;
    f.call(e, [&] {
        try {
            statement_hook(line, included, included != 0 ? "inc.bi" : nullptr);
        } catch (const ProgramStopped& stop) {
            stopped = stop.thread_stopped;
            if (!stopped) f.fail("ended the process instead of the program thread");
        }
    });
    if (pending == 0) {
        if (!boxes.shown.empty() || stopped) f.fail("a box with no error pending");
        return;
    }
    if (boxes.shown.size() != 1) f.fail("boxes shown: " + std::to_string(boxes.shown.size()));
    const ShownBox& box = boxes.shown[0];
    const unsigned shown_line = included != 0 ? included : static_cast<unsigned>(line);
    const std::string head = "Line: " + std::to_string(shown_line) + " (in " +
                             (included != 0 ? "inc.bi" : "main module") + ")\n";
    if (box.title != "Unhandled Error #" + std::to_string(pending) || box.buttons != BoxButtons::yes_no ||
        box.text.rfind(head, 0) != 0 || !box.text.ends_with("\nContinue?")) {
        f.fail("box \"" + box.title + "\": \"" + box.text + "\"");
    }
    if (answer_no != stopped) f.fail("the answer was not followed");
    if (!answer_no && error_is_pending()) f.fail("Yes left the error pending");
    error_state.pending_error.store(0);
}

void op_end_program(Fuzz& f) {
    describe(f, "with an exit request");
    run_requests.exit.store(true);
    bool stopped = false;
    f.call(Expect{}, [&] {
        try {
            end_program();
        } catch (const ProgramStopped& stop) {
            stopped = stop.thread_stopped;
        }
    });
    run_requests.exit.store(false);
    if (!stopped) f.fail("end_program did not stop the program thread");
}

void op_files_and_images(Fuzz& f) {
    const int32_t number = any_int32(f.rng);
    const int32_t presence = any_mask(f.rng, 1);
    describe(f, "%d, %d", number, presence);
    Expect e;
    e.read_only = true;
    f.call(e, [&] {
        close_files(number, presence);
        free_all_images();
    });
}

using Operation = void (*)(Fuzz&);

constexpr Operation kOperations[] = {
    op_set_screen_mode, op_clear_screen, op_set_colour, op_set_palette, op_set_cursor,
    op_cursor_row, op_screen_char_at, op_fit_text_on_line, op_print_string, op_line_end,
    op_set_window_title, op_set_fullscreen, op_draw_line, op_draw_line, op_set_pixel,
    op_point_colour, op_draw_circle, op_flood_fill, op_flood_fill, op_flood_fill_tiled,
    op_flood_fill_tiled, op_read_key, op_read_key_checked, op_timer_seconds, op_date_and_time,
    op_set_memory_segment, op_peek_byte, op_read_port, op_static_alloc, op_scope_lock,
    op_random_number, op_arithmetic, op_arithmetic, op_strings, op_strings, op_files_and_images,
};

void select_screen(Fuzz& f) {
    constexpr int32_t kUsed[] = {0, 1, 7, 12};
    constexpr int32_t kOthers[] = {2, 8, 9, 10, 11, 13};
    const int32_t mode = f.rng.below(10) < 8 ? kUsed[f.rng.below(4)] : kOthers[f.rng.below(6)];
    error_state.pending_error.store(0);
    f.name = "set_screen_mode";
    std::snprintf(f.args, sizeof f.args, "%d, 0, 0, 0, 0, 1 (screen for the next calls)", mode);
    f.call(Expect{}, [&] { set_screen_mode(mode, 0, 0, 0, 0, 1); });
}

const char* operation_name(Operation op) {
    struct Named {
        Operation op;
        const char* name;
    };
    static const Named kNames[] = {
        {op_set_screen_mode, "set_screen_mode"}, {op_clear_screen, "clear_screen"},
        {op_set_colour, "set_colour"}, {op_set_palette, "set_palette"}, {op_set_cursor, "set_cursor"},
        {op_cursor_row, "cursor_row"}, {op_screen_char_at, "screen_char_at"},
        {op_fit_text_on_line, "fit_text_on_line"}, {op_print_string, "print_string"},
        {op_line_end, "print_string"}, {op_set_window_title, "set_window_title"},
        {op_set_fullscreen, "set_fullscreen"}, {op_draw_line, "draw_line"}, {op_set_pixel, "set_pixel"},
        {op_point_colour, "point_colour"}, {op_draw_circle, "draw_circle"}, {op_flood_fill, "flood_fill"},
        {op_flood_fill_tiled, "flood_fill_tiled"}, {op_read_key, "read_key"},
        {op_read_key_checked, "read_key"}, {op_timer_seconds, "timer_seconds"},
        {op_date_and_time, "date_text/time_text"}, {op_set_memory_segment, "set_memory_segment"},
        {op_peek_byte, "peek_byte"}, {op_read_port, "read_port"}, {op_static_alloc, "static_alloc"},
        {op_scope_lock, "scope_lock_new/free"}, {op_random_number, "random_number"},
        {op_arithmetic, "arithmetic"}, {op_strings, "strings"}, {op_files_and_images, "close_files/free_all_images"},
    };
    for (const Named& named : kNames) {
        if (named.op == op) return named.name;
    }
    return "?";
}

// ---- the fatal paths, each on a fresh runtime -----------------------------------------------

struct FatalCase {
    const char* what;
    std::function<void()> run;
    std::string title;
};

int run_fatal_cases() {
    std::vector<FatalCase> cases;
    for (const int32_t code : {11, 256, 257, 259, 263, 270, 271, 502, 510, 518}) {
        const std::string title = code == 257 ? "Critical Error #1"
                                  : code >= 502 ? "Critical Error #" + std::to_string(code - 500)
                                                : "Critical Error";
        cases.push_back({"raise_error", [code] { raise_error(code); }, title});
    }
    cases.push_back({"string_new(2^31)", [] { string_new(0x80000000u, 0); }, "Critical Error #2"});
    cases.push_back({"string_new(2^32 - 1)", [] { string_new(0xFFFFFFFFu, 1); }, "Critical Error #2"});
    cases.push_back({"static_alloc(INT32_MAX)", [] { static_alloc(INT32_MAX); }, "Critical Error #4"});
    cases.push_back({"low-memory stack exhausted", [] {
                         for (;;) low_memory_stack_push(4);
                     }, "Critical Error #1"});
    int failures = 0;
    for (const FatalCase& fatal : cases) {
        HeadlessHost host;
        bool ended = false;
        try {
            fatal.run();
        } catch (const ProgramStopped& stop) {
            ended = !stop.thread_stopped && stop.exit_code == 0;
        }
        const bool boxed = host.boxes.shown.size() == 1 && host.boxes.shown[0].title == fatal.title &&
                           host.boxes.shown[0].buttons == BoxButtons::ok;
        if (!ended || !boxed) {
            std::fprintf(stderr, "FAIL fatal %s: ended=%d box=%s\n", fatal.what, ended,
                         host.boxes.shown.empty() ? "none" : host.boxes.shown[0].title.c_str());
            ++failures;
        }
    }
    // A floating-point exception signal is the fatal "Division by zero": exit code 0.
    std::fflush(nullptr);
    const pid_t child = fork();
    if (child == 0) {
        set_message_box_host(nullptr);
        set_program_control(nullptr);
        install_fpe_handler();
        std::raise(SIGFPE);
        _exit(99);
    }
    int status = 0;
    waitpid(child, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "FAIL SIGFPE: status %d\n", status);
        ++failures;
    }
    std::printf("fatal paths: %zu run, %d failed\n", cases.size() + 1, failures);
    return failures;
}

// The chain hand-over on random command lines, some naming a real hand-over file.
int run_chain_cases(Random& rng) {
    const std::filesystem::path home = std::filesystem::current_path();
    const std::filesystem::path work = std::filesystem::temp_directory_path() /
                                       ("zl-chain-" + std::to_string(getpid()));
    std::filesystem::create_directories(work);
    std::filesystem::current_path(work);
    int failures = 0;
    int runs = 0;
    for (int i = 0; i < 400; ++i, ++runs) {
        std::string name = "chain" + std::to_string(rng.between(100, 999)) + ".tmp";
        if (rng.chance(4)) name = any_text(rng).substr(0, 12);
        const bool tagged = !rng.chance(4);
        std::string argument = tagged ? "(unique-tag:=/@*$+-)" + name : any_text(rng);
        std::string first = any_text(rng);
        std::replace(first.begin(), first.end(), '\0', 'x');
        std::vector<std::string> words = {"zentrolux", first.substr(0, 40), argument};
        std::vector<char*> argv;
        for (std::string& word : words) argv.push_back(word.data());
        const bool file_made = tagged && name.size() == 12 && name.starts_with("chain") &&
                               name.ends_with(".tmp") && name.find('/') == std::string::npos;
        if (file_made) {
            std::ofstream file(name);
            file << (rng.chance(2) ? work.string() : any_text(rng)) << "\n" << any_text(rng) << "\n";
        }
        set_command_line(static_cast<int>(argv.size()), argv.data());
        const size_t length_before = std::strlen(command_line());
        chain_restore_at_start();
        std::filesystem::current_path(work);
        const size_t length_after = std::strlen(command_line());
        const bool handed_over = length_after != length_before;
        if (file_made && (std::filesystem::exists(name) || !handed_over ||
                          length_after + 32 + 1 != length_before)) {
            std::fprintf(stderr, "FAIL chain_restore_at_start with %s\n", name.c_str());
            ++failures;
        }
        std::error_code ignored;
        std::filesystem::remove(name, ignored);
    }
    std::filesystem::current_path(home);
    std::filesystem::remove_all(work);
    std::printf("chain hand-over: %d command lines, %d failed\n", runs, failures);
    return failures;
}

}  // namespace

int run(int argc, char** argv) {
    double seconds = 60;
    uint64_t max_calls = UINT64_MAX;
    uint64_t seed = 20261210;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string option = argv[i];
        if (option == "--seconds") seconds = std::atof(argv[i + 1]);
        else if (option == "--calls") max_calls = std::strtoull(argv[i + 1], nullptr, 10);
        else if (option == "--seed") seed = std::strtoull(argv[i + 1], nullptr, 10);
    }

    HeadlessHost host;
    Fuzz f(seed);
    for (int i = 0; i < 6; ++i) f.variables.push_back(string_new(0, 0));
    f.statement_mark = temp_string_mark();
    f.baseline_descriptors = string_store_stats().live_descriptors;

    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::duration<double>(seconds);
    while (f.calls < max_calls && Clock::now() < deadline) {
        select_screen(f);
        for (int i = 0; i < kCallsPerScreen && f.calls < max_calls; ++i) {
            // Leave an error pending now and then, so guarded calls meet one.
            if (f.rng.below(8) != 0) error_state.pending_error.store(0);
            const uint32_t pick = f.rng.below(1000);
            if (pick < 8) {
                f.name = "raise_error";
                op_raise_error(f, host.boxes);
            } else if (pick < 14) {
                f.name = "statement_hook";
                op_statement_hook(f, host.boxes);
            } else if (pick < 15) {
                f.name = "end_program";
                op_end_program(f);
            } else if (pick < 16) {
                f.name = "beep";
                op_beep(f);
            } else {
                const Operation op = kOperations[f.rng.below(std::size(kOperations))];
                f.name = operation_name(op);
                op(f);
            }
        }
    }
    std::printf("random-argument calls: %llu (%llu refused with the error they owe), seed %llu\n",
                static_cast<unsigned long long>(f.calls), static_cast<unsigned long long>(f.refusals),
                static_cast<unsigned long long>(seed));
    for (string_descriptor* variable : f.variables) string_free(variable);

    int failures = run_chain_cases(f.rng);
    failures += run_fatal_cases();
    return failures == 0 ? 0 : 1;
}

}  // namespace zl::gates

int main(int argc, char** argv) { return zl::gates::run(argc, argv); }
