// Floor and ceiling brushes of a convex piece, with textured side planes.
//
// The floor brush fills the space from below the lowest floor of the level up
// to the piece's floor, the ceiling brush from the piece's ceiling to above the
// highest ceiling. A side plane on a two-sided line shows the neighbouring
// side's lower or upper texture, aligned as Doom aligns it; a side plane that
// cannot show is pushed outward so that neighbouring brushes overlap.
#include <cmath>
#include <numbers>

#include "converter/entities/entities.h"
#include "converter/level/level.h"
#include "converter/output/output.h"
#include "converter/surfaces/surfaces.h"

namespace {

constexpr int32_t kPlaneMargin = 4;  // floors and ceilings reach this far past the level
constexpr int kMaxSidedPiece = 256;  // a piece with more edges gets no side planes
constexpr uint16_t kLowerUnpegged = 0x10;
constexpr uint16_t kUpperUnpegged = 0x08;
constexpr double kTwoPi = 2.0 * 3.141592653589793;
constexpr int kSideShift = 2;  // how far a hidden side plane is pushed

// The first 8 characters of a sector flat, as a material name.
std::string FlatMaterial(const LumpName& flat) {
    if (flat.bytes[0] != '-') return LumpMaterial(flat);
    std::string name = LumpNameText(flat);
    if (!name.empty() && name[0] == '-') name = texture_catalog.missing_flat_name;
    name = UpperCase(name);
    MapTextureName(name);
    return name;
}

// A point of a side plane, moved by ShiftSidePlane.
struct PlanePoint {
    int32_t x;
    int32_t y;
};

// The frame of a side plane that shows the lower (mode 0) or upper (mode 1)
// texture of the side across `line`, as Doom draws it seen from the
// neighbouring sector, at the heights the sectors are stored with.
void SetStepFrame(const SectorEdge& line, const std::string& material, int mode) {
    const LineDef& linedef = level.linedefs[line.linedef];
    const SideDef& far_side = level.sidedefs[line.other_sidedef];
    const Sector& own = level.sectors[level.current_sector];
    const Sector& neighbour = level.sectors[line.other_sector];
    const uint16_t flags = static_cast<uint16_t>(linedef.flags);
    int32_t width = 0;
    int32_t height = 0;
    TrueTextureSize(LumpNameText(mode == 1 ? far_side.upper_texture : far_side.lower_texture),
                    material, width, height);
    int32_t top;
    if (mode == 0) {
        // A lower texture hangs from the near ceiling when unpegged, else from the step's top.
        top = (flags & kLowerUnpegged) ? neighbour.ceiling_height : own.floor_height;
    } else {
        // An upper texture hangs from the near ceiling when unpegged, else stands on the step.
        top = (flags & kUpperUnpegged) ? neighbour.ceiling_height : own.ceiling_height + height;
    }
    // The plane faces away from the piece: the side seen from there runs from
    // the edge's second point to its first, the line's way for its front.
    const Vertex& v1 = level.vertexes[linedef.start_vertex];
    const Vertex& v2 = level.vertexes[linedef.end_vertex];
    const int64_t along = static_cast<int64_t>(line.x1 - line.x2) * (v2.x - v1.x) +
                          static_cast<int64_t>(line.y1 - line.y2) * (v2.y - v1.y);
    SetPlaneFrame(SideFrame(line.linedef, along > 0, far_side, top, width, height));
}

}  // namespace

namespace {

// std::atan2, whose answers along the axes (exactly 0, pi or plus or minus
// pi / 2, as the C library gives them) need no call: most lines run so.
double Atan2(double y, double x) {
    if (y == 0 && x > 0) return 0.0;
    if (y == 0 && x < 0) return std::numbers::pi;
    if (x == 0 && y > 0) return std::numbers::pi / 2;
    if (x == 0 && y < 0) return -std::numbers::pi / 2;
    return std::atan2(y, x);
}

// The table degree of the push of a side plane whose line runs against
// (dx, dy), `direction` as for ShiftSidePlane. The check of a sector's cover
// and the writer ask for the same few directions over and over: the degrees
// of recent directions are kept.
int PushDegree(int32_t dx, int32_t dy, int direction) {
    struct Kept {
        int32_t dx, dy;
        int16_t degree[2];  // by direction; -1 not known yet
        bool used;
    };
    static Kept kept[256];
    const uint32_t hash =
        static_cast<uint32_t>(dx) * 0x9E3779B1U ^ static_cast<uint32_t>(dy) * 0x85EBCA77U;
    Kept& slot = kept[hash >> 24];
    const int way = direction == 0 ? 0 : 1;
    if (!slot.used || slot.dx != dx || slot.dy != dy) slot = {dx, dy, {-1, -1}, true};
    if (slot.degree[way] >= 0) return slot.degree[way];
    const float angle = static_cast<float>(Atan2(static_cast<double>(dy), static_cast<double>(dx)));
    uint16_t a =
        static_cast<uint16_t>(static_cast<int32_t>(static_cast<double>(angle) / kTwoPi * 65536.0));
    a = static_cast<uint16_t>(a + (way == 0 ? 0x4000 : 0xC000));
    int deg = a / 182;
    if (deg >= 360) deg = 0;
    slot.degree[way] = static_cast<int16_t>(deg);
    return deg;
}

}  // namespace

uint16_t LineTextureAngle(const SectorEdge& line) {
    const int32_t angle = FrontSegAngle(line.linedef);
    if (angle < 0) return 0;
    return static_cast<uint16_t>(0xFFFF - angle);
}

void ShiftSidePlane(const SectorEdge& line, int direction, int32_t& x1, int32_t& y1, int32_t& x2,
                    int32_t& y2) {
    if (OptionSet(kOptBound)) return;
    const int deg = PushDegree(line.x1 - line.x2, line.y1 - line.y2, direction);
    const int32_t sx = static_cast<int32_t>(kSideShift * static_cast<double>(level.cos_table[deg]));
    const int32_t sy = static_cast<int32_t>(kSideShift * static_cast<double>(level.sin_table[deg]));
    x1 += sx;
    y1 += sy;
    x2 += sx;
    y2 += sy;
}

bool SidePlanePushed(const SectorEdge& line, int mode) {
    if (line.from_linedef == 0 || line.other_sidedef == -1) return true;
    // A side the neighbour does not expose.
    const Sector& neighbour = level.sectors[line.other_sector];
    return mode == 1 ? neighbour.ceiling_height <= level.ceiling_level
                     : neighbour.floor_height >= level.floor_level;
}

void WritePieceSides(const std::string& material, int mode) {
    if (level.edge_count > kMaxSidedPiece) return;
    const Sector& own = level.sectors[level.current_sector];
    for (int e = 0; e < level.edge_count; e++) {
        const int c = level.edge_list[e].clip_index;
        if (c < 0 || c >= level.clip_line_count) continue;
        const SectorEdge& line = level.clip_lines[c];

        const std::string* side_material = &material;
        int32_t x_off = 0;
        int32_t y_off = 0;
        float scale = 1.0f;

        int32_t natx1 = 0;
        int32_t natx2 = 0;
        const int flip = ChooseTextureAxis(LineTextureAngle(line), line.x2, line.y2, line.x1,
                                           line.y1, natx1, natx2);
        if (flip == 1) {
            std::swap(natx1, natx2);
            scale = -1.0f;
        }
        const double ddx = static_cast<double>(line.x1) - line.x2;
        const double ddy = static_cast<double>(line.y1) - line.y2;
        const int32_t len = static_cast<int32_t>(std::sqrt(ddx * ddx + ddy * ddy));
        if (len == 0) continue;

        const bool has_far_side = line.other_sidedef >= 0 && line.from_linedef == 1;
        if (has_far_side) {
            const SideDef& far_side = level.sidedefs[line.other_sidedef];
            const Sector& neighbour = level.sectors[line.other_sector];
            const uint16_t flags = static_cast<uint16_t>(level.linedefs[line.linedef].flags);

            side_material =
                &LumpMaterial(mode == 1 ? far_side.upper_texture : far_side.lower_texture);
            if (!side_material->empty() && (*side_material)[0] == '-') side_material = &material;
            // A sky ceiling keeps its own material on every side.
            if (material.compare(0, 3, "sky") == 0) side_material = &material;

            int32_t w = 0;
            int32_t h = 0;
            LookupTextureSize(*side_material, w, h);
            if (w == 0 || h == 0) {
                w = 256;  // a texture without a size is aligned as a missing one
                h = 512;
            }
            if (mode == 0) {
                if (flags & kLowerUnpegged) {
                    y_off = 2 * own.floor_height - neighbour.floor_height - h + far_side.y_offset;
                } else {
                    y_off = own.floor_height + far_side.y_offset;
                }
            } else {
                if (flags & kUpperUnpegged) {
                    y_off = neighbour.ceiling_height + far_side.y_offset;
                } else {
                    y_off =
                        2 * neighbour.ceiling_height - level.ceiling_level - h + far_side.y_offset;
                }
            }
            x_off = -far_side.x_offset - line.end_offset - natx1;
            x_off %= w;
            y_off %= h;
            const int32_t q = (natx2 - natx1) / len;
            scale = q * scale > 0 ? 1.0f : -1.0f;
        }

        int32_t x1 = line.x1;
        int32_t y1 = line.y1;
        int32_t x2 = line.x2;
        int32_t y2 = line.y2;
        if (SidePlanePushed(line, mode))
            ShiftSidePlane(line, line.from_linedef == 0 ? 0 : 1, x1, y1, x2, y2);
        WriteBrush(x2, 10, y2, x1, 10, y1, x2, 0, y2, *side_material, x_off, y_off, scale);
        if (has_far_side && OptionSet(kOptBrushDef3)) SetStepFrame(line, *side_material, mode);
    }
}

void WriteFloorAndCeiling() {
    const Sector& own = level.sectors[level.current_sector];
    const std::string texture1 = FlatMaterial(own.ceiling_texture);
    const std::string texture2 = FlatMaterial(own.floor_texture);

    SectorEffects(texture1, texture2);

    if (!OptionSet(kOptNoFloor)) {
        const int32_t bottom = level.min_height - kPlaneMargin;
        const int32_t top = level.floor_level;
        BeginBrush(BrushOwner::kSectorPieces, level.current_sector);
        WriteBrush(1, bottom, 1, -1, bottom, 0, 1, bottom, -1, texture2, 0, 0, 1.0f);
        SetPlaneFrame(FlatFrame());
        WriteBrush(-1, top, 1, 1, top, 0, -1, top, -1, texture2, 0, 0, 1.0f);
        SetPlaneFrame(FlatFrame());
        WritePieceSides(texture2, 0);
        EndBrush();
    }
    if (!OptionSet(kOptNoCeil)) {
        const int32_t top = level.max_height + kPlaneMargin;
        const int32_t bottom = level.ceiling_level;
        BeginBrush(BrushOwner::kSectorPieces, level.current_sector);
        WriteBrush(-1, top, 1, 1, top, 0, -1, top, -1, texture1, 0, 0, 1.0f);
        SetPlaneFrame(FlatFrame());
        WriteBrush(1, bottom, 1, -1, bottom, 0, 1, bottom, -1, texture1, 0, 0, 1.0f);
        SetPlaneFrame(FlatFrame());
        WritePieceSides(texture1, 1);
        EndBrush();
    }
}
