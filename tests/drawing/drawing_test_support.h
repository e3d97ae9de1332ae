// Pages of their own for the drawing tests: a record like the screen's modes with its own pixel
// and palette buffers (guard bytes around the pixels), made the write and read page.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "runtime/core/error_state.h"
#include "runtime/core/strings.h"
#include "runtime/drawing/drawing.h"
#include "runtime/host/headless/headless_host.h"
#include "runtime/screen/screen_page.h"

namespace zl::test {

// `narrow` is a graphics page of a width no vector width divides.
enum class PageKind { mode1, mode7, mode12, mode13, narrow, text };

inline const char* page_kind_name(PageKind kind) {
    switch (kind) {
    case PageKind::mode1: return "mode1";
    case PageKind::mode7: return "mode7";
    case PageKind::mode12: return "mode12";
    case PageKind::mode13: return "mode13";
    case PageKind::narrow: return "narrow";
    default: return "text";
    }
}

constexpr size_t kGuardBytes = 64;
constexpr uint8_t kGuardValue = 0xA5;

// A page record with buffers of its own; the pixels sit between two guard zones.
class TestPage {
public:
    explicit TestPage(PageKind kind) {
        switch (kind) {
        case PageKind::mode1: make_graphics(1, 320, 200, 2, 3); break;
        case PageKind::mode7: make_graphics(7, 320, 200, 4, 15); break;
        case PageKind::mode12: make_graphics(12, 640, 480, 4, 15); break;
        case PageKind::mode13: make_graphics(13, 320, 200, 8, 15); break;
        case PageKind::narrow: make_graphics(7, 200, 50, 4, 15); break;
        case PageKind::text: make_text(); break;
        }
    }
    TestPage(const TestPage&) = delete;
    TestPage& operator=(const TestPage&) = delete;

    screen_page record;

    uint8_t at(int x, int y) const { return record.pixels[y * record.width + x]; }
    void put(int x, int y, uint8_t v) { record.pixels[y * record.width + x] = v; }
    size_t size() const { return static_cast<size_t>(record.width) * record.height * record.bytes_per_pixel; }
    std::vector<uint8_t> snapshot() const { return {record.pixels, record.pixels + size()}; }
    void restore(const std::vector<uint8_t>& pixels) { std::copy(pixels.begin(), pixels.end(), record.pixels); }
    void clear(uint8_t v = 0) { std::fill(record.pixels, record.pixels + size(), v); }

    bool guards_intact() const {
        for (size_t i = 0; i < kGuardBytes; ++i) {
            if (buffer_[i] != kGuardValue || buffer_[kGuardBytes + size() + i] != kGuardValue) return false;
        }
        return true;
    }

    // The pixels that differ from colour 0, as (x, y) pairs.
    std::set<std::pair<int, int>> lit() const {
        std::set<std::pair<int, int>> out;
        for (int y = 0; y < record.height; ++y) {
            for (int x = 0; x < record.width; ++x) {
                if (at(x, y) != 0) out.insert({x, y});
            }
        }
        return out;
    }

private:
    void allocate() {
        buffer_.assign(size() + 2 * kGuardBytes, kGuardValue);
        std::fill(buffer_.begin() + kGuardBytes, buffer_.end() - kGuardBytes, 0);
        record.pixels = buffer_.data() + kGuardBytes;
        record.palette = palette_.data();
    }

    void make_graphics(uint16_t mode, uint16_t width, uint16_t height, uint8_t bits, uint32_t foreground) {
        record.text = 0;
        record.width = width;
        record.height = height;
        record.bytes_per_pixel = 1;
        record.colour_bits = bits;
        record.colour_mask = (1u << bits) - 1;
        record.mode = mode;
        record.foreground = foreground;
        record.font = 8;
        record.clip_right = width - 1;
        record.clip_bottom = height - 1;
        record.graphics_x = width / 2.0f;
        record.graphics_y = height / 2.0f;
        allocate();
    }

    void make_text() {
        record.text = 1;
        record.width = 80;
        record.height = 25;
        record.bytes_per_pixel = 2;
        record.colour_bits = 4;
        record.colour_mask = 15;
        record.foreground = 7;
        record.font = 16;
        record.clip_right = 79;
        record.clip_bottom = 24;
        allocate();
    }

    std::vector<uint8_t> buffer_;
    std::array<uint32_t, 256> palette_{};
};

// A fresh runtime and one page of this test's own as write and read page.
class DrawingTest : public ::testing::Test {
protected:
    void TearDown() override {
        write_page = saved_write_;
        read_page = saved_read_;
    }

    TestPage& use(PageKind kind) {
        page_ = std::make_unique<TestPage>(kind);
        write_page = &page_->record;
        read_page = &page_->record;
        return *page_;
    }

    static int32_t pending() { return error_state.pending_error.load(); }
    static void clear_error() {
        error_state.pending_error = 0;
        error_state.event_pending = 0;
    }

    HeadlessHost host;
    std::unique_ptr<TestPage> page_;

private:
    screen_page* saved_write_ = write_page;
    screen_page* saved_read_ = read_page;
};

// A text of these bytes that the test owns.
class OwnedText {
public:
    explicit OwnedText(std::vector<uint8_t> bytes) : bytes_(std::move(bytes)) {
        text_.bytes = bytes_.empty() ? nullptr : bytes_.data();
        text_.length = static_cast<int32_t>(bytes_.size());
    }
    OwnedText(const OwnedText&) = delete;
    OwnedText& operator=(const OwnedText&) = delete;
    const string_descriptor* get() const { return &text_; }

private:
    std::vector<uint8_t> bytes_;
    string_descriptor text_;
};

}  // namespace zl::test
