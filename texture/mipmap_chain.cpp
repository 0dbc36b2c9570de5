// Mipmap chains: the power-of-two fit, the box-filter scaling and the 2 x 2 halving.
#include "texture/mipmap_chain.h"

#include <algorithm>
#include <cstddef>

int32_t mipmap_base_side(int32_t width, int32_t max_side) {
    // The top two bits decide: 1x... rounds down to the top bit, 11... up to the next one.
    int32_t side = 1;
    uint32_t rest = uint32_t(width);
    while (rest > 1 && rest != 3) {
        rest >>= 1;
        side *= 2;
    }
    if (rest == 3) {
        side *= 4;
    }
    while (side > max_side && side > 1) {
        side /= 2;
    }
    return side;
}

std::vector<unsigned char> scale_box(const unsigned char* rgb, int32_t from_side,
                                     size_t from_row_stride, int32_t to_side) {
    // Work in units of 1 / to_side of an old pixel, so every edge falls on a whole unit: new
    // pixel j spans [j F, (j + 1) F) and old pixel x spans [x T, (x + 1) T), F and T being the
    // old and new sides. Weights are then exact integers and a pixel's weights sum to F^2.
    const int64_t from = from_side, to = to_side;
    std::vector<unsigned char> out(size_t(to) * size_t(to) * 3);
    struct Span {
        int32_t first; // first old pixel touched
        int32_t count; // old pixels touched
        int64_t head;  // weight of the first
        int64_t tail;  // weight of the last (when count > 1)
    };
    const auto span_of = [&](int64_t j) {
        const int64_t begin = j * from, end = (j + 1) * from;
        Span span{int32_t(begin / to), 0, 0, 0};
        const int64_t last = (end - 1) / to;
        span.count = int32_t(last - span.first + 1);
        span.head = (span.count == 1 ? end : (span.first + 1) * to) - begin;
        span.tail = end - last * to;
        return span;
    };
    const auto weight = [&to](const Span& span, int32_t k) {
        return k == 0 ? span.head : k == span.count - 1 ? span.tail : to;
    };
    const int64_t area = from * from;
    for (int64_t i = 0; i < to; ++i) {
        const Span rows = span_of(i);
        for (int64_t j = 0; j < to; ++j) {
            const Span columns = span_of(j);
            int64_t sum[3] = {0, 0, 0};
            for (int32_t a = 0; a < rows.count; ++a) {
                const unsigned char* row = rgb + size_t(rows.first + a) * from_row_stride;
                const int64_t wy = weight(rows, a);
                for (int32_t b = 0; b < columns.count; ++b) {
                    const unsigned char* p = row + size_t(columns.first + b) * 3;
                    const int64_t w = wy * weight(columns, b);
                    sum[0] += p[0] * w;
                    sum[1] += p[1] * w;
                    sum[2] += p[2] * w;
                }
            }
            unsigned char* q = &out[(size_t(i) * size_t(to) + size_t(j)) * 3];
            for (int c = 0; c < 3; ++c) {
                q[c] = (unsigned char)((sum[c] * 2 + area) / (area * 2)); // nearest, halves up
            }
        }
    }
    return out;
}

namespace {

MipmapLevel halve(const MipmapLevel& level) {
    MipmapLevel next;
    next.side = level.side / 2;
    next.rgb.resize(size_t(next.side) * size_t(next.side) * 3);
    const size_t stride = size_t(level.side) * 3;
    for (int32_t y = 0; y < next.side; ++y) {
        const unsigned char* top = &level.rgb[size_t(2 * y) * stride];
        const unsigned char* bottom = top + stride;
        unsigned char* q = &next.rgb[size_t(y) * size_t(next.side) * 3];
        for (int32_t x = 0; x < next.side; ++x, q += 3) {
            const size_t left = size_t(2 * x) * 3, right = left + 3;
            for (size_t c = 0; c < 3; ++c) {
                const int sum =
                    top[left + c] + top[right + c] + bottom[left + c] + bottom[right + c];
                q[c] = (unsigned char)((sum + 2) / 4);
            }
        }
    }
    return next;
}

} // namespace

std::vector<MipmapLevel> build_mipmap_chain(const BmpImage& image, int32_t max_side) {
    std::vector<MipmapLevel> chain;
    MipmapLevel base;
    base.side = mipmap_base_side(image.width, max_side);
    if (base.side == image.width) {
        // Copied without the fill bytes at each row's end.
        base.rgb.resize(size_t(base.side) * size_t(base.side) * 3);
        const size_t row_bytes = size_t(base.side) * 3;
        for (int32_t y = 0; y < base.side; ++y) {
            const unsigned char* from = image.pixels.get() + size_t(y) * image.row_stride;
            std::copy(from, from + row_bytes, &base.rgb[size_t(y) * row_bytes]);
        }
    } else {
        base.rgb = scale_box(image.pixels.get(), image.width, image.row_stride, base.side);
    }
    chain.push_back(std::move(base));
    while (chain.back().side > 1) {
        chain.push_back(halve(chain.back()));
    }
    return chain;
}
