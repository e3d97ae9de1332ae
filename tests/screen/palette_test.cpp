#include <gtest/gtest.h>

#include "runtime/core/error_state.h"
#include "runtime/host/headless/headless_host.h"
#include "runtime/screen/display_link.h"
#include "runtime/screen/palette.h"
#include "runtime/screen/screen_mode.h"
#include "runtime/screen/screen_page.h"
#include "runtime/screen/text_output.h"

namespace zl {
namespace {

class PaletteTest : public ::testing::Test {
protected:
    HeadlessHost host;
};

TEST(PaletteTables, DefaultAndEgaColours) {
    EXPECT_EQ(default_palette_16[0], 0xFF000000u);
    EXPECT_EQ(default_palette_16[6], 0xFFAA5500u);
    EXPECT_EQ(default_palette_16[9], 0xFF5555FFu);
    EXPECT_EQ(default_palette_16[15], 0xFFFFFFFFu);
    EXPECT_EQ(ega_palette_64[0], rgb(0, 0, 0));
    EXPECT_EQ(ega_palette_64[1], rgb(0, 0, 170));
    EXPECT_EQ(ega_palette_64[0x04], rgb(170, 0, 0));
    EXPECT_EQ(ega_palette_64[0x38], rgb(85, 85, 85));
    EXPECT_EQ(ega_palette_64[0x3F], rgb(255, 255, 255));
    EXPECT_EQ(ega_palette_64[0x14], rgb(170, 85, 0));
}

TEST(PaletteTables, SixBitComponentsBecomeEightBits) {
    EXPECT_EQ(component_6_to_8(0), 0);
    for (uint32_t c = 1; c <= 15; ++c) EXPECT_EQ(component_6_to_8(c), 4 * c) << c;
    EXPECT_EQ(component_6_to_8(16), 65);
    EXPECT_EQ(component_6_to_8(32), 130);
    EXPECT_EQ(component_6_to_8(63), 255);
    for (uint32_t c = 1; c <= 63; ++c) EXPECT_GT(component_6_to_8(c), component_6_to_8(c - 1));
}

TEST_F(PaletteTest, ModesOneAndSevenTakeDefaultColours) {
    for (int32_t mode : {1, 7}) {
        set_screen_mode(mode, 0, 0, 0, 0, 1);
        display_link.content_changed = false;
        set_palette(2, 14, 1);
        EXPECT_EQ(write_page->palette[2], default_palette_16[14]) << mode;
        EXPECT_TRUE(display_link.content_changed.load());
    }
}

TEST_F(PaletteTest, ModeTwelveTakesSixBitComponents) {
    set_screen_mode(12, 0, 0, 0, 0, 1);
    set_palette(5, 1 + 16 * 256 + 63 * 65536, 1);
    EXPECT_EQ(write_page->palette[5], rgb(4, 65, 255));
    set_palette(3, 0, 1);
    EXPECT_EQ(write_page->palette[3], rgb(0, 0, 0));
}

TEST_F(PaletteTest, TextModeTakesEgaColours) {
    set_palette(1, 0x3A, 1);
    EXPECT_EQ(write_page->palette[1], ega_palette_64[0x3A]);
}

TEST_F(PaletteTest, WithoutArgumentsTheDefaultComesBack) {
    set_screen_mode(1, 0, 0, 0, 0, 1);
    set_palette(0, 9, 1);
    set_palette(3, 1, 1);
    set_palette(0, 0, 0);
    EXPECT_EQ(write_page->palette[0], default_palette_16[0]);
    EXPECT_EQ(write_page->palette[3], default_palette_16[7]);
}

TEST_F(PaletteTest, ModeChangeRestoresThePalette) {
    set_screen_mode(7, 0, 0, 0, 0, 1);
    set_palette(4, 15, 1);
    set_screen_mode(12, 0, 0, 0, 0, 1);
    EXPECT_EQ(write_page->palette[4], default_palette_16[4]);
}

}  // namespace
}  // namespace zl
