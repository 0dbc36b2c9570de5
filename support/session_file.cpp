// The session's text form, written with its floats as hex floats (support/hex_float.h) and
// read back line by line with every field checked.
#include "support/session_file.h"

#include "support/hex_float.h"
#include "support/quote.h"
#include "support/whole_number.h"

#include <algorithm>

namespace {

constexpr std::string_view version_line = "jellycube session 1";
constexpr std::string_view frequency_word = "ticks-per-second";
constexpr int max_fields = 5; // a frame line: reading, particle, x, y, z

enum class Whole { ok, malformed, negative, out_of_range };

// Decimal digits only, with a '-' told apart so that the message can say what is wrong.
Whole read_whole(std::string_view text, int64_t& out) {
    int64_t value = 0;
    switch (parse_whole_number(text, value)) {
    case NumberStatus::malformed:
        return Whole::malformed;
    case NumberStatus::out_of_range:
        return Whole::out_of_range;
    case NumberStatus::ok:
        break;
    }
    if (text[0] == '-') {
        return Whole::negative;
    }
    out = value;
    return Whole::ok;
}

// The blank-separated fields of a line; more than `max_fields` are counted, not kept.
int split_fields(std::string_view line, std::string_view (&fields)[max_fields + 1]) {
    int count = 0;
    size_t at = 0;
    while (count <= max_fields) {
        at = line.find_first_not_of(" \t", at);
        if (at == std::string_view::npos) {
            break;
        }
        const size_t end = std::min(line.find_first_of(" \t", at), line.size());
        fields[count++] = line.substr(at, end - at);
        at = end;
    }
    return count;
}

std::string at_line(size_t number) {
    return "line " + std::to_string(number) + ": ";
}

// One frame line into `frame`; returns "" or what is wrong with it (without the line number).
std::string read_frame(std::string_view line, int64_t previous, SessionFrame& frame) {
    std::string_view fields[max_fields + 1];
    const int count = split_fields(line, fields);
    if (count != 1 && count != max_fields) {
        return quote(line) + " is not READING or READING PARTICLE X Y Z";
    }
    switch (read_whole(fields[0], frame.reading)) {
    case Whole::malformed:
        return "the reading " + quote(fields[0]) + " is not a whole number";
    case Whole::negative:
        return "the reading " + quote(fields[0]) + " is below 0, where the counter starts";
    case Whole::out_of_range:
        return "the reading " + quote(fields[0]) + " is out of the signed 64-bit range";
    case Whole::ok:
        break;
    }
    if (frame.reading < previous) {
        return "the reading " + quote(fields[0]) + " is below the reading before it, " +
               std::to_string(previous);
    }
    frame.grab = Grab{};
    if (count == 1) {
        return "";
    }
    int64_t particle = -1;
    if (read_whole(fields[1], particle) != Whole::ok || particle >= lattice_particle_count) {
        return "the particle " + quote(fields[1]) + " is not a whole number from 0 to " +
               std::to_string(lattice_particle_count - 1);
    }
    float target[3];
    for (int c = 0; c < 3; ++c) {
        if (!read_hex_float(fields[2 + c], target[c])) {
            return "the target coordinate " + quote(fields[2 + c]) +
                   " is not a finite float written in hex, such as 0x1.8p+1";
        }
    }
    frame.grab.particle = int(particle);
    frame.grab.target = Vec3{target[0], target[1], target[2]};
    return "";
}

} // namespace

std::string session_text(const Session& session) {
    std::string text = std::string(version_line) + "\n" + std::string(frequency_word) + " " +
                       std::to_string(session.frequency) + "\n";
    for (const SessionFrame& frame : session.frames) {
        text += std::to_string(frame.reading);
        if (frame.grab.holds()) {
            text += ' ' + std::to_string(frame.grab.particle);
            for (const float c : {frame.grab.target.x, frame.grab.target.y, frame.grab.target.z}) {
                text += ' ';
                append_hex_float(text, c);
            }
        }
        text += '\n';
    }
    return text;
}

std::string read_session_text(std::string_view text, Session& session) {
    if (text.size() > max_session_bytes) {
        return "the session is longer than " + std::to_string(max_session_bytes) + " bytes";
    }
    Session read;
    size_t number = 0;      // of the line being read
    size_t first_blank = 0; // first blank line since the last frame, or 0
    size_t at = 0;
    while (at < text.size()) {
        ++number;
        const size_t newline = std::min(text.find('\n', at), text.size());
        std::string_view line = text.substr(at, newline - at);
        at = newline + 1;
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        if (line.size() > max_session_line_length) {
            return at_line(number) + "longer than " + std::to_string(max_session_line_length) +
                   " characters";
        }
        if (number == 1) {
            if (line != version_line) {
                return at_line(1) + quote(line) + " is not '" + std::string(version_line) + "'";
            }
            continue;
        }
        if (number == 2) {
            std::string_view fields[max_fields + 1];
            const int count = split_fields(line, fields);
            if (count != 2 || fields[0] != frequency_word ||
                read_whole(fields[1], read.frequency) != Whole::ok || read.frequency < 1) {
                return at_line(2) + quote(line) + " is not '" + std::string(frequency_word) +
                       " F' with F a whole number from 1";
            }
            continue;
        }
        if (line.find_first_not_of(" \t") == std::string_view::npos) {
            first_blank = first_blank == 0 ? number : first_blank;
            continue;
        }
        if (first_blank != 0) {
            return at_line(first_blank) + "a blank line before more frames";
        }
        if (read.frames.size() == max_session_frames) {
            return at_line(number) + "more than " + std::to_string(max_session_frames) + " frames";
        }
        SessionFrame frame;
        const std::string error =
            read_frame(line, read.frames.empty() ? 0 : read.frames.back().reading, frame);
        if (!error.empty()) {
            return at_line(number) + error;
        }
        read.frames.push_back(frame);
    }
    if (number < 2) {
        return at_line(number + 1) + "missing: the session needs '" + std::string(version_line) +
               "' and '" + std::string(frequency_word) + " F'";
    }
    if (read.frames.empty()) {
        return at_line(number + 1) + "no frames: a session needs at least one";
    }
    session = std::move(read);
    return "";
}
