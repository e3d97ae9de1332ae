// The bordered fill's traversal over 16-pixel vectors, which every x86-64 processor has.
#include <emmintrin.h>

#include <algorithm>
#include <cassert>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "runtime/drawing/private/fill_region.h"

#if !defined(__clang__)
#pragma GCC push_options
// The stores of whole blocks and visited words stay as written: made into calls to memset,
// they cost more than the few blocks of a row take.
#pragma GCC optimize("no-tree-loop-distribute-patterns")
#endif

#include "runtime/drawing/private/fill_spans.h"

namespace zl::drawing {

namespace {

struct Sse2Lanes {
    struct Colours {
        __m128i border;
        __m128i fill;
    };

    static Colours colours(uint8_t border, uint8_t fill) {
        return Colours{_mm_set1_epi8(static_cast<char>(border)),
                       _mm_set1_epi8(static_cast<char>(fill))};
    }
    static __m128i load(const uint8_t* at) {
        return _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
    }
    static void store(uint8_t* at, __m128i bytes) {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(at), bytes);
    }
    static uint64_t border_bits(const uint8_t* at, const Colours& colours) {
        uint64_t bits = 0;
        for (int i = 0; i < 4; ++i) {
            bits |= static_cast<uint64_t>(
                        _mm_movemask_epi8(_mm_cmpeq_epi8(load(at + 16 * i), colours.border)))
                    << (16 * i);
        }
        return bits;
    }
    static bool any_border(const uint8_t* at, int blocks, const Colours& colours) {
        __m128i found = _mm_setzero_si128();
        for (int i = 0; i < 4 * blocks; ++i) {
            found = _mm_or_si128(found, _mm_cmpeq_epi8(load(at + i * 16), colours.border));
        }
        return _mm_movemask_epi8(found) != 0;
    }
    static void fill_blocks(uint8_t* at, int blocks, const Colours& colours) {
        for (int i = 0; i < 4 * blocks; ++i) store(at + i * 16, colours.fill);
    }
    static void set_words(uint64_t* words, int count, uint64_t value) {
        const __m128i values = _mm_set1_epi64x(static_cast<long long>(value));
        int i = 0;
        for (; i + 2 <= count; i += 2) store(reinterpret_cast<uint8_t*>(words + i), values);
        if (i < count) _mm_storel_epi64(reinterpret_cast<__m128i*>(words + i), values);
    }
    static void clear_words(uint64_t* words, int count) { set_words(words, count, 0); }
    // Each quarter's lane bits spread to bytes pick the fill colour or the byte as it was.
    static void fill_lanes(uint8_t* at, uint64_t lanes, const Colours& colours) {
        const __m128i bit = _mm_set1_epi64x(static_cast<int64_t>(0x8040201008040201));
        for (int quarter = 0; quarter < 4; ++quarter) {
            const unsigned bits = static_cast<unsigned>(lanes >> (16 * quarter)) & 0xFFFF;
            uint8_t* const part = at + 16 * quarter;
            if (bits == 0xFFFF) {
                store(part, colours.fill);
            } else if (bits != 0) {
                __m128i spread = _mm_cvtsi32_si128(static_cast<int>(bits));
                spread = _mm_unpacklo_epi8(spread, spread);
                spread = _mm_unpacklo_epi16(spread, spread);
                spread = _mm_unpacklo_epi32(spread, spread);  // the low byte 8 times, then the high
                const __m128i chosen = _mm_cmpeq_epi8(_mm_and_si128(spread, bit), bit);
                store(part, _mm_or_si128(_mm_and_si128(chosen, colours.fill),
                                         _mm_andnot_si128(chosen, load(part))));
            }
        }
    }
};

}  // namespace

void fill_region_sse2(FillRegion& region) {
    fill_spans<Sse2Lanes>(region);
}

}  // namespace zl::drawing

#if !defined(__clang__)
#pragma GCC pop_options
#endif
