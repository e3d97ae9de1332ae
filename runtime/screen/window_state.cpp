#include "runtime/screen/window_state.h"

#include <cstring>
#include <mutex>

#include "runtime/core/error_state.h"
#include "runtime/screen/display_link.h"

namespace zl {

std::atomic<uint32_t> window_title_generation{0};
FullscreenRequest fullscreen_request;

namespace {

constexpr const char* kUntitled = "Untitled";
constexpr int32_t kSmoothingGiven = 1;

// The title crosses from the program thread to the window thread.
struct TitleStore {
    std::mutex lock;
    std::string text = kUntitled;
};

TitleStore title_store;

bool method_known(int32_t method) { return method >= 0 && method <= 3; }

FullscreenMethod method_of(int32_t method) {
    if (method == 1) return FullscreenMethod::windowed;
    if (method == 3) return FullscreenMethod::square_pixels;
    return FullscreenMethod::stretched;
}

}  // namespace

void set_window_title(const string_descriptor* title) {
    if (error_is_pending()) return;
    std::string text;
    if (title != nullptr && title->length > 0) {
        // A zero-terminated copy: the caption ends at an embedded zero byte.
        const char* bytes = reinterpret_cast<const char*>(title->bytes);
        const void* zero = std::memchr(bytes, 0, static_cast<size_t>(title->length));
        const size_t length = zero != nullptr ? static_cast<const char*>(zero) - bytes
                                              : static_cast<size_t>(title->length);
        text.assign(bytes, length);
    }
    {
        std::lock_guard<std::mutex> guard(title_store.lock);
        title_store.text = std::move(text);
    }
    window_title_generation.fetch_add(1, std::memory_order_release);
}

std::string window_title() {
    std::lock_guard<std::mutex> guard(title_store.lock);
    return title_store.text;
}

void set_fullscreen(int32_t method, int32_t presence) {
    if (!method_known(method)) {
        raise_error(kErrorIllegalFunctionCall);
        return;
    }
    const int wanted = static_cast<int>(method_of(method));
    const bool smooth = (presence & kSmoothingGiven) != 0;
    const bool differs = fullscreen_request.method.load(std::memory_order_relaxed) != wanted ||
                         fullscreen_request.smooth.load(std::memory_order_relaxed) != smooth;
    if (differs) {
        fullscreen_request.method.store(wanted, std::memory_order_relaxed);
        fullscreen_request.smooth.store(smooth, std::memory_order_relaxed);
        fullscreen_request.generation.fetch_add(1, std::memory_order_release);
    }
    mark_display_changed();
}

void reset_window_state() {
    {
        std::lock_guard<std::mutex> guard(title_store.lock);
        title_store.text = kUntitled;
    }
    window_title_generation.store(0, std::memory_order_relaxed);
    fullscreen_request.method.store(static_cast<int>(FullscreenMethod::windowed));
    fullscreen_request.smooth.store(false);
    fullscreen_request.generation.store(0);
}

}  // namespace zl
