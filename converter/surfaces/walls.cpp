// Wall brushes: one thin brush right behind every one-sided line, reaching
// from below the lowest floor to above the highest ceiling, its face on the
// line carrying the middle texture. Where the next wall does not turn inward,
// the wall is lengthened by its width so that no gap opens at the corner.
#include <algorithm>
#include <cstdio>

#include "converter/level/level.h"
#include "converter/output/output.h"
#include "converter/surfaces/surfaces.h"

std::vector<WallSegment> wall_segments;

namespace {

constexpr int32_t kWallWidth = 2;
constexpr double kNormalDivisor = 182.444444;  // binary angle units per table degree
constexpr double kDirectionDivisor = 182.55;   // the same, for the corner extensions
constexpr int kNormalDegreeCap = 315;          // the outward direction never exceeds it
constexpr uint16_t kCornerWindowStart = 910;   // turns inside the window need no extension
constexpr uint16_t kCornerWindowEnd = 31858;
constexpr int32_t kHeightMargin = 4;
constexpr uint16_t kLowerUnpegged = 0x10;
const char* const kNoDraw = "common/nodraw";

// Switch textures are never mirrored.
const char* const kSwitchTextures[] = {
    "SW1BRCOM", "SW1BRN1", "SW1BROWN", "SW1PIPE", "SW1STARG", "SW1STON2", "SW1STONE",
    "SW2BRCOM", "SW2BRN1", "SW2BROWN", "SW2PIPE", "SW2STARG", "SW2STON2", "SW2STONE",
};

bool IsSwitchTexture(const std::string& name) {
    for (const char* sw : kSwitchTextures)
        if (NamesEqual(name, sw)) return true;
    return false;
}

struct Point {
    int32_t x;
    int32_t y;
};

// Twice the unit vector of a table degree, each part truncated toward zero.
Point WidthStep(int degree) {
    return {static_cast<int32_t>(kWallWidth * static_cast<double>(level.cos_table[degree])),
            static_cast<int32_t>(kWallWidth * static_cast<double>(level.sin_table[degree]))};
}

// Points, open-addressed by their key, each with the last segment given for
// it. Wall ends are vertices, whose coordinates fit in 16 bits.
struct PointSlot {
    uint32_t key;   // the point, x in the high half
    int32_t value;  // its segment; -1 for an empty slot
};
struct PointTable {
    std::vector<PointSlot> slots;
    size_t mask = 0;  // slots - 1
};

uint32_t VertexKey(Point p) {
    return (static_cast<uint32_t>(static_cast<uint16_t>(p.x)) << 16) | static_cast<uint16_t>(p.y);
}

void PrepareTable(PointTable& table, int count) {
    size_t slots = 16;
    while (3 * slots < 4 * static_cast<size_t>(count)) slots *= 2;
    table.slots.assign(slots, {0, -1});
    table.mask = slots - 1;
}

size_t SlotOf(const PointTable& table, uint32_t key) {
    size_t slot = static_cast<size_t>((key * 0x9E3779B1U) >> 8) & table.mask;
    while (table.slots[slot].value >= 0 && table.slots[slot].key != key)
        slot = (slot + 1) & table.mask;
    return slot;
}

void SetLast(PointTable& table, Point point, int value) {
    const uint32_t key = VertexKey(point);
    table.slots[SlotOf(table, key)] = {key, value};
}

int LastAt(const PointTable& table, Point point) {
    return table.slots[SlotOf(table, VertexKey(point))].value;
}

void Move(Point& p, Point by) {
    p.x += by.x;
    p.y += by.y;
}

}  // namespace

void CollectWallSegments() {
    wall_segments.clear();
    wall_segments.reserve(level.num_linedefs);
    for (int i = 0; i < level.num_linedefs; i++) {
        const LineDef& line = level.linedefs[i];
        const Vertex& start = level.vertexes[line.start_vertex];
        const Vertex& end = level.vertexes[line.end_vertex];
        wall_segments.push_back({start.x, start.y, end.x, end.y, LineAngle(i), i});
    }
}

bool NeedsCornerExtension(const WallSegment& a, const WallSegment& b) {
    if (OptionSet(kOptBound)) return false;
    const uint16_t lo = static_cast<uint16_t>(a.angle + kCornerWindowStart);
    const uint16_t hi = static_cast<uint16_t>(a.angle + kCornerWindowEnd);
    bool inside;
    if (lo < hi) {
        inside = lo <= b.angle && b.angle <= hi;
    } else {
        inside = b.angle >= lo || b.angle <= hi;
    }
    return !inside;
}

void BuildWallBrushes() {
    std::printf("Calculating Wall Brushes, WallWid=%i...\n", kWallWidth);
    int walls = 0;
    int extended_ends = 0;
    CollectWallSegments();
    const int count = static_cast<int>(wall_segments.size());
    // The last segment (highest index) that starts, and the last that ends, at
    // each point: the neighbours of a wall at its end and at its start.
    PointTable starting_at, ending_at;
    PrepareTable(starting_at, count);
    PrepareTable(ending_at, count);
    for (int k = 0; k < count; k++) {
        SetLast(starting_at, {wall_segments[k].x1, wall_segments[k].y1}, k);
        SetLast(ending_at, {wall_segments[k].x2, wall_segments[k].y2}, k);
    }

    for (int i = 0; i < count; i++) {
        const WallSegment& s = wall_segments[i];
        const LineDef& line = level.linedefs[s.linedef];
        if (line.left_sidedef >= 0) continue;  // two-sided: no wall
        const SideDef& right = level.sidedefs[line.right_sidedef];
        const Sector& sector = level.sectors[right.sector];

        Point pt1{s.x1, s.y1};
        Point pt2{s.x2, s.y2};
        const int next = LastAt(starting_at, pt2);
        const int prev = LastAt(ending_at, pt1);
        if (next < 0 || prev < 0) {
            std::printf("WARNING: Sector %i is not closed (line %i)\n", right.sector, s.linedef);
            continue;
        }

        int degree = static_cast<int>(static_cast<uint16_t>(s.angle + 0x4000) / kNormalDivisor);
        if (degree > kNormalDegreeCap) degree = kNormalDegreeCap;
        const Point outward = WidthStep(degree);
        Point pt3 = pt1;
        Point pt4 = pt2;
        Move(pt3, outward);
        Move(pt4, outward);
        Point pt5 = pt3;
        Point pt6 = pt1;
        Point pt7 = pt2;
        Point pt8 = pt4;
        if (NeedsCornerExtension(s, wall_segments[next])) {
            const Point along = WidthStep(static_cast<int>(s.angle / kDirectionDivisor));
            Move(pt7, along);
            Move(pt8, along);
            extended_ends++;
        }
        if (NeedsCornerExtension(wall_segments[prev], s)) {
            const int back_degree =
                static_cast<int>(static_cast<uint16_t>(s.angle + 0x7FFF) / kDirectionDivisor);
            const Point against = WidthStep(back_degree);
            Move(pt5, against);
            Move(pt6, against);
            extended_ends++;
        }

        std::string face = LumpNameText(right.middle_texture);
        if (!face.empty() && face[0] == '-') face = texture_catalog.missing_flat_name;
        face = UpperCase(face);
        MapTextureName(face);
        int32_t texwidth = 0;
        int32_t texheight = 0;
        LookupTextureSize(face, texwidth, texheight);
        if (texwidth == 0 || texheight == 0) {
            texwidth = 256;  // a texture without a size is aligned as a missing one
            texheight = 512;
        }

        int32_t natx1 = 0;
        int32_t natx2 = 0;
        ChooseTextureAxis(s.angle, pt1.x, pt1.y, pt2.x, pt2.y, natx1, natx2);
        const int32_t x_offset = (-right.x_offset - natx1) % texwidth;
        const int32_t pegged_height =
            (line.flags & kLowerUnpegged) ? sector.floor_height : sector.ceiling_height;
        const int32_t y_offset = (pegged_height + right.y_offset) % texheight;
        const bool zero_length = pt1.x == pt2.x && pt1.y == pt2.y;
        const float factor = (natx2 > natx1 || zero_length || IsSwitchTexture(face)) ? 1.0f : -1.0f;

        const int32_t bottom = level.min_height - kHeightMargin;
        const int32_t top = level.max_height + kHeightMargin;
        BeginBrush(BrushOwner::kWall, s.linedef);
        WriteBrush(pt1.x, 10, pt1.y, pt2.x, 10, pt2.y, pt1.x, 0, pt1.y, face, x_offset, y_offset,
                   factor);
        if (OptionSet(kOptBrushDef3)) {
            int32_t width = 0;
            int32_t height = 0;
            TrueTextureSize(LumpNameText(right.middle_texture), face, width, height);
            // Lower unpegged: the texture's bottom edge on the floor; else its top at the ceiling.
            const int32_t top = (line.flags & kLowerUnpegged) ? sector.floor_height + height
                                                              : sector.ceiling_height;
            SetPlaneFrame(SideFrame(s.linedef, true, right, top, width, height));
        }
        WriteBrush(pt4.x, 10, pt4.y, pt3.x, 10, pt3.y, pt4.x, 0, pt4.y, kNoDraw, 0, 0, 1.0f);
        WriteBrush(pt5.x, 10, pt5.y, pt6.x, 10, pt6.y, pt5.x, 0, pt5.y, kNoDraw, 0, 0, 1.0f);
        WriteBrush(pt7.x, 10, pt7.y, pt8.x, 10, pt8.y, pt7.x, 0, pt7.y, kNoDraw, 0, 0, 1.0f);
        WriteBrush(-1, bottom, 1, 0, bottom, 0, 1, bottom, 1, kNoDraw, 0, 0, 1.0f);
        WriteBrush(-1, top, 1, 1, top, 1, 0, top, 0, kNoDraw, 0, 0, 1.0f);
        EndBrush();
        walls++;
    }

    wall_segments.clear();
    wall_segments.shrink_to_fit();
    std::printf("Built %i wall brushes:\n * %i were scaled\n * %i were split\n", walls,
                extended_ends, 0);
}
