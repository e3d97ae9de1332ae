// Circles, ellipses and arcs (draw_circle): the outline is walked one sample a step, turning a
// unit vector by a fixed angle, and samples that add nothing new are held back.
#include <cmath>
#include <cstdlib>

#include "runtime/core/error_state.h"
#include "runtime/drawing/drawing.h"
#include "runtime/drawing/private/page_access.h"
#include "runtime/screen/display_link.h"

namespace zl {

namespace {

using drawing::ClipBox;
using drawing::PixelPoint;

constexpr int32_t kPresenceRelative = 1;
constexpr int32_t kPresenceColour = 2;
constexpr int32_t kPresenceStartAngle = 4;
constexpr int32_t kPresenceEndAngle = 8;
constexpr int32_t kPresenceAspect = 16;

constexpr double kPi = 3.141592653589793;
constexpr double kTwoPi = 6.283185307179586;
constexpr double kHalfPi = kPi / 2;
constexpr double kHalfPixel = 0.5;

// Beyond this radius a circle's step count runs into the millions; such a circle draws nothing.
constexpr double kLargestRadius = 1 << 20;

double default_aspect(uint16_t mode) {
    switch (mode) {
    case 1:
    case 7:
    case 13:
        return 5.0 / 6.0;
    case 2:
    case 8:
        return 5.0 / 12.0;
    case 9:
    case 10:
        return 35.0 / 48.0;
    default:
        return 1.0;
    }
}

// The angles an outline point must lie within; a wrapped arc runs through angle 0.
struct Arc {
    double low = 0;
    double high = kTwoPi;
    bool wraps = false;

    bool contains(double angle) const {
        return wraps ? (angle <= low || angle >= high) : (angle >= low && angle <= high);
    }
};

struct Radii {
    double horizontal = 0;
    double vertical = 0;
};

Radii radii_for(double radius, double aspect) {
    Radii radii{std::fabs(radius), std::fabs(radius)};
    if (aspect >= 0 && aspect < 1) {
        radii.vertical *= aspect;
    } else if (aspect > 1) {
        radii.horizontal /= aspect;
    } else if (aspect < 0 && aspect > -1) {
        radii.vertical *= aspect + 1;
    }
    return radii;
}

// One sample of the walk: offsets from the centre pixel and its step number.
struct Sample {
    int64_t u = 0;
    int64_t v = 0;
    int64_t step = 0;
};

bool within_one_pixel(const Sample& a, const Sample& b) {
    return std::abs(a.u - b.u) <= 1 && std::abs(a.v - b.v) <= 1;
}

class Outline {
public:
    Outline(screen_page& page, const ClipBox& clip, PixelPoint centre, const Arc& arc,
            double step_angle, uint8_t colour)
        : page_(page), clip_(clip), centre_(centre), arc_(arc), step_angle_(step_angle),
          colour_(colour) {}

    // The sample's four mirror points, each where its angle lies on the arc.
    void draw(const Sample& s) const {
        const double angle = s.step == 0 ? 0.0 : static_cast<double>(s.step) * step_angle_;
        if (arc_.contains(angle)) plot(centre_.x + s.u, centre_.y - s.v);
        if (arc_.contains(kPi - angle)) plot(centre_.x - s.u, centre_.y - s.v);
        if (arc_.contains(kPi + angle)) plot(centre_.x - s.u, centre_.y + s.v);
        if (arc_.contains(kTwoPi - angle)) plot(centre_.x + s.u, centre_.y + s.v);
    }

private:
    void plot(int64_t x, int64_t y) const {
        if (clip_.contains(x, y)) drawing::row_of(page_, y)[x] = colour_;
    }

    screen_page& page_;
    const ClipBox& clip_;
    PixelPoint centre_;
    const Arc& arc_;
    double step_angle_;
    uint8_t colour_;
};

// Samples 0 to n of the quarter turn, the unit vector turned by δ each step.
void walk_outline(const Outline& outline, const Radii& radii, int64_t steps, double step_angle) {
    auto sample_at = [&radii](double c, double s, int64_t step) {
        return Sample{static_cast<int64_t>(c * radii.horizontal + kHalfPixel),
                      static_cast<int64_t>(s * radii.vertical + kHalfPixel), step};
    };
    Sample last = sample_at(1.0, 0.0, 0);
    outline.draw(last);
    if (steps == 0) return;
    const double turn_cos = std::cos(step_angle);
    const double turn_sin = std::sin(step_angle);
    double c = 1.0;
    double s = 0.0;
    Sample held;
    bool holding = false;
    for (int64_t step = 1; step <= steps; ++step) {
        const double next_c = c * turn_cos - s * turn_sin;
        const double next_s = c * turn_sin + s * turn_cos;
        c = next_c;
        s = next_s;
        const Sample current = sample_at(c, s, step);
        if (!within_one_pixel(current, last) && holding) {
            outline.draw(held);
            last = held;
        }
        held = current;
        holding = true;
    }
    outline.draw(held);
}

// The line from the centre pixel to the outline at a negative end angle.
void draw_radius_line(screen_page& page, const ClipBox& clip, PixelPoint centre, const Radii& radii,
                      double angle, uint8_t colour) {
    const PixelPoint end{
        drawing::round_half_away(static_cast<double>(centre.x) + radii.horizontal * std::cos(angle)),
        drawing::round_half_away(static_cast<double>(centre.y) - radii.vertical * std::sin(angle))};
    drawing::draw_pixel_line(page, clip, centre, end, colour, 0xFFFF);
}

bool outside_view(double cx, double cy, const Radii& radii, const ClipBox& clip) {
    return cx + radii.horizontal + kHalfPixel < clip.left ||
           cx - radii.horizontal - kHalfPixel > clip.right ||
           cy + radii.vertical + kHalfPixel < clip.top || cy - radii.vertical - kHalfPixel > clip.bottom;
}

}  // namespace

void draw_circle(double x, double y, double radius, int32_t colour, double start_angle,
                 double end_angle, double aspect, int32_t presence) {
    using namespace drawing;
    if (error_is_pending()) return;
    screen_page* const page = write_page;
    if (page == nullptr) return;
    const double start = (presence & kPresenceStartAngle) ? start_angle : 0.0;
    const double end = (presence & kPresenceEndAngle) ? end_angle : kTwoPi;
    if (page->text || std::fabs(start) > kTwoPi || std::fabs(end) > kTwoPi) {
        raise_error(kIllegalFunctionCall);
        return;
    }
    const double centre_x = (presence & kPresenceRelative) ? page->graphics_x + x : x;
    const double centre_y = (presence & kPresenceRelative) ? page->graphics_y + y : y;
    page->graphics_x = static_cast<float>(centre_x);
    page->graphics_y = static_cast<float>(centre_y);
    if (!has_pixel_buffer(*page)) return;

    const uint32_t chosen = (presence & kPresenceColour) ? static_cast<uint32_t>(colour) : page->foreground;
    const Radii radii =
        radii_for(radius, (presence & kPresenceAspect) ? aspect : default_aspect(page->mode));
    const double cx = centre_x * page->window_scale_x + page->window_offset_x + page->view_x;
    const double cy = centre_y * page->window_scale_y + page->window_offset_y + page->view_y;
    const ClipBox clip = clip_box_of(*page);
    // Not a number or too far to walk: no outline to draw.
    if (!std::isfinite(cx) || !std::isfinite(cy) || !(std::fabs(radius) <= kLargestRadius)) return;
    if (clip.empty() || outside_view(cx, cy, radii, clip)) return;

    Arc arc{std::fabs(start), std::fabs(end), false};
    if (arc.low > arc.high) {
        std::swap(arc.low, arc.high);
        arc.wraps = true;
    }
    const int64_t steps = static_cast<int64_t>(kTwoPi * std::fabs(radius) / 4 + kHalfPixel);
    const double step_angle = steps == 0 ? 0.0 : kHalfPi / static_cast<double>(steps);
    const PixelPoint centre{round_half_away(cx), round_half_away(cy)};
    const uint8_t stored = stored_colour(*page, chosen);
    walk_outline(Outline(*page, clip, centre, arc, step_angle, stored), radii, steps, step_angle);
    if (start < 0) draw_radius_line(*page, clip, centre, radii, -start, stored);
    if (end < 0) draw_radius_line(*page, clip, centre, radii, -end, stored);
    mark_display_changed();
}

}  // namespace zl
