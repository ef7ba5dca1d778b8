// Brush sides in Doom 3's own form: each plane as Doom 3 computes it from the
// three points of the plane line, and a texture matrix that lays the texture
// as Doom draws it.
#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>

#include "converter/output/brush.h"
#include "converter/output/output.h"

namespace {

// Doom 3's reciprocal square root (idMath::InvSqrt): a seed from a 512-entry
// table of 8-bit mantissas, then two Newton steps in double. Its last bit
// differs from 1 / sqrtf now and then, and the plane must be Doom 3's own.
class InverseRoot {
public:
    InverseRoot() {
        for (uint32_t i = 0; i < 512; i++) {
            const float in = std::bit_cast<float>((126u << 23) | (i << 15));
            const float out = 1.0f / std::sqrt(in);
            table_[i] = (std::bit_cast<uint32_t>(out) + (1u << 13)) & 0x7F8000u;
        }
        table_[256] = 0xFFu << 15;
    }
    float operator()(float x) const {
        const uint32_t bits = std::bit_cast<uint32_t>(x);
        const double half = static_cast<double>(x * 0.5f);
        const uint32_t seed =
            (((380u - ((bits >> 23) & 0xFFu)) >> 1) << 23) | table_[(bits >> 15) & 0x1FFu];
        double r = static_cast<double>(std::bit_cast<float>(seed));
        r = r * (1.5 - r * r * half);
        r = r * (1.5 - r * r * half);
        return static_cast<float>(r);
    }

private:
    uint32_t table_[512];  // seed mantissas, by the low exponent bit and 8 mantissa bits
};

const InverseRoot kInverseRoot;

// Doom 3's fix of a normal that is nearly one of the axes
// (idVec3::FixDegenerateNormal).
void FixDegenerateNormal(float& x, float& y, float& z) {
    if (x == 0.0f) {
        if (y == 0.0f) {
            z = z > 0.0f ? 1.0f : -1.0f;
            return;
        }
        if (z == 0.0f) {
            y = y > 0.0f ? 1.0f : -1.0f;
            return;
        }
    } else if (y == 0.0f && z == 0.0f) {
        x = x > 0.0f ? 1.0f : -1.0f;
        return;
    }
    if (std::fabs(x) == 1.0f) {
        y = z = 0.0f;
    } else if (std::fabs(y) == 1.0f) {
        x = z = 0.0f;
    } else if (std::fabs(z) == 1.0f) {
        x = y = 0.0f;
    }
}

// Puts the number with nine significant digits, without an exponent and
// without trailing zeros. Nine digits lie well inside the rounding interval
// of a float, so Doom 3's number reader gets the same float back.
char* PutReal(char* at, double value) {
    if (value == 0.0 || !std::isfinite(value)) {
        *at++ = '0';
        return at;
    }
    const int exponent = static_cast<int>(std::floor(std::log10(std::fabs(value))));
    const int decimals = std::max(0, 8 - exponent);
    at = std::to_chars(at, at + 80, value, std::chars_format::fixed, decimals).ptr;
    if (decimals > 0) {
        while (at[-1] == '0') at--;
        if (at[-1] == '.') at--;
    }
    return at;
}

double Dot(const double a[3], const double b[3]) {
    return a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
}

// One row of the texture matrix: the coordinate along `axis` in whole
// textures of `size` texels, as factors of Doom 3's texture axes plus an
// offset, for the points of the plane.
void MatrixRow(const TextureFrame& frame, const double axis[3], double size, const double normal[3],
               double distance, const double tex_s[3], const double tex_t[3], double row[3]) {
    // axis = p * tex_s + q * tex_t + c * normal, and on the plane
    // point . normal = -distance; written points are level points times scale.
    const double scale = static_cast<double>(convert_options.map_scale);
    const double p = Dot(axis, tex_s);
    const double q = Dot(axis, tex_t);
    const double c = Dot(axis, normal);
    row[0] = p / (scale * size);
    row[1] = q / (scale * size);
    double offset = (-c * distance / scale - Dot(frame.origin, axis)) / size;
    offset -= std::floor(offset);  // whole textures change nothing
    row[2] = offset;
}

}  // namespace

FloatPlane PlaneFromPoints(const Point3 (&points)[3]) {
    float p[3][3];
    for (int i = 0; i < 3; i++) {
        p[i][0] = static_cast<float>(points[i].x);
        p[i][1] = static_cast<float>(points[i].y);
        p[i][2] = static_cast<float>(points[i].z);
    }
    const float u[3] = {p[0][0] - p[1][0], p[0][1] - p[1][1], p[0][2] - p[1][2]};
    const float v[3] = {p[2][0] - p[1][0], p[2][1] - p[1][1], p[2][2] - p[1][2]};
    float x = u[1] * v[2] - u[2] * v[1];
    float y = u[2] * v[0] - u[0] * v[2];
    float z = u[0] * v[1] - u[1] * v[0];
    const float squared = x * x + y * y + z * z;
    if (!(squared > 0.0f)) return {0.0f, 0.0f, 0.0f, 0.0f};
    const float inverse = kInverseRoot(squared);
    x *= inverse;
    y *= inverse;
    z *= inverse;
    FixDegenerateNormal(x, y, z);
    const float d = -(x * p[1][0] + y * p[1][1] + z * p[1][2]);
    return {x, y, z, d};
}

void TextureAxes(const float normal[3], double s_axis[3], double t_axis[3]) {
    double n[3];
    for (int i = 0; i < 3; i++)
        n[i] = std::fabs(normal[i]) < 1e-6f ? 0.0 : static_cast<double>(normal[i]);
    const double rot_y = -std::atan2(n[2], std::sqrt(n[1] * n[1] + n[0] * n[0]));
    const double rot_z = std::atan2(n[1], n[0]);
    s_axis[0] = -std::sin(rot_z);
    s_axis[1] = std::cos(rot_z);
    s_axis[2] = 0.0;
    t_axis[0] = -std::sin(rot_y) * std::cos(rot_z);
    t_axis[1] = -std::sin(rot_y) * std::sin(rot_z);
    t_axis[2] = -std::cos(rot_y);
}

std::string QuotedMaterial(const std::string& material) {
    std::string text = "\"textures/";
    bool changed = false;
    for (char ch : material) {
        const unsigned char byte = static_cast<unsigned char>(ch);
        if (ch == '"' || byte < 0x20 || byte == 0x7F) {
            ch = '_';
            changed = true;
        }
        text += ch;
    }
    text += '"';
    if (changed && !map_writer.material_warned) {
        std::printf("WARNING: Material '%s' holds characters a map cannot quote; written as %s\n",
                    material.c_str(), text.c_str());
        map_writer.material_warned = true;
    }
    return text;
}

void PutBrushDef3Line(std::string& text, const BrushPlane& plane) {
    const FloatPlane side = PlaneFromPoints(plane.points);
    double rows[2][3] = {{0.03125, 0.0, 0.0}, {0.0, 0.03125, 0.0}};
    if (plane.framed && convert_options.map_scale != 0.0f && plane.frame.width > 0.0 &&
        plane.frame.height > 0.0) {
        const float normal_f[3] = {side.a, side.b, side.c};
        const double normal[3] = {side.a, side.b, side.c};
        double tex_s[3], tex_t[3];
        TextureAxes(normal_f, tex_s, tex_t);
        const TextureFrame& frame = plane.frame;
        MatrixRow(frame, frame.s_axis, frame.width, normal, side.d, tex_s, tex_t, rows[0]);
        MatrixRow(frame, frame.t_axis, frame.height, normal, side.d, tex_s, tex_t, rows[1]);
    }
    char numbers[16 * 84];
    char* at = numbers;
    *at++ = ' ';
    *at++ = ' ';
    *at++ = ' ';
    *at++ = '(';
    for (float value : {side.a, side.b, side.c, side.d}) {
        *at++ = ' ';
        at = PutReal(at, static_cast<double>(value));
    }
    at = std::copy_n(" ) ( ( ", 7, at);
    for (int r = 0; r < 2; r++) {
        for (int k = 0; k < 3; k++) {
            at = PutReal(at, rows[r][k]);
            *at++ = ' ';
        }
        at = r == 0 ? std::copy_n(") ( ", 4, at) : std::copy_n(") ) ", 4, at);
    }
    text.append(numbers, static_cast<size_t>(at - numbers));
    text += QuotedMaterial(plane.material);
    text.append(" 0 0 0\r\n");
}

TextureFrame FlatFrame() {
    return {{0.0, 0.0, 0.0}, {1.0, 0.0, 0.0}, {0.0, -1.0, 0.0}, 64.0, 64.0};
}

TextureFrame WallFrame(double x, double y, double top, double dx, double dy, int32_t width,
                       int32_t height) {
    return {{x, y, top},
            {dx, dy, 0.0},
            {0.0, 0.0, -1.0},
            static_cast<double>(width),
            static_cast<double>(height)};
}

void SetPlaneFrame(const TextureFrame& frame) {
    if (!OptionSet(kOptBrushDef3) || open_brush.plane_count == 0) return;
    BrushPlane& plane = open_brush.planes[open_brush.plane_count - 1];
    plane.framed = true;
    plane.frame = frame;
}
