// Floats as C hex floats, such as 0x1.8p+1: their bits exactly, written alike on every machine.
#pragma once

#include <string>
#include <string_view>

// Appends `value` as a C hex float, as glibc's %a writes a float's value: lowercase, the
// fraction's trailing zeros dropped, subnormals written normalised, zero as 0x0p+0.
void append_hex_float(std::string& out, float value);

// Reads a C hex float ([-]0xH[.H]p[+-]D, lowercase) into `out`, taken only when its value is
// exactly a finite float: nothing is rounded, so a replay cannot drift from what was recorded.
bool read_hex_float(std::string_view text, float& out);
