// Emulated low memory: the selected segment, peek_byte and the low-memory stack.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "machine_test_support.h"
#include "runtime/host/headless/headless_host.h"
#include "runtime/machine/key_ring.h"
#include "runtime/machine/low_memory.h"
#include "runtime/runtime.h"

namespace zl {
namespace {

using test::pending_error;

class LowMemoryTest : public ::testing::Test {
protected:
    HeadlessHost host;
};

// Start-up zeroes low memory and then places only the runtime's own data: the empty key ring
// and the text page's blank cells. Everything a previous run left behind is gone.
TEST_F(LowMemoryTest, StartUpState) {
    set_memory_segment(1234, 1);
    low_memory_stack.pointer = 300;
    low_memory_stack.limit = 299;
    std::memset(low_memory, 0x5A, sizeof low_memory);
    runtime_reset();

    EXPECT_EQ(selected_segment, low_memory + 0x500);
    EXPECT_EQ(low_memory_stack.pointer, 65520);
    EXPECT_EQ(low_memory_stack.limit, 257);
    EXPECT_EQ(low_memory[kKeyRingHead], low_memory[kKeyRingTail]);   // empty
    EXPECT_EQ(low_memory[kKeyRingHead + 1], low_memory[kKeyRingTail + 1]);
    EXPECT_EQ(low_memory[kTextPagesBase], ' ');
    std::vector<size_t> stray;
    for (size_t at = 0; at < kLowMemorySize; ++at) {
        const bool ring = at >= kKeyRingHead && at < kKeyRingTail + 2;
        const bool text = at >= kTextPagesBase && at < kTextPagesBase + 65536;
        if (!ring && !text && low_memory[at] != 0) stray.push_back(at);
    }
    EXPECT_TRUE(stray.empty()) << stray.size() << " bytes not zeroed, the first at " << stray[0];
}

TEST_F(LowMemoryTest, FirstRoutineVariableSitsAtOffset65516) {
    uint8_t* variable = low_memory_stack_push(4);
    EXPECT_EQ(variable, low_memory + 0x500 + 65516);
    EXPECT_EQ(low_memory_stack.pointer, 65516);
}

TEST_F(LowMemoryTest, StackBelowItsLimitIsFatal) {
    low_memory_stack.pointer = 261;
    EXPECT_NE(low_memory_stack_push(4), nullptr);   // 257: exactly the limit
    try {
        low_memory_stack_push(1);
        FAIL() << "the stack went below its limit";
    } catch (const ProgramStopped& stopped) {
        EXPECT_FALSE(stopped.thread_stopped);
        EXPECT_EQ(stopped.exit_code, 0);
    }
    ASSERT_EQ(host.boxes.shown.size(), 1u);
    EXPECT_EQ(host.boxes.shown[0].title, "Critical Error #1");
    EXPECT_EQ(host.boxes.shown[0].text, "Out of memory");
    EXPECT_EQ(low_memory_stack.pointer, 257);
}

// Each row selects a segment (from segment 2) and peeks at an offset.
struct SegmentCase {
    int32_t segment;
    int32_t passed;
    int32_t offset;
    int32_t error;      // expected pending error after both calls
    int64_t address;    // low-memory byte peek_byte reads, -1 when it gives 0 for an error
};

TEST_F(LowMemoryTest, SegmentAndOffsetRules) {
    const SegmentCase cases[] = {
        {1, 1, 0, 0, 16},
        {65521, 1, 1024, 0, 65521 * 16 + 1024},
        {65535, 1, 65535, 0, 0xFFFF * 16 + 0xFFFF},   // the farthest byte reachable
        {-1, 1, 0, 0, 0xFFFF * 16},                  // segments are taken AND 0xFFFF
        {-65536, 1, 7, 0, 7},
        {12345, 0, 3, 0, 0x500 + 3},                 // not passed: the default data segment
        {3, 1, -1, 0, 3 * 16 + 0xFFFF},              // offsets likewise
        {3, 1, -65536, 0, 3 * 16},
        {65536, 1, 5, 6, 2 * 16 + 5},                // overflow leaves segment 2 selected
        {-65537, 1, 5, 6, 2 * 16 + 5},
        {3, 1, 65536, 6, -1},
        {3, 1, -65537, 6, -1},
    };
    for (const SegmentCase& row : cases) {
        SCOPED_TRACE(testing::Message() << "segment " << row.segment << " passed " << row.passed
                                        << " offset " << row.offset);
        test::clear_pending_error();
        set_memory_segment(2, 1);
        std::memset(low_memory, 0, sizeof low_memory);
        if (row.address >= 0) low_memory[row.address] = 0xA5;
        set_memory_segment(row.segment, row.passed);
        const int32_t value = peek_byte(row.offset);
        EXPECT_EQ(pending_error(), row.error);
        EXPECT_EQ(value, row.address >= 0 ? 0xA5 : 0);
    }
}

TEST_F(LowMemoryTest, PendingErrorFreezesTheSegmentButNotPeeks) {
    set_memory_segment(4, 1);
    low_memory[4 * 16 + 9] = 77;
    raise_error(kErrorIllegalFunctionCall);
    set_memory_segment(100, 1);
    set_memory_segment(0, 0);
    EXPECT_EQ(selected_segment, low_memory + 64);
    EXPECT_EQ(peek_byte(9), 77);
    EXPECT_EQ(pending_error(), kErrorIllegalFunctionCall);
}

TEST_F(LowMemoryTest, ResetPutsStartUpStateBack) {
    set_memory_segment(65521, 1);
    low_memory_stack_push(64);
    low_memory[0x700] = 1;
    reset_low_memory();
    EXPECT_EQ(selected_segment, low_memory + 0x500);
    EXPECT_EQ(low_memory_stack.pointer, 65520);
    EXPECT_EQ(low_memory[0x700], 0);
}

}  // namespace
}  // namespace zl
