// The scripted clock of the headless tools: parses the clock options shared by every tool
// that drives the frame driver without a display, and yields each frame's counter reading.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// Limits of a tick file, so that any input is read or refused in bounded memory: a line
// holds at most this many characters, blanks included and its line break not (a 64-bit
// number takes at most 20), and a file at most this many lines (46 hours at 60 fps).
constexpr size_t max_tick_line_length = 64;
constexpr int64_t max_tick_lines = 10000000;

// The counter readings of one scripted run. The counter starts at 0 and ticks `frequency`
// times a second; frames are numbered from 1.
struct FrameScript {
    int64_t frequency = 1000000; // counter ticks per second, > 0
    int64_t fps = 60;            // frames per second of the paced mode (unused with ticks)
    int64_t frames = 0;          // frames to run, >= 1
    std::vector<int64_t> ticks;  // one reading per frame from --ticks, never decreasing and
                                 // none below 0; empty when paced
    int64_t every = 0;           // --every K, or 0 when not given

    // Counter reading of frame k in 1..frames: the k-th tick, or floor(k * frequency / fps).
    // The parser has made sure that frames * frequency fits in 64 bits.
    int64_t reading(int64_t k) const;
    // Whether frame k is shown: every `every`-th frame and the last; the last alone when
    // `every` is 0.
    bool shows(int64_t k) const;
};

// An option of one tool, parsed beside the clock options.
struct ToolOption {
    std::string name;       // as typed, e.g. "--summary"
    std::string value_name; // placeholder shown in --help, e.g. "DIR"; empty for a flag
    std::string help;       // one line for --help
    // Receives the value (empty for a flag) and returns an error message, or "" if it is
    // accepted.
    std::function<std::string(const std::string& value)> apply;
};

// User text fit for a one-line message: in single quotes, control characters shown as '?',
// and cut short after at most max_shown bytes, before a UTF-8 character, never inside one.
std::string quote(const std::string& text, size_t max_shown = 40);

enum class ParseStatus { run, help, version, error };

struct ParseOutcome {
    ParseStatus status = ParseStatus::error;
    FrameScript script; // complete and valid when status is run
    std::string error;  // one line, when status is error
};

// Parses the arguments after the program name. A tick file is read and checked in full
// here, so nothing needs printing before the whole input is known to be good.
ParseOutcome parse_frame_script(const std::vector<std::string>& args,
                                const std::vector<ToolOption>& tool_options = {});

// The --help text: usage, the purpose line, the clock options and the tool's own.
std::string frame_script_help(const std::string& tool, const std::string& purpose,
                              const std::vector<ToolOption>& tool_options);

// For a tool's main: parses argv, and on --help (--version) prints the help (the tool's name
// and version) and exits with status 0 (1, with one line on standard error, if it cannot be
// written); on a bad argument prints one line "tool: problem" on standard error and exits
// with status 2. On Windows standard output is put in binary mode first.
FrameScript frame_script_from_args(int argc, char** argv, const std::string& tool,
                                   const std::string& purpose,
                                   const std::vector<ToolOption>& tool_options = {});
