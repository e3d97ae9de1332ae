// The bordered fill's traversal over 64-pixel vectors, for processors with AVX-512 byte
// instructions. Only the functions defined here are compiled for them; the caller checks the
// processor first.
#include <immintrin.h>

#include <algorithm>
#include <cassert>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "runtime/drawing/private/fill_region.h"

#if defined(__clang__)
#pragma clang attribute push(__attribute__((target("avx512f,avx512bw,bmi,bmi2,lzcnt"))), apply_to = function)
#else
#pragma GCC push_options
#pragma GCC target("avx512f,avx512bw,bmi,bmi2,lzcnt")
// The stores of whole blocks and visited words stay as written: made into calls to memset,
// they cost more than the few blocks of a row take.
#pragma GCC optimize("no-tree-loop-distribute-patterns")
#endif

#include "runtime/drawing/private/fill_spans.h"

namespace zl::drawing {

namespace {

struct Avx512Lanes {
    struct Colours {
        __m512i border;
        __m512i fill;
    };

    static Colours colours(uint8_t border, uint8_t fill) {
        return Colours{_mm512_set1_epi8(static_cast<char>(border)),
                       _mm512_set1_epi8(static_cast<char>(fill))};
    }
    static uint64_t border_bits(const uint8_t* at, const Colours& colours) {
        return _mm512_cmpeq_epi8_mask(_mm512_loadu_si512(at), colours.border);
    }
    // Each compare is masked by the ones before it, in two chains, and the result tested once:
    // a branch, or a mask move and OR, for each block would cost as much as its compare.
    static bool any_border(const uint8_t* at, int blocks, const Colours& colours) {
        __mmask64 clear_even = ~__mmask64{0};
        __mmask64 clear_odd = ~__mmask64{0};
        int i = 0;
#pragma GCC unroll 8
        for (; i + 1 < blocks; i += 2) {
            clear_even = _mm512_mask_cmpneq_epi8_mask(clear_even, colours.border,
                                                      _mm512_loadu_si512(at + i * 64));
            clear_odd = _mm512_mask_cmpneq_epi8_mask(clear_odd, colours.border,
                                                     _mm512_loadu_si512(at + i * 64 + 64));
        }
        if (i < blocks) {
            clear_even = _mm512_mask_cmpneq_epi8_mask(clear_even, colours.border,
                                                      _mm512_loadu_si512(at + i * 64));
        }
        return !_kortestc_mask64_u8(_kand_mask64(clear_even, clear_odd),
                                    _kand_mask64(clear_even, clear_odd));
    }
    static void fill_blocks(uint8_t* at, int blocks, const Colours& colours) {
#pragma GCC unroll 8
        for (int i = 0; i < blocks; ++i) _mm512_storeu_si512(at + i * 64, colours.fill);
    }
    static void fill_lanes(uint8_t* at, uint64_t lanes, const Colours& colours) {
        _mm512_mask_storeu_epi8(at, lanes, colours.fill);
    }
    // Stores of 8, 4, 2 and 1 words, none masked: the words may be read back soon after, and a
    // masked store cannot pass its value on to a load.
    static void set_words(uint64_t* words, int count, uint64_t value) {
        int i = 0;
        for (; i + 8 <= count; i += 8) {
            _mm512_storeu_si512(words + i, _mm512_set1_epi64(static_cast<long long>(value)));
        }
        if (count & 4) {
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(words + i),
                                _mm256_set1_epi64x(static_cast<long long>(value)));
            i += 4;
        }
        if (count & 2) {
            _mm_storeu_si128(reinterpret_cast<__m128i*>(words + i),
                             _mm_set1_epi64x(static_cast<long long>(value)));
            i += 2;
        }
        if (count & 1) words[i] = value;
    }
    // One masked store for each 8 words; the rows of the screen's pages (10 words at most) take
    // one or two with no loop.
    static void clear_words(uint64_t* words, int count) {
        if (count <= 16) {
            const auto lanes =
                static_cast<__mmask16>(_bzhi_u32(0xFFFF, static_cast<unsigned>(count)));
            _mm512_mask_storeu_epi64(words, static_cast<__mmask8>(lanes), _mm512_setzero_si512());
            if (count > 8) {
                _mm512_mask_storeu_epi64(words + 8, static_cast<__mmask8>(lanes >> 8),
                                         _mm512_setzero_si512());
            }
            return;
        }
        for (int i = 0; i < count; i += 8) {
            const int left = count - i;
            const auto lanes = static_cast<__mmask8>(left >= 8 ? 0xFF : (1u << left) - 1);
            _mm512_mask_storeu_epi64(words + i, lanes, _mm512_setzero_si512());
        }
    }
};

}  // namespace

void fill_region_avx512(FillRegion& region) {
    fill_spans<Avx512Lanes>(region);
}

}  // namespace zl::drawing

#if defined(__clang__)
#pragma clang attribute pop
#else
#pragma GCC pop_options
#endif
