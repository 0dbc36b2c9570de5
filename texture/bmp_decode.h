// Decoding of 24-bit BMP files into RGB pixel rows, apart from OpenGL and from process exit,
// so the same code serves the loader, the tests and the fuzz target.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

enum class BmpStatus {
    ok,
    cannot_open,    // the file could not be opened for reading
    invalid_format, // anything else: bit count, width, short file, no memory
};

// Widest image accepted (pixels). Its pixel data, 49152 x 16384 bytes, stays far below
// 2^32, so no size computation can overflow even with a 32-bit size_t.
constexpr int32_t bmp_max_width = 16384;

// Bytes per pixel row: 3 per pixel, rounded up to a multiple of 4 as in the file. This is
// also what OpenGL's initial unpack alignment of 4 expects. Needs 0 < width <= bmp_max_width.
inline size_t bmp_row_stride(int32_t width) {
    return (size_t(width) * 3 + 3) & ~size_t(3);
}

// A decoded image: width x width pixels, whatever height the file claims.
struct BmpImage {
    int32_t width = 0;     // pixels, 1 to bmp_max_width; 0 when empty
    size_t row_stride = 0; // bytes, bmp_row_stride(width)
    // width rows of row_stride bytes, red, green, blue per pixel, in the file's row order
    // (first stored row first); the fill bytes at each row's end are kept as read.
    std::unique_ptr<unsigned char[]> pixels;
};

// A byte source read once from front to back.
class BmpReader {
  public:
    // Copies up to n bytes into dst and returns how many it copied; fewer means the end.
    virtual size_t read(unsigned char* dst, size_t n) = 0;
    // Bytes left if known, else SIZE_MAX. Lets a short input be refused before the pixel
    // buffer is allocated.
    virtual size_t remaining() const { return SIZE_MAX; }

  protected:
    ~BmpReader() = default;
};

// Reads the 14-byte file header, the 40-byte info header and then the pixel data from
// byte 54, in three reads. Only biWidth (offset 18) and biBitCount (offset 28) are used;
// the signature, bfOffBits and biHeight are not. On anything but ok, `out` is left empty.
BmpStatus decode_bmp(BmpReader& in, BmpImage& out);

// The same from a buffer of `size` bytes; bytes past the pixel data are ignored.
BmpStatus decode_bmp(const unsigned char* data, size_t size, BmpImage& out);

// The same from the file `name`, opened with mode "rb".
BmpStatus read_bmp_file(const char* name, BmpImage& out);

// The one line a program shows for a `status` other than ok: "can't open NAME"
// (cannot_open) or "invalid format of NAME" (anything else, and a texture that decodes but
// cannot be uploaded).
std::string bmp_failure_line(const char* name, BmpStatus status);
