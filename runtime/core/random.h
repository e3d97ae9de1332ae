// Owns the one random sequence of the run and the integer helpers the benchmark draws through.
#pragma once

#include <cstdint>

namespace zl {

constexpr uint32_t kRandomStartState = 327680;

// 24-bit state held in a 32-bit word; only random_number changes it.
extern uint32_t random_seed;

float random_number(float n, int32_t presence);
float floor_single(float x);
// Rounds in the current mode (ties to even); 2^63 and above is reduced by 2^63, top bit set after.
int64_t round_to_int64(long double value);

}  // namespace zl
