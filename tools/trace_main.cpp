// jellycube-trace: advances the scene on a scripted clock, with no display, and prints
// the body's particles, or one summary row per frame, as CSV on standard output.
#include "scene/scene.h"
#include "support/quote.h"
#include "support/session_file.h"
#include "support/state_hash.h"
#include "support/tool_options.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr const char* tool_name = "jellycube-trace";
constexpr const char* purpose =
    "Runs the jelly cube's frame driver on a scripted clock, with no display, and prints\n"
    "CSV on standard output. By default: frame,time,particle,x,y,z,vx,vy,vz, one row per\n"
    "particle (0 to 124) of the last frame, or of every K-th frame and the last with\n"
    "--every K. Floats are printed with %.9g (enough to read back every float exactly),\n"
    "time with %.17g.";

// Reads the session file at `path` ("-" for standard input) in chunks, refusing it as soon as
// it is longer than max_session_bytes. Returns "" or one line saying what is wrong.
std::string read_session_file(const std::string& path, Session& session) {
    const bool from_stdin = path == "-";
    const std::string shown = from_stdin ? "standard input" : "session file " + quote(path);
    std::FILE* file = from_stdin ? stdin : std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        return "cannot open " + shown + ": " + std::strerror(errno);
    }
    std::string text;
    std::string error;
    char buffer[1 << 16];
    size_t count = 0;
    while ((count = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
        if (text.size() + count > max_session_bytes) {
            error = shown + " is longer than " + std::to_string(max_session_bytes) + " bytes";
            break;
        }
        text.append(buffer, count);
    }
    if (error.empty() && std::ferror(file) != 0) {
        error = "cannot read " + shown + ": " + std::strerror(errno);
    }
    if (!from_stdin) {
        std::fclose(file);
    }
    if (error.empty()) {
        error = read_session_text(text, session);
        if (!error.empty()) {
            error = shown + ", " + error;
        }
    }
    return error;
}

void print_particles(int64_t frame, const Scene& state) {
    for (size_t p = 0; p < state.body.particles.size(); ++p) {
        const Particle& particle = state.body.particles[p];
        const Vec3& x = particle.position;
        const Vec3& v = particle.velocity;
        std::printf("%lld,%.17g,%zu,%.9g,%.9g,%.9g,%.9g,%.9g,%.9g\n", static_cast<long long>(frame),
                    state.time, p, x.x, x.y, x.z, v.x, v.y, v.z);
    }
}

// dt and lift are the very floats the frame used: substep_dt is the scene's own rounding.
void print_summary(int64_t frame, const Scene& state) {
    double sum_x = 0.0;
    double sum_y = 0.0;
    double sum_z = 0.0;
    float min_y = state.body.particles[0].position.y;
    float max_y = min_y;
    for (const Particle& particle : state.body.particles) {
        sum_x += particle.position.x;
        sum_y += particle.position.y;
        sum_z += particle.position.z;
        min_y = particle.position.y < min_y ? particle.position.y : min_y;
        max_y = particle.position.y > max_y ? particle.position.y : max_y;
    }
    const double count = double(state.body.particles.size());
    std::printf("%lld,%.17g,%.9g,%.9g,%.9g,%.9g,%.9g,%.9g,%.9g\n", static_cast<long long>(frame),
                state.time, substep_dt(state.prev_time, state.time), state.body.lift.y,
                sum_x / count, sum_y / count, sum_z / count, min_y, max_y);
}

// A full disk or a closed pipe must not pass for a finished trace.
int report_write_failure() {
    std::fprintf(stderr, "%s: cannot write standard output: %s\n", tool_name, std::strerror(errno));
    return 1;
}

} // namespace

int main(int argc, char** argv) {
    bool summary = false;
    bool hash = false;
    Session session;
    const std::vector<ToolOption> options = {
        {"--summary", "",
         "print frame,time,dt,lift,cx,cy,cz,min_y,max_y instead: one row per frame\n"
         "(every frame unless --every K is given), where dt and lift are the values\n"
         "the frame used, (cx, cy, cz) is the mean position and min_y, max_y are\n"
         "the lowest and highest particle heights",
         [&summary](const std::string&) {
             summary = true;
             return std::string();
         }},
        {"--hash", "",
         "print instead one line: the FNV-1a 64-bit hash of the last frame's particles\n"
         "(x, y, z, vx, vy, vz of particles 0 to 124 as little-endian float32), as\n"
         "16 hex digits; the same bits give the same line on every machine",
         [&hash](const std::string&) {
             hash = true;
             return std::string();
         }},
        {"--session", "FILE",
         "replay a session (\"-\" reads standard input): its counter rate and\n"
         "readings are the clock, and each frame pulls what it held; instead of\n"
         "--frequency, --fps, --frames, --seconds and --ticks",
         [&session](const std::string& path) { return read_session_file(path, session); }, true},
    };
    FrameScript script;
    if (const std::optional<int> status =
            read_tool_args(argc, argv, tool_name, purpose, options, script)) {
        return *status;
    }
    const bool replaying = !session.frames.empty(); // a session holds one frame or more
    if (replaying) {
        script.frequency = session.frequency;
        script.frames = int64_t(session.frames.size());
        script.ticks.clear();
        for (const SessionFrame& frame : session.frames) {
            script.ticks.push_back(frame.reading);
        }
    }
    if (summary && script.every == 0) {
        script.every = 1;
    }

    // Long runs print millions of rows; a large buffer keeps the writing cheap. The header
    // goes out at once and the rows at least once a second of run time, so a run that is
    // stopped early keeps what it had printed, and a failed write ends it early.
    static char out_buffer[1 << 16];
    std::setvbuf(stdout, out_buffer, _IOFBF, sizeof out_buffer);
    using Clock = std::chrono::steady_clock;
    constexpr Clock::duration flush_interval = std::chrono::seconds(1);

    Scene state;
    state.start(0, script.frequency);

    if (!hash) {
        std::puts(summary ? "frame,time,dt,lift,cx,cy,cz,min_y,max_y"
                          : "frame,time,particle,x,y,z,vx,vy,vz");
    }
    if (std::fflush(stdout) != 0) {
        return report_write_failure();
    }
    Clock::time_point last_flush = Clock::now();
    bool unflushed = false; // rows printed since last_flush
    for (int64_t k = 1; k <= script.frames; ++k) {
        state.advance(script.reading(k), replaying ? session.frames[size_t(k - 1)].grab : Grab{});
        if (hash) {
            continue;
        }
        if (script.shows(k)) {
            if (summary) {
                print_summary(k, state);
            } else {
                print_particles(k, state);
            }
            unflushed = true;
        }
        if (unflushed && Clock::now() - last_flush >= flush_interval) {
            if (std::fflush(stdout) != 0) {
                return report_write_failure();
            }
            last_flush = Clock::now();
            unflushed = false;
        }
    }

    if (hash) {
        std::puts(state_hash_text(state.body).c_str());
    }

    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        return report_write_failure();
    }
    return 0;
}
