#include "runtime/machine/low_memory.h"

#include <cassert>
#include <cstring>

#include "runtime/core/error_state.h"
#include "runtime/machine/key_ring.h"

namespace zl {

alignas(16) uint8_t low_memory[kLowMemorySize] = {};

uint8_t* selected_segment = low_memory + kDefaultDataBase;

LowMemoryStack low_memory_stack;

namespace {

// Segment 0xFFFF plus offset 0xFFFF is the farthest byte peek_byte can reach.
static_assert((kOffsetMask << kSegmentShift) + kOffsetMask < kLowMemorySize);
static_assert(kDefaultDataBase + kLowMemoryStackTop <= kLowMemorySize);

constexpr int32_t kStartupStackBytes =
    kStartupSlotBytes + kPermanentStringCount * kPermanentStringHeaderBytes;

bool outside_address_range(int32_t value) {
    return value < kAddressArgumentMin || value > kAddressArgumentMax;
}

}  // namespace

void set_memory_segment(int32_t segment, int32_t passed) {
    if (error_is_pending()) return;
    if (passed == 0) {
        selected_segment = low_memory + kDefaultDataBase;
        return;
    }
    if (outside_address_range(segment)) {
        raise_error(kErrorOverflow);
        return;
    }
    const uint32_t base = (static_cast<uint32_t>(segment) & kOffsetMask) << kSegmentShift;
    selected_segment = low_memory + base;
}

int32_t peek_byte(int32_t offset) {
    if (outside_address_range(offset)) [[unlikely]] {
        raise_error(kErrorOverflow);
        return 0;
    }
    return selected_segment[static_cast<uint32_t>(offset) & kOffsetMask];
}

uint8_t* low_memory_stack_push(int32_t size) {
    assert(size >= 0);
    const int64_t lowered = int64_t{low_memory_stack.pointer} - size;
    if (size < 0 || lowered < low_memory_stack.limit) {
        // Fatal: the process ends inside raise_error, so nothing below it runs.
        raise_error(kErrorLowMemoryExhausted);
        return nullptr;
    }
    low_memory_stack.pointer = static_cast<int32_t>(lowered);
    return low_memory + kDefaultDataBase + low_memory_stack.pointer;
}

void reset_low_memory() {
    std::memset(low_memory, 0, sizeof low_memory);
    selected_segment = low_memory + kDefaultDataBase;
    // The start-up slot and the permanent strings' headers stay zero; only their room counts.
    low_memory_stack.pointer = kLowMemoryStackTop - kStartupStackBytes;
    low_memory_stack.limit = kLowMemoryStackFloor + kPermanentStringBytes;
    reset_key_ring();
}

}  // namespace zl
