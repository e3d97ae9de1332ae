// Owns the keyboard ring in low memory (head 0x41A, tail 0x41C, 16 two-byte slots, 15 usable)
// and read_key, which takes the oldest key without waiting.
#pragma once

#include <cstdint>

#include "runtime/core/strings.h"

namespace zl {

constexpr uint32_t kKeyRingHead = 0x41A;
constexpr uint32_t kKeyRingTail = 0x41C;
constexpr uint32_t kKeyRingStart = 0x41E;
constexpr uint32_t kKeyRingEnd = 0x43E;
// Head and tail are byte offsets from the BIOS data area (0x400): 30, 32, ..., 60, then 30 again.
constexpr uint16_t kKeyRingFirstOffset = 0x1E;
constexpr uint16_t kKeyRingLastOffset = 0x3C;
constexpr uint16_t kKeyRingSlotBytes = 2;
constexpr int kKeyRingCapacity = 15;   // one slot stays free so that full and empty differ

// Window thread: appends (character, scan code); returns false and drops the key when full.
bool push_key(uint8_t character, uint8_t scan_code);

// Program thread: a new temporary text, empty when the ring is empty.
string_descriptor* read_key();

// Number of keys queued.
int key_ring_count();

void reset_key_ring();

}  // namespace zl
