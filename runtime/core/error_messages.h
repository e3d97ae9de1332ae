// Owns the table of run-time error messages shown in the error box.
#pragma once

#include <cstdint>

namespace zl {

// The message of a run-time error number ("Illegal function call" for 5); a generic text for a
// number with no message of its own. Never null.
const char* error_message(int32_t code);

// True for the codes that end the process at once after their box.
bool error_is_fatal(int32_t code);

}  // namespace zl
