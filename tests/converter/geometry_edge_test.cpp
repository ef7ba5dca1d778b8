// Edge primitives: point sides at the 2-unit band, edge placement, cuts with
// their truncation, reversal and chain closing.
#include <gtest/gtest.h>

#include "converter/geometry/geometry.h"
#include "tests/support/level_fixture.h"

namespace {

SectorEdge Edge(int x1, int y1, int x2, int y2, int end_offset = 0) {
    SectorEdge edge = MakeSectorEdge(x1, y1, x2, y2, -1, 1);
    edge.other_sector = 7;
    edge.other_sidedef = 9;
    edge.linedef = 3;
    edge.end_offset = end_offset;
    return edge;
}

TEST(GeometryEdge, PointSideBandOfTwoUnits) {
    // Distance |x - 10y| / sqrt(101) from the line through (0,0) and (1000,100).
    const SectorEdge slope = Edge(0, 0, 1000, 100);
    EXPECT_EQ(PointSide(slope, 519, 50), kSideOn);     // 19 / 10.05 = 1.89
    EXPECT_EQ(PointSide(slope, 481, 50), kSideOn);     // the same on the other side
    EXPECT_EQ(PointSide(slope, 521, 50), kSideRight);  // 2.09
    EXPECT_EQ(PointSide(slope, 479, 50), kSideLeft);

    // Distance |4x - 3y| / 5 from the line through (0,0) and (3000,4000): exactly 2.0
    // is no longer on the line.
    const SectorEdge steep = Edge(0, 0, 3000, 4000);
    EXPECT_EQ(PointSide(steep, 1503, 2001), kSideOn);     // 9 / 5 = 1.8
    EXPECT_EQ(PointSide(steep, 1501, 1998), kSideRight);  // 10 / 5 = 2.0
    EXPECT_EQ(PointSide(steep, 1499, 2002), kSideLeft);   // -2.0
}

TEST(GeometryEdge, PointSideNorthEdgeAndZeroLength) {
    const SectorEdge north = Edge(0, 0, 0, 100);
    EXPECT_EQ(PointSide(north, 50, 50), kSideRight);
    EXPECT_EQ(PointSide(north, -50, 50), kSideLeft);
    EXPECT_EQ(PointSide(north, 1, 500), kSideOn);  // beyond the end, still on the line
    const SectorEdge dot = Edge(5, 5, 5, 5);
    EXPECT_EQ(PointSide(dot, 500, -300), kSideOn);
}

TEST(GeometryEdge, ClassifyEdgePlacements) {
    const SectorEdge line = Edge(0, 0, 100, 0);  // running east; its right is south
    EXPECT_EQ(ClassifyEdge(line, Edge(200, 0, 300, 0)), kEdgeFront);  // collinear, same way
    EXPECT_EQ(ClassifyEdge(line, Edge(300, 0, 200, 0)), kEdgeBack);   // collinear, reversed
    // Inside the band, dx = 0 where the line's is not: counts as reversed.
    EXPECT_EQ(ClassifyEdge(line, Edge(50, 1, 50, -1)), kEdgeBack);
    EXPECT_EQ(ClassifyEdge(line, Edge(10, 0, 10, -50)), kEdgeFront);  // one end on the line
    EXPECT_EQ(ClassifyEdge(line, Edge(10, 50, 10, 1)), kEdgeBack);
    EXPECT_EQ(ClassifyEdge(line, Edge(10, 50, 10, -50)), kEdgeCrosses);
    EXPECT_TRUE(EdgeOnLine(line, Edge(-40, 1, 400, -1)));
    EXPECT_FALSE(EdgeOnLine(line, Edge(10, 0, 10, -50)));
}

TEST(GeometryEdge, SplitKeepsFrontPartAndTruncatesTheRestLength) {
    const SectorEdge line = Edge(40, -100, 40, 100);  // running north; its left is west
    SectorEdge edge = Edge(0, 0, 100, 0);
    const SectorEdge back = SplitEdge(line, edge);
    EXPECT_EQ(IntersectParam(line, Edge(0, 0, 100, 0)), 0.4f);
    EXPECT_EQ(edge.x1, 40);
    EXPECT_EQ(edge.x2, 100);
    EXPECT_EQ(edge.dx, 60);
    EXPECT_EQ(edge.end_offset, 0);
    EXPECT_EQ(back.x1, 0);
    EXPECT_EQ(back.x2, 40);
    EXPECT_EQ(back.dx, 40);
    EXPECT_EQ(back.end_offset, 59);  // 100 * (1 - 0.4f) is just below 60
    EXPECT_EQ(back.other_sidedef, 9);
    EXPECT_EQ(back.linedef, 3);

    // Start in front: the edge ends at the cut and carries the rest's length.
    // With t = 0.6f (just above 0.6) the cut lands at 100 - 60.0000024 = 39.99...
    // and the rest is 39.99... long: both truncate.
    SectorEdge reversed = Edge(100, 0, 0, 0, 5);
    const SectorEdge behind = SplitEdge(line, reversed);
    EXPECT_EQ(reversed.x1, 100);
    EXPECT_EQ(reversed.x2, 39);
    EXPECT_EQ(reversed.end_offset, 44);
    EXPECT_EQ(behind.x1, 39);
    EXPECT_EQ(behind.x2, 0);
    EXPECT_EQ(behind.end_offset, 5);
}

TEST(GeometryEdge, CutPointTruncatesTowardZero) {
    // The line crosses y = 0 at x = -12.7, which is t = 0.1 along an edge of dx -127.
    SectorEdge from_zero = Edge(0, 0, -127, 0);
    SplitEdge(Edge(-14, -13, -1, 117), from_zero);
    const int cut_from_zero = from_zero.x1 == 0 ? from_zero.x2 : from_zero.x1;
    EXPECT_EQ(cut_from_zero, -12);

    SectorEdge from_hundred = Edge(100, 0, -27, 0);
    SplitEdge(Edge(86, -13, 99, 117), from_hundred);
    const int cut_from_hundred = from_hundred.x1 == 100 ? from_hundred.x2 : from_hundred.x1;
    EXPECT_EQ(cut_from_hundred, 87);
}

TEST(GeometryEdge, IntersectParamReportsParallelAndOutsideCuts) {
    testing::internal::CaptureStdout();
    EXPECT_EQ(IntersectParam(Edge(0, 0, 100, 0), Edge(0, 10, 50, 10)), 0.0f);
    EXPECT_EQ(IntersectParam(Edge(200, -10, 200, 10), Edge(0, 0, 100, 0)), 2.0f);
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_NE(out.find("ERROR: Parallel Split Vector, going SIGFPE.\n"), std::string::npos);
    EXPECT_NE(out.find("ERROR: Intersection point is not on the line at 2.000000.\n"),
              std::string::npos);
}

TEST(GeometryEdge, ReverseForgetsFarSide) {
    SectorEdge edge = Edge(1, 2, 11, 22, 4);
    ReverseEdge(edge);
    EXPECT_EQ(edge.x1, 11);
    EXPECT_EQ(edge.y1, 22);
    EXPECT_EQ(edge.dx, -10);
    EXPECT_EQ(edge.dy, -20);
    EXPECT_EQ(edge.other_sidedef, -1);
    EXPECT_EQ(edge.other_sector, 7);
    EXPECT_EQ(edge.end_offset, 4);
}

TEST(GeometryEdge, FindClosingEdge) {
    const SectorEdge closed[] = {Edge(0, 0, 0, 10), Edge(0, 10, 10, 0), Edge(10, 0, 0, 0)};
    EXPECT_FALSE(FindClosingEdge(closed, 3).has_value());
    EXPECT_FALSE(FindClosingEdge(closed, 0).has_value());

    const SectorEdge open[] = {Edge(0, 0, 0, 10), Edge(0, 10, 10, 10)};  // A->B, B->C
    const auto closing = FindClosingEdge(open, 2);
    ASSERT_TRUE(closing.has_value());
    EXPECT_EQ(closing->x1, 10);
    EXPECT_EQ(closing->y1, 10);
    EXPECT_EQ(closing->x2, 0);
    EXPECT_EQ(closing->y2, 0);
    EXPECT_EQ(closing->dx, -10);
    EXPECT_EQ(closing->dy, -10);

    // Listed out of chain order: the first open end and the first open start count.
    const SectorEdge shuffled[] = {Edge(0, 10, 10, 10), Edge(0, 0, 0, 10)};
    const auto again = FindClosingEdge(shuffled, 2);
    ASSERT_TRUE(again.has_value());
    EXPECT_EQ(again->x1, 10);
    EXPECT_EQ(again->x2, 0);
    EXPECT_EQ(again->y2, 0);
}

}  // namespace
