// The argument every logarithm loop of the test routines passes to natural_log.
#pragma once

namespace zl {

constexpr double log_argument = 5.3589793170057245e-08;

}  // namespace zl
