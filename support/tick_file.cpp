// The tick file reader: in chunks and line by line, so memory stays bounded by the limits
// however long the input, and an endless line is never read to its end.
#include "support/tick_file.h"

#include "support/quote.h"
#include "support/whole_number.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>

std::string read_ticks(const std::string& path, std::vector<int64_t>& ticks) {
    const bool from_stdin = path == "-";
    const std::string shown = from_stdin ? "standard input" : "ticks file " + quote(path);
    std::FILE* file = from_stdin ? stdin : std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        return "cannot open " + shown + ": " + std::strerror(errno);
    }
    int64_t number = 0;      // lines taken
    int64_t first_blank = 0; // first of the blank lines since the last reading, or 0
    auto at = [&shown](int64_t line) { return shown + ", line " + std::to_string(line) + ": "; };
    // Takes the next line; returns an error message, or "" if the line is accepted. Blank
    // lines may only end the file.
    auto take = [&](const std::string& raw) -> std::string {
        if (++number > max_tick_lines) {
            return shown + " has more than " + std::to_string(max_tick_lines) + " lines";
        }
        const char* blanks = " \t\r"; // around a reading, so that CRLF files work
        const size_t first = raw.find_first_not_of(blanks);
        if (first == std::string::npos) {
            first_blank = first_blank == 0 ? number : first_blank;
            return "";
        }
        const std::string line = raw.substr(first, raw.find_last_not_of(blanks) - first + 1);
        if (first_blank != 0) {
            return at(first_blank) + "'' is not a whole number";
        }
        int64_t value = 0;
        switch (parse_whole_number(line, value)) {
        case NumberStatus::malformed:
            return at(number) + quote(line) + " is not a whole number";
        case NumberStatus::out_of_range:
            return at(number) + quote(line) + " is out of the signed 64-bit range";
        case NumberStatus::ok:
            break;
        }
        // The counter is monotonic and reads 0 at the start: a reading below the one before
        // would run time backwards, a negative step that the body does not survive.
        if (ticks.empty() && value < 0) {
            return at(number) + quote(line) + " is below 0, where the counter starts";
        }
        if (!ticks.empty() && value < ticks.back()) {
            return at(number) + quote(line) + " is below the reading before it, " +
                   std::to_string(ticks.back());
        }
        ticks.push_back(value);
        return "";
    };
    std::string error;
    try {
        std::string line;
        line.reserve(max_tick_line_length);
        char buffer[1 << 16];
        size_t count = 0;
        while (error.empty() && (count = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
            for (const char *p = buffer, *end = buffer + count; p < end && error.empty();) {
                const char* newline = static_cast<const char*>(std::memchr(p, '\n', end - p));
                const char* stop = newline != nullptr ? newline : end;
                // Refused as soon as it is too long: an endless line is never read to its end.
                if (line.size() + size_t(stop - p) > max_tick_line_length) {
                    error = shown + ", line " + std::to_string(number + 1) + " is longer than " +
                            std::to_string(max_tick_line_length) + " characters";
                    break;
                }
                line.append(p, stop);
                if (newline == nullptr) {
                    break;
                }
                error = take(line);
                line.clear();
                p = newline + 1;
            }
        }
        if (error.empty() && std::ferror(file) != 0) {
            error = "cannot read " + shown + ": " + std::strerror(errno);
        }
        if (error.empty() && !line.empty()) {
            error = take(line);
        }
        if (error.empty() && ticks.empty()) {
            error = shown + " holds no readings";
        }
    } catch (const std::bad_alloc&) {
        error = "not enough memory for more than " + std::to_string(ticks.size()) +
                " readings from " + shown;
    }
    if (!from_stdin) {
        std::fclose(file);
    }
    return error;
}
