// The bordered fill's traversal over 16-pixel vectors, which every x86-64 processor has.
#include <emmintrin.h>

#include <algorithm>
#include <cassert>
#include <cstdint>
#include <cstring>

#include "runtime/drawing/private/fill_region.h"
#include "runtime/drawing/private/fill_spans.h"

namespace zl::drawing {

namespace {

struct Sse2Lanes {
    static constexpr int kWidth = 16;
    using Vector = __m128i;

    static Vector broadcast(uint8_t v) { return _mm_set1_epi8(static_cast<char>(v)); }
    static Vector load(const uint8_t* at) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(at)); }
    static void store(uint8_t* at, Vector v) { _mm_storeu_si128(reinterpret_cast<__m128i*>(at), v); }
    static uint64_t equal(Vector a, Vector b) {
        return static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(a, b)));
    }
    // Lanes [lo, hi) take `paint`; the others are stored back as they were.
    static void store_lanes(uint8_t* at, Vector bytes, Vector paint, int lo, int hi) {
        const Vector lane = _mm_setr_epi8(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15);
        const Vector inside = _mm_and_si128(_mm_cmpgt_epi8(lane, broadcast(static_cast<uint8_t>(lo - 1))),
                                            _mm_cmplt_epi8(lane, broadcast(static_cast<uint8_t>(hi))));
        store(at, _mm_or_si128(_mm_and_si128(inside, paint), _mm_andnot_si128(inside, bytes)));
    }
};

}  // namespace

void fill_region_sse2(FillRegion& region) { fill_spans<Sse2Lanes>(region); }

}  // namespace zl::drawing
