#include "runtime/machine/ports.h"

#include <array>
#include <atomic>
#include <cmath>

#include "runtime/core/error_state.h"
#include "runtime/machine/low_memory.h"

namespace zl {

namespace {

constexpr int32_t kRetraceBit = 8;
constexpr int kPaletteEntries = 256;
constexpr int kComponentsPerEntry = 3;   // red, green, blue
constexpr double kEightToSixDivisor = 3.984376;
constexpr double kEightToSixBias = 0.49999991059303284;
constexpr uint32_t kScanQueueSize = 256;

// Read position of the emulated palette: the entry and which of its components comes next.
// Only the program thread reads the ports, so this needs no synchronisation.
struct PaletteReadState {
    uint32_t entry = 0;
    int component = 0;
};

// Set by the main-loop thread, read and cleared by the program thread.
struct RetraceState {
    std::atomic<bool> latch{false};
    std::atomic<bool> in_retrace{false};
};

// Single producer (window thread) appends at tail, single consumer (program thread) takes at
// head; both counters run freely and their difference is the number of queued bytes.
struct ScanCodeQueue {
    std::array<uint8_t, kScanQueueSize> bytes{};
    std::atomic<uint32_t> head{0};
    std::atomic<uint32_t> tail{0};
    uint8_t last_removed = 0;   // program thread only
};

// Given at start-up, before the program thread runs.
PaletteSource palette_source = nullptr;
PaletteReadState palette_read;
RetraceState retrace;
ScanCodeQueue scan_codes;

std::array<uint8_t, 256> make_six_bit_table() {
    std::array<uint8_t, 256> table{};
    for (int c8 = 0; c8 < 256; ++c8) {
        const double six = std::nearbyint(c8 / kEightToSixDivisor - kEightToSixBias);
        table[c8] = static_cast<uint8_t>(six < 0 ? 0 : six);
    }
    return table;
}

const std::array<uint8_t, 256> six_bit_of = make_six_bit_table();

int32_t read_palette_data() {
    const uint32_t* const palette = palette_source != nullptr ? palette_source() : nullptr;
    if (palette == nullptr) return 0;
    const uint32_t colour = palette[palette_read.entry];
    const int shift = 16 - 8 * palette_read.component;   // red, then green, then blue
    const uint8_t c8 = static_cast<uint8_t>(colour >> shift);
    if (++palette_read.component == kComponentsPerEntry) {
        palette_read.component = 0;
        palette_read.entry = (palette_read.entry + 1) % kPaletteEntries;
    }
    return six_bit_of[c8];
}

int32_t read_input_status() {
    // Only this thread clears the latch; the exchange keeps a set that lands meanwhile.
    const bool latched = retrace.latch.load(std::memory_order_relaxed) &&
                         retrace.latch.exchange(false, std::memory_order_relaxed);
    const bool in_retrace = retrace.in_retrace.load(std::memory_order_relaxed);
    return (latched || in_retrace) ? kRetraceBit : 0;
}

int32_t read_keyboard_data() {
    const uint32_t head = scan_codes.head.load(std::memory_order_relaxed);
    const uint32_t tail = scan_codes.tail.load(std::memory_order_acquire);
    if (head == tail) return scan_codes.last_removed;
    scan_codes.last_removed = scan_codes.bytes[head % kScanQueueSize];
    scan_codes.head.store(head + 1, std::memory_order_release);
    return scan_codes.last_removed;
}

}  // namespace

int32_t read_port(int32_t port) {
    if (port < kAddressArgumentMin || port > kAddressArgumentMax) [[unlikely]] {
        raise_error(kErrorOverflow);
        return 0;
    }
    switch (static_cast<uint32_t>(port) & kOffsetMask) {
        case kPortPaletteData:
            return read_palette_data();
        case kPortInputStatus:
            return read_input_status();
        case kPortKeyboardData:
            return read_keyboard_data();
        default:
            return 0;
    }
}

void set_palette_source(PaletteSource source) { palette_source = source; }

void set_retrace(bool latch, bool in_retrace) {
    retrace.latch.store(latch, std::memory_order_relaxed);
    retrace.in_retrace.store(in_retrace, std::memory_order_relaxed);
}

void clear_in_retrace() { retrace.in_retrace.store(false, std::memory_order_relaxed); }

void push_scan_code(uint8_t code) {
    const uint32_t tail = scan_codes.tail.load(std::memory_order_relaxed);
    const uint32_t head = scan_codes.head.load(std::memory_order_acquire);
    if (tail - head >= kScanQueueSize) return;
    scan_codes.bytes[tail % kScanQueueSize] = code;
    scan_codes.tail.store(tail + 1, std::memory_order_release);
}

void reset_ports() {
    palette_read = PaletteReadState{};
    retrace.latch.store(false, std::memory_order_relaxed);
    retrace.in_retrace.store(false, std::memory_order_relaxed);
    scan_codes.bytes.fill(0);
    scan_codes.head.store(0, std::memory_order_relaxed);
    scan_codes.tail.store(0, std::memory_order_release);
    scan_codes.last_removed = 0;
}

}  // namespace zl
