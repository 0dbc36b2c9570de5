// The command line of the headless tools: the clock options every tool shares, each tool's
// own options, and their --help. Nothing here ends the process; the tool's main does.
#pragma once

#include "support/frame_script.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

// An option of one tool, parsed beside the clock options.
struct ToolOption {
    std::string name;       // as typed, e.g. "--summary"
    std::string value_name; // placeholder shown in --help, e.g. "DIR"; empty for a flag
    std::string help;       // one line for --help
    // Receives the value (empty for a flag) and returns an error message, or "" if it is
    // accepted.
    std::function<std::string(const std::string& value)> apply;
    // The option brings the whole clock (a recorded session): the clock options that set
    // the readings are refused beside it, and the tool fills the script's readings itself.
    bool replaces_clock = false;
};

// For a tool's main: parses argv into `script` and returns nothing when the tool should run.
// Otherwise returns the status main ends with: 0 after printing the help (--help) or the
// tool's name and version (--version), 1 with one line on standard error if that cannot be
// written, 2 after one line "tool: problem" on standard error for a bad argument. On Windows
// standard output is put in binary mode first.
std::optional<int> read_tool_args(int argc, char** argv, const std::string& tool,
                                  const std::string& purpose,
                                  const std::vector<ToolOption>& tool_options, FrameScript& script);
