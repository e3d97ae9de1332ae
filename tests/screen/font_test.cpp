#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdint>
#include <vector>

#include "runtime/screen/fonts.h"

namespace zl {
namespace {

constexpr int kHeader = 4;

std::vector<uint8_t> read_psf(const char* path) {
    std::vector<uint8_t> bytes;
    gzFile file = gzopen(path, "rb");
    if (file == nullptr) return bytes;
    uint8_t buffer[4096];
    int n;
    while ((n = gzread(file, buffer, sizeof buffer)) > 0) bytes.insert(bytes.end(), buffer, buffer + n);
    gzclose(file);
    return bytes;
}

TEST(Fonts, TallFontIsTheSourceFontGlyphForGlyph) {
    const std::vector<uint8_t> psf = read_psf("/usr/share/consolefonts/default8x16.psf.gz");
    ASSERT_GE(psf.size(), size_t{kHeader + 256 * 16});
    ASSERT_EQ(psf[3], 16);
    for (int code = 0; code < 256; ++code) {
        for (int row = 0; row < 16; ++row) {
            ASSERT_EQ(font_8x16[code][row], psf[kHeader + code * 16 + row]) << code << " " << row;
        }
    }
    EXPECT_NE(font_8x16[0xDB][8], 0);   // the full block is ink
}

TEST(Fonts, SmallFontIsTheSourceFontExceptTheThreeRedrawnCodes) {
    const std::vector<uint8_t> psf = read_psf("/usr/share/consolefonts/cp865-8x8.psf.gz");
    ASSERT_GE(psf.size(), size_t{kHeader + 256 * 8});
    ASSERT_EQ(psf[3], 8);
    for (int code = 0; code < 256; ++code) {
        const bool redrawn = code == 0x9B || code == 0x9D || code == 0xAF;
        bool same = true;
        for (int row = 0; row < 8; ++row) same = same && font_8x8[code][row] == psf[kHeader + code * 8 + row];
        EXPECT_EQ(same, !redrawn) << code;
    }
    // The cent sign has its vertical stroke above and below the bowl.
    EXPECT_EQ(font_8x8[0x9B][0], 0x18);
    EXPECT_EQ(font_8x8[0x9B][7], 0x18);
}

}  // namespace
}  // namespace zl
