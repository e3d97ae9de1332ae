// The bordered fill's traversal over 32-pixel vectors, for processors with AVX2. Only the
// functions defined here are compiled for it; the caller checks the processor first.
#include <immintrin.h>

#include <algorithm>
#include <cassert>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "runtime/drawing/private/fill_region.h"

#if defined(__clang__)
#pragma clang attribute push(__attribute__((target("avx2,bmi,bmi2,lzcnt"))), apply_to = function)
#else
#pragma GCC push_options
#pragma GCC target("avx2,bmi,bmi2,lzcnt")
// The stores of whole blocks and visited words stay as written: made into calls to memset,
// they cost more than the few blocks of a row take.
#pragma GCC optimize("no-tree-loop-distribute-patterns")
#endif

#include "runtime/drawing/private/fill_spans.h"

namespace zl::drawing {

namespace {

struct Avx2Lanes {
    struct Colours {
        __m256i border;
        __m256i fill;
    };

    static Colours colours(uint8_t border, uint8_t fill) {
        return Colours{_mm256_set1_epi8(static_cast<char>(border)),
                       _mm256_set1_epi8(static_cast<char>(fill))};
    }
    static __m256i load(const uint8_t* at) {
        return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(at));
    }
    static void store(uint8_t* at, __m256i bytes) {
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(at), bytes);
    }
    static uint64_t half_bits(const uint8_t* at, const Colours& colours) {
        return static_cast<uint32_t>(
            _mm256_movemask_epi8(_mm256_cmpeq_epi8(load(at), colours.border)));
    }
    static uint64_t border_bits(const uint8_t* at, const Colours& colours) {
        return half_bits(at, colours) | half_bits(at + 32, colours) << 32;
    }
    static bool any_border(const uint8_t* at, int blocks, const Colours& colours) {
        __m256i found = _mm256_setzero_si256();
        for (int i = 0; i < 2 * blocks; ++i) {
            found = _mm256_or_si256(found, _mm256_cmpeq_epi8(load(at + i * 32), colours.border));
        }
        return !_mm256_testz_si256(found, found);
    }
    static void fill_blocks(uint8_t* at, int blocks, const Colours& colours) {
        for (int i = 0; i < 2 * blocks; ++i) store(at + i * 32, colours.fill);
    }
    // Stores of 4, 2 and 1 words, none masked: the words may be read back soon after, and a
    // masked store cannot pass its value on to a load.
    static void set_words(uint64_t* words, int count, uint64_t value) {
        const __m256i values = _mm256_set1_epi64x(static_cast<long long>(value));
        int i = 0;
        for (; i + 4 <= count; i += 4) {
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(words + i), values);
        }
        if (count & 2) {
            _mm_storeu_si128(reinterpret_cast<__m128i*>(words + i), _mm256_castsi256_si128(values));
            i += 2;
        }
        if (count & 1) words[i] = value;
    }
    static void clear_words(uint64_t* words, int count) { set_words(words, count, 0); }
    // Each half's lane bits spread to bytes pick the fill colour or the byte as it was.
    static void fill_lanes(uint8_t* at, uint64_t lanes, const Colours& colours) {
        const __m256i byte_of_bit =
            _mm256_setr_epi8(0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 1, 1, 1, 1, 2, 2, 2, 2, 2, 2, 2, 2,
                             3, 3, 3, 3, 3, 3, 3, 3);
        const __m256i bit = _mm256_set1_epi64x(static_cast<int64_t>(0x8040201008040201));
        for (int half = 0; half < 2; ++half) {
            const uint32_t bits = static_cast<uint32_t>(lanes >> (32 * half));
            uint8_t* const part = at + 32 * half;
            if (bits == ~uint32_t{0}) {
                store(part, colours.fill);
            } else if (bits != 0) {
                const __m256i spread =
                    _mm256_shuffle_epi8(_mm256_set1_epi32(static_cast<int>(bits)), byte_of_bit);
                const __m256i chosen = _mm256_cmpeq_epi8(_mm256_and_si256(spread, bit), bit);
                store(part, _mm256_blendv_epi8(load(part), colours.fill, chosen));
            }
        }
    }
};

}  // namespace

void fill_region_avx2(FillRegion& region) {
    fill_spans<Avx2Lanes>(region);
}

}  // namespace zl::drawing

#if defined(__clang__)
#pragma clang attribute pop
#else
#pragma GCC pop_options
#endif
