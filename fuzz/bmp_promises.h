// What the BMP decoder promises for any input whatever, checked from the outside: shared by
// the fuzz target and the unit test that replays its corpus and past findings.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// Decodes `data` from memory and again as a stream of unknown length, and checks both
// results: on success the width is 1..16384, the row stride is 3 w rounded up to 4, the
// input held 54 + stride * w bytes and every pixel byte is the stored one with blue and red
// exchanged (fill bytes as stored); on failure the image is empty; and both ways agree.
// Returns "" when every promise holds, else what was broken.
std::string bmp_broken_promise(const uint8_t* data, size_t size);
