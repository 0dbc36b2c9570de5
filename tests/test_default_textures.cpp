// The committed assets/cub.bmp and assets/floor.bmp are exactly what
// jellycube-make-textures writes, and are standard 256 x 256 24-bit BMP files.
#include "texture/bmp_decode.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<unsigned char>;

const char* const texture_names[] = {"cub.bmp", "floor.bmp"};

Bytes read_all(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

uint32_t get32(const Bytes& b, size_t at) {
    return uint32_t(b[at]) | uint32_t(b[at + 1]) << 8 | uint32_t(b[at + 2]) << 16 |
           uint32_t(b[at + 3]) << 24;
}

uint32_t get16(const Bytes& b, size_t at) {
    return uint32_t(b[at]) | uint32_t(b[at + 1]) << 8;
}

std::string asset_path(const char* name) {
    return std::string(JELLY_SOURCE_DIR "/assets/") + name;
}

TEST(DefaultTextures, AssetsMatchWhatTheToolWrites) {
    std::string dir = ::testing::TempDir() + "jelly_textures_XXXXXX";
    ASSERT_NE(mkdtemp(dir.data()), nullptr);
    const std::string command = "'" JELLY_MAKE_TEXTURES "' '" + dir + "'";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;

    for (const char* name : texture_names) {
        SCOPED_TRACE(name);
        const Bytes made = read_all(dir + "/" + name);
        const Bytes committed = read_all(asset_path(name));
        if (made == committed) {
            continue;
        }
        size_t at = 0;
        while (at < made.size() && at < committed.size() && made[at] == committed[at]) {
            ++at;
        }
        ADD_FAILURE() << "the tool wrote " << made.size() << " bytes, the asset has "
                      << committed.size() << "; first difference at byte " << at << " (tool "
                      << (at < made.size() ? int(made[at]) : -1) << ", asset "
                      << (at < committed.size() ? int(committed[at]) : -1)
                      << "). If the art changed on purpose, run jellycube-make-textures assets";
    }
    std::filesystem::remove_all(dir);
}

TEST(DefaultTextures, AssetsAreStandardBottomUpBmpFilesThatLoad) {
    for (const char* name : texture_names) {
        SCOPED_TRACE(name);
        const Bytes file = read_all(asset_path(name));
        ASSERT_EQ(file.size(), 54u + 256u * 256u * 3u);
        EXPECT_EQ(file[0], 'B');
        EXPECT_EQ(file[1], 'M');
        EXPECT_EQ(get32(file, 2), file.size()); // bfSize
        EXPECT_EQ(get32(file, 10), 54u);        // bfOffBits
        EXPECT_EQ(get32(file, 14), 40u);        // biSize
        EXPECT_EQ(get32(file, 18), 256u);       // biWidth
        EXPECT_EQ(get32(file, 22), 256u);       // biHeight, positive: bottom row first
        EXPECT_EQ(get16(file, 26), 1u);         // biPlanes
        EXPECT_EQ(get16(file, 28), 24u);        // biBitCount
        EXPECT_EQ(get32(file, 30), 0u);         // biCompression: none

        BmpImage image;
        ASSERT_EQ(decode_bmp(file.data(), file.size(), image), BmpStatus::ok);
        EXPECT_EQ(image.width, 256);
    }
}

} // namespace
