#include "tools/series/page_report.h"

#include <cstdio>
#include <memory>
#include <vector>

#include "runtime/screen/frame_render.h"
#include "tools/series/crc32.h"

namespace zl::series {

namespace {

constexpr int kReportedPaletteEntries = 16;

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

}  // namespace

uint32_t page_crc(const screen_page& page) {
    if (page.pixels == nullptr) return crc32(0, nullptr, 0);
    const size_t length = size_t{page.width} * page.height * page.bytes_per_pixel;
    return crc32(0, page.pixels, length);
}

uint32_t palette_crc(const screen_page& page) {
    uint8_t bytes[kReportedPaletteEntries * 3] = {};
    if (page.palette != nullptr) {
        for (int i = 0; i < kReportedPaletteEntries; ++i) {
            const uint32_t colour = page.palette[i];
            bytes[i * 3 + 0] = static_cast<uint8_t>(colour >> 16);
            bytes[i * 3 + 1] = static_cast<uint8_t>(colour >> 8);
            bytes[i * 3 + 2] = static_cast<uint8_t>(colour);
        }
    }
    return crc32(0, bytes, sizeof bytes);
}

bool write_page_ppm(const screen_page& page, const std::string& path) {
    Frame frame;
    render_frame(page, frame, false);
    std::vector<uint8_t> rgb(static_cast<size_t>(frame.width) * frame.height * 3);
    for (size_t i = 0; i < frame.pixels.size() && i * 3 < rgb.size(); ++i) {
        const uint32_t colour = frame.pixels[i];
        rgb[i * 3 + 0] = static_cast<uint8_t>(colour >> 16);
        rgb[i * 3 + 1] = static_cast<uint8_t>(colour >> 8);
        rgb[i * 3 + 2] = static_cast<uint8_t>(colour);
    }
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "wb"));
    if (!file) return false;
    std::fprintf(file.get(), "P6\n%d %d\n255\n", frame.width, frame.height);
    return std::fwrite(rgb.data(), 1, rgb.size(), file.get()) == rgb.size() &&
           std::fflush(file.get()) == 0;
}

}  // namespace zl::series
