// The lattice step written term by term, exactly as its arithmetic is defined. It is the
// yardstick the fast step in sim/ must match bit for bit; the program does not use it.
#pragma once

#include "sim/jelly_body.h"

// Advances every particle of `body` by one sub-step of dt seconds.
void reference_step(JellyBody& body, float dt);
