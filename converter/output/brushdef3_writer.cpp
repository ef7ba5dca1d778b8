// Brush sides in Doom 3's own form: each plane as Doom 3 computes it from the
// three points of the plane line, and a texture matrix that lays the texture
// as Doom draws it.
#include <algorithm>
#include <array>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

#include "converter/output/brush.h"
#include "converter/output/output.h"

namespace {

// The seeds of Doom 3's reciprocal square root: 8 mantissa bits of
// 1 / sqrt(x), by the low exponent bit and the top 8 mantissa bits of x.
std::array<uint32_t, 512> MakeRootSeeds() {
    std::array<uint32_t, 512> seeds{};
    for (uint32_t i = 0; i < 512; i++) {
        const float in = std::bit_cast<float>((126u << 23) | (i << 15));
        const float out = 1.0f / std::sqrt(in);
        seeds[i] = (std::bit_cast<uint32_t>(out) + (1u << 13)) & 0x7F8000u;
    }
    seeds[256] = 0xFFu << 15;
    return seeds;
}

const std::array<uint32_t, 512> kRootSeeds = MakeRootSeeds();

// Doom 3's reciprocal square root (idMath::InvSqrt): a seed from the table,
// then two Newton steps in double. Its last bit differs from 1 / sqrtf now
// and then, and the plane must be Doom 3's own.
float InverseRoot(float x) {
    const uint32_t bits = std::bit_cast<uint32_t>(x);
    const double half = static_cast<double>(x * 0.5f);
    const uint32_t seed =
        (((380u - ((bits >> 23) & 0xFFu)) >> 1) << 23) | kRootSeeds[(bits >> 15) & 0x1FFu];
    double r = static_cast<double>(std::bit_cast<float>(seed));
    r = r * (1.5 - r * r * half);
    r = r * (1.5 - r * r * half);
    return static_cast<float>(r);
}

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

constexpr double kPowersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8, 1e9,
                                   1e10, 1e11, 1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18};

// Puts the number with nine significant digits, without an exponent and
// without trailing zeros. Nine digits lie well inside the rounding interval
// of a float, so Doom 3's number reader gets the same float back. Whole
// numbers, most of a map's, go out as integers.
char* FormatReal(char* at, double value) {
    if (value == 0.0 || !std::isfinite(value)) {
        *at++ = '0';
        return at;
    }
    const double magnitude = std::fabs(value);
    if (magnitude < 1e15 && value == std::trunc(value))
        return std::to_chars(at, at + 24, static_cast<int64_t>(value)).ptr;
    // Digits after the point: 8 less the power of ten of the leading digit.
    int decimals = 8;
    if (magnitude >= 1e9) {
        return std::to_chars(at, at + 80, value, std::chars_format::fixed, 0).ptr;
    } else if (magnitude >= 1.0) {
        for (int e = 1; e <= 8 && magnitude >= kPowersOfTen[e]; e++) decimals--;
    } else {
        decimals = 9;
        while (decimals < 18 && magnitude * kPowersOfTen[decimals - 8] < 1.0) decimals++;
        // Below 1e-10 (no plane or matrix holds such numbers): the library's digits.
        if (magnitude * kPowersOfTen[decimals - 8] < 1.0)
            return std::to_chars(at, at + 80, value, std::chars_format::fixed).ptr;
    }
    const uint64_t scaled = static_cast<uint64_t>(std::llround(magnitude * kPowersOfTen[decimals]));
    char digits[24];
    char* end = std::to_chars(digits, digits + sizeof digits, scaled).ptr;
    int length = static_cast<int>(end - digits);
    if (value < 0.0) *at++ = '-';
    if (length <= decimals) {
        // 0.000ddd: the zeros after the point first.
        *at++ = '0';
        *at++ = '.';
        for (int i = length; i < decimals; i++) *at++ = '0';
        at = std::copy(digits, end, at);
    } else {
        at = std::copy(digits, digits + (length - decimals), at);
        *at++ = '.';
        at = std::copy(digits + (length - decimals), end, at);
    }
    while (at[-1] == '0') at--;
    if (at[-1] == '.') at--;
    return at;
}

// The text of a number written before.
struct RealText {
    uint64_t bits;   // the number's bits
    uint8_t length;  // characters in text; 0: the slot is empty
    char text[23];   // the number as FormatReal puts it
};

// FormatReal through a table of the numbers written lately: a level's planes
// share few distances, and its matrices few scales and offsets.
char* PutReal(char* at, double value) {
    constexpr int kSlotBits = 11;
    static RealText kept[1 << kSlotBits];
    const uint64_t bits = std::bit_cast<uint64_t>(value);
    RealText& slot = kept[((bits ^ (bits >> 31)) * 0x9E3779B97F4A7C15u) >> (64 - kSlotBits)];
    if (slot.length != 0 && slot.bits == bits) return std::copy_n(slot.text, slot.length, at);
    char* const end = FormatReal(at, value);
    const size_t length = static_cast<size_t>(end - at);
    if (length <= sizeof slot.text) {
        slot.bits = bits;
        slot.length = static_cast<uint8_t>(length);
        std::copy(at, end, slot.text);
    }
    return end;
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
    const float inverse = InverseRoot(squared);
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
    // Doom 3 turns (0, 1, 0) and (0, 0, 1) by RotY = -atan2(nz, h) and
    // RotZ = atan2(ny, nx), h = sqrt(nx * nx + ny * ny); their sines and
    // cosines follow from the normal without the angles.
    const double h = std::sqrt(n[1] * n[1] + n[0] * n[0]);
    const double sin_z = h > 0.0 ? n[1] / h : 0.0;
    const double cos_z = h > 0.0 ? n[0] / h : 1.0;
    const double r = std::sqrt(n[2] * n[2] + h * h);
    const double sin_y = r > 0.0 ? -n[2] / r : 0.0;  // a plane of no normal: any axes
    const double cos_y = r > 0.0 ? h / r : 1.0;
    s_axis[0] = -sin_z;
    s_axis[1] = cos_z;
    s_axis[2] = 0.0;
    t_axis[0] = -sin_y * cos_z;
    t_axis[1] = -sin_y * sin_z;
    t_axis[2] = -cos_y;
}

std::string QuotedMaterial(const std::string& material) {
    std::string text;
    text.reserve(material.size() + 11);
    text.append("\"textures/").append(material).append("\"");
    return text;
}

namespace {

// The quoted forms of the last few materials written: the planes of a brush
// share one to three.
const std::string& KeptQuotedMaterial(const std::string& material) {
    struct Kept {
        std::string name;    // the material as given
        std::string quoted;  // QuotedMaterial's text of it
    };
    constexpr int kKept = 4;
    static Kept kept[kKept];
    static int next_slot = 0;
    for (Kept& k : kept)
        if (!k.quoted.empty() && k.name == material) return k.quoted;
    Kept& slot = kept[next_slot];
    next_slot = (next_slot + 1) % kKept;
    slot.name = material;
    slot.quoted = QuotedMaterial(material);
    return slot.quoted;
}

}  // namespace

void PutBrushDef3Line(std::string& text, const BrushPlane& plane) {
    const FloatPlane side = PlaneFromPoints(plane.points);
    double rows[2][3];
    const bool framed = plane.framed && convert_options.map_scale != 0.0f &&
                        plane.frame.width > 0.0 && plane.frame.height > 0.0;
    if (framed) {
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
    if (!framed) {
        // Doom 3's own matrix for planes of no particular texture.
        constexpr std::string_view kPlain = " ) ( ( 0.03125 0 0 ) ( 0 0.03125 0 ) ) ";
        at = std::copy(kPlain.begin(), kPlain.end(), at);
    } else {
        at = std::copy_n(" ) ( ( ", 7, at);
        for (int r = 0; r < 2; r++) {
            for (int k = 0; k < 3; k++) {
                at = PutReal(at, rows[r][k]);
                *at++ = ' ';
            }
            at = r == 0 ? std::copy_n(") ( ", 4, at) : std::copy_n(") ) ", 4, at);
        }
    }
    text.append(numbers, static_cast<size_t>(at - numbers));
    text += KeptQuotedMaterial(plane.material);
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
