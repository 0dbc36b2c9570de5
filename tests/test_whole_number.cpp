// The one whole-number parser that options, tick files, sizes and query values go through.
#include "support/whole_number.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

TEST(WholeNumber, AcceptsExactlyASignedDecimalThatFits) {
    struct Case {
        std::string text;
        NumberStatus want;
        int64_t value; // when ok
    };
    const Case cases[] = {
        {"0", NumberStatus::ok, 0},
        {"007", NumberStatus::ok, 7},
        {"-5", NumberStatus::ok, -5},
        {"9223372036854775807", NumberStatus::ok, INT64_MAX},
        {"-9223372036854775808", NumberStatus::ok, INT64_MIN},
        {"9223372036854775808", NumberStatus::out_of_range, 0},
        {"-9223372036854775809", NumberStatus::out_of_range, 0},
        {"", NumberStatus::malformed, 0},
        {"-", NumberStatus::malformed, 0},
        {"+1", NumberStatus::malformed, 0},
        {" 1", NumberStatus::malformed, 0},
        {"1 ", NumberStatus::malformed, 0},
        {"12abc", NumberStatus::malformed, 0},
        {"1.0", NumberStatus::malformed, 0},
        {"0x10", NumberStatus::malformed, 0},
    };
    for (const Case& c : cases) {
        int64_t out = 42;
        EXPECT_EQ(parse_whole_number(c.text, out), c.want) << "'" << c.text << "'";
        EXPECT_EQ(out, c.want == NumberStatus::ok ? c.value : 42) << "'" << c.text << "'";
    }
    EXPECT_TRUE(is_digits("0123456789") && is_digits(""));
    EXPECT_FALSE(is_digits("-1") || is_digits("1 ") || is_digits("+1"));
}

TEST(WholeNumber, DecimalTimesAFactorIsExactAndRoundsDown) {
    struct Case {
        std::string text;
        int64_t factor;
        NumberStatus want;
        int64_t value; // when ok
    };
    const Case cases[] = {
        {"2.5", 60, NumberStatus::ok, 150},
        {"0.29", 100, NumberStatus::ok, 29}, // 0.29 in binary is below it: 28 if done in double
        {"1.999", 1, NumberStatus::ok, 1},
        {".5", 3, NumberStatus::ok, 1},
        {"7.", 2, NumberStatus::ok, 14},
        {"0.10000000000000000000000000", 10, NumberStatus::ok, 1}, // trailing zeros cost nothing
        {"153722867280912930", 60, NumberStatus::ok, 9223372036854775800},
        {"153722867280912931", 60, NumberStatus::out_of_range, 0},
        {"0.0000000000000000001", 1, NumberStatus::out_of_range, 0},
        {"", 60, NumberStatus::malformed, 0},
        {".", 60, NumberStatus::malformed, 0},
        {"1.2.3", 60, NumberStatus::malformed, 0},
        {"-1", 60, NumberStatus::malformed, 0},
        {"1e3", 60, NumberStatus::malformed, 0},
    };
    for (const Case& c : cases) {
        int64_t out = 42;
        EXPECT_EQ(parse_decimal_times(c.text, c.factor, out), c.want) << "'" << c.text << "'";
        EXPECT_EQ(out, c.want == NumberStatus::ok ? c.value : 42) << "'" << c.text << "'";
    }
}
