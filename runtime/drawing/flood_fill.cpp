// Colour fill bounded by a border colour (flood_fill): the checks of the call and the page;
// the traversal itself runs in the widest vectors the processor has (fill_region_*.cpp).
#include <algorithm>
#include <vector>

#include "runtime/core/error_state.h"
#include "runtime/drawing/drawing.h"
#include "runtime/drawing/private/fill_region.h"
#include "runtime/drawing/private/page_access.h"
#include "runtime/screen/display_link.h"

namespace zl {

namespace {

using drawing::ClipBox;
using drawing::FillRegion;
using drawing::PixelPoint;

constexpr int32_t kPresenceRelative = 1;
constexpr int32_t kPresenceFill = 2;
constexpr int32_t kPresenceBorder = 4;
constexpr int32_t kPresenceFifth = 8;

// The segment stack, the visited bits and their rows' stamps are kept from fill to fill, so a
// fill allocates only for a larger page than any before it. Each fill has a stamp of its own.
std::vector<drawing::FillSegment> segment_stack;
std::vector<uint64_t> visited_bits;
std::vector<uint32_t> row_stamps;
uint32_t last_stamp = 0;

// A stamp no row holds yet. After 2^32 fills the stamps start again, every row's cleared.
uint32_t next_stamp() {
    if (++last_stamp == 0) {
        std::fill(row_stamps.begin(), row_stamps.end(), 0);
        last_stamp = 1;
    }
    return last_stamp;
}

void fill_region(screen_page& page, const ClipBox& clip, PixelPoint start, uint8_t fill, uint8_t border) {
    const size_t words = (static_cast<size_t>(page.width) + 63) / 64;
    if (visited_bits.size() < words * page.height) visited_bits.resize(words * page.height);
    if (row_stamps.size() < page.height) row_stamps.resize(page.height, 0);
    const size_t pixels = static_cast<size_t>(page.width) * page.height;
    if (segment_stack.size() < 3 * pixels + 2) segment_stack.resize(3 * pixels + 2);
    FillRegion region;
    region.pixels = page.pixels;
    region.width = page.width;
    region.clip = clip;
    region.start_x = static_cast<int>(start.x);
    region.start_y = static_cast<int>(start.y);
    region.fill = fill;
    region.border = border;
    region.visited = visited_bits.data();
    region.visited_words = words;
    region.row_stamps = row_stamps.data();
    region.stamp = next_stamp();
    region.stack = segment_stack.data();
    region.stack_size = segment_stack.size();
    drawing::chosen_fill_variant()(region);
}

}  // namespace

std::vector<drawing::NamedFillVariant> drawing::runnable_fill_variants() {
    __builtin_cpu_init();
    std::vector<NamedFillVariant> variants{{"sse2", fill_region_sse2}};
    // The wider variants also count leading zeros and pick bits in one instruction each.
    const bool bit_instructions = __builtin_cpu_supports("bmi") && __builtin_cpu_supports("bmi2") &&
                                  __builtin_cpu_supports("lzcnt");
    if (!bit_instructions) return variants;
    if (__builtin_cpu_supports("avx2")) variants.push_back({"avx2", fill_region_avx2});
    if (__builtin_cpu_supports("avx512bw")) variants.push_back({"avx512bw", fill_region_avx512});
    return variants;
}

drawing::FillVariant& drawing::chosen_fill_variant() {
    static FillVariant variant = runnable_fill_variants().back().run;
    return variant;
}

void flood_fill(float x, float y, int32_t fill_colour, int32_t border_colour, int32_t fifth,
                int32_t presence) {
    using namespace drawing;
    (void)fifth;   // only its presence matters: it is refused
    if (error_is_pending()) return;
    screen_page* const page = write_page;
    if (page == nullptr) return;
    if (page->text || (presence & kPresenceFifth)) {
        raise_error(kIllegalFunctionCall);
        return;
    }
    const uint32_t fill_given = (presence & kPresenceFill) ? static_cast<uint32_t>(fill_colour) : page->foreground;
    const uint32_t border_given = (presence & kPresenceBorder) ? static_cast<uint32_t>(border_colour) : fill_given;
    const uint8_t fill = stored_colour(*page, fill_given);
    const uint8_t border = stored_colour(*page, border_given);
    place_graphics_cursor(*page, x, y, (presence & kPresenceRelative) != 0);
    if (!has_pixel_buffer(*page)) return;
    const PixelPoint start = pixel_of(*page, page->graphics_x, page->graphics_y);
    const ClipBox clip = clip_box_of(*page);
    if (!clip.contains(start.x, start.y)) return;
    if (row_of(*page, start.y)[start.x] == border) return;

    fill_region(*page, clip, start, fill, border);
    mark_display_changed();
}

}  // namespace zl
