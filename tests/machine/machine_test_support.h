// Small helpers shared by the emulated-machine tests.
#pragma once

#include <cstdint>
#include <string>

#include "runtime/core/error_state.h"
#include "runtime/core/strings.h"

namespace zl::test {

// The bytes of a text the runtime returned; the temporary is freed.
inline std::string take_text(string_descriptor* text) {
    std::string bytes(reinterpret_cast<const char*>(text->bytes), static_cast<size_t>(text->length));
    const bool temporary = (text->flags & kStringTemporary) != 0;
    if (temporary) string_free(text);
    return bytes;
}

inline int32_t pending_error() { return error_state.pending_error.load(); }

inline void clear_pending_error() {
    error_state.pending_error = 0;
    error_state.event_pending = 0;
}

}  // namespace zl::test
