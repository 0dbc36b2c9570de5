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
        const struct {
            const char* field;
            size_t at, bytes;
            uint32_t value;
        } fields[] = {
            {"bfType", 0, 2, 'B' | 'M' << 8}, {"bfSize", 2, 4, uint32_t(file.size())},
            {"bfOffBits", 10, 4, 54},         {"biSize", 14, 4, 40},
            {"biWidth", 18, 4, 256},          {"biHeight (bottom-up)", 22, 4, 256},
            {"biPlanes", 26, 2, 1},           {"biBitCount", 28, 2, 24},
            {"biCompression", 30, 4, 0},
        };
        for (const auto& f : fields) {
            EXPECT_EQ(f.bytes == 2 ? get16(file, f.at) : get32(file, f.at), f.value) << f.field;
        }

        BmpImage image;
        ASSERT_EQ(decode_bmp(file.data(), file.size(), image), BmpStatus::ok);
        EXPECT_EQ(image.width, 256);
    }
}

} // namespace
