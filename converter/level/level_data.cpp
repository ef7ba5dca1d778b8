// The level's eight lumps, decoded into the global level state and checked.
#include <cmath>
#include <cstdio>

#include "converter/level/level.h"
#include "formats/fatal.h"

LevelData level;

void ResetLevelData() {
    level = LevelData{};
}

namespace {

// The lumps in the order they are read, with their record sizes.
struct LumpKind {
    const char* name;
    size_t record_size;
};
constexpr LumpKind kLevelLumps[] = {
    {"THINGS", 10},  {"VERTEXES", 4}, {"SIDEDEFS", 30}, {"LINEDEFS", 14},
    {"SECTORS", 26}, {"SSECTORS", 4}, {"NODES", 28},    {"SEGS", 12},
};

// Decodes every whole record of a lump; a remainder of bytes is ignored.
template <typename Record, typename Decode>
int32_t DecodeRecords(const std::vector<uint8_t>& bytes, size_t record_size,
                      std::vector<Record>& out, Decode decode) {
    size_t count = bytes.size() / record_size;
    out.resize(count);
    for (size_t i = 0; i < count; i++)
        out[i] = decode(ByteSpan(bytes).subspan(i * record_size, record_size));
    return static_cast<int32_t>(count);
}

Thing DecodeThing(ByteSpan b) {
    return Thing{LoadS16(b, 0), LoadS16(b, 2), LoadS16(b, 4), LoadS16(b, 6), LoadS16(b, 8)};
}

Vertex DecodeVertex(ByteSpan b) {
    return Vertex{LoadS16(b, 0), LoadS16(b, 2)};
}

LumpName LoadName(ByteSpan b, size_t at) {
    LumpName name;
    LoadBytes(b, at, name.bytes, 8);
    return name;
}

SideDef DecodeSideDef(ByteSpan b) {
    return SideDef{LoadS16(b, 0),   LoadS16(b, 2),   LoadName(b, 4),
                   LoadName(b, 12), LoadName(b, 20), LoadS16(b, 28)};
}

LineDef DecodeLineDef(ByteSpan b) {
    return LineDef{LoadS16(b, 0), LoadS16(b, 2),  LoadS16(b, 4), LoadS16(b, 6),
                   LoadS16(b, 8), LoadS16(b, 10), LoadS16(b, 12)};
}

Sector DecodeSector(ByteSpan b) {
    return Sector{LoadS16(b, 0),  LoadS16(b, 2),  LoadName(b, 4), LoadName(b, 12),
                  LoadS16(b, 20), LoadS16(b, 22), LoadS16(b, 24)};
}

SubSector DecodeSubSector(ByteSpan b) {
    return SubSector{LoadS16(b, 0), LoadS16(b, 2)};
}

Node DecodeNode(ByteSpan b) {
    Node node;
    node.x = LoadS16(b, 0);
    node.y = LoadS16(b, 2);
    node.dx = LoadS16(b, 4);
    node.dy = LoadS16(b, 6);
    for (int i = 0; i < 4; i++) node.right_bbox[i] = LoadS16(b, 8 + 2 * i);
    for (int i = 0; i < 4; i++) node.left_bbox[i] = LoadS16(b, 16 + 2 * i);
    node.right_child = LoadU16(b, 24);
    node.left_child = LoadU16(b, 26);
    return node;
}

Seg DecodeSeg(ByteSpan b) {
    return Seg{LoadS16(b, 0), LoadS16(b, 2), LoadU16(b, 4),
               LoadS16(b, 6), LoadS16(b, 8), LoadS16(b, 10)};
}

void CheckIndex(const char* lump, int32_t record, const char* what, int32_t index, int32_t count) {
    if (index < 0 || index >= count) {
        Fatal(1, "ERROR: %s record %i refers to %s %i, which does not exist.\n", lump, record, what,
              index);
    }
}

}  // namespace

void DecodeLevelLumps(const std::vector<std::vector<uint8_t>>& lumps) {
    level.num_things = DecodeRecords(lumps[0], 10, level.things, DecodeThing);
    level.num_vertexes = DecodeRecords(lumps[1], 4, level.vertexes, DecodeVertex);
    level.num_sidedefs = DecodeRecords(lumps[2], 30, level.sidedefs, DecodeSideDef);
    level.num_linedefs = DecodeRecords(lumps[3], 14, level.linedefs, DecodeLineDef);
    level.num_sectors = DecodeRecords(lumps[4], 26, level.sectors, DecodeSector);
    level.num_subsectors = DecodeRecords(lumps[5], 4, level.subsectors, DecodeSubSector);
    level.num_nodes = DecodeRecords(lumps[6], 28, level.nodes, DecodeNode);
    level.num_segs = DecodeRecords(lumps[7], 12, level.segs, DecodeSeg);

    level.front_seg.assign(static_cast<size_t>(level.num_linedefs), -1);
    for (int32_t i = 0; i < level.num_segs; i++) {
        const Seg& seg = level.segs[i];
        if (seg.direction == 0 && seg.linedef >= 0 && seg.linedef < level.num_linedefs &&
            level.front_seg[seg.linedef] < 0)
            level.front_seg[seg.linedef] = i;
    }
}

void ValidateLevel(const std::string& level_name) {
    if (level.num_vertexes == 0)
        Fatal(1, "ERROR: The level '%s' has no vertices.\n", level_name.c_str());
    for (int32_t i = 0; i < level.num_sidedefs; i++)
        CheckIndex("SIDEDEFS", i, "sector", level.sidedefs[i].sector, level.num_sectors);
    for (int32_t i = 0; i < level.num_linedefs; i++) {
        const LineDef& line = level.linedefs[i];
        CheckIndex("LINEDEFS", i, "vertex", line.start_vertex, level.num_vertexes);
        CheckIndex("LINEDEFS", i, "vertex", line.end_vertex, level.num_vertexes);
        CheckIndex("LINEDEFS", i, "sidedef", line.right_sidedef, level.num_sidedefs);
        if (line.left_sidedef >= 0)
            CheckIndex("LINEDEFS", i, "sidedef", line.left_sidedef, level.num_sidedefs);
    }
    for (int32_t i = 0; i < level.num_segs; i++) {
        const Seg& seg = level.segs[i];
        CheckIndex("SEGS", i, "vertex", seg.start_vertex, level.num_vertexes);
        CheckIndex("SEGS", i, "vertex", seg.end_vertex, level.num_vertexes);
        CheckIndex("SEGS", i, "linedef", seg.linedef, level.num_linedefs);
    }
    for (int32_t i = 0; i < level.num_subsectors; i++) {
        const SubSector& sub = level.subsectors[i];
        CheckIndex("SSECTORS", i, "seg", sub.first_seg, level.num_segs);
        if (sub.seg_count < 1 || sub.first_seg + sub.seg_count > level.num_segs) {
            Fatal(1, "ERROR: SSECTORS record %i refers to seg %i, which does not exist.\n", i,
                  sub.first_seg + sub.seg_count - 1);
        }
    }
    // A node's children must be subsectors or earlier nodes, so that a walk
    // down the tree from the last node always ends.
    for (int32_t i = 0; i < level.num_nodes; i++) {
        for (uint16_t child : {level.nodes[i].right_child, level.nodes[i].left_child}) {
            if (child & kSubsectorBit)
                CheckIndex("NODES", i, "subsector", child & 0x7FFF, level.num_subsectors);
            else
                CheckIndex("NODES", i, "node", child, i);
        }
    }
}

void LoadLevel(const std::string& level_name) {
    if (!LumpExists(level_name))
        Fatal(5, "ERROR: The level '%s' does not exist.\n", level_name.c_str());
    std::vector<std::vector<uint8_t>> lumps;
    for (const LumpKind& kind : kLevelLumps) lumps.push_back(ReadLevelLump(kind.name, level_name));
    DecodeLevelLumps(lumps);
    printf("%s: %ld Sectors, %ld Segs loaded.\n", level_name.c_str(),
           static_cast<long>(level.num_sectors), static_cast<long>(level.num_segs));
    ValidateLevel(level_name);
}

void FreeLevel() {
    level.things = {};
    level.vertexes = {};
    level.sidedefs = {};
    level.linedefs = {};
    level.sectors = {};
    level.subsectors = {};
    level.nodes = {};
    level.segs = {};
    level.front_seg = {};
}

const Seg* FindFrontSeg(int linedef) {
    if (linedef < 0 || linedef >= static_cast<int>(level.front_seg.size())) return nullptr;
    int32_t index = level.front_seg[linedef];
    return index < 0 ? nullptr : &level.segs[index];
}

uint16_t LineAngle(int linedef) {
    if (const Seg* seg = FindFrontSeg(linedef)) return seg->angle;
    const LineDef& line = level.linedefs[linedef];
    const Vertex& start = level.vertexes[line.start_vertex];
    const Vertex& end = level.vertexes[line.end_vertex];
    double radians =
        std::atan2(static_cast<double>(end.y - start.y), static_cast<double>(end.x - start.x));
    int32_t angle = static_cast<int32_t>(std::trunc(radians * 65536.0 / (2.0 * 3.141592653589793)));
    return static_cast<uint16_t>(angle & 0xFFFF);
}

int32_t LineSegOffset(int linedef) {
    const Seg* seg = FindFrontSeg(linedef);
    return seg ? seg->offset : 0;
}
