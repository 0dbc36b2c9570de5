// The committed assets/cub.bmp and assets/floor.bmp are exactly what
// jellycube-make-textures writes (run it on assets/ when the art changes), and they decode.
#include "texture/bmp_decode.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

std::vector<unsigned char> read_all(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(DefaultTextures, AssetsAreWhatTheToolWritesAndDecode) {
    std::string dir = ::testing::TempDir() + "jelly_textures_XXXXXX";
    ASSERT_NE(mkdtemp(dir.data()), nullptr);
    ASSERT_EQ(std::system(("'" JELLY_MAKE_TEXTURES "' '" + dir + "'").c_str()), 0) << dir;
    for (const char* name : {"cub.bmp", "floor.bmp"}) {
        const auto made = read_all(dir + "/" + name);
        const auto committed = read_all(std::string(JELLY_SOURCE_DIR "/assets/") + name);
        EXPECT_TRUE(made == committed)
            << name << ": the tool wrote " << made.size() << " bytes, the asset has "
            << committed.size() << "; first difference at byte "
            << std::mismatch(made.begin(), made.end(), committed.begin(), committed.end()).first -
                   made.begin();
        BmpImage image;
        EXPECT_EQ(decode_bmp(committed.data(), committed.size(), image), BmpStatus::ok) << name;
        EXPECT_EQ(image.width, 256) << name;
    }
    std::filesystem::remove_all(dir);
}

} // namespace
