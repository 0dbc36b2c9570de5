// picture-compare: compares a rendered frame with its reference image and says where and by
// how much they differ. Rasterisers differ along edges and in the mipmaps of the far floor, so
// the check bounds how many pixels may differ noticeably and the mean error, not each pixel;
// and since those differences are thin, it also bounds the largest solid patch of differing
// pixels, which a missing shadow or a wrongly mapped cube leaves behind.
#include "tools/png_image.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

namespace {

constexpr int channel_tolerance = 8;     // per channel, of 255
constexpr double min_close_share = 0.99; // of all pixels, within channel_tolerance
constexpr double max_mean_error = 1.0;   // per channel, of 255, over the whole image
// Side (pixels) of a square of differing pixels that fails the check. llvmpipe and softpipe
// differ in squares of at most 4 x 4; dropping the shadow pass or the sphere map leaves
// squares of 18 x 18 and more.
constexpr int max_patch_side = 12;
constexpr unsigned char diff_background = 0; // the diff image is black where pixels agree

struct Comparison {
    long long close_pixels = 0; // every channel within channel_tolerance
    double sum_error = 0.0;     // over all channels of all pixels
    int worst_error = 0;
    int worst_x = 0;
    int worst_y = 0;
    int box_left = -1; // bounding box of the pixels beyond the tolerance, -1 when none
    int box_top = -1;
    int box_right = -1;
    int box_bottom = -1;
    int largest_patch = 0; // side of the largest square of pixels all beyond the tolerance
    int patch_x = 0;       // its bottom-right corner
    int patch_y = 0;
};

// Compares two images of equal size; `diff` gets, per pixel, the largest channel error
// scaled to be visible (red beyond the tolerance, grey within).
Comparison compare(const PngImage& reference, const PngImage& actual, PngImage& diff) {
    Comparison out;
    // Side of the largest all-differing square ending at each pixel of the previous and
    // the current row.
    std::vector<int> previous(std::size_t(reference.width) + 1, 0);
    std::vector<int> current(std::size_t(reference.width) + 1, 0);
    diff.width = reference.width;
    diff.height = reference.height;
    diff.rgb.assign(reference.rgb.size(), diff_background);
    for (int32_t y = 0; y < reference.height; ++y) {
        std::swap(previous, current);
        for (int32_t x = 0; x < reference.width; ++x) {
            const unsigned char* a = reference.pixel(x, y);
            const unsigned char* b = actual.pixel(x, y);
            int pixel_error = 0;
            for (int c = 0; c < 3; ++c) {
                const int e = std::abs(int(a[c]) - int(b[c]));
                out.sum_error += e;
                pixel_error = std::max(pixel_error, e);
            }
            unsigned char* d = &diff.rgb[(std::size_t(y) * std::size_t(diff.width) + x) * 3];
            if (pixel_error > out.worst_error) {
                out.worst_error = pixel_error;
                out.worst_x = x;
                out.worst_y = y;
            }
            int& patch = current[std::size_t(x) + 1];
            if (pixel_error <= channel_tolerance) {
                patch = 0;
                ++out.close_pixels;
                d[0] = d[1] = d[2] = (unsigned char)(pixel_error * 16);
                continue;
            }
            d[0] = (unsigned char)std::min(255, 64 + pixel_error);
            patch = 1 + std::min({previous[std::size_t(x)], previous[std::size_t(x) + 1],
                                  current[std::size_t(x)]});
            if (patch > out.largest_patch) {
                out.largest_patch = patch;
                out.patch_x = x;
                out.patch_y = y;
            }
            if (out.box_left < 0) {
                out.box_left = out.box_right = x;
                out.box_top = out.box_bottom = y;
            }
            out.box_left = std::min(out.box_left, int(x));
            out.box_right = std::max(out.box_right, int(x));
            out.box_top = std::min(out.box_top, int(y));
            out.box_bottom = std::max(out.box_bottom, int(y));
        }
    }
    return out;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3 && argc != 4) {
        std::fprintf(stderr, "usage: picture-compare REFERENCE.png ACTUAL.png [DIFF.png]\n");
        return 2;
    }
    const std::string reference_path = argv[1];
    const std::string actual_path = argv[2];
    PngImage reference;
    PngImage actual;
    for (PngImage* image : {&reference, &actual}) {
        const std::string& path = image == &reference ? reference_path : actual_path;
        const std::string error = read_png(path, *image);
        if (!error.empty()) {
            std::printf("%s: cannot read: %s\n", path.c_str(), error.c_str());
            return 2;
        }
    }
    if (reference.width != actual.width || reference.height != actual.height) {
        std::printf("%s is %dx%d, the reference %s is %dx%d\n", actual_path.c_str(), actual.width,
                    actual.height, reference_path.c_str(), reference.width, reference.height);
        return 1;
    }

    PngImage diff;
    const Comparison c = compare(reference, actual, diff);
    const double pixels = double(reference.width) * double(reference.height);
    const double close_share = double(c.close_pixels) / pixels;
    const double mean_error = c.sum_error / (pixels * 3);
    const bool pass = close_share >= min_close_share && mean_error < max_mean_error &&
                      c.largest_patch < max_patch_side;

    std::printf("%s: %s against %s\n", pass ? "same" : "DIFFERENT", actual_path.c_str(),
                reference_path.c_str());
    std::printf("  pixels within %d/255 on every channel: %.4f%% (need %.2f%%); %lld differ\n",
                channel_tolerance, 100.0 * close_share, 100.0 * min_close_share,
                (long long)(pixels - double(c.close_pixels)));
    std::printf("  mean error per channel: %.4f/255 (need below %.2f)\n", mean_error,
                max_mean_error);
    std::printf("  largest error: %d/255 at (%d, %d) (x right, y down from the top left)\n",
                c.worst_error, c.worst_x, c.worst_y);
    if (c.box_left >= 0) {
        std::printf("  pixels beyond %d/255 lie within x %d..%d, y %d..%d\n", channel_tolerance,
                    c.box_left, c.box_right, c.box_top, c.box_bottom);
    }
    if (c.largest_patch > 0) {
        std::printf("  largest square of pixels beyond %d/255: %d x %d with its lower right "
                    "corner at (%d, %d) (need below %d x %d)\n",
                    channel_tolerance, c.largest_patch, c.largest_patch, c.patch_x, c.patch_y,
                    max_patch_side, max_patch_side);
    }
    if (argc == 4 && c.worst_error > 0) {
        const std::string error = write_png(argv[3], diff);
        if (error.empty()) {
            std::printf("  difference image: %s (red beyond the tolerance)\n", argv[3]);
        } else {
            std::printf("  cannot write the difference image %s: %s\n", argv[3], error.c_str());
        }
    }
    return pass ? 0 : 1;
}
