// Hex floats by our own code: the bits written out digit by digit, and read back with no
// rounding, so that every C library gives the same characters and the page links no decimal
// float conversion.
#include "support/hex_float.h"

#include "support/whole_number.h"

#include <cmath>
#include <cstdint>
#include <cstring>

void append_hex_float(std::string& out, float value) {
    uint32_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    out += bits >> 31 ? "-0x" : "0x";
    uint32_t fraction = bits & 0x7fffffu;
    int exponent = int(bits >> 23 & 0xffu) - 127;
    if (exponent == -127) { // zero or subnormal: the leading one moved up to bit 23
        if (fraction == 0) {
            out += "0p+0";
            return;
        }
        for (exponent = -126; (fraction & 0x800000u) == 0; --exponent) {
            fraction <<= 1;
        }
        fraction &= 0x7fffffu;
    }
    out += fraction != 0 ? "1." : "1";
    for (uint32_t rest = fraction << 1; rest != 0; rest = rest << 4 & 0xffffffu) {
        out += "0123456789abcdef"[rest >> 20];
    }
    out += exponent < 0 ? "p-" : "p+";
    out += std::to_string(exponent < 0 ? -exponent : exponent);
}

bool read_hex_float(std::string_view text, float& out) {
    const bool negative = !text.empty() && text[0] == '-';
    text.remove_prefix(negative ? 1 : 0);
    const size_t p = text.find('p');
    if (text.substr(0, 2) != "0x" || p == std::string_view::npos || p == 2 || text.size() > 40) {
        return false;
    }
    uint64_t mantissa = 0; // at most 13 hex digits from the first nonzero one: 52 bits
    int significant = 0;
    int64_t exponent = 0;
    bool point = false;
    for (const char c : text.substr(2, p - 2)) {
        const size_t digit = std::string_view("0123456789abcdef").find(c);
        if (c == '.' && !point) {
            point = true;
            continue;
        }
        if (mantissa != 0 || digit != 0) {
            ++significant;
        }
        if (digit == std::string_view::npos || significant > 13) {
            return false;
        }
        mantissa = mantissa * 16 + digit;
        exponent -= point ? 4 : 0;
    }
    std::string_view power = text.substr(p + 1);
    const bool below = !power.empty() && power[0] == '-';
    power.remove_prefix(!power.empty() && (power[0] == '+' || below) ? 1 : 0);
    int64_t magnitude = 0;
    if (power.empty() || power.size() > 4 || !is_digits(power) ||
        parse_whole_number(power, magnitude) != NumberStatus::ok) {
        return false;
    }
    exponent += below ? -magnitude : magnitude;
    // Out of the floats' range (2^-149 to below 2^128) before any rounding could happen.
    int top = 63;
    while (mantissa != 0 && (mantissa >> top) == 0) {
        --top;
    }
    if (mantissa != 0 && (exponent + top < -149 || exponent + top > 127)) {
        return false;
    }
    const double value = std::ldexp(double(mantissa), int(exponent)); // exact: 52 bits
    if (double(float(value)) != value) {
        return false; // more bits than a float has
    }
    out = negative ? -float(value) : float(value);
    return true;
}
