// Owns the CRC-32 of the series report (the zlib polynomial, reflected, 0xEDB88320).
#pragma once

#include <cstddef>
#include <cstdint>

namespace zl::series {

// Continues crc over these bytes; start with 0.
uint32_t crc32(uint32_t crc, const uint8_t* bytes, size_t length);

}  // namespace zl::series
