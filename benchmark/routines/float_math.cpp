// The double-precision arithmetic test: four million passes of a progress print, one random
// draw and a fixed chain through the transcendental functions. The chain's results are never
// used; its time is what counts, so every operation runs in every pass.
#include "benchmark/frame.h"
#include "benchmark/routines.h"
#include "runtime/core/arithmetic.h"
#include "runtime/screen/text_output.h"

namespace zl {

namespace {

constexpr float kPasses = 4000000.0f;         // minuend of the progress count
constexpr float kDrawScale = 1000.0f;
constexpr double kFirstAddend = 3.1415926;
constexpr double kSecondAddend = 2.71828182845905;   // not the double nearest to e
constexpr double kThirdAddend = 2.0;
constexpr double kDividend = 10.0;
constexpr extended kSquareExponent = 2.0L;

}  // namespace

void test_float_math() {
    Routine routine;
    double& accumulator = routine.make_double();
    float& pass_counter = routine.make_single();
    float& scratch = routine.make_single();
    if (!routine.enter()) return;

    check(100);
    clear_screen(0, 0, 0);
    check(101);
    set_colour(2, 0, 0, 1);
    check(101);
    for (CountedLoop loop(pass_counter, 1.0, 4000000.0, 1.0, 102); loop.pass(); loop.step()) {
        set_cursor(10, 30, 0, 0, 0, 3);
        check(103);
        const float remaining = difference(kPasses, pass_counter);
        print_list(routine, {literal("Progress: "), number(remaining)}, LineEnd::yes, 103);

        const extended drawn = random_below(kDrawScale);
        accumulator = static_cast<double>(((drawn + static_cast<extended>(kFirstAddend)) +
                                           static_cast<extended>(kSecondAddend)) +
                                          static_cast<extended>(kThirdAddend));
        check(104);
        const extended a = accumulator;
        accumulator = static_cast<double>((a + a) - a);
        check(105);
        if (taken(accumulator != 0.0)) {
            check(106);
            const extended b = accumulator;
            scratch = static_cast<float>(b + static_cast<extended>(kDividend) / b);
            check(106);
        }
        const extended c = accumulator;
        scratch = static_cast<float>(c * c);
        check(107);
        accumulator = static_cast<double>(exponentiate(accumulator, kSquareExponent));
        check(108);
        accumulator = zl::sin(accumulator);
        check(109);
        accumulator = zl::cos(accumulator);
        check(110);
        accumulator = zl::atan(accumulator);
        check(111);
        accumulator = zl::tan(accumulator);
        check(112);
        accumulator = static_cast<double>(exp_extended(accumulator));
        check(113);
        accumulator = natural_log(accumulator);
        check(114);
        accumulator = static_cast<double>(sign_of_double(accumulator));
        check(115);
    }
}

}  // namespace zl
