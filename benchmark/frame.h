// The routine frame: entry and exit, the statement check, labels, counted loops, print lists,
// random integer draws and integer-argument passing. Every routine is written with these.
#pragma once

#include <bit>
#include <cmath>
#include <cstdint>
#include <initializer_list>
#include <limits>
#include <string_view>

#include "runtime/core/error_state.h"
#include "runtime/core/random.h"
#include "runtime/core/statement_hook.h"
#include "runtime/core/static_pool.h"
#include "runtime/core/strings.h"

namespace zl {

// Intermediates are extended precision: the processor's 64-bit mantissa, which the process
// set-up selects and every routine's expressions rely on.
using extended = long double;
static_assert(std::numeric_limits<extended>::digits == 64, "long double needs a 64-bit mantissa");

// a + b and a - b formed in extended precision, stored single.
inline float sum(float a, float b) {
    return static_cast<float>(static_cast<extended>(a) + static_cast<extended>(b));
}
inline float difference(float a, float b) {
    return static_cast<float>(static_cast<extended>(a) - static_cast<extended>(b));
}

// The check after every statement: one flag test while no event is pending.
inline void check(int32_t line) {
    if (error_state.event_pending.load(std::memory_order_relaxed) != 0) [[unlikely]] {
        statement_hook(line, 0, nullptr);
    }
}

// A label line: retry_statement back to 0, then its own check.
inline void label(int32_t line) {
    error_state.retry_statement.store(0, std::memory_order_relaxed);
    check(line);
}

// A conditional jump or statement is taken when its condition holds or an error is pending.
inline bool taken(bool condition) { return condition || error_is_pending(); }

// Integer arguments: the single widened, rounded ties to even, the low 32 bits passed.
inline int32_t to_int(float value) {
    return static_cast<int32_t>(round_to_int64(static_cast<extended>(value)));
}

// A random whole number below n (10, 100 or 1000): the product rounded to single, then floored.
inline float random_below(float n) {
    const float product = random_number(0.0f, 0) * n;
    return floor_single(product);
}

// One routine activation: saves the marks at entry, makes variables in listed order, takes the
// scope lock, and gives everything back at exit.
class Routine {
public:
    static constexpr int kMaxTexts = 16;   // the seven-character tile fill has nine

    Routine();
    ~Routine();
    Routine(const Routine&) = delete;
    Routine& operator=(const Routine&) = delete;

    float& make_single();
    double& make_double();
    // A text variable, empty; one more than kMaxTexts ends the run (fatal 503).
    string_descriptor*& make_text();
    // A single on the low-memory stack (4 bytes below its pointer); fatal 257 when exhausted.
    float& make_low_memory_single();

    // Takes the scope lock; false when an error is pending and the body must be skipped.
    bool enter();

    uint32_t mark() const { return mark_; }
    // The statement end for statements that made temporaries: free them, then the check.
    void end_statement(int32_t line) const {
        free_temp_strings(mark_, 0);
        check(line);
    }

private:
    uint32_t mark_;
    uint8_t* saved_pool_next_;
    int32_t saved_stack_pointer_;
    scope_lock* lock_ = nullptr;
    string_descriptor* texts_[kMaxTexts] = {};
    int text_count_ = 0;
};

// Whether a counted loop's body may write its counter. A body that never does (a repeated
// statement) lets the whole-number path below skip watching the counter's bits.
enum class CounterUse { written, left_alone };

// A counted loop over a single-precision counter with double start, limit and step:
//   for (CountedLoop loop(counter, 1, 1000, 1, line); loop.pass(); loop.step()) { ... }
// A whole-number loop whose values stay exact in single precision runs on an integer copy of
// its value while the body leaves the counter alone: counter + step is then that integer sum,
// whatever the precision, and the loop's bookkeeping stays off the body's critical path.
template <CounterUse kUse = CounterUse::written>
class CountedLoop {
public:
    CountedLoop(float& counter, double start, double limit, double step, int32_t line)
        : counter_(counter), value_(start), limit_(limit), step_(step), negative_(step < 0),
          skip_first_test_(error_is_pending()), line_(line) {
        whole_ = !skip_first_test_ && stays_whole(start, limit, step);
        if (whole_) {
            whole_value_ = static_cast<int32_t>(start);
            whole_step_ = static_cast<int32_t>(step);
            // The last whole value within the limit; the loop ends past it.
            const double last = negative_ ? std::ceil(limit) : std::floor(limit);
            whole_last_ =
                static_cast<int32_t>(std::fmax(std::fmin(last, kBeyondWhole), -kBeyondWhole));
        }
    }

    // Entry and exit test, then the loop line's check; false when the loop is left.
    bool pass() {
        if (whole_) [[likely]] {
            const float counter = static_cast<float>(whole_value_);
            counter_ = counter;
            if constexpr (kUse == CounterUse::written) {
                counter_bits_ = std::bit_cast<uint32_t>(counter);
            }
            if (negative_ ? whole_value_ < whole_last_ : whole_value_ > whole_last_) return false;
        } else if (skip_first_test_) {
            skip_first_test_ = false;
        } else {
            counter_ = static_cast<float>(value_);
            if (negative_ ? value_ < limit_ : value_ > limit_) return false;
        }
        check(line_);
        return true;
    }
    void step() {
        if (whole_) [[likely]] {
            if (kUse == CounterUse::left_alone ||
                std::bit_cast<uint32_t>(counter_) == counter_bits_) [[likely]] {
                whole_value_ += whole_step_;
                return;
            }
            whole_ = false;
        }
        value_ = static_cast<double>(static_cast<extended>(counter_) +
                                     static_cast<extended>(step_));
    }

private:
    static constexpr double kLargestExactWhole = 16777216;   // 2^24
    static constexpr double kBeyondWhole = 2 * kLargestExactWhole;
    // -0 is left to the general path, which keeps its sign in the counter.
    static bool is_small_whole(double x) {
        return x >= -kLargestExactWhole && x <= kLargestExactWhole &&
               static_cast<double>(static_cast<int32_t>(x)) == x && !(x == 0 && std::signbit(x));
    }
    // Every value the loop reaches, up to the first past its limit, is then exact in single.
    static bool stays_whole(double start, double limit, double step) {
        if (!is_small_whole(start) || !is_small_whole(step)) return false;
        return step < 0 ? limit + step >= -kLargestExactWhole : limit + step <= kLargestExactWhole;
    }

    float& counter_;
    double value_;
    double limit_;
    double step_;
    bool negative_;
    bool skip_first_test_;
    bool whole_ = false;
    int32_t whole_value_ = 0;
    int32_t whole_step_ = 0;
    int32_t whole_last_ = 0;
    uint32_t counter_bits_ = 0;
    int32_t line_;
};

// A counted loop from 1 to count of one statement and its check. Kept out of line, so the hot
// loop has the registers to itself instead of sharing them with the routine's other variables.
template <typename Statement>
[[gnu::noinline]] void repeat_statement(float& counter, double count, int32_t loop_line,
                                        int32_t statement_line, Statement statement) {
    for (CountedLoop<CounterUse::left_alone> loop(counter, 1.0, count, 1.0, loop_line);
         loop.pass(); loop.step()) {
        statement();
        check(statement_line);
    }
}

// An item of a print list: a literal, or a number printed as its number text and one blank.
// A number whose evaluation calls the runtime (and may raise an error) is given as a callable,
// so it is formed in its turn: after the earlier items are printed and after its blank.
struct PrintItem {
    const char* bytes = nullptr;
    int32_t length = 0;
    float number = 0;
    bool is_number = false;
    const void* context = nullptr;
    float (*evaluate)(const void* context) = nullptr;
};

inline PrintItem literal(std::string_view text) {
    return PrintItem{text.data(), static_cast<int32_t>(text.size()), 0, false};
}
inline PrintItem number(float value) { return PrintItem{nullptr, 0, value, true}; }

// The callable lives until the end of the print statement's full expression.
template <typename Evaluate>
PrintItem number_of(const Evaluate& evaluate) {
    PrintItem item{nullptr, 0, 0, true};
    item.context = &evaluate;
    item.evaluate = [](const void* context) {
        return static_cast<float>((*static_cast<const Evaluate*>(context))());
    };
    return item;
}

enum class LineEnd { no, yes };

// A print statement: its items, an optional line end, the temporaries freed and the check.
// An empty list with LineEnd::yes only ends the line.
void print_list(const Routine& routine, std::initializer_list<PrintItem> items, LineEnd line_end,
                int32_t line);

// A print statement of one item, the one-character text of a character code (a whole single).
void print_char_code(const Routine& routine, float code, LineEnd line_end, int32_t line);

}  // namespace zl
