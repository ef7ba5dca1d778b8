// Brush blocks and their plane lines, in the three-point form of the map text.
#include <algorithm>
#include <array>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "converter/output/brush.h"
#include "converter/output/output.h"

namespace {

bool Collinear(const Point3& a, const Point3& b, const Point3& c) {
    int64_t ux = b.x - a.x, uy = b.y - a.y, uz = b.z - a.z;
    int64_t vx = c.x - a.x, vy = c.y - a.y, vz = c.z - a.z;
    return uy * vz - uz * vy == 0 && uz * vx - ux * vz == 0 && ux * vy - uy * vx == 0;
}

// The text of every number below 10000 followed by a blank, left-aligned in
// eight bytes, its length in the last.
constexpr int kTabledNumbers = 10000;
struct NumberText {
    char bytes[8];
};
constexpr auto kNumberTexts = [] {
    std::array<NumberText, kTabledNumbers> texts{};
    for (int value = 0; value < kTabledNumbers; value++) {
        char digits[4];
        int length = 0;
        for (int rest = value; length == 0 || rest > 0; rest /= 10)
            digits[length++] = static_cast<char>('0' + rest % 10);
        NumberText& text = texts[static_cast<size_t>(value)];
        for (int i = 0; i < length; i++) text.bytes[i] = digits[length - 1 - i];
        text.bytes[length] = ' ';
        text.bytes[7] = static_cast<char>(length + 1);
    }
    return texts;
}();

// Puts the decimal number and a blank at `at` (with room for 21 more bytes);
// gives the end. Most numbers of a map are small (the unit vectors of floor
// planes, heights, offsets, coordinates), so those of up to four digits are
// copied from a table.
char* PutNumber(char* at, int64_t value) {
    uint64_t magnitude = static_cast<uint64_t>(value);
    if (value < 0) {
        *at++ = '-';
        magnitude = 0 - magnitude;
    }
    if (magnitude < kTabledNumbers) {
        const NumberText& text = kNumberTexts[magnitude];
        std::memcpy(at, text.bytes, sizeof text.bytes);
        return at + text.bytes[7];
    }
    at = std::to_chars(at, at + 20, magnitude).ptr;
    *at++ = ' ';
    return at;
}

// The text of the two scales at the end of a plane line, "%f %f".
struct ScaleText {
    uint64_t key;    // bits of the texture scale (high half) and the map scale
    char text[128];  // the formatted pair
    size_t length;   // characters in text
};

// Nearly every plane of a level carries one of two pairs (1 or -1 with the
// map scale), so the texts of the last few pairs are kept.
std::string_view FormatScales(float texture_scale, float scale) {
    constexpr int kKept = 4;
    static ScaleText kept[kKept];
    static int kept_count = 0;
    static int next_slot = 0;
    const uint64_t key = (static_cast<uint64_t>(std::bit_cast<uint32_t>(texture_scale)) << 32) |
                         std::bit_cast<uint32_t>(scale);
    for (int i = 0; i < kept_count; i++)
        if (kept[i].key == key) return std::string_view(kept[i].text, kept[i].length);
    ScaleText& slot = kept[next_slot];
    next_slot = (next_slot + 1) % kKept;
    if (kept_count < kKept) kept_count++;
    const int length =
        std::snprintf(slot.text, sizeof slot.text, "%f %f", static_cast<double>(texture_scale),
                      static_cast<double>(scale));
    slot.key = key;
    slot.length =
        length < 0 ? 0 : std::min<size_t>(static_cast<size_t>(length), sizeof slot.text - 1);
    return std::string_view(slot.text, slot.length);
}

}  // namespace

OpenBrush open_brush;

namespace {

// The material name of the plane before, as given and as written.
struct NameMemo {
    std::string given;    // as handed to WriteBrush
    std::string written;  // made quotable
    bool bare;            // written without quotes
};

NameMemo name_memo;

}  // namespace

void ForgetMaterialNames() {
    name_memo = NameMemo{};
    for (BrushPlane& plane : open_brush.planes) plane.material.clear();
}

namespace {

// The most bytes PlaneText puts down for `plane`, whose scales read `scales`.
size_t MostPlaneText(const BrushPlane& plane, std::string_view scales) {
    return 2 + 3 * (4 + 3 * 21) + plane.material.size() + 3 + 2 * 21 + 2 + scales.size() + 2;
}

// Puts the plane's line, "  ( x y z ) ( x y z ) ( x y z ) material xoff yoff
// 0 %f %f" and CR LF, at `at` (with room for MostPlaneText); gives its end.
// Put together by hand: the map holds one such line per plane, and
// printf-style formatting of it was most of the converter's time.
char* PlaneText(char* at, const BrushPlane& plane, std::string_view scales) {
    *at++ = ' ';
    *at++ = ' ';
    for (int i = 0; i < 3; i++) {
        *at++ = '(';
        *at++ = ' ';
        at = PutNumber(at, plane.points[i].x);
        at = PutNumber(at, plane.points[i].y);
        at = PutNumber(at, plane.points[i].z);
        *at++ = ')';
        *at++ = ' ';
    }
    if (plane.bare) {
        at = std::copy(plane.material.begin(), plane.material.end(), at);
    } else {
        *at++ = '"';
        at = std::copy(plane.material.begin(), plane.material.end(), at);
        *at++ = '"';
    }
    *at++ = ' ';
    at = PutNumber(at, plane.x_offset);
    at = PutNumber(at, plane.y_offset);
    *at++ = '0';
    *at++ = ' ';
    at = std::copy(scales.begin(), scales.end(), at);
    *at++ = '\r';
    *at++ = '\n';
    return at;
}

// The brush block of the open brush in the three-point form; gives its text,
// which stays until the next call.
std::string_view PlaneBlock() {
    static std::vector<char> block;  // kept for its room
    const float scale = convert_options.map_scale;
    // The scales' text is at most the room of ScaleText's.
    const std::string_view longest_scales(nullptr, sizeof(ScaleText{}.text));
    size_t most = 4 + 4;
    for (size_t i = 0; i < open_brush.plane_count; i++)
        most += MostPlaneText(open_brush.planes[i], longest_scales);
    if (block.size() < most) block.resize(most);
    char* at = block.data();
    at = std::copy_n(" {\r\n", 4, at);
    // Planes in a row mostly carry the same scales: their text is looked up
    // only when they change (the last text looked up stays where it is).
    float last_scale = 0.0f;
    std::string_view scales;
    for (size_t i = 0; i < open_brush.plane_count; i++) {
        const BrushPlane& plane = open_brush.planes[i];
        if (i == 0 ||
            std::bit_cast<uint32_t>(plane.texture_scale) != std::bit_cast<uint32_t>(last_scale)) {
            last_scale = plane.texture_scale;
            scales = FormatScales(plane.texture_scale, scale);
        }
        at = PlaneText(at, plane, scales);
    }
    at = std::copy_n(" }\r\n", 4, at);
    return std::string_view(block.data(), static_cast<size_t>(at - block.data()));
}

}  // namespace

void PutPlaneLine(std::string& text, const BrushPlane& plane) {
    const std::string_view scales = FormatScales(plane.texture_scale, convert_options.map_scale);
    std::vector<char> line(MostPlaneText(plane, scales));
    const char* end = PlaneText(line.data(), plane, scales);
    text.append(line.data(), static_cast<size_t>(end - line.data()));
}

int32_t ScaleCoordinate(int32_t value) {
    double product =
        std::trunc(static_cast<double>(value) * static_cast<double>(convert_options.map_scale));
    // Products beyond the 32-bit range are held at its ends; not-a-number is 0.
    if (std::isnan(product)) return 0;
    if (product > 2147483647.0) return 2147483647;
    if (product < -2147483648.0) return -2147483647 - 1;
    return static_cast<int32_t>(product);
}

void WriteBrush(int32_t x1, int32_t h1, int32_t y1, int32_t x2, int32_t h2, int32_t y2, int32_t x3,
                int32_t h3, int32_t y3, const std::string& material, int32_t x_offset,
                int32_t y_offset, float scale_factor) {
    const float scale = convert_options.map_scale;
    if (open_brush.plane_count == open_brush.planes.size()) open_brush.planes.emplace_back();
    BrushPlane& plane = open_brush.planes[open_brush.plane_count++];
    if (scale == 1.0f) {
        // A scale of 1 keeps every coordinate. (Each part is stored on its
        // own: a copy of whole points through the stack stalls the processor
        // on every plane.)
        plane.points[0].x = x1;
        plane.points[0].y = y1;
        plane.points[0].z = h1;
        plane.points[1].x = x2;
        plane.points[1].y = y2;
        plane.points[1].z = h2;
        plane.points[2].x = x3;
        plane.points[2].y = y3;
        plane.points[2].z = h3;
    } else {
        const Point3 given[3] = {{x1, y1, h1}, {x2, y2, h2}, {x3, y3, h3}};
        Point3 out[3];
        for (int i = 0; i < 3; i++) {
            out[i] = {ScaleCoordinate(static_cast<int32_t>(given[i].x)),
                      ScaleCoordinate(static_cast<int32_t>(given[i].y)),
                      ScaleCoordinate(static_cast<int32_t>(given[i].z))};
        }
        // Below a scale of 1 the small helper triangles of a plane can
        // collapse into a line once truncated, which would lose the plane.
        // Keep its orientation instead: the scaled first point plus the
        // unscaled sides.
        if (scale > 0.0f && Collinear(out[0], out[1], out[2]) &&
            !Collinear(given[0], given[1], given[2])) {
            for (int i = 1; i < 3; i++) {
                out[i] = {out[0].x + given[i].x - given[0].x, out[0].y + given[i].y - given[0].y,
                          out[0].z + given[i].z - given[0].z};
            }
        }
        for (int i = 0; i < 3; i++) plane.points[i] = out[i];
    }
    // The slot usually held the same material in the brush before.
    const std::string_view name(material.c_str());  // up to the first NUL, as %s
    if (plane.material != name) {
        // Or it is the name of the plane before.
        std::string& last_given = name_memo.given;
        std::string& last_written = name_memo.written;
        bool& last_bare = name_memo.bare;
        if (name != last_given) {
            last_given.assign(name);
            last_written.assign(name);
            NameForm form = ClassifyName(last_written);
            if (form == NameForm::kUnquotable) {
                MakeQuotable(last_written);
                form = ClassifyName(last_written);
            }
            last_bare = form == NameForm::kBare;
        }
        plane.material = last_written;
        plane.bare = last_bare;
    }
    plane.x_offset = x_offset;
    plane.y_offset = y_offset;
    plane.texture_scale = scale_factor * scale;
    plane.framed = false;
}

void BeginBrush(BrushOwner owner, int32_t index) {
    open_brush.plane_count = 0;
    open_brush.owner = owner;
    open_brush.owner_index = index;
}

bool EndBrush(bool counted) {
    const BrushFault fault = map_writer.check_brushes
                                 ? CheckBrush(open_brush.planes.data(), open_brush.plane_count)
                                 : BrushFault::kNone;
    if (fault != BrushFault::kNone) {
        LeaveOutBrush(open_brush.owner, open_brush.owner_index, fault);
        NoteEntityBrush(false);
        return false;
    }
    if (OptionSet(kOptBrushDef3)) {
        std::string& text = open_brush.text;
        text.assign(" {\r\n  brushDef3\r\n  {\r\n");
        for (size_t i = 0; i < open_brush.plane_count; i++)
            PutBrushDef3Line(text, open_brush.planes[i]);
        text.append("  }\r\n }\r\n");
        MapWriteEndedLine(text);
    } else {
        MapWriteEndedLine(PlaneBlock());
    }
    NoteEntityBrush(true);
    if (counted) {
        map_writer.brush_count++;
        map_writer.plane_count += static_cast<int32_t>(open_brush.plane_count);
    }
    return true;
}
