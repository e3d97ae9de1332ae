#include "runtime/core/random.h"

#include <bit>
#include <cmath>

#include "runtime/core/error_state.h"

namespace zl {

uint32_t random_seed = kRandomStartState;

namespace {

constexpr uint32_t kStateMask = 0xFFFFFF;
constexpr uint32_t kMultiplier = 16598013;
constexpr uint32_t kIncrement = 12820163;
constexpr float kStateScale = 1.0f / 16777216.0f;
constexpr float kLargestNonWholeSingle = 8388608.0f;   // 2^23: every single from here is whole
constexpr long double kTwoTo63 = 9223372036854775808.0L;
constexpr uint64_t kTopBit = uint64_t{1} << 63;

// Rounds in the x87 unit's current mode; the integer indefinite for what does not fit.
int64_t x87_round(long double value) {
#if defined(__x86_64__) || defined(__i386__)
    int64_t result;
    __asm__("fistpll %0" : "=m"(result) : "t"(value) : "st");
    return result;
#else
    return std::llrintl(value);
#endif
}

}  // namespace

float random_number(float n, int32_t presence) {
    if (error_is_pending()) return 0.0f;
    if (presence == 0) n = 1.0f;
    if (n == 0.0f) return static_cast<float>(random_seed) * kStateScale;
    if (n < 0.0f) {
        const uint32_t pattern = std::bit_cast<uint32_t>(n);
        random_seed = ((pattern & kStateMask) + (pattern >> 24)) & kStateMask;
    }
    random_seed = (random_seed * kMultiplier + kIncrement) & kStateMask;
    return static_cast<float>(random_seed) * kStateScale;
}

// Equal to the double floor rounded back to single; done in integers to stay out of libm.
// The sign is copied back so that -0 stays -0.
float floor_single(float x) {
    if (!(std::fabs(x) < kLargestNonWholeSingle)) return x;
    const float truncated = static_cast<float>(static_cast<int32_t>(x));
    const float whole = truncated - (truncated > x ? 1.0f : 0.0f);
    return std::copysign(whole, x);
}

int64_t round_to_int64(long double value) {
    if (value >= kTwoTo63) {
        return static_cast<int64_t>(static_cast<uint64_t>(x87_round(value - kTwoTo63)) | kTopBit);
    }
    return x87_round(value);
}

}  // namespace zl
