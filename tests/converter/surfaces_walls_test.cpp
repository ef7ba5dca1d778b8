// Wall brushes, two-sided line fillers and bounding brushes.
#include <gtest/gtest.h>

#include "formats/fatal.h"
#include "tests/converter/surfaces_fixture.h"

namespace {

class WallsTest : public StaticGeometryTest {
protected:
    // The clockwise room 0..100 x 0..100: lines north, east, south, west, with
    // their front segs.
    void AddSquareRoom(const std::string& middle = "STARTAN3") {
        const int room = AddSector(0, 128);
        const int first = AddRoom({{0, 0}, {0, 100}, {100, 100}, {100, 0}}, room, middle);
        const uint16_t angles[] = {0x4000, 0, 0xC000, 0x8000};
        for (int i = 0; i < 4; i++) AddFrontSeg(first + i, angles[i]);
    }

    std::string RunWalls() {
        testing::internal::CaptureStdout();
        BuildWallBrushes();
        return testing::internal::GetCapturedStdout();
    }

    // Sectors 0 (front, 0..128) and 1 (back), joined by line 0 from (0,0) to
    // (128,0) whose front side carries `middle`, `upper` and `lower`.
    void AddFillerLine(int back_floor, int back_ceiling, const std::string& middle,
                       const std::string& upper, const std::string& lower) {
        AddSector(0, 128);
        AddSector(back_floor, back_ceiling);
        const int v = AddVertex(0, 0);
        AddVertex(128, 0);
        const int front_side = AddSide(0, middle, upper, lower, 8, 3);
        AddLine(v, v + 1, front_side, AddSide(1));
    }

    // The bottom and top heights of the one filler brush written.
    std::pair<std::string, std::string> FillerHeights() {
        BuildLineFillers();
        const std::vector<std::string> lines = MapLines();
        if (lines.size() != 8) return {"?", "?"};
        return {lines[5].substr(0, lines[5].find(" common")),
                lines[6].substr(0, lines[6].find(" common"))};
    }
};

// The four axis directions, their offsets and lengthened ends are checked line
// by line in the end-to-end room test.
TEST_F(WallsTest, SquareRoomLengthensEveryEnd) {
    AddSquareRoom();
    EXPECT_EQ(RunWalls(),
              "Calculating Wall Brushes, WallWid=2...\n"
              "Built 4 wall brushes:\n * 8 were scaled\n * 0 were split\n");
    EXPECT_EQ(map_writer.brush_count, 4);
    EXPECT_EQ(map_writer.plane_count, 24);
    EXPECT_TRUE(wall_segments.empty());
}

TEST_F(WallsTest, BoundLengthensNoEnd) {
    convert_options.option_flags |= kOptBound;
    AddSquareRoom();
    EXPECT_NE(RunWalls().find(" * 0 were scaled\n"), std::string::npos);
    const std::vector<std::string> lines = MapLines();
    ASSERT_EQ(lines.size(), 32u);
    EXPECT_EQ(lines[3],
              "  ( -1 0 10 ) ( 0 0 10 ) ( -1 0 0 ) common/nodraw 0 0 0 1.000000 1.000000");
    EXPECT_EQ(lines[4],
              "  ( 0 100 10 ) ( -1 100 10 ) ( 0 100 0 ) common/nodraw 0 0 0 1.000000 1.000000");
}

TEST_F(WallsTest, OutwardDegreeIsCappedAt315) {
    AddSquareRoom();
    level.segs[2].angle = 0xBFFF;  // degree 359 would give (1, 0); 315 gives (1, -1)
    RunWalls();
    const std::vector<std::string> lines = MapLines();
    ASSERT_EQ(lines.size(), 32u);
    EXPECT_EQ(lines[18],
              "  ( 101 -1 10 ) ( 101 99 10 ) ( 101 -1 0 ) common/nodraw 0 0 0 1.000000 1.000000");
}

TEST_F(WallsTest, FaceOffsetsFromTextureSizeAndPegging) {
    OpenTextures({{"STARTAN3", 64, 128}, {"SW1BRN1", 64, 128}});
    const int room = AddSector(8, 200);
    const int first = AddRoom({{100, -100}, {100, 0}, {200, 0}, {200, -100}}, room);
    level.sidedefs[level.linedefs[first + 1].right_sidedef].y_offset = 5;
    RunWalls();
    std::vector<std::string> lines = MapLines();
    ASSERT_EQ(lines.size(), 32u);
    // Along +x from x = 100: -100 rem 64 = -36; 200 + 5 rem 128 = 77.
    EXPECT_EQ(lines[9],
              "  ( 100 0 10 ) ( 200 0 10 ) ( 100 0 0 ) STARTAN3 -36 77 0 1.000000 1.000000");
    // Along -x from x = 200: mirrored.
    EXPECT_EQ(
        lines[25],
        "  ( 200 -100 10 ) ( 100 -100 10 ) ( 200 -100 0 ) STARTAN3 -8 72 0 -1.000000 1.000000");

    // Lower unpegged counts from the floor; a switch texture is never mirrored.
    fclose(map_writer.map_file);
    map_writer.map_file = tmpfile();
    level.linedefs[first + 1].flags = 0x10;
    level.sidedefs[level.linedefs[first + 3].right_sidedef].middle_texture =
        MakeLumpName("sw1brn1");
    RunWalls();
    lines = MapLines();
    ASSERT_EQ(lines.size(), 32u);
    EXPECT_EQ(lines[9],
              "  ( 100 0 10 ) ( 200 0 10 ) ( 100 0 0 ) STARTAN3 -36 13 0 1.000000 1.000000");
    EXPECT_EQ(lines[25],
              "  ( 200 -100 10 ) ( 100 -100 10 ) ( 200 -100 0 ) SW1BRN1 -8 72 0 1.000000 1.000000");
}

TEST_F(WallsTest, MissingMiddleTextureAndZeroLengthLine) {
    const int room = AddSector(0, 128);
    // A zero-length line at the north-west corner.
    AddRoom({{0, 0}, {0, 100}, {0, 100}, {100, 100}, {100, 0}}, room, "-");
    EXPECT_NE(RunWalls().find("Built 5 wall brushes:"), std::string::npos);
    const std::vector<std::string> lines = MapLines();
    ASSERT_EQ(lines.size(), 40u);
    EXPECT_NE(lines[1].find(" COMMON/TRIGMULTI 0 128 0 1.000000 "), std::string::npos);
    EXPECT_EQ(lines[9].substr(0, 37), "  ( 0 100 10 ) ( 0 100 10 ) ( 0 100 0");
    EXPECT_NE(lines[9].find(" 1.000000 1.000000"), std::string::npos);
}

TEST_F(WallsTest, IsolatedLineWarnsAndGetsNoBrush) {
    AddSector(0, 128);
    const int room = AddSector(0, 128);
    AddRoom({{0, 0}, {0, 100}, {100, 100}, {100, 0}}, room);
    const int v = AddVertex(300, 300);
    AddVertex(400, 300);
    AddLine(v, v + 1, AddSide(0, "STARTAN3"));
    const std::string out = RunWalls();
    EXPECT_NE(out.find("WARNING: Sector 0 is not closed (line 4)\n"), std::string::npos);
    EXPECT_NE(out.find("Built 4 wall brushes:"), std::string::npos);
}

TEST_F(WallsTest, CornerExtensionWindow) {
    WallSegment a{0, 0, 0, 0, 0, 0};
    WallSegment b = a;
    b.angle = 910;
    EXPECT_FALSE(NeedsCornerExtension(a, b));
    b.angle = 909;
    EXPECT_TRUE(NeedsCornerExtension(a, b));
    b.angle = 31858;
    EXPECT_FALSE(NeedsCornerExtension(a, b));
    b.angle = 31859;
    EXPECT_TRUE(NeedsCornerExtension(a, b));
    a.angle = 0xF000;  // the window wraps through 0
    b.angle = 0;
    EXPECT_FALSE(NeedsCornerExtension(a, b));
    b.angle = 30000;
    EXPECT_TRUE(NeedsCornerExtension(a, b));
    convert_options.option_flags |= kOptBound;
    EXPECT_FALSE(NeedsCornerExtension(a, b));
}

TEST_F(WallsTest, FillerBrushPlanes) {
    AddFillerLine(48, 96, "midgrate", "-", "STEP1");
    AddFrontSeg(0, 0, 16);
    BuildLineFillers();
    const std::vector<std::string> expected = {
        " {",
        "  ( 0 -1 10 ) ( 128 -1 10 ) ( 0 -1 0 ) midgrate -24 131 0 1.000000 1.000000",
        "  ( 128 0 10 ) ( 0 0 10 ) ( 128 0 0 ) midgrate -24 131 0 1.000000 1.000000",
        "  ( 0 0 10 ) ( 0 -1 10 ) ( 0 0 0 ) common/nodraw -24 131 0 1.000000 1.000000",
        "  ( 128 -1 10 ) ( 128 0 10 ) ( 128 -1 0 ) common/nodraw -24 131 0 1.000000 1.000000",
        "  ( -1 1 0 ) ( 0 0 0 ) ( 1 1 0 ) common/nodraw 0 0 0 1.000000 1.000000",
        "  ( -1 1 48 ) ( 1 1 48 ) ( 0 0 48 ) common/nodraw 0 0 0 1.000000 1.000000",
        " }",
    };
    EXPECT_EQ(MapLines(), expected);
    EXPECT_EQ(map_writer.brush_count, 1);
    EXPECT_EQ(map_writer.plane_count, 6);
}

TEST_F(WallsTest, FillerHeightsByStep) {
    // Front sector 0..128; the back sector's heights pick the span.
    const struct {
        int back_floor, back_ceiling, bottom, top;
    } cases[] = {
        {32, 96, 0, 128},   // both steps 32: the front sector's full height
        {48, 96, 0, 48},    // lower step 48 > upper step 32
        {16, 64, 64, 128},  // upper step 64 > lower step 16
    };
    for (const auto& c : cases) {
        ResetLevelData();
        BuildTrigTables();
        fclose(map_writer.map_file);
        map_writer.map_file = tmpfile();
        AddFillerLine(c.back_floor, c.back_ceiling, "MIDBARS", "UPPER", "LOWER");
        const auto [bottom, top] = FillerHeights();
        EXPECT_EQ(bottom,
                  FormatText("  ( -1 1 %d ) ( 0 0 %d ) ( 1 1 %d )", c.bottom, c.bottom, c.bottom));
        EXPECT_EQ(top, FormatText("  ( -1 1 %d ) ( 1 1 %d ) ( 0 0 %d )", c.top, c.top, c.top));
    }
}

TEST_F(WallsTest, FillersNeedMiddleAndAnotherTexture) {
    AddFillerLine(16, 64, "-", "UPPER", "LOWER");
    const int v = AddVertex(0, 50);
    AddVertex(128, 50);
    const int front_side = AddSide(0, "MIDBARS");
    AddLine(v, v + 1, front_side, AddSide(1));  // middle only
    BuildLineFillers();
    EXPECT_EQ(MapText(), "");
    // A one-sided line is tested the same way and spans its sector.
    AddLine(v + 1, v, AddSide(0, "MIDBARS", "UPPER"));
    BuildLineFillers();
    const std::vector<std::string> lines = MapLines();
    ASSERT_EQ(lines.size(), 8u);
    EXPECT_EQ(lines[5], "  ( -1 1 0 ) ( 0 0 0 ) ( 1 1 0 ) common/nodraw 0 0 0 1.000000 1.000000");
    EXPECT_EQ(lines[6],
              "  ( -1 1 128 ) ( 1 1 128 ) ( 0 0 128 ) common/nodraw 0 0 0 1.000000 1.000000");
}

TEST_F(WallsTest, NegativeBackSideIndexCountsAsOneSided) {
    AddSquareRoom();
    level.linedefs[0].left_sidedef = -2;
    level.sidedefs[level.linedefs[0].right_sidedef].upper_texture = MakeLumpName("UPPER");
    BuildLineFillers();
    const std::vector<std::string> lines = MapLines();
    ASSERT_EQ(lines.size(), 8u);
    EXPECT_EQ(lines[6],
              "  ( -1 1 128 ) ( 1 1 128 ) ( 0 0 128 ) common/nodraw 0 0 0 1.000000 1.000000");
    EXPECT_NE(RunWalls().find("Built 4 wall brushes:"), std::string::npos);
}

TEST_F(WallsTest, BoundingShell) {
    SetBounds(-512, 512, -256, 256);
    WriteBoundingBrushes();
    EXPECT_EQ(MapText(), "");
    convert_options.option_flags |= kOptBound;
    WriteBoundingBrushes();
    const std::vector<std::string> lines = MapLines();
    ASSERT_EQ(lines.size(), 48u);
    const char* const top[] = {
        " {",
        "  ( 0 1 268 ) ( 1 1 268 ) ( 0 0 268 ) common/caulk 0 0 0 1.000000 1.000000",
        "  ( 1 1 264 ) ( 0 1 264 ) ( 0 0 264 ) common/caulk 0 0 0 1.000000 1.000000",
        "  ( -518 1 1 ) ( -518 0 1 ) ( -518 0 0 ) common/caulk 0 0 0 1.000000 1.000000",
        "  ( 518 1 1 ) ( 518 1 0 ) ( 518 0 0 ) common/caulk 0 0 0 1.000000 1.000000",
        "  ( 0 -262 1 ) ( 1 -262 1 ) ( 0 -262 0 ) common/caulk 0 0 0 1.000000 1.000000",
        "  ( 1 262 1 ) ( 0 262 1 ) ( 0 262 0 ) common/caulk 0 0 0 1.000000 1.000000",
        " }",
    };
    for (int i = 0; i < 8; i++) EXPECT_EQ(lines[i], top[i]);
    EXPECT_EQ(lines[9].substr(0, 22), "  ( 0 1 -72 ) ( 1 1 -7");  // bottom slab
    EXPECT_EQ(lines[10].substr(0, 22), "  ( 1 1 -76 ) ( 0 1 -7");
    EXPECT_EQ(lines[20].substr(0, 12), "  ( -516 1 1");    // west slab, its upper x bound
    EXPECT_EQ(lines[27].substr(0, 11), "  ( 516 1 1");     // east slab, its lower x bound
    EXPECT_EQ(lines[38].substr(0, 14), "  ( 1 -260 1 )");  // south slab, its upper y bound
    EXPECT_EQ(lines[45].substr(0, 13), "  ( 0 260 1 )");   // north slab, its lower y bound
    int caulk = 0;
    for (const std::string& line : lines) caulk += line.find(" common/caulk ") != std::string::npos;
    EXPECT_EQ(caulk, 36);
    EXPECT_EQ(map_writer.brush_count, 0);
    EXPECT_EQ(map_writer.plane_count, 0);
}

}  // namespace
