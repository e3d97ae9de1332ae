#include "runtime/screen/display_link.h"

namespace zl {

DisplayLink display_link;

bool producer_may_render() {
    if (display_link.handover_requested.load(std::memory_order_acquire)) {
        display_link.handover_acknowledged.store(true, std::memory_order_release);
        return false;
    }
    return true;
}

}  // namespace zl
