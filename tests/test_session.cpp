// Sessions as text: what is written reads back to the same bits, and a bad file is refused
// with one line that names its line.
#include "support/session_file.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <string>

namespace {

const std::string head = "jellycube session 1\nticks-per-second 1000000\n";

uint32_t bits(float f) {
    uint32_t b;
    std::memcpy(&b, &f, sizeof b);
    return b;
}

// Every finite float read back bit for bit: random bit patterns (subnormals among them), and
// the extremes, signed zeros and neighbours of powers of ten.
TEST(Session, WrittenFloatsReadBackExactly) {
    std::vector<float> values = {0.0f,
                                 -0.0f,
                                 std::numeric_limits<float>::min(),
                                 std::numeric_limits<float>::denorm_min(),
                                 -std::numeric_limits<float>::denorm_min(),
                                 std::numeric_limits<float>::max(),
                                 std::numeric_limits<float>::lowest(),
                                 std::nextafter(std::numeric_limits<float>::min(), 0.0f),
                                 0.1f,
                                 std::nextafter(1e-10f, 1.0f),
                                 std::nextafter(1e10f, 0.0f),
                                 16777217.0f};
    std::mt19937 random(19);
    while (values.size() < 30000) {
        const uint32_t b = random();
        float f;
        std::memcpy(&f, &b, sizeof f);
        if (std::isfinite(f)) {
            values.push_back(f);
        }
    }
    Session written;
    for (size_t i = 0; i + 2 < values.size(); i += 3) {
        written.frames.push_back(
            {int64_t(i), Grab{int(i % 125), {values[i], values[i + 1], values[i + 2]}}});
    }
    written.frames.push_back({std::numeric_limits<int64_t>::max(), Grab{}});
    written.frequency = 1;
    Session read;
    ASSERT_EQ(read_session_text(session_text(written), read), "");
    ASSERT_EQ(read.frames.size(), written.frames.size());
    EXPECT_EQ(read.frequency, 1);
    for (size_t i = 0; i < read.frames.size(); ++i) {
        const SessionFrame& a = written.frames[i];
        const SessionFrame& b = read.frames[i];
        ASSERT_TRUE(a.reading == b.reading && a.grab.particle == b.grab.particle &&
                    bits(a.grab.target.x) == bits(b.grab.target.x) &&
                    bits(a.grab.target.y) == bits(b.grab.target.y) &&
                    bits(a.grab.target.z) == bits(b.grab.target.z))
            << "frame " << i << ": " << a.grab.target.x << " " << a.grab.target.y << " "
            << a.grab.target.z;
    }
}

TEST(Session, TextFormAndWhatItAccepts) {
    Session session;
    session.frequency = 60;
    // Hex floats by their definition: 0.5 = 1 x 2^-1; -50 = -1.5625 x 2^5, .5625 = 9/16;
    // 0.1f = 0x1.99999a (rounded up) x 2^-4; the smallest subnormal 2^-149, written normalised;
    // the largest float (2 - 2^-23) x 2^127, its fraction 0xfffffe; zero keeps its sign.
    session.frames = {{1, Grab{}},
                      {2, Grab{124, {0.5f, -50.0f, 0.1f}}},
                      {3, Grab{0, {1e-45f, std::numeric_limits<float>::max(), -0.0f}}}};
    EXPECT_EQ(session_text(session), "jellycube session 1\nticks-per-second 60\n1\n"
                                     "2 124 0x1p-1 -0x1.9p+5 0x1.99999ap-4\n"
                                     "3 0 0x1p-149 0x1.fffffep+127 -0x0p+0\n");
    // CRLF, blanks between fields, blank lines at the end, equal readings, no final line break,
    // hex floats spelt otherwise (3 x 2^0, 0.8 x 2^1, no exponent sign).
    const std::string accepted[] = {
        "jellycube session 1\r\nticks-per-second 60\r\n1\r\n2 124 0x1p-1 -0x1.9p+5 0x0p+0\r\n",
        head + "0\n  7\t3  0x3p+0  0x0.8p+1  0x1p3 \n\n\n",
        head + "5\n5\n5",
    };
    for (const std::string& text : accepted) {
        Session read;
        EXPECT_EQ(read_session_text(text, read), "") << text;
        EXPECT_FALSE(read.frames.empty()) << text;
    }
}

TEST(Session, BadTextIsRefusedInOneLineNamingIt) {
    const std::string hex_float = "a finite float written in hex, such as 0x1.8p+1";
    const std::string long_line = head + "1 2 " + std::string(300, '1') + " 0 0\n";
    const std::string at_limit = head + std::string(256 - 1, ' ') + "1\n";
    std::string too_many = head;
    for (size_t i = 0; i <= max_session_frames; ++i) {
        too_many += "1\n";
    }
    const struct {
        std::string text;
        std::string message;
    } cases[] = {
        {"", "line 1: missing: the session needs 'jellycube session 1' and 'ticks-per-second F'"},
        {"jellycube session 2\n", "line 1: 'jellycube session 2' is not 'jellycube session 1'"},
        {"jellycube session 1\n", "line 2: missing: the session needs 'jellycube session 1' "
                                  "and 'ticks-per-second F'"},
        {"jellycube session 1\nticks-per-second 0\n1\n",
         "line 2: 'ticks-per-second 0' is not 'ticks-per-second F' with F a whole number from 1"},
        {"jellycube session 1\nticks-per-second 1e6\n1\n",
         "line 2: 'ticks-per-second 1e6' is not 'ticks-per-second F' with F a whole number "
         "from 1"},
        {head, "line 3: no frames: a session needs at least one"},
        {head + "\n\n", "line 5: no frames: a session needs at least one"},
        {head + "1.5\n", "line 3: the reading '1.5' is not a whole number"},
        {head + "+1\n", "line 3: the reading '+1' is not a whole number"},
        {head + "-3\n", "line 3: the reading '-3' is below 0, where the counter starts"},
        {head + "5\n4\n", "line 4: the reading '4' is below the reading before it, 5"},
        {head + "9223372036854775808\n",
         "line 3: the reading '9223372036854775808' is out of the signed 64-bit range"},
        {head + "1 125 0 0 0\n", "line 3: the particle '125' is not a whole number from 0 to 124"},
        {head + "1 -1 0 0 0\n", "line 3: the particle '-1' is not a whole number from 0 to 124"},
        {head + "1 3 0x0p+0 nan 0x0p+0\n",
         "line 3: the target coordinate 'nan' is not " + hex_float},
        {head + "1 3 0x0p+0 0x0p+0 inf\n",
         "line 3: the target coordinate 'inf' is not " + hex_float},
        {head + "1 3 1.5 0x0p+0 0x0p+0\n",
         "line 3: the target coordinate '1.5' is not " + hex_float},
        {head + "1 3 0x1p+128 0x0p+0 0x0p+0\n",
         "line 3: the target coordinate '0x1p+128' is not " + hex_float},
        {head + "1 3 0x1p-150 0x0p+0 0x0p+0\n",
         "line 3: the target coordinate '0x1p-150' is not " + hex_float},
        {head + "1 3 0x1.000001p+0 0x0p+0 0x0p+0\n",
         "line 3: the target coordinate '0x1.000001p+0' is not " + hex_float},
        {head + "1 3 0x1.8P+1 0x0p+0 0x0p+0\n",
         "line 3: the target coordinate '0x1.8P+1' is not " + hex_float},
        {head + "1 3 0x1..8p+1 0x0p+0 0x0p+0\n",
         "line 3: the target coordinate '0x1..8p+1' is not " + hex_float},
        {head + "1 3 0x1.8 0x0p+0 0x0p+0\n",
         "line 3: the target coordinate '0x1.8' is not " + hex_float},
        {head + "1 3 0x1p--3 0x0p+0 0x0p+0\n",
         "line 3: the target coordinate '0x1p--3' is not " + hex_float},
        {head + "1 3 0 0\n", "line 3: '1 3 0 0' is not READING or READING PARTICLE X Y Z"},
        {head + "1 3 0 0 0 0\n", "line 3: '1 3 0 0 0 0' is not READING or READING PARTICLE X Y Z"},
        {head + "1\n\n2\n", "line 4: a blank line before more frames"},
        {head + "1\n\x01\x7f\n", "line 4: the reading '?"
                                 "?' is not a whole number"},
        {long_line, "line 3: longer than 256 characters"},
        {head + std::string(256, ' ') + "1\n", "line 3: longer than 256 characters"},
        {too_many, "line 2000003: more than 2000000 frames"},
        {std::string(max_session_bytes + 1, '\n'), "the session is longer than 67108864 bytes"},
    };
    for (const auto& [text, message] : cases) {
        Session read;
        read.frequency = 7;
        EXPECT_EQ(read_session_text(text, read), message) << text.substr(0, 80);
        EXPECT_TRUE(read.frequency == 7 && read.frames.empty()) << "filled by " << message;
    }
    Session read;
    EXPECT_EQ(read_session_text(at_limit, read), "") << "a line of exactly 256 characters";
    EXPECT_EQ(read_session_text(head + std::string(255, ' ') + "1\r\n", read), "")
        << "256 characters and CRLF";
}

} // namespace
