// One line that names a body's state: the same bits give the same hash on every machine.
#pragma once

#include "sim/jelly_body.h"

#include <cstdint>
#include <string>

// FNV-1a, 64 bits, over particles 0..124 in order, each as x, y, z, vx, vy, vz in
// little-endian float32, whatever the machine's own byte order.
uint64_t state_hash(const JellyBody& body);
// The hash as 16 lowercase hex digits.
std::string state_hash_text(const JellyBody& body);
