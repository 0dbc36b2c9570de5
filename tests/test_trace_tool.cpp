// The scripted clock's parser, and the jellycube-trace binary run as a user runs it.
#include "tools/frame_script.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <vector>

namespace {

std::string read_text(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void write_text(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

// A private scratch directory for one test program run, removed when it ends.
std::string scratch() {
    static char name[] = "/tmp/jelly-trace-test.XXXXXX";
    static const bool made = [] {
        const bool ok = mkdtemp(name) != nullptr;
        std::atexit([] { std::system((std::string("rm -rf '") + name + "'").c_str()); });
        return ok;
    }();
    EXPECT_TRUE(made) << "cannot create " << name;
    return name;
}

struct ToolRun {
    int status = -1;
    std::string out;
    std::string err;
};

// Runs the real binary with `args` (shell words) and the given standard input.
ToolRun run_trace(const std::string& args, const std::string& input = "") {
    const std::string dir = scratch();
    write_text(dir + "/stdin", input);
    const std::string command = std::string(TRACE_TOOL) + " " + args + " <" + dir + "/stdin >" +
                                dir + "/stdout 2>" + dir + "/stderr";
    const int raw = std::system(command.c_str());
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, read_text(dir + "/stdout"),
            read_text(dir + "/stderr")};
}

std::vector<std::vector<std::string>> csv_rows(const std::string& text) {
    std::vector<std::vector<std::string>> rows;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        std::vector<std::string> fields;
        std::istringstream cells(line);
        for (std::string cell; std::getline(cells, cell, ',');) {
            fields.push_back(cell);
        }
        rows.push_back(fields);
    }
    return rows;
}

// The frame numbers of the data rows, in order of first appearance.
std::vector<int> frames_of(const std::vector<std::vector<std::string>>& rows) {
    std::vector<int> frames;
    for (size_t i = 1; i < rows.size(); ++i) {
        const int frame = std::stoi(rows[i][0]);
        if (frames.empty() || frames.back() != frame) {
            frames.push_back(frame);
        }
    }
    return frames;
}

std::string paced_ticks(int64_t frequency, int64_t fps, int64_t frames) {
    std::string text;
    for (int64_t k = 1; k <= frames; ++k) {
        text += std::to_string(k * frequency / fps) + "\n";
    }
    return text;
}

ParseOutcome parse(const std::vector<std::string>& args) {
    return parse_frame_script(args);
}

TEST(FrameScript, SecondsBecomeWholeFramesRoundedDown) {
    struct Case {
        const char* seconds;
        const char* fps;
        int64_t frames;
    };
    // 0.29 x 100 is 29 exactly; as a double product it is 28.999999999999996, a frame short.
    const Case cases[] = {{"2", "60", 120},     {"2.5", "60", 150},   {"0.29", "100", 29},
                          {"1.999", "60", 119}, {"1.000000", "7", 7}, {"3600", "60", 216000}};
    for (const Case& c : cases) {
        const ParseOutcome outcome = parse({"--seconds", c.seconds, "--fps", c.fps});
        ASSERT_EQ(outcome.status, ParseStatus::run) << c.seconds << ": " << outcome.error;
        EXPECT_EQ(outcome.script.frames, c.frames) << c.seconds << " s at " << c.fps;
    }
}

TEST(FrameScript, PacedReadingsRoundDownWithoutWrapping) {
    ParseOutcome outcome = parse({"--frames", "3"});
    ASSERT_EQ(outcome.status, ParseStatus::run);
    EXPECT_EQ(outcome.script.reading(1), 16666);
    EXPECT_EQ(outcome.script.reading(3), 50000);

    // 9 x 10^18 still fits in 64 bits, so the last frame is exact.
    outcome = parse({"--frequency", "1000000000000000000", "--fps", "7", "--frames", "9"});
    ASSERT_EQ(outcome.status, ParseStatus::run) << outcome.error;
    EXPECT_EQ(outcome.script.reading(9), 1285714285714285714);

    // One frame at 2^62 ticks is fine; two would pass 2^63 - 1.
    EXPECT_EQ(parse({"--frequency", "4611686018427387904", "--frames", "1"}).status,
              ParseStatus::run);
    EXPECT_EQ(parse({"--frequency", "4611686018427387904", "--frames", "2"}).status,
              ParseStatus::error);
}

TEST(FrameScript, ShowsEveryKthFrameAndTheLast) {
    struct Case {
        int64_t every;
        int64_t frames;
        std::vector<int64_t> shown;
    };
    const Case cases[] = {{0, 5, {5}}, {2, 5, {2, 4, 5}}, {10, 30, {10, 20, 30}}, {40, 30, {30}}};
    for (const Case& c : cases) {
        FrameScript script;
        script.every = c.every;
        script.frames = c.frames;
        std::vector<int64_t> shown;
        for (int64_t k = 1; k <= c.frames; ++k) {
            if (script.shows(k)) {
                shown.push_back(k);
            }
        }
        EXPECT_EQ(shown, c.shown) << "every " << c.every << " of " << c.frames;
    }
}

TEST(FrameScript, HandsToolOptionsTheirValues) {
    std::string out_dir;
    const std::vector<ToolOption> options = {
        {"--out", "DIR", "where", [&out_dir](const std::string& value) {
             out_dir = value;
             return value.empty() ? std::string("--out: empty directory name") : std::string();
         }}};
    ParseOutcome outcome = parse_frame_script({"--frames", "2", "--out", "shots"}, options);
    EXPECT_EQ(outcome.status, ParseStatus::run) << outcome.error;
    EXPECT_EQ(out_dir, "shots");

    outcome = parse_frame_script({"--out", "", "--frames", "2"}, options);
    EXPECT_EQ(outcome.status, ParseStatus::error);
    EXPECT_EQ(outcome.error, "--out: empty directory name");
    outcome = parse_frame_script({"--frames", "2", "--out"}, options);
    EXPECT_EQ(outcome.error, "--out needs a value DIR");
}

TEST(TraceTool, RefusesBadInputWithOneLineAndStatus2) {
    const std::string dir = scratch();
    write_text(dir + "/empty", "");
    write_text(dir + "/word", "16666\nabc\n");
    write_text(dir + "/garbage", "16666\n33333 4\n");
    write_text(dir + "/huge", "16666\n9223372036854775808\n");
    write_text(dir + "/blank", "16666\n\n50000\n");
    struct Case {
        std::string args;
        const char* names; // what the message must mention
    };
    const Case cases[] = {
        {"--frames 3 --bogus", "unknown option '--bogus'"},
        {"--frames", "--frames needs a value"},
        {"--fps 0 --frames 3", "--fps: '0' is not at least 1"},
        {"--fps -3 --frames 3", "--fps: '-3' is not at least 1"},
        {"--fps 2.5 --frames 3", "--fps: '2.5' is not a whole number"},
        {"--frames 0", "--frames: '0' is not at least 1"},
        {"--frames 3 --every 0", "--every: '0' is not at least 1"},
        {"--frames 99999999999999999999", "out of range"},
        {"--seconds 0.01", "less than one frame"},
        {"--seconds 2 --frames 3", "cannot be combined"},
        {"--summary", "say how many frames"},
        {"--ticks " + dir + "/missing", "No such file"},
        {"--ticks " + dir, "Is a directory"},
        {"--ticks " + dir + "/empty", "holds no readings"},
        {"--ticks -", "standard input holds no readings"},
        {"--ticks " + dir + "/word", "line 2: 'abc' is not a whole number"},
        {"--ticks " + dir + "/garbage", "line 2: '33333 4' is not a whole number"},
        {"--ticks " + dir + "/huge", "line 2: '9223372036854775808' is out of"},
        {"--ticks " + dir + "/blank", "line 2: '' is not a whole number"},
        {"--ticks " + dir + "/word --fps 30", "cannot be combined"},
    };
    for (const Case& c : cases) {
        const ToolRun run = run_trace(c.args);
        EXPECT_EQ(run.status, 2) << c.args;
        EXPECT_EQ(run.out, "") << c.args;
        EXPECT_EQ(run.err.rfind("jellycube-trace: ", 0), 0u) << c.args << " -> " << run.err;
        EXPECT_NE(run.err.find(c.names), std::string::npos) << c.args << " -> " << run.err;
        EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << c.args << run.err;
    }
}

TEST(TraceTool, PrintsTheLastFrameOrEveryKthAndTheLast) {
    const auto last = csv_rows(run_trace("--frames 3").out);
    ASSERT_EQ(last.size(), 126u);
    EXPECT_EQ(last[0], (std::vector<std::string>{"frame", "time", "particle", "x", "y", "z", "vx",
                                                 "vy", "vz"}));
    for (size_t p = 0; p < 125; ++p) {
        ASSERT_EQ(last[p + 1].size(), 9u);
        EXPECT_EQ(last[p + 1][0], "3");
        EXPECT_EQ(last[p + 1][1], "0.050000000000000003"); // 50000 ticks at 10^6 per second
        EXPECT_EQ(last[p + 1][2], std::to_string(p));
    }
    EXPECT_EQ(frames_of(csv_rows(run_trace("--frames 25 --every 10").out)),
              (std::vector<int>{10, 20, 25}));

    const auto summary = csv_rows(run_trace("--frames 30 --summary --every 7").out);
    EXPECT_EQ(summary[0], (std::vector<std::string>{"frame", "time", "dt", "lift", "cx", "cy", "cz",
                                                    "min_y", "max_y"}));
    EXPECT_EQ(frames_of(summary), (std::vector<int>{7, 14, 21, 28, 30}));

    const auto two_seconds = csv_rows(run_trace("--seconds 2 --fps 60 --summary").out);
    ASSERT_EQ(two_seconds.size(), 121u);
    EXPECT_EQ(two_seconds[120][0], "120");
    EXPECT_EQ(two_seconds[120][1], "2");
}

// The summary row boils down the particle rows of the same frame.
TEST(TraceTool, SummaryAgreesWithTheParticles) {
    const auto summary = csv_rows(run_trace("--frames 30 --summary").out);
    const auto particles = csv_rows(run_trace("--frames 30").out);
    ASSERT_EQ(summary.size(), 31u);
    ASSERT_EQ(particles.size(), 126u);
    double sum_y = 0.0;
    float min_y = 1e30f;
    float max_y = -1e30f;
    for (size_t p = 1; p < particles.size(); ++p) {
        const float y = std::stof(particles[p][4]);
        sum_y += y;
        min_y = std::min(min_y, y);
        max_y = std::max(max_y, y);
    }
    const std::vector<std::string>& row = summary.back();
    EXPECT_NEAR(std::stod(row[5]), sum_y / 125, 1e-6) << "cy " << row[5];
    EXPECT_EQ(std::stof(row[7]), min_y) << "min_y " << row[7];
    EXPECT_EQ(std::stof(row[8]), max_y) << "max_y " << row[8];
}

// A tick file holding the paced readings must give byte for byte the paced output.
TEST(TraceTool, TickFileMatchesPacedClock) {
    const std::string ticks = paced_ticks(3579545, 50, 40);
    write_text(scratch() + "/paced", ticks);
    for (const std::string shown : {"--summary", "--every 13"}) {
        const std::string clock = "--frequency 3579545 " + shown;
        const ToolRun expected = run_trace(clock + " --fps 50 --frames 40");
        ASSERT_EQ(expected.status, 0) << expected.err;
        EXPECT_EQ(run_trace(clock + " --ticks " + scratch() + "/paced").out, expected.out) << shown;
        EXPECT_EQ(run_trace(clock + " --ticks -", ticks).out, expected.out) << shown;
    }
}

TEST(TraceTool, ReportsAFailedWrite) {
    const int raw = std::system(
        (std::string(TRACE_TOOL) + " --frames 2 >/dev/full 2>" + scratch() + "/stderr").c_str());
    EXPECT_EQ(WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, 1);
    EXPECT_NE(read_text(scratch() + "/stderr").find("cannot write standard output"),
              std::string::npos);
}

} // namespace
