// The whole series headless: the 23 routines in the main sequence's order, then the three that the
// main sequence never calls, in a row from the start state. Each routine's seed, page CRC and
// palette CRC are pinned; any change to a draw, a fill, a palette or a random draw shows here.
#include <gtest/gtest.h>

#include <cstdint>
#include <span>
#include <string_view>

#include "benchmark/routines.h"
#include "runtime/core/process_setup.h"
#include "runtime/core/random.h"
#include "runtime/host/headless/headless_host.h"
#include "runtime/screen/screen_page.h"
#include "tools/series/page_report.h"

namespace zl {
namespace {

struct Pinned {
    std::string_view routine;
    uint32_t seed;
    uint32_t page_crc;
    uint32_t palette_crc;
};

constexpr Pinned kMainSequence[] = {
    {"test_float_math", 12046592, 0xb96dd5e9, 0x62995b31},
    {"test_memory_and_ports", 12046592, 0x131bda39, 0x62995b31},
    {"test_text_chars_screen0", 1765108, 0x0ca85b21, 0x62995b31},
    {"test_pset_point_screen1", 2839381, 0xf0c4bad0, 0x2109dda0},
    {"test_boxes_screen1", 8330623, 0x1904cf76, 0x2109dda0},
    {"test_circle_fill_screen1", 6638732, 0x18d3c931, 0x2109dda0},
    {"test_fill_trig_screen1", 3268298, 0x12ec1a04, 0x2109dda0},
    {"test_tile7_fill_screen1", 3378742, 0x0f833daf, 0x2109dda0},
    {"test_log_lines_screen1", 652073, 0x5379f695, 0x2109dda0},
    {"test_triangles_screen1", 2338587, 0x96c2bbda, 0x2109dda0},
    {"test_palette_chars_screen1", 2717724, 0x7dc291ab, 0x4026f0b2},
    {"test_palette_box_screen1", 2668728, 0x7dc291ab, 0x4026f0b2},
    {"test_pset_point_screen7", 49662, 0x01117ae5, 0x62995b31},
    {"test_boxes_screen7", 2418230, 0x6d9e267f, 0x62995b31},
    {"test_circle_fill_screen7", 990344, 0x66d66e0b, 0x62995b31},
    {"test_fill_trig_screen7", 12542270, 0xab7a25a7, 0x62995b31},
    {"test_log_lines_screen7", 693708, 0xa6fd68cd, 0x62995b31},
    {"test_triangles_screen7", 2686633, 0x07198d87, 0x62995b31},
    {"test_counter_triangles_screen7", 1750295, 0xdbb0d385, 0x62995b31},
    {"test_palette_chars_screen7", 3929322, 0x7dc291ab, 0xe61817de},
    {"test_palette_box_screen7", 362670, 0x7dc291ab, 0xe61817de},
    {"test_palette_box_screen12", 672240, 0x82ecc096, 0xfa8c1737},
    {"test_counter_triangles_screen12", 1030063, 0xc82b6ea9, 0xfa8c1737},
};

constexpr Pinned kNeverCalled[] = {
    {"test_tile_fill_screen1", 3633643, 0x387e6a36, 0x2109dda0},
    {"test_tile_fill_screen7", 4066345, 0x02bc1329, 0x62995b31},
    {"test_tile7_fill_screen7", 12184458, 0x59623ca2, 0x62995b31},
};

// Runs the routines one after the other from a fresh runtime and checks what each one leaves.
void run_in_a_row(std::span<const Pinned> routines) {
    HeadlessHost host;
    set_extended_precision();
    for (const Pinned& pinned : routines) {
        const RoutineEntry* entry = find_routine(pinned.routine);
        ASSERT_NE(entry, nullptr) << pinned.routine;
        entry->run();
        const screen_page& page = *display_page;
        EXPECT_EQ(random_seed, pinned.seed) << pinned.routine << ": seed";
        EXPECT_EQ(series::page_crc(page), pinned.page_crc)
            << pinned.routine << ": page CRC " << std::hex << series::page_crc(page) << ", pinned "
            << pinned.page_crc;
        EXPECT_EQ(series::palette_crc(page), pinned.palette_crc)
            << pinned.routine << ": palette CRC " << std::hex << series::palette_crc(page)
            << ", pinned " << pinned.palette_crc;
    }
}

TEST(WholeSeries, MainSequenceOrderLeavesThePinnedSeedsPagesAndPalettes) {
    // The table is the main sequence itself, in its order.
    std::vector<std::string_view> called;
    for (const RoutineEntry& entry : routine_table()) {
        if (entry.main_line != 0) called.push_back(entry.name);
    }
    ASSERT_EQ(called.size(), std::size(kMainSequence));
    for (size_t i = 0; i < called.size(); ++i) EXPECT_EQ(called[i], kMainSequence[i].routine);
    run_in_a_row(kMainSequence);
}

TEST(WholeSeries, NeverCalledRoutinesFromTheStartStateLeaveThePinnedValues) {
    run_in_a_row(kNeverCalled);
}

}  // namespace
}  // namespace zl
