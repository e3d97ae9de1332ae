#include "runtime/core/strings.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "runtime/core/error_state.h"
#include "runtime/core/number_text.h"
#include "runtime/host/headless/headless_host.h"

namespace zl {
namespace {

std::string bytes_of(const string_descriptor* text) {
    return std::string(reinterpret_cast<const char*>(text->bytes), static_cast<size_t>(text->length));
}

class StringsTest : public ::testing::Test {
protected:
    HeadlessHost host;
    int64_t live() const { return string_store_stats().live_descriptors; }
    uint32_t temporaries() const { return string_store_stats().temporaries; }
};

TEST_F(StringsTest, LiteralsAndCTextsReferToTheirBytesAsReadOnlyTemporaries) {
    static const char kWords[] = "Progress: ";
    string_descriptor* literal = string_from_literal(kWords, 10);
    EXPECT_EQ(literal->bytes, reinterpret_cast<const uint8_t*>(kWords));
    EXPECT_EQ(literal->length, 10);
    EXPECT_EQ(literal->flags, kStringTemporary | kStringReadOnly);
    string_descriptor* blank = string_from_cstr(" ");
    EXPECT_EQ(blank->length, 1);
    EXPECT_EQ(string_from_cstr(nullptr)->length, 0);
    EXPECT_EQ(temporaries(), 3u);
    free_temp_strings(0, 0);
    EXPECT_EQ(live(), 0);
    EXPECT_EQ(std::string(kWords), "Progress: ");   // read-only bytes are never given back
}

TEST_F(StringsTest, AssignCopiesAndConsumesATemporarySource) {
    string_descriptor* variable = string_new(0, 0);
    EXPECT_EQ(variable->flags, 0);
    string_assign(variable, string_from_literal("abc", 3));
    EXPECT_EQ(bytes_of(variable), "abc");
    EXPECT_EQ(temporaries(), 0u);
    EXPECT_EQ(live(), 1);
    // A store-owned temporary hands its storage over.
    string_descriptor* made = string_temporary_copy("wxyz", 4);
    const uint8_t* storage = made->bytes;
    string_assign(variable, made);
    EXPECT_EQ(variable->bytes, storage);
    EXPECT_EQ(bytes_of(variable), "wxyz");
    EXPECT_EQ(live(), 1);
    // A variable source is copied and left alone.
    string_descriptor* other = string_new(0, 0);
    string_assign(other, variable);
    EXPECT_NE(other->bytes, variable->bytes);
    EXPECT_EQ(bytes_of(other), "wxyz");
    EXPECT_EQ(live(), 2);
    string_free(other);
    string_free(variable);
    EXPECT_EQ(string_store_stats().live_blocks, 0);
}

TEST_F(StringsTest, FixedLengthDestinationIsCutOrPadded) {
    uint8_t field[5] = {};
    string_descriptor fixed;
    fixed.bytes = field;
    fixed.length = 5;
    fixed.flags = kStringFixedLength;
    string_assign(&fixed, string_from_literal("ab", 2));
    EXPECT_EQ(std::string(reinterpret_cast<char*>(field), 5), "ab   ");
    string_assign(&fixed, string_from_literal("abcdefgh", 8));
    EXPECT_EQ(std::string(reinterpret_cast<char*>(field), 5), "abcde");
    EXPECT_EQ(fixed.length, 5);
    EXPECT_EQ(temporaries(), 0u);
}

TEST_F(StringsTest, ConcatReturnsAnOperandWhenTheOtherIsEmpty) {
    string_descriptor* a = string_from_literal("a", 1);
    string_descriptor* empty = string_new(0, 1);
    EXPECT_EQ(string_concat(a, empty), a);
    EXPECT_EQ(string_concat(empty, a), a);
    EXPECT_EQ(temporaries(), 2u);   // nothing was freed
}

TEST_F(StringsTest, ConcatJoinsIntoANewTemporaryAndFreesOnlyTemporaryOperands) {
    string_descriptor* variable = string_new(0, 0);
    string_assign(variable, string_from_literal("12", 2));
    string_descriptor* joined = string_concat(variable, string_from_cstr(" "));
    EXPECT_EQ(bytes_of(joined), "12 ");
    EXPECT_EQ(joined->flags, kStringTemporary);
    EXPECT_EQ(temporaries(), 1u);
    EXPECT_EQ(bytes_of(variable), "12");
    string_descriptor* number = string_concat(single_to_text(7.0f), string_from_cstr(" "));
    EXPECT_EQ(bytes_of(number), " 7 ");
    EXPECT_EQ(temporaries(), 2u);
    free_temp_strings(0, 0);
    string_free(variable);
    EXPECT_EQ(live(), 0);
}

TEST_F(StringsTest, LongTextsBeyondTheSizeClassesJoinAndFree) {
    const std::string long_text(5000, 'x');
    string_descriptor* big = string_temporary_copy(long_text.data(), 5000);
    string_descriptor* joined = string_concat(big, string_temporary_copy(long_text.data(), 5000));
    EXPECT_EQ(joined->length, 10000);
    EXPECT_EQ(joined->bytes[9999], 'x');
    free_temp_strings(0, 0);
    EXPECT_EQ(string_store_stats().live_blocks, 0);
}

TEST_F(StringsTest, CharCodeGivesOneByteOrAnEmptyTextWithError5) {
    string_descriptor* zero = string_from_char_code(0);
    ASSERT_EQ(zero->length, 1);
    EXPECT_EQ(zero->bytes[0], 0);
    EXPECT_EQ(string_from_char_code(255)->bytes[0], 255);
    EXPECT_EQ(error_state.pending_error.load(), 0);
    for (const int32_t code : {256, -1}) {
        error_state.pending_error = 0;
        string_descriptor* empty = string_from_char_code(code);
        EXPECT_EQ(empty->length, 0) << code;
        EXPECT_NE(empty->flags & kStringTemporary, 0);
        EXPECT_EQ(error_state.pending_error.load(), kErrorIllegalFunctionCall);
    }
    // No pending-error test: the text is made while an error is pending.
    EXPECT_EQ(string_from_char_code(65)->bytes[0], 'A');
}

TEST_F(StringsTest, EqualComparesLengthAndBytesAndFreesNothing) {
    string_descriptor* abc = string_from_literal("abc", 3);
    EXPECT_EQ(string_equal(abc, string_from_literal("abc", 3)), -1);
    EXPECT_EQ(string_equal(abc, string_from_literal("abd", 3)), 0);
    EXPECT_EQ(string_equal(abc, string_from_literal("ab", 2)), 0);
    EXPECT_EQ(string_equal(string_new(0, 1), string_from_literal("", 0)), -1);
    EXPECT_EQ(temporaries(), 6u);
    EXPECT_EQ(free_temp_strings(0, -1), -1);
    EXPECT_EQ(temporaries(), 0u);
}

TEST_F(StringsTest, FreeTempStringsFreesOnlyWhatCameAfterTheMark) {
    string_descriptor* before = string_from_literal("a", 1);
    const uint32_t mark = temp_string_mark();
    string_from_literal("b", 1);
    string_descriptor* consumed = string_from_literal("c", 1);
    string_from_char_code(66);
    string_free(consumed);   // leaves an empty slot that the step down passes over
    EXPECT_EQ(temp_string_mark(), mark + 3);
    EXPECT_EQ(free_temp_strings(mark, 42), 42);
    EXPECT_EQ(temp_string_mark(), mark);
    EXPECT_EQ(temporaries(), 1u);
    EXPECT_EQ(bytes_of(before), "a");
    EXPECT_EQ(free_temp_strings(mark, 7), 7);   // nothing left to free
}

TEST_F(StringsTest, FreeingTwiceOrNullIsHarmless) {
    string_descriptor* text = string_new(3, 0);
    string_free(text);
    string_free(text);
    string_free(nullptr);
    string_descriptor* a = string_new(0, 0);
    string_descriptor* b = string_new(0, 0);
    EXPECT_NE(a, b);
    EXPECT_EQ(live(), 2);
}

TEST_F(StringsTest, ALengthBeyondTheStoreIsTheFatalOutOfMemory) {
    try {
        string_new(0x80000000u, 0);
        ADD_FAILURE() << "returned";
    } catch (const ProgramStopped& stopped) {
        EXPECT_EQ(stopped.exit_code, 0);
    }
    ASSERT_EQ(host.boxes.shown.size(), 1u);
    EXPECT_EQ(host.boxes.shown[0].title, "Critical Error #2");
    EXPECT_EQ(host.boxes.shown[0].text, "Out of memory");
}

TEST_F(StringsTest, AMillionPrintStatementsLeaveNothingBehind) {
    const uint32_t mark = temp_string_mark();
    string_descriptor* counter = string_new(0, 0);
    const StringStoreStats before = string_store_stats();
    for (int statement = 0; statement < 1000000; ++statement) {
        string_descriptor* work = string_new(0, 0);
        string_assign(work, string_from_literal("Progress: ", 10));
        string_assign(work, string_concat(single_to_text(static_cast<float>(statement)),
                                          string_from_cstr(" ")));
        string_assign(counter, string_from_char_code(statement & 255));
        string_equal(counter, string_from_literal("x", 1));
        string_free(work);
        free_temp_strings(mark, 0);
    }
    const StringStoreStats after = string_store_stats();
    EXPECT_EQ(after.live_descriptors, before.live_descriptors);
    EXPECT_EQ(after.live_blocks, before.live_blocks + 1);   // the counter's one byte
    EXPECT_EQ(after.temporaries, 0u);
    EXPECT_EQ(temp_string_mark(), mark);
}

}  // namespace
}  // namespace zl
