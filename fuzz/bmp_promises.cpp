// The decoder's promises, checked on one input; see bmp_promises.h.
#include "fuzz/bmp_promises.h"

#include "texture/bmp_decode.h"

#include <cstring>

namespace {

// Hands out the same bytes as the in-memory decoder sees but cannot tell how many are left,
// as with a file or a pipe: a short input then shows only as a short read, after the pixel
// buffer has been allocated.
class StreamReader final : public BmpReader {
  public:
    StreamReader(const uint8_t* data, size_t size) : data_(data), left_(size) {}
    size_t read(unsigned char* dst, size_t n) override {
        const size_t count = n < left_ ? n : left_;
        if (count > 0) {
            std::memcpy(dst, data_, count);
        }
        data_ += count;
        left_ -= count;
        return count;
    }

  private:
    const uint8_t* data_;
    size_t left_;
};

std::string broken(const std::string& what, const std::string& got) {
    return what + " (got " + got + ")";
}

// "" if `image`, decoded with `status` from `data`, keeps the promises.
std::string check(BmpStatus status, const BmpImage& image, const uint8_t* data, size_t size) {
    if (status == BmpStatus::cannot_open) {
        return "an input in hand is never 'cannot open'";
    }
    if (status != BmpStatus::ok) {
        if (image.width != 0 || image.row_stride != 0 || image.pixels != nullptr) {
            return broken("a refused input leaves the image empty",
                          "width " + std::to_string(image.width));
        }
        return "";
    }
    const int32_t w = image.width;
    if (w < 1 || w > bmp_max_width) {
        return broken("width in 1..16384", std::to_string(w));
    }
    const size_t stride = (size_t(w) * 3 + 3) & ~size_t(3);
    if (image.row_stride != stride) {
        return broken("row stride " + std::to_string(stride), std::to_string(image.row_stride));
    }
    const size_t bytes = stride * size_t(w);
    if (size < 54 + bytes) {
        return broken("an input of at least 54 + " + std::to_string(bytes) + " bytes",
                      std::to_string(size));
    }
    if (image.pixels == nullptr) {
        return "an accepted image has pixels";
    }
    // Reads every byte of the buffer, so that a buffer shorter than stride * w shows as an
    // overflow under the address sanitizer.
    const uint8_t* stored = data + 54;
    for (size_t row = 0; row < size_t(w); ++row) {
        for (size_t i = 0; i < stride; ++i) {
            const size_t column = i / 3;
            size_t from = row * stride + i; // fill bytes stay where they are
            if (column < size_t(w)) {
                from = row * stride + column * 3 + (2 - i % 3);
            }
            const unsigned char got = image.pixels[row * stride + i];
            if (got != stored[from]) {
                return broken("pixel byte " + std::to_string(row * stride + i) + " is " +
                                  std::to_string(stored[from]),
                              std::to_string(got));
            }
        }
    }
    return "";
}

} // namespace

std::string bmp_broken_promise(const uint8_t* data, size_t size) {
    BmpImage from_memory;
    const BmpStatus memory_status = decode_bmp(data, size, from_memory);
    std::string problem = check(memory_status, from_memory, data, size);
    if (!problem.empty()) {
        return "from memory: " + problem;
    }

    BmpImage from_stream;
    StreamReader stream(data, size);
    const BmpStatus stream_status = decode_bmp(stream, from_stream);
    if (stream_status != memory_status) {
        return broken("stream and memory agree on the status",
                      std::to_string(int(stream_status)) + " against " +
                          std::to_string(int(memory_status)));
    }
    problem = check(stream_status, from_stream, data, size);
    return problem.empty() ? "" : "from a stream: " + problem;
}
