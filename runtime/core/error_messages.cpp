#include "runtime/core/error_messages.h"

#include <array>

#include "runtime/core/error_numbers.h"

namespace zl {

namespace {

struct ErrorMessage {
    int32_t code;
    const char* text;
};

// The classic run-time errors and the runtime's own; codes missing here get a generic text.
constexpr std::array kMessages{
    ErrorMessage{2, "Syntax error"},
    ErrorMessage{3, "Return without a call"},
    ErrorMessage{4, "No more data to read"},
    ErrorMessage{5, "Illegal function call"},
    ErrorMessage{6, "Overflow"},
    ErrorMessage{7, "Out of memory"},
    ErrorMessage{8, "Label not found"},
    ErrorMessage{9, "Index out of range"},
    ErrorMessage{10, "Name defined twice"},
    ErrorMessage{11, "Division by zero"},
    ErrorMessage{13, "Types do not match"},
    ErrorMessage{14, "Out of string space"},
    ErrorMessage{16, "Expression too complex"},
    ErrorMessage{19, "Error handler did not resume"},
    ErrorMessage{20, "Resume without an error"},
    ErrorMessage{24, "Device timed out"},
    ErrorMessage{25, "Device failure"},
    ErrorMessage{27, "Printer out of paper"},
    ErrorMessage{52, "Bad file number"},
    ErrorMessage{53, "File not found"},
    ErrorMessage{54, "Wrong file mode for this operation"},
    ErrorMessage{55, "File already open"},
    ErrorMessage{57, "Device input/output error"},
    ErrorMessage{58, "File already exists"},
    ErrorMessage{61, "Disk full"},
    ErrorMessage{62, "Read past end of file"},
    ErrorMessage{63, "Bad record number"},
    ErrorMessage{64, "Bad file name"},
    ErrorMessage{67, "Too many open files"},
    ErrorMessage{68, "Device not available"},
    ErrorMessage{70, "Permission denied"},
    ErrorMessage{71, "Disk not ready"},
    ErrorMessage{75, "Path or file access error"},
    ErrorMessage{76, "Path not found"},
    ErrorMessage{256, "Out of stack space"},
    ErrorMessage{257, "Out of memory"},
    ErrorMessage{258, "Invalid handle"},
    ErrorMessage{259, "Corrupt string space"},
    ErrorMessage{260, "Out of string descriptors"},
    ErrorMessage{261, "Internal runtime error"},
    ErrorMessage{262, "Event trap table full"},
    ErrorMessage{263, "Bad event handle"},
    ErrorMessage{270, "Cannot start thread"},
    ErrorMessage{271, "Cannot load module"},
};

constexpr const char* kUnknownErrorMessage = "Unprintable error";

}  // namespace

const char* error_message(int32_t code) {
    if (code >= kFirstAllocationFailure && code <= kLastAllocationFailure) return "Out of memory";
    for (const ErrorMessage& message : kMessages) {
        if (message.code == code) return message.text;
    }
    return kUnknownErrorMessage;
}

bool error_is_fatal(int32_t code) {
    switch (code) {
        case kErrorDivisionByZeroFatal:
        case kErrorOutOfStackSpace:
        case kErrorLowMemoryExhausted:
        case 259:
        case 260:
        case 261:
        case 262:
        case 263:
        case 270:
        case 271:
            return true;
        default:
            return code >= kFirstAllocationFailure && code <= kLastAllocationFailure;
    }
}

}  // namespace zl
