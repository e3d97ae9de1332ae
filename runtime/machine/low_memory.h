// Owns the emulated real-mode memory, the selected segment of peek_byte, and the low-memory
// stack on which routines place variables that need a low-memory address.
#pragma once

#include <cstddef>
#include <cstdint>

namespace zl {

constexpr size_t kLowMemorySize = 1114099;
constexpr uint32_t kDefaultDataSegment = 80;      // segment of the runtime's own data
constexpr uint32_t kDefaultDataBase = 0x500;      // its first byte in low memory
constexpr uint32_t kTextPagesBase = 0xB8000;      // the text screen's pages
constexpr uint32_t kBiosDataArea = 0x400;         // the key ring's offsets count from here
constexpr uint32_t kSegmentShift = 4;             // a segment is 16 bytes
constexpr uint32_t kOffsetMask = 0xFFFF;

// The range segments, offsets and ports are accepted in; outside it they overflow (error 6).
constexpr int32_t kAddressArgumentMin = -65536;
constexpr int32_t kAddressArgumentMax = 65535;

constexpr int32_t kLowMemoryStackTop = 65536;      // pointer at load
constexpr int32_t kLowMemoryStackFloor = 256;      // limit at load
// Start-up takes an 8-byte zeroed slot and the 4-byte headers of two permanent strings (the
// line end and a one-blank text); the limit grows by their bytes.
constexpr int32_t kStartupSlotBytes = 8;
constexpr int32_t kPermanentStringHeaderBytes = 4;
constexpr int32_t kPermanentStringCount = 2;
constexpr int32_t kPermanentStringBytes = 1;

alignas(16) extern uint8_t low_memory[kLowMemorySize];

// Points into low_memory: segment × 16 of the last set_memory_segment, 0x500 by default.
extern uint8_t* selected_segment;

struct LowMemoryStack {
    int32_t pointer = kLowMemoryStackTop;   // offset within segment 80, grows downwards
    int32_t limit = kLowMemoryStackFloor;
};

extern LowMemoryStack low_memory_stack;

void set_memory_segment(int32_t segment, int32_t passed);
int32_t peek_byte(int32_t offset);

// Lowers the stack by size bytes for a routine variable; raises fatal 257 when it falls below the
// limit (the process ends there; the pointer is left as it was). Returns the variable's address
// in low memory.
uint8_t* low_memory_stack_push(int32_t size);

// Zeroes low memory and puts the runtime's own data back as start-up leaves it (stack at 65520,
// limit 257, key ring empty).
void reset_low_memory();

}  // namespace zl
