// Reads a 640 × 400 screenshot (binary PPM) of the 80 × 25 text screen and prints each cell as
// its character code and foreground colour, matched exactly against the 8 × 16 font and the
// default palette. Output: 25 lines of 80 "cc:f" pairs in hex; "--:-" for a cell that matches
// no glyph or colour. Blank cells print as 20:0.
#include <array>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "runtime/screen/fonts.h"

namespace {

constexpr int kColumns = 80;
constexpr int kRows = 25;
constexpr int kCellWidth = 8;
constexpr int kCellHeight = 16;
constexpr int kWidth = kColumns * kCellWidth;
constexpr int kHeight = kRows * kCellHeight;

constexpr std::array<uint32_t, 16> kPalette = {
    0x000000, 0x0000AA, 0x00AA00, 0x00AAAA, 0xAA0000, 0xAA00AA, 0xAA5500, 0xAAAAAA,
    0x555555, 0x5555FF, 0x55FF55, 0x55FFFF, 0xFF5555, 0xFF55FF, 0xFFFF55, 0xFFFFFF,
};

struct Image {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> rgb;
};

bool read_ppm(std::istream& in, Image& image) {
    std::string magic;
    int max_value = 0;
    in >> magic >> image.width >> image.height >> max_value;
    if (magic != "P6" || max_value != 255) return false;
    in.get();
    std::vector<unsigned char> bytes(static_cast<size_t>(image.width) * image.height * 3);
    in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!in) return false;
    image.rgb.resize(bytes.size() / 3);
    for (size_t i = 0; i < image.rgb.size(); ++i) {
        image.rgb[i] = (bytes[3 * i] << 16) | (bytes[3 * i + 1] << 8) | bytes[3 * i + 2];
    }
    return true;
}

int palette_index(uint32_t rgb) {
    for (int i = 0; i < 16; ++i) {
        if (kPalette[i] == rgb) return i;
    }
    return -1;
}

// The cell's text and colour, or false when it shows no glyph in one colour on black.
bool read_cell(const Image& image, int row, int column, int& code, int& colour) {
    uint32_t ink = 0;
    std::array<uint8_t, kCellHeight> bits{};
    for (int line = 0; line < kCellHeight; ++line) {
        for (int x = 0; x < kCellWidth; ++x) {
            const uint32_t pixel =
                image.rgb[static_cast<size_t>(row * kCellHeight + line) * image.width + column * kCellWidth + x];
            if (pixel == 0) continue;
            if (ink != 0 && pixel != ink) return false;
            ink = pixel;
            bits[line] |= static_cast<uint8_t>(0x80 >> x);
        }
    }
    if (ink == 0) {
        code = 0x20;
        colour = 0;
        return true;
    }
    colour = palette_index(ink);
    if (colour < 0) return false;
    for (int candidate = 0; candidate < 256; ++candidate) {
        bool same = true;
        for (int line = 0; line < kCellHeight && same; ++line) same = zl::font_8x16[candidate][line] == bits[line];
        if (same) {
            code = candidate;
            return true;
        }
    }
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    Image image;
    std::ifstream file;
    if (argc > 1) file.open(argv[1], std::ios::binary);
    std::istream& in = argc > 1 ? static_cast<std::istream&>(file) : std::cin;
    if (!read_ppm(in, image) || image.width != kWidth || image.height != kHeight) {
        std::fprintf(stderr, "screen_cells: need a %d x %d binary PPM\n", kWidth, kHeight);
        return 2;
    }
    for (int row = 0; row < kRows; ++row) {
        for (int column = 0; column < kColumns; ++column) {
            int code = 0;
            int colour = 0;
            if (read_cell(image, row, column, code, colour)) {
                std::printf("%02x:%x%s", code, colour, column + 1 < kColumns ? " " : "");
            } else {
                std::printf("--:-%s", column + 1 < kColumns ? " " : "");
            }
        }
        std::printf("\n");
    }
    return 0;
}
