// The keyboard ring in low memory and read_key.
#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "machine_test_support.h"
#include "runtime/host/headless/headless_host.h"
#include "runtime/machine/key_ring.h"
#include "runtime/machine/low_memory.h"

namespace zl {
namespace {

using test::take_text;

uint16_t word_at(uint32_t address) {
    return static_cast<uint16_t>(low_memory[address] | (low_memory[address + 1] << 8));
}

class KeyRingTest : public ::testing::Test {
protected:
    HeadlessHost host;
};

TEST_F(KeyRingTest, StartsEmptyWithBiosOffsets) {
    EXPECT_EQ(word_at(kKeyRingHead), 30);
    EXPECT_EQ(word_at(kKeyRingTail), 30);
    EXPECT_EQ(key_ring_count(), 0);
    EXPECT_EQ(take_text(read_key()), "");
}

TEST_F(KeyRingTest, KeysLiveInTheBiosSlots) {
    ASSERT_TRUE(push_key('a', 0x1E));
    EXPECT_EQ(low_memory[0x41E], 'a');
    EXPECT_EQ(low_memory[0x41F], 0x1E);
    EXPECT_EQ(word_at(kKeyRingTail), 32);
    EXPECT_EQ(take_text(read_key()), "a");
    EXPECT_EQ(word_at(kKeyRingHead), 32);
}

TEST_F(KeyRingTest, FifteenKeysFitAndTheSixteenthIsDropped) {
    for (int i = 0; i < kKeyRingCapacity; ++i) {
        EXPECT_TRUE(push_key(static_cast<uint8_t>('A' + i), static_cast<uint8_t>(i + 1))) << i;
    }
    EXPECT_FALSE(push_key('!', 0x02));
    EXPECT_EQ(key_ring_count(), 15);
    for (int i = 0; i < kKeyRingCapacity; ++i) {
        EXPECT_EQ(take_text(read_key()), std::string(1, static_cast<char>('A' + i)));
    }
    EXPECT_EQ(take_text(read_key()), "");
}

TEST_F(KeyRingTest, WrapsFromSixtyBackToThirty) {
    // Ten keys in and out put head and tail at 50; the next fifteen cross the end of the ring.
    for (int i = 0; i < 10; ++i) {
        ASSERT_TRUE(push_key('x', 0x2D));
        take_text(read_key());
    }
    EXPECT_EQ(word_at(kKeyRingHead), 50);
    for (int i = 0; i < kKeyRingCapacity; ++i) ASSERT_TRUE(push_key(static_cast<uint8_t>('a' + i), 0));
    EXPECT_FALSE(push_key('z', 0));
    EXPECT_EQ(word_at(kKeyRingTail), 48);   // 50 + 15 × 2 wrapped into 30..60
    for (int i = 0; i < kKeyRingCapacity; ++i) {
        EXPECT_EQ(take_text(read_key()), std::string(1, static_cast<char>('a' + i)));
    }
    EXPECT_EQ(key_ring_count(), 0);
    EXPECT_EQ(word_at(kKeyRingHead), 48);
}

TEST_F(KeyRingTest, KeyTexts) {
    push_key(0, 0x48);      // extended: up arrow
    push_key('q', 0x10);
    push_key(0, 0);         // both zero: one zero byte
    push_key(0xE0, 0x48);   // a non-zero character wins over the scan code
    EXPECT_EQ(take_text(read_key()), std::string("\0\x48", 2));
    EXPECT_EQ(take_text(read_key()), "q");
    EXPECT_EQ(take_text(read_key()), std::string(1, '\0'));
    EXPECT_EQ(take_text(read_key()), "\xE0");
}

TEST_F(KeyRingTest, PendingErrorGivesEmptyTextAndKeepsTheKey) {
    push_key('k', 0x25);
    raise_error(kErrorIllegalFunctionCall);
    string_descriptor* text = read_key();
    EXPECT_EQ(text->length, 0);
    EXPECT_NE(text->flags & kStringTemporary, 0);
    take_text(text);
    EXPECT_EQ(key_ring_count(), 1);
    test::clear_pending_error();
    EXPECT_EQ(take_text(read_key()), "k");
}

TEST_F(KeyRingTest, WindowThreadPushesWhileProgramThreadReads) {
    constexpr int kKeys = 20000;
    std::thread window([] {
        for (int i = 0; i < kKeys; ++i) {
            while (!push_key(static_cast<uint8_t>(1 + i % 200), 0)) std::this_thread::yield();
        }
    });
    int received = 0;
    bool in_order = true;
    while (received < kKeys) {
        const std::string key = take_text(read_key());
        if (key.empty()) continue;
        in_order = in_order && key.size() == 1 &&
                   static_cast<uint8_t>(key[0]) == static_cast<uint8_t>(1 + received % 200);
        ++received;
    }
    window.join();
    EXPECT_TRUE(in_order);
    EXPECT_EQ(key_ring_count(), 0);
}

}  // namespace
}  // namespace zl
