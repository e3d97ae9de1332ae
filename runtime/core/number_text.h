// Owns the number text of a single-precision value (" 7", " .5", "-1.234567E+08").
#pragma once

#include "runtime/core/strings.h"

namespace zl {

// A new temporary text: the value's number text.
string_descriptor* single_to_text(float value);

// The same text written into out (at least 16 bytes); returns its length.
int format_single(float value, char* out);

}  // namespace zl
