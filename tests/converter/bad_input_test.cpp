// The catalogue of bad input for brakt, run end to end: damaged WADs, level
// lumps with indices out of range, degenerate levels, damaged .TEX files and
// text tables, outputs that cannot be created or written. Every case ends
// with its message and status, or converts; none crashes.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/map_checks.h"
#include "tests/support/test_support.h"

namespace {

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// Runs brakt in the current folder; a signal or a sanitizer report fails.
RunResult Brakt(const std::vector<std::string>& args, long file_size_limit = 0) {
    return RunWithoutCrash(BRAKT_PATH, args, file_size_limit);
}

// A complete run whose map passes the structural checks.
void ExpectConverts(const RunResult& run, const std::string& map_name = "MAP01.MAP") {
    EXPECT_EQ(run.status, 0) << run.output;
    EXPECT_FALSE(FileExists("FENWOLD.TMP"));
    MapCheckResult map = CheckMapText(ReadFileText(map_name));
    EXPECT_TRUE(map.problems.empty()) << map.Report();
}

// A square room with a player start, as MAP01.
LevelBuilder Room() {
    LevelBuilder builder;
    int sector = builder.AddSector({});
    builder.AddRoom({{0, 0}, {0, 256}, {256, 256}, {256, 0}}, sector);
    builder.things.push_back({64, 64, 90, 1, 7});
    return builder;
}

std::vector<uint8_t> RoomWad(const LevelBuilder& builder = Room()) {
    WadBuilder wad;
    builder.AddTo(wad, "MAP01");
    return wad.Build();
}

class BraktBadInput : public testing::Test {
protected:
    void SetUp() override { WriteFileBytes("CUSTOM.TEX", EmptyTexFile()); }

    // Writes `bytes` as BAD.WAD and converts its MAP01.
    RunResult Convert(const std::vector<uint8_t>& bytes, std::vector<std::string> options = {}) {
        WriteFileBytes("BAD.WAD", bytes);
        std::vector<std::string> args = {"bad.wad", "map01", "-custom"};
        args.insert(args.end(), options.begin(), options.end());
        return Brakt(args);
    }

    TempDir dir;
};

}  // namespace

TEST_F(BraktBadInput, WadCutInsideItsHeader) {
    std::vector<uint8_t> wad = RoomWad();
    for (size_t length : {0, 1, 4, 8, 11}) {
        SCOPED_TRACE(length);
        ExpectFails(Convert(std::vector<uint8_t>(wad.begin(), wad.begin() + length)), 1,
                    "ERROR: Could not read 'BAD.WAD': not a IWAD or PWAD.\n");
    }
}

TEST_F(BraktBadInput, WadCutInsideItsDirectory) {
    std::vector<uint8_t> wad = RoomWad();
    for (size_t cut : {1, 15, 16 * 5 + 3, 16 * 11 - 1}) {
        SCOPED_TRACE(cut);
        ExpectFails(Convert(std::vector<uint8_t>(wad.begin(), wad.end() - cut)), 1,
                    "ERROR: 'BAD.WAD' is damaged: its directory lies outside the file.\n");
    }
}

TEST_F(BraktBadInput, WadCutInsideEachLevelLump) {
    WadBuilder wad;
    Room().AddTo(wad, "MAP01");
    DirectoryFirstWad layout = DirectoryFirst(wad);
    const char* const read_order[] = {"THINGS",  "VERTEXES", "SIDEDEFS", "LINEDEFS",
                                      "SECTORS", "SSECTORS", "NODES",    "SEGS"};
    for (size_t i = 0; i < layout.names.size(); i++) {
        if (layout.sizes[i] == 0) continue;
        for (size_t cut : {layout.offsets[i] + 1, layout.offsets[i] + layout.sizes[i] / 2,
                           layout.offsets[i] + layout.sizes[i] - 1}) {
            SCOPED_TRACE(layout.names[i] + " cut at " + std::to_string(cut));
            // The first lump read that no longer fits in the file is named.
            std::string named;
            for (const char* name : read_order) {
                for (size_t k = 0; k < layout.names.size() && named.empty(); k++) {
                    if (layout.names[k] == name && layout.sizes[k] > 0 &&
                        layout.offsets[k] + layout.sizes[k] > cut)
                        named = name;
                }
                if (!named.empty()) break;
            }
            ExpectFails(
                Convert(std::vector<uint8_t>(layout.bytes.begin(), layout.bytes.begin() + cut)), 1,
                "ERROR: 'BAD.WAD' is damaged: lump '" + named + "' lies outside the file.\n");
        }
    }
}

TEST_F(BraktBadInput, NegativeAndHugeLumpCountsAndSizes) {
    const std::string directory_outside =
        "ERROR: 'BAD.WAD' is damaged: its directory lies outside the file.\n";
    std::vector<uint8_t> wad = RoomWad();
    for (int64_t count : {-1LL, -2147483648LL, 2147483647LL, 12LL, 0x10000001LL}) {
        std::vector<uint8_t> bad = wad;
        SetS32(bad, 4, count);
        SCOPED_TRACE(count);
        ExpectFails(Convert(bad), 1, directory_outside);
    }
    for (int64_t offset : {-16LL, -2147483648LL, 2147483647LL}) {
        std::vector<uint8_t> bad = wad;
        SetS32(bad, 8, offset);
        SCOPED_TRACE(offset);
        ExpectFails(Convert(bad), 1, directory_outside);
    }

    // Entry 4 of the directory is VERTEXES (MAP01, THINGS, LINEDEFS, SIDEDEFS,
    // VERTEXES, ...).
    size_t directory = wad[8] | (wad[9] << 8) | (wad[10] << 16);
    size_t vertexes = directory + 4 * 16;
    ASSERT_EQ(std::string(wad.begin() + vertexes + 8, wad.begin() + vertexes + 16),
              std::string("VERTEXES", 8));
    const std::string lump_outside =
        "ERROR: 'BAD.WAD' is damaged: lump 'VERTEXES' lies outside the file.\n";
    for (int64_t size : {-1LL, -2147483648LL, 2147483647LL, 0x10000000LL}) {
        std::vector<uint8_t> bad = wad;
        SetS32(bad, vertexes + 4, size);
        SCOPED_TRACE(size);
        ExpectFails(Convert(bad), 1, lump_outside);
    }
    for (int64_t offset : {-1LL, -2147483648LL, 2147483647LL}) {
        std::vector<uint8_t> bad = wad;
        SetS32(bad, vertexes, offset);
        SCOPED_TRACE(offset);
        ExpectFails(Convert(bad), 1, lump_outside);
    }
    // Sizes that are no multiple of the record: the remainder is ignored.
    WadBuilder ragged;
    Room().AddTo(ragged, "MAP01");
    for (const char* name : {"THINGS", "VERTEXES", "SIDEDEFS", "LINEDEFS", "SECTORS", "SEGS"})
        ragged.Data(name).push_back(0xFF);
    ExpectConverts(Convert(ragged.Build()));
}

TEST_F(BraktBadInput, IndicesOutOfRangeInEveryLevelLump) {
    struct Case {
        const char* lump;
        size_t record_size;
        int record;
        size_t field;  // byte offset in the record
        int value;
        const char* message;  // empty: the level converts
    };
    // The room has 4 vertices, 4 lines, 4 sides, 1 sector, 4 segs, 1 subsector.
    const Case cases[] = {
        {"SIDEDEFS", 30, 0, 28, 1, "SIDEDEFS record 0 refers to sector 1"},
        {"SIDEDEFS", 30, 3, 28, -1, "SIDEDEFS record 3 refers to sector 65535"},
        {"LINEDEFS", 14, 1, 0, 4, "LINEDEFS record 1 refers to vertex 4"},
        {"LINEDEFS", 14, 1, 2, -1, "LINEDEFS record 1 refers to vertex 65535"},
        {"LINEDEFS", 14, 2, 10, 4, "LINEDEFS record 2 refers to sidedef 4"},
        {"LINEDEFS", 14, 2, 10, -32768, "LINEDEFS record 2 refers to sidedef 32768"},
        {"LINEDEFS", 14, 2, 10, -1, "LINEDEFS record 2 refers to sidedef -1"},  // no front side
        {"LINEDEFS", 14, 2, 12, 4, "LINEDEFS record 2 refers to sidedef 4"},
        {"LINEDEFS", 14, 3, 12, -2, "LINEDEFS record 3 refers to sidedef 65534"},
        {"LINEDEFS", 14, 3, 12, -1, ""},  // 65535: no back side
        {"LINEDEFS", 14, 0, 12, 1, ""},   // a back side shared with another line
        {"SEGS", 12, 0, 0, 32767, "SEGS record 0 refers to vertex 32767"},
        {"SEGS", 12, 1, 2, -32768, "SEGS record 1 refers to vertex 32768"},
        {"SEGS", 12, 2, 6, 4, "SEGS record 2 refers to linedef 4"},
        {"SEGS", 12, 3, 6, -1, "SEGS record 3 refers to linedef 65535"},
        {"SSECTORS", 4, 0, 2, 4, "SSECTORS record 0 refers to seg 4"},
        {"SSECTORS", 4, 0, 2, -1, "SSECTORS record 0 refers to seg 65535"},
        {"SSECTORS", 4, 0, 0, 5, "SSECTORS record 0 refers to seg 4"},
        {"SSECTORS", 4, 0, 0, 0, "SSECTORS record 0 refers to seg -1"},
        {"SSECTORS", 4, 0, 0, -32768, "SSECTORS record 0 refers to seg 32767"},
        {"THINGS", 10, 0, 0, -32768, ""},   // a thing outside every sector
        {"THINGS", 10, 0, 4, -1, ""},       // angle
        {"SECTORS", 26, 0, 0, 32767, ""},   // floor above the ceiling
        {"SECTORS", 26, 0, 20, -1, ""},     // light level
        {"SECTORS", 26, 0, 22, 32767, ""},  // special
        {"SECTORS", 26, 0, 24, -1, ""},     // tag
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.lump) + " record " + std::to_string(c.record) + " field " +
                     std::to_string(c.field) + " = " + std::to_string(c.value));
        WadBuilder wad;
        Room().AddTo(wad, "MAP01");
        SetS16(wad.Data(c.lump), c.record * c.record_size + c.field, c.value);
        RunResult run = Convert(wad.Build());
        if (*c.message)
            ExpectFails(run, 1, std::string("ERROR: ") + c.message + ", which does not exist.\n");
        else
            ExpectConverts(run);
    }

    // NODES: a child subsector that does not exist, a node that refers to
    // itself, and one that refers to a later node.
    const std::pair<int, const char*> nodes[] = {
        {0x8001, "NODES record 0 refers to subsector 1"},
        {0xFFFF, "NODES record 0 refers to subsector 32767"},
        {0x0000, "NODES record 0 refers to node 0"},
        {0x0001, "NODES record 0 refers to node 1"},
    };
    for (const auto& [child, message] : nodes) {
        SCOPED_TRACE(message);
        LevelBuilder builder = Room();
        std::vector<uint8_t> node(28, 0);
        SetS16(node, 4, 64);  // a partition along x
        SetS16(node, 24, 0x8000);
        SetS16(node, 26, child);
        builder.raw_nodes.push_back(node);
        ExpectFails(Convert(RoomWad(builder)), 1,
                    std::string("ERROR: ") + message + ", which does not exist.\n");
    }

    // A seg neither along nor against its line; compressed nodes that do
    // not decompress.
    WadBuilder wad;
    Room().AddTo(wad, "MAP01");
    SetS16(wad.Data("SEGS"), 8, 7);
    ExpectFails(Convert(wad.Build()), 1, "ERROR: SEGS record 0 has direction 7.\n");
    SetS16(wad.Data("SEGS"), 8, 0);
    wad.Data("NODES") = {'Z', 'N', 'O', 'D', 1, 2, 3};
    ExpectFails(Convert(wad.Build()), 1,
                "ERROR: Compressed NODES lump is damaged: it does not decompress (bad data).\n");
}

TEST_F(BraktBadInput, DegenerateLevels) {
    // No vertices at all.
    LevelBuilder empty;
    ExpectFails(Convert(RoomWad(empty)), 1, "ERROR: The level 'MAP01' has no vertices.\n");

    // Vertices but no lines, sectors, segs or subsectors; things anyway: no
    // node builder has seen the level. Without things it converts.
    LevelBuilder bare;
    bare.AddVertex(0, 0);
    bare.things.push_back({0, 0, 0, 1, 7});
    WadBuilder wad;
    bare.AddTo(wad, "MAP01");
    wad.Data("SSECTORS").clear();
    ExpectFails(Convert(wad.Build()), 1,
                "Missing 'NODES' entry in WAD.\nPlease make sure the level has been BSP'ed.\n");
    wad.Data("THINGS").clear();
    ExpectConverts(Convert(wad.Build()));

    // One sector and no nodes, the things looked up in the only subsector.
    ExpectConverts(Convert(RoomWad()));

    // A sector without lines, a stray line, a line with its sector on both sides.
    LevelBuilder odd = Room();
    odd.AddSector({});
    int a = odd.AddVertex(100, 100);
    int b = odd.AddVertex(120, 100);
    odd.AddLine(a, b, 0, 0);
    ExpectConverts(Convert(RoomWad(odd)));

    // Vertices at the ends of the 16-bit range: the shift to the middle
    // wraps coordinates around, which must still convert.
    LevelBuilder wide;
    int sector = wide.AddSector({});
    wide.AddRoom({{-32768, -32768}, {-32768, 32767}, {32767, 32767}, {32767, -32768}}, sector);
    wide.AddRoom({{30000, 30000}, {30000, 32767}, {32767, 32767}, {32767, 30000}}, sector);
    ExpectConverts(Convert(RoomWad(wide)));
}

TEST_F(BraktBadInput, LinesWithoutSegsAndZeroLengthLines) {
    // Lines of no length: one-sided on one vertex, two-sided with a middle
    // texture and a step on two vertices at one point, a door line, and a
    // one-sided exit switch.
    LevelBuilder builder = Room();
    LevelBuilder::SectorSpec step;
    step.floor = 32;
    int raised = builder.AddSector(step);
    int v = builder.AddVertex(128, 128);
    builder.AddLine(v, v, 0);
    int two_sided = builder.AddLine(v, builder.AddVertex(128, 128), 0, raised);
    builder.sides[builder.lines[two_sided].right].middle = "STARTAN3";
    builder.sides[builder.lines[two_sided].left].middle = "STARTAN3";
    builder.AddLine(1, 1, 0, raised, 1);
    builder.AddLine(2, 2, 0, -1, 11);
    WadBuilder wad;
    builder.AddTo(wad, "MAP01");

    auto check = [](const RunResult& run) {
        EXPECT_EQ(run.status, 0) << run.output;
        EXPECT_FALSE(FileExists("FENWOLD.TMP"));
        EXPECT_TRUE(Contains(run.output, "WARNING: Line 6 has no length, no trigger built\n"));
        EXPECT_TRUE(Contains(run.output, "WARNING: Line 7 has no length, no trigger built\n"));
        // The wall brushes of the two one-sided lines of no length enclose
        // no space: they are left out, and nothing written is malformed.
        EXPECT_TRUE(
            Contains(run.output, "WARNING: Line 4: 1 of its wall brushes encloses no space"));
        EXPECT_TRUE(
            Contains(run.output, "WARNING: Line 7: 1 of its wall brushes encloses no space"));
        EXPECT_TRUE(Contains(run.output, "Left out: 2 brushes that enclose no space.\n"));
        MapCheckResult map = CheckMapText(ReadFileText("MAP01.MAP"));
        EXPECT_TRUE(map.problems.empty()) << map.Report();
    };
    check(Convert(wad.Build()));

    // No segs for any line: angles and offsets come from the vertices. (Only
    // a level without things may lack node data.)
    wad.Data("SEGS").clear();
    wad.Data("SSECTORS").clear();
    wad.Data("THINGS").clear();
    check(Convert(wad.Build()));
}

TEST_F(BraktBadInput, SectorsFacedByMoreThan256Lines) {
    // A convex sector of 300 sides, a star of 600 (deeply concave), and the
    // first as a door opened by a switch.
    auto polygon = [](int corners, int inner) {
        std::vector<std::pair<int, int>> points;
        for (int i = corners - 1; i >= 0; i--) {
            double angle = 2 * 3.141592653589793 * i / corners;
            int radius = (inner && i % 2) ? inner : 2000;
            points.push_back({static_cast<int>(radius * std::cos(angle)),
                              static_cast<int>(radius * std::sin(angle))});
        }
        return points;
    };
    for (int inner : {0, 1200}) {
        SCOPED_TRACE(inner);
        LevelBuilder builder;
        int sector = builder.AddSector({});
        builder.AddRoom(polygon(inner ? 600 : 300, inner), sector);
        ExpectConverts(Convert(RoomWad(builder)));
    }

    LevelBuilder door;
    int room = door.AddSector({});
    LevelBuilder::SectorSpec closed;
    closed.ceiling = 0;
    closed.tag = 5;
    int big = door.AddSector(closed);
    door.AddRoom(polygon(300, 0), big);
    door.AddRoom({{3000, 0}, {3000, 128}, {3128, 128}, {3128, 0}}, room);
    door.lines.back().special = 103;  // S1 open door
    door.lines.back().tag = 5;
    ExpectConverts(Convert(RoomWad(door)));
}

TEST_F(BraktBadInput, DamagedTextureFiles) {
    std::vector<uint8_t> wad = RoomWad();
    WriteFileBytes("BAD.WAD", wad);
    // One entry STARTAN3 (the room's walls) of 64 x 128 at offset 12.
    auto tex = [](int64_t width, int64_t height) {
        std::vector<uint8_t> bytes;
        PutName(bytes, "WAD2", 4);
        PutS32(bytes, 1);
        PutS32(bytes, 52);
        PutName(bytes, "STARTAN3", 16);
        PutS32(bytes, static_cast<int32_t>(width));
        PutS32(bytes, static_cast<int32_t>(height));
        for (int i = 0; i < 4; i++) PutS32(bytes, 40);
        PutS32(bytes, 12);
        PutS32(bytes, 40);
        PutS32(bytes, 40);
        bytes.insert(bytes.end(), {0x44, 0, 0, 0});
        PutName(bytes, "STARTAN3", 16);
        return bytes;
    };
    auto run = [](const std::vector<uint8_t>& bytes) {
        WriteFileBytes("T.TEX", bytes);
        return Brakt({"bad.wad", "map01", "-wad", "t.tex"});
    };
    ExpectConverts(run(tex(64, 128)));

    // Sizes of zero, negative, huge: such a texture counts as missing or is
    // taken as it is; the run goes on.
    for (auto [width, height] : {std::pair<int64_t, int64_t>{0, 128},
                                 {64, 0},
                                 {-64, 128},
                                 {0xFFFFFFFF, 128},
                                 {0x7FFFFFFF, 0x7FFFFFFF}}) {
        SCOPED_TRACE(std::to_string(width) + " x " + std::to_string(height));
        ExpectConverts(run(tex(width, height)));
    }

    // A name of 16 characters without a terminator is read whole.
    std::vector<uint8_t> unterminated = tex(64, 128);
    for (size_t at : {12, 52 + 16}) {
        for (int i = 0; i < 16; i++) unterminated[at + i] = 'A' + i;
    }
    ExpectConverts(run(unterminated));

    const std::string not_wad2 = "ERROR: 't.tex' is not a WAD2 file.\n";
    std::vector<uint8_t> good = tex(64, 128);
    for (size_t length : {0, 3, 4, 11, 12, 52, 60, 83}) {
        SCOPED_TRACE(length);
        ExpectFails(run(std::vector<uint8_t>(good.begin(), good.begin() + length)), 12, not_wad2);
    }
    for (int64_t count : {2LL, 0xFFFFFFFFLL, 0x08000000LL}) {
        std::vector<uint8_t> bad = good;
        SetS32(bad, 4, count);
        SCOPED_TRACE(count);
        ExpectFails(run(bad), 12, not_wad2);
    }
    std::vector<uint8_t> far_directory = good;
    SetS32(far_directory, 8, 0xFFFFFFF0LL);
    ExpectFails(run(far_directory), 12, not_wad2);

    // The entry's data lies past the end of the file.
    for (int64_t offset : {50LL, 0xFFFFFFFFLL}) {
        std::vector<uint8_t> bad = good;
        SetS32(bad, 52, offset);
        SCOPED_TRACE(offset);
        ExpectFails(run(bad), 12,
                    "ERROR: 't.tex' is damaged: texture 'STARTAN3' lies outside the file.\n");
    }
}

TEST_F(BraktBadInput, DamagedTextureMapsAndObjectTables) {
    WriteFileBytes("BAD.WAD", RoomWad());
    std::string overlong(1000, 'x');
    WriteFileText("MAP.TXT", "\r\n\n" + overlong + " y\nONEWORD\nSTARTAN3\n \t \n" +
                                 std::string("AB\0CD x/y\n", 10) + "NAMETOOLONG a/b\n" +
                                 "STARTAN3 " + overlong + "\n\r\r\r\nFLOOR4_8 ok/floor");
    RunResult run = Brakt({"bad.wad", "map01", "-custom", "-texmap", "map.txt"});
    ExpectConverts(run);
    EXPECT_TRUE(Contains(run.output, "WARNING: map.txt line 3 skipped")) << run.output;
    EXPECT_TRUE(Contains(run.output, "WARNING: map.txt line 4 skipped")) << run.output;
    EXPECT_TRUE(Contains(ReadFileText("MAP01.MAP"), " ok/floor ")) << run.output;

    WriteFileText("BRKT_OBJ.TXT", "\n\r\n" + overlong + "\n1 " + overlong + "\"\n" + "1\n" +
                                      "\"info_player_start\"\n" + "one \"info_player_start\"\n" +
                                      "0x \"x\"\n" + "99999999999 \"x\"\n" + "-1 \"x\"\n" +
                                      "1 \"\n" + std::string("1 \"a\0b\"\n", 8) + "\"\"\n" +
                                      "1 \"info_player_start\"");
    run = Brakt({"bad.wad", "map01", "-custom"});
    ExpectConverts(run);
    EXPECT_TRUE(Contains(run.output, "WARNING: BRKT_OBJ.TXT line 3 skipped")) << run.output;
    EXPECT_TRUE(Contains(ReadFileText("MAP01.MAP"), "\"classname\"\t\"info_player_start\""));
}

TEST_F(BraktBadInput, OutputFolderThatCannotBeWritten) {
    if (geteuid() == 0) GTEST_SKIP() << "permissions do not stop root from writing";
    WriteFileBytes("BAD.WAD", RoomWad());
    ASSERT_EQ(chmod(".", 0555), 0);
    RunResult run = Brakt({"bad.wad", "map01", "-custom"});
    chmod(".", 0755);
    ExpectFails(run, 1, "ERROR: Could not create 'MAP01.MAP'\n");
}

TEST_F(BraktBadInput, DiskThatFillsUp) {
    // A flickering light in the room, so that the temporary entity file has a
    // block to copy.
    LevelBuilder builder = Room();
    builder.sectors[0].special = 1;
    WriteFileBytes("BAD.WAD", RoomWad(builder));
    RunResult full = Brakt({"bad.wad", "map01", "-custom"});
    ASSERT_EQ(full.status, 0) << full.output;
    const long size = static_cast<long>(ReadFileBytes("MAP01.MAP").size());
    for (long limit : {1L, 100L, size / 3, size / 2, size - 300, size - 1}) {
        SCOPED_TRACE(limit);
        std::filesystem::remove("MAP01.MAP");
        std::filesystem::remove("FENWOLD.TMP");
        RunResult run = Brakt({"bad.wad", "map01", "-custom"}, limit);
        EXPECT_EQ(run.status, 1) << run.output;
        EXPECT_TRUE(Contains(run.output, "ERROR: Could not write '")) << run.output;
    }
}

// A folder where a file is expected gets that file's "cannot be opened" answer.
TEST_F(BraktBadInput, FoldersWhereFilesAreExpected) {
    std::filesystem::create_directory("DIR.WAD");
    ExpectFails(Brakt({"dir.wad", "map01", "-custom"}), 1,
                "ERROR: Could not read 'DIR.WAD': file not found.\n");
    WriteFileBytes("ROOM.WAD", RoomWad());
    std::filesystem::create_directory("FOLDER.TEX");
    ExpectFails(Brakt({"room.wad", "map01", "-wad", "FOLDER.TEX"}), 11,
                "ERROR: 'FOLDER.TEX' could not be opened.\n");
    std::filesystem::create_directory("TEXMAP");
    ExpectFails(Brakt({"room.wad", "map01", "-custom", "-texmap", "TEXMAP"}), 12,
                "ERROR: TEXMAP could not be opened.\n");
    std::filesystem::create_directory("BRKT_OBJ.TXT");
    const RunResult run = Brakt({"room.wad", "map01", "-custom"});
    ExpectConverts(run);
    EXPECT_TRUE(Contains(run.output, "BRKT_OBJ.TXT not found, ** NO OBJECTS CONVERTED **\n"));
}
