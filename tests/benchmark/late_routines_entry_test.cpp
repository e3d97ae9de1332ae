// The palette, tile-fill and counter routines as the table names them: reachable by name, at
// their main-sequence lines (0 for the three never called), and with an error pending at entry
// they leave the screen, the palette and the random sequence alone.
#include <gtest/gtest.h>

#include <string_view>
#include <vector>

#include "benchmark/routines.h"
#include "runtime/core/error_state.h"
#include "runtime/core/random.h"
#include "runtime/host/headless/headless_host.h"
#include "runtime/screen/screen_mode.h"
#include "runtime/screen/screen_page.h"

namespace zl {
namespace {

struct Named {
    std::string_view name;
    int32_t main_line;
    int32_t mode;  // its own screen mode
};

constexpr Named kRoutines[] = {
    {"test_tile7_fill_screen1", 68, 1},    {"test_palette_chars_screen1", 71, 1},
    {"test_palette_box_screen1", 72, 1},   {"test_counter_triangles_screen7", 81, 7},
    {"test_palette_chars_screen7", 82, 7}, {"test_palette_box_screen7", 83, 7},
    {"test_palette_box_screen12", 84, 12}, {"test_counter_triangles_screen12", 85, 12},
    {"test_tile_fill_screen1", 0, 1},      {"test_tile_fill_screen7", 0, 7},
    {"test_tile7_fill_screen7", 0, 7},
};

TEST(LateRoutinesEntryTest, EachIsNamedAtItsMainSequenceLine) {
    for (const Named& routine : kRoutines) {
        const RoutineEntry* entry = find_routine(routine.name);
        ASSERT_NE(entry, nullptr) << routine.name;
        EXPECT_EQ(entry->main_line, routine.main_line) << routine.name;
        EXPECT_NE(entry->run, nullptr);
    }
}

TEST(LateRoutinesEntryTest, PendingErrorAtEntryChangesNothing) {
    for (const Named& routine : kRoutines) {
        SCOPED_TRACE(routine.name);
        HeadlessHost host;
        // Another mode than the routine's own, with a mark, so any statement would show.
        set_screen_mode(routine.mode == 1 ? 7 : 1, 0, 0, 0, 0, 1);
        write_page->pixels[1000] = 2;
        const std::vector<uint8_t> pixels(write_page->pixels, write_page->pixels + 320 * 200);
        const std::vector<uint32_t> palette(write_page->palette, write_page->palette + 16);
        const int16_t mode = static_cast<int16_t>(write_page->mode);
        raise_error(kErrorOverflow);
        find_routine(routine.name)->run();
        EXPECT_EQ(write_page->mode, mode);
        EXPECT_EQ(std::vector<uint8_t>(write_page->pixels, write_page->pixels + 320 * 200), pixels);
        EXPECT_EQ(std::vector<uint32_t>(write_page->palette, write_page->palette + 16), palette);
        EXPECT_EQ(random_seed, kRandomStartState);
        EXPECT_EQ(error_state.pending_error.load(), kErrorOverflow);
        error_state.pending_error = 0;
        error_state.event_pending = 0;
    }
}

}  // namespace
}  // namespace zl
