// Floor and ceiling brushes and their side planes.
#include <gtest/gtest.h>

#include "converter/output/brush.h"
#include "tests/converter/surfaces_fixture.h"

namespace {

class FloorsTest : public StaticGeometryTest {
protected:
    // Converts the square room 0..128 x 0..128 (floor 0, ceiling 128, lines without segs).
    void ConvertSquareRoom() {
        const int room = AddSector(0, 128);
        AddRoom({{0, 0}, {0, 128}, {128, 128}, {128, 0}}, room);
        SetBounds(0, 128, 0, 128);
        level.current_sector = room;
        CollectSectorEdges();
        level.clip_line_count = 0;
        auto tree = BuildPartitionTree(level.edge_list.data(), level.edge_count);
        EmitPieces(*tree);
    }

    // A piece whose one usable edge lies on line 0, from (x1,y1) to (x2,y2), whose
    // far side faces sector `neighbour`; the piece lies on the line's right.
    void SetTwoSidedPiece(int x1, int y1, int x2, int y2, int neighbour, int far_side,
                          int end_offset = 0) {
        SectorEdge line = Edge(x1, y1, x2, y2);
        line.other_sector = neighbour;
        line.other_sidedef = far_side;
        line.linedef = 0;
        line.end_offset = end_offset;
        level.clip_lines = {line};
        level.clip_line_count = 1;
        SectorEdge remnant = Edge(x2, y2 - 50, x1, y1 - 50);
        remnant.from_linedef = 0;  // a side of the starting box: no plane
        SectorEdge on_line = Edge(x2, y2, x1, y1);
        on_line.clip_index = 0;
        level.edge_list = {remnant, on_line};
        level.edge_count = 2;
    }

    // The one plane line that WritePieceSides writes.
    std::string SidePlane(const std::string& material, int mode) {
        BeginBrush(BrushOwner::kSectorPieces, 0);
        WritePieceSides(material, mode);
        std::string text;
        for (size_t i = 0; i < open_brush.plane_count; i++)
            PutPlaneLine(text, open_brush.planes[i]);
        if (text.size() >= 2) text.resize(text.size() - 2);
        return text;
    }

    // Sectors 0 (own: floor 0, ceiling 128) and 1 (the neighbour), line 0 from
    // (0,0) to (128,0) running east with its front seg, far side = sidedef 1.
    void SetStep(int neighbour_floor, int neighbour_ceiling, const std::string& upper,
                 const std::string& lower, int flags = 0) {
        AddSector(0, 128);
        AddSector(neighbour_floor, neighbour_ceiling);
        const int v = AddVertex(0, 0);
        AddVertex(128, 0);
        const int front_side = AddSide(0);
        const int far_side = AddSide(1, "-", upper, lower, 10, 600);
        AddLine(v, v + 1, front_side, far_side, flags);
        AddFrontSeg(0, 0);
        level.current_sector = 0;
        level.floor_level = 0;
        level.ceiling_level = 128;
        SetTwoSidedPiece(0, 0, 128, 0, 1, 1, 5);
    }
};

const char* const kSquareFloor[] = {
    " {",
    "  ( 1 1 -68 ) ( -1 0 -68 ) ( 1 -1 -68 ) FLOOR4_8 0 0 0 1.000000 1.000000",
    "  ( -1 1 0 ) ( 1 0 0 ) ( -1 -1 0 ) FLOOR4_8 0 0 0 1.000000 1.000000",
    "  ( -2 128 10 ) ( -2 0 10 ) ( -2 128 0 ) FLOOR4_8 0 0 0 1.000000 1.000000",
    "  ( 128 130 10 ) ( 0 130 10 ) ( 128 130 0 ) FLOOR4_8 0 0 0 1.000000 1.000000",
    "  ( 130 0 10 ) ( 130 128 10 ) ( 130 0 0 ) FLOOR4_8 0 0 0 1.000000 1.000000",
    "  ( 0 -2 10 ) ( 128 -2 10 ) ( 0 -2 0 ) FLOOR4_8 0 0 0 1.000000 1.000000",
    " }",
    " {",
    "  ( -1 1 260 ) ( 1 0 260 ) ( -1 -1 260 ) CEIL3_5 0 0 0 1.000000 1.000000",
    "  ( 1 1 128 ) ( -1 0 128 ) ( 1 -1 128 ) CEIL3_5 0 0 0 1.000000 1.000000",
    "  ( -2 128 10 ) ( -2 0 10 ) ( -2 128 0 ) CEIL3_5 0 0 0 1.000000 1.000000",
    "  ( 128 130 10 ) ( 0 130 10 ) ( 128 130 0 ) CEIL3_5 0 0 0 1.000000 1.000000",
    "  ( 130 0 10 ) ( 130 128 10 ) ( 130 0 0 ) CEIL3_5 0 0 0 1.000000 1.000000",
    "  ( 0 -2 10 ) ( 128 -2 10 ) ( 0 -2 0 ) CEIL3_5 0 0 0 1.000000 1.000000",
    " }",
};

TEST_F(FloorsTest, SquareRoomFloorAndCeiling) {
    ConvertSquareRoom();
    EXPECT_EQ(MapLines(),
              std::vector<std::string>(std::begin(kSquareFloor), std::end(kSquareFloor)));
    EXPECT_EQ(map_writer.brush_count, 2);
    EXPECT_EQ(map_writer.plane_count, 12);
}

TEST_F(FloorsTest, SquareRoomUnderBoundKeepsSidesOnTheWalls) {
    convert_options.option_flags |= kOptBound;
    ConvertSquareRoom();
    const std::vector<std::string> lines = MapLines();
    ASSERT_EQ(lines.size(), 16u);
    EXPECT_EQ(lines[3], "  ( 0 128 10 ) ( 0 0 10 ) ( 0 128 0 ) FLOOR4_8 0 0 0 1.000000 1.000000");
    EXPECT_EQ(lines[4],
              "  ( 128 128 10 ) ( 0 128 10 ) ( 128 128 0 ) FLOOR4_8 0 0 0 1.000000 1.000000");
    EXPECT_EQ(lines[5],
              "  ( 128 0 10 ) ( 128 128 10 ) ( 128 0 0 ) FLOOR4_8 0 0 0 1.000000 1.000000");
    EXPECT_EQ(lines[6], "  ( 0 0 10 ) ( 128 0 10 ) ( 0 0 0 ) FLOOR4_8 0 0 0 1.000000 1.000000");
}

TEST_F(FloorsTest, NoFloorNoCeilWritesNothing) {
    convert_options.option_flags |= kOptNoFloor | kOptNoCeil;
    ConvertSquareRoom();
    EXPECT_EQ(MapText(), "");
    EXPECT_EQ(map_writer.brush_count, 0);
}

TEST_F(FloorsTest, FlatNamesTranslatedAndMissingFlat) {
    const int room = AddSector(0, 128, "-", "F_SKY1");
    AddRoom({{0, 0}, {0, 128}, {128, 128}, {128, 0}}, room);
    SetBounds(0, 128, 0, 128);
    level.current_sector = room;
    CollectSectorEdges();
    level.clip_line_count = 0;
    auto tree = BuildPartitionTree(level.edge_list.data(), level.edge_count);
    EmitPieces(*tree);
    const std::vector<std::string> lines = MapLines();
    ASSERT_EQ(lines.size(), 16u);
    EXPECT_NE(lines[1].find(" COMMON/TRIGMULTI 0 0 0"), std::string::npos);
    EXPECT_NE(lines[6].find(" COMMON/TRIGMULTI 0 0 0"), std::string::npos);
    EXPECT_NE(lines[9].find(" skies/hellsky4 0 0 0"), std::string::npos);
    EXPECT_NE(lines[14].find(" skies/hellsky4 0 0 0"), std::string::npos);
}

TEST_F(FloorsTest, LowerTextureOnAStepDown) {
    SetStep(-24, 128, "-", "BROWN1");
    // x: -10 - 5 - 128 = -143; y: 0 + 600 rem 512 = 88; natx 128 -> 0 over length 128 mirrors.
    EXPECT_EQ(SidePlane("FLOOR4_8", 0),
              "  ( 128 0 10 ) ( 0 0 10 ) ( 128 0 0 ) BROWN1 -143 88 0 -1.000000 1.000000");
    EXPECT_EQ(open_brush.plane_count, 1u);
}

TEST_F(FloorsTest, LowerUnpeggedAndHiddenSteps) {
    SetStep(-24, 128, "-", "brown1", 0x10);
    // 2 * 0 - (-24) - 512 + 600 = 112.
    EXPECT_EQ(SidePlane("FLOOR4_8", 0),
              "  ( 128 0 10 ) ( 0 0 10 ) ( 128 0 0 ) BROWN1 -143 112 0 -1.000000 1.000000");
    // A neighbour floor as high as this one hides the side: pushed 2 units away
    // from the piece, still textured (0 - 0 - 512 + 600 = 88).
    level.sectors[1].floor_height = 0;
    EXPECT_EQ(SidePlane("FLOOR4_8", 0),
              "  ( 128 2 10 ) ( 0 2 10 ) ( 128 2 0 ) BROWN1 -143 88 0 -1.000000 1.000000");
    // A lower texture "-" gives the floor material, aligned all the same.
    level.sidedefs[1].lower_texture = MakeLumpName("-");
    EXPECT_EQ(SidePlane("FLOOR4_8", 0),
              "  ( 128 2 10 ) ( 0 2 10 ) ( 128 2 0 ) FLOOR4_8 -143 88 0 -1.000000 1.000000");
}

TEST_F(FloorsTest, UpperTextureRules) {
    SetStep(0, 160, "BROWN1", "-");
    // 2 * 160 - 128 - 512 + 600 = 280.
    EXPECT_EQ(SidePlane("CEIL3_5", 1),
              "  ( 128 0 10 ) ( 0 0 10 ) ( 128 0 0 ) BROWN1 -143 280 0 -1.000000 1.000000");
    level.linedefs[0].flags = 0x8;  // upper unpegged: 160 + 600 rem 512 = 248
    EXPECT_EQ(SidePlane("CEIL3_5", 1),
              "  ( 128 0 10 ) ( 0 0 10 ) ( 128 0 0 ) BROWN1 -143 248 0 -1.000000 1.000000");
    // A neighbour ceiling no higher than this one: pushed away.
    level.sectors[1].ceiling_height = 128;
    EXPECT_EQ(SidePlane("CEIL3_5", 1),
              "  ( 128 2 10 ) ( 0 2 10 ) ( 128 2 0 ) BROWN1 -143 216 0 -1.000000 1.000000");
}

TEST_F(FloorsTest, SkyCeilingSidesStillTakeUpperTextures) {
    SetStep(0, 160, "BROWN1", "-");
    // "skies/hellsky4" begins with "ski", not "sky".
    EXPECT_NE(SidePlane("skies/hellsky4", 1).find(" BROWN1 "), std::string::npos);
    EXPECT_NE(SidePlane("sky/open", 1).find(" sky/open "), std::string::npos);
}

TEST_F(FloorsTest, PartitionLineSeenFromBehindAndBoxRemnants) {
    SetStep(-24, 128, "-", "BROWN1");
    level.clip_lines[0].other_sidedef = -1;  // a reversed partition line
    EXPECT_EQ(SidePlane("FLOOR4_8", 0),
              "  ( 128 2 10 ) ( 0 2 10 ) ( 128 2 0 ) FLOOR4_8 0 0 0 1.000000 1.000000");
    level.clip_lines[0].from_linedef = 0;  // moved toward the piece
    EXPECT_EQ(SidePlane("FLOOR4_8", 0),
              "  ( 128 -2 10 ) ( 0 -2 10 ) ( 128 -2 0 ) FLOOR4_8 0 0 0 1.000000 1.000000");
    convert_options.option_flags |= kOptBound;
    EXPECT_EQ(SidePlane("FLOOR4_8", 0),
              "  ( 128 0 10 ) ( 0 0 10 ) ( 128 0 0 ) FLOOR4_8 0 0 0 1.000000 1.000000");
}

TEST_F(FloorsTest, ZeroLengthAndOversizedPiecesGetNoSides) {
    SetStep(-24, 128, "-", "BROWN1");
    level.clip_lines[0].x2 = 0;
    level.clip_lines[0].dx = 0;
    EXPECT_EQ(SidePlane("FLOOR4_8", 0), "");
    SetTwoSidedPiece(0, 0, 128, 0, 1, 1);
    level.edge_list.resize(257, level.edge_list[1]);
    level.edge_count = 257;
    EXPECT_EQ(SidePlane("FLOOR4_8", 0), "");
    EXPECT_EQ(open_brush.plane_count, 0u);
}

TEST_F(FloorsTest, MirroringFollowsAxisSpanOverLength) {
    SetStep(-24, 128, "-", "BROWN1");
    // Running west: angle 0x8000 gives x with flip; natx 0 -> 128 becomes 128 -> 0,
    // and -128 / 128 = -1 times -1 is not mirrored.
    level.vertexes[0] = {128, 0};
    level.vertexes[1] = {0, 0};
    level.segs[0].angle = 0x8000;
    SetTwoSidedPiece(128, 0, 0, 0, 1, 1, 5);
    EXPECT_EQ(SidePlane("FLOOR4_8", 0),
              "  ( 0 0 10 ) ( 128 0 10 ) ( 0 0 0 ) BROWN1 -143 88 0 1.000000 1.000000");
    // The same axis span on a longer diagonal line: -128 / 143 = 0, so mirrored.
    level.vertexes[0] = {128, 64};
    level.segs[0].angle = 37604;
    SetTwoSidedPiece(128, 64, 0, 0, 1, 1, 5);
    EXPECT_NE(SidePlane("FLOOR4_8", 0).find(" BROWN1 -143 88 0 -1.000000 "), std::string::npos);
}

TEST_F(FloorsTest, LineTextureAngleIsTheComplement) {
    AddSector(0, 128);
    const int v = AddVertex(0, 0);
    AddVertex(128, 0);
    AddLine(v, v + 1, AddSide(0));
    AddLine(v + 1, v, AddSide(0));
    AddFrontSeg(0, 0x4000);
    SectorEdge line = Edge(0, 0, 128, 0);
    line.linedef = 0;
    EXPECT_EQ(LineTextureAngle(line), 0xBFFF);
    line.linedef = 1;  // no front seg
    EXPECT_EQ(LineTextureAngle(line), 0);
    line.linedef = -1;  // a side of the starting box
    EXPECT_EQ(LineTextureAngle(line), 0);
}

TEST_F(FloorsTest, ShiftSidePlaneDirections) {
    int32_t x1 = 0, y1 = 0, x2 = 128, y2 = 0;
    ShiftSidePlane(Edge(0, 0, 128, 0), 1, x1, y1, x2, y2);  // east: away is north
    EXPECT_EQ(y1, 2);
    EXPECT_EQ(y2, 2);
    x1 = 0, y1 = 0, x2 = 100, y2 = 100;
    ShiftSidePlane(Edge(0, 0, 100, 100), 1, x1, y1, x2, y2);  // diagonals move by one
    EXPECT_EQ(x1, -1);
    EXPECT_EQ(y1, 1);
    x1 = 0, y1 = 0, x2 = 100, y2 = 100;
    ShiftSidePlane(Edge(0, 0, 100, 100), 0, x1, y1, x2, y2);
    EXPECT_EQ(x1, 1);
    EXPECT_EQ(y1, -1);
}

}  // namespace
