// BMP decoding: which header fields count, padded rows, refused inputs, the file path and
// the failure lines. Headless: links the decoder only, no GL.
#include "texture/bmp_decode.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <tuple>
#include <vector>

namespace {

using Bytes = std::vector<unsigned char>;

size_t padded_stride(int32_t width) {
    return (size_t(width) * 3 + 3) / 4 * 4;
}

Bytes patched(Bytes file, size_t at, uint32_t value) {
    for (size_t k = 0; k < 4; ++k) {
        file[at + k] = (unsigned char)(value >> 8 * k);
    }
    return file;
}

// A 24-bit file of `rows` padded rows, written independently of the code under test. Every
// byte from 14 on differs from its neighbours, so a missed swap or a shifted read shows.
Bytes make_file(int32_t width, int32_t rows, uint32_t info_size = 40) {
    Bytes out(14 + info_size + padded_stride(width) * size_t(rows));
    for (size_t i = 0; i < out.size(); ++i) {
        out[i] = (unsigned char)(i * 37 + i / 256);
    }
    out[0] = 'B';
    out[1] = 'M';
    out = patched(out, 10, 14 + info_size); // bfOffBits
    out = patched(out, 14, info_size);
    out = patched(out, 18, uint32_t(width));
    out = patched(out, 22, uint32_t(rows)); // biHeight
    return patched(out, 26, 1 | 24 << 16);  // biPlanes, biBitCount
}

TEST(BmpDecode, ReadsPaddedRowsFromByte54WhateverTheOtherFieldsSay) {
    const std::tuple<const char*, Bytes, int32_t> cases[] = {
        {"width 10, rows padded to 32 bytes", make_file(10, 10), 10},
        {"width 100", make_file(100, 100), 100},
        {"taller than wide: the first rows", make_file(8, 16), 8},
        {"124-byte info header: its tail is pixels", make_file(8, 8, 124), 8},
        {"wrong signature and bfSize", patched(make_file(8, 8), 0, 0x5958), 8},
        {"bfOffBits 4000", patched(make_file(8, 8), 10, 4000), 8},
        {"negative biHeight", patched(make_file(8, 8), 22, uint32_t(-8)), 8},
    };
    for (const auto& [what, file, width] : cases) {
        SCOPED_TRACE(what);
        BmpImage image;
        ASSERT_EQ(decode_bmp(file.data(), file.size(), image), BmpStatus::ok);
        const size_t stride = padded_stride(width);
        ASSERT_TRUE(image.width == width && image.row_stride == stride)
            << "width " << image.width << ", stride " << image.row_stride;
        // width rows of stride bytes from byte 54 on, each pixel's blue and red swapped
        for (size_t y = 0; y < size_t(width); ++y) {
            for (size_t x = 0; x < size_t(width); ++x) {
                const unsigned char* got = &image.pixels[y * stride + x * 3];
                const unsigned char* bgr = &file[54 + y * stride + x * 3];
                ASSERT_TRUE(got[0] == bgr[2] && got[1] == bgr[1] && got[2] == bgr[0])
                    << "pixel (" << x << ", " << y << ") got rgb " << int(got[0]) << " "
                    << int(got[1]) << " " << int(got[2]);
            }
        }
    }
}

TEST(BmpDecode, RefusesShortInputAndDropsWhatTheImageHeld) {
    const Bytes good = make_file(10, 10);                     // 54 + 32 * 10 bytes
    for (const size_t size : {size_t(53), good.size() - 1}) { // the whole padded rows are needed
        BmpImage image;
        ASSERT_EQ(decode_bmp(good.data(), good.size(), image), BmpStatus::ok);
        EXPECT_EQ(decode_bmp(good.data(), size, image), BmpStatus::invalid_format) << size;
        EXPECT_TRUE(image.width == 0 && image.pixels == nullptr) << size << ": " << image.width;
    }
}

// Serves `bytes`, recording the size of every read; how much is left is not known ahead.
struct RecordingReader final : BmpReader {
    Bytes bytes;
    std::vector<size_t> reads;
    size_t read(unsigned char* dst, size_t n) override {
        reads.push_back(n);
        const size_t count = std::min(n, bytes.size());
        std::copy_n(bytes.begin(), count, dst);
        bytes.erase(bytes.begin(), bytes.begin() + std::ptrdiff_t(count));
        return count;
    }
};

TEST(BmpDecode, RefusesOtherBitCountsAndUnusableWidthsBeforeReadingPixels) {
    const std::tuple<const char*, size_t, uint32_t, std::vector<size_t>> cases[] = {
        // what, field patched, its value, the reads asked for
        {"8 bits", 26, 1 | 8 << 16, {14, 40}},
        {"32 bits", 26, 1 | 32 << 16, {14, 40}},
        {"280 bits, 24 in the low byte", 26, 1 | 280 << 16, {14, 40}},
        {"width 0", 18, 0, {14, 40}},
        {"width -1", 18, uint32_t(-1), {14, 40}},
        {"width 16385", 18, 16385, {14, 40}},
        {"width INT32_MAX", 18, 0x7fffffff, {14, 40}},
        {"width 16384: its 768 MiB in one read", 18, 16384, {14, 40, size_t(49152) * 16384}},
    };
    for (const auto& [what, field, value, reads] : cases) {
        RecordingReader header; // the pixels never come
        header.bytes = patched(make_file(1, 0), field, value);
        BmpImage image;
        EXPECT_EQ(decode_bmp(header, image), BmpStatus::invalid_format) << what;
        EXPECT_EQ(header.reads, reads) << what;
    }
}

// This process's id, so that runs side by side name their own files.
const std::string& run_tag() {
    static const std::string tag = std::to_string(getpid());
    return tag;
}

// Writes `bytes` but the last `cut` of them.
std::string write_temp(const char* name, const Bytes& bytes, size_t cut) {
    const std::string path = ::testing::TempDir() + "jelly_bmp_" + run_tag() + "_" + name;
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), bytes.size() - cut);
    return path;
}

// A file's status and the program's line for it: the path follows the words on a failure;
// the end-to-end tests check that the programs print it and exit with 1.
TEST(BmpFile, StatusAndFailureLine) {
    const std::tuple<std::string, BmpStatus, std::string> cases[] = {
        {::testing::TempDir() + "jelly_bmp_no_such_dir/cub.bmp", BmpStatus::cannot_open,
         "can't open "},
        {write_temp("short.bmp", make_file(8, 8), 1), BmpStatus::invalid_format,
         "invalid format of "},
        {write_temp("good.bmp", make_file(8, 8), 0), BmpStatus::ok, ""},
    };
    for (const auto& [path, status, words] : cases) {
        BmpImage image;
        EXPECT_EQ(read_bmp_file(path.c_str(), image), status) << path;
        EXPECT_EQ(image.width, status == BmpStatus::ok ? 8 : 0) << path;
        if (status != BmpStatus::ok) {
            EXPECT_EQ(bmp_failure_line(path.c_str(), status), words + path);
        }
        std::remove(path.c_str());
    }
}

} // namespace
