// The one parser of whole numbers typed by a user: options, tick files, query values, sizes.
#pragma once

#include <cstdint>
#include <string_view>

enum class NumberStatus { ok, malformed, out_of_range };

// An optional '-' and decimal digits filling the whole text: no '+', no blanks, no empty
// text. out_of_range when the value does not fit in 64 signed bits; `out` is set on ok only.
NumberStatus parse_whole_number(std::string_view text, int64_t& out);

// `text` (digits with an optional '.' and fraction digits, such as 2, 2.5 or .5) times
// `factor` >= 0, rounded down, worked out exactly on the decimal digits: no binary fraction in
// between, so "0.29" times 100 is exactly 29. out_of_range when a step overflows 64 bits.
NumberStatus parse_decimal_times(std::string_view text, int64_t factor, int64_t& out);

// Whether `text` is decimal digits only (no sign); the empty text counts as digits.
bool is_digits(std::string_view text);
