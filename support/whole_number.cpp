// Whole numbers from text, exactly: from_chars, never a locale or a partial read.
#include "support/whole_number.h"

#include <charconv>
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
