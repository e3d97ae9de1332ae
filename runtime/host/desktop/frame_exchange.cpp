#include "runtime/host/desktop/host_parts.h"

namespace zl::desktop {

void FrameExchange::publish() {
    // Release: the frame's pixels are complete before the window thread can take the slot.
    const int previous = middle_.exchange(back_ | kFresh, std::memory_order_acq_rel);
    back_ = previous & ~kFresh;
}

const Frame* FrameExchange::take_newest() {
    if ((middle_.load(std::memory_order_acquire) & kFresh) == 0) return nullptr;
    const int newest = middle_.exchange(front_, std::memory_order_acq_rel);
    front_ = newest & ~kFresh;
    return &frames_[front_];
}

}  // namespace zl::desktop
