// Writing 24-bit BMP files: the default textures and anything else the tools draw.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// An RGB image, rows from bottom to top, 3 bytes (red, green, blue) per pixel, no padding.
struct RgbImage {
    int32_t width = 0;  // pixels
    int32_t height = 0; // pixels
    std::vector<unsigned char> rgb;

    RgbImage(int32_t w, int32_t h) : width(w), height(h), rgb(size_t(w) * size_t(h) * 3) {}
    unsigned char* pixel(int32_t x, int32_t y) {
        return &rgb[(size_t(y) * size_t(width) + size_t(x)) * 3];
    }
};

// The complete file: 'BM' file header, 40-byte info header, bottom-up rows of blue, green,
// red padded with zeros to a multiple of 4 bytes.
std::vector<unsigned char> encode_bmp24(const RgbImage& image);

// Writes `bytes` to `path`, replacing the file; false if it could not be written whole.
bool write_file(const std::string& path, const std::vector<unsigned char>& bytes);
