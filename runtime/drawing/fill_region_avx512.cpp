// The bordered fill's traversal over 64-pixel vectors, for processors with AVX-512 byte
// instructions. Only the functions defined here are compiled for them; the caller checks the
// processor first.
#include <immintrin.h>

#include <algorithm>
#include <cassert>
#include <cstdint>
#include <cstring>

#include "runtime/drawing/private/fill_region.h"

#if defined(__clang__)
#pragma clang attribute push(__attribute__((target("avx512f,avx512bw"))), apply_to = function)
#else
#pragma GCC push_options
#pragma GCC target("avx512f,avx512bw")
#endif

#include "runtime/drawing/private/fill_spans.h"

namespace zl::drawing {

namespace {

struct Avx512Lanes {
    static constexpr int kWidth = 64;
    using Vector = __m512i;

    static Vector broadcast(uint8_t v) { return _mm512_set1_epi8(static_cast<char>(v)); }
    static Vector load(const uint8_t* at) { return _mm512_loadu_si512(at); }
    static void store(uint8_t* at, Vector v) { _mm512_storeu_si512(at, v); }
    static uint64_t equal(Vector a, Vector b) { return _mm512_cmpeq_epi8_mask(a, b); }
    // Lanes [lo, hi) take `paint`; the others are left alone.
    static void store_lanes(uint8_t* at, Vector, Vector paint, int lo, int hi) {
        if (lo >= hi) return;
        const uint64_t below_hi = hi == 64 ? ~uint64_t{0} : (uint64_t{1} << hi) - 1;
        _mm512_mask_storeu_epi8(at, below_hi & (~uint64_t{0} << lo), paint);
    }
};

}  // namespace

void fill_region_avx512(FillRegion& region) { fill_spans<Avx512Lanes>(region); }

}  // namespace zl::drawing

#if defined(__clang__)
#pragma clang attribute pop
#else
#pragma GCC pop_options
#endif
