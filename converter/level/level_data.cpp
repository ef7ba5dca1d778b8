// The level's eight lumps, decoded into the global level state and checked.
#include <cmath>
#include <cstdio>
#include <cstring>

#include "converter/level/level.h"
#include "formats/fatal.h"

LevelData level;

void ResetLevelData() {
    level = LevelData{};
}

const char* const kLevelLumpNames[8] = {"THINGS",  "VERTEXES", "SIDEDEFS", "LINEDEFS",
                                        "SECTORS", "SSECTORS", "NODES",    "SEGS"};

namespace {

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
                   LoadName(b, 12), LoadName(b, 20), LoadU16(b, 28)};
}

// A sidedef index; 65535 stands for none.
int32_t LoadSideIndex(ByteSpan b, size_t at) {
    uint16_t index = LoadU16(b, at);
    return index == kNoSideDef ? -1 : index;
}

LineDef DecodeLineDef(ByteSpan b) {
    return LineDef{LoadU16(b, 0), LoadU16(b, 2),        LoadS16(b, 4),       LoadS16(b, 6),
                   LoadS16(b, 8), LoadSideIndex(b, 10), LoadSideIndex(b, 12)};
}

Sector DecodeSector(ByteSpan b) {
    return Sector{LoadS16(b, 0),  LoadS16(b, 2),  LoadName(b, 4), LoadName(b, 12),
                  LoadS16(b, 20), LoadS16(b, 22), LoadS16(b, 24)};
}

SubSector DecodeSubSector(ByteSpan b) {
    return SubSector{LoadU16(b, 0), LoadU16(b, 2)};
}

// A child of the plain format: bit 15 marks a subsector.
uint32_t WidenChild(uint16_t child) {
    return child & 0x8000 ? kSubsectorBit | (child & 0x7FFFu) : child;
}

Node DecodeNode(ByteSpan b) {
    Node node;
    DecodeNodeLine(b, node);
    node.right_child = WidenChild(LoadU16(b, 24));
    node.left_child = WidenChild(LoadU16(b, 26));
    return node;
}

Seg DecodeSeg(ByteSpan b) {
    return Seg{LoadU16(b, 0), LoadU16(b, 2), LoadU16(b, 4),
               LoadU16(b, 6), LoadS16(b, 8), LoadS16(b, 10)};
}

void CheckIndex(const char* lump, int32_t record, const char* what, int32_t index, int32_t count) {
    if (index < 0 || index >= count) {
        Fatal(1, "ERROR: %s record %i refers to %s %i, which does not exist.\n", lump, record, what,
              index);
    }
}

}  // namespace

void DecodeNodeLine(ByteSpan b, Node& node) {
    node.x = LoadS16(b, 0);
    node.y = LoadS16(b, 2);
    node.dx = LoadS16(b, 4);
    node.dy = LoadS16(b, 6);
    for (int i = 0; i < 4; i++) node.right_bbox[i] = LoadS16(b, 8 + 2 * i);
    for (int i = 0; i < 4; i++) node.left_bbox[i] = LoadS16(b, 16 + 2 * i);
}

void DecodeLevelLumps(const std::vector<std::vector<uint8_t>>& lumps) {
    level.num_things = DecodeRecords(lumps[0], 10, level.things, DecodeThing);
    level.num_vertexes = DecodeRecords(lumps[1], 4, level.vertexes, DecodeVertex);
    level.num_sidedefs = DecodeRecords(lumps[2], 30, level.sidedefs, DecodeSideDef);
    level.num_linedefs = DecodeRecords(lumps[3], 14, level.linedefs, DecodeLineDef);
    level.num_sectors = DecodeRecords(lumps[4], 26, level.sectors, DecodeSector);
    level.node_vertexes.clear();
    const std::vector<uint8_t>& nodes = lumps[6];
    if (nodes.size() >= 4 && memcmp(nodes.data(), "XNOD", 4) == 0) {
        DecodeExtendedNodes(ByteSpan(nodes).subspan(4));
    } else if (nodes.size() >= 4 && memcmp(nodes.data(), "ZNOD", 4) == 0) {
        DecodeExtendedNodes(Inflate(ByteSpan(nodes).subspan(4)));
    } else {
        level.num_subsectors = DecodeRecords(lumps[5], 4, level.subsectors, DecodeSubSector);
        level.num_nodes = DecodeRecords(nodes, 28, level.nodes, DecodeNode);
        level.num_segs = DecodeRecords(lumps[7], 12, level.segs, DecodeSeg);
    }

    level.front_seg.assign(static_cast<size_t>(level.num_linedefs), -1);
    level.front_seg_angle.assign(static_cast<size_t>(level.num_linedefs), -1);
    for (int32_t i = 0; i < level.num_segs; i++) {
        const Seg& seg = level.segs[i];
        if (seg.direction == 0 && seg.linedef >= 0 && seg.linedef < level.num_linedefs &&
            level.front_seg[seg.linedef] < 0) {
            level.front_seg[seg.linedef] = i;
            level.front_seg_angle[seg.linedef] = seg.angle;
        }
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
    const int32_t all_vertexes =
        level.num_vertexes + static_cast<int32_t>(level.node_vertexes.size());
    for (int32_t i = 0; i < level.num_segs; i++) {
        const Seg& seg = level.segs[i];
        CheckIndex("SEGS", i, "vertex", seg.start_vertex, all_vertexes);
        CheckIndex("SEGS", i, "vertex", seg.end_vertex, all_vertexes);
        CheckIndex("SEGS", i, "linedef", seg.linedef, level.num_linedefs);
        if (seg.direction != 0 && seg.direction != 1)
            Fatal(1, "ERROR: SEGS record %i has direction %i.\n", i, seg.direction);
    }
    for (int32_t i = 0; i < level.num_subsectors; i++) {
        const SubSector& sub = level.subsectors[i];
        CheckIndex("SSECTORS", i, "seg", sub.first_seg, level.num_segs);
        if (sub.seg_count < 1 || sub.seg_count > level.num_segs - sub.first_seg) {
            Fatal(1, "ERROR: SSECTORS record %i refers to seg %lld, which does not exist.\n", i,
                  static_cast<long long>(sub.first_seg) + sub.seg_count - 1);
        }
    }
    // A node's children must be subsectors or earlier nodes, so that a walk
    // down the tree from the last node always ends.
    for (int32_t i = 0; i < level.num_nodes; i++) {
        for (uint32_t child : {level.nodes[i].right_child, level.nodes[i].left_child}) {
            if (child & kSubsectorBit) {
                CheckIndex("NODES", i, "subsector", static_cast<int32_t>(child & ~kSubsectorBit),
                           level.num_subsectors);
            } else {
                CheckIndex("NODES", i, "node", static_cast<int32_t>(child), i);
            }
        }
    }
}

void LoadLevel(const std::string& level_name) {
    if (!LumpExists(level_name))
        Fatal(5, "ERROR: The level '%s' does not exist.\n", level_name.c_str());
    std::vector<std::vector<uint8_t>> lumps;
    for (const char* name : kLevelLumpNames) lumps.push_back(ReadLevelLump(name, level_name));
    // Things but no node data at all: the level has not been through a node builder.
    if (lumps[0].size() >= 10 && lumps[5].empty() && lumps[6].empty()) FailMissingLump("NODES");
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
    level.node_vertexes = {};
    level.front_seg = {};
    level.front_seg_angle = {};
}

const Seg* FindFrontSeg(int linedef) {
    if (linedef < 0 || linedef >= static_cast<int>(level.front_seg.size())) return nullptr;
    int32_t index = level.front_seg[linedef];
    return index < 0 ? nullptr : &level.segs[index];
}

int32_t FrontSegAngle(int linedef) {
    if (linedef < 0 || linedef >= static_cast<int>(level.front_seg.size())) return -1;
    // Levels put together record by record may have no angles made.
    if (level.front_seg_angle.size() == level.front_seg.size())
        return level.front_seg_angle[linedef];
    const Seg* seg = FindFrontSeg(linedef);
    return seg ? seg->angle : -1;
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
