// One plane line of a brush, in the three-point form of the map text.
#include <cmath>
#include <cstdint>

#include "converter/driver/driver.h"

namespace {

struct Point3 {
    int64_t x, y, z;
};

bool Collinear(const Point3& a, const Point3& b, const Point3& c) {
    int64_t ux = b.x - a.x, uy = b.y - a.y, uz = b.z - a.z;
    int64_t vx = c.x - a.x, vy = c.y - a.y, vz = c.z - a.z;
    return uy * vz - uz * vy == 0 && uz * vx - ux * vz == 0 && ux * vy - uy * vx == 0;
}

// The coordinate times the map scale, truncated toward zero. Products beyond
// the 32-bit range (an absurd -scale) are held at its ends; not-a-number is 0.
int32_t Scale(int32_t value) {
    double product =
        std::trunc(static_cast<double>(value) * static_cast<double>(convert_options.map_scale));
    if (std::isnan(product)) return 0;
    if (product > 2147483647.0) return 2147483647;
    if (product < -2147483648.0) return -2147483647 - 1;
    return static_cast<int32_t>(product);
}

}  // namespace

void WriteBrush(int32_t x1, int32_t h1, int32_t y1, int32_t x2, int32_t h2, int32_t y2, int32_t x3,
                int32_t h3, int32_t y3, const std::string& material, int32_t x_offset,
                int32_t y_offset, float scale_factor) {
    const float scale = convert_options.map_scale;
    Point3 given[3] = {{x1, y1, h1}, {x2, y2, h2}, {x3, y3, h3}};
    Point3 out[3];
    for (int i = 0; i < 3; i++) {
        out[i] = {Scale(static_cast<int32_t>(given[i].x)), Scale(static_cast<int32_t>(given[i].y)),
                  Scale(static_cast<int32_t>(given[i].z))};
    }
    // Below a scale of 1 the small helper triangles of a plane can collapse
    // into a line once truncated, which would lose the plane. Keep its
    // orientation instead: the scaled first point plus the unscaled sides.
    if (scale > 0.0f && Collinear(out[0], out[1], out[2]) &&
        !Collinear(given[0], given[1], given[2])) {
        for (int i = 1; i < 3; i++) {
            out[i] = {out[0].x + given[i].x - given[0].x, out[0].y + given[i].y - given[0].y,
                      out[0].z + given[i].z - given[0].z};
        }
    }
    float texture_scale = scale_factor * scale;
    MapPrintf("  ( %lld %lld %lld ) ( %lld %lld %lld ) ( %lld %lld %lld ) %s %i %i 0 %f %f",
              static_cast<long long>(out[0].x), static_cast<long long>(out[0].y),
              static_cast<long long>(out[0].z), static_cast<long long>(out[1].x),
              static_cast<long long>(out[1].y), static_cast<long long>(out[1].z),
              static_cast<long long>(out[2].x), static_cast<long long>(out[2].y),
              static_cast<long long>(out[2].z), material.c_str(), x_offset, y_offset,
              static_cast<double>(texture_scale), static_cast<double>(scale));
}
