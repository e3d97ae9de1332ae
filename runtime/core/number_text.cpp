#include "runtime/core/number_text.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>

namespace zl {

namespace {

constexpr int kSignificantDigits = 7;
// Exponent form from ten million up, and when more than 8 places past the last digit are needed.
constexpr int kFirstExponentFormPower = 7;
constexpr int kLowestFixedPlaceOffset = -8;

struct Digits {
    char digit[kSignificantDigits] = {};
    int count = 0;      // significant digits left once trailing zeros are dropped
    int exponent = 0;   // decimal exponent of the first digit
};

constexpr float kLargestExactWhole = 16777216.0f;   // 2^24: every whole single below is exact
constexpr uint32_t kSevenDigitLimit = 10000000;

void drop_trailing_zeros(Digits& digits) {
    while (digits.count > 1 && digits.digit[digits.count - 1] == '0') --digits.count;
}

constexpr char kDigitPairs[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

// Whole numbers (the counters of the test routines) without the general conversion: below 2^24
// they have at most eight digits, and rounding the eighth away (ties to even) never carries.
void whole_number_digits(uint32_t whole, Digits& digits) {
    int exponent = 0;
    if (whole >= kSevenDigitLimit) {
        const uint32_t kept = whole / 10;
        const uint32_t dropped = whole % 10;
        whole = kept + ((dropped > 5 || (dropped == 5 && (kept & 1) != 0)) ? 1 : 0);
        exponent = 1;
    }
    // Written from the right, two digits at a time, ending at the middle of a zeroed buffer so
    // that the fixed-size copy below stays inside it.
    constexpr int kEnd = kSignificantDigits + 1;
    char written[2 * kEnd] = {};
    int first = kEnd;
    while (whole >= 100) {
        const uint32_t pair = whole % 100;
        whole /= 100;
        first -= 2;
        std::memcpy(written + first, kDigitPairs + 2 * pair, 2);
    }
    if (whole >= 10) {
        first -= 2;
        std::memcpy(written + first, kDigitPairs + 2 * whole, 2);
    } else {
        written[--first] = static_cast<char>('0' + whole);
    }
    // A fixed-size copy; for a short number it takes zeros past the count along.
    std::memcpy(digits.digit, written + first, kSignificantDigits);
    digits.count = kEnd - first;
    digits.exponent = exponent + digits.count - 1;
    drop_trailing_zeros(digits);
}

// The value rounded to seven significant digits (exactly, ties to even), trailing zeros dropped.
// Filled in place rather than returned: its bytes are written one by one and must not be
// copied back as one wide load.
void decimal_digits(float magnitude, Digits& digits) {
    if (magnitude < kLargestExactWhole &&
        static_cast<float>(static_cast<uint32_t>(magnitude)) == magnitude) {
        whole_number_digits(static_cast<uint32_t>(magnitude), digits);
        return;
    }
    char scientific[32];
    const auto result = std::to_chars(scientific, scientific + sizeof scientific, magnitude,
                                      std::chars_format::scientific, kSignificantDigits - 1);
    // "d.ddddddE±xx" in to_chars's lower-case form: d.dddddde+xx
    digits.digit[0] = scientific[0];
    std::memcpy(digits.digit + 1, scientific + 2, kSignificantDigits - 1);
    const char* exponent_text = scientific + 2 + (kSignificantDigits - 1) + 1;
    std::from_chars(exponent_text[0] == '+' ? exponent_text + 1 : exponent_text, result.ptr,
                    digits.exponent);
    digits.count = kSignificantDigits;
    drop_trailing_zeros(digits);
}

int write_exponent_form(const Digits& digits, char* out) {
    int length = 0;
    out[length++] = digits.digit[0];
    if (digits.count > 1) {
        out[length++] = '.';
        for (int i = 1; i < digits.count; ++i) out[length++] = digits.digit[i];
    }
    out[length++] = 'E';
    const int exponent = std::abs(digits.exponent);
    out[length++] = digits.exponent < 0 ? '-' : '+';
    out[length++] = static_cast<char>('0' + exponent / 10);
    out[length++] = static_cast<char>('0' + exponent % 10);
    return length;
}

// Fixed form with (count - exponent - 1) places; a zero before the point is left out.
int write_fixed_form(const Digits& digits, char* out) {
    int length = 0;
    if (digits.exponent < 0) {
        out[length++] = '.';
        for (int i = digits.exponent + 1; i < 0; ++i) out[length++] = '0';
        for (int i = 0; i < digits.count; ++i) out[length++] = digits.digit[i];
        return length;
    }
    for (int i = 0; i <= digits.exponent; ++i) {
        out[length++] = i < digits.count ? digits.digit[i] : '0';
    }
    if (digits.count > digits.exponent + 1) {
        out[length++] = '.';
        for (int i = digits.exponent + 1; i < digits.count; ++i) out[length++] = digits.digit[i];
    }
    return length;
}

int write_text(const char* text, char* out) {
    const int length = static_cast<int>(std::strlen(text));
    std::memcpy(out, text, static_cast<size_t>(length));
    return length;
}

}  // namespace

// A NaN prints as " NaN" whatever its sign bit; infinities as " Inf" and "-Inf". They keep the
// sign place so columns of printed values stay aligned.
int format_single(float value, char* out) {
    if (std::isnan(value)) return write_text(" NaN", out);
    out[0] = std::signbit(value) && value != 0.0f ? '-' : ' ';
    if (std::isinf(value)) return 1 + write_text("Inf", out + 1);
    if (value == 0.0f) {
        out[1] = '0';
        return 2;
    }
    Digits digits;
    decimal_digits(std::fabs(value), digits);
    const bool exponent_form = digits.exponent >= kFirstExponentFormPower ||
                               digits.exponent - digits.count < kLowestFixedPlaceOffset;
    return 1 + (exponent_form ? write_exponent_form(digits, out + 1)
                              : write_fixed_form(digits, out + 1));
}

string_descriptor* single_to_text(float value) {
    char text[16];
    const int length = format_single(value, text);
    return string_temporary_copy(text, length);
}

}  // namespace zl
