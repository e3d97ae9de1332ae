#include "benchmark/banner.h"

#include <array>
#include <cstddef>

#include "runtime/screen/text_output.h"

namespace zl {

namespace {

// A banner line converted at compile time from the UTF-8 below to code page 437 bytes.
template <size_t N>
struct Cp437Line {
    std::array<char, N> bytes{};
    size_t length = 0;
    constexpr std::string_view view() const { return std::string_view(bytes.data(), length); }
};

// The banner's repertoire; any other character stops the build.
consteval char cp437_of(char32_t c) {
    if (c < 0x80) return static_cast<char>(c);
    switch (c) {
    case U'█': return '\xDB';
    case U'▄': return '\xDC';
    case U'▀': return '\xDF';
    case U'─': return '\xC4';
    case U'│': return '\xB3';
    case U'┌': return '\xDA';
    case U'┐': return '\xBF';
    case U'└': return '\xC0';
    case U'┘': return '\xD9';
    case U'├': return '\xC3';
    case U'┤': return '\xB4';
    case U'┬': return '\xC2';
    case U'┴': return '\xC1';
    case U'┼': return '\xC5';
    case U'║': return '\xBA';
    case U'╓': return '\xD6';
    case U'╖': return '\xB7';
    case U'╙': return '\xD3';
    case U'╜': return '\xBD';
    case U'╟': return '\xC7';
    case U'╢': return '\xB6';
    case U'╥': return '\xD2';
    case U'╨': return '\xD0';
    default: throw "character outside the banner's repertoire";
    }
}

template <size_t N>
consteval Cp437Line<N> cp437(const char (&utf8)[N]) {
    Cp437Line<N> line;
    size_t i = 0;
    while (i + 1 < N) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        const int extra = lead < 0x80 ? 0 : lead < 0xE0 ? 1 : lead < 0xF0 ? 2 : 3;
        char32_t c = extra == 0 ? lead : extra == 1 ? (lead & 0x1F) : extra == 2 ? (lead & 0x0F) : (lead & 0x07);
        for (int k = 1; k <= extra; ++k) c = (c << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
        line.bytes[line.length++] = cp437_of(c);
        i += 1 + extra;
    }
    return line;
}

// The maker line, the fourteen art lines in four colour groups, the version and the two closing
// lines; leading blanks and lengths as the banner's layout needs them, none reaching 80 columns.
constexpr auto kMakerLine =
    cp437("                       Zentrolux Softworks 1994-2024");
constexpr auto kArt1 =
    cp437("      ▀▀▀▀██ ██▀▀▀  ██▄ ██ ▀▀██▀▀ ██▀▀█▄ ▄█▀▀█▄ ██     ██  ██ ██  ██     ");
constexpr auto kArt2 =
    cp437("      ▄▄▄██▄ ██▄▄   ██▀███   ██   ██▄▄█▀ ██  ██ ██     ██  ██  ▀██▀      ");
constexpr auto kArt3 =
    cp437("      ▄█▀    ██     ██  ██   ██   ██ ▀█▄ ██  ██ ██     ██  ██ ▄█▀▀█▄    ");
constexpr auto kArt4 =
    cp437("      ▀▀▀▀▀▀ ▀▀▀▀▀  ▀▀  ▀▀   ▀▀   ▀▀  ▀▀  ▀▀▀▀  ▀▀▀▀▀▀  ▀▀▀▀  ▀▀  ▀▀   ");
constexpr auto kArt5 =
    cp437("   ██▀▀█▄  ██▀▀▀   ██▄ ██  ▄█▀▀▀▀  ██  ██  ██▄ ▄██  ▄█▀▀█▄  ██▀▀█▄  ██ ▄█▀ ");
constexpr auto kArt6 =
    cp437("   ██▄▄█▀  ██▄▄    ██▀███  ██      ██▄▄██  ██▀█▀██  ██▄▄██  ██▄▄█▀  ███▀  ");
constexpr auto kArt7 =
    cp437("   ██  ██  ██      ██  ██  ██      ██  ██  ██   ██  ██  ██  ██ ▀█▄  ██▀█▄ ");
constexpr auto kArt8 =
    cp437("   ▀▀▀▀▀   ▀▀▀▀▀   ▀▀  ▀▀   ▀▀▀▀▀  ▀▀  ▀▀  ▀▀   ▀▀  ▀▀  ▀▀  ▀▀  ▀▀  ▀▀  ▀▀ ");
constexpr auto kArt9 =
    cp437("              ╓──── ╓───╖ ╓───╖ ╓───╖ ╥   ╥ ──╥── ╓──── ╓────  ");
constexpr auto kArt10 =
    cp437("              ║  ─╖ ╟──┬╜ ╟───╢ ╟───╜ ╟───╢   ║   ║     ╙───╖  ");
constexpr auto kArt11 =
    cp437("              ╙───╜ ╨  ╙─ ╨   ╨ ╨     ╨   ╨ ──╨── ╙──── ────╜  ");
constexpr auto kArt12 =
    cp437("              ┌───┐ ┬     ┬       ┌─┬─┐ ┌───┐ ┬──┐  ┌──── ┌────");
constexpr auto kArt13 =
    cp437("              ├───┤ │     │       │ │ │ │   │ │  │  ├───  └───┐");
constexpr auto kArt14 =
    cp437("              ┴   ┴ └──── └────   ┴ ┴ ┴ └───┘ ┴──┘  └──── ────┘");
constexpr auto kVersionLine =
    cp437("                          Version 11.0 (Windows)");
constexpr auto kOwnershipLine =
    cp437("                      (C) 2024 Zentrolux Softworks");
constexpr auto kLegalLine =
    cp437("                           All rights reserved");

constexpr int32_t kGreen = 2;
constexpr int32_t kCyan = 3;
constexpr int32_t kRed = 4;
constexpr int32_t kMagenta = 5;
constexpr int32_t kBrown = 6;
constexpr int32_t kLightGrey = 7;
constexpr int32_t kDarkGrey = 8;
constexpr int32_t kLightBlue = 9;

constexpr BannerLine kBannerLines[] = {
    {2, kGreen, kMakerLine.view()},
    {4, kCyan, kArt1.view()},           {5, kCyan, kArt2.view()},
    {6, kCyan, kArt3.view()},           {7, kCyan, kArt4.view()},
    {9, kRed, kArt5.view()},            {10, kRed, kArt6.view()},
    {11, kRed, kArt7.view()},           {12, kRed, kArt8.view()},
    {14, kMagenta, kArt9.view()},       {15, kMagenta, kArt10.view()},
    {16, kMagenta, kArt11.view()},
    {17, kBrown, kArt12.view()},        {18, kBrown, kArt13.view()},
    {19, kBrown, kArt14.view()},
    {20, kLightGrey, kVersionLine.view()},
    {22, kLightBlue, kOwnershipLine.view()},
    {23, kDarkGrey, kLegalLine.view()},
};

static_assert(kMakerLine.length == 52 && kArt1.length == 73 && kArt2.length == 73 &&
              kArt3.length == 72 && kArt4.length == 71 && kArt5.length == 75 &&
              kArt6.length == 74 && kArt7.length == 74 && kArt8.length == 75 &&
              kArt9.length == 63 && kArt10.length == 63 && kArt11.length == 63 &&
              kArt12.length == 63 && kArt13.length == 63 && kArt14.length == 63 && kVersionLine.length == 48 &&
              kOwnershipLine.length == 50 && kLegalLine.length == 46);

// A print statement of one banner line with its line end.

template <size_t N>
void print_banner_line(const Routine& main_sequence, const Cp437Line<N>& line, int32_t source_line) {
    print_list(main_sequence, {literal(line.view())}, LineEnd::yes, source_line);
}

void empty_line(const Routine& main_sequence, int32_t source_line) {
    print_list(main_sequence, {}, LineEnd::yes, source_line);
}

void colour(int32_t foreground, int32_t source_line) {
    set_colour(foreground, 0, 0, 1);
    check(source_line);
}

}  // namespace

std::span<const BannerLine> banner_lines() { return kBannerLines; }

void show_banner(const Routine& main_sequence) {
    clear_screen(0, 0, 0);
    check(29);
    colour(kGreen, 29);
    set_cursor(2, 1, 0, 0, 0, 3);
    check(30);
    print_banner_line(main_sequence, kMakerLine, 31);
    empty_line(main_sequence, 31);
    colour(kCyan, 32);
    print_banner_line(main_sequence, kArt1, 33);
    print_banner_line(main_sequence, kArt2, 34);
    print_banner_line(main_sequence, kArt3, 35);
    print_banner_line(main_sequence, kArt4, 36);
    empty_line(main_sequence, 37);
    colour(kRed, 37);
    print_banner_line(main_sequence, kArt5, 38);
    print_banner_line(main_sequence, kArt6, 39);
    print_banner_line(main_sequence, kArt7, 40);
    print_banner_line(main_sequence, kArt8, 41);
    empty_line(main_sequence, 42);
    colour(kMagenta, 42);
    print_banner_line(main_sequence, kArt9, 43);
    print_banner_line(main_sequence, kArt10, 44);
    print_banner_line(main_sequence, kArt11, 45);
    colour(kBrown, 46);
    print_banner_line(main_sequence, kArt12, 47);
    print_banner_line(main_sequence, kArt13, 48);
    print_banner_line(main_sequence, kArt14, 49);
    colour(kLightGrey, 50);
    print_banner_line(main_sequence, kVersionLine, 51);
    empty_line(main_sequence, 52);
    colour(kLightBlue, 52);
    print_banner_line(main_sequence, kOwnershipLine, 53);
    colour(kDarkGrey, 53);
    print_banner_line(main_sequence, kLegalLine, 54);
}

}  // namespace zl
