// Under AddressSanitizer the string store's slab bytes that no text owns are poisoned, so the
// sanitizer build reports a use of a freed text, or a write past a text's block into free room,
// as it does for malloc's blocks. Without this a text's block was ordinary slab memory to the
// sanitizer: such a write went unreported. In builds without the sanitizer these tests skip.
#include <gtest/gtest.h>

#include <sanitizer/asan_interface.h>

#include "runtime/core/strings.h"
#include "runtime/host/headless/headless_host.h"

#if defined(__SANITIZE_ADDRESS__)
#define ZL_TEST_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define ZL_TEST_ASAN 1
#endif
#endif

namespace zl {
namespace {

class StringPoisoningTest : public ::testing::Test {
protected:
    void SetUp() override {
#ifndef ZL_TEST_ASAN
        GTEST_SKIP() << "not an AddressSanitizer build";
#endif
    }
    HeadlessHost host;
};

#ifdef ZL_TEST_ASAN
bool poisoned(const void* address) { return __asan_address_is_poisoned(address) != 0; }
#else
bool poisoned(const void*) { return false; }
#endif

TEST_F(StringPoisoningTest, AFreedTextsBytesArePoisonedUntilTheBlockIsTakenAgain) {
    string_descriptor* text = string_new(10, 0);
    uint8_t* const bytes = text->bytes;
    const int32_t capacity = text->capacity;
    ASSERT_EQ(capacity, 16);
    EXPECT_FALSE(poisoned(bytes));
    EXPECT_FALSE(poisoned(bytes + capacity - 1));
    string_free(text);
    EXPECT_TRUE(poisoned(bytes));
    EXPECT_TRUE(poisoned(bytes + capacity - 1));
    // The same size class takes the block back, whole and usable.
    string_descriptor* again = string_new(16, 0);
    ASSERT_EQ(again->bytes, bytes);
    EXPECT_FALSE(poisoned(bytes));
    EXPECT_FALSE(poisoned(bytes + capacity - 1));
    string_free(again);
}

TEST_F(StringPoisoningTest, TheSlabBeyondTheLastBlockIsPoisoned) {
    string_descriptor* text = string_new(32, 0);
    ASSERT_EQ(text->capacity, 32);
    EXPECT_FALSE(poisoned(text->bytes + 31));
    EXPECT_TRUE(poisoned(text->bytes + 32));   // not carved yet: the first byte past the block
    string_free(text);
}

TEST_F(StringPoisoningTest, AWriteIntoAFreedTextIsReported) {
    string_descriptor* text = string_new(8, 0);
    uint8_t* const bytes = text->bytes;
    string_free(text);
    EXPECT_DEATH(bytes[3] = 'x', "AddressSanitizer: use-after-poison");
}

TEST_F(StringPoisoningTest, ResetGivesBackPoisonedSlabsCleanly) {
    string_new(100, 0);
    string_descriptor* freed = string_new(40, 0);
    string_free(freed);
    reset_string_store();
    EXPECT_EQ(string_store_stats().live_blocks, 0);
    string_descriptor* text = string_new(5, 0);
    EXPECT_FALSE(poisoned(text->bytes));
    string_free(text);
}

}  // namespace
}  // namespace zl
