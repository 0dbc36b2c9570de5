// FNV-1a over the particles' bytes as stored on a little-endian machine.
#include "support/state_hash.h"

#include <cstring>

uint64_t state_hash(const JellyBody& body) {
    uint64_t hash = 14695981039346656037ull;
    for (const Particle& p : body.particles) {
        for (float value :
             {p.position.x, p.position.y, p.position.z, p.velocity.x, p.velocity.y, p.velocity.z}) {
            uint32_t bits;
            std::memcpy(&bits, &value, sizeof bits);
            for (int byte = 0; byte < 4; ++byte) {
                hash = (hash ^ ((bits >> (8 * byte)) & 0xffu)) * 1099511628211ull;
            }
        }
    }
    return hash;
}

// Digit by digit rather than through printf, whose formatter would add some 9 KB to the
// page's module.
std::string state_hash_text(const JellyBody& body) {
    const uint64_t hash = state_hash(body);
    std::string text(16, '0');
    for (int digit = 0; digit < 16; ++digit) {
        text[size_t(digit)] = "0123456789abcdef"[hash >> (60 - 4 * digit) & 0xfu];
    }
    return text;
}
