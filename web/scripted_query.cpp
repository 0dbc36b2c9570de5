// Validation of the scripted mode's query values.
#include "web/scripted_query.h"

#include "support/quote.h"
#include "support/whole_number.h"

namespace {

constexpr size_t max_shown = 24; // characters of a bad value that a message repeats

// Returns an error, or "" with `out` set to the value.
std::string parse_bounded(const char* name, const std::string& text, int64_t max, int64_t& out) {
    const std::string wanted =
        std::string(name) + " must be a whole number from 1 to " + std::to_string(max);
    if (text.empty()) {
        return wanted + "; it is missing";
    }
    // Plain digits only: a sign is refused as any other character.
    int64_t value = 0;
    if (!is_digits(text) || parse_whole_number(text, value) != NumberStatus::ok || value < 1 ||
        value > max) {
        return wanted + ", not " + quote(text, max_shown);
    }
    out = value;
    return "";
}

} // namespace

ScriptedQuery parse_scripted_query(const std::string& fps, const std::string& frame) {
    ScriptedQuery query;
    query.script.frequency = 1000000;
    query.error = parse_bounded("fps", fps, scripted_max_fps, query.script.fps);
    if (query.error.empty()) {
        query.error = parse_bounded("frame", frame, scripted_max_frame, query.script.frames);
    }
    return query;
}
