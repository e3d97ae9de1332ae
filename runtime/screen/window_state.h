// Owns the window's title and full-screen request as the program sets them; the host reads them.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

#include "runtime/core/strings.h"

namespace zl {

void set_window_title(const string_descriptor* title);
void set_fullscreen(int32_t method, int32_t presence);

// Host side.
std::string window_title();                        // "Untitled" until set
extern std::atomic<uint32_t> window_title_generation;   // bumped on every change

enum class FullscreenMethod : int { windowed = 1, stretched = 0, square_pixels = 3 };
struct FullscreenRequest {
    std::atomic<int> method{1};        // FullscreenMethod
    std::atomic<bool> smooth{false};
    std::atomic<uint32_t> generation{0};   // bumped when a request differs from the state
};
extern FullscreenRequest fullscreen_request;

void reset_window_state();

}  // namespace zl
