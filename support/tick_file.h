// The tick file of the scripted clock: one counter reading a line, read and checked in full
// before any frame runs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Limits of a tick file, so that any input is read or refused in bounded memory: a line
// holds at most this many characters, blanks included and its line break not (a 64-bit
// number takes at most 20), and a file at most this many lines (46 hours at 60 fps).
constexpr size_t max_tick_line_length = 64;
constexpr int64_t max_tick_lines = 10000000;

// Reads `path` ("-" for standard input) into `ticks`: whole numbers from 0, none below the
// one before, blanks around them allowed (so CRLF files work), blank lines only at the end.
// Returns one line saying what is wrong, or "" when the whole file is good.
std::string read_ticks(const std::string& path, std::vector<int64_t>& ticks);
