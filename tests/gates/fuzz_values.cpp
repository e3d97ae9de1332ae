#include "tests/gates/fuzz_values.h"

#include <bit>
#include <cfloat>
#include <cmath>
#include <limits>

namespace zl::gates {

namespace {

constexpr int32_t kEdgeInts[] = {
    0, 1, -1, 2, 3, 4, 7, 8, 12, 13, 14, 15, 16, 17, 24, 25, 29, 30, 31, 32, 33, 40, 63, 64, 79, 80,
    81, 199, 200, 255, 256, 257, 319, 320, 479, 480, 639, 640, 1024, 32767, 32768, -32768, -32769,
    65535, 65536, -65536, -65537, 0x3C9, 0x3DA, 0x60, 709, 710, 1 << 20, (1 << 20) + 1,
    std::numeric_limits<int32_t>::max(), std::numeric_limits<int32_t>::min(),
    std::numeric_limits<int32_t>::min() + 1, std::numeric_limits<int32_t>::max() - 1,
};

constexpr double kEdgeDoubles[] = {
    0.0, -0.0, 0.5, -0.5, 1.5, 2.5, -2.5, 1.0, -1.0, 6.283185307179586, 6.2831853071795871,
    -6.283185307179586, 3.141592653589793, 709.782712893, 709.7827128933841, 710.0, -745.2,
    319.5, 320.0, 199.5, 200.0, 639.5, 479.5, 1e6, 1048576.0, 1048577.0, 16777216.0, 2147483647.5,
    2147483648.0, -2147483648.5, 9.2233720368547758e18, -9.2233720368547758e18, 1e30, -1e30, 1e300,
    -1e300, DBL_MAX, -DBL_MAX, DBL_MIN, 4.9e-324, -4.9e-324, FLT_MAX, -FLT_MAX, 1e-45,
    5.3589793170057245e-08,
};

template <typename Value>
Value special(Random& random) {
    switch (random.below(4)) {
    case 0:
        return std::numeric_limits<Value>::quiet_NaN();
    case 1:
        return std::numeric_limits<Value>::infinity();
    case 2:
        return -std::numeric_limits<Value>::infinity();
    default:
        return -std::numeric_limits<Value>::quiet_NaN();
    }
}

double any_magnitude(Random& random) {
    switch (random.below(6)) {
    case 0:
        return kEdgeDoubles[random.below(std::size(kEdgeDoubles))];
    case 1:   // whole page coordinates and colours, negative ones included
        return static_cast<double>(random.between(-50, 700));
    case 2:   // halves: the ties of every rounding
        return random.between(-1400, 1400) / 2.0;
    case 3:   // any value between -1000 and 1000
        return (static_cast<double>(random.next() >> 11) / 9007199254740992.0 - 0.5) * 2000.0;
    case 4:   // a power of ten of either sign
        return (random.chance(2) ? -1.0 : 1.0) * std::pow(10.0, random.between(-320, 308));
    default:
        return static_cast<double>(random.between(-3, 20));
    }
}

}  // namespace

uint64_t Random::next() {
    uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

int32_t Random::between(int32_t low, int32_t high) {
    const uint64_t span = static_cast<uint64_t>(int64_t{high} - low) + 1;
    return static_cast<int32_t>(low + static_cast<int64_t>(next() % span));
}

int32_t any_int32(Random& random) {
    switch (random.below(8)) {
    case 0:
    case 1:
        return kEdgeInts[random.below(std::size(kEdgeInts))];
    case 2:
        return static_cast<int32_t>(random.next());
    case 3:
        return random.between(-66000, 66000);
    default:
        return random.between(-3, 300);
    }
}

uint32_t any_uint32(Random& random) { return static_cast<uint32_t>(any_int32(random)); }

int32_t any_mask(Random& random, int32_t known_bits) {
    if (random.chance(10)) return static_cast<int32_t>(random.next());
    return static_cast<int32_t>(random.next()) & known_bits;
}

float any_float(Random& random) {
    switch (random.below(10)) {
    case 0:
        return special<float>(random);
    case 1:
        return std::bit_cast<float>(static_cast<uint32_t>(random.next()));
    case 2:
        return std::numeric_limits<float>::denorm_min() * static_cast<float>(random.between(-9, 9));
    default:
        return static_cast<float>(any_magnitude(random));
    }
}

double any_double(Random& random) {
    switch (random.below(10)) {
    case 0:
        return special<double>(random);
    case 1:
        return std::bit_cast<double>(random.next());
    default:
        return any_magnitude(random);
    }
}

long double any_long_double(Random& random) {
    switch (random.below(10)) {
    case 0:
        return special<long double>(random);
    case 1:
        return std::numeric_limits<long double>::max() * (random.chance(2) ? -1 : 1);
    case 2:
        return std::ldexp(static_cast<long double>(any_magnitude(random)), random.between(-16000, 16000));
    default:
        return static_cast<long double>(any_magnitude(random));
    }
}

std::string any_text(Random& random) {
    size_t length = 0;
    switch (random.below(12)) {
    case 0:
    case 1:
        length = 0;
        break;
    case 2:
        length = 1;
        break;
    case 3:
        length = 7;
        break;
    case 4:
        length = static_cast<size_t>(random.between(60, 70));
        break;
    case 5:
        length = static_cast<size_t>(random.between(250, 260));
        break;
    case 6:
        length = random.chance(20) ? 65536 : static_cast<size_t>(random.between(1000, 5000));
        break;
    default:
        length = static_cast<size_t>(random.between(1, 40));
        break;
    }
    std::string text(length, '\0');
    for (char& c : text) c = static_cast<char>(random.next());
    return text;
}

}  // namespace zl::gates
