#include "runtime/screen/display_copy.h"

#include <algorithm>
#include <atomic>
#include <mutex>
#include <utility>

#include "runtime/core/error_state.h"
#include "runtime/screen/display_link.h"
#include "runtime/screen/palette.h"

namespace zl {

namespace {

struct SharedCopy {
    std::atomic<bool> requested{false};
    std::mutex lock;
    DisplayCopy copy;    // guarded by lock
    bool fresh = false;  // guarded by lock: made since the producer's last take
    uint64_t serial = 0;
};

SharedCopy shared;

size_t page_bytes(const screen_page& page) {
    return static_cast<size_t>(page.width) * page.height * page.bytes_per_pixel;
}

bool display_changed() {
    const bool content = display_link.content_changed.exchange(false, std::memory_order_relaxed);
    const bool mode = display_link.frame_out_of_date.exchange(false, std::memory_order_relaxed);
    return content || mode;
}

void copy_page(const screen_page& page, DisplayCopy& copy) {
    copy.page = page;
    copy.pixels.resize(page.pixels != nullptr ? page_bytes(page) : 0);
    std::copy_n(page.pixels, copy.pixels.size(), copy.pixels.data());
    copy.palette.assign(kPaletteEntries, 0);
    if (page.palette != nullptr) std::copy_n(page.palette, kPaletteEntries, copy.palette.data());
    copy.page.pixels = page.pixels != nullptr ? copy.pixels.data() : nullptr;
    copy.page.palette = page.palette != nullptr ? copy.palette.data() : nullptr;
}

}  // namespace

void request_display_copy() {
    shared.requested.store(true, std::memory_order_relaxed);
    signal_event();
}

void serve_display_copy(bool even_unasked) {
    const bool asked = shared.requested.exchange(false, std::memory_order_relaxed);
    if (!asked && !even_unasked) return;
    const screen_page* page = display_page;
    if (page == nullptr || !display_changed()) return;
    std::lock_guard<std::mutex> guard(shared.lock);
    copy_page(*page, shared.copy);
    shared.copy.serial = ++shared.serial;
    shared.fresh = true;
}

bool take_display_copy(DisplayCopy& mine) {
    std::lock_guard<std::mutex> guard(shared.lock);
    if (!shared.fresh) return false;
    // The buffers move with the swap, so each record's pointers stay with their own bytes.
    std::swap(mine, shared.copy);
    shared.fresh = false;
    return true;
}

void reset_display_copy() {
    shared.requested.store(false, std::memory_order_relaxed);
    std::lock_guard<std::mutex> guard(shared.lock);
    shared.copy = DisplayCopy{};
    shared.fresh = false;
    display_link.content_changed.store(true, std::memory_order_relaxed);
}

}  // namespace zl
