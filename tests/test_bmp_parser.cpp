// BMP decoding: which header fields count, padded rows, refused inputs, the file path and
// the failure lines. Headless: links the decoder only, no GL.
#include "texture/bmp_decode.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace {

using Bytes = std::vector<unsigned char>;

// Stored bytes of the pixel at column x of stored row y, as (blue, green, red). The three
// differ from each other and from those of any nearby pixel, so a missed or doubled swap,
// a shifted pixel and a shifted row all show.
struct Bgr {
    unsigned char b, g, r;
};
Bgr stored_pixel(int32_t x, int32_t y) {
    const unsigned char r = (unsigned char)(x * 7 + y * 31 + 1);
    return {(unsigned char)(r + 170), (unsigned char)(r + 85), r};
}

constexpr unsigned char fill_byte = 0xEE; // row padding, never a pixel value above

struct Layout {
    int32_t width = 8;
    int32_t height = 8;      // biHeight as written
    int32_t rows = 8;        // rows actually stored
    uint32_t info_size = 40; // biSize, and the bytes of info header written
};

void put16(Bytes& out, size_t at, uint32_t v) {
    out[at] = (unsigned char)(v & 0xff);
    out[at + 1] = (unsigned char)(v >> 8 & 0xff);
}
void put32(Bytes& out, size_t at, uint32_t v) {
    put16(out, at, v & 0xffff);
    put16(out, at + 2, v >> 16);
}

// A 24-bit file written independently of the code under test, with padded rows.
Bytes make_file(const Layout& l) {
    const size_t stride = (size_t(l.width) * 3 + 3) / 4 * 4;
    const size_t offset = 14 + l.info_size;
    Bytes out(offset + stride * size_t(l.rows), fill_byte);
    out[0] = 'B';
    out[1] = 'M';
    put32(out, 2, uint32_t(out.size()));
    put32(out, 6, 0);
    put32(out, 10, uint32_t(offset));
    for (size_t i = 14; i < offset; ++i) {
        out[i] = (unsigned char)(0xA0 + i); // the unused info header fields
    }
    put32(out, 14, l.info_size);
    put32(out, 18, uint32_t(l.width));
    put32(out, 22, uint32_t(l.height));
    put16(out, 26, 1);
    put16(out, 28, 24);
    put32(out, 30, 0);
    for (int32_t y = 0; y < l.rows; ++y) {
        for (int32_t x = 0; x < l.width; ++x) {
            const Bgr p = stored_pixel(x, y);
            unsigned char* dst = &out[offset + size_t(y) * stride + size_t(x) * 3];
            dst[0] = p.b;
            dst[1] = p.g;
            dst[2] = p.r;
        }
    }
    return out;
}

// Checks the decoded rows are stored rows first_row.. in order, each pixel red, green, blue.
void expect_stored_rows(const BmpImage& image, int32_t width, int32_t first_row) {
    ASSERT_EQ(image.width, width);
    ASSERT_NE(image.pixels, nullptr);
    for (int32_t y = 0; y < width; ++y) {
        for (int32_t x = 0; x < width; ++x) {
            const unsigned char* got = &image.pixels[size_t(y) * image.row_stride + size_t(x) * 3];
            const Bgr want = stored_pixel(x, first_row + y);
            if (got[0] != want.r || got[1] != want.g || got[2] != want.b) {
                FAIL() << "pixel (" << x << ", " << y << ") got rgb " << int(got[0]) << " "
                       << int(got[1]) << " " << int(got[2]) << ", want " << int(want.r) << " "
                       << int(want.g) << " " << int(want.b);
            }
        }
    }
}

BmpImage full_image() {
    BmpImage image;
    const Bytes bytes = make_file(Layout());
    EXPECT_EQ(decode_bmp(bytes.data(), bytes.size(), image), BmpStatus::ok);
    return image;
}

void expect_empty(const BmpImage& image) {
    EXPECT_EQ(image.width, 0);
    EXPECT_EQ(image.row_stride, 0u);
    EXPECT_EQ(image.pixels, nullptr);
}

TEST(BmpDecode, AnyWidthLoadsWithPaddedRowsAndRedBlueSwapped) {
    const struct {
        int32_t width;
        size_t stride; // bytes, 3 * width rounded up to 4
    } cases[] = {{1, 4}, {2, 8}, {3, 12}, {4, 12}, {5, 16}, {10, 32}, {100, 300}, {256, 768}};
    for (const auto& c : cases) {
        SCOPED_TRACE("width " + std::to_string(c.width));
        const Bytes bytes = make_file({c.width, c.width, c.width, 40});
        BmpImage image;
        ASSERT_EQ(decode_bmp(bytes.data(), bytes.size(), image), BmpStatus::ok);
        EXPECT_EQ(image.row_stride, c.stride);
        expect_stored_rows(image, c.width, 0);
    }
}

TEST(BmpDecode, SignatureOffsetAndHeightAreNotConsulted) {
    const struct {
        const char* what;
        Layout layout;
        void (*patch)(Bytes&);
    } cases[] = {
        {"wrong signature", {}, [](Bytes& b) { put16(b, 0, 'X' | 'Y' << 8); }},
        {"bfOffBits far away", {}, [](Bytes& b) { put32(b, 10, 4000); }},
        {"negative biHeight", {8, -8, 8, 40}, nullptr},
        {"zero biHeight", {8, 0, 8, 40}, nullptr},
        {"taller than wide", {8, 16, 16, 40}, nullptr},
        {"trailing bytes", {8, 8, 9, 40}, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Bytes bytes = make_file(c.layout);
        if (c.patch != nullptr) {
            c.patch(bytes);
        }
        BmpImage image;
        ASSERT_EQ(decode_bmp(bytes.data(), bytes.size(), image), BmpStatus::ok);
        expect_stored_rows(image, 8, 0); // the first stored rows, in stored order
    }
}

TEST(BmpDecode, LargerInfoHeaderIsStillReadFromByte54) {
    const Bytes bytes = make_file({4, 4, 4, 124});
    BmpImage image;
    ASSERT_EQ(decode_bmp(bytes.data(), bytes.size(), image), BmpStatus::ok);
    ASSERT_EQ(image.width, 4);
    // Everything from byte 54 on is pixel data, the header's tail included.
    for (int32_t y = 0; y < 4; ++y) {
        for (int32_t x = 0; x < 4; ++x) {
            const unsigned char* stored = &bytes[54 + size_t(y) * 12 + size_t(x) * 3];
            const unsigned char* got = &image.pixels[size_t(y) * 12 + size_t(x) * 3];
            EXPECT_EQ(got[0], stored[2]) << x << ", " << y;
            EXPECT_EQ(got[1], stored[1]) << x << ", " << y;
            EXPECT_EQ(got[2], stored[0]) << x << ", " << y;
        }
    }
}

TEST(BmpDecode, RefusesOtherBitCountsUnusableWidthsAndShortInput) {
    const Bytes width8 = make_file(Layout());          // 54 + 24 * 8 bytes
    const Bytes width10 = make_file({10, 10, 10, 40}); // 54 + 32 * 10 bytes
    const struct {
        const char* what;
        const Bytes* file;
        size_t field; // offset of a patched header field, 0 for none
        uint32_t value;
        size_t size; // bytes of the file handed over
    } cases[] = {
        {"8 bits", &width8, 28, 8, width8.size()},
        {"32 bits", &width8, 28, 32, width8.size()},
        {"24 in the high byte", &width8, 28, 24 << 8, width8.size()},
        {"width 0", &width8, 18, 0, width8.size()},
        {"width -8", &width8, 18, uint32_t(-8), width8.size()},
        {"width 16385", &width8, 18, 16385, width8.size()},
        {"width INT32_MAX", &width8, 18, 0x7fffffff, width8.size()},
        {"width INT32_MIN", &width8, 18, 0x80000000, width8.size()},
        {"empty", &width8, 0, 0, 0},
        {"file header cut", &width8, 0, 0, 13},
        {"bit count read, info header cut", &width8, 0, 0, 30},
        {"info header cut", &width8, 0, 0, 53},
        {"no pixels", &width8, 0, 0, 54},
        {"pixels one byte short", &width8, 0, 0, width8.size() - 1},
        {"rows without their fill bytes", &width10, 0, 0, 54 + 30 * 10},
        {"padded pixels one byte short", &width10, 0, 0, width10.size() - 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Bytes bytes = *c.file;
        if (c.field == 28) {
            put16(bytes, c.field, c.value);
        } else if (c.field == 18) {
            put32(bytes, c.field, c.value);
        }
        BmpImage image = full_image(); // a failure must also drop what `out` held
        EXPECT_EQ(decode_bmp(bytes.data(), c.size, image), BmpStatus::invalid_format);
        expect_empty(image);
    }
    BmpImage image;
    EXPECT_EQ(decode_bmp(nullptr, 0, image), BmpStatus::invalid_format);
}

// Serves a header and records each read; the pixel read gets no bytes.
class HeaderOnlyReader final : public BmpReader {
  public:
    explicit HeaderOnlyReader(Bytes header) : header_(std::move(header)) {}
    size_t read(unsigned char* dst, size_t n) override {
        requests.push_back(n);
        size_t count = 0;
        while (count < n && at_ < header_.size()) {
            dst[count++] = header_[at_++];
        }
        return count;
    }
    std::vector<size_t> requests;

  private:
    Bytes header_;
    size_t at_ = 0;
};

TEST(BmpDecode, ReadsHeadersThenPixelsInOneReadOnlyWhenTheHeaderIsUsable) {
    const struct {
        uint32_t width;
        uint16_t bit_count;
        std::vector<size_t> requests;
    } cases[] = {
        {10, 24, {14, 40, 320}},
        {16384, 24, {14, 40, size_t(49152) * 16384}}, // the widest: 768 MiB asked for
        {16385, 24, {14, 40}},
        {0, 24, {14, 40}},
        {10, 8, {14, 40}},
        {0, 32, {14, 40}}, // bit count is checked first; both are refused anyway
    };
    for (const auto& c : cases) {
        SCOPED_TRACE("width " + std::to_string(c.width) + ", bits " + std::to_string(c.bit_count));
        Bytes header = make_file({1, 1, 0, 40});
        put32(header, 18, c.width);
        put16(header, 28, c.bit_count);
        HeaderOnlyReader reader(header);
        BmpImage image;
        EXPECT_EQ(decode_bmp(reader, image), BmpStatus::invalid_format);
        EXPECT_EQ(reader.requests, c.requests);
    }
}

class BmpFile : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string pattern = ::testing::TempDir() + "jelly_bmp_XXXXXX";
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
    }
    void TearDown() override {
        if (!dir_.empty()) {
            std::filesystem::remove_all(dir_);
        }
    }
    std::string write(const char* name, const Bytes& bytes, size_t size) {
        const std::string path = dir_ + "/" + name;
        std::FILE* file = std::fopen(path.c_str(), "wb");
        EXPECT_NE(file, nullptr);
        if (file != nullptr) {
            EXPECT_EQ(std::fwrite(bytes.data(), 1, size, file), size);
            std::fclose(file);
        }
        return path;
    }
    std::string dir_;
};

TEST_F(BmpFile, ReadsLikeMemoryAndTellsMissingFromMalformed) {
    const Bytes bytes = make_file({10, 10, 10, 40});
    BmpImage image;
    ASSERT_EQ(read_bmp_file(write("ten.bmp", bytes, bytes.size()).c_str(), image), BmpStatus::ok);
    expect_stored_rows(image, 10, 0);

    image = full_image();
    EXPECT_EQ(read_bmp_file(write("short.bmp", bytes, bytes.size() - 1).c_str(), image),
              BmpStatus::invalid_format);
    expect_empty(image);

    image = full_image();
    EXPECT_EQ(read_bmp_file((dir_ + "/missing.bmp").c_str(), image), BmpStatus::cannot_open);
    expect_empty(image);
}

std::string regex_quoted(const std::string& text) {
    std::string out;
    for (const char ch : text) {
        if (std::string(".[]()*+?{}|^$\\").find(ch) != std::string::npos) {
            out += '\\';
        }
        out += ch;
    }
    return out;
}

// In the child: standard output goes where the death test reads standard error, and
// standard error is dropped, so only what is written to standard output is matched.
void read_or_exit_with_stdout_captured(const std::string& path) {
    std::fflush(stdout);
    const int captured = dup(STDERR_FILENO);
    const int null_fd = open("/dev/null", O_WRONLY);
    dup2(null_fd, STDERR_FILENO);
    dup2(captured, STDOUT_FILENO);
    BmpImage image;
    read_bmp_file_or_exit(path.c_str(), image);
    std::exit(0);
}

using BmpFileDeathTest = BmpFile;

TEST_F(BmpFileDeathTest, FailureWritesOneLineToStandardOutputAndExitsWith1) {
    // The child must see this test's files and paths, not re-create its own.
    GTEST_FLAG_SET(death_test_style, "fast");
    Bytes eight_bit = make_file(Layout());
    put16(eight_bit, 28, 8);
    const Bytes good = make_file(Layout());
    const struct {
        std::string path;
        const char* line_start;
    } cases[] = {
        {dir_ + "/missing.bmp", "can't open "},
        {write("eight.bmp", eight_bit, eight_bit.size()), "invalid format of "},
        {write("short.bmp", good, 60), "invalid format of "},
        {write("header.bmp", good, 20), "invalid format of "},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EXIT(read_or_exit_with_stdout_captured(c.path), ::testing::ExitedWithCode(1),
                    "^" + regex_quoted(c.line_start + c.path) + "\n$");
    }
    // The same call returns quietly on a good file.
    EXPECT_EXIT(read_or_exit_with_stdout_captured(write("good.bmp", good, good.size())),
                ::testing::ExitedWithCode(0), "^$");
}

} // namespace
