// jellycube-trace and its scripted clock, the binary run as a user runs it.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

std::string read_text(const std::string& path) {
    std::ostringstream text;
    text << std::ifstream(path, std::ios::binary).rdbuf();
    return text.str();
}

// A private scratch directory for one test program run, removed when it ends.
std::string scratch() {
    static char name[] = "/tmp/jelly-trace-test.XXXXXX";
    static const bool made =
        mkdtemp(name) != nullptr && std::atexit([] { std::filesystem::remove_all(name); }) == 0;
    EXPECT_TRUE(made) << "cannot create " << name;
    return name;
}

struct ToolRun {
    int status;
    std::vector<std::string> out; // its lines
    std::string err;
};

// Each run may map at most 1 GB, so that input read without bound fails fast instead of
// taking the machine's memory. AddressSanitizer maps terabytes of shadow and gets no limit.
#if defined(__SANITIZE_ADDRESS__)
const char* const memory_limit = "";
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
const char* const memory_limit = "";
#else
const char* const memory_limit = "ulimit -v 1000000; ";
#endif
#else
const char* const memory_limit = "ulimit -v 1000000; ";
#endif

// Runs the real binary; `args` are shell words, and may send its standard output elsewhere.
ToolRun run_trace(const std::string& args, const std::string& input = "") {
    const std::string dir = scratch();
    std::ofstream(dir + "/stdin", std::ios::binary) << input;
    const std::string command = memory_limit + std::string(TRACE_TOOL) + " <" + dir + "/stdin >" +
                                dir + "/stdout 2>" + dir + "/stderr " + args;
    const int raw = std::system(command.c_str());
    ToolRun run{WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, {}, read_text(dir + "/stderr")};
    std::ifstream out(dir + "/stdout");
    for (std::string line; std::getline(out, line);) {
        run.out.push_back(line);
    }
    return run;
}

TEST(TraceTool, RefusesBadInputWithOneLineAndStatus2) {
    std::ofstream(scratch() + "/word") << "16666\nabc\n";
    std::ofstream(scratch() + "/backwards") << "0\n-5000000\n";
    std::ofstream(scratch() + "/before_start") << "-5\n";
    std::ofstream(scratch() + "/long_zero") << std::string(65, '0') << "\n";
    std::ofstream(scratch() + "/too_many") << [] {
        std::string lines; // the line past the limit is refused for its number alone
        for (int64_t k = 0; k < 10000000; ++k) {
            lines += "0\n";
        }
        return lines + "x\n";
    }();
    std::ofstream(scratch() + "/session") << "jellycube session 1\nticks-per-second 60\n1\n";
    std::ofstream(scratch() + "/bad_session") << "jellycube session 1\nticks-per-second 60\n1 x\n";
    const std::string cases[][2] = {
        {"--frames 3 --bogus", "unknown option '--bogus'"},
        {"--frames", "--frames needs a value"},
        {"--fps 0 --frames 3", "--fps: '0' is not at least 1"},
        {"--frames 99999999999999999999", "--frames: '99999999999999999999' is out of range"},
        {"--seconds 0.01", "less than one frame"},
        {"--ticks " + scratch() + "/word --fps 30", "cannot be combined"},
        {"--summary", "say how many frames"},
        {"--frequency 4611686018427387904 --frames 2", "would pass 2^63 - 1 ticks"},
        {"--ticks " + scratch() + "/missing", "No such file"},
        {"--ticks -", "standard input holds no readings"},
        {"--ticks " + scratch() + "/word", "line 2: 'abc' is not a whole number"},
        {"--ticks " + scratch() + "/backwards", "line 2: '-5000000' is below the reading before"},
        {"--ticks " + scratch() + "/before_start", "line 1: '-5' is below 0"},
        {"--ticks " + scratch() + "/long_zero", "line 1 is longer than 64 characters"},
        {"--ticks /dev/zero", "line 1 is longer than 64 characters"},
        {"--ticks " + scratch() + "/too_many", "has more than 10000000 lines"},
        {"--session " + scratch() + "/session --fps 30", "--session cannot be combined"},
        {"--frames 3 --session " + scratch() + "/session", "--session cannot be combined"},
        {"--session", "--session needs a value"},
        {"--session " + scratch() + "/missing", "cannot open session file '"},
        {"--session " + scratch() + "/bad_session",
         "bad_session', line 3: '1 x' is not READING or READING PARTICLE X Y Z"},
        {"--session /dev/zero", "'/dev/zero' is longer than 67108864 bytes"},
    };
    for (const auto& [args, names] : cases) {
        const ToolRun run = run_trace(args);
        EXPECT_TRUE(run.status == 2 && run.out.empty() &&
                    run.err.rfind("jellycube-trace: ", 0) == 0 &&
                    run.err.find(names) != std::string::npos &&
                    std::count(run.err.begin(), run.err.end(), '\n') == 1)
            << args << " -> status " << run.status << ", " << run.out.size()
            << " lines out, stderr '" << run.err << "'";
    }
}

TEST(TraceTool, PrintsTheLastFrameOrEveryKthAndTheLast) {
    const auto last = run_trace("--frames 3").out;
    ASSERT_EQ(last.size(), 126u);
    EXPECT_EQ(last[0], "frame,time,particle,x,y,z,vx,vy,vz");
    // 50000 ticks at 10^6 a second; the particles in order
    EXPECT_EQ(last[1].rfind("3,0.050000000000000003,0,", 0), 0u) << last[1];
    EXPECT_EQ(last[125].rfind("3,0.050000000000000003,124,", 0), 0u) << last[125];
    // Summary rows of every K-th frame and the last. 0.29 x 100 is 29 exactly; as a double
    // product it is 28.999999999999996, a frame short.
    const std::pair<std::string, std::vector<int>> cases[] = {
        {"--frames 25 --every 10", {0, 10, 20, 25}},
        {"--seconds 0.29 --fps 100 --every 10", {0, 10, 20, 29}},
        {"--seconds 2.5 --fps 60 --every 50", {0, 50, 100, 150}},
    };
    for (const auto& [args, want] : cases) {
        std::vector<int> frames;
        for (const std::string& line : run_trace("--summary " + args).out) {
            frames.push_back(std::atoi(line.c_str()));
        }
        EXPECT_EQ(frames, want) << args; // the header line reads as 0
    }
}

// Readings from a tick file, or from standard input, give byte for byte the paced output.
TEST(TraceTool, TickFileMatchesPacedClock) {
    std::string ticks;
    for (int64_t k = 1; k <= 40; ++k) {
        ticks += std::to_string(k * 3579545 / 50) + "\n";
    }
    std::ofstream(scratch() + "/paced") << ticks;
    const ToolRun paced = run_trace("--frequency 3579545 --every 13 --fps 50 --frames 40");
    ASSERT_EQ(paced.status, 0) << paced.err;
    EXPECT_EQ(run_trace("--frequency 3579545 --every 13 --ticks " + scratch() + "/paced").out,
              paced.out);
    EXPECT_EQ(run_trace("--frequency 3579545 --every 13 --ticks -", ticks).out, paced.out);
    // A line of 64 characters, the most there may be, is read like any other.
    const std::string padded = std::string(64 - ticks.find('\n'), '0') + ticks;
    EXPECT_EQ(run_trace("--frequency 3579545 --every 13 --ticks -", padded).out, paced.out);
    // Trailing blank lines end the file like its last line break.
    EXPECT_EQ(run_trace("--frequency 3579545 --every 13 --ticks -", ticks + "\n \r\n").out,
              paced.out);
    // A counter slower than the frame rate reads the same value twice: a frame of dt = 0.
    std::string slow;
    for (int64_t k = 1; k <= 12; ++k) {
        slow += std::to_string(k * 20 / 60) + "\n";
    }
    const ToolRun slow_paced = run_trace("--summary --frequency 20 --fps 60 --frames 12");
    ASSERT_EQ(slow_paced.status, 0) << slow_paced.err;
    EXPECT_EQ(run_trace("--summary --frequency 20 --ticks -", slow).out, slow_paced.out);
    // A session that grabs nothing is its readings: the same bytes again.
    const std::string session = "jellycube session 1\nticks-per-second 3579545\n" + ticks;
    EXPECT_EQ(run_trace("--every 13 --session -", session).out, paced.out);
}

TEST(TraceTool, VersionIsTheProjects) {
    const ToolRun run = run_trace("--frames 2 --version");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, std::vector<std::string>{"jellycube-trace " JELLY_VERSION});
}

TEST(TraceTool, ReportsAFailedWrite) {
    for (const char* args :
         {"--frames 2 >/dev/full", "--help >/dev/full", "--version >/dev/full"}) {
        const ToolRun run = run_trace(args);
        EXPECT_TRUE(run.status == 1 && run.err.find("cannot write standard output") != run.err.npos)
            << args << ": status " << run.status << ", stderr " << run.err;
    }
}

// A run stopped early keeps the header and the rows printed a second or more before.
TEST(TraceTool, AStoppedRunKeepsWhatItPrinted) {
    // A row every 1000 frames: the 64 KB buffer would hold the first 650 of them, hundreds
    // of thousands of frames, before writing anything. The wait ends once a row is out.
    const std::string out = scratch() + "/stopped";
    const std::string command = std::string(TRACE_TOOL) +
                                " --summary --frames 1000000000 --every 1000 >" + out +
                                " 2>/dev/null & pid=$!; for i in $(seq 600); do [ $(wc -l <" + out +
                                ") -ge 2 ] && break; sleep 0.1; done; kill $pid; wait $pid";
    std::system(command.c_str());
    std::ifstream file(out);
    std::vector<std::string> lines;
    for (std::string line; std::getline(file, line);) {
        lines.push_back(line);
    }
    ASSERT_GE(lines.size(), 2u) << "stdout of the stopped run holds " << lines.size() << " lines";
    EXPECT_EQ(lines[0], "frame,time,dt,lift,cx,cy,cz,min_y,max_y");
    EXPECT_EQ(lines[1].rfind("1000,", 0), 0u) << lines[1];
}

} // namespace

namespace {

// --hash prints one line instead of the CSV: for each run of tests/golden/state_hash.txt, the
// hash written there. Its paths are from the project's folder.
TEST(TraceTool, HashOfEveryGoldenRun) {
    std::ifstream golden(GOLDEN_STATE_HASHES);
    int runs = 0;
    for (std::string line; std::getline(golden, line);) {
        if (line.empty() || line[0] == '#') {
            continue;
        }
        const size_t last_blank = line.rfind(' ');
        ASSERT_NE(last_blank, std::string::npos) << line;
        std::string args = line.substr(0, last_blank);
        for (size_t at = args.find(" tests/"); at != std::string::npos;
             at = args.find(" tests/", at + 1)) {
            args.insert(at + 1, JELLY_SOURCE_DIR "/");
        }
        const ToolRun run = run_trace("--hash " + args);
        EXPECT_TRUE(run.status == 0 &&
                    run.out == std::vector<std::string>{line.substr(last_blank + 1)})
            << line << ": status " << run.status << ", first line '"
            << (run.out.empty() ? "" : run.out[0]) << "'";
        ++runs;
    }
    EXPECT_GE(runs, 3) << "no golden runs read from " << GOLDEN_STATE_HASHES;
}

} // namespace
