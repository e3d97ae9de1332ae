// The emulated I/O ports: palette data 0x3C9, input status 0x3DA and keyboard data 0x60.
#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "machine_test_support.h"
#include "runtime/host/headless/headless_host.h"
#include "runtime/machine/key_ring.h"
#include "runtime/machine/ports.h"
#include "runtime/screen/palette.h"
#include "runtime/screen/screen_mode.h"
#include "runtime/screen/screen_page.h"

namespace zl {
namespace {

using test::pending_error;

// Points write_page at a page of the test's own and puts the old one back.
class PortsTest : public ::testing::Test {
protected:
    PortsTest() : saved_write_page_(write_page) {
        palette_.fill(rgb(0, 0, 0));
        palette_[0] = rgb(255, 170, 85);
        palette_[1] = rgb(4, 2, 1);
        palette_[2] = rgb(252, 251, 8);
        palette_[255] = rgb(170, 0, 255);
        page_.palette = palette_.data();
        write_page = &page_;
    }
    ~PortsTest() override { write_page = saved_write_page_; }

    std::vector<int32_t> read_components(int count) {
        std::vector<int32_t> values;
        for (int i = 0; i < count; ++i) values.push_back(read_port(kPortPaletteData));
        return values;
    }

    HeadlessHost host;
    std::array<uint32_t, 256> palette_{};
    screen_page page_;
    screen_page* saved_write_page_;
};

TEST_F(PortsTest, PaletteDataStepsThroughComponentsAndEntries) {
    EXPECT_EQ(read_components(9), (std::vector<int32_t>{63, 42, 21, 1, 0, 0, 63, 62, 2}));
}

TEST_F(PortsTest, PaletteReadPositionWrapsAfterEntry255) {
    read_components(3 * 255);
    EXPECT_EQ(read_components(6), (std::vector<int32_t>{42, 0, 63, 63, 42, 21}));
}

TEST_F(PortsTest, PageWithoutPaletteGivesZeroAndKeepsThePosition) {
    read_port(kPortPaletteData);   // red of entry 0
    screen_page bare;
    write_page = &bare;
    EXPECT_EQ(read_port(kPortPaletteData), 0);
    write_page = nullptr;
    EXPECT_EQ(read_port(kPortPaletteData), 0);
    write_page = &page_;
    set_palette_source(nullptr);   // nothing gives the port a palette
    EXPECT_EQ(read_port(kPortPaletteData), 0);
    set_palette_source(write_page_palette);
    EXPECT_EQ(read_components(2), (std::vector<int32_t>{42, 21}));
}

TEST_F(PortsTest, InputStatusLatchClearsOnReadInRetraceDoesNot) {
    EXPECT_EQ(read_port(kPortInputStatus), 0);
    set_retrace(true, false);
    EXPECT_EQ(read_port(kPortInputStatus), 8);
    EXPECT_EQ(read_port(kPortInputStatus), 0);
    set_retrace(true, true);
    EXPECT_EQ(read_port(kPortInputStatus), 8);
    EXPECT_EQ(read_port(kPortInputStatus), 8);   // latch gone, still in retrace
    clear_in_retrace();
    EXPECT_EQ(read_port(kPortInputStatus), 0);
}

TEST_F(PortsTest, KeyboardDataDrainsScanCodesAndRepeatsTheLastOne) {
    EXPECT_EQ(read_port(kPortKeyboardData), 0);   // nothing removed yet
    push_key('a', 0x1E);
    push_scan_code(0x1E);
    push_scan_code(0x9E);
    EXPECT_EQ(read_port(kPortKeyboardData), 0x1E);
    EXPECT_EQ(read_port(kPortKeyboardData), 0x9E);
    EXPECT_EQ(read_port(kPortKeyboardData), 0x9E);
    EXPECT_EQ(read_port(kPortKeyboardData), 0x9E);
    EXPECT_EQ(key_ring_count(), 1);   // the key ring is a queue of its own
    EXPECT_EQ(test::take_text(read_key()), "a");
}

TEST_F(PortsTest, ScanCodeQueueHoldsAtMost256Bytes) {
    for (int i = 0; i < 300; ++i) push_scan_code(static_cast<uint8_t>(i));
    for (int i = 0; i < 256; ++i) ASSERT_EQ(read_port(kPortKeyboardData), i);
    EXPECT_EQ(read_port(kPortKeyboardData), 255);
    push_scan_code(0x45);
    EXPECT_EQ(read_port(kPortKeyboardData), 0x45);
}

TEST_F(PortsTest, PortNumbersAndRange) {
    struct Case {
        int32_t port;
        int32_t value;
        int32_t error;
    };
    const Case cases[] = {
        {0, 0, 0},
        {1024, 0, 0},
        {0x3DA - 65536, 8, 0},   // ports are taken AND 0xFFFF
        {65535, 0, 0},
        {-65536, 0, 0},
        {65536, 0, 6},
        {-65537, 0, 6},
        {0x7FFFFFFF, 0, 6},
    };
    for (const Case& row : cases) {
        SCOPED_TRACE(row.port);
        test::clear_pending_error();
        set_retrace(true, false);
        EXPECT_EQ(read_port(row.port), row.value);
        EXPECT_EQ(pending_error(), row.error);
    }
}

TEST_F(PortsTest, ReadsGoOnWhileAnErrorIsPending) {
    raise_error(kErrorOverflow);
    EXPECT_EQ(read_port(kPortPaletteData), 63);
    EXPECT_EQ(read_port(kPortPaletteData), 42);
}

TEST_F(PortsTest, ResetStartsThePortsAfresh) {
    read_port(kPortPaletteData);
    push_scan_code(0x10);
    set_retrace(true, true);
    reset_ports();
    EXPECT_EQ(read_port(kPortKeyboardData), 0);
    EXPECT_EQ(read_port(kPortInputStatus), 0);
    EXPECT_EQ(read_port(kPortPaletteData), 63);
}

}  // namespace
}  // namespace zl
