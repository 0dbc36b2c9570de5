// Small BMP files of our own, good and broken, that put the fuzzer next to every branch of
// the decoder; the unit tests replay them too.
#pragma once

#include <string>
#include <utility>
#include <vector>

// Name (no extension) and bytes of each seed file.
std::vector<std::pair<std::string, std::vector<unsigned char>>> bmp_seed_files();
