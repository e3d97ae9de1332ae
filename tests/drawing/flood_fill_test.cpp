// Colour fills bounded by a border colour, against a plain pixel-by-pixel fill.
#include <algorithm>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "drawing/drawing_test_support.h"
#include "runtime/drawing/private/fill_region.h"

namespace zl::test {
namespace {

constexpr int32_t kRelative = 1;
constexpr int32_t kFill = 2;
constexpr int32_t kBorder = 4;
constexpr int32_t kFifth = 8;

// Every pixel reachable from the start through pixels of the clip box without the border
// colour, as the pixels stood before, takes the fill colour.
void plain_fill(uint8_t* pixels, int width, int height, const drawing::ClipBox& clip, int sx, int sy,
                uint8_t fill, uint8_t border) {
    if (!clip.contains(sx, sy) || pixels[sy * width + sx] == border) return;
    std::vector<uint8_t> seen(static_cast<size_t>(width) * height);
    std::vector<int> pending{sy * width + sx};
    seen[pending[0]] = 1;
    while (!pending.empty()) {
        const int at = pending.back();
        pending.pop_back();
        const int x = at % width;
        const int y = at / width;
        pixels[at] = fill;
        auto visit = [&](int nx, int ny) {
            if (!clip.contains(nx, ny)) return;
            const int next = ny * width + nx;
            if (seen[next] || pixels[next] == border) return;
            seen[next] = 1;
            pending.push_back(next);
        };
        visit(x - 1, y);
        visit(x + 1, y);
        visit(x, y - 1);
        visit(x, y + 1);
    }
}

void reference_fill(TestPage& page, int sx, int sy, uint8_t fill, uint8_t border) {
    const screen_page& r = page.record;
    plain_fill(r.pixels, r.width, r.height, drawing::ClipBox{r.clip_left, r.clip_top, r.clip_right, r.clip_bottom},
               sx, sy, fill, border);
}

// Random pictures in a few colours of the page: scattered pixels, lines, and walls across the
// rows at block edges (x = 64k - 1 and 64k) with gaps, so that regions have holes, islands,
// narrow passages and runs that end at every position of a vector.
void random_picture(TestPage& page, std::mt19937& random, const std::vector<uint8_t>& colours) {
    const screen_page& r = page.record;
    auto colour = [&] { return colours[random() % colours.size()]; };
    const int density = static_cast<int>(random() % 60);
    for (int y = 0; y < r.height; ++y) {
        for (int x = 0; x < r.width; ++x) {
            const bool speck = static_cast<int>(random() % 100) < density;
            page.put(x, y, speck ? colour() : colours[0]);
        }
    }
    for (int i = 0; i < 20; ++i) {
        const float x1 = static_cast<float>(random() % r.width);
        const float y1 = static_cast<float>(random() % r.height);
        draw_line(x1, y1, static_cast<float>(random() % r.width), static_cast<float>(random() % r.height), colour(),
                  kLineKindLine, 0, 9);
    }
    for (int x = 63; x < r.width; x += 64) {
        for (int edge = x; edge <= x + 1 && edge < r.width; ++edge) {
            if (random() % 2) continue;
            const uint8_t wall = colour();
            for (int y = 0; y < r.height; ++y) {
                if (random() % 16) page.put(edge, y, wall);
            }
        }
    }
}

// The colours a picture uses: on pages of 8 colour bits any bytes, 255 among them at times.
std::vector<uint8_t> picture_colours(const TestPage& page, std::mt19937& random, int picture) {
    const uint32_t mask = page.record.colour_mask;
    const int count = (picture % 3 == 0) ? 2 : std::min<int>(4, static_cast<int>(mask) + 1);
    std::vector<uint8_t> colours;
    if (mask < 255) {
        for (int c = 0; c < count; ++c) colours.push_back(static_cast<uint8_t>(c));
    } else {
        while (static_cast<int>(colours.size()) < count) {
            const uint8_t c = (picture % 2) ? static_cast<uint8_t>(255 - random() % 8) : static_cast<uint8_t>(random());
            if (std::find(colours.begin(), colours.end(), c) == colours.end()) colours.push_back(c);
        }
    }
    return colours;
}

// A clip box: the whole page, a fixed inset, or random, down to a few pixels wide.
void choose_clip_box(TestPage& page, TestPage& expected, std::mt19937& random, int picture) {
    screen_page& r = page.record;
    int left = 0;
    int top = 0;
    int right = r.width - 1;
    int bottom = r.height - 1;
    if (picture % 4 == 3) {
        left = 17;
        top = 9;
        right = r.width - 40;
        bottom = r.height - 3;
    } else if (picture % 4 == 1) {
        left = static_cast<int>(random() % r.width);
        right = left + static_cast<int>(random() % (random() % 2 ? 8 : r.width));
        top = static_cast<int>(random() % r.height);
        bottom = top + static_cast<int>(random() % r.height);
        right = std::min(right, r.width - 1);
        bottom = std::min(bottom, r.height - 1);
    }
    r.clip_left = expected.record.clip_left = left;
    r.clip_top = expected.record.clip_top = top;
    r.clip_right = expected.record.clip_right = right;
    r.clip_bottom = expected.record.clip_bottom = bottom;
}

using FloodFillTest = DrawingTest;

// Each variant of the traversal in turn, the widest restored afterwards.
class FloodFillVariantTest : public DrawingTest {
protected:
    void TearDown() override {
        drawing::chosen_fill_variant() = widest_;
        DrawingTest::TearDown();
    }

    // Fills of random points of random pictures, each compared with the plain fill.
    void fill_random_pictures(PageKind kind, std::mt19937& random) {
        for (int picture = 0; picture < 12; ++picture) {
            TestPage& page = use(kind);
            TestPage expected(kind);
            const std::vector<uint8_t> colours = picture_colours(page, random, picture);
            choose_clip_box(page, expected, random, picture);
            random_picture(page, random, colours);
            expected.restore(page.snapshot());
            for (int fill_number = 0; fill_number < 30; ++fill_number) {
                const int x = static_cast<int>(random() % page.record.width);
                const int y = static_cast<int>(random() % page.record.height);
                const uint8_t fill = colours[random() % colours.size()];
                if (fill_number % 2 == 0) {
                    // The border is the fill colour itself.
                    flood_fill(x, y, fill, 0, 0, kFill);
                    reference_fill(expected, x, y, fill, fill);
                } else {
                    const uint8_t border = colours[random() % colours.size()];
                    flood_fill(x, y, fill, border, 0, kFill | kBorder);
                    reference_fill(expected, x, y, fill, border);
                }
                ASSERT_EQ(page.snapshot(), expected.snapshot())
                    << page_kind_name(kind) << " picture " << picture << " fill " << fill_number;
            }
            EXPECT_TRUE(page.guards_intact());
        }
    }

private:
    drawing::FillVariant widest_ = drawing::chosen_fill_variant();
};

TEST_F(FloodFillVariantTest, RandomPicturesMatchThePlainFill) {
    for (const auto& [name, variant] : drawing::runnable_fill_variants()) {
        SCOPED_TRACE(name);
        drawing::chosen_fill_variant() = variant;
        std::mt19937 random(77);
        for (PageKind kind : {PageKind::mode1, PageKind::mode7, PageKind::mode12, PageKind::mode13, PageKind::narrow}) {
            fill_random_pictures(kind, random);
        }
    }
}

// A run the traversal has painted already stops the spread like a wall, whatever colour it
// holds: runs of a plain 640 x 48 picture are marked visited, and the traversal is run on it
// directly. Each marked run has border pixels just past its ends within the row, as painted
// runs always do. Marks left from an earlier fill (rows of another stamp, nearly every bit set)
// stop nothing.
constexpr int kMarkedWidth = 640;
constexpr int kMarkedHeight = 48;
constexpr uint8_t kMarkedBorder = 4;
constexpr uint8_t kMarkedFill = 2;
constexpr uint8_t kMarkedColour = 5;

struct MarkedRun {
    int y, left, right;
};
struct PaintedRunCase {
    const char* what;
    std::vector<int> border_columns;   // border pixels down rows 0 to columns_end - 1
    int columns_end;
    std::vector<MarkedRun> marked;     // held in colour 5, marked visited, border just past
    int start_x, start_y;
    bool open_sides = false;           // no border down the picture's left and right edges
    int clip_left = 0;                 // the clip box's columns; its rows are all the picture's
    int clip_right = kMarkedWidth - 1;
};

std::vector<uint8_t> marked_picture(const PaintedRunCase& c) {
    std::vector<uint8_t> pixels(kMarkedWidth * kMarkedHeight, 0);
    auto put = [&](int x, int y, uint8_t colour) { pixels[y * kMarkedWidth + x] = colour; };
    for (int y = 0; y < kMarkedHeight; ++y) {
        if (!c.open_sides) {
            put(0, y, kMarkedBorder);
            put(kMarkedWidth - 1, y, kMarkedBorder);
        }
        if (y >= c.columns_end) continue;
        for (int x : c.border_columns) put(x, y, kMarkedBorder);
    }
    for (int x = 0; x < kMarkedWidth; ++x) {
        put(x, 0, kMarkedBorder);
        put(x, kMarkedHeight - 1, kMarkedBorder);
    }
    for (const MarkedRun& run : c.marked) {
        for (int x = run.left; x <= run.right; ++x) put(x, run.y, kMarkedColour);
        if (run.left > 0) put(run.left - 1, run.y, kMarkedBorder);
        if (run.right < kMarkedWidth - 1) put(run.right + 1, run.y, kMarkedBorder);
    }
    return pixels;
}

// The plain fill of the picture, the marked runs standing in as border when they are this fill's.
std::vector<uint8_t> plain_marked_fill(std::vector<uint8_t> pixels, const PaintedRunCase& c,
                                       bool marks_stop) {
    auto set_marked = [&](uint8_t colour) {
        for (const MarkedRun& run : c.marked) {
            std::fill(&pixels[run.y * kMarkedWidth + run.left], &pixels[run.y * kMarkedWidth + run.right + 1],
                      colour);
        }
    };
    if (marks_stop) set_marked(kMarkedBorder);
    plain_fill(pixels.data(), kMarkedWidth, kMarkedHeight,
               drawing::ClipBox{c.clip_left, 0, c.clip_right, kMarkedHeight - 1}, c.start_x,
               c.start_y, kMarkedFill, kMarkedBorder);
    if (marks_stop) set_marked(kMarkedColour);
    return pixels;
}

// Whose the rows are when the traversal starts: this fill's (stamp 7) or an earlier fill's
// (stamp 6, every word's bits set but its first and last, so that a traversal taking them for
// this fill's would paint short runs).
enum class RowsHeld {
    every_row_by_this_fill,       // the marked runs being this fill's
    marked_rows_by_this_fill,     // likewise, and every other row an earlier fill's
    every_row_by_an_earlier_fill  // the marked runs too
};

const char* rows_held_name(RowsHeld held) {
    switch (held) {
    case RowsHeld::every_row_by_this_fill: return "every row this fill's";
    case RowsHeld::marked_rows_by_this_fill: return "marked rows this fill's";
    default: return "every row an earlier fill's";
    }
}

// Whether the marked runs are this fill's, and so stop the spread.
bool marks_are_this_fills(RowsHeld held) {
    return held != RowsHeld::every_row_by_an_earlier_fill;
}

// The variant's traversal of the picture with the runs marked and the rows held as `held` says.
// Afterwards every row the fill painted in holds its stamp, and such a row's bits are its
// painted pixels and the marked runs that are this fill's.
std::vector<uint8_t> traverse_marked(drawing::FillVariant variant, const PaintedRunCase& c,
                                     RowsHeld held) {
    const bool marked_by_this_fill = marks_are_this_fills(held);
    std::vector<uint8_t> pixels = marked_picture(c);
    const size_t words = kMarkedWidth / 64;
    const bool every_row_this_fills = held == RowsHeld::every_row_by_this_fill;
    std::vector<uint64_t> visited(words * kMarkedHeight, every_row_this_fills ? 0 : 0x7FFFFFFFFFFFFFFE);
    std::vector<uint32_t> stamps(kMarkedHeight, every_row_this_fills ? 7 : 6);
    for (const MarkedRun& run : c.marked) {
        if (marked_by_this_fill && stamps[run.y] != 7) {
            stamps[run.y] = 7;
            std::fill_n(&visited[run.y * words], words, 0);
        }
        for (int x = run.left; x <= run.right; ++x) {
            visited[run.y * words + x / 64] |= uint64_t{1} << (x % 64);
        }
    }
    std::vector<drawing::FillSegment> stack(3 * kMarkedWidth * kMarkedHeight + 2);
    drawing::FillRegion region;
    region.pixels = pixels.data();
    region.width = kMarkedWidth;
    region.clip = drawing::ClipBox{c.clip_left, 0, c.clip_right, kMarkedHeight - 1};
    region.start_x = c.start_x;
    region.start_y = c.start_y;
    region.fill = kMarkedFill;
    region.border = kMarkedBorder;
    region.visited = visited.data();
    region.visited_words = words;
    region.row_stamps = stamps.data();
    region.stamp = 7;
    region.stack = stack.data();
    region.stack_size = stack.size();
    variant(region);

    for (int y = 0; y < kMarkedHeight; ++y) {
        const uint8_t* const row = &pixels[y * kMarkedWidth];
        if (stamps[y] != 7) {
            EXPECT_EQ(std::count(row, row + kMarkedWidth, kMarkedFill), 0) << "row " << y;
            continue;
        }
        for (int x = 0; x < kMarkedWidth; ++x) {
            bool visited_here = row[x] == kMarkedFill;
            for (const MarkedRun& run : c.marked) {
                visited_here |= marked_by_this_fill && run.y == y && x >= run.left && x <= run.right;
            }
            const bool bit = (visited[y * words + x / 64] >> (x % 64)) & 1;
            if (bit != visited_here) {
                ADD_FAILURE() << "visited bit of (" << x << ", " << y << ") is " << bit;
                break;
            }
        }
    }
    return pixels;
}

TEST(FillRegionVariants, RunsMarkedVisitedByThisFillStopTheSpread) {
    const PaintedRunCase cases[] = {
        {"a whole row across the frame", {}, 0, {{20, 1, 638}}, 5, 5},
        {"a run over the blocks between a segment's ends", {}, 0, {{20, 51, 599}}, 5, 5},
        {"a run within one block of a corridor", {20, 31}, kMarkedHeight, {{20, 21, 30}}, 25, 5},
        {"a run beside an open one, reached on the way up", {}, 0, {{10, 1, 299}}, 5, 40},
        // Down a wide corridor first, then up beside it, through the rows' other words.
        {"a run in a corridor open at the foot", {100, 500}, 30, {{20, 200, 300}}, 150, 5},
        // Rows with no border pixel at all, the fill spreading over them whole.
        {"a row from edge to edge below open rows", {}, 0, {{20, 0, 639}}, 5, 5, true},
        {"a row from edge to edge below a corridor that opens", {100, 500}, 30, {{40, 0, 639}},
         150, 5, true},
        {"a run in open rows reached on the way up", {}, 0, {{10, 0, 299}}, 5, 40, true},
        // The row behind the first open row has a part the fill has not reached.
        {"open rows below a row walled off from its left part", {30}, 20, {}, 300, 19, true},
        {"open rows within a clip box whose left edge lies inside a block", {}, 0, {}, 300, 5,
         true, 10},
        {"open rows within a clip box whose right edge lies inside a block", {}, 0, {}, 300, 5,
         true, 0, 600},
        {"open rows within a clip box of whole blocks narrower than the picture", {}, 0, {}, 300,
         5, true, 64, 575},
    };
    for (const auto& [name, variant] : drawing::runnable_fill_variants()) {
        for (const PaintedRunCase& c : cases) {
            for (const RowsHeld held :
                 {RowsHeld::every_row_by_this_fill, RowsHeld::marked_rows_by_this_fill,
                  RowsHeld::every_row_by_an_earlier_fill}) {
                SCOPED_TRACE(std::string(name) + ": " + c.what + ", " + rows_held_name(held));
                EXPECT_EQ(traverse_marked(variant, c, held),
                          plain_marked_fill(marked_picture(c), c,
                                            marks_are_this_fills(held)));
            }
        }
    }
}

TEST_F(FloodFillTest, FillColourInsideABorderIsPaintedAgainAndPassesTheSpread) {
    TestPage& page = use(PageKind::mode7);
    draw_line(10, 10, 30, 30, 4, kLineKindBox, 0, 9);
    draw_line(15, 11, 15, 29, 9, kLineKindLine, 0, 9);   // a wall of the fill colour
    flood_fill(12, 12, 9, 4, 0, kFill | kBorder);
    EXPECT_EQ(page.at(20, 20), 9);
    EXPECT_EQ(page.at(11, 29), 9);
    EXPECT_EQ(page.at(10, 20), 4);
    EXPECT_EQ(page.at(5, 5), 0);
    // With the fill colour as border the same wall stops it.
    page.clear();
    draw_line(15, 0, 15, 199, 9, kLineKindLine, 0, 9);
    flood_fill(12, 12, 9, 0, 0, kFill);
    EXPECT_EQ(page.at(0, 0), 9);
    EXPECT_EQ(page.at(16, 0), 0);
}

TEST_F(FloodFillTest, ColoursDefaultsAndMask) {
    TestPage& page = use(PageKind::mode1);
    page.record.foreground = 2;
    flood_fill(5, 5, 0, 0, 0, 0);   // fill and border both the foreground
    EXPECT_EQ(page.snapshot(), std::vector<uint8_t>(320 * 200, 2));
    flood_fill(5, 5, 4, 6, 0, kFill | kBorder);   // 4 is colour 0, 6 is colour 2: the start is border
    EXPECT_EQ(page.at(0, 0), 2);
    flood_fill(5, 5, 4, 5, 0, kFill | kBorder);   // border 1: everything becomes 0
    EXPECT_TRUE(page.lit().empty());
}

TEST_F(FloodFillTest, CursorMovesEvenWhenNothingIsPainted) {
    TestPage& page = use(PageKind::mode7);
    flood_fill(-20, 5, 3, 0, 0, kFill | kRelative);   // from (160, 100)
    EXPECT_FLOAT_EQ(page.record.graphics_x, 140);
    EXPECT_FLOAT_EQ(page.record.graphics_y, 105);
    page.clear();
    page.put(7, 7, 3);
    flood_fill(7, 7, 2, 3, 0, kFill | kBorder);   // starts on the border: nothing
    flood_fill(400, 7, 2, 3, 0, kFill | kBorder);   // off the page: nothing
    flood_fill(std::numeric_limits<float>::quiet_NaN(), 7, 2, 3, 0, kFill | kBorder);
    flood_fill(7, -std::numeric_limits<float>::infinity(), 2, 3, 0, kFill | kBorder);
    EXPECT_EQ(page.lit().size(), 1u);
    EXPECT_FLOAT_EQ(page.record.graphics_y, -std::numeric_limits<float>::infinity());
    EXPECT_EQ(pending(), 0);
    flood_fill(2.5f, 0.5f, 1, 3, 0, kFill | kBorder);   // ties to even: (2, 0)
    EXPECT_EQ(page.at(2, 0), 1);
}

TEST_F(FloodFillTest, RefusesTextPagesAndAFifthValue) {
    TestPage& page = use(PageKind::mode7);
    flood_fill(5, 5, 1, 2, 0, kFill | kBorder | kFifth);
    EXPECT_EQ(pending(), 5);
    EXPECT_TRUE(page.lit().empty());
    EXPECT_FLOAT_EQ(page.record.graphics_x, 160);
    clear_error();
    TestPage& text = use(PageKind::text);
    const auto before = text.snapshot();
    flood_fill(5, 5, 1, 2, 0, kFill | kBorder);
    EXPECT_EQ(pending(), 5);
    EXPECT_EQ(text.snapshot(), before);
    // While an error is pending nothing happens at all.
    TestPage& graphics = use(PageKind::mode12);
    flood_fill(5, 5, 1, 2, 0, kFill | kBorder);
    EXPECT_TRUE(graphics.lit().empty());
    EXPECT_FLOAT_EQ(graphics.record.graphics_x, 320);
}

TEST_F(FloodFillTest, WholePageInsideAFrame) {
    TestPage& page = use(PageKind::mode12);
    draw_line(0, 0, 639, 479, 4, kLineKindBox, 0, 9);
    for (int round = 0; round < 3; ++round) {
        flood_fill(1, 1, 2 + round, 4, 0, kFill | kBorder);
        EXPECT_EQ(page.at(1, 1), 2 + round);
        EXPECT_EQ(page.at(638, 478), 2 + round);
        EXPECT_EQ(page.at(639, 200), 4);
        EXPECT_EQ(std::count(page.record.pixels, page.record.pixels + page.size(), 0), 0);
    }
}

}  // namespace
}  // namespace zl::test
