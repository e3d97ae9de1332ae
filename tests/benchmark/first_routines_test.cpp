// The first three routines of the main sequence, run whole on the headless runtime.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "benchmark/frame.h"
#include "benchmark/routines.h"
#include "routine_probe.h"
#include "runtime/core/error_state.h"
#include "runtime/core/random.h"
#include "runtime/core/static_pool.h"
#include "runtime/host/headless/headless_host.h"
#include "runtime/machine/key_ring.h"
#include "runtime/machine/low_memory.h"
#include "runtime/machine/ports.h"
#include "runtime/screen/screen_page.h"
#include "runtime/screen/text_output.h"

namespace zl {
namespace {

constexpr uint32_t kSeedAfterFloatMath = 12046592;   // 4,000,000 steps from the start state
constexpr uint32_t kSeedAfterTextChars = 1765108;

using SequenceModel = probe::Sequence;

// A routine's variables stay readable in the static pool after it returns; each takes 8 bytes.
template <typename T>
T pool_variable(int index) {
    T value;
    std::memcpy(&value, static_pool.next + 8 * index, sizeof value);
    return value;
}

std::string row_text(int row, int first_column, int length) {
    const screen_page& page = *display_page;
    std::string text;
    for (int column = first_column; column < first_column + length; ++column) {
        text += static_cast<char>(page.pixels[((row - 1) * page.width + (column - 1)) * 2]);
    }
    return text;
}

uint8_t attribute_at(int row, int column) {
    const screen_page& page = *display_page;
    return page.pixels[((row - 1) * page.width + (column - 1)) * 2 + 1];
}

class FirstRoutinesTest : public ::testing::Test {
protected:
    HeadlessHost host;
};

TEST_F(FirstRoutinesTest, SequenceDrawsTheNamedIntegersFromTheStartState) {
    EXPECT_EQ(random_below(1000.0f), 705.0f);
    EXPECT_EQ(random_below(1000.0f), 533.0f);
    EXPECT_EQ(random_below(1000.0f), 579.0f);
    SequenceModel model;
    for (int i = 0; i < 3999999; ++i) model.next();
    random_seed = model.state;
    EXPECT_EQ(random_below(1000.0f), 718.0f);
    EXPECT_EQ(random_seed, kSeedAfterFloatMath);
}

TEST_F(FirstRoutinesTest, FloatMathEndsEveryPassAtOneAndDrawsFourMillionTimes) {
    test_float_math();
    EXPECT_EQ(error_state.pending_error.load(), 0);
    EXPECT_EQ(random_seed, kSeedAfterFloatMath);
    EXPECT_EQ(pool_variable<double>(0), 1.0);        // accumulator
    EXPECT_EQ(pool_variable<float>(1), 4000001.0f);  // pass counter, one past the limit
    // The scratch holds the single square of the last pass's sum (drawn integer 718).
    const long double sum = ((718.0L + static_cast<long double>(3.1415926)) +
                             static_cast<long double>(2.71828182845905)) + 2.0L;
    const long double stored = static_cast<double>(sum);
    EXPECT_EQ(pool_variable<float>(2), static_cast<float>(stored * stored));

    EXPECT_EQ(row_text(10, 30, 16), "Progress:  0    ");
    EXPECT_EQ(attribute_at(10, 30) & 0x0F, 2);
    EXPECT_EQ(row_text(9, 1, 80), std::string(80, ' '));
    EXPECT_EQ(cursor_row(), 11);
    EXPECT_EQ(write_page->cursor_column, 1);
}

// The accumulator and the scratch after each statement of the first pass (drawn integer 705),
// worked out here in extended precision and rounded where each is stored.
TEST_F(FirstRoutinesTest, FloatMathChainOfTheFirstPassInExtendedPrecision) {
    using ext = long double;
    const double sum =
        static_cast<double>(((705.0L + ext{3.1415926}) + ext{2.71828182845905}) + 2.0L);
    const double same = static_cast<double>((ext{sum} + ext{sum}) - ext{sum});
    const float plus_quotient = static_cast<float>(ext{same} + 10.0L / ext{same});
    const float square_single = static_cast<float>(ext{same} * ext{same});
    const double square = static_cast<double>(ext{same} * ext{same});
    const double sine = std::sin(square);
    const double cosine = std::cos(sine);
    const double arctangent = std::atan(cosine);
    const double tangent = std::tan(arctangent);
    const double exponential = static_cast<double>(std::exp(ext{tangent}));
    const double logarithm = std::log(exponential);
    struct After {
        int32_t line;
        double accumulator;
        float scratch;
    };
    const After expected[] = {
        {104, sum, 0.0f},
        {105, same, 0.0f},
        {106, same, plus_quotient},
        {107, same, square_single},
        {108, square, square_single},
        {109, sine, square_single},
        {110, cosine, square_single},
        {111, arctangent, square_single},
        {112, tangent, square_single},
        {113, exponential, square_single},
        {114, logarithm, square_single},
        {115, 1.0, square_single},
    };
    // Double arithmetic would already leave the first sum a bit lower.
    ASSERT_NE(sum, ((705.0 + 3.1415926) + 2.71828182845905) + 2.0);

    std::map<int32_t, After> seen;   // the last check of each line
    const probe::Variables vars;
    probe::StatementProbe watch([&](int32_t line) {
        if (line >= 104 && line <= 115) {
            seen[line] = {line, vars.double_precision(0), vars.single(2)};
        }
        if (line == 115) throw probe::Stop{};
    });
    ASSERT_FALSE(probe::StatementProbe::run(test_float_math));

    for (const After& row : expected) {
        ASSERT_EQ(seen.count(row.line), 1u) << "line " << row.line;
        EXPECT_EQ(seen[row.line].accumulator, row.accumulator) << "line " << row.line;
        EXPECT_EQ(seen[row.line].scratch, row.scratch) << "line " << row.line;
    }
}

TEST_F(FirstRoutinesTest, MemoryAndPortsScansEverySegmentAndLeavesTheKeyRingAlone) {
    push_key('a', 0x1E);
    push_scan_code(0x1E);
    push_scan_code(0x9E);
    set_retrace(true, false);
    // The last byte read (segment 65521, offset 1024); port 1024, read before it, gives 0.
    constexpr uint32_t kLastByteRead = 65521 * 16 + 1024;
    low_memory[kLastByteRead] = 0xA5;
    const int32_t stack_pointer = low_memory_stack.pointer;
    const uint32_t seed = random_seed;

    test_memory_and_ports();

    EXPECT_EQ(error_state.pending_error.load(), 0);
    EXPECT_EQ(random_seed, seed);
    EXPECT_EQ(pool_variable<float>(0), 65537.0f);   // segment counter
    EXPECT_EQ(pool_variable<float>(1), 1025.0f);    // offset counter
    EXPECT_EQ(pool_variable<float>(2), 65516.0f);   // address value: the variable's offset
    EXPECT_EQ(low_memory_stack.pointer, stack_pointer);
    EXPECT_EQ(stack_pointer - 4, 65516);
    // The low-memory variable holds the last byte read.
    float variable;
    std::memcpy(&variable, low_memory + kDefaultDataBase + 65516, sizeof variable);
    EXPECT_EQ(variable, 165.0f);
    EXPECT_EQ(selected_segment, low_memory + 65521 * 16);

    EXPECT_EQ(row_text(10, 30, 16), "Progress:  14   ");
    EXPECT_EQ(attribute_at(10, 30) & 0x0F, 3);
    EXPECT_EQ(cursor_row(), 11);

    EXPECT_EQ(read_port(kPortInputStatus), 0);    // the latch was cleared by the scan
    EXPECT_EQ(read_port(kPortKeyboardData), 0x9E);   // drained: the last byte again
    EXPECT_EQ(read_port(kPortKeyboardData), 0x9E);
    EXPECT_EQ(key_ring_count(), 1);
    string_descriptor* key = read_key();
    ASSERT_EQ(key->length, 1);
    EXPECT_EQ(key->bytes[0], 'a');
}

TEST_F(FirstRoutinesTest, MemoryAndPortsStepsThePaletteReadPosition) {
    ASSERT_NE(write_page->palette, nullptr);
    write_page->palette[85] = 0xFF00FFAAu;   // red 0, green 255, blue 170
    write_page->palette[86] = 0xFF040000u;   // red 4
    test_memory_and_ports();
    // 16,384 reads of the palette port: 5,461 whole entries, then the red of entry 85.
    EXPECT_EQ(read_port(kPortPaletteData), 63);   // 255 / 3.984376 - 0.49999991 stays below 63.5
    EXPECT_EQ(read_port(kPortPaletteData), 42);
    EXPECT_EQ(read_port(kPortPaletteData), 1);
}

TEST_F(FirstRoutinesTest, TextCharsMatchesTheModelOfItsDraws) {
    random_seed = kSeedAfterFloatMath;
    SequenceModel model{kSeedAfterFloatMath, 0};
    struct Printed {
        int code, colour, row, column;
        int64_t draw;
    };
    std::vector<Printed> printed;
    std::vector<int> codes(25 * 80, -1), colours(25 * 80, -1);
    for (int pass = 0; pass < 100000; ++pass) {
        for (;;) {
            const float colour = model.below(100), column = model.below(100), row = model.below(100);
            if (column > 79 || row > 23 || column == 0 || row == 0) continue;
            if (colour > 15 || colour == 0) continue;
            const float code = model.below(1000);
            if (code < 33 || code > 255) continue;
            const Printed p{int(code), int(colour), int(row), int(column), model.draws};
            if (printed.size() < 3) printed.push_back(p);
            codes[(p.row - 1) * 80 + p.column - 1] = p.code;
            colours[(p.row - 1) * 80 + p.column - 1] = p.colour;
            if (pass == 99999) printed.push_back(p);
            break;
        }
    }
    ASSERT_EQ(model.draws, 49686196);
    ASSERT_EQ(model.state, kSeedAfterTextChars);
    const Printed named[] = {{183, 9, 23, 29, 832}, {143, 3, 13, 13, 998}, {175, 14, 13, 21, 1247}};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(printed[i].code, named[i].code);
        EXPECT_EQ(printed[i].colour, named[i].colour);
        EXPECT_EQ(printed[i].row, named[i].row);
        EXPECT_EQ(printed[i].column, named[i].column);
        EXPECT_EQ(printed[i].draw, named[i].draw);
    }

    test_text_chars_screen0();

    EXPECT_EQ(error_state.pending_error.load(), 0);
    EXPECT_EQ(random_seed, kSeedAfterTextChars);
    const uint8_t blank_attribute = attribute_at(25, 80);
    int mismatches = 0;
    for (int row = 1; row <= 25; ++row) {
        for (int column = 1; column <= 80; ++column) {
            const int i = (row - 1) * 80 + column - 1;
            const int code = codes[i] < 0 ? ' ' : codes[i];
            const int attribute = colours[i] < 0 ? blank_attribute : colours[i];
            const uint8_t* cell = display_page->pixels + i * 2;
            if (cell[0] != code || cell[1] != attribute) ++mismatches;
        }
    }
    EXPECT_EQ(mismatches, 0);
    const Printed& last = printed.back();
    EXPECT_EQ(pool_variable<float>(0), 100001.0f);                  // pass counter
    EXPECT_EQ(pool_variable<float>(4), float(last.row + 1));        // code: the cursor row
    EXPECT_EQ(pool_variable<float>(5), float(last.code));           // read-back value
    EXPECT_EQ(cursor_row(), last.row + 1);
    EXPECT_EQ(write_page->cursor_column, 1);
    EXPECT_EQ(write_page->foreground, uint32_t(last.colour));
}

// Entered with an error pending, a routine selects, clears, prints, reads and draws nothing.
TEST_F(FirstRoutinesTest, PendingErrorAtEntrySkipsEveryBody) {
    for (const char* name : {"test_float_math", "test_memory_and_ports", "test_text_chars_screen0"}) {
        SCOPED_TRACE(name);
        set_cursor(5, 7, 0, 0, 0, 3);
        print_string(string_from_cstr("mark"), 0);
        const std::vector<uint8_t> before(display_page->pixels, display_page->pixels + 80 * 25 * 2);
        const uint32_t seed = random_seed;
        uint8_t* const segment = selected_segment;
        raise_error(kErrorOverflow);
        find_routine(name)->run();
        EXPECT_EQ(std::vector<uint8_t>(display_page->pixels, display_page->pixels + 80 * 25 * 2),
                  before);
        EXPECT_EQ(random_seed, seed);
        EXPECT_EQ(selected_segment, segment);
        EXPECT_EQ(cursor_row(), 5);
        error_state.pending_error = 0;
        error_state.event_pending = 0;
    }
}

}  // namespace
}  // namespace zl
