// The BMP writer: standard 14 + 40 byte headers, uncompressed 24-bit bottom-up rows.
#include "texture/bmp_writer.h"

#include <cstdio>

namespace {

void put16(std::vector<unsigned char>& out, size_t at, uint32_t v) {
    out[at] = (unsigned char)(v & 0xff);
    out[at + 1] = (unsigned char)(v >> 8 & 0xff);
}

void put32(std::vector<unsigned char>& out, size_t at, uint32_t v) {
    put16(out, at, v & 0xffff);
    put16(out, at + 2, v >> 16);
}

} // namespace

std::vector<unsigned char> encode_bmp24(const RgbImage& image) {
    const size_t stride = (size_t(image.width) * 3 + 3) & ~size_t(3);
    const size_t data_size = stride * size_t(image.height);
    const size_t header_size = 14 + 40;
    std::vector<unsigned char> out(header_size + data_size, 0);

    out[0] = 'B';
    out[1] = 'M';
    put32(out, 2, uint32_t(out.size()));   // bfSize
    put32(out, 10, uint32_t(header_size)); // bfOffBits
    put32(out, 14, 40);                    // biSize
    put32(out, 18, uint32_t(image.width));
    put32(out, 22, uint32_t(image.height)); // positive: bottom row first
    put16(out, 26, 1);                      // biPlanes
    put16(out, 28, 24);                     // biBitCount
    put32(out, 30, 0);                      // biCompression: BI_RGB
    put32(out, 34, uint32_t(data_size));
    put32(out, 38, 2835); // 72 dpi, in pixels per metre
    put32(out, 42, 2835);

    for (int32_t y = 0; y < image.height; ++y) {
        const unsigned char* src = &image.rgb[size_t(y) * size_t(image.width) * 3];
        unsigned char* dst = &out[header_size + size_t(y) * stride];
        for (int32_t x = 0; x < image.width; ++x, src += 3, dst += 3) {
            dst[0] = src[2];
            dst[1] = src[1];
            dst[2] = src[0];
        }
    }
    return out;
}

bool write_file(const std::string& path, const std::vector<unsigned char>& bytes) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        return false;
    }
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && written;
}
