// Floor construction.
#include "mesh/floor_mesh.h"

#include <cstddef>

void build_floor_mesh(GridMesh& floor) {
    constexpr int32_t size = 30;
    floor.resize(size);
    for (int32_t i = 0; i < size; ++i) {
        for (int32_t j = 0; j < size; ++j) {
            Vec3& p =
                floor.vertices[std::size_t(i) * std::size_t(floor.n) + std::size_t(j)].position;
            // x is worked out in single precision on purpose: some columns land a few
            // units in the last place off the whole number (column 8 gives -6.9999995).
            p.x = (float(j) / 30.0f - 0.5f) * 30.0f;
            p.y = 0.0f;
            p.z = float((i / 30.0 - 0.5) * 30.0); // exact in double
        }
    }
    floor.compute_normals();
}
