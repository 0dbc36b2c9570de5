// jellycube-make-textures OUTDIR: writes the default OUTDIR/cub.bmp and OUTDIR/floor.bmp.
// jellycube-make-textures --version: prints its name and version.
#include "texture/bmp_writer.h"
#include "texture/default_textures.h"

#include <cstdio>
#include <string>

int main(int argc, char** argv) {
    if (argc == 2 && std::string(argv[1]) == "--version") {
        std::printf("jellycube-make-textures %s\n", JELLY_VERSION);
        return std::fflush(stdout) == 0 ? 0 : 1;
    }
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTDIR\n", argc > 0 ? argv[0] : "jellycube-make-textures");
        return 2;
    }
    const std::string dir = argv[1];
    const struct {
        const char* name;
        RgbImage image;
    } textures[] = {{"cub.bmp", make_cube_texture()}, {"floor.bmp", make_floor_texture()}};
    for (const auto& texture : textures) {
        const std::string path = dir + "/" + texture.name;
        if (!write_file(path, encode_bmp24(texture.image))) {
            std::fprintf(stderr, "cannot write %s\n", path.c_str());
            return 1;
        }
    }
    return 0;
}
