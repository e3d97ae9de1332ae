// The drawing operations on the pages and with the arguments the test routines use: lines,
// filled boxes, pixels, circles, bordered and colour fills, tile fills.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include <immintrin.h>

#include "runtime/drawing/drawing.h"
#include "runtime/drawing/private/fill_region.h"
#include "runtime/host/headless/headless_host.h"
#include "runtime/screen/screen_mode.h"
#include "runtime/screen/screen_page.h"

namespace {

using namespace zl;

constexpr int32_t kFirstPointAndColour = 9;
constexpr int32_t kFillGiven = 2;
constexpr int32_t kFillAndBorder = 6;
constexpr int32_t kTileGiven = 2;
constexpr int32_t kColourGiven = 2;

// A fresh runtime in one screen mode for the length of a benchmark.
class Screen {
public:
    explicit Screen(int32_t mode) { set_screen_mode(mode, 0, 0, 0, 0, 1); }

private:
    HeadlessHost host_;
};

void BM_line_diagonal_320x200(benchmark::State& state) {
    Screen screen(7);
    int32_t colour = 1;
    for (auto _ : state) {
        draw_line(0, 0, 319, 199, colour, kLineKindLine, 0, kFirstPointAndColour);
        colour = (colour + 1) & 15;
    }
    state.SetItemsProcessed(state.iterations() * 320);
}
BENCHMARK(BM_line_diagonal_320x200);

// Random lines with ends 0 to 320 by 0 to 200, as the line tests draw them.
void BM_line_random_320x200(benchmark::State& state) {
    Screen screen(7);
    std::mt19937 random(3);
    std::vector<float> ends(4096 * 4);
    for (size_t i = 0; i < ends.size(); ++i) ends[i] = static_cast<float>(random() % (i % 2 ? 201 : 321));
    size_t at = 0;
    for (auto _ : state) {
        draw_line(ends[at], ends[at + 1], ends[at + 2], ends[at + 3], static_cast<int32_t>(at & 15),
                  kLineKindLine, 0, kFirstPointAndColour);
        at = (at + 4) % ends.size();
    }
}
BENCHMARK(BM_line_random_320x200);

void BM_filled_box_full_page_320x200(benchmark::State& state) {
    Screen screen(7);
    int32_t colour = 1;
    for (auto _ : state) {
        draw_line(0, 0, 320, 200, colour, kLineKindFilledBox, 0, kFirstPointAndColour);
        colour = (colour + 1) & 15;
    }
    state.SetBytesProcessed(state.iterations() * 320 * 200);
}
BENCHMARK(BM_filled_box_full_page_320x200);

void BM_set_pixel_and_point_colour(benchmark::State& state) {
    Screen screen(7);
    float x = 0;
    float y = 0;
    int32_t colour = 0;
    for (auto _ : state) {
        set_pixel(x, y, colour, kColourGiven);
        benchmark::DoNotOptimize(point_colour(x, y, 1));
        x = x < 340 ? x + 1 : 0;
        y = y < 200 ? y + 1 : 0;
        colour = (colour + 1) & 15;
    }
}
BENCHMARK(BM_set_pixel_and_point_colour);

void BM_circle_radius_50_mode7(benchmark::State& state) {
    Screen screen(7);
    int32_t colour = 1;
    for (auto _ : state) {
        draw_circle(160, 100, 50, colour, 0, 0, 0, kColourGiven);
        colour = (colour + 1) & 15;
    }
}
BENCHMARK(BM_circle_radius_50_mode7);

// A circle flooded from its centre with its own colour, as the circle and fill tests do.
void BM_circle_and_fill_mode7(benchmark::State& state) {
    Screen screen(7);
    std::mt19937 random(9);
    for (auto _ : state) {
        const float x = static_cast<float>(random() % 321);
        const float y = static_cast<float>(random() % 201);
        const double radius = static_cast<double>(random() % 100);
        const int32_t colour = static_cast<int32_t>(random() % 16);
        draw_circle(x, y, radius, colour, 0, 0, 0, kColourGiven);
        flood_fill(x, y, colour, 0, 0, kFillGiven);
    }
}
BENCHMARK(BM_circle_and_fill_mode7);

// The bordered fill's traversal chosen by name for the length of a benchmark, as a processor
// without the widest vectors would run it; chosen() is false where this one cannot run it.
class FillVariantChoice {
public:
    explicit FillVariantChoice(const char* name) {
        for (const auto& variant : drawing::runnable_fill_variants()) {
            if (std::strcmp(variant.name, name) == 0) {
                drawing::chosen_fill_variant() = variant.run;
                chosen_ = true;
            }
        }
    }
    ~FillVariantChoice() { drawing::chosen_fill_variant() = widest_; }
    FillVariantChoice(const FillVariantChoice&) = delete;
    FillVariantChoice& operator=(const FillVariantChoice&) = delete;

    bool chosen() const { return chosen_; }

private:
    drawing::FillVariant widest_ = drawing::chosen_fill_variant();
    bool chosen_ = false;
};

// The whole 640 × 480 page inside a one-pixel frame, repainted each time.
void BM_bordered_fill_whole_page_640x480(benchmark::State& state) {
    Screen screen(12);
    draw_line(0, 0, 639, 479, 4, kLineKindBox, 0, kFirstPointAndColour);
    int32_t fill = 2;
    for (auto _ : state) {
        flood_fill(1, 1, fill, 4, 0, kFillAndBorder);
        fill ^= 1;
    }
    state.SetItemsProcessed(state.iterations() * 638 * 478);
}
BENCHMARK(BM_bordered_fill_whole_page_640x480);

// The floor for the fills of a 640 x 480 page: every row compared once with the border colour
// and stored once, with the widest vectors the processor has. Returns the rows holding a wall.
// Each pass starts on a cache line: where its loop falls in the code changes its time by a
// third on some processors, and the floor should not move with the code around it.
__attribute__((target("avx512bw"), aligned(64))) int compare_and_store_avx512(uint8_t* page, int width, int height,
                                                                   uint8_t border, uint8_t fill) {
    const __m512i walls = _mm512_set1_epi8(static_cast<char>(border));
    const __m512i paint = _mm512_set1_epi8(static_cast<char>(fill));
    int rows_with_wall = 0;
    for (int y = 0; y < height; ++y) {
        uint8_t* row = page + static_cast<size_t>(y) * width;
        __mmask64 hits = 0;
        for (int x = 0; x + 64 <= width; x += 64) {
            hits |= _mm512_cmpeq_epi8_mask(_mm512_loadu_si512(row + x), walls);
            _mm512_storeu_si512(row + x, paint);
        }
        rows_with_wall += hits != 0;
    }
    return rows_with_wall;
}

__attribute__((target("avx2"), aligned(64))) int compare_and_store_avx2(uint8_t* page, int width, int height, uint8_t border,
                                                             uint8_t fill) {
    const __m256i walls = _mm256_set1_epi8(static_cast<char>(border));
    const __m256i paint = _mm256_set1_epi8(static_cast<char>(fill));
    int rows_with_wall = 0;
    for (int y = 0; y < height; ++y) {
        uint8_t* row = page + static_cast<size_t>(y) * width;
        __m256i hits = _mm256_setzero_si256();
        for (int x = 0; x + 32 <= width; x += 32) {
            const __m256i bytes = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(row + x));
            hits = _mm256_or_si256(hits, _mm256_cmpeq_epi8(bytes, walls));
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(row + x), paint);
        }
        rows_with_wall += !_mm256_testz_si256(hits, hits);
    }
    return rows_with_wall;
}

__attribute__((aligned(64))) int compare_and_store_sse2(uint8_t* page, int width, int height, uint8_t border, uint8_t fill) {
    const __m128i walls = _mm_set1_epi8(static_cast<char>(border));
    const __m128i paint = _mm_set1_epi8(static_cast<char>(fill));
    int rows_with_wall = 0;
    for (int y = 0; y < height; ++y) {
        uint8_t* row = page + static_cast<size_t>(y) * width;
        __m128i hits = _mm_setzero_si128();
        for (int x = 0; x + 16 <= width; x += 16) {
            const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + x));
            hits = _mm_or_si128(hits, _mm_cmpeq_epi8(bytes, walls));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(row + x), paint);
        }
        rows_with_wall += _mm_movemask_epi8(hits) != 0;
    }
    return rows_with_wall;
}

using CompareAndStore = int (*)(uint8_t*, int, int, uint8_t, uint8_t);

// The widest pass the processor runs, or the 32-byte one where it has AVX2 (nothing where not).
CompareAndStore floor_pass(bool widest, const char** name) {
    if (widest && __builtin_cpu_supports("avx512bw")) {
        *name = "avx512bw";
        return compare_and_store_avx512;
    }
    if (__builtin_cpu_supports("avx2")) {
        *name = "avx2";
        return compare_and_store_avx2;
    }
    *name = "sse2";
    return widest ? compare_and_store_sse2 : nullptr;
}

void floor_compare_and_store_640x480(benchmark::State& state, bool widest) {
    Screen screen(12);
    screen_page& page = *write_page;
    const char* name = "";
    const CompareAndStore pass = floor_pass(widest, &name);
    if (pass == nullptr) {
        state.SkipWithError("no AVX2");
        return;
    }
    state.SetLabel(name);
    uint8_t fill = 2;
    for (auto _ : state) {
        benchmark::DoNotOptimize(pass(page.pixels, page.width, page.height, 4, fill));
        benchmark::ClobberMemory();
        fill ^= 1;
    }
    state.SetItemsProcessed(state.iterations() * 638 * 478);
}
BENCHMARK_CAPTURE(floor_compare_and_store_640x480, widest, true);
BENCHMARK_CAPTURE(floor_compare_and_store_640x480, avx2, false);

// 64 random triangles over the 640 × 480 page, with their outline and fill colours.
struct Triangle {
    float x1, y1, x2, y2, x3, y3;
    int32_t outline, fill;
};

std::vector<Triangle> random_triangles() {
    std::mt19937 random(21);
    std::vector<Triangle> triangles(64);
    for (Triangle& t : triangles) {
        t = Triangle{float(random() % 640), float(random() % 480), float(random() % 640),
                     float(random() % 480), float(random() % 640), float(random() % 480),
                     int32_t(1 + random() % 15), int32_t(1 + random() % 15)};
    }
    return triangles;
}

void draw_outline(const Triangle& t) {
    draw_line(t.x1, t.y1, t.x2, t.y2, t.outline, kLineKindLine, 0, kFirstPointAndColour);
    draw_line(t.x2, t.y2, t.x3, t.y3, t.outline, kLineKindLine, 0, kFirstPointAndColour);
    draw_line(t.x3, t.y3, t.x1, t.y1, t.outline, kLineKindLine, 0, kFirstPointAndColour);
}

// Each triangle's outline, 16 times over, and with `fill` a bordered fill from one pixel inside
// its first corner after it.
void triangles_640x480(benchmark::State& state, bool fill) {
    Screen screen(12);
    const std::vector<Triangle> triangles = random_triangles();
    size_t at = 0;
    for (auto _ : state) {
        const Triangle& t = triangles[at / 16];
        draw_outline(t);
        if (fill) flood_fill(t.x1 + 1, t.y1 + 1, t.fill, t.outline, 0, kFillAndBorder);
        at = (at + 1) % (triangles.size() * 16);
    }
}

// A triangle outline and a bordered fill from one pixel inside its first corner, as the
// bordered fill tests repeat it; the fill may leak out of the triangle over the page.
void BM_triangle_and_bordered_fill_640x480(benchmark::State& state) {
    triangles_640x480(state, true);
}
BENCHMARK(BM_triangle_and_bordered_fill_640x480);

// The same triangle outlines without the fill: the part of the benchmark above that is lines.
void BM_triangle_outline_640x480(benchmark::State& state) {
    triangles_640x480(state, false);
}
BENCHMARK(BM_triangle_outline_640x480);

// The two fills again with each narrower traversal, as a processor without the widest vectors
// runs them.
void fill_in_variant(benchmark::State& state, void (*fill)(benchmark::State&), const char* variant) {
    const FillVariantChoice choice(variant);
    if (!choice.chosen()) {
        state.SkipWithError("variant not runnable here");
        return;
    }
    state.SetLabel(variant);
    fill(state);
}
BENCHMARK_CAPTURE(fill_in_variant, whole_page_640x480_avx2, BM_bordered_fill_whole_page_640x480,
                  "avx2");
BENCHMARK_CAPTURE(fill_in_variant, whole_page_640x480_sse2, BM_bordered_fill_whole_page_640x480,
                  "sse2");
BENCHMARK_CAPTURE(fill_in_variant, triangle_640x480_avx2, BM_triangle_and_bordered_fill_640x480,
                  "avx2");
BENCHMARK_CAPTURE(fill_in_variant, triangle_640x480_sse2, BM_triangle_and_bordered_fill_640x480,
                  "sse2");

// A fill of the whole page where the border is the fill colour (two colours in turn).
void BM_colour_fill_whole_page_320x200(benchmark::State& state) {
    Screen screen(7);
    int32_t fill = 1;
    for (auto _ : state) {
        flood_fill(10, 10, fill, 0, 0, kFillGiven);
        fill ^= 3;
    }
    state.SetItemsProcessed(state.iterations() * 320 * 200);
}
BENCHMARK(BM_colour_fill_whole_page_320x200);

// A tile fill of the whole 320 × 200 page with a seven-byte tile, from a cleared page each time
// (the clearing is not timed).
void tile_fill_whole_page(benchmark::State& state, int32_t mode) {
    Screen screen(mode);
    const char tile_bytes[7] = {0x3C, 0x25, 0x0F, 0x16, 0x5A, 0x43, 0x71};
    string_descriptor* tile = string_from_literal(tile_bytes, 7);
    screen_page& page = *write_page;
    for (auto _ : state) {
        state.PauseTiming();
        std::memset(page.pixels, 0, size_t{page.width} * page.height);
        state.ResumeTiming();
        flood_fill_tiled(100, 100, tile, 0, nullptr, kTileGiven);
    }
    state.SetItemsProcessed(state.iterations() * 320 * 200);
}
BENCHMARK_CAPTURE(tile_fill_whole_page, mode1, 1);
BENCHMARK_CAPTURE(tile_fill_whole_page, mode7, 7);

}  // namespace
BENCHMARK_MAIN();
