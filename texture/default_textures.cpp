// Default texture art. Only +, -, *, / and sqrt are used (all correctly rounded under
// IEEE-754, with contraction off), so every machine produces the same bytes.
#include "texture/default_textures.h"

#include <cmath>

namespace {

struct Rgb {
    double r, g, b;
};

Rgb operator+(Rgb a, Rgb b) {
    return {a.r + b.r, a.g + b.g, a.b + b.b};
}
Rgb operator*(Rgb a, double k) {
    return {a.r * k, a.g * k, a.b * k};
}

double clamp01(double x) {
    return x < 0.0 ? 0.0 : (x > 1.0 ? 1.0 : x);
}

Rgb mix(Rgb a, Rgb b, double k) {
    return a * (1.0 - k) + b * k;
}

double smoothstep(double edge0, double edge1, double x) {
    const double t = clamp01((x - edge0) / (edge1 - edge0));
    return t * t * (3.0 - 2.0 * t);
}

double power(double x, int n) {
    double result = 1.0;
    for (int i = 0; i < n; ++i) {
        result *= x;
    }
    return result;
}

void store(unsigned char* pixel, Rgb c) {
    pixel[0] = (unsigned char)(clamp01(c.r) * 255.0 + 0.5);
    pixel[1] = (unsigned char)(clamp01(c.g) * 255.0 + 0.5);
    pixel[2] = (unsigned char)(clamp01(c.b) * 255.0 + 0.5);
}

// Pixel centre to [-1, 1].
double centred(int32_t i) {
    return (double(i) + 0.5) / double(default_texture_size) * 2.0 - 1.0;
}

// --- Cube: sphere map ---------------------------------------------------------------------
//
// A texel at disc position (u, v) is seen on a surface whose eye-space normal is
// n = (u, v, sqrt(1 - u^2 - v^2)); looking along -z, the eye ray reflects to
// R = (2 nz u, 2 nz v, 2 nz^2 - 1). v grows upwards (rows are stored bottom to top).

struct Dir {
    double x, y, z;
};

Dir reflection(double u, double v) {
    const double nz = std::sqrt(clamp01(1.0 - u * u - v * v));
    return {2.0 * nz * u, 2.0 * nz * v, 2.0 * nz * nz - 1.0};
}

double dot(Dir a, Dir b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}

// The surroundings the jelly reflects: a bright soft sky over a dark warm floor.
Rgb environment(Dir r) {
    const Rgb zenith{0.80, 0.86, 0.98};
    const Rgb horizon{1.00, 0.97, 0.92};
    const Rgb ground_near{0.45, 0.40, 0.36};
    const Rgb ground_far{0.14, 0.12, 0.12};
    if (r.y >= 0.0) {
        return mix(horizon, zenith, std::sqrt(r.y));
    }
    const Rgb ground = mix(ground_near, ground_far, smoothstep(0.0, 0.6, -r.y));
    return mix(horizon, ground, smoothstep(0.0, 0.25, -r.y)); // soft horizon line
}

Rgb jelly_texel(double u, double v) {
    double d2 = u * u + v * v;
    if (d2 > 1.0) {
        // Outside the disc: continue the rim so filtering across it sees no seam.
        const double k = 1.0 / std::sqrt(d2);
        u *= k;
        v *= k;
        d2 = 1.0;
    }
    const double facing = std::sqrt(clamp01(1.0 - d2)); // cosine between normal and view
    const Dir r = reflection(u, v);

    // Body colour: deep at grazing angles, where the eye looks through more jelly, and
    // glowing where light passing through from above comes out facing the eye.
    const Rgb deep{0.36, 0.01, 0.07};
    const Rgb mid{0.84, 0.08, 0.20};
    const Rgb glow{1.00, 0.42, 0.46};
    Rgb body = mix(deep, mid, smoothstep(0.0, 0.75, facing));
    const double inner = smoothstep(0.45, 1.0, facing) * clamp01(0.55 - 0.45 * v);
    body = mix(body, glow, inner);

    // Schlick-like reflectance, raised at normal incidence for a glossier look and held
    // below 0.7 at the rim so silhouettes keep the jelly's colour.
    const double fresnel = 0.08 + 0.62 * power(1.0 - facing, 3);
    Rgb c = mix(body, environment(r), fresnel);

    // Highlights: a key light up left and a small fill low right that the side faces
    // sweep past as the camera circles.
    const Dir key = reflection(-0.32, 0.42);
    const Dir fill = reflection(0.62, -0.38);
    const double key_dot = clamp01(dot(r, key));
    const double fill_dot = clamp01(dot(r, fill));
    const double sparkle =
        power(key_dot, 64) + 0.18 * power(key_dot, 8) + 0.45 * power(fill_dot, 96);
    c = c + Rgb{1.0, 0.98, 0.95} * sparkle;
    return c;
}

// --- Floor: tiles ---------------------------------------------------------------------------

constexpr int32_t tile_size = 16; // pixels; 16 tiles per side

// Integer hash to [0, 1): the same on every machine.
double noise(uint32_t x, uint32_t y, uint32_t salt) {
    uint32_t h = x * 0x8da6b343u ^ y * 0xd8163841u ^ salt * 0xcb1ab31fu;
    h ^= h >> 16;
    h *= 0x7feb352du;
    h ^= h >> 15;
    h *= 0x846ca68bu;
    h ^= h >> 16;
    return double(h >> 8) / double(1u << 24);
}

Rgb floor_texel(int32_t x, int32_t y) {
    const int32_t tx = x / tile_size;
    const int32_t ty = y / tile_size;
    const int32_t lx = x % tile_size;
    const int32_t ly = y % tile_size;
    const double grain = noise(uint32_t(x), uint32_t(y), 1) - 0.5; // per pixel

    // One pixel of grout along each tile's left and bottom edge.
    if (lx == 0 || ly == 0) {
        const Rgb grout{0.40, 0.38, 0.36};
        return grout * (1.0 + 0.10 * grain);
    }

    const Rgb cream{0.92, 0.88, 0.80};
    const Rgb sand{0.76, 0.68, 0.58};
    Rgb c = ((tx + ty) & 1) != 0 ? sand : cream;
    const double tone = noise(uint32_t(tx), uint32_t(ty), 2) - 0.5; // per tile
    c = c * (1.0 + 0.06 * tone + 0.05 * grain);

    // A bevel one pixel wide: lit along the top and left edges, shaded along the others.
    if (ly == tile_size - 1 || lx == 1) {
        c = c * 1.07;
    } else if (ly == 1 || lx == tile_size - 1) {
        c = c * 0.88;
    }
    return c;
}

} // namespace

RgbImage make_cube_texture() {
    RgbImage image(default_texture_size, default_texture_size);
    for (int32_t y = 0; y < image.height; ++y) {
        for (int32_t x = 0; x < image.width; ++x) {
            store(image.pixel(x, y), jelly_texel(centred(x), centred(y)));
        }
    }
    return image;
}

RgbImage make_floor_texture() {
    RgbImage image(default_texture_size, default_texture_size);
    for (int32_t y = 0; y < image.height; ++y) {
        for (int32_t x = 0; x < image.width; ++x) {
            store(image.pixel(x, y), floor_texel(x, y));
        }
    }
    return image;
}
