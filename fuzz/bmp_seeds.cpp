// The seed files: good images of several widths, other depths, odd header sizes, refused
// widths and files cut short at each boundary.
#include "fuzz/bmp_seeds.h"

#include "texture/bmp_writer.h"

namespace {

using Bytes = std::vector<unsigned char>;

// A w x h image whose bytes differ from pixel to pixel and from row to row.
Bytes image_file(int32_t w, int32_t h) {
    RgbImage image(w, h);
    for (int32_t y = 0; y < h; ++y) {
        for (int32_t x = 0; x < w; ++x) {
            unsigned char* p = image.pixel(x, y);
            p[0] = (unsigned char)(x * 37 + y * 11);
            p[1] = (unsigned char)(x * 5 + y * 71 + 1);
            p[2] = (unsigned char)(x + y * 3 + 128);
        }
    }
    return encode_bmp24(image);
}

void put16(Bytes& b, size_t at, uint32_t v) {
    b[at] = (unsigned char)(v & 0xff);
    b[at + 1] = (unsigned char)(v >> 8 & 0xff);
}
void put32(Bytes& b, size_t at, uint32_t v) {
    put16(b, at, v & 0xffff);
    put16(b, at + 2, v >> 16);
}

Bytes with16(Bytes b, size_t at, uint32_t v) {
    put16(b, at, v);
    return b;
}
Bytes with32(Bytes b, size_t at, uint32_t v) {
    put32(b, at, v);
    return b;
}
Bytes cut(Bytes b, size_t size) {
    b.resize(size);
    return b;
}
Bytes with_tail(Bytes b, size_t extra) {
    b.insert(b.end(), extra, (unsigned char)0xab);
    return b;
}

// A larger information header (biSize and bfOffBits follow); the pixels move back by the
// extra bytes, which the decoder still reads from byte 54.
Bytes info_header_of(const Bytes& file, uint32_t info_size) {
    Bytes out(file.begin(), file.begin() + 54);
    out.insert(out.end(), info_size - 40, (unsigned char)0x5a);
    out.insert(out.end(), file.begin() + 54, file.end());
    put32(out, 2, uint32_t(out.size()));
    put32(out, 10, 14 + info_size);
    put32(out, 14, info_size);
    return out;
}

// A w x w file with `bytes_per_pixel` bytes a pixel, rows padded to 4, bit count to match.
Bytes other_depth(int32_t w, uint32_t bytes_per_pixel) {
    const size_t stride = (size_t(w) * bytes_per_pixel + 3) & ~size_t(3);
    Bytes out = cut(image_file(1, 1), 54);
    put16(out, 28, bytes_per_pixel * 8);
    put32(out, 18, uint32_t(w));
    put32(out, 22, uint32_t(w));
    for (size_t i = 0; i < stride * size_t(w); ++i) {
        out.push_back((unsigned char)(i * 13 + 7));
    }
    put32(out, 2, uint32_t(out.size()));
    return out;
}

} // namespace

std::vector<std::pair<std::string, Bytes>> bmp_seed_files() {
    const Bytes w5 = image_file(5, 5);
    const Bytes w8 = image_file(8, 8);
    const Bytes w16 = image_file(16, 16);

    return {
        // Good files: widths that are and are not a multiple of 4.
        {"width1", image_file(1, 1)},
        {"width2", image_file(2, 2)},
        {"width3", image_file(3, 3)},
        {"width4", image_file(4, 4)},
        {"width5", w5},
        {"width7", image_file(7, 7)},
        {"width8", w8},
        {"width13", image_file(13, 13)},
        {"width16", w16},
        // Good files the decoder reads all the same.
        {"top_down", with32(w5, 22, uint32_t(-5))},
        {"taller_than_wide", image_file(4, 9)},
        {"trailing_bytes", with_tail(w8, 100)},
        {"no_signature", with16(w5, 0, 0)},
        {"offset_elsewhere", with32(w5, 10, 1078)},
        {"info_header_12", with32(w5, 14, 12)},
        {"info_header_108", info_header_of(w5, 108)},
        {"info_header_124", info_header_of(w8, 124)},
        // Other depths: only 24 bits a pixel is read.
        {"bits8", other_depth(8, 1)},
        {"bits16", other_depth(4, 2)},
        {"bits32", other_depth(5, 4)},
        {"bits24_high_byte", with16(w5, 28, 24 << 8)},
        // Widths the decoder refuses, or accepts only with enough pixels behind them.
        {"width0", with32(w5, 18, 0)},
        {"width_minus1", with32(w5, 18, uint32_t(-1))},
        {"width_16384", with32(w5, 18, 16384)},
        {"width_16385", with32(w5, 18, 16385)},
        {"width_int32_max", with32(w5, 18, 0x7fffffff)},
        {"width_int32_min", with32(w5, 18, 0x80000000)},
        {"width_claims_more", with32(w8, 18, 9)},
        // Cut short at every place that matters.
        {"cut_file_header", cut(w5, 13)},
        {"cut_before_width", cut(w5, 20)},
        {"cut_after_bit_count", cut(w5, 30)},
        {"cut_info_header", cut(w5, 53)},
        {"headers_only", cut(w5, 54)},
        {"cut_first_row", cut(w5, 60)},
        {"cut_row_fill", cut(w5, 54 + 16 * 5 - 1)},
        {"cut_last_byte", cut(w16, w16.size() - 1)},
        {"unpadded_rows", cut(w5, 54 + 15 * 5)},
        {"wider_than_tall", image_file(6, 2)}, // 2 rows stored, 6 needed
    };
}
