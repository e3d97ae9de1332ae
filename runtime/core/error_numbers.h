// Owns the run-time error numbers the runtime raises, and the range of the numbered fatal
// out-of-memory stops. Their messages are in error_messages.cpp.
#pragma once

#include <cstdint>

namespace zl {

constexpr int32_t kErrorIllegalFunctionCall = 5;
constexpr int32_t kErrorOverflow = 6;
constexpr int32_t kErrorOutOfMemory = 7;
constexpr int32_t kErrorDivisionByZeroFatal = 11;
constexpr int32_t kErrorOutOfStackSpace = 256;
constexpr int32_t kErrorLowMemoryExhausted = 257;
constexpr int32_t kErrorInvalidHandle = 258;

// Allocation failures, all fatal: their boxes are numbered "Critical Error #2" to "#18".
constexpr int32_t kFirstAllocationFailure = 502;
constexpr int32_t kLastAllocationFailure = 518;
constexpr int32_t kErrorStringBytesExhausted = 502;
constexpr int32_t kErrorDescriptorsExhausted = 503;
constexpr int32_t kErrorStaticPoolExhausted = 504;
constexpr int32_t kErrorTempListExhausted = 505;

}  // namespace zl
