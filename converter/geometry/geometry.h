// Sector geometry: edge primitives, sector outlines, convex subdivision.
#pragma once

#include <cmath>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "converter/geometry/sector_edge.h"

// ---- Edge primitives ----
//
// Coordinates are whole map units. Where a value is said to be a float it is
// rounded to a 32-bit float when stored; the arithmetic that forms it runs in
// double precision. Conversions to integers truncate toward zero. These rules
// decide on which side a vertex falls and where a cut lands, so they are kept
// exactly.

// A hash of a line's three whole-number terms, for tables of lines.
inline uint64_t HashLineTerms(int64_t a, int64_t b, int64_t c) {
    uint64_t h = static_cast<uint64_t>(a) * 0x9E3779B97F4A7C15ull;
    h = (h ^ (h >> 29) ^ static_cast<uint64_t>(b)) * 0xBF58476D1CE4E5B9ull;
    h = (h ^ (h >> 31) ^ static_cast<uint64_t>(c)) * 0x94D049BB133111EBull;
    return h ^ (h >> 32);
}

// Point sides of an edge's line.
constexpr int kSideRight = 0;  // in front of the line
constexpr int kSideLeft = 1;   // behind the line
constexpr int kSideOn = -1;    // within 2 units of the line
// Edge placement against a line (ClassifyEdge).
constexpr int kEdgeFront = 0;
constexpr int kEdgeBack = 1;
constexpr int kEdgeCrosses = -2;

// -1, 0 or 1 by the sign of v.
int Sign(int32_t v);
namespace edge_arithmetic {

// Products and square sums of coordinate differences are formed exactly in
// 64 bits, so that even a level wider than 46341 units cannot overflow them.
inline int64_t Mul(int32_t a, int32_t b) {
    return static_cast<int64_t>(a) * b;
}

// A value rounded to a 32-bit float, widened back for further arithmetic.
inline double F(double value) {
    return static_cast<double>(static_cast<float>(value));
}

}  // namespace edge_arithmetic

// Where the point (px, py) lies against the line through `line`. A point is on
// the line when it lies closer than 2 units to it (the line meets a circle of
// radius 2 around the point), or when the cross product is nearly zero. This
// is the test in the rounded arithmetic that decides the cuts; PointSide gives
// the same answer faster.
inline int PointSideRounded(const SectorEdge& line, int32_t px, int32_t py) {
    using edge_arithmetic::F;
    using edge_arithmetic::Mul;
    const double fc = F(line.x1 - px);
    const double fs = F(line.y1 - py);
    const double a = F(static_cast<double>(Mul(line.dx, line.dx) + Mul(line.dy, line.dy)));
    const double b = F(2.0 * (line.dx * fc + line.dy * fs));
    const double c = F(fc * fc + fs * fs - 4.0);
    const double disc = F(b * b - 4.0 * a * c);
    if (disc > 0) return kSideOn;

    const double u = F(line.dy * F(px - line.x1));
    const double v = F(line.dx * F(py - line.y1));
    if (std::fabs(u - v) < 0.5) return kSideOn;
    return v >= u ? kSideLeft : kSideRight;
}

// PointSideRounded's answer, found from the exact cross product when the point
// is clearly off the line. With A = dx^2 + dy^2 and R the squared distance from
// the line's start to the point (both below 2^47, so that every value here and
// in the rounded test is an exact integer), the rounded test's discriminant is
// 16A - 4 cross^2 up to rounding errors below 2^-22 (B^2 + 4A|C|) <= 2^-19
// A (R + 4). When cross^2 > 4A + 2^-21 A (R + 4) it is surely negative, and the
// rounded cross product, within 2^-24 sqrt(A R) of the exact one, is surely
// 0.5 or more away from zero with the exact one's sign. When cross^2 < 4A -
// 2^-21 A (R + 4) the discriminant is surely positive (a, b and c are whole
// numbers, so a positive difference stays positive): the point is on the
// line. The tests below ask for twice these bounds, which covers the
// roundings of the tests themselves.
// Defined here so that the subdivision's inner loops can inline it.
inline int PointSide(const SectorEdge& line, int32_t px, int32_t py) {
    const double cx = static_cast<double>(px) - line.x1;
    const double cy = static_cast<double>(py) - line.y1;
    const double dx = line.dx;
    const double dy = line.dy;
    const double length2 = dx * dx + dy * dy;
    const double distance2 = cx * cx + cy * cy;
    const double cross = dx * cy - dy * cx;
    if (length2 < 0x1p47 && distance2 < 0x1p47) {
        const double slack = 0x1p-20 * (distance2 + 4.0);
        if (cross * cross > length2 * (8.0 + slack)) return cross > 0 ? kSideLeft : kSideRight;
        if (cross * cross < length2 * (4.0 - slack)) return kSideOn;
    }
    return PointSideRounded(line, px, py);
}
// Where `edge` lies against the line through `line`: front, back or crossing.
int ClassifyEdge(const SectorEdge& line, const SectorEdge& edge);
// The same, from the point sides s1 of the edge's start and s2 of its end,
// for callers that know them already (inline for the splitter choice).
inline int PlaceEdge(const SectorEdge& line, const SectorEdge& edge, int s1, int s2) {
    if (s1 == s2) {
        if (s1 != kSideOn) return s1;
        // On the line itself: in front when running the same way.
        const bool same_way = Sign(edge.dx) == Sign(line.dx) && Sign(edge.dy) == Sign(line.dy);
        return same_way ? kEdgeFront : kEdgeBack;
    }
    // An edge that touches the line with one end is placed by the other end.
    if (s1 == kSideOn) return s2;
    if (s2 == kSideOn) return s1;
    return kEdgeCrosses;
}
// Whether both end points of `edge` lie on the line through `line`.
bool EdgeOnLine(const SectorEdge& line, const SectorEdge& edge);
// The parameter t at which edge.start + t * (edge.dx, edge.dy) meets the line.
float IntersectParam(const SectorEdge& line, const SectorEdge& edge);
// Cuts `edge` (which crosses `line`) in two: `edge` keeps the part in front,
// the part behind is returned.
SectorEdge SplitEdge(const SectorEdge& line, SectorEdge& edge);
// Swaps start and end; the far side's sidedef is forgotten.
void ReverseEdge(SectorEdge& edge);
// Recomputes dx and dy from the end points.
void UpdateDelta(SectorEdge& edge);
// The edge that closes the one gap of an open chain: from the first end point
// that starts no edge to the first start point that ends no edge. Only its end
// points and deltas are meaningful.
std::optional<SectorEdge> FindClosingEdge(const SectorEdge* edges, int count);

// ---- Sector outlines ----

// Gathers the outline of level.current_sector into edge_list and works out
// the sector's height context.
void CollectSectorEdges();
// Lists the lines of every sector once, so that CollectSectorEdges need not
// scan the whole level for each sector; valid until ClearSectorLineIndex.
void IndexSectorLines();
void ClearSectorLineIndex();

// ---- Convex subdivision ----

// One node of a sector's partition tree; a node with clip lines is a leaf.
struct PartitionNode {
    std::unique_ptr<PartitionNode> front;  // subtree in front of the partition line
    std::unique_ptr<PartitionNode> back;   // subtree behind it
    bool leaf = false;                     // true: clip holds the piece's clip lines
    std::vector<SectorEdge> clip;          // the leaf's clip lines
};

// Grade of `candidate` as a partition line of edges[0..count-1]; 32000 when
// no edge lies behind it. Gives up, with a grade above `limit`, as soon as the
// grade is sure to exceed `limit`. `reach2`, when not negative, bounds the
// squared distance between any two end points (it only saves work).
int ScoreSplitter(const SectorEdge* edges, int count, const SectorEdge& candidate, int limit,
                  double reach2 = -1.0);
// Index of the best partition line, -1 when the edges form a convex set.
int ChooseSplitter(const SectorEdge* edges, int count);
// Partitions the edges recursively; level.clip_lines is the stack of the
// partition lines above the node being built.
std::unique_ptr<PartitionNode> BuildPartitionTree(const SectorEdge* edges, int count);
// The same, with the partition line of the top node already chosen
// (ChooseSplitter's result for these edges).
std::unique_ptr<PartitionNode> BuildPartitionTree(const SectorEdge* edges, int count, int splitter);
// Builds and writes every leaf of the tree, front before back.
void EmitPieces(const PartitionNode& node);
// Clips the starting box by every clip line into the piece's polygon.
void BuildConvexPiece();
// Puts the four sides of the starting box at the head of edge_list.
void InitBoundingBox();
void FreePartitionTree(std::unique_ptr<PartitionNode>& tree);

// One convex piece ready for WriteFloorAndCeiling.
struct ConvexPiece {
    std::vector<SectorEdge> polygon;  // the piece's edges, each with the clip_index of its line
    std::vector<SectorEdge> clip;     // the piece's clip lines
    int32_t partition_lines = 0;      // how many of the first clip lines are partition lines
};
// The pieces of one sector.
struct SectorCut {
    std::vector<ConvexPiece> pieces;  // storage; the first `count` are the pieces to write
    size_t count = 0;                 // pieces to write
    int32_t resultants = 0;           // leaves made, those left out over the void included
};
// Cuts the sector whose outline is outline[0..count-1] into convex pieces:
// partitions it (`splitter` is ChooseSplitter's answer for the outline) and
// keeps the leaves' pieces, those over the void left out, where they fit the
// sector; else cuts it exactly with SlabPieces.
void CutSector(const SectorEdge* outline, int count, int splitter, SectorCut& cut);
// Leaves out of pieces[0..piece_count-1] (keeping the order of the rest) the
// pieces that lie outside the sector whose outline is outline[0..count-1]:
// those that keep a side of the starting box and those wholly over the void.
// Gives whether the brushes of the pieces left cover the sector exactly
// (BrushesCoverSector), where need be once the sides on rounded cuts of its
// lines are straightened. A sector whose boundary is not closed passes.
bool FitPiecesToSector(const SectorEdge* outline, int count, std::vector<ConvexPiece>& pieces,
                       size_t& piece_count);
struct EdgeBands;
// Whether the floor and ceiling brushes of pieces[0..piece_count-1], as
// they will be written, cover the sector whose boundary `bounds` holds (but
// for cracks Doom 3's compiler welds), and reach no more than the push past
// its walls where the void lies behind.
bool BrushesCoverSector(const EdgeBands& bounds, const ConvexPiece* pieces, size_t piece_count);
// Whether the brushes of pieces[0..piece_count-1], every side plane taken on
// its line, tile the sector whose lines that bound it are `bounds` exactly,
// proved in exact arithmetic. False says only that the proof failed.
bool PiecesTileSector(const std::vector<SectorEdge>& bounds, const ConvexPiece* pieces,
                      size_t piece_count);
struct IdealTiling;
// The same proof with every side on a part of a wall cut at a rounded point
// taken on the wall's own line (bounds[bound_of_line[linedef]], -1 for a
// line not among them); the footprints' exact corners go to `tiling`. False
// as well when no side is on such a part.
bool CutWallsTileSector(const std::vector<SectorEdge>& bounds,
                        const std::vector<int>& bound_of_line, const ConvexPiece* pieces,
                        size_t piece_count, IdealTiling& tiling);
// Whether, the pieces tiling their sector as `tiling` holds, their brushes as
// written pass BrushesCoverSector: every turned side plane holds its piece's
// ideal footprint, and draws in no further than the push past the wall (so
// that no piece lies over the void either). False says only that this was
// not shown.
bool CutWallsFit(const ConvexPiece* pieces, size_t piece_count, const IdealTiling& tiling);
// Whether the sector whose lines that bound it are `bounds` (of its
// outline[0..count-1]) is convex and pieces[0..piece_count-1] is one piece
// with a side on each of its lines (or on a line it continues): its brushes,
// every line's plane pushed out by at most 2 units, cover it exactly.
bool ExactConvexPiece(const std::vector<SectorEdge>& bounds, int count, const SectorEdge* outline,
                      const ConvexPiece* pieces, size_t piece_count);
// Gives the sides of pieces[0..piece_count-1] on cut parts of the sector's
// lines whose rounded cut points turn their planes short of the line, or
// more than the push past a wall, the line's whole course. Gives how many
// sides changed.
int StraightenCutWalls(std::vector<ConvexPiece>& pieces, size_t piece_count);
// Cuts the same sector exactly into convex pieces: vertical slabs at its
// vertices, whose trapezoids are joined left to right while they stay convex.
void SlabPieces(const SectorEdge* outline, int count, std::vector<ConvexPiece>& pieces);

// The "Creating Ceilings and Floors" phase: every sector cut into convex
// pieces, each piece handed to WriteFloorAndCeiling.
void SubdivideSectors();
