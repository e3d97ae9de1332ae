// Tools for watching a test routine from inside: a statement probe that sees every statement
// check with its line, a reader of the routine's variables, an independent model of the random
// sequence, and readers of the graphics page and of tile patterns.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "runtime/core/error_state.h"
#include "runtime/core/random.h"
#include "runtime/core/statement_hook.h"
#include "runtime/core/static_pool.h"
#include "runtime/screen/fonts.h"
#include "runtime/screen/screen_page.h"

namespace zl::probe {

// The one random sequence, modelled apart from the runtime.
struct Sequence {
    uint32_t state = kRandomStartState;
    int64_t draws = 0;
    float next() {
        state = (state * 16598013u + 12820163u) & 0xFFFFFFu;
        ++draws;
        return static_cast<float>(state) / 16777216.0f;
    }
    float below(float n) {
        const float product = next() * n;  // rounded to single before the floor
        return std::floor(product);
    }
};

// Thrown by a probe's visit to end the routine at that statement.
struct Stop {};

// While it lives, every statement check calls visit(line) on the program thread.
class StatementProbe {
  public:
    explicit StatementProbe(std::function<void(int32_t)> visit) : visit_(std::move(visit)) {
        active() = &visit_;
        statement_observer = &observe;
        signal_event();
    }
    ~StatementProbe() {
        statement_observer = nullptr;
        active() = nullptr;
        error_state.event_pending.store(0);
    }
    StatementProbe(const StatementProbe&) = delete;
    StatementProbe& operator=(const StatementProbe&) = delete;

    // Runs the routine; false when the visit stopped it.
    static bool run(void (*routine)()) {
        try {
            routine();
        } catch (const Stop&) {
            return false;
        }
        return true;
    }

  private:
    static std::function<void(int32_t)>*& active() {
        static std::function<void(int32_t)>* visit = nullptr;
        return visit;
    }
    static void observe(int32_t line) {
        (*active())(line);
        signal_event();  // so the next statement's check comes here as well
    }
    std::function<void(int32_t)> visit_;
};

// A routine's variables in the static pool: the routine makes them from the pool's next pointer
// at entry, one 8-byte slot each, in their listed order. Make this just before the call.
class Variables {
  public:
    Variables() : base_(static_pool.next) {}
    float single(int index) const { return read<float>(index); }
    double double_precision(int index) const { return read<double>(index); }

  private:
    template <typename T>
    T read(int index) const {
        T value;
        std::memcpy(&value, base_ + 8 * index, sizeof value);
        return value;
    }
    const uint8_t* base_;
};

inline uint8_t pixel(int x, int y) {
    return write_page->pixels[y * write_page->width + x];
}

inline bool page_is(uint8_t colour) {
    const screen_page& page = *write_page;
    const size_t size = static_cast<size_t>(page.width) * page.height;
    for (size_t i = 0; i < size; ++i) {
        if (page.pixels[i] != colour) return false;
    }
    return true;
}

inline std::vector<uint8_t> page_copy() {
    const screen_page& page = *write_page;
    return {page.pixels, page.pixels + static_cast<size_t>(page.width) * page.height};
}

// True when the text cell shows the glyph of code: ink where the glyph is set, paper elsewhere.
inline bool cell_shows(int row, int column, uint8_t code, uint8_t ink, uint8_t paper) {
    const screen_page& page = *write_page;
    const int height = cell_height(page);
    const uint8_t* glyph = glyph_rows(height, code);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < 8; ++x) {
            const bool set = (glyph[y] & (0x80 >> x)) != 0;
            const int px = (column - 1) * 8 + x;
            const int py = (row - 1) * height + y;
            if (pixel(px, py) != (set ? ink : paper)) return false;
        }
    }
    return true;
}

// The colour a tile text gives page pixel (px, py): 2 bits a pixel, a byte a 4-pixel row; or
// 4 bits a pixel, four bytes (bit planes 1, 2, 4, 8) an 8-pixel row, missing bytes 0.
inline uint8_t tile_colour(const std::string& tile, int colour_bits, int px, int py) {
    const int length = static_cast<int>(tile.size());
    if (colour_bits == 2) {
        const auto byte = static_cast<uint8_t>(tile[py % length]);
        return static_cast<uint8_t>((byte >> (6 - 2 * (px % 4))) & 3);
    }
    const int rows = (length + 3) / 4;
    const int first = 4 * (py % rows);
    uint8_t colour = 0;
    for (int plane = 0; plane < 4; ++plane) {
        const int index = first + plane;
        const auto byte = index < length ? static_cast<uint8_t>(tile[index]) : uint8_t{0};
        if ((byte & (0x80 >> (px % 8))) != 0) colour |= static_cast<uint8_t>(1 << plane);
    }
    return colour;
}

}  // namespace zl::probe
