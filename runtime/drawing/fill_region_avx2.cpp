// The bordered fill's traversal over 32-pixel vectors, for processors with AVX2. Only the
// functions defined here are compiled for it; the caller checks the processor first.
#include <immintrin.h>

#include <algorithm>
#include <cassert>
#include <cstdint>
#include <cstring>

#include "runtime/drawing/private/fill_region.h"

#if defined(__clang__)
#pragma clang attribute push(__attribute__((target("avx2"))), apply_to = function)
#else
#pragma GCC push_options
#pragma GCC target("avx2")
#endif

#include "runtime/drawing/private/fill_spans.h"

namespace zl::drawing {

namespace {

struct Avx2Lanes {
    static constexpr int kWidth = 32;
    using Vector = __m256i;

    static Vector broadcast(uint8_t v) { return _mm256_set1_epi8(static_cast<char>(v)); }
    static Vector load(const uint8_t* at) { return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(at)); }
    static void store(uint8_t* at, Vector v) { _mm256_storeu_si256(reinterpret_cast<__m256i*>(at), v); }
    static uint64_t equal(Vector a, Vector b) {
        return static_cast<uint32_t>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(a, b)));
    }
    // Lanes [lo, hi) take `paint`; the others are stored back as they were.
    static void store_lanes(uint8_t* at, Vector bytes, Vector paint, int lo, int hi) {
        const Vector lane = _mm256_setr_epi8(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18,
                                             19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31);
        const Vector inside =
            _mm256_and_si256(_mm256_cmpgt_epi8(lane, broadcast(static_cast<uint8_t>(lo - 1))),
                             _mm256_cmpgt_epi8(broadcast(static_cast<uint8_t>(hi)), lane));
        store(at, _mm256_blendv_epi8(bytes, paint, inside));
    }
};

}  // namespace

void fill_region_avx2(FillRegion& region) { fill_spans<Avx2Lanes>(region); }

}  // namespace zl::drawing

#if defined(__clang__)
#pragma clang attribute pop
#else
#pragma GCC pop_options
#endif
