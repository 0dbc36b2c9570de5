// Replays the BMP fuzz target's seeds, cut at every length, and every input the fuzzer found
// a fault with (kept in tests/fuzz_regressions/), against the decoder's promises.
#include "fuzz/bmp_promises.h"
#include "fuzz/bmp_seeds.h"
#include "texture/bmp_decode.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

namespace {

using Bytes = std::vector<unsigned char>;

// The seeds, then the kept findings; a missing folder means no findings.
std::vector<std::pair<std::string, Bytes>> inputs() {
    std::vector<std::pair<std::string, Bytes>> all = bmp_seed_files();
    const std::filesystem::path dir =
        std::filesystem::path(JELLY_SOURCE_DIR) / "tests" / "fuzz_regressions";
    if (std::filesystem::is_directory(dir)) {
        for (const auto& entry : std::filesystem::directory_iterator(dir)) {
            if (entry.is_regular_file() && entry.path().filename().string()[0] != '.') {
                std::ifstream file(entry.path(), std::ios::binary);
                all.emplace_back(entry.path().string(),
                                 Bytes((std::istreambuf_iterator<char>(file)),
                                       std::istreambuf_iterator<char>()));
            }
        }
    }
    return all;
}

TEST(FuzzRegressions, EverySeedAndFindingAtEveryLengthKeepsThePromises) {
    size_t runs = 0;
    size_t accepted = 0; // whole inputs the decoder takes; the seeds need both kinds
    const auto all = inputs();
    for (const auto& [name, bytes] : all) {
        BmpImage image;
        accepted += decode_bmp(bytes.data(), bytes.size(), image) == BmpStatus::ok;
        for (size_t size = 0; size <= bytes.size(); ++size) {
            const std::string problem = bmp_broken_promise(bytes.data(), size);
            ASSERT_EQ(problem, "")
                << name << " cut to " << size << " of " << bytes.size() << " bytes";
            ++runs;
        }
    }
    EXPECT_GT(runs, 1000u) << "the inputs shrank to " << runs << " runs";
    EXPECT_GE(accepted, 10u) << "only " << accepted << " of " << all.size() << " inputs decode";
    EXPECT_LE(accepted + 10, all.size()) << accepted << " of " << all.size() << " inputs decode";
}

} // namespace
