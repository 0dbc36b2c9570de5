// PNG files through libpng's simplified interface, which reports errors in the image record
// instead of jumping out of the caller.
#include "support/png_image.h"

#include <png.h>

#include <cstring>
#include <utility>

namespace {
// Larger images are refused before their pixels are allocated (pixels per side).
constexpr png_uint_32 max_side = 16384;
} // namespace

std::string write_png(const std::string& path, const PngImage& image) {
    if (image.width <= 0 || image.height <= 0 ||
        image.rgb.size() != std::size_t(image.width) * std::size_t(image.height) * 3) {
        return "the image has no pixels or the wrong number of them";
    }
    png_image out;
    std::memset(&out, 0, sizeof out);
    out.version = PNG_IMAGE_VERSION;
    out.width = png_uint_32(image.width);
    out.height = png_uint_32(image.height);
    out.format = PNG_FORMAT_RGB;
    if (!png_image_write_to_file(&out, path.c_str(), 0, image.rgb.data(), 0, nullptr)) {
        const std::string reason = out.message;
        png_image_free(&out);
        return reason;
    }
    return "";
}

std::string read_png(const std::string& path, PngImage& image) {
    image = PngImage{};
    png_image in;
    std::memset(&in, 0, sizeof in);
    in.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&in, path.c_str())) {
        return in.message;
    }
    if (in.width > max_side || in.height > max_side) {
        png_image_free(&in);
        return "the image is larger than 16384 pixels on a side";
    }
    in.format = PNG_FORMAT_RGB;
    std::vector<unsigned char> rgb(std::size_t(in.width) * std::size_t(in.height) * 3);
    const png_color black = {0, 0, 0};
    if (!png_image_finish_read(&in, &black, rgb.data(), 0, nullptr)) {
        const std::string reason = in.message;
        png_image_free(&in);
        return reason;
    }
    image.width = int32_t(in.width);
    image.height = int32_t(in.height);
    image.rgb = std::move(rgb);
    return "";
}
