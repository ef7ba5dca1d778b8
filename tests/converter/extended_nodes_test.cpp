// Extended ("XNOD") and compressed ("ZNOD") nodes: decoded into the same
// model as the plain SEGS, SSECTORS and NODES, and damaged ones refused.
#include <gtest/gtest.h>
#include <zlib.h>

#include <string>
#include <vector>

#include "converter/driver/driver.h"
#include "converter/level/level.h"
#include "formats/fatal.h"
#include "tests/support/test_support.h"

namespace {

// The lumps of a square room (4 vertices, lines and segs, 1 subsector) with
// one node whose children are both that subsector, in kLevelLumpNames order.
std::vector<std::vector<uint8_t>> RoomLumps() {
    LevelBuilder builder;
    int sector = builder.AddSector({});
    builder.AddRoom({{0, 0}, {0, 64}, {64, 64}, {64, 0}}, sector);
    std::vector<uint8_t> node(28, 0);
    SetS16(node, 4, 64);
    SetS16(node, 24, 0x8000);
    SetS16(node, 26, 0x8000);
    builder.raw_nodes.push_back(node);
    WadBuilder wad;
    builder.AddTo(wad, "MAP01");
    std::vector<std::vector<uint8_t>> lumps;
    for (const char* name : kLevelLumpNames) lumps.push_back(wad.Data(name));
    return lumps;
}

// The plain SEGS, SSECTORS and NODES of `lumps` as an extended NODES lump,
// with node-builder vertices (16.16 fixed point) added after the level's.
std::vector<uint8_t> ToExtended(const std::vector<std::vector<uint8_t>>& lumps,
                                const std::vector<std::pair<int32_t, int32_t>>& extra = {}) {
    std::vector<uint8_t> out = {'X', 'N', 'O', 'D'};
    StoreU32(out, static_cast<uint32_t>(lumps[1].size() / 4));
    StoreU32(out, static_cast<uint32_t>(extra.size()));
    for (auto [x, y] : extra) StoreU32(out, static_cast<uint32_t>(x)), StoreU32(out, y);
    StoreU32(out, static_cast<uint32_t>(lumps[5].size() / 4));
    for (size_t at = 0; at < lumps[5].size(); at += 4) StoreU32(out, LoadU16(lumps[5], at));
    StoreU32(out, static_cast<uint32_t>(lumps[7].size() / 12));
    for (size_t at = 0; at < lumps[7].size(); at += 12) {
        StoreU32(out, LoadU16(lumps[7], at));
        StoreU32(out, LoadU16(lumps[7], at + 2));
        StoreU16(out, LoadU16(lumps[7], at + 6));
        StoreU8(out, static_cast<uint8_t>(LoadU16(lumps[7], at + 8)));
    }
    StoreU32(out, static_cast<uint32_t>(lumps[6].size() / 28));
    for (size_t at = 0; at < lumps[6].size(); at += 28) {
        out.insert(out.end(), lumps[6].begin() + at, lumps[6].begin() + at + 24);
        for (size_t child = at + 24; child < at + 28; child += 2) {
            uint16_t c = LoadU16(lumps[6], child);
            StoreU32(out, c & 0x8000 ? 0x80000000u | (c & 0x7FFF) : c);
        }
    }
    return out;
}

std::vector<uint8_t> Compressed(const std::vector<uint8_t>& extended) {
    uLongf size = compressBound(extended.size() - 4);
    std::vector<uint8_t> out(4 + size);
    EXPECT_EQ(compress(out.data() + 4, &size, extended.data() + 4, extended.size() - 4), Z_OK);
    out.resize(4 + size);
    std::copy_n("ZNOD", 4, out.begin());
    return out;
}

// Decodes and checks the lumps with `nodes` in place of NODES (and SEGS and
// SSECTORS empty, as node builders leave them with extended nodes).
void Load(std::vector<std::vector<uint8_t>> lumps, const std::vector<uint8_t>& nodes) {
    ResetConverterState();
    lumps[5].clear(), lumps[7].clear();
    lumps[6] = nodes;
    DecodeLevelLumps(lumps);
    ValidateLevel("MAP01");
}

// Everything of the model that the node formats fill.
std::string NodeModel() {
    std::string text;
    for (const Seg& s : level.segs) {
        text += "seg " + std::to_string(s.start_vertex) + " " + std::to_string(s.end_vertex) + " " +
                std::to_string(s.angle) + " " + std::to_string(s.linedef) + " " +
                std::to_string(s.direction) + " " + std::to_string(s.offset) + "\n";
    }
    for (const SubSector& s : level.subsectors)
        text += "sub " + std::to_string(s.seg_count) + " " + std::to_string(s.first_seg) + "\n";
    for (const Node& n : level.nodes) {
        text += "node " + std::to_string(n.x) + " " + std::to_string(n.dx) + " " +
                std::to_string(n.right_bbox[3]) + " " + std::to_string(n.right_child) + " " +
                std::to_string(n.left_child) + "\n";
    }
    for (int32_t front : level.front_seg) text += std::to_string(front) + " ";
    return text;
}

// The message of the fatal error that `action` ends with ("" for none).
template <typename Action>
std::string FatalMessage(Action action) {
    testing::internal::CaptureStdout();
    std::string message;
    try {
        action();
    } catch (const FatalError& error) {
        message = error.message;
    }
    testing::internal::GetCapturedStdout();
    return message;
}

}  // namespace

TEST(ExtendedNodes, EveryFormatGivesTheSameModel) {
    std::vector<std::vector<uint8_t>> lumps = RoomLumps();
    ResetConverterState();
    DecodeLevelLumps(lumps);
    const std::string plain = NodeModel();
    ASSERT_EQ(level.num_segs, 4);

    std::vector<uint8_t> extended = ToExtended(lumps);
    Load(lumps, extended);
    EXPECT_EQ(NodeModel(), plain);
    Load(lumps, Compressed(extended));
    EXPECT_EQ(NodeModel(), plain);
    EXPECT_TRUE(level.node_vertexes.empty());
}

TEST(ExtendedNodes, SplitPointsOffTheWholeUnitGrid) {
    // Seg 0 starts at a split point (-0.25, 32.75) of line 0, (0,0) -> (0,64):
    // its angle is the line's, its offset the distance truncated, and the
    // point counts in the vertex average at (-1, 32), as plain VERTEXES
    // would hold it.
    std::vector<std::vector<uint8_t>> lumps = RoomLumps();
    std::vector<uint8_t> extended = ToExtended(lumps, {{-0x4000, 32 * 65536 + 0xC000}});
    SetS32(extended, 32, 4);  // seg 0's start: the first vertex after the level's 4
    Load(lumps, extended);
    EXPECT_EQ(level.segs[0].start_vertex, 4);
    EXPECT_EQ(level.segs[0].angle, 0x4000);
    EXPECT_EQ(level.segs[0].offset, 32);
    ASSERT_EQ(level.node_vertexes.size(), 1u);
    EXPECT_EQ(level.node_vertexes[0].x, -1);
    EXPECT_EQ(level.node_vertexes[0].y, 32);
    EXPECT_EQ(LineAngle(0), 0x4000);
    EXPECT_EQ(LineSegOffset(0), 32);
}

TEST(ExtendedNodes, DamagedLumpsEndWithAnError) {
    // Offsets in the room's lump (no added vertices): original vertex count
    // 4, added count 8, subsector count 12, subsector 0 at 16, seg count 20,
    // seg 0 at 24 (start 24, end 28, line 32, side 34), node count 68, node
    // 0 at 72 (children at 96 and 100).
    const std::vector<std::vector<uint8_t>> lumps = RoomLumps();
    const std::vector<uint8_t> good = ToExtended(lumps);
    ASSERT_EQ(good.size(), 104u);
    const struct {
        size_t at;
        int64_t value;
        const char* message;
    } cases[] = {
        {4, 5, "Extended NODES lump is damaged: it is built on 5 vertices, VERTEXES holds 4"},
        {8, 0x10000000, "Extended NODES lump is damaged: its 268435456 vertices run past its end"},
        {12, 0xFFFFFFFF,
         "Extended NODES lump is damaged: its 4294967295 subsectors run past its end"},
        {20, 8, "Extended NODES lump is damaged: its 8 segs run past its end"},
        {68, 2, "Extended NODES lump is damaged: its 2 nodes run past its end"},
        {16, 5, "SSECTORS record 0 refers to seg 4, which does not exist"},
        {16, 0, "SSECTORS record 0 refers to seg -1, which does not exist"},
        {24, 4, "SEGS record 0 refers to vertex 4, which does not exist"},
        {28, 0xFFFFFFFF, "SEGS record 0 refers to vertex 4294967295, which does not exist"},
        {32, 4, "SEGS record 0 refers to linedef 4, which does not exist"},
        {34, 2, "SEGS record 0 has direction 2"},
        {96, 0x80000001, "NODES record 0 refers to subsector 1, which does not exist"},
        {100, 0, "NODES record 0 refers to node 0, which does not exist"},
        {100, 0x7FFFFFFF, "NODES record 0 refers to node 2147483647, which does not exist"},
    };
    for (const auto& c : cases) {
        std::vector<uint8_t> bad = good;
        if (c.at == 34)
            bad[34] = static_cast<uint8_t>(c.value);
        else if (c.at == 32)
            SetS16(bad, 32, static_cast<int>(c.value));
        else
            SetS32(bad, c.at, c.value);
        EXPECT_EQ(FatalMessage([&] { Load(lumps, bad); }),
                  std::string("ERROR: ") + c.message + ".\n");
    }

    // Cut anywhere, either format ends with an ERROR line.
    const std::vector<uint8_t> compressed = Compressed(good);
    for (const std::vector<uint8_t>* whole : {&good, &compressed}) {
        for (size_t length = 4; length < whole->size(); length++) {
            std::vector<uint8_t> cut(whole->begin(), whole->begin() + length);
            EXPECT_EQ(FatalMessage([&] { Load(lumps, cut); }).rfind("ERROR: ", 0), 0u) << length;
        }
    }
    std::vector<uint8_t> garbage = compressed;
    garbage[4] ^= 0xFF;
    EXPECT_EQ(FatalMessage([&] { Load(lumps, garbage); }),
              "ERROR: Compressed NODES lump is damaged: it does not decompress (bad data).\n");
}
