// Clock options of the headless tools and the counter readings they script.
#include "support/frame_script.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>

#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#endif

std::string quote(const std::string& text, size_t max_shown) {
    size_t shown = std::min(text.size(), max_shown);
    // A cut falls before a UTF-8 character, never between its bytes.
    while (shown < text.size() && shown > 0 &&
           (static_cast<unsigned char>(text[shown]) & 0xc0) == 0x80) {
        --shown;
    }
    std::string out = "'";
    for (size_t i = 0; i < shown; ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        out += (c < 0x20 || c == 0x7f) ? '?' : char(c);
    }
    out += shown < text.size() ? "...'" : "'";
    return out;
}

namespace {

enum class NumberStatus { ok, malformed, out_of_range };

// An optional '-' and decimal digits, filling the whole text.
NumberStatus parse_int64(const std::string& text, int64_t& out) {
    const char* first = text.data();
    const char* last = first + text.size();
    const auto [end, ec] = std::from_chars(first, last, out);
    if (ec == std::errc::result_out_of_range) {
        return NumberStatus::out_of_range;
    }
    if (ec != std::errc() || end != last) {
        return NumberStatus::malformed;
    }
    return NumberStatus::ok;
}

// Returns an error message, or "" with `out` set to a whole number >= 1.
std::string parse_count(const std::string& option, const std::string& text, int64_t& out) {
    int64_t value = 0;
    switch (parse_int64(text, value)) {
    case NumberStatus::malformed:
        return option + ": " + quote(text) + " is not a whole number";
    case NumberStatus::out_of_range:
        return option + ": " + quote(text) + " is out of range";
    case NumberStatus::ok:
        break;
    }
    if (value < 1) {
        return option + ": " + quote(text) + " is not at least 1";
    }
    out = value;
    return "";
}

bool is_digits(const std::string& text) {
    return text.find_first_not_of("0123456789") == std::string::npos;
}

// Frames in S seconds at `fps`: S x fps rounded down, worked out exactly on the decimal
// digits of S (no binary fraction in between, so "0.29" at 100 fps is exactly 29 frames).
std::string frames_for_seconds(const std::string& text, int64_t fps, int64_t& frames) {
    const size_t dot = text.find('.');
    const std::string whole = text.substr(0, dot);
    std::string fraction = dot == std::string::npos ? "" : text.substr(dot + 1);
    if (!is_digits(whole) || !is_digits(fraction) || whole.size() + fraction.size() == 0) {
        return "--seconds: " + quote(text) + " is not a number of seconds such as 2 or 2.5";
    }
    while (!fraction.empty() && fraction.back() == '0') {
        fraction.pop_back();
    }
    // S x fps = (whole . fraction as an integer) x fps / 10^(digits of fraction).
    int64_t scaled = 0;
    int64_t scale = 1;
    bool overflow = false;
    for (const char c : whole + fraction) {
        overflow |= __builtin_mul_overflow(scaled, int64_t{10}, &scaled);
        overflow |= __builtin_add_overflow(scaled, int64_t{c - '0'}, &scaled);
    }
    for (size_t i = 0; i < fraction.size(); ++i) {
        overflow |= __builtin_mul_overflow(scale, int64_t{10}, &scale);
    }
    int64_t product = 0;
    overflow |= __builtin_mul_overflow(scaled, fps, &product);
    if (overflow) {
        return "--seconds: " + quote(text) + " is too long or too finely divided";
    }
    frames = product / scale;
    if (frames < 1) {
        return "--seconds: " + quote(text) + " at " + std::to_string(fps) +
               " fps is less than one frame";
    }
    return "";
}

std::string trim_blanks(const std::string& text) {
    const char* blanks = " \t\r";
    const size_t first = text.find_first_not_of(blanks);
    if (first == std::string::npos) {
        return "";
    }
    return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

// Tick file lines, taken one at a time. Blank lines may only end the file.
class TickLines {
  public:
    TickLines(const std::string& shown, std::vector<int64_t>& ticks)
        : shown_(shown), ticks_(ticks) {}

    // Returns an error message, or "" if the line is accepted.
    std::string take(const std::string& raw) {
        ++number_;
        if (number_ > max_tick_lines) {
            return shown_ + " has more than " + std::to_string(max_tick_lines) + " lines";
        }
        const std::string line = trim_blanks(raw);
        if (line.empty()) {
            first_blank_ = first_blank_ == 0 ? number_ : first_blank_;
            return "";
        }
        if (first_blank_ != 0) {
            return at(first_blank_) + "'' is not a whole number";
        }
        int64_t value = 0;
        switch (parse_int64(line, value)) {
        case NumberStatus::malformed:
            return at(number_) + quote(line) + " is not a whole number";
        case NumberStatus::out_of_range:
            return at(number_) + quote(line) + " is out of the signed 64-bit range";
        case NumberStatus::ok:
            break;
        }
        // The counter is monotonic and reads 0 at the start: a reading below the one before
        // would run time backwards, a negative step that the body does not survive.
        if (ticks_.empty() && value < 0) {
            return at(number_) + quote(line) + " is below 0, where the counter starts";
        }
        if (!ticks_.empty() && value < ticks_.back()) {
            return at(number_) + quote(line) + " is below the reading before it, " +
                   std::to_string(ticks_.back());
        }
        ticks_.push_back(value);
        return "";
    }

    // The number of the line being read, for a message about it.
    int64_t next_number() const { return number_ + 1; }
    std::string at(int64_t line) const { return shown_ + ", line " + std::to_string(line) + ": "; }

  private:
    const std::string& shown_;
    std::vector<int64_t>& ticks_;
    int64_t number_ = 0;      // lines taken
    int64_t first_blank_ = 0; // first of the blank lines since the last reading, or 0
};

// Reads the whole tick file before any frame runs, in chunks and line by line, so memory
// stays bounded by the limits however long the input. One reading per line, blanks around
// it allowed (so CRLF files work); a final line break and trailing blank lines are optional.
std::string read_ticks(const std::string& path, std::vector<int64_t>& ticks) {
    const bool from_stdin = path == "-";
    const std::string shown = from_stdin ? "standard input" : "ticks file " + quote(path);
    std::FILE* file = from_stdin ? stdin : std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        return "cannot open " + shown + ": " + std::strerror(errno);
    }
    TickLines lines(shown, ticks);
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
                    error = shown + ", line " + std::to_string(lines.next_number()) +
                            " is longer than " + std::to_string(max_tick_line_length) +
                            " characters";
                    break;
                }
                line.append(p, stop);
                if (newline == nullptr) {
                    break;
                }
                error = lines.take(line);
                line.clear();
                p = newline + 1;
            }
        }
        if (error.empty() && std::ferror(file) != 0) {
            error = "cannot read " + shown + ": " + std::strerror(errno);
        }
        if (error.empty() && !line.empty()) {
            error = lines.take(line);
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

const ToolOption* find_option(const std::vector<ToolOption>& options, const std::string& name) {
    for (const ToolOption& option : options) {
        if (option.name == name) {
            return &option;
        }
    }
    return nullptr;
}

// The clock options, with their value names and help; also used to recognise them.
const std::vector<ToolOption>& clock_options() {
    static const std::vector<ToolOption> options = {
        {"--frequency", "F", "counter ticks per second (default 1000000)", {}},
        {"--fps",
         "N",
         "frames per second, a whole number (default 60): frame k = 1, 2, ...\n"
         "reads the counter at floor(k x F / N)",
         {}},
        {"--frames", "N", "run N frames", {}},
        {"--seconds", "S", "run S x N frames, rounded down; S may be a decimal such as 2.5", {}},
        {"--ticks",
         "FILE",
         "one counter reading per line, one frame each (\"-\" reads standard\n"
         "input); instead of --fps/--frames/--seconds. Readings are whole\n"
         "numbers from 0, none below the one before; at most " +
             std::to_string(max_tick_lines) +
             " lines\n"
             "of at most " +
             std::to_string(max_tick_line_length) + " characters, blank lines only at the end",
         {}},
        {"--every", "K", "show every K-th frame and the last", {}},
        {"--help", "", "show this help and exit", {}},
        {"--version", "", "show the version and exit", {}},
    };
    return options;
}

} // namespace

int64_t FrameScript::reading(int64_t k) const {
    if (!ticks.empty()) {
        return ticks[size_t(k - 1)];
    }
    return k * frequency / fps; // both factors positive, so the division rounds down
}

bool FrameScript::shows(int64_t k) const {
    return k == frames || (every > 0 && k % every == 0);
}

ParseOutcome parse_frame_script(const std::vector<std::string>& args,
                                const std::vector<ToolOption>& tool_options) {
    ParseOutcome outcome;
    FrameScript& script = outcome.script;
    auto fail = [&outcome](const std::string& message) {
        outcome.status = ParseStatus::error;
        outcome.error = message;
        return outcome;
    };

    bool fps_given = false;
    bool frames_given = false;
    bool seconds_given = false;
    bool ticks_given = false;
    std::string seconds;
    std::string ticks_path;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--help" || arg == "--version") {
            outcome.status = arg == "--help" ? ParseStatus::help : ParseStatus::version;
            return outcome;
        }
        const ToolOption* clock = find_option(clock_options(), arg);
        const ToolOption* own = find_option(tool_options, arg);
        if (clock == nullptr && own == nullptr) {
            const bool looks_like_option = arg.size() > 1 && arg[0] == '-';
            return fail((looks_like_option ? "unknown option " : "unexpected argument ") +
                        quote(arg));
        }
        const std::string& value_name = clock ? clock->value_name : own->value_name;
        std::string value;
        if (!value_name.empty()) {
            if (i + 1 == args.size()) {
                return fail(arg + " needs a value " + value_name);
            }
            value = args[++i];
        }

        std::string error;
        if (own != nullptr) {
            error = own->apply(value);
        } else if (arg == "--frequency") {
            error = parse_count(arg, value, script.frequency);
        } else if (arg == "--fps") {
            error = parse_count(arg, value, script.fps);
            fps_given = true;
        } else if (arg == "--frames") {
            error = parse_count(arg, value, script.frames);
            frames_given = true;
        } else if (arg == "--seconds") {
            seconds = value;
            seconds_given = true;
        } else if (arg == "--ticks") {
            ticks_path = value;
            ticks_given = true;
        } else if (arg == "--every") {
            error = parse_count(arg, value, script.every);
        }
        if (!error.empty()) {
            return fail(error);
        }
    }

    if (ticks_given && (fps_given || frames_given || seconds_given)) {
        return fail("--ticks cannot be combined with --fps, --frames or --seconds");
    }
    if (frames_given && seconds_given) {
        return fail("--frames and --seconds cannot be combined");
    }
    if (seconds_given) {
        const std::string error = frames_for_seconds(seconds, script.fps, script.frames);
        if (!error.empty()) {
            return fail(error);
        }
    }
    if (ticks_given) {
        const std::string error = read_ticks(ticks_path, script.ticks);
        if (!error.empty()) {
            return fail(error);
        }
        script.frames = int64_t(script.ticks.size());
    } else if (script.frames == 0) {
        return fail("say how many frames: --frames N, --seconds S or --ticks FILE");
    } else if (script.frames > std::numeric_limits<int64_t>::max() / script.frequency) {
        // k x F is formed for every k up to the last frame; it must not wrap.
        return fail("the counter would pass 2^63 - 1 ticks: " + std::to_string(script.frames) +
                    " frames at " + std::to_string(script.frequency) + " ticks per second");
    }
    outcome.status = ParseStatus::run;
    return outcome;
}

std::string frame_script_help(const std::string& tool, const std::string& purpose,
                              const std::vector<ToolOption>& tool_options) {
    auto describe = [](const std::vector<ToolOption>& options) {
        std::string text;
        for (const ToolOption& option : options) {
            std::string head = "  " + option.name;
            if (!option.value_name.empty()) {
                head += " " + option.value_name;
            }
            head.resize(std::max(head.size() + 1, size_t(18)), ' ');
            std::string help = option.help;
            for (size_t pos = help.find('\n'); pos != std::string::npos;
                 pos = help.find('\n', pos + 1)) {
                help.insert(pos + 1, 18, ' ');
            }
            text += head + help + "\n";
        }
        return text;
    };
    std::string text = "Usage: " + tool + " [OPTION]...\n" + purpose + "\n\n" +
                       "Clock (the counter reads 0 at the start):\n" + describe(clock_options());
    if (!tool_options.empty()) {
        text += "\nOptions of " + tool + ":\n" + describe(tool_options);
    }
    text += "\nExit status: 0 on success; 2 on a bad option or tick file, with one line on\n"
            "standard error and nothing on standard output; 1 on any other failure, such as\n"
            "output that cannot be written, with one line on standard error.\n";
    return text;
}

FrameScript frame_script_from_args(int argc, char** argv, const std::string& tool,
                                   const std::string& purpose,
                                   const std::vector<ToolOption>& tool_options) {
#if defined(_WIN32)
    // The same bytes on every system: no CR before each line break.
    _setmode(_fileno(stdout), _O_BINARY);
#endif
    const std::vector<std::string> args(argv + 1, argv + argc);
    ParseOutcome outcome = parse_frame_script(args, tool_options);
    switch (outcome.status) {
    case ParseStatus::help:
    case ParseStatus::version: {
        // Like any output: a full disk or a closed pipe is reported, not passed over.
        const std::string text = outcome.status == ParseStatus::help
                                     ? frame_script_help(tool, purpose, tool_options)
                                     : tool + " " + JELLY_VERSION + "\n";
        errno = 0;
        if (std::fputs(text.c_str(), stdout) == EOF || std::fflush(stdout) != 0) {
            std::fprintf(stderr, "%s: cannot write standard output: %s\n", tool.c_str(),
                         errno != 0 ? std::strerror(errno) : "unknown error");
            std::exit(1);
        }
        std::exit(0);
    }
    case ParseStatus::error:
        std::fprintf(stderr, "%s: %s\n", tool.c_str(), outcome.error.c_str());
        std::exit(2);
    case ParseStatus::run:
        break;
    }
    return std::move(outcome.script);
}
