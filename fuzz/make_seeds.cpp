// jellycube-fuzz-seeds: writes the seed corpus of the BMP fuzz target into a directory.
// Usage: jellycube-fuzz-seeds DIR
#include "fuzz/bmp_seeds.h"

#include "texture/bmp_writer.h"

#include <cstdio>
#include <string>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s DIR\n", argv[0]);
        return 2;
    }
    const std::string dir = argv[1];
    for (const auto& [name, bytes] : bmp_seed_files()) {
        if (!write_file(dir + "/" + name + ".bmp", bytes)) {
            std::fprintf(stderr, "%s: cannot write %s/%s.bmp\n", argv[0], dir.c_str(),
                         name.c_str());
            return 1;
        }
    }
    return 0;
}
