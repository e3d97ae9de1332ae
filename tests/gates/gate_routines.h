// The gate program's routine lists: a few short real routines, and the test-only routines that
// keep the run busy for a while or raise a run-time error through the runtime's own checks.
#pragma once

#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "benchmark/routines.h"

namespace zl::gate {

// Call lines of the test-only routines; the error box shows the illegal call's own line.
constexpr int32_t kIllegalCallLine = 901;

// short: the short routines. long: a routine that runs for minutes, then the short ones.
// error: a routine whose statement makes an illegal call, then the short ones.
// A comma-separated list of routine names (the benchmark's or the test-only ones) is taken too.
std::optional<std::vector<RoutineEntry>> routine_list(std::string_view selection);

}  // namespace zl::gate
