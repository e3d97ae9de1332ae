#include "runtime/machine/key_ring.h"

#include <atomic>
#include <cassert>
#include <thread>

#include "runtime/core/error_state.h"
#include "runtime/machine/low_memory.h"

namespace zl {

namespace {

static_assert(kKeyRingStart == kBiosDataArea + kKeyRingFirstOffset);
static_assert(kKeyRingEnd == kBiosDataArea + kKeyRingLastOffset + kKeyRingSlotBytes);
static_assert((kKeyRingHead % alignof(uint16_t)) == 0 && (kKeyRingTail % alignof(uint16_t)) == 0);

// The window thread owns the tail and the program thread the head; each publishes its own with
// release and reads the other's with acquire, so a slot is never read before it is written.
std::atomic_ref<uint16_t> ring_word(uint32_t address) {
    return std::atomic_ref<uint16_t>(*reinterpret_cast<uint16_t*>(low_memory + address));
}

std::atomic_ref<uint16_t> ring_head() { return ring_word(kKeyRingHead); }
std::atomic_ref<uint16_t> ring_tail() { return ring_word(kKeyRingTail); }

uint16_t next_offset(uint16_t offset) {
    return offset >= kKeyRingLastOffset ? kKeyRingFirstOffset
                                        : static_cast<uint16_t>(offset + kKeyRingSlotBytes);
}

[[maybe_unused]] bool valid_offset(uint16_t offset) {
    return offset >= kKeyRingFirstOffset && offset <= kKeyRingLastOffset && offset % 2 == 0;
}

uint8_t* slot_at(uint16_t offset) { return low_memory + kBiosDataArea + offset; }

string_descriptor* empty_key_text() { return string_new(0, 1); }

}  // namespace

bool push_key(uint8_t character, uint8_t scan_code) {
    const uint16_t tail = ring_tail().load(std::memory_order_relaxed);
    const uint16_t head = ring_head().load(std::memory_order_acquire);
    assert(valid_offset(tail) && valid_offset(head));
    const uint16_t next = next_offset(tail);
    if (next == head) return false;
    uint8_t* slot = slot_at(tail);
    slot[0] = character;
    slot[1] = scan_code;
    ring_tail().store(next, std::memory_order_release);
    return true;
}

string_descriptor* read_key() {
    if (error_is_pending()) return empty_key_text();
    std::this_thread::yield();
    const uint16_t head = ring_head().load(std::memory_order_relaxed);
    const uint16_t tail = ring_tail().load(std::memory_order_acquire);
    if (head == tail) return empty_key_text();
    const uint8_t* slot = slot_at(head);
    const char key[2] = {static_cast<char>(slot[0]), static_cast<char>(slot[1])};
    ring_head().store(next_offset(head), std::memory_order_release);
    // An extended key is a zero character with a scan code; a zero pair is an ordinary key.
    const bool extended = key[0] == 0 && key[1] != 0;
    if (extended) return string_temporary_copy(key, 2);
    return string_temporary_copy(key, 1);
}

int key_ring_count() {
    const int head = ring_head().load(std::memory_order_acquire);
    const int tail = ring_tail().load(std::memory_order_acquire);
    constexpr int ring_bytes = kKeyRingLastOffset - kKeyRingFirstOffset + kKeyRingSlotBytes;
    return ((tail - head + ring_bytes) % ring_bytes) / kKeyRingSlotBytes;
}

void reset_key_ring() {
    ring_head().store(kKeyRingFirstOffset, std::memory_order_relaxed);
    ring_tail().store(kKeyRingFirstOffset, std::memory_order_release);
}

}  // namespace zl
