#include "converter/level/level.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cmath>

#include "converter/driver/driver.h"
#include "formats/fatal.h"
#include "tests/support/test_support.h"

namespace {

// Runs `action`, expecting a fatal error; gives its status and message.
template <typename Action>
FatalError ExpectFatal(Action action) {
    testing::internal::CaptureStdout();
    try {
        action();
    } catch (const FatalError& error) {
        testing::internal::GetCapturedStdout();
        return error;
    }
    testing::internal::GetCapturedStdout();
    ADD_FAILURE() << "no fatal error";
    return FatalError{0, ""};
}

void Quietly(void (*action)()) {
    testing::internal::CaptureStdout();
    action();
    testing::internal::GetCapturedStdout();
}

void OpenQuietly(const std::string& name) {
    testing::internal::CaptureStdout();
    OpenWad(name);
    testing::internal::GetCapturedStdout();
}

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

}  // namespace

TEST(WadReader, IdentificationRules) {
    TempDir dir;
    ResetConverterState();
    WadBuilder wad;
    wad.identification = "XWAD";
    wad.Add("THINGS", {1, 2});
    WriteFileBytes("X.WAD", wad.Build());
    testing::internal::CaptureStdout();
    OpenWad("X.WAD");
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "XWAD 'X.WAD' opened, 1 entries.\n");
    EXPECT_TRUE(LumpExists("things"));
    CloseWad();

    wad.identification = "iwad";
    WriteFileBytes("L.WAD", wad.Build());
    FatalError error = ExpectFatal([] { OpenWad("L.WAD"); });
    EXPECT_EQ(error.status, 1);
    EXPECT_EQ(error.message, "ERROR: Could not read 'L.WAD': not a IWAD or PWAD.\n");

    error = ExpectFatal([] { OpenWad("NONE.WAD"); });
    EXPECT_EQ(error.message, "ERROR: Could not read 'NONE.WAD': file not found.\n");

    WriteFileBytes("SHORT.WAD", {'P', 'W', 'A', 'D', 1});
    error = ExpectFatal([] { OpenWad("SHORT.WAD"); });
    EXPECT_EQ(error.status, 1);
}

TEST(WadReader, FileNamesAreFoundWithoutRegardToCase) {
    TempDir dir;
    ResetConverterState();
    WadBuilder wad;
    WriteFileBytes("freedoom2.wad", wad.Build());
    OpenQuietly("FREEDOOM2.WAD");
    EXPECT_NE(wad_reader.file, nullptr);
    CloseWad();
}

TEST(WadReader, LevelLumpsAreFoundOnlyWithinTheirLevel) {
    TempDir dir;
    ResetConverterState();
    WadBuilder wad;
    wad.Add("MAP01");
    wad.Add("THINGS", {1});
    wad.Add("MAP02");
    wad.Add("THINGS", {2});
    wad.Add("NODES", {3, 3});
    wad.Add("BEHAVIOR", {});
    wad.Add("SEGS", {5});  // still MAP02's: BEHAVIOR is a level lump
    wad.Add("LONGNAME", {4});
    wad.Add("SSECTORS", {6});  // after a lump that is no level lump: nobody's
    wad.Add("MAP03");
    WriteFileBytes("T.WAD", wad.Build());
    OpenQuietly("T.WAD");
    EXPECT_EQ(ReadLevelLump("things", "map01"), std::vector<uint8_t>({1}));
    EXPECT_EQ(ReadLevelLump("THINGS", "MAP02"), std::vector<uint8_t>({2}));
    EXPECT_EQ(ReadLevelLump("SEGS", "MAP02"), std::vector<uint8_t>({5}));
    const struct {
        const char* lump;
        const char* level;
    } missing[] = {
        {"NODES", "MAP01"}, {"LONGNAME", "MAP02"}, {"SSECTORS", "MAP02"}, {"THINGS", "MAP03"}};
    for (const auto& c : missing) {
        FatalError error = ExpectFatal([&] { ReadLevelLump(c.lump, c.level); });
        EXPECT_EQ(error.status, 1) << c.lump;
        EXPECT_EQ(error.message, std::string("Missing '") + c.lump +
                                     "' entry in WAD.\nPlease make sure the level has been "
                                     "BSP'ed.\n");
        OpenQuietly("T.WAD");
    }
}

TEST(WadReader, DamagedDirectoryAndLumpsEndTheRun) {
    TempDir dir;
    ResetConverterState();
    WadBuilder wad;
    wad.Add("MAP01");
    wad.Add("THINGS", std::vector<uint8_t>(20, 0));
    std::vector<uint8_t> bytes = wad.Build();
    std::vector<uint8_t> cut(bytes.begin(), bytes.end() - 4);  // directory cut short
    WriteFileBytes("CUT.WAD", cut);
    FatalError error = ExpectFatal([] { OpenWad("CUT.WAD"); });
    EXPECT_EQ(error.message, "ERROR: 'CUT.WAD' is damaged: its directory lies outside the file.\n");

    std::vector<uint8_t> huge = bytes;
    huge[4] = 0xFF, huge[5] = 0xFF, huge[6] = 0xFF, huge[7] = 0x7F;  // 2^31 - 1 lumps
    WriteFileBytes("HUGE.WAD", huge);
    EXPECT_EQ(ExpectFatal([] { OpenWad("HUGE.WAD"); }).status, 1);

    // THINGS claims more bytes than the file holds.
    size_t directory = bytes[8] | (bytes[9] << 8);
    std::vector<uint8_t> long_lump = bytes;
    long_lump[directory + 16 + 4] = 0xFF;
    WriteFileBytes("LUMP.WAD", long_lump);
    OpenQuietly("LUMP.WAD");
    error = ExpectFatal([] { ReadLevelLump("THINGS", "MAP01"); });
    EXPECT_EQ(error.message,
              "ERROR: 'LUMP.WAD' is damaged: lump 'THINGS' lies outside the file.\n");
}

TEST(LevelLoading, RecordsCountsAndMissingLevel) {
    TempDir dir;
    ResetConverterState();
    LevelBuilder level_builder;
    int sector = level_builder.AddSector({});
    level_builder.AddRoom({{0, 0}, {0, 64}, {64, 64}, {64, 0}}, sector);
    level_builder.vertexes[0] = {-32768, 32767};
    WadBuilder wad;
    level_builder.AddTo(wad, "E1M1");
    WriteFileBytes("L.WAD", wad.Build());
    OpenQuietly("L.WAD");
    testing::internal::CaptureStdout();
    LoadLevel("E1M1");
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "E1M1: 1 Sectors, 4 Segs loaded.\n");
    EXPECT_EQ(level.num_linedefs, 4);
    EXPECT_EQ(level.vertexes[0].x, -32768);
    EXPECT_EQ(level.vertexes[0].y, 32767);
    EXPECT_EQ(level.linedefs[0].left_sidedef, -1);
    EXPECT_EQ(level.front_seg[2], 2);
    EXPECT_EQ(LineAngle(1), 0);  // (0,64) -> (64,64) runs east

    FatalError error = ExpectFatal([] { LoadLevel("E1M2"); });
    EXPECT_EQ(error.status, 5);
    EXPECT_EQ(error.message, "ERROR: The level 'E1M2' does not exist.\n");
    error = ExpectFatal([] { LoadLevel("E1M1XXXXXXXX"); });
    EXPECT_EQ(error.status, 5);
}

TEST(LevelLoading, PartialRecordsAreDropped) {
    ResetConverterState();
    std::vector<std::vector<uint8_t>> lumps(8);
    lumps[7].assign(125, 0);  // SEGS
    lumps[1].assign(6, 0);    // VERTEXES
    DecodeLevelLumps(lumps);
    EXPECT_EQ(level.num_segs, 10);
    EXPECT_EQ(level.num_vertexes, 1);
}

TEST(LevelLoading, IndicesOutsideTheirArraysAreRefused) {
    auto load = [](auto damage) {
        ResetConverterState();
        LevelBuilder builder;
        int sector = builder.AddSector({});
        builder.AddRoom({{0, 0}, {0, 64}, {64, 64}, {64, 0}}, sector);
        damage(builder);
        WadBuilder wad;
        builder.AddTo(wad, "MAP01");
        std::vector<std::vector<uint8_t>> lumps;
        for (const char* name : {"THINGS", "VERTEXES", "SIDEDEFS", "LINEDEFS", "SECTORS",
                                 "SSECTORS", "NODES", "SEGS"}) {
            for (const auto& lump : wad.lumps)
                if (lump.name == name) lumps.push_back(lump.data);
        }
        DecodeLevelLumps(lumps);
        return ExpectFatal([] { ValidateLevel("MAP01"); });
    };
    FatalError error = load([](LevelBuilder& b) { b.lines[2].v2 = 9; });
    EXPECT_EQ(error.status, 1);
    EXPECT_EQ(error.message,
              "ERROR: LINEDEFS record 2 refers to vertex 9, which does not exist.\n");
    error = load([](LevelBuilder& b) { b.sides[1].sector = 3; });
    EXPECT_EQ(error.message,
              "ERROR: SIDEDEFS record 1 refers to sector 3, which does not exist.\n");
    error = load([](LevelBuilder& b) { b.lines[0].right = -1; });
    EXPECT_EQ(error.message,
              "ERROR: LINEDEFS record 0 refers to sidedef -1, which does not exist.\n");
    error = load([](LevelBuilder& b) {
        std::vector<uint8_t> node(28, 0);
        node[24] = 0x05, node[25] = 0x80;  // subsector 5
        b.raw_nodes.push_back(node);
    });
    EXPECT_EQ(error.message,
              "ERROR: NODES record 0 refers to subsector 5, which does not exist.\n");
    error = load([](LevelBuilder& b) {
        std::vector<uint8_t> node(28, 0);
        node[25] = 0x80;
        node[26] = 0x00, node[27] = 0x00;  // itself: a cycle
        b.raw_nodes.push_back(node);
    });
    EXPECT_EQ(error.message, "ERROR: NODES record 0 refers to node 0, which does not exist.\n");
    error = load([](LevelBuilder& b) { b.vertexes.clear(), b.lines.clear(); });
    EXPECT_EQ(error.message, "ERROR: The level 'MAP01' has no vertices.\n");
}

TEST(Preliminary, BoundsAndShiftToMultiplesOf64) {
    ResetConverterState();
    level.vertexes = {{100, -100}, {200, -300}, {300, -200}};
    level.num_vertexes = 3;
    level.things = {{150, 10, 0, 1, 0}};
    level.num_things = 1;
    level.sectors = {Sector{0, 128, {}, {}, 0, 0, 0}, Sector{-64, 256, {}, {}, 0, 0, 0}};
    level.num_sectors = 2;
    testing::internal::CaptureStdout();
    ComputeBounds();
    NormalizeLevel();
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "Bounds: (100 - 300, -64 - 256, -300 - -100)\nLevel Data Normalized.\n");
    // Averages 200 and -200 shift by 192 and -192.
    EXPECT_EQ(level.min_x, -92);
    EXPECT_EQ(level.max_x, 108);
    EXPECT_EQ(level.max_y, 92);
    EXPECT_EQ(level.vertexes[0].x, -92);
    EXPECT_EQ(level.things[0].x, -42);
    EXPECT_EQ(level.things[0].y, 202);

    level.vertexes = {{-100, 63}};
    level.num_vertexes = 1;
    Quietly(ComputeBounds);
    Quietly(NormalizeLevel);
    EXPECT_EQ(level.vertexes[0].x, -36);  // shifted by -64
    EXPECT_EQ(level.vertexes[0].y, 63);   // an average of 63 shifts by 0
}

TEST(Preliminary, TrigTables) {
    ResetConverterState();
    BuildTrigTables();
    EXPECT_EQ(level.sin_table[90], 1.0f);
    EXPECT_EQ(level.cos_table[90], static_cast<float>(std::cos(90 * (3.141592653589793 / 180))));
    EXPECT_NE(level.cos_table[90], 0.0f);
    EXPECT_EQ(level.cos_table[0], 1.0f);
}

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
        EXPECT_EQ(ExpectFatal([&] { Load(lumps, bad); }).message,
                  std::string("ERROR: ") + c.message + ".\n");
    }

    // Cut anywhere, either format ends with an ERROR line.
    const std::vector<uint8_t> compressed = Compressed(good);
    for (const std::vector<uint8_t>* whole : {&good, &compressed}) {
        for (size_t length = 4; length < whole->size(); length++) {
            std::vector<uint8_t> cut(whole->begin(), whole->begin() + length);
            EXPECT_EQ(ExpectFatal([&] { Load(lumps, cut); }).message.rfind("ERROR: ", 0), 0u)
                << length;
        }
    }
    std::vector<uint8_t> garbage = compressed;
    garbage[4] ^= 0xFF;
    EXPECT_EQ(ExpectFatal([&] { Load(lumps, garbage); }).message,
              "ERROR: Compressed NODES lump is damaged: it does not decompress (bad data).\n");
}
