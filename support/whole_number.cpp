// Whole numbers from text, exactly: from_chars, never a locale or a partial read.
#include "support/whole_number.h"

#include <charconv>
#include <string>
#include <system_error>

NumberStatus parse_whole_number(std::string_view text, int64_t& out) {
    const char* first = text.data();
    const char* last = first + text.size();
    int64_t value = 0;
    const auto [end, ec] = std::from_chars(first, last, value);
    if (ec == std::errc::result_out_of_range) {
        return NumberStatus::out_of_range;
    }
    if (ec != std::errc() || end != last) {
        return NumberStatus::malformed;
    }
    out = value;
    return NumberStatus::ok;
}

bool is_digits(std::string_view text) {
    return text.find_first_not_of("0123456789") == std::string_view::npos;
}

NumberStatus parse_decimal_times(std::string_view text, int64_t factor, int64_t& out) {
    const size_t dot = text.find('.');
    const std::string_view whole = text.substr(0, dot);
    std::string_view fraction = dot == std::string_view::npos ? "" : text.substr(dot + 1);
    if (!is_digits(whole) || !is_digits(fraction) || whole.size() + fraction.size() == 0) {
        return NumberStatus::malformed;
    }
    while (!fraction.empty() && fraction.back() == '0') {
        fraction.remove_suffix(1);
    }
    // S x factor = (whole . fraction as an integer) x factor / 10^(digits of fraction).
    int64_t scaled = 0;
    int64_t scale = 1;
    bool overflow = false;
    for (const char c : std::string(whole) + std::string(fraction)) {
        overflow |= __builtin_mul_overflow(scaled, int64_t{10}, &scaled);
        overflow |= __builtin_add_overflow(scaled, int64_t{c - '0'}, &scaled);
    }
    for (size_t i = 0; i < fraction.size(); ++i) {
        overflow |= __builtin_mul_overflow(scale, int64_t{10}, &scale);
    }
    int64_t product = 0;
    overflow |= __builtin_mul_overflow(scaled, factor, &product);
    if (overflow) {
        return NumberStatus::out_of_range;
    }
    out = product / scale;
    return NumberStatus::ok;
}
