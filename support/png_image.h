// Reading and writing 8-bit RGB PNG files: the recorder's frames and the reference images.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// An RGB image, rows from top to bottom, 3 bytes (red, green, blue) per pixel, no padding.
struct PngImage {
    int32_t width = 0;  // pixels
    int32_t height = 0; // pixels
    std::vector<unsigned char> rgb;

    const unsigned char* pixel(int32_t x, int32_t y) const {
        return &rgb[(std::size_t(y) * std::size_t(width) + std::size_t(x)) * 3];
    }
};

// Writes `image` to `path`, replacing the file. Returns "" or a one-line reason.
std::string write_png(const std::string& path, const PngImage& image);

// Reads any PNG into 8-bit RGB (alpha is composited on black). Returns "" or a reason; on
// failure `image` is left empty.
std::string read_png(const std::string& path, PngImage& image);
