// picture-compare: compares a rendered frame with its reference image and says where and by
// how much they differ. Rasterisers differ along edges and in the mipmaps of the far floor,
// so the check bounds the share of noticeably differing pixels and the mean error, not each
// pixel; and since those differences are thin, it also bounds the largest solid square of
// differing pixels, which a missing shadow or a wrongly mapped cube leaves behind.
#include "support/png_image.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {
constexpr int tolerance = 8; // per channel, of 255

// The bounds, each of which a pair of rasterisers may be held to more tightly by an option.
struct Bounds {
    double min_close_share = 0.99; // of all pixels, within the tolerance
    double max_mean_error = 1.0;   // per channel, of 255
    // llvmpipe and softpipe differ in squares of at most 4 x 4; dropping the shadow pass or
    // the sphere map leaves squares of 18 x 18 and more.
    int max_patch_side = 12;
};

// Reads the options before the three file names; returns false on anything else.
bool read_options(int& argc, char**& argv, Bounds& bounds) {
    for (; argc > 1 && argv[1][0] == '-'; argc -= 2, argv += 2) {
        char* end = nullptr;
        const double value = argc > 2 ? std::strtod(argv[2], &end) : 0.0;
        if (argc <= 2 || end == argv[2] || *end != '\0') {
            return false;
        }
        const std::string option = argv[1];
        if (option == "--min-close-percent" && value > 0 && value <= 100) {
            bounds.min_close_share = value / 100;
        } else if (option == "--max-mean" && value > 0) {
            bounds.max_mean_error = value;
        } else if (option == "--max-patch" && value >= 1) {
            bounds.max_patch_side = int(value);
        } else {
            return false;
        }
    }
    return true;
}
} // namespace

int main(int argc, char** argv) {
    PngImage ref, act;
    Bounds bounds;
    const bool usable = read_options(argc, argv, bounds) && argc == 4;
    const std::string error = !usable
                                  ? "usage: picture-compare [--min-close-percent P] [--max-mean E] "
                                    "[--max-patch N] REFERENCE ACTUAL DIFF.png"
                                  : read_png(argv[1], ref) + read_png(argv[2], act);
    if (!error.empty() || ref.width != act.width || ref.height != act.height) {
        std::printf("cannot compare: %s; reference %dx%d, actual %dx%d\n",
                    error.empty() ? "different sizes" : error.c_str(), ref.width, ref.height,
                    act.width, act.height);
        return 2;
    }
    // The diff image: each pixel's largest channel error in grey, or red beyond the tolerance.
    PngImage diff{ref.width, ref.height, std::vector<unsigned char>(ref.rgb.size(), 0)};
    // Side of the largest all-differing square ending at each pixel, this row and the last.
    std::vector<int> above(std::size_t(ref.width) + 1, 0), row(above);
    long long close = 0;
    double sum_error = 0;
    int worst = 0, worst_x = 0, worst_y = 0, patch = 0, patch_x = 0, patch_y = 0;
    for (int32_t y = 0; y < ref.height; ++y) {
        std::swap(above, row);
        for (int32_t x = 0; x < ref.width; ++x) {
            int e = 0;
            for (int c = 0; c < 3; ++c) {
                const int channel_error = std::abs(ref.pixel(x, y)[c] - act.pixel(x, y)[c]);
                sum_error += channel_error;
                e = std::max(e, channel_error);
            }
            if (e > worst) {
                worst = e, worst_x = x, worst_y = y;
            }
            unsigned char* d = &diff.rgb[(std::size_t(y) * ref.width + x) * 3];
            row[x + 1] = e > tolerance ? 1 + std::min({above[x], above[x + 1], row[x]}) : 0;
            if (e <= tolerance) {
                ++close;
                d[0] = d[1] = d[2] = (unsigned char)(e * 16);
                continue;
            }
            d[0] = 255;
            if (row[x + 1] > patch) {
                patch = row[x + 1], patch_x = x, patch_y = y;
            }
        }
    }
    const double pixels = double(ref.width) * ref.height;
    const double close_share = close / pixels, mean_error = sum_error / (pixels * 3);
    const bool same = close_share >= bounds.min_close_share && mean_error < bounds.max_mean_error &&
                      patch < bounds.max_patch_side;
    std::printf("%s: %s against %s\n"
                "  pixels within %d/255 on every channel: %.4f%% (need %g%%)\n"
                "  mean error per channel: %.4f/255 (need below %g)\n"
                "  largest error: %d/255 at (%d, %d), x right and y down from the top left\n"
                "  largest square beyond %d/255: %d x %d, lower right corner at (%d, %d) "
                "(need below %d)\n",
                same ? "same" : "DIFFERENT", argv[2], argv[1], tolerance, 100 * close_share,
                100 * bounds.min_close_share, mean_error, bounds.max_mean_error, worst, worst_x,
                worst_y, tolerance, patch, patch, patch_x, patch_y, bounds.max_patch_side);
    if (!same && write_png(argv[3], diff).empty()) {
        std::printf("  difference image (red beyond the tolerance): %s\n", argv[3]);
    }
    return same ? 0 : 1;
}
