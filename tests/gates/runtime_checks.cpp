#include "tests/gates/runtime_checks.h"

#include <cstring>
#include <sstream>

#include "runtime/core/error_state.h"
#include "runtime/core/random.h"
#include "runtime/core/static_pool.h"
#include "runtime/core/strings.h"
#include "runtime/machine/key_ring.h"
#include "runtime/machine/low_memory.h"
#include "runtime/screen/display_link.h"
#include "runtime/screen/palette.h"
#include "runtime/screen/screen_mode.h"
#include "runtime/screen/screen_page.h"

namespace zl::gates {

namespace {

constexpr uint32_t kRandomStateLimit = 1u << 24;
constexpr uint32_t kHighestSegmentBase = 0xFFFFu << 4;

struct Geometry {
    uint16_t mode;
    uint16_t width;
    uint16_t height;
    uint8_t colour_bits;
};

// Every screen set_screen_mode accepts, as a page of it must look.
constexpr Geometry kGraphicsGeometry[] = {
    {1, 320, 200, 2},  {2, 640, 200, 1},  {7, 320, 200, 4},  {8, 640, 200, 4},  {9, 640, 350, 4},
    {10, 640, 350, 2}, {11, 640, 480, 1}, {12, 640, 480, 4}, {13, 320, 200, 8},
};

std::string page_fault(const char* role, const screen_page* page) {
    std::ostringstream out;
    out << role << ": ";
    if (page == nullptr) return out.str() + "no page";
    if (page->pixels == nullptr) return out.str() + "no pixels";
    if (page->palette == nullptr) return out.str() + "no palette";
    if (page->text > 1) return out.str() + "text flag " + std::to_string(page->text);
    if (page->text) {
        if (page->mode != 0 || page->bytes_per_pixel != 2) return out.str() + "text page record";
        if ((page->width != 40 && page->width != 80) ||
            (page->height != 25 && page->height != 43 && page->height != 50)) {
            return out.str() + "text grid " + std::to_string(page->width) + "x" + std::to_string(page->height);
        }
    } else {
        bool known = false;
        for (const Geometry& g : kGraphicsGeometry) {
            known = known || (g.mode == page->mode && g.width == page->width && g.height == page->height &&
                              g.colour_bits == page->colour_bits);
        }
        if (!known || page->bytes_per_pixel != 1) return out.str() + "mode " + std::to_string(page->mode) + " geometry";
        if (page->colour_mask != (1u << page->colour_bits) - 1) return out.str() + "colour mask";
    }
    const int rows = text_rows(*page);
    const int columns = text_columns(*page);
    if (page->window_top < 1 || page->window_bottom < page->window_top || page->window_bottom > rows) {
        return out.str() + "text window " + std::to_string(page->window_top) + ".." +
               std::to_string(page->window_bottom);
    }
    if (page->cursor_row < 1 || page->cursor_row > rows || page->cursor_column < 1 ||
        page->cursor_column > columns) {
        return out.str() + "cursor at " + std::to_string(page->cursor_row) + "," +
               std::to_string(page->cursor_column);
    }
    if (page->clip_left < 0 || page->clip_top < 0 || page->clip_right >= page->width ||
        page->clip_bottom >= page->height) {
        return out.str() + "clip box";
    }
    if (page->cursor_start_line > 31 || page->cursor_stop_line > 31) return out.str() + "cursor lines";
    return {};
}

void add(std::vector<uint64_t>& fields, uint64_t value) { fields.push_back(value); }

uint64_t bits_of(float value) {
    uint32_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

// FNV-1a over 64-bit words: fast enough to run before and after every refused call.
uint64_t hash_bytes(const uint8_t* bytes, size_t count) {
    uint64_t hash = 0xCBF29CE484222325ull;
    size_t i = 0;
    for (; i + 8 <= count; i += 8) {
        uint64_t word = 0;
        std::memcpy(&word, bytes + i, sizeof word);
        hash = (hash ^ word) * 0x100000001B3ull;
    }
    for (; i < count; ++i) hash = (hash ^ bytes[i]) * 0x100000001B3ull;
    return hash;
}

void add_page(std::vector<uint64_t>& fields, const screen_page& page) {
    add(fields, page.text);
    add(fields, page.width);
    add(fields, page.height);
    add(fields, page.bytes_per_pixel);
    add(fields, page.colour_bits);
    add(fields, page.colour_mask);
    add(fields, page.mode);
    add(fields, page.foreground);
    add(fields, page.background);
    add(fields, static_cast<uint32_t>(page.font));
    add(fields, static_cast<uint16_t>(page.window_top));
    add(fields, static_cast<uint16_t>(page.window_bottom));
    add(fields, static_cast<uint16_t>(page.cursor_column));
    add(fields, static_cast<uint16_t>(page.cursor_row));
    add(fields, reinterpret_cast<uintptr_t>(page.pixels));
    add(fields, reinterpret_cast<uintptr_t>(page.palette));
    add(fields, static_cast<uint32_t>(page.clip_left));
    add(fields, static_cast<uint32_t>(page.clip_top));
    add(fields, static_cast<uint32_t>(page.clip_right));
    add(fields, static_cast<uint32_t>(page.clip_bottom));
    add(fields, static_cast<uint32_t>(page.view_x));
    add(fields, static_cast<uint32_t>(page.view_y));
    add(fields, bits_of(page.graphics_x));
    add(fields, bits_of(page.graphics_y));
    add(fields, page.view_kind);
    add(fields, bits_of(page.window_scale_x));
    add(fields, bits_of(page.window_scale_y));
    add(fields, bits_of(page.window_offset_x));
    add(fields, bits_of(page.window_offset_y));
    add(fields, page.last_colour);
    add(fields, page.cursor_parked);
    add(fields, page.cursor_visible);
    add(fields, page.cursor_start_line);
    add(fields, page.cursor_stop_line);
}

const char* const kFieldNames[] = {
    "text", "width", "height", "bytes_per_pixel", "colour_bits", "colour_mask", "mode",
    "foreground", "background", "font", "window_top", "window_bottom", "cursor_column",
    "cursor_row", "pixels", "palette", "clip_left", "clip_top", "clip_right", "clip_bottom",
    "view_x", "view_y", "graphics_x", "graphics_y", "view_kind", "window_scale_x",
    "window_scale_y", "window_offset_x", "window_offset_y", "last_colour", "cursor_parked",
    "cursor_visible", "cursor_start_line", "cursor_stop_line",
};
constexpr size_t kPageFields = std::size(kFieldNames);

}  // namespace

std::string runtime_state_fault() {
    for (const auto& [role, page] : {std::pair{"write page", write_page}, std::pair{"read page", read_page},
                                     std::pair{"display page", display_page}}) {
        std::string fault = page_fault(role, page);
        if (!fault.empty()) return fault;
    }
    if (display_link.handover_requested.load()) return "hand-over flag left raised";
    if (random_seed >= kRandomStateLimit) return "random state beyond 24 bits";
    if (selected_segment < low_memory || selected_segment > low_memory + kHighestSegmentBase) {
        return "selected segment outside low memory";
    }
    if (low_memory_stack.pointer < low_memory_stack.limit || low_memory_stack.pointer > 65536) {
        return "low-memory stack pointer " + std::to_string(low_memory_stack.pointer);
    }
    uint16_t head = 0;
    uint16_t tail = 0;
    std::memcpy(&head, low_memory + kKeyRingHead, sizeof head);
    std::memcpy(&tail, low_memory + kKeyRingTail, sizeof tail);
    for (const uint16_t offset : {head, tail}) {
        if (offset < kKeyRingFirstOffset || offset > kKeyRingLastOffset || offset % 2 != 0) {
            return "key ring offset " + std::to_string(offset);
        }
    }
    const StringStoreStats strings = string_store_stats();
    if (strings.live_descriptors < 0 || strings.live_blocks < 0 ||
        static_cast<int64_t>(strings.temporaries) > strings.live_descriptors) {
        return "string store counts";
    }
    if (static_pool.base == nullptr || static_pool.next < static_pool.base || static_pool.next > static_pool.limit) {
        return "static pool pointers";
    }
    const int32_t pending = error_state.pending_error.load();
    if (pending < 0) return "pending error " + std::to_string(pending);
    return {};
}

StateDigest digest_state() {
    StateDigest digest;
    std::vector<uint64_t>& fields = digest.fields;
    add_page(fields, *write_page);
    add(fields, reinterpret_cast<uintptr_t>(write_page));
    add(fields, reinterpret_cast<uintptr_t>(read_page));
    add(fields, reinterpret_cast<uintptr_t>(display_page));
    const size_t pixel_bytes = size_t{write_page->width} * write_page->height * write_page->bytes_per_pixel;
    add(fields, hash_bytes(write_page->pixels, pixel_bytes));
    add(fields, hash_bytes(reinterpret_cast<const uint8_t*>(write_page->palette), kPaletteEntries * 4));
    add(fields, static_cast<uint64_t>(screen_page_count()));
    add(fields, random_seed);
    add(fields, static_cast<uint64_t>(selected_segment - low_memory));
    add(fields, static_cast<uint32_t>(low_memory_stack.pointer));
    add(fields, static_cast<uint32_t>(low_memory_stack.limit));
    add(fields, static_cast<uint64_t>(key_ring_count()));
    return digest;
}

std::string digest_difference(const StateDigest& before, const StateDigest& after) {
    static const char* const kOtherNames[] = {
        "write_page", "read_page", "display_page", "write page pixels", "palette", "page count",
        "random_seed", "selected_segment", "low-memory stack pointer", "low-memory stack limit",
        "key ring count",
    };
    for (size_t i = 0; i < before.fields.size() && i < after.fields.size(); ++i) {
        if (before.fields[i] == after.fields[i]) continue;
        const char* name = i < kPageFields ? kFieldNames[i] : kOtherNames[i - kPageFields];
        return std::string(name) + " " + std::to_string(before.fields[i]) + " -> " +
               std::to_string(after.fields[i]);
    }
    return "field count";
}

}  // namespace zl::gates
