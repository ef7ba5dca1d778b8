// Sector outlines with their height context, and the convex subdivision.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "formats/fatal.h"
#include "tests/converter/surfaces_fixture.h"

namespace {

using SubdivideTest = StaticGeometryTest;

// Cut points are truncated toward zero, so a piece may lose up to a unit strip
// along its sides: areas are compared within twice the perimeter.
void ExpectArea2Near(long area2, long width, long height) {
    EXPECT_NEAR(static_cast<double>(area2), 2.0 * width * height, 4.0 * (width + height));
}

// Twice the signed area of the current piece polygon.
long PieceArea2() {
    long area = 0;
    for (int i = 0; i < level.edge_count; i++) {
        const SectorEdge& e = level.edge_list[i];
        area += static_cast<long>(e.x1) * e.y2 - static_cast<long>(e.x2) * e.y1;
    }
    return area;
}

// Every leaf of a tree, front before back.
void CollectLeaves(const PartitionNode& node, std::vector<const PartitionNode*>& leaves) {
    if (node.leaf) {
        leaves.push_back(&node);
        return;
    }
    if (node.front) CollectLeaves(*node.front, leaves);
    if (node.back) CollectLeaves(*node.back, leaves);
}

void LoadPiece(const PartitionNode& leaf) {
    level.clip_lines = leaf.clip;
    level.clip_line_count = static_cast<int32_t>(leaf.clip.size());
    BuildConvexPiece();
}

TEST_F(SubdivideTest, OutlineKeepsLineDirectionOrReversesIt) {
    const int room = AddSector(0, 128);
    const int outside = AddSector(8, 100);
    AddRoom({{0, 0}, {0, 64}, {64, 64}, {64, 0}}, room);
    // The same square drawn the other way, with the room on the lines' left sides.
    const int v = AddVertex(100, 0);
    AddVertex(164, 0);
    AddVertex(164, 64);
    AddVertex(100, 64);
    for (int i = 0; i < 4; i++) {
        AddLine(v + i, v + (i + 1) % 4, AddSide(outside), -1);
        level.linedefs.back().left_sidedef = static_cast<int16_t>(AddSide(room));
    }

    level.current_sector = room;
    CollectSectorEdges();
    ASSERT_EQ(level.edge_count, 8);
    for (int i = 0; i < 4; i++) {
        const SectorEdge& e = level.edge_list[i];
        EXPECT_EQ(e.linedef, i);
        EXPECT_EQ(e.other_sector, -1);
        EXPECT_EQ(e.from_linedef, 1);
        EXPECT_EQ(e.clip_index, -1);
    }
    EXPECT_EQ(level.edge_list[0].x1, 0);
    EXPECT_EQ(level.edge_list[0].y2, 64);
    for (int i = 4; i < 8; i++) {
        const SectorEdge& e = level.edge_list[i];
        const LineDef& line = level.linedefs[i];
        EXPECT_EQ(e.x1, level.vertexes[line.end_vertex].x);
        EXPECT_EQ(e.y1, level.vertexes[line.end_vertex].y);
        EXPECT_EQ(e.dx, level.vertexes[line.start_vertex].x - level.vertexes[line.end_vertex].x);
        EXPECT_EQ(e.other_sector, outside);
        EXPECT_EQ(e.other_sidedef, line.right_sidedef);
    }
    EXPECT_EQ(level.highest_ceiling, 128);
    EXPECT_EQ(level.lowest_neighbour_ceiling, 100);
    EXPECT_EQ(level.next_higher_floor, 8);
}

TEST_F(SubdivideTest, HeightContextOfNeighbours) {
    const int own = AddSector(16, 128);
    const int a = AddSector(0, 140);
    const int b = AddSector(32, 120);
    const int c = AddSector(64, 200);
    const int lone = AddSector(16, 128);
    const int v = AddVertex(0, 0);
    AddVertex(0, 64);
    AddVertex(64, 64);
    AddVertex(64, 0);
    AddLine(v, v + 1, AddSide(own), -1);
    level.linedefs.back().left_sidedef = static_cast<int16_t>(AddSide(a));
    AddLine(v + 1, v + 2, AddSide(own), -1);
    level.linedefs.back().left_sidedef = static_cast<int16_t>(AddSide(b));
    AddLine(v + 2, v + 3, AddSide(c), -1);
    level.linedefs.back().left_sidedef = static_cast<int16_t>(AddSide(own));
    AddLine(v + 3, v, AddSide(own));
    AddRoom({{200, 0}, {200, 64}, {264, 64}, {264, 0}}, lone);
    level.min_height = -64;
    level.max_height = 256;

    level.current_sector = own;
    CollectSectorEdges();
    EXPECT_EQ(level.edge_count, 4);
    EXPECT_EQ(level.floor_level, 16);
    EXPECT_EQ(level.ceiling_level, 128);
    EXPECT_EQ(level.next_higher_floor, 32);
    EXPECT_EQ(level.highest_neighbour_floor, 64);
    EXPECT_EQ(level.lowest_floor, 0);
    EXPECT_EQ(level.highest_ceiling, 200);
    EXPECT_EQ(level.lowest_neighbour_ceiling, 120);

    level.current_sector = lone;
    CollectSectorEdges();
    EXPECT_EQ(level.highest_neighbour_floor, -64);
    EXPECT_EQ(level.lowest_neighbour_ceiling, 256);
    EXPECT_EQ(level.next_higher_floor, 256);
    EXPECT_EQ(level.highest_ceiling, 128);
    EXPECT_EQ(level.lowest_floor, 16);
}

TEST_F(SubdivideTest, ClosedDoorTakesHighestCeilingUnlessSky) {
    const int door = AddSector(0, 0, "FLOOR4_8", "CEIL3_5");
    const int west = AddSector(0, 128);
    const int east = AddSector(0, 96);
    const int v = AddVertex(0, 0);
    AddVertex(0, 64);
    AddVertex(16, 64);
    AddVertex(16, 0);
    AddLine(v, v + 1, AddSide(door), -1);
    level.linedefs.back().left_sidedef = static_cast<int16_t>(AddSide(west));
    AddLine(v + 1, v + 2, AddSide(door));
    AddLine(v + 2, v + 3, AddSide(door), -1);
    level.linedefs.back().left_sidedef = static_cast<int16_t>(AddSide(east));
    AddLine(v + 3, v, AddSide(door));
    level.current_sector = door;
    CollectSectorEdges();
    EXPECT_EQ(level.ceiling_level, 128);

    level.sectors[door].ceiling_texture = MakeLumpName("F_SKY1");
    CollectSectorEdges();
    EXPECT_EQ(level.ceiling_level, 0);

    level.sectors[door].ceiling_texture = MakeLumpName("f_sky1");  // the test is case-sensitive
    CollectSectorEdges();
    EXPECT_EQ(level.ceiling_level, 128);
}

TEST_F(SubdivideTest, LShapedSectorSplitsOnEarlierTiedLine) {
    const int room = AddSector(0, 128);
    AddRoom({{0, 0}, {0, 200}, {100, 200}, {100, 100}, {200, 100}, {200, 0}}, room);
    SetBounds(0, 200, 0, 200);
    level.current_sector = room;
    CollectSectorEdges();
    const SectorEdge* edges = level.edge_list.data();
    ASSERT_EQ(level.edge_count, 6);
    EXPECT_EQ(ScoreSplitter(edges, 6, edges[2], 32000), 12);  // the x = 100 line
    EXPECT_EQ(ScoreSplitter(edges, 6, edges[3], 32000), 12);  // the y = 100 line
    EXPECT_EQ(ScoreSplitter(edges, 6, edges[0], 32000), 32000);
    EXPECT_EQ(ChooseSplitter(edges, 6), 2);

    level.clip_line_count = 0;
    auto tree = BuildPartitionTree(edges, 6);
    EXPECT_EQ(level.clip_line_count, 0);  // the stack is popped again
    ASSERT_FALSE(tree->leaf);
    ASSERT_TRUE(tree->front && tree->front->leaf);
    ASSERT_TRUE(tree->back && tree->back->leaf);

    const std::vector<SectorEdge>& front = tree->front->clip;
    ASSERT_EQ(front.size(), 5u);
    EXPECT_EQ(front[0].x1, 100);  // the partition line as it stands
    EXPECT_EQ(front[0].y1, 200);
    EXPECT_EQ(front[0].y2, 100);
    EXPECT_EQ(front[1].linedef, 0);
    EXPECT_EQ(front[3].linedef, 2);
    EXPECT_EQ(front[4].x1, 100);  // the bottom edge, cut at (100,0)
    EXPECT_EQ(front[4].x2, 0);
    EXPECT_EQ(front[4].end_offset, 0);

    const std::vector<SectorEdge>& back = tree->back->clip;
    ASSERT_EQ(back.size(), 4u);
    EXPECT_EQ(back[0].y1, 100);  // the partition line reversed
    EXPECT_EQ(back[0].y2, 200);
    EXPECT_EQ(back[0].other_sidedef, -1);
    EXPECT_EQ(back[1].linedef, 3);
    EXPECT_EQ(back[3].x1, 200);
    EXPECT_EQ(back[3].x2, 100);
    EXPECT_EQ(back[3].end_offset, 100);  // the rest of the bottom edge

    LoadPiece(*tree->front);
    ExpectArea2Near(std::labs(PieceArea2()), 100, 200);
    LoadPiece(*tree->back);
    ExpectArea2Near(std::labs(PieceArea2()), 100, 100);
    for (int i = 0; i < level.edge_count; i++) {
        EXPECT_GE(level.edge_list[i].x1, 100);
        EXPECT_LE(level.edge_list[i].y1, 100);
    }
}

// Candidates on one line may be passed over by the splitter search: its
// answer stays the first line of the lowest grade, as when every candidate
// is graded. The second room has a corner 2 units off its split wall,
// where the candidates on that wall need not grade alike.
TEST_F(SubdivideTest, SplitterSearchAgreesWithGradingEveryLine) {
    const std::vector<std::vector<std::pair<int, int>>> rooms = {{{0, 0},
                                                                  {0, 100},
                                                                  {0, 200},
                                                                  {0, 300},
                                                                  {100, 300},
                                                                  {100, 200},
                                                                  {200, 200},
                                                                  {200, 100},
                                                                  {100, 100},
                                                                  {100, 50},
                                                                  {100, 0}},
                                                                 {{1000, 0},
                                                                  {1000, 100},
                                                                  {1000, 200},
                                                                  {1000, 300},
                                                                  {1100, 300},
                                                                  {1100, 200},
                                                                  {1200, 200},
                                                                  {1200, 100},
                                                                  {1003, 100},
                                                                  {1003, 97},
                                                                  {1100, 50},
                                                                  {1100, 0}}};
    std::vector<int> sectors;
    for (const auto& outline : rooms) {
        sectors.push_back(AddSector(0, 128));
        AddRoom(outline, sectors.back());
    }
    SetBounds(0, 1200, 0, 300);
    for (const int sector : sectors) {
        level.current_sector = sector;
        CollectSectorEdges();
        const SectorEdge* edges = level.edge_list.data();
        int best = -1, lowest = 32000;
        for (int i = 0; i < level.edge_count; i++) {
            const int grade = ScoreSplitter(edges, level.edge_count, edges[i], 32000);
            if (grade < lowest) lowest = grade, best = i;
        }
        EXPECT_GE(best, 0);
        EXPECT_EQ(ChooseSplitter(edges, level.edge_count), best) << sector;
    }
}

TEST_F(SubdivideTest, PillarRoomPiecesSurroundThePillar) {
    const int room = AddSector(0, 128);
    AddRoom({{0, 0}, {0, 300}, {300, 300}, {300, 0}}, room);
    // The pillar's lines have the room on their right: counter-clockwise.
    AddRoom({{100, 100}, {200, 100}, {200, 200}, {100, 200}}, room);
    SetBounds(0, 300, 0, 300);
    level.current_sector = room;
    CollectSectorEdges();
    EXPECT_GE(ChooseSplitter(level.edge_list.data(), level.edge_count), 0);

    level.clip_line_count = 0;
    auto tree = BuildPartitionTree(level.edge_list.data(), level.edge_count);
    std::vector<const PartitionNode*> leaves;
    CollectLeaves(*tree, leaves);
    EXPECT_GE(leaves.size(), 4u);
    long total = 0;
    for (const PartitionNode* leaf : leaves) {
        LoadPiece(*leaf);
        total += std::labs(PieceArea2());
        // No piece reaches into the pillar: its centre stays outside.
        double cx = 0, cy = 0;
        for (int i = 0; i < level.edge_count; i++) {
            cx += level.edge_list[i].x1;
            cy += level.edge_list[i].y1;
        }
        if (level.edge_count > 0) {
            cx /= level.edge_count;
            cy /= level.edge_count;
            EXPECT_FALSE(cx > 100 && cx < 200 && cy > 100 && cy < 200);
        }
    }
    EXPECT_NEAR(static_cast<double>(total), 2.0 * (300 * 300 - 100 * 100), 4.0 * 800);
    EXPECT_LT(total, 2L * (300 * 300 - 100 * 100) + 1);

    // Cut as a whole, the leaves share the clips by their common partition
    // lines; each piece still comes out as its leaf built on its own.
    CollectSectorEdges();
    const std::vector<SectorEdge> outline(level.edge_list.begin(),
                                          level.edge_list.begin() + level.edge_count);
    SectorCut cut;
    CutSector(outline.data(), level.edge_count, ChooseSplitter(outline.data(), level.edge_count),
              cut);
    ASSERT_EQ(cut.count, leaves.size());
    for (size_t p = 0; p < cut.count; p++) {
        LoadPiece(*leaves[p]);
        const std::vector<SectorEdge>& polygon = cut.pieces[p].polygon;
        ASSERT_EQ(polygon.size(), static_cast<size_t>(level.edge_count)) << p;
        for (size_t i = 0; i < polygon.size(); i++) {
            const SectorEdge& e = level.edge_list[i];
            EXPECT_TRUE(polygon[i].x1 == e.x1 && polygon[i].y1 == e.y1 && polygon[i].x2 == e.x2 &&
                        polygon[i].y2 == e.y2 && polygon[i].clip_index == e.clip_index)
                << p << " " << i;
        }
    }
}

TEST_F(SubdivideTest, RunawayPartitionEndsTheRun) {
    // Tens of thousands of units from the line's start the side test is coarse:
    // the short edge counts as crossing the long line, yet its cut gives it back
    // unchanged, so every partition of the set repeats the one above it.
    const SectorEdge edges[] = {Edge(-17322, -25950, 22249, -18312),
                                Edge(2429, -22315, 2370, -22148)};
    level.clip_line_count = 0;
    testing::internal::CaptureStdout();
    try {
        BuildPartitionTree(edges, 2);
        ADD_FAILURE() << "the partition ended";
    } catch (const FatalError& error) {
        EXPECT_EQ(error.status, 1);
        EXPECT_EQ(error.message,
                  "\nERROR: Sector 0 cannot be cut into convex pieces (more than 1024 partition "
                  "lines).\n");
    }
    testing::internal::GetCapturedStdout();
}

TEST_F(SubdivideTest, PhaseCountsAndProgressBar) {
    convert_options.option_flags = kOptNoMove | kOptNoFloor | kOptNoCeil;
    const int square = AddSector(0, 128);
    const int ell = AddSector(0, 128);
    AddSector(0, 128);  // no lines at all: skipped
    AddRoom({{0, 0}, {0, 64}, {64, 64}, {64, 0}}, square);
    AddRoom({{100, 0}, {100, 200}, {200, 200}, {200, 100}, {300, 100}, {300, 0}}, ell);
    SetBounds(0, 300, 0, 200);

    testing::internal::CaptureStdout();
    SubdivideSectors();
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(out,
              "Found 3 Sectors, Subdividing - [                    ]"
              "\b\b\b\b\b\b\b\b\b\b\b\b\b\b\b\b\b\b\b\b\b"
              "####################\n"
              " * 1 Convex Sectors\n * 1 Concave Sectors\n * 3 Resultants\n");
    EXPECT_EQ(level.resultant_count, 3);
    EXPECT_EQ(MapText(), "");
}

TEST_F(SubdivideTest, ProgressBarWithoutSectors) {
    testing::internal::CaptureStdout();
    SubdivideSectors();
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "Found 0 Sectors, Subdividing - [                    ]"
              "\b\b\b\b\b\b\b\b\b\b\b\b\b\b\b\b\b\b\b\b\b"
              "####################\n"
              " * 0 Convex Sectors\n * 0 Concave Sectors\n * 0 Resultants\n");
}

TEST_F(SubdivideTest, HundredSectorsFillTwentyCells) {
    convert_options.option_flags = kOptNoMove | kOptNoFloor | kOptNoCeil;
    for (int i = 0; i < 100; i++) {
        const int sector = AddSector(0, 128);
        AddRoom({{i * 10, 0}, {i * 10, 8}, {i * 10 + 8, 0}}, sector);
    }
    SetBounds(0, 1000, 0, 8);
    testing::internal::CaptureStdout();
    SubdivideSectors();
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(std::count(out.begin(), out.end(), '#'), 20);
    EXPECT_NE(out.find(" * 100 Convex Sectors\n * 0 Concave Sectors\n * 100 Resultants\n"),
              std::string::npos);
}

}  // namespace
