// BMP decoding: header checks, the single pixel read and the blue-red swap.
#include "texture/bmp_decode.h"

#include <cstdio>
#include <cstring>
#include <new>
#include <utility>

#include <sys/stat.h>

namespace {

constexpr size_t file_header_size = 14;
constexpr size_t info_header_size = 40;
constexpr size_t width_offset = 18;     // biWidth, signed 32-bit little-endian
constexpr size_t bit_count_offset = 28; // biBitCount, unsigned 16-bit little-endian

class MemoryReader final : public BmpReader {
  public:
    MemoryReader(const unsigned char* data, size_t size) : data_(data), left_(size) {}
    size_t read(unsigned char* dst, size_t n) override {
        const size_t count = n < left_ ? n : left_;
        if (count > 0) {
            std::memcpy(dst, data_, count);
        }
        data_ += count;
        left_ -= count;
        return count;
    }
    size_t remaining() const override { return left_; }

  private:
    const unsigned char* data_;
    size_t left_;
};

// Knows how much is left of a regular file, so a header that claims more pixels than the
// file holds is refused before a buffer of up to 768 MiB is allocated for it. Pipes and
// other streams report no size and are read as they come.
class FileReader final : public BmpReader {
  public:
    explicit FileReader(std::FILE* file) : file_(file) {
        struct stat info;
        if (fstat(fileno(file), &info) == 0 && S_ISREG(info.st_mode) && info.st_size >= 0) {
            left_ = size_t(info.st_size);
        }
    }
    size_t read(unsigned char* dst, size_t n) override {
        const size_t count = std::fread(dst, 1, n, file_);
        left_ = left_ == SIZE_MAX ? SIZE_MAX : left_ - (count < left_ ? count : left_);
        return count;
    }
    size_t remaining() const override { return left_; }

  private:
    std::FILE* file_;
    size_t left_ = SIZE_MAX; // unknown
};

} // namespace

BmpStatus decode_bmp(BmpReader& in, BmpImage& out) {
    out = BmpImage();

    unsigned char header[file_header_size + info_header_size];
    if (in.read(header, file_header_size) != file_header_size ||
        in.read(header + file_header_size, info_header_size) != info_header_size) {
        return BmpStatus::invalid_format;
    }

    const unsigned bit_count =
        unsigned(header[bit_count_offset]) | unsigned(header[bit_count_offset + 1]) << 8;
    if (bit_count != 24) {
        return BmpStatus::invalid_format;
    }

    // Read unsigned: a negative biWidth has its top bit set and lands above the limit.
    const uint32_t raw_width =
        uint32_t(header[width_offset]) | uint32_t(header[width_offset + 1]) << 8 |
        uint32_t(header[width_offset + 2]) << 16 | uint32_t(header[width_offset + 3]) << 24;
    if (raw_width == 0 || raw_width > uint32_t(bmp_max_width)) {
        return BmpStatus::invalid_format;
    }
    const int32_t width = int32_t(raw_width);
    const size_t stride = bmp_row_stride(width);
    const size_t size = stride * size_t(width); // at most 805306368, see bmp_max_width

    if (in.remaining() < size) {
        return BmpStatus::invalid_format;
    }
    // Left uninitialised: every byte is either read from the input or the image is dropped.
    std::unique_ptr<unsigned char[]> pixels(new (std::nothrow) unsigned char[size]);
    if (!pixels || in.read(pixels.get(), size) != size) {
        return BmpStatus::invalid_format;
    }

    // Blue, green, red to red, green, blue in place; the fill bytes stay as they are.
    for (int32_t row = 0; row < width; ++row) {
        unsigned char* p = pixels.get() + size_t(row) * stride;
        for (int32_t x = 0; x < width; ++x, p += 3) {
            const unsigned char blue = p[0];
            p[0] = p[2];
            p[2] = blue;
        }
    }

    out.width = width;
    out.row_stride = stride;
    out.pixels = std::move(pixels);
    return BmpStatus::ok;
}

BmpStatus decode_bmp(const unsigned char* data, size_t size, BmpImage& out) {
    MemoryReader in(data, data != nullptr ? size : 0);
    return decode_bmp(in, out);
}

BmpStatus read_bmp_file(const char* name, BmpImage& out) {
    out = BmpImage();
    std::FILE* file = std::fopen(name, "rb");
    if (file == nullptr) {
        return BmpStatus::cannot_open;
    }
    FileReader in(file);
    const BmpStatus status = decode_bmp(in, out);
    std::fclose(file);
    return status;
}

std::string bmp_failure_line(const char* name, BmpStatus status) {
    return (status == BmpStatus::cannot_open ? "can't open " : "invalid format of ") +
           std::string(name);
}
