// The bordered fill's traversal, shared by the scan variants: one call paints the region around
// a start pixel. Internal to the drawing service.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "runtime/drawing/private/page_access.h"

namespace zl::drawing {

// Row `y` is to be explored over [left, right]; row y - dy is painted there already.
struct FillSegment {
    uint16_t y = 0;
    uint16_t left = 0;
    uint16_t right = 0;
    int16_t dy = 0;
};

// Everything one fill works on. A pixel is open while it does not hold the border colour and,
// when it holds the fill colour, this fill has not painted it (its bit in `visited` is clear).
// Pixels of the fill colour the fill did not paint thus pass the spread on.
struct FillRegion {
    uint8_t* pixels = nullptr;
    int width = 0;                 // bytes from one row to the next; every row holds this many
    ClipBox clip;
    int start_x = 0;
    int start_y = 0;
    uint8_t fill = 0;
    uint8_t border = 0;
    // One bit a pixel (bit x % 64 of word x / 64), rows `visited_words` words apart. A row's
    // bits are this fill's only while its entry in `row_stamps` is `stamp`; any other row's are
    // left from an earlier fill, and are cleared when this fill first comes to the row, so no
    // fill clears the rows it leaves. Every run is painted whole, from wall to wall, and a pixel
    // next to a painted one is itself painted or a wall; so in each row the painted pixels make
    // whole runs between border pixels and the clip box's edges, and a run of no border pixel is
    // painted all through or not at all.
    uint64_t* visited = nullptr;
    size_t visited_words = 0;
    uint32_t* row_stamps = nullptr;  // one a row
    uint32_t stamp = 0;              // this fill's, unlike every other fill's before it
    // Room for 3 segments a pixel of the clip box and 2 more: every run pushes at most 3 (its
    // onward segment and its parts beyond the segment it came from) and paints at least one
    // pixel no other run paints, so the stack never outgrows it.
    FillSegment* stack = nullptr;
    size_t stack_size = 0;
};

// The variants of the traversal, one per vector width; each needs the instructions it is named
// after.
void fill_region_sse2(FillRegion& region);
void fill_region_avx2(FillRegion& region);
void fill_region_avx512(FillRegion& region);

using FillVariant = void (*)(FillRegion&);

struct NamedFillVariant {
    const char* name;
    FillVariant run;
};

// The variants this processor runs, narrowest first.
std::vector<NamedFillVariant> runnable_fill_variants();

// The variant flood_fill runs: the widest the processor has, unless a test has chosen another.
FillVariant& chosen_fill_variant();

}  // namespace zl::drawing
