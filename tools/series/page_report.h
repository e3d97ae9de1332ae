// Owns what the series runner reports of the display page: the CRCs of its bytes and palette, and
// the frame the display would show, written as a binary PPM.
#pragma once

#include <cstdint>
#include <string>

#include "runtime/screen/screen_page.h"

namespace zl::series {

// The page's bytes in row-major order: one per pixel, or character then attribute per cell.
uint32_t page_crc(const screen_page& page);
// The first 16 palette entries as red, green, blue bytes.
uint32_t palette_crc(const screen_page& page);
// Renders the page as the display would (cursor not drawn); false when the file cannot be written.
bool write_page_ppm(const screen_page& page, const std::string& path);

}  // namespace zl::series
