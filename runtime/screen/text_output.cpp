#include "runtime/screen/text_output.h"

#include "runtime/core/error_state.h"
#include "runtime/screen/display_link.h"
#include "runtime/screen/palette.h"
#include "runtime/screen/screen_page.h"
#include "runtime/screen/text_cells.h"

namespace zl {

namespace {

// The permanent empty text; it never enters the string store.
string_descriptor line_end_text{nullptr, 0, kStringReadOnly, 0, -1};

constexpr int32_t kClearMethodGiven = 1;
constexpr int32_t kClearColourGiven = 2;
constexpr int32_t kClearWhole = 0;
constexpr int32_t kClearGraphicsView = 1;
constexpr int32_t kClearTextWindow = 2;

constexpr int32_t kColourForeground = 1;
constexpr int32_t kColourBackground = 2;
constexpr int32_t kColourBorder = 4;

constexpr int32_t kCursorRow = 1;
constexpr int32_t kCursorColumn = 2;
constexpr int32_t kCursorVisible = 4;
constexpr int32_t kCursorStart = 8;
constexpr int32_t kCursorStop = 16;
constexpr uint32_t kCursorLineLimit = 31;

constexpr uint32_t kTextForegroundLimit = 31;
constexpr uint32_t kColourLimit16 = 15;
constexpr uint32_t kEgaColourLimit = 63;
constexpr uint32_t kComponentBits = 0x3F3F3F;

bool beyond(int32_t value, uint32_t limit) { return static_cast<uint32_t>(value) > limit; }

int32_t text_length(const string_descriptor* text) {
    return (text == nullptr || text->length < 0) ? 0 : text->length;
}

// Graphics modes take colours up to 15, or up to their mask when that is larger.
uint32_t graphics_colour_limit(const screen_page& page) {
    return page.colour_mask > kColourLimit16 ? page.colour_mask : kColourLimit16;
}

void fill_graphics_box(screen_page& page, int left, int top, int right, int bottom, uint8_t colour) {
    for (int y = top; y <= bottom; ++y) {
        uint8_t* row = page.pixels + static_cast<size_t>(y) * page.width;
        for (int x = left; x <= right; ++x) row[x] = colour;
    }
}

void clear_graphics(screen_page& page, int32_t method, uint32_t colour) {
    const uint8_t value = static_cast<uint8_t>(colour & page.colour_mask);
    if (method == kClearTextWindow) {
        blank_text_rows(page, page.window_top, page.window_bottom, colour);
        return;
    }
    if (page.view_kind != 0) {
        fill_graphics_box(page, page.clip_left, page.clip_top, page.clip_right, page.clip_bottom,
                          value);
    } else {
        fill_graphics_box(page, 0, 0, page.width - 1, page.height - 1, value);
    }
    page.graphics_x = (page.clip_right - page.clip_left + 1) / 2.0f;
    page.graphics_y = (page.clip_bottom - page.clip_top + 1) / 2.0f;
}

void clear_text(screen_page& page, int32_t method, bool method_given, uint32_t background) {
    const int last_row = text_rows(page);
    if (method_given && method == kClearGraphicsView) return;   // a text page has no view
    if (method_given && method == kClearWhole) {
        blank_text_rows(page, 1, last_row, background);
        return;
    }
    blank_text_rows(page, page.window_top, page.window_bottom, background);
    if (!(method_given && method == kClearTextWindow) && page.window_bottom < last_row) {
        blank_text_rows(page, last_row, last_row, background);
    }
}

bool set_colour_text(screen_page& page, int32_t foreground, int32_t background, int32_t presence) {
    const bool fg = presence & kColourForeground;
    const bool bg = presence & kColourBackground;
    if ((fg && beyond(foreground, kTextForegroundLimit)) || (bg && beyond(background, kColourLimit16))) {
        return false;
    }
    if (fg) page.foreground = static_cast<uint32_t>(foreground);
    if (bg) page.background = static_cast<uint32_t>(background) & 7;
    return true;
}

// Mode 1: the first argument picks the background's palette colour; the second the odd or even
// set of entries 1 to 3. The foreground colour stays 3.
bool set_colour_mode_1(screen_page& page, int32_t foreground, int32_t background, int32_t presence) {
    const bool fg = presence & kColourForeground;
    const bool bg = presence & kColourBackground;
    if ((fg && beyond(foreground, kColourLimit16)) || (bg && beyond(background, kColourLimit16))) {
        return false;
    }
    if (fg) page.palette[0] = default_palette_16[foreground];
    if (bg) {
        const int first = (background & 1) ? 3 : 2;
        for (int entry = 1; entry <= 3; ++entry) page.palette[entry] = default_palette_16[first + 2 * (entry - 1)];
    }
    if (fg || bg) mark_display_changed();
    return true;
}

// Mode 7: the background argument recolours palette entry 0.
bool set_colour_mode_7(screen_page& page, int32_t foreground, int32_t background, int32_t presence) {
    const bool fg = presence & kColourForeground;
    const bool bg = presence & kColourBackground;
    if ((fg && beyond(foreground, kColourLimit16)) || (bg && beyond(background, kColourLimit16))) {
        return false;
    }
    if (fg) page.foreground = static_cast<uint32_t>(foreground);
    if (bg) {
        page.palette[0] = default_palette_16[background];
        mark_display_changed();
    }
    return true;
}

bool set_colour_graphics(screen_page& page, int32_t foreground, int32_t background, int32_t presence) {
    const bool fg = presence & kColourForeground;
    const bool bg = presence & kColourBackground;
    const uint32_t limit = graphics_colour_limit(page);
    if ((fg && beyond(foreground, limit)) || (bg && beyond(background, limit))) return false;
    if (fg) page.foreground = static_cast<uint32_t>(foreground);
    if (bg) page.background = static_cast<uint32_t>(background);
    return true;
}

// The palette colour an attribute takes in this mode, or false when the colour is beyond it.
bool palette_colour(const screen_page& page, uint32_t colour, uint32_t& argb) {
    switch (page.mode) {
        case 1:
        case 2:
        case 7:
        case 8:
            if (colour > kColourLimit16) return false;
            argb = default_palette_16[colour];
            return true;
        case 0:
        case 9:
        case 10:
            if (colour > kEgaColourLimit) return false;
            argb = ega_palette_64[colour];
            return true;
        default:
            if ((colour & ~kComponentBits) != 0) return false;
            argb = rgb(component_6_to_8(colour & 0x3F), component_6_to_8((colour >> 8) & 0x3F),
                       component_6_to_8((colour >> 16) & 0x3F));
            return true;
    }
}

bool row_allowed(const screen_page& page, int32_t row) {
    return (row >= page.window_top && row <= page.window_bottom) || row == text_rows(page);
}

}  // namespace

string_descriptor* line_end_string = &line_end_text;

void clear_screen(int32_t method, uint32_t colour, int32_t presence) {
    if (error_is_pending()) return;
    screen_page& page = *write_page;
    const bool method_given = presence & kClearMethodGiven;
    const bool colour_given = presence & kClearColourGiven;
    if ((method_given && beyond(method, kClearTextWindow)) ||
        (colour_given && colour > page.colour_mask)) {
        raise_error(kErrorIllegalFunctionCall);
        return;
    }
    const uint32_t background = colour_given ? colour : page.background;
    page.cursor_row = page.window_top;
    page.cursor_column = 1;
    if (page.text) {
        clear_text(page, method, method_given, background);
    } else {
        clear_graphics(page, method_given ? method : kClearWhole, background);
    }
    mark_display_changed();
}

void set_colour(int32_t foreground, int32_t background, int32_t border, int32_t presence) {
    (void)border;   // the border colour has no place on this display
    if (error_is_pending() || presence == 0) return;
    screen_page& page = *write_page;
    if (!page.text && (presence & kColourBorder)) {
        raise_error(kErrorIllegalFunctionCall);
        return;
    }
    bool accepted;
    if (page.text) {
        accepted = set_colour_text(page, foreground, background, presence);
    } else if (page.mode == 1) {
        accepted = set_colour_mode_1(page, foreground, background, presence);
    } else if (page.mode == 7) {
        accepted = set_colour_mode_7(page, foreground, background, presence);
    } else {
        accepted = set_colour_graphics(page, foreground, background, presence);
    }
    if (!accepted) raise_error(kErrorIllegalFunctionCall);
}

void set_palette(int32_t attribute, uint32_t colour, int32_t presence) {
    if (error_is_pending()) return;
    screen_page& page = *write_page;
    if (presence == 0) {
        fill_default_palette(page.mode, page.palette);
        mark_display_changed();
        return;
    }
    uint32_t argb = 0;
    const uint32_t attribute_limit = page.text ? kColourLimit16 : graphics_colour_limit(page);
    if (page.bytes_per_pixel == 4 || beyond(attribute, attribute_limit) ||
        !palette_colour(page, colour, argb)) {
        raise_error(kErrorIllegalFunctionCall);
        return;
    }
    page.palette[static_cast<uint32_t>(attribute) % kPaletteEntries] = argb;
    mark_display_changed();
}

void set_cursor(int32_t row, int32_t column, int32_t visible, int32_t start_line,
                int32_t stop_line, int32_t presence) {
    if (error_is_pending()) return;
    screen_page& page = *write_page;
    const bool row_given = presence & kCursorRow;
    const bool column_given = presence & kCursorColumn;
    if ((row_given && !row_allowed(page, row)) ||
        (column_given && (column < 1 || column > text_columns(page))) ||
        ((presence & kCursorVisible) && beyond(visible, 1)) ||
        ((presence & kCursorStart) && beyond(start_line, kCursorLineLimit)) ||
        ((presence & kCursorStop) && beyond(stop_line, kCursorLineLimit))) {
        raise_error(kErrorIllegalFunctionCall);
        return;
    }
    if (row_given) page.cursor_row = static_cast<int16_t>(row);
    if (column_given) page.cursor_column = static_cast<int16_t>(column);
    if (row_given || column_given) page.cursor_parked = false;
    if (presence & kCursorVisible) page.cursor_visible = visible != 0;
    if (presence & kCursorStart) page.cursor_start_line = static_cast<uint8_t>(start_line);
    if (presence & kCursorStop) page.cursor_stop_line = static_cast<uint8_t>(stop_line);
    if (presence != 0) mark_display_changed();
}

int32_t cursor_row() {
    const screen_page& page = *write_page;
    if (!page.cursor_parked) return page.cursor_row;
    return page.cursor_row >= page.window_bottom ? page.window_bottom : page.cursor_row + 1;
}

void fit_text_on_line(const string_descriptor* text) {
    screen_page& page = *write_page;
    if (page.cursor_parked || page.cursor_column == 1) return;
    const int32_t length = text_length(text);
    const bool runs_past =
        page.text ? page.cursor_column + length - 1 > page.width
                  : (page.cursor_column - 1 + length) * cell_width(page) > page.width;
    if (!runs_past) return;
    new_line(page);
    mark_display_changed();
}

void print_string(const string_descriptor* text, int32_t line_end) {
    if (error_is_pending()) return;
    screen_page& page = *write_page;
    const int32_t length = text_length(text);
    if (length == 0) {
        // An empty text prints nothing; with the flag it ends the line, parked or not.
        if (line_end) {
            new_line(page);
            page.cursor_parked = false;
            mark_display_changed();
        }
        return;
    }
    if (page.cursor_parked) {
        new_line(page);
        page.cursor_parked = false;
    }
    const int columns = text_columns(page);
    bool on_new_row = false;
    for (int32_t i = 0; i < length; ++i) {
        put_character(page, text->bytes[i]);
        on_new_row = false;
        if (page.cursor_column < columns) {
            ++page.cursor_column;
        } else if (i == length - 1 && !line_end) {
            page.cursor_parked = true;
        } else {
            new_line(page);
            on_new_row = true;
        }
    }
    if (line_end && !on_new_row) new_line(page);
    mark_display_changed();
}

}  // namespace zl
