// The tools' command line: the clock options, each tool's own, and their help.
#include "support/tool_options.h"

#include "support/quote.h"
#include "support/tick_file.h"
#include "support/whole_number.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <limits>
#include <map>

#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#endif

namespace {

// Returns an error message, or "" with `out` set to a whole number >= 1.
std::string parse_count(const std::string& option, const std::string& text, int64_t& out) {
    int64_t value = 0;
    switch (parse_whole_number(text, value)) {
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

// Frames in S seconds at `fps`, S x fps rounded down and exactly ("0.29" at 100 fps is 29).
std::string frames_for_seconds(const std::string& text, int64_t fps, int64_t& frames) {
    switch (parse_decimal_times(text, fps, frames)) {
    case NumberStatus::malformed:
        return "--seconds: " + quote(text) + " is not a number of seconds such as 2 or 2.5";
    case NumberStatus::out_of_range:
        return "--seconds: " + quote(text) + " is too long or too finely divided";
    case NumberStatus::ok:
        break;
    }
    if (frames < 1) {
        return "--seconds: " + quote(text) + " at " + std::to_string(fps) +
               " fps is less than one frame";
    }
    return "";
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

// Parses the arguments after the program name into `script`. Returns one line saying what
// is wrong, or "" with `asked` set to --help or --version when one of them comes first. A tick
// file is read and checked in full here, so nothing needs printing before the whole input is
// known to be good.
std::string parse(const std::vector<std::string>& args, const std::vector<ToolOption>& tool_options,
                  FrameScript& script, std::string& asked) {
    std::map<std::string, std::string> clock_given; // the clock options given, by name
    const ToolOption* own_clock = nullptr;          // an option that replaces the clock
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--help" || arg == "--version") {
            asked = arg;
            return "";
        }
        const ToolOption* clock = find_option(clock_options(), arg);
        const ToolOption* own = find_option(tool_options, arg);
        if (clock == nullptr && own == nullptr) {
            const bool looks_like_option = arg.size() > 1 && arg[0] == '-';
            return (looks_like_option ? "unknown option " : "unexpected argument ") + quote(arg);
        }
        const std::string& value_name = clock ? clock->value_name : own->value_name;
        std::string value;
        if (!value_name.empty()) {
            if (i + 1 == args.size()) {
                return arg + " needs a value " + value_name;
            }
            value = args[++i];
        }

        std::string error;
        if (own != nullptr) {
            error = own->apply(value);
            own_clock = own->replaces_clock ? own : own_clock;
        } else {
            clock_given[arg] = value;
            int64_t* count = arg == "--frequency" ? &script.frequency
                             : arg == "--fps"     ? &script.fps
                             : arg == "--frames"  ? &script.frames
                             : arg == "--every"   ? &script.every
                                                  : nullptr;
            if (count != nullptr) {
                error = parse_count(arg, value, *count);
            }
        }
        if (!error.empty()) {
            return error;
        }
    }

    auto given = [&clock_given](const char* name) { return clock_given.count(name) != 0; };
    if (own_clock != nullptr) {
        for (const char* name : {"--frequency", "--fps", "--frames", "--seconds", "--ticks"}) {
            if (given(name)) {
                return own_clock->name + " cannot be combined with --frequency, --fps, --frames, "
                                         "--seconds or --ticks";
            }
        }
        return "";
    }
    if (given("--ticks") && (given("--fps") || given("--frames") || given("--seconds"))) {
        return "--ticks cannot be combined with --fps, --frames or --seconds";
    }
    if (given("--frames") && given("--seconds")) {
        return "--frames and --seconds cannot be combined";
    }
    if (given("--seconds")) {
        const std::string error =
            frames_for_seconds(clock_given["--seconds"], script.fps, script.frames);
        if (!error.empty()) {
            return error;
        }
    }
    if (given("--ticks")) {
        const std::string error = read_ticks(clock_given["--ticks"], script.ticks);
        if (!error.empty()) {
            return error;
        }
        script.frames = int64_t(script.ticks.size());
    } else if (script.frames == 0) {
        return "say how many frames: --frames N, --seconds S or --ticks FILE";
    } else if (script.frames > std::numeric_limits<int64_t>::max() / script.frequency) {
        // k x F is formed for every k up to the last frame; it must not wrap.
        return "the counter would pass 2^63 - 1 ticks: " + std::to_string(script.frames) +
               " frames at " + std::to_string(script.frequency) + " ticks per second";
    }
    return "";
}

// The --help text: usage, the purpose line, the clock options and the tool's own.
std::string help(const std::string& tool, const std::string& purpose,
                 const std::vector<ToolOption>& tool_options) {
    auto describe = [](const std::vector<ToolOption>& options) {
        std::string text;
        for (const ToolOption& option : options) {
            std::string head = "  " + option.name;
            if (!option.value_name.empty()) {
                head += " " + option.value_name;
            }
            head.resize(std::max(head.size() + 1, size_t(18)), ' ');
            std::string lines = option.help;
            for (size_t pos = lines.find('\n'); pos != std::string::npos;
                 pos = lines.find('\n', pos + 1)) {
                lines.insert(pos + 1, 18, ' ');
            }
            text += head + lines + "\n";
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

} // namespace

std::optional<int> read_tool_args(int argc, char** argv, const std::string& tool,
                                  const std::string& purpose,
                                  const std::vector<ToolOption>& tool_options,
                                  FrameScript& script) {
#if defined(_WIN32)
    // The same bytes on every system: no CR before each line break.
    _setmode(_fileno(stdout), _O_BINARY);
#endif
    std::string asked;
    FrameScript parsed;
    const std::string error =
        parse(std::vector<std::string>(argv + 1, argv + argc), tool_options, parsed, asked);
    if (!error.empty()) {
        std::fprintf(stderr, "%s: %s\n", tool.c_str(), error.c_str());
        return 2;
    }
    if (asked.empty()) {
        script = std::move(parsed);
        return std::nullopt;
    }
    // Like any output: a full disk or a closed pipe is reported, not passed over.
    const std::string text =
        asked == "--help" ? help(tool, purpose, tool_options) : tool + " " + JELLY_VERSION + "\n";
    errno = 0;
    if (std::fputs(text.c_str(), stdout) == EOF || std::fflush(stdout) != 0) {
        std::fprintf(stderr, "%s: cannot write standard output: %s\n", tool.c_str(),
                     errno != 0 ? std::strerror(errno) : "unknown error");
        return 1;
    }
    return 0;
}
