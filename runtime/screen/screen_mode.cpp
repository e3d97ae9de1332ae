#include "runtime/screen/screen_mode.h"

#include <array>
#include <cassert>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>
#include <thread>
#include <vector>

#include "runtime/core/error_state.h"
#include "runtime/machine/low_memory.h"
#include "runtime/screen/display_link.h"
#include "runtime/screen/palette.h"
#include "runtime/screen/screen_page.h"

namespace zl {

screen_page* write_page = nullptr;
screen_page* read_page = nullptr;
screen_page* display_page = nullptr;

namespace {

constexpr int32_t kPresenceMode = 1;
constexpr int32_t kPresenceActivePage = 4;
constexpr int32_t kPresenceVisualPage = 8;

// Pages are made on demand; the cap keeps a wild page number from exhausting memory.
constexpr int32_t kMaxPageNumber = 63;
constexpr int kTextPageCount = 8;
constexpr uint32_t kTextMemoryBytes = 65536;
constexpr uint8_t kBlankCharacter = 32;
constexpr uint8_t kStartAttribute = 7;

struct GraphicsModeTraits {
    uint16_t mode;
    uint16_t width;
    uint16_t height;
    uint8_t colour_bits;
    int32_t font;
    uint32_t foreground;
};

// Modes 1, 7 and 12 are the ones this program uses; the others are accepted with their classic
// geometry.
constexpr GraphicsModeTraits kGraphicsModes[] = {
    {1, 320, 200, 2, 8, 3},    {2, 640, 200, 1, 8, 1},    {7, 320, 200, 4, 8, 15},
    {8, 640, 200, 4, 8, 15},   {9, 640, 350, 4, 14, 15},  {10, 640, 350, 2, 14, 3},
    {11, 640, 480, 1, 16, 1},  {12, 640, 480, 4, 16, 15}, {13, 320, 200, 8, 8, 15},
};

const GraphicsModeTraits* graphics_mode_traits(int32_t mode) {
    for (const GraphicsModeTraits& traits : kGraphicsModes) {
        if (traits.mode == mode) return &traits;
    }
    return nullptr;
}

bool mode_accepted(int32_t mode) { return mode == 0 || graphics_mode_traits(mode) != nullptr; }

struct TextGrid {
    int columns = 80;
    int rows = 25;
    int32_t font = 16;
};

// Page memory starts on a cache line, so every row of a page 64 pixels or a multiple wide does
// too: the fills' vector stores then never straddle two lines.
template <class T>
struct CacheLineAllocator {
    using value_type = T;
    static constexpr std::align_val_t kLine{64};
    CacheLineAllocator() = default;
    template <class U>
    CacheLineAllocator(const CacheLineAllocator<U>&) {}
    T* allocate(size_t count) { return static_cast<T*>(::operator new(count * sizeof(T), kLine)); }
    void deallocate(T* at, size_t) { ::operator delete(at, kLine); }
    bool operator==(const CacheLineAllocator&) const = default;
};

struct PageStore {
    screen_page record;
    std::vector<uint8_t, CacheLineAllocator<uint8_t>> own_memory;   // empty when the page lies in low memory
};

// The current screen: its pages by number (null until made), one palette they all share, and
// the fresh record each new page starts from.
struct Screen {
    std::unique_ptr<std::array<uint32_t, kPaletteEntries>> palette;
    std::vector<std::unique_ptr<PageStore>> pages;
    screen_page prototype;
    uint32_t page_bytes = 0;
    uint32_t low_memory_stride = 0;   // text pages only; 0 for graphics screens
};

Screen screen;

// Images other than screen pages. The runtime has no operation that makes one, so the list stays
// empty; it is kept under its lock all the same, as every change of it must be.
struct ImageList {
    std::mutex lock;
    std::vector<std::unique_ptr<PageStore>> images;
};

ImageList image_list;

// Raises the hand-over flag and waits until the frame producer has let go of the pages; lowers
// the flag when the new pages are in place.
class Handover {
public:
    Handover() {
        display_link.handover_acknowledged.store(false, std::memory_order_relaxed);
        display_link.handover_requested.store(true, std::memory_order_release);
        // A zero-length sleep: give the processor away and look again.
        while (display_link.producer_running.load(std::memory_order_acquire) &&
               !display_link.handover_acknowledged.load(std::memory_order_acquire)) {
            std::this_thread::yield();
        }
        display_link.frame_out_of_date.store(true, std::memory_order_relaxed);
    }
    ~Handover() {
        display_link.handover_requested.store(false, std::memory_order_release);
        mark_display_changed();
    }
    Handover(const Handover&) = delete;
    Handover& operator=(const Handover&) = delete;
};

TextGrid text_grid_replacing(const screen_page* old_page) {
    if (old_page == nullptr) return TextGrid{};
    const int columns = text_columns(*old_page);
    const int rows = text_rows(*old_page);
    struct Kept {
        int columns;
        int rows;
        int32_t font;
    };
    constexpr Kept kKeptGrids[] = {
        {80, 50, 8}, {80, 43, 8}, {40, 50, 9}, {40, 43, 9}, {40, 25, 17},
    };
    for (const Kept& kept : kKeptGrids) {
        if (kept.columns == columns && kept.rows == rows) return TextGrid{columns, rows, kept.font};
    }
    return TextGrid{};
}

uint32_t text_page_stride(const TextGrid& grid) {
    if (grid.columns == 80 && grid.rows == 25) return 4096;
    if (grid.columns == 40 && grid.rows == 25) return 2048;
    return static_cast<uint32_t>(grid.columns * grid.rows * 2);
}

void fill_text_cells(uint8_t* cells, size_t count) {
    for (size_t i = 0; i < count; ++i) {
        cells[2 * i] = kBlankCharacter;
        cells[2 * i + 1] = kStartAttribute;
    }
}

void prepare_text_screen(const TextGrid& grid) {
    screen_page& page = screen.prototype;
    page = screen_page{};
    page.text = 1;
    page.width = static_cast<uint16_t>(grid.columns);
    page.height = static_cast<uint16_t>(grid.rows);
    page.bytes_per_pixel = 2;
    page.colour_bits = 4;
    page.colour_mask = 15;
    page.mode = 0;
    page.foreground = 7;
    page.background = 0;
    page.font = grid.font;
    page.window_top = 1;
    page.window_bottom = static_cast<int16_t>(grid.rows - 1);
    page.clip_right = grid.columns - 1;
    page.clip_bottom = grid.rows - 1;
    page.cursor_visible = false;
    page.cursor_start_line = 4;
    page.cursor_stop_line = 4;
    screen.page_bytes = static_cast<uint32_t>(grid.columns * grid.rows * 2);
    screen.low_memory_stride = text_page_stride(grid);
    fill_text_cells(low_memory + kTextPagesBase, kTextMemoryBytes / 2);
}

void prepare_graphics_screen(const GraphicsModeTraits& traits, const screen_page* old_page) {
    int32_t font = traits.font;
    // Mode 12 keeps an 80 × 60 grid of the screen it replaces.
    if (traits.mode == 12 && old_page != nullptr && text_columns(*old_page) == 80 &&
        text_rows(*old_page) == 60) {
        font = 8;
    }
    screen_page& page = screen.prototype;
    page = screen_page{};
    page.text = 0;
    page.width = traits.width;
    page.height = traits.height;
    page.bytes_per_pixel = 1;
    page.colour_bits = traits.colour_bits;
    page.colour_mask = (1u << traits.colour_bits) - 1;
    page.mode = traits.mode;
    page.foreground = traits.foreground;
    page.background = 0;
    page.font = font;
    page.window_top = 1;
    page.window_bottom = static_cast<int16_t>(text_rows(page) - 1);
    page.clip_right = traits.width - 1;
    page.clip_bottom = traits.height - 1;
    page.graphics_x = traits.width / 2.0f;
    page.graphics_y = traits.height / 2.0f;
    screen.page_bytes = uint32_t{traits.width} * traits.height;
    screen.low_memory_stride = 0;
}

screen_page* make_page(int32_t number) {
    assert(number >= 0 && number <= kMaxPageNumber);
    if (screen.pages.size() <= static_cast<size_t>(number)) screen.pages.resize(number + 1);
    auto store = std::make_unique<PageStore>();
    store->record = screen.prototype;
    store->record.palette = screen.palette->data();
    const uint32_t stride = screen.low_memory_stride;
    const bool in_low_memory =
        stride != 0 && (static_cast<uint32_t>(number) + 1) * stride <= kTextMemoryBytes;
    if (in_low_memory) {
        // Already blank: the 64 KB were filled when the screen was made.
        store->record.pixels = low_memory + kTextPagesBase + number * stride;
    } else {
        store->own_memory.assign(screen.page_bytes, 0);
        if (screen.prototype.text) fill_text_cells(store->own_memory.data(), screen.page_bytes / 2);
        store->record.pixels = store->own_memory.data();
    }
    screen.pages[number] = std::move(store);
    return &screen.pages[number]->record;
}

screen_page* page_numbered(int32_t number) {
    if (static_cast<size_t>(number) < screen.pages.size() && screen.pages[number] != nullptr) {
        return &screen.pages[number]->record;
    }
    return make_page(number);
}

const screen_page* current_page_zero() {
    if (screen.pages.empty() || screen.pages[0] == nullptr) return nullptr;
    return &screen.pages[0]->record;
}

// Releases the old screen and makes the new one; the caller holds the hand-over. The old page 0
// is read for the grid rules before it goes.
void make_screen(int32_t mode, bool keep_grid) {
    const screen_page* old_page = keep_grid ? current_page_zero() : nullptr;
    const GraphicsModeTraits* traits = graphics_mode_traits(mode);
    if (traits == nullptr) {
        const TextGrid grid = text_grid_replacing(old_page);
        screen.pages.clear();
        prepare_text_screen(grid);
    } else {
        prepare_graphics_screen(*traits, old_page);
        screen.pages.clear();
    }
    if (screen.palette == nullptr) screen.palette = std::make_unique<std::array<uint32_t, kPaletteEntries>>();
    fill_default_palette(screen.prototype.mode, screen.palette->data());
    if (screen.prototype.text) {
        for (int number = 0; number < kTextPageCount; ++number) make_page(number);
    } else {
        make_page(0);
    }
    screen_page* page_zero = &screen.pages[0]->record;
    write_page = page_zero;
    read_page = page_zero;
    display_page = page_zero;
}

bool page_number_valid(int32_t number) {
    return static_cast<uint32_t>(number) <= static_cast<uint32_t>(kMaxPageNumber);
}

}  // namespace

void set_screen_mode(int32_t mode, int32_t /*colour_switch*/, int32_t active_page,
                     int32_t visual_page, int32_t /*refresh*/, int32_t presence) {
    if (error_is_pending()) return;
    const bool mode_given = (presence & kPresenceMode) != 0;
    const bool active_given = (presence & kPresenceActivePage) != 0;
    bool visual_given = (presence & kPresenceVisualPage) != 0;
    if (active_given && !visual_given) {
        visual_page = active_page;
        visual_given = true;
    }
    if (mode_given && mode < 0) {
        // No image can be made in this runtime, so no handle names one.
        raise_error(kErrorInvalidHandle);
        return;
    }
    if (mode_given && !mode_accepted(mode)) {
        raise_error(kErrorIllegalFunctionCall);
        return;
    }
    if ((active_given && !page_number_valid(active_page)) ||
        (visual_given && !page_number_valid(visual_page))) {
        raise_error(kErrorIllegalFunctionCall);
        return;
    }
    const screen_page* page_zero = current_page_zero();
    const bool mode_changes = mode_given && (page_zero == nullptr || page_zero->mode != mode);
    if (mode_changes) {
        Handover handover;
        make_screen(mode, true);
    }
    if (active_given) {
        screen_page* page = page_numbered(active_page);
        write_page = page;
        read_page = page;
    }
    if (visual_given) {
        // Make the page before the hand-over so the wait covers only the switch.
        screen_page* page = page_numbered(visual_page);
        if (page != display_page) {
            Handover handover;
            display_page = page;
        }
    }
}

void reset_screen() {
    Handover handover;
    make_screen(0, false);
    std::lock_guard<std::mutex> guard(image_list.lock);
    image_list.images.clear();
}

const uint32_t* write_page_palette() {
    const screen_page* const page = write_page;
    return page != nullptr ? page->palette : nullptr;
}

int screen_page_count() {
    int count = 0;
    for (const auto& page : screen.pages) count += page != nullptr ? 1 : 0;
    return count;
}

void free_all_images() {
    std::lock_guard<std::mutex> guard(image_list.lock);
    image_list.images.clear();
}

}  // namespace zl
