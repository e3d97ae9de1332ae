// Owns the end of the program: the end prompt, and the reset routine's file and image release.
#pragma once

#include <cstdint>

namespace zl {

[[noreturn]] void end_program();
void close_files(int32_t file_number, int32_t presence);
void free_all_images();

}  // namespace zl
