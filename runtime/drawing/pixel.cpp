// Single pixels: set_pixel and point_colour (a pixel read back, or the graphics cursor).
#include "runtime/core/error_state.h"
#include "runtime/drawing/drawing.h"
#include "runtime/drawing/private/page_access.h"
#include "runtime/screen/display_link.h"

namespace zl {

namespace {

constexpr int32_t kPresenceRelative = 1;
constexpr int32_t kPresenceColour = 2;

// point_colour with mask 0: which part of the graphics cursor x selects.
constexpr int64_t kCursorPixelX = 0;
constexpr int64_t kCursorPixelY = 1;
constexpr int64_t kCursorStoredX = 2;
constexpr int64_t kCursorStoredY = 3;

constexpr double kOffView = -1;

double graphics_cursor_part(const screen_page& page, int64_t part) {
    switch (part) {
    case kCursorPixelX:
        return static_cast<double>(drawing::round_even_saturated(
            page.graphics_x * page.window_scale_x + page.window_offset_x));
    case kCursorPixelY:
        return static_cast<double>(drawing::round_even_saturated(
            page.graphics_y * page.window_scale_y + page.window_offset_y));
    case kCursorStoredX:
        return page.graphics_x;
    default:
        return page.graphics_y;
    }
}

}  // namespace

void set_pixel(float x, float y, int32_t colour, int32_t presence) {
    using namespace drawing;
    if (error_is_pending()) return;
    screen_page* const page = write_page;
    if (page == nullptr) return;
    if (page->text) {
        raise_error(kIllegalFunctionCall);
        return;
    }
    place_graphics_cursor(*page, x, y, (presence & kPresenceRelative) != 0);
    const uint32_t chosen = (presence & kPresenceColour) ? static_cast<uint32_t>(colour) : page->foreground;
    page->last_colour = chosen;
    if (!has_pixel_buffer(*page)) return;
    const PixelPoint at = pixel_of(*page, page->graphics_x, page->graphics_y);
    if (!in_clip_box(*page, at)) return;
    row_of(*page, at.y)[at.x] = stored_colour(*page, chosen);
    mark_display_changed();
}

double point_colour(float x, float y, int32_t presence) {
    using namespace drawing;
    if (presence == 0) {
        const screen_page* const page = write_page;
        if (page == nullptr) return 0;
        const int64_t part = round_even_saturated(x);
        if (page->text || part < kCursorPixelX || part > kCursorStoredY) {
            raise_error(kIllegalFunctionCall);
            return 0;
        }
        return graphics_cursor_part(*page, part);
    }
    const screen_page* const page = read_page;
    if (page == nullptr) return 0;
    if (page->text) {
        raise_error(kIllegalFunctionCall);
        return 0;
    }
    if (!has_pixel_buffer(*page)) return kOffView;
    const PixelPoint at = pixel_of(*page, x, y);
    if (!in_clip_box(*page, at)) return kOffView;
    return row_of(*page, at.y)[at.x] & page->colour_mask;
}

}  // namespace zl
