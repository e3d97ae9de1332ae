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

struct Colour {
    uint32_t red, green, blue;
};

// The sixteen default colours as red, green and blue.
constexpr Colour kDefaultColours[16] = {
    {0, 0, 0},     {0, 0, 170},    {0, 170, 0},    {0, 170, 170},
    {170, 0, 0},   {170, 0, 170},  {170, 85, 0},   {170, 170, 170},
    {85, 85, 85},  {85, 85, 255},  {85, 255, 85},  {85, 255, 255},
    {255, 85, 85}, {255, 85, 255}, {255, 255, 85}, {255, 255, 255},
};

uint32_t argb(const Colour& c) { return 0xFF000000u | c.red << 16 | c.green << 8 | c.blue; }

TEST_F(PaletteTest, EveryDefaultColourAndWhereItShows) {
    for (int entry = 0; entry < 16; ++entry) {
        EXPECT_EQ(default_palette_16[entry], argb(kDefaultColours[entry])) << entry;
    }
    // New screens of modes 7 and 12 start with all sixteen; set_palette in mode 7 picks them.
    for (int32_t mode : {7, 12}) {
        set_screen_mode(mode, 0, 0, 0, 0, 1);
        for (int entry = 0; entry < 16; ++entry) {
            EXPECT_EQ(write_page->palette[entry], argb(kDefaultColours[entry]))
                << "mode " << mode << " entry " << entry;
        }
    }
    set_screen_mode(7, 0, 0, 0, 0, 1);
    for (uint32_t colour = 0; colour < 16; ++colour) {
        set_palette(9, colour, 1);
        EXPECT_EQ(write_page->palette[9], argb(kDefaultColours[colour])) << colour;
    }
    // Mode 1 starts with entries 0, 3, 5 and 7.
    set_screen_mode(1, 0, 0, 0, 0, 1);
    const int mode_one[] = {0, 3, 5, 7};
    for (int entry = 0; entry < 4; ++entry) {
        EXPECT_EQ(write_page->palette[entry], argb(kDefaultColours[mode_one[entry]])) << entry;
    }
}

TEST(PaletteTables, EgaColours) {
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
