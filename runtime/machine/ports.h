// Owns the emulated I/O ports: the palette read port 0x3C9, the retrace status 0x3DA and the
// keyboard data port 0x60 with its scan-code queue.
#pragma once

#include <cstdint>

namespace zl {

constexpr int32_t kPortPaletteData = 0x3C9;
constexpr int32_t kPortInputStatus = 0x3DA;
constexpr int32_t kPortKeyboardData = 0x60;

int32_t read_port(int32_t port);

// What the palette read port reads: 256 entries of 0xAARRGGBB, or null while there are none (the
// port then reads 0). The screen service gives it the write page's palette, so the machine
// needs nothing of the screen.
using PaletteSource = const uint32_t* (*)();
void set_palette_source(PaletteSource source);

// Main-loop thread: set both on waking from the 15 ms sleep, clear in_retrace at the cycle's end.
// Stores both flags as given; reading port 0x3DA clears the latch.
void set_retrace(bool latch, bool in_retrace);
void clear_in_retrace();

// Window thread: appends a make or break scan-code byte (256 bytes at most; a full queue drops it).
void push_scan_code(uint8_t code);

void reset_ports();

}  // namespace zl
