// FNV-1a over the particles' bytes as stored on a little-endian machine.
#include "support/state_hash.h"

#include <cinttypes>
#include <cstdio>
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

std::string state_hash_text(const JellyBody& body) {
    char text[17];
    std::snprintf(text, sizeof text, "%016" PRIx64, state_hash(body));
    return text;
}
