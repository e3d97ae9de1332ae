// Argument values for the random-argument run: a seeded generator and values drawn across each
// type's whole range, with the edges (zero, signs, limits, NaN, infinities) drawn often.
#pragma once

#include <cstdint>
#include <string>

namespace zl::gates {

// splitmix64: small, fast and the same sequence on every machine for a given seed.
class Random {
public:
    explicit Random(uint64_t seed) : state_(seed) {}
    uint64_t next();
    // 0 .. bound - 1 (bound > 0).
    uint32_t below(uint32_t bound) { return static_cast<uint32_t>(next() % bound); }
    bool chance(uint32_t one_in) { return below(one_in) == 0; }
    int32_t between(int32_t low, int32_t high);   // inclusive

private:
    uint64_t state_;
};

// Integers: near the valid ranges (-3 .. 300), the address and page edges, the type's limits,
// or any 32-bit pattern.
int32_t any_int32(Random& random);
uint32_t any_uint32(Random& random);
// A presence mask: the bits an operation knows, mostly, and now and then any bits at all.
int32_t any_mask(Random& random, int32_t known_bits);

// Floating point: small and page-sized values, halves (ties), huge, tiny, denormal, signed zero,
// NaN, infinities, or any bit pattern.
float any_float(Random& random);
double any_double(Random& random);
long double any_long_double(Random& random);

// Texts: empty, one byte, tile-sized, a few hundred bytes, 64 KB, of any bytes.
std::string any_text(Random& random);

}  // namespace zl::gates
