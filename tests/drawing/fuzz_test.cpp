// The six drawing operations with random and wild arguments on every kind of page: no write
// outside the pixel buffer (guard bytes, and AddressSanitizer in the sanitizer build), every
// stored pixel within the page's colour mask, no error other than 5.
#include <cmath>
#include <limits>
#include <random>

#include "drawing/drawing_test_support.h"

namespace zl::test {
namespace {

class Wild {
public:
    explicit Wild(uint32_t seed) : random_(seed) {}

    uint32_t below(uint32_t n) { return static_cast<uint32_t>(random_() % n); }

    // Mostly positions on or near the page, sometimes far or not numbers at all.
    double coordinate() {
        constexpr double kSpecial[] = {0.0, -0.0, 0.5, -0.5, 1.5, 319.5, 320, 639.5, 640, 479.5, 480, 2147483647.0,
                                       2147483648.0, -2147483649.0, 1e30, -1e30, 3.4e38, -3.4e38,
                                       std::numeric_limits<double>::infinity(),
                                       -std::numeric_limits<double>::infinity(),
                                       std::numeric_limits<double>::quiet_NaN(), 1e9, -1e9, 65535, 65536};
        switch (below(8)) {
        case 0:
            return kSpecial[below(std::size(kSpecial))];
        case 1:
            return std::ldexp(static_cast<double>(static_cast<int32_t>(random_())), static_cast<int>(below(80)) - 40);
        case 2:
            return static_cast<double>(below(2000)) - 1000.0;
        default:
            return static_cast<double>(below(700)) - 30.0 + (below(4) == 0 ? below(1000) / 1000.0 : 0.0);
        }
    }
    float single() { return static_cast<float>(coordinate()); }

    int32_t integer() {
        switch (below(4)) {
        case 0: return static_cast<int32_t>(random_());
        case 1: return static_cast<int32_t>(below(40)) - 8;
        default: return static_cast<int32_t>(below(17));
        }
    }

    double radius() {
        switch (below(6)) {
        case 0: return coordinate();
        case 1: return static_cast<double>(below(2000));
        default: return static_cast<double>(below(120)) - 10.0;
        }
    }

    double angle() {
        return below(4) == 0 ? coordinate() : (static_cast<double>(below(2000)) - 1000.0) / 150.0;
    }

    std::vector<uint8_t> bytes(uint32_t longest) {
        std::vector<uint8_t> out(below(4) == 0 ? below(longest + 1) : 1 + below(9));
        for (uint8_t& b : out) b = static_cast<uint8_t>(below(3) == 0 ? 0 : random_());
        return out;
    }

private:
    std::mt19937 random_;
};

struct PageSetup {
    PageKind kind;
    bool small_view;   // a clip box inside the page with a view offset, and a window scale
};

void one_call(Wild& wild) {
    switch (wild.below(20)) {
    case 0: case 1: case 2: case 3: case 4: case 5:
        draw_line(wild.single(), wild.single(), wild.single(), wild.single(), wild.integer(),
                  static_cast<int32_t>(wild.below(6)) - 1, wild.integer(), static_cast<int32_t>(wild.below(32)));
        break;
    case 6: case 7: case 8: case 9:
        set_pixel(wild.single(), wild.single(), wild.integer(), static_cast<int32_t>(wild.below(4)));
        break;
    case 10: case 11:
        point_colour(wild.single(), wild.single(), static_cast<int32_t>(wild.below(3)));
        break;
    case 12: case 13: case 14:
        draw_circle(wild.coordinate(), wild.coordinate(), wild.radius(), wild.integer(), wild.angle(), wild.angle(),
                    wild.below(3) == 0 ? wild.coordinate() : wild.below(300) / 100.0 - 1.5,
                    static_cast<int32_t>(wild.below(32)));
        break;
    case 15: case 16: case 17: case 18:
        flood_fill(wild.single(), wild.single(), wild.integer(), wild.integer(), wild.integer(),
                   wild.below(8) == 0 ? static_cast<int32_t>(wild.below(16)) : 2 + 4 * static_cast<int32_t>(wild.below(2)));
        break;
    default: {
        const OwnedText tile(wild.bytes(300));
        const OwnedText background(wild.bytes(300));
        const int32_t presence = wild.below(8) == 0 ? static_cast<int32_t>(wild.below(16))
                                                    : 2 | static_cast<int32_t>(4 * wild.below(2) + 8 * wild.below(2));
        flood_fill_tiled(wild.single(), wild.single(), wild.below(10) == 0 ? nullptr : tile.get(), wild.integer(),
                         wild.below(10) == 0 ? nullptr : background.get(), presence);
        break;
    }
    }
}

using DrawingFuzzTest = DrawingTest;

TEST_F(DrawingFuzzTest, RandomCallsStayInsideEveryPage) {
    constexpr int kCallsPerPage = 50000;
    const PageSetup setups[] = {
        {PageKind::mode1, false}, {PageKind::mode7, false}, {PageKind::mode12, false},
        {PageKind::mode13, false}, {PageKind::text, false}, {PageKind::mode7, true},
    };
    uint32_t seed = 2024;
    for (const PageSetup& setup : setups) {
        SCOPED_TRACE(page_kind_name(setup.kind));
        TestPage& page = use(setup.kind);
        if (setup.small_view) {
            page.record.clip_left = 40;
            page.record.clip_top = 30;
            page.record.clip_right = 250;
            page.record.clip_bottom = 170;
            page.record.view_x = 40;
            page.record.view_y = 30;
            page.record.window_scale_x = 0.5f;
            page.record.window_offset_y = -3;
        }
        const std::vector<uint8_t> text_before = page.snapshot();
        Wild wild(seed++);
        for (int call = 0; call < kCallsPerPage; ++call) {
            one_call(wild);
            const int32_t error = pending();
            ASSERT_TRUE(error == 0 || error == 5) << "call " << call << " error " << error;
            clear_error();
            if (call % 1000 == 0) {
                ASSERT_TRUE(page.guards_intact()) << "call " << call;
            }
        }
        ASSERT_TRUE(page.guards_intact());
        if (setup.kind == PageKind::text) {
            EXPECT_EQ(page.snapshot(), text_before);
            continue;
        }
        for (uint8_t v : page.snapshot()) ASSERT_LE(v, page.record.colour_mask);
    }
}

}  // namespace
}  // namespace zl::test
