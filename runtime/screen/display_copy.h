// Owns the copy of the display page that the frame producer draws from. The program thread is
// the only one that touches the pages: when the producer asks, the program thread copies the
// display page here at its next statement check, so no page is read while it is being written.
#pragma once

#include <cstdint>
#include <vector>

#include "runtime/screen/screen_page.h"

namespace zl {

struct DisplayCopy {
    screen_page page;  // pixels and palette point into the two buffers below
    std::vector<uint8_t> pixels;
    std::vector<uint32_t> palette;
    uint64_t serial = 0;  // 0 until the first copy
};

// Frame producer: asks for a copy at the program thread's next statement check.
void request_display_copy();

// Program thread: makes the copy when one was asked for (or, with even_unasked, before a wait
// such as a pause or a dialog) and the display changed since the last copy.
void serve_display_copy(bool even_unasked);

// Frame producer: swaps the newest copy into mine when one was made since its last take.
bool take_display_copy(DisplayCopy& mine);

// Forgets the copy and any request; the next copy is made whatever changed.
void reset_display_copy();

}  // namespace zl
