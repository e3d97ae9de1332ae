// Hot screen operations: the one-character print of the palette-character tests (about six
// million a run), the text screen's read-back, and turning each kind of page into a frame.
#include <benchmark/benchmark.h>

#include "benchmark/frame.h"
#include "runtime/core/strings.h"
#include "runtime/host/headless/headless_host.h"
#include "runtime/screen/frame_render.h"
#include "runtime/screen/screen_mode.h"
#include "runtime/screen/screen_page.h"
#include "runtime/screen/text_output.h"

namespace zl {
namespace {

void BM_PrintOneCharacter(benchmark::State& state) {
    HeadlessHost host;
    set_screen_mode(static_cast<int32_t>(state.range(0)), 0, 0, 0, 0, 1);
    Routine routine;
    routine.enter();
    // As in the palette-character tests: a screenful of characters, then back to the top, so
    // the window scrolls about once a screenful rather than once a row.
    const int32_t screenful = text_columns(*write_page) * (text_rows(*write_page) - 1);
    int32_t code = 33;
    int32_t printed = 0;
    for (auto _ : state) {
        // The whole print statement: work text, the item, fit test, glyph cell, temporaries freed.
        print_char_code(routine, static_cast<float>(code), LineEnd::no, 192);
        code = code == 255 ? 33 : code + 1;
        if (++printed == screenful) {
            printed = 0;
            set_cursor(1, 1, 0, 0, 0, 3);
        }
    }
}
BENCHMARK(BM_PrintOneCharacter)->Arg(1)->Arg(7)->Arg(12);

// print_string alone on a held text, to separate the glyph cell from the string store.
void BM_PrintStringOnly(benchmark::State& state) {
    HeadlessHost host;
    set_screen_mode(static_cast<int32_t>(state.range(0)), 0, 0, 0, 0, 1);
    string_descriptor* text = string_from_literal("\xB2", 1);
    const int32_t screenful = text_columns(*write_page) * (text_rows(*write_page) - 1);
    int32_t printed = 0;
    for (auto _ : state) {
        fit_text_on_line(text);
        print_string(text, 0);
        if (++printed == screenful) {
            printed = 0;
            set_cursor(1, 1, 0, 0, 0, 3);
        }
    }
    string_free(text);
}
BENCHMARK(BM_PrintStringOnly)->Arg(0)->Arg(7)->Arg(12);

// The text-screen test's read-back: two reads and the cursor row.
void BM_TextReadBack(benchmark::State& state) {
    HeadlessHost host;
    for (auto _ : state) {
        benchmark::DoNotOptimize(screen_char_at(12, 40, 0, 1));
        benchmark::DoNotOptimize(screen_char_at(12, 40, 0, 1));
        benchmark::DoNotOptimize(cursor_row());
    }
}
BENCHMARK(BM_TextReadBack);

void BM_RenderFrame(benchmark::State& state) {
    HeadlessHost host;
    set_screen_mode(static_cast<int32_t>(state.range(0)), 0, 0, 0, 0, 1);
    screen_page& page = *display_page;
    const size_t bytes =
        page.text ? size_t{page.width} * page.height * 2 : size_t{page.width} * page.height;
    for (size_t i = 0; i < bytes; ++i) page.pixels[i] = static_cast<uint8_t>(i * 7 + (i >> 9));
    Frame frame;
    for (auto _ : state) {
        render_frame(page, frame, true);
        benchmark::DoNotOptimize(frame.pixels.data());
    }
}
BENCHMARK(BM_RenderFrame)->Arg(0)->Arg(7)->Arg(12)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace zl

BENCHMARK_MAIN();
