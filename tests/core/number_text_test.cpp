#include "runtime/core/number_text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <string>

#include "runtime/host/headless/headless_host.h"

namespace zl {
namespace {

std::string text_of(float value) {
    char out[16];
    const int length = format_single(value, out);
    return std::string(out, static_cast<size_t>(length));
}

struct NumberTextCase {
    float value;
    const char* text;
};

TEST(NumberText, TableOfValues) {
    const NumberTextCase cases[] = {
        {0.0f, " 0"},
        {-0.0f, " 0"},
        {0.5f, " .5"},
        {-0.5f, "-.5"},
        {7.0f, " 7"},
        {-7.0f, "-7"},
        {1.5f, " 1.5"},
        {100.0f, " 100"},
        {0.1f, " .1"},
        {1.0f / 3.0f, " .3333333"},
        {2.0f / 3.0f, " .6666667"},
        {123456.7f, " 123456.7"},
        {-3.25f, "-3.25"},
        // the decimal exponent reaching 7 switches to exponent form
        {9999999.0f, " 9999999"},
        {10000000.0f, " 1E+07"},
        {-10000000.0f, "-1E+07"},
        {12345678.0f, " 1.234568E+07"},
        {1000000.0f, " 1000000"},
        {99999.99f, " 99999.99"},
        {4000000.0f, " 4000000"},
        // more than eight places past the last digit switch to exponent form
        {1e-7f, " .0000001"},
        {1.5e-7f, " 1.5E-07"},
        {1e-8f, " 1E-08"},
        {0.1234567f, " .1234567"},
        {0.0123456f, " .0123456"},
        {0.01234567f, " 1.234567E-02"},
        {-0.01234567f, "-1.234567E-02"},
        // the longest text: sign, seven digits with the point, E, sign, two digits
        {-12345678.0f, "-1.234568E+07"},
        {std::numeric_limits<float>::max(), " 3.402823E+38"},
        {std::numeric_limits<float>::denorm_min(), " 1.401298E-45"},
        // an exact tie at the seventh digit goes to the even digit
        {1234567.5f, " 1234568"},
        {1234568.5f, " 1234568"},
        {std::numeric_limits<float>::quiet_NaN(), " NaN"},
        {-std::numeric_limits<float>::quiet_NaN(), " NaN"},
        {std::numeric_limits<float>::infinity(), " Inf"},
        {-std::numeric_limits<float>::infinity(), "-Inf"},
    };
    for (const NumberTextCase& c : cases) EXPECT_EQ(text_of(c.value), c.text) << c.value;
}

// An independent model: the C library's seven-digit exponent form, then the layout rules.
std::string model_text(float value) {
    char scientific[32];
    std::snprintf(scientific, sizeof scientific, "%.6e", std::fabs(static_cast<double>(value)));
    std::string digits = std::string(1, scientific[0]) + std::string(scientific + 2, 6);
    const int exponent = std::atoi(scientific + 9);
    while (digits.size() > 1 && digits.back() == '0') digits.pop_back();
    const int count = static_cast<int>(digits.size());
    std::string text = value < 0 ? "-" : " ";
    if (exponent >= 7 || exponent - count < -8) {
        text += digits.substr(0, 1);
        if (count > 1) text += "." + digits.substr(1);
        char tail[16];   // room for any int the compiler cannot rule out
        std::snprintf(tail, sizeof tail, "E%c%02d", exponent < 0 ? '-' : '+', std::abs(exponent));
        return text + tail;
    }
    if (exponent < 0) return text + "." + std::string(static_cast<size_t>(-exponent - 1), '0') + digits;
    digits.resize(std::max<size_t>(digits.size(), static_cast<size_t>(exponent + 1)), '0');
    text += digits.substr(0, static_cast<size_t>(exponent + 1));
    if (count > exponent + 1) text += "." + digits.substr(static_cast<size_t>(exponent + 1));
    return text;
}

TEST(NumberText, AgreesWithTheModelOnWholeNumbersAndFractions) {
    for (uint32_t whole = 1; whole < (1u << 24); whole += whole < 200000 ? 1 : 997) {
        const float value = static_cast<float>(whole);
        ASSERT_EQ(text_of(value), model_text(value)) << whole;
        ASSERT_EQ(text_of(-value), model_text(-value)) << whole;
    }
    for (float value = 1e-40f; value < 1e38f; value *= 1.0173f) {
        ASSERT_EQ(text_of(value), model_text(value)) << value;
        ASSERT_EQ(text_of(value + 0.5f), model_text(value + 0.5f)) << value;
    }
}

TEST(NumberText, NoTextIsLongerThanThirteen) {
    size_t longest = 0;
    for (float value = 1e-44f; value < 3e38f; value *= 1.37f) {
        longest = std::max({longest, text_of(value).size(), text_of(-value).size()});
    }
    EXPECT_EQ(longest, 13u);
}

TEST(NumberText, SingleToTextIsATemporaryOfTheSameBytes) {
    HeadlessHost host;
    const uint32_t mark = temp_string_mark();
    string_descriptor* text = single_to_text(-0.5f);
    ASSERT_EQ(text->length, 3);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(text->bytes), 3), "-.5");
    EXPECT_NE(text->flags & kStringTemporary, 0);
    free_temp_strings(mark, 0);
    EXPECT_EQ(string_store_stats().live_descriptors, 0);
}

}  // namespace
}  // namespace zl
