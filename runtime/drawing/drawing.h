// Owns the drawing operations on graphics pages: lines and boxes, pixels, circles and fills.
#pragma once

#include <cstdint>

#include "runtime/core/strings.h"

namespace zl {

constexpr int32_t kLineKindLine = 0;
constexpr int32_t kLineKindBox = 1;
constexpr int32_t kLineKindFilledBox = 2;

void draw_line(float x1, float y1, float x2, float y2, int32_t colour, int32_t kind,
               int32_t style, int32_t presence);
void set_pixel(float x, float y, int32_t colour, int32_t presence);
double point_colour(float x, float y, int32_t presence);
void draw_circle(double x, double y, double radius, int32_t colour, double start_angle,
                 double end_angle, double aspect, int32_t presence);
void flood_fill(float x, float y, int32_t fill_colour, int32_t border_colour, int32_t fifth,
                int32_t presence);
void flood_fill_tiled(float x, float y, const string_descriptor* tile, int32_t border_colour,
                      const string_descriptor* background, int32_t presence);

}  // namespace zl
