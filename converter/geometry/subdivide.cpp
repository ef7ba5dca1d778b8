// Convex subdivision: every sector is partitioned along the lines of its own
// edges until each remaining set of edges is convex; each convex piece is then
// rebuilt as a polygon by clipping a large box with the lines that bound it.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <deque>

#include "converter/geometry/geometry.h"
#include "converter/level/level.h"
#include "converter/surfaces/surfaces.h"
#include "formats/fatal.h"

namespace {

constexpr int kNoSplitter = 32000;  // grade of a line that leaves nothing behind it
constexpr int kCutPenalty = 8;      // grade added for every edge the line cuts
constexpr int kBoxMargin = 32;      // the starting box lies this far outside the level
constexpr int kProgressCells = 20;  // cells of the progress bar
// Real sectors need a few dozen partition lines on a path. Far from the
// origin the side tests lose precision, and an edge whose cut leaves it
// unchanged would be partitioned forever; such a sector ends the run.
constexpr int kMaxPartitionDepth = 1024;
constexpr int kNoSide = 99;  // no point side known
// Outlines of at least this many edges look for candidates on one line.
constexpr int kLineFamiliesFrom = 8;

void PushClipLine(const SectorEdge& line) {
    if (static_cast<size_t>(level.clip_line_count) >= level.clip_lines.size())
        level.clip_lines.resize(level.clip_line_count + 1);
    level.clip_lines[level.clip_line_count++] = line;
}

}  // namespace

namespace {

// PointSide against one line, with the line's values worked out once for the
// many points of a splitter search. `reach2`, when not negative, bounds the
// squared distance from the line's start of every point to be tested: a
// cross product past the bound that it gives decides without the distance.
struct LineSideTest {
    const SectorEdge& line;
    double x1, y1, dx, dy, length2;
    bool exact_possible;  // whether the exact cross product can decide at all
    double sure2;         // a squared cross product above this decides at once

    explicit LineSideTest(const SectorEdge& l, double reach2 = -1.0)
        : line(l),
          x1(l.x1),
          y1(l.y1),
          dx(l.dx),
          dy(l.dy),
          length2(dx * dx + dy * dy),
          exact_possible(length2 < 0x1p47),
          sure2(exact_possible && reach2 >= 0.0 && reach2 < 0x1p47
                    ? length2 * (8.0 + 0x1p-20 * (reach2 + 4.0))
                    : INFINITY) {}

    int Side(int32_t px, int32_t py) const {
        const double cx = static_cast<double>(px) - x1;
        const double cy = static_cast<double>(py) - y1;
        const double cross = dx * cy - dy * cx;
        if (cross * cross > sure2) return cross > 0 ? kSideLeft : kSideRight;
        const double distance2 = cx * cx + cy * cy;
        if (exact_possible && distance2 < 0x1p47) {
            const double slack = 0x1p-20 * (distance2 + 4.0);
            if (cross * cross > length2 * (8.0 + slack)) return cross > 0 ? kSideLeft : kSideRight;
            if (cross * cross < length2 * (4.0 - slack)) return kSideOn;
        }
        return PointSideRounded(line, px, py);
    }
};

}  // namespace

int ScoreSplitter(const SectorEdge* edges, int count, const SectorEdge& candidate, int limit,
                  double reach2) {
    const LineSideTest test(candidate, reach2);
    int front = 0;
    int back = 0;
    int cuts = 0;
    // Every edge lies in front, behind or across, so the grade is the larger
    // side plus the penalty for the cuts, and the two sides hold count + cuts
    // edges together: the larger holds at least half of them. None of this
    // can shrink with the edges still to come: once past the limit, the line
    // has lost. `room` is how large the larger side may grow with the cuts so
    // far.
    int room = limit;
    for (int i = 0; i < count; i++) {
        const SectorEdge& edge = edges[i];
        // Both ends are tested: whether an edge starts where the one before
        // ended is too hard to predict to be worth asking.
        const int side = &edge == &candidate
                             ? kEdgeFront
                             : PlaceEdge(candidate, edge, test.Side(edge.x1, edge.y1),
                                         test.Side(edge.x2, edge.y2));
        if (side == kEdgeFront) {
            if (++front > room) break;
        } else if (side == kEdgeBack) {
            if (++back > room) break;
        } else {
            front++;
            back++;
            cuts++;
            room = limit - kCutPenalty * cuts;
            if (std::max({front, back, (count + cuts + 1) / 2}) > room) break;
        }
    }
    const int larger = std::max({front, back, (count + cuts + 1) / 2});
    if (larger > room) return larger + kCutPenalty * cuts;
    if (front == 0 || back == 0) return kNoSplitter;
    return std::max(front, back) + kCutPenalty * cuts;
}

namespace {

// Candidates on one line, running one way, grade every edge alike unless an
// end point lies where neither quick bound of the side test holds, so that
// the rounded test, which depends on where each candidate starts, may tell
// them apart: between the on-line bound and the sure bound of the search,
// off the line itself (a point on it is on it for every candidate). Then a
// later candidate of the line cannot beat the first: ties keep the earlier.
struct LineFamilies {
    std::vector<int32_t> slots;  // candidates by the hash of their line, -1 for none
    std::vector<int32_t> first;  // per candidate: the first candidate on its line and way
    std::vector<int8_t> alike;   // per first candidate: -1 not known, else whether all grade alike
};

LineFamilies line_families;  // kept for its room

// The line through `e`, running its way, in lowest terms: (dx, dy, c).
struct WayLine {
    int64_t dx, dy, c;
    bool operator==(const WayLine&) const = default;
};

WayLine LowestWayLine(const SectorEdge& e) {
    // Most lines run along an axis.
    if (e.dy == 0) return {e.dx > 0 ? 1 : -1, 0, e.dx > 0 ? e.y1 : -static_cast<int64_t>(e.y1)};
    if (e.dx == 0) return {0, e.dy > 0 ? 1 : -1, e.dy > 0 ? -static_cast<int64_t>(e.x1) : e.x1};
    // Within the bounds of the search every delta fits in 31 bits.
    uint32_t u = static_cast<uint32_t>(e.dx < 0 ? -e.dx : e.dx);
    uint32_t v = static_cast<uint32_t>(e.dy < 0 ? -e.dy : e.dy);
    while (v != 0) {
        const uint32_t t = u % v;
        u = v;
        v = t;
    }
    const int64_t dx = e.dx / static_cast<int32_t>(u), dy = e.dy / static_cast<int32_t>(u);
    return {dx, dy, dx * e.y1 - dy * e.x1};
}

void FindLineFamilies(const SectorEdge* edges, int count) {
    LineFamilies& families = line_families;
    size_t capacity = 16;
    while (capacity < 2 * static_cast<size_t>(count)) capacity *= 2;
    families.slots.assign(capacity, -1);
    families.first.resize(static_cast<size_t>(count));
    families.alike.assign(static_cast<size_t>(count), -1);
    static std::vector<WayLine> ways;  // kept for its room
    ways.resize(static_cast<size_t>(count));
    for (int i = 0; i < count; i++) {
        const SectorEdge& e = edges[i];
        families.first[i] = i;
        if (e.dx == 0 && e.dy == 0) continue;
        ways[i] = LowestWayLine(e);
        size_t slot = HashLineTerms(ways[i].dx, ways[i].dy, ways[i].c) & (capacity - 1);
        while (families.slots[slot] >= 0 && !(ways[families.slots[slot]] == ways[i]))
            slot = (slot + 1) & (capacity - 1);
        if (families.slots[slot] < 0) {
            families.slots[slot] = i;
        } else {
            families.first[i] = families.slots[slot];
        }
    }
}

// Whether every candidate on the line of edges[first] grades alike.
bool FamilyGradesAlike(const SectorEdge* edges, int count, int first, double reach2) {
    const SectorEdge& line = edges[first];
    const double dx = line.dx, dy = line.dy;
    const double length2 = dx * dx + dy * dy;
    // The bounds over the squared length, with room for the roundings of
    // each candidate's own tests.
    const double spread = 0x1p-20 * (reach2 + 4.0);
    const double far = (8.0 + spread) * (1.0 + 0x1p-40);
    const double near = (4.0 - spread) * (1.0 - 0x1p-40);
    for (int i = 0; i < count; i++) {
        for (int end = 0; end < 2; end++) {
            const int32_t px = end == 0 ? edges[i].x1 : edges[i].x2;
            const int32_t py = end == 0 ? edges[i].y1 : edges[i].y2;
            const double cross =
                dx * (static_cast<double>(py) - line.y1) - dy * (static_cast<double>(px) - line.x1);
            const double cross2 = cross * cross;
            if (cross != 0 && cross2 <= far * length2 && !(cross2 < near * length2)) return false;
        }
    }
    return true;
}

}  // namespace

int ChooseSplitter(const SectorEdge* edges, int count) {
    int best = -1;
    int limit = kNoSplitter;
    // Every end point lies within the box of them all: its diagonal bounds
    // the distance from any edge's start to any point.
    double reach2 = -1.0;
    if (count > 0) {
        int32_t min_x = edges[0].x1, max_x = min_x, min_y = edges[0].y1, max_y = min_y;
        for (int i = 0; i < count; i++) {
            min_x = std::min({min_x, edges[i].x1, edges[i].x2});
            max_x = std::max({max_x, edges[i].x1, edges[i].x2});
            min_y = std::min({min_y, edges[i].y1, edges[i].y2});
            max_y = std::max({max_y, edges[i].y1, edges[i].y2});
        }
        const double w = static_cast<double>(max_x) - min_x;
        const double h = static_cast<double>(max_y) - min_y;
        reach2 = w * w + h * h;
    }
    // Within these bounds every quick bound of the side test holds exactly.
    const bool families = count >= kLineFamiliesFrom && reach2 < 0x1p46;
    if (families) FindLineFamilies(edges, count);
    for (int i = 0; i < count; i++) {
        if (families) {
            const int first = line_families.first[i];
            int8_t& alike = line_families.alike[first];
            if (first != i) {
                if (alike < 0) alike = FamilyGradesAlike(edges, count, first, reach2) ? 1 : 0;
                if (alike == 1) continue;
            }
        }
        // Only a grade below the best so far wins (ties keep the earlier
        // line), so a candidate may be given up once it reaches the best.
        const int grade = ScoreSplitter(edges, count, edges[i], limit - 1, reach2);
        if (grade < limit) {
            limit = grade;
            best = i;
            // No line can do better than half the edges on its larger side.
            if (limit <= (count + 1) / 2) break;
        }
    }
    return best;
}

std::unique_ptr<PartitionNode> BuildPartitionTree(const SectorEdge* edges, int count) {
    return BuildPartitionTree(edges, count, ChooseSplitter(edges, count));
}

std::unique_ptr<PartitionNode> BuildPartitionTree(const SectorEdge* edges, int count, int s) {
    auto node = std::make_unique<PartitionNode>();
    if (s < 0) {
        // Convex: the leaf keeps the partition lines above it and its own edges.
        node->leaf = true;
        node->clip.assign(level.clip_lines.begin(),
                          level.clip_lines.begin() + level.clip_line_count);
        node->clip.insert(node->clip.end(), edges, edges + count);
        return node;
    }

    if (level.clip_line_count >= kMaxPartitionDepth)
        Fatal(
            1,
            "\nERROR: Sector %i cannot be cut into convex pieces (more than %i partition lines).\n",
            level.current_sector, kMaxPartitionDepth);
    const SectorEdge split = edges[s];
    // The two lists of every depth keep their room from sector to sector (a
    // deque: a deeper node's growing it leaves them where they are).
    static std::deque<std::vector<SectorEdge>> lists;
    const size_t slot = 2 * static_cast<size_t>(level.clip_line_count);
    while (lists.size() < slot + 2) lists.emplace_back();
    // Each edge puts at most one part on either side: each list has room
    // for all of them, and its first `front` or `back` entries are in use.
    std::vector<SectorEdge>& front_list = lists[slot];
    std::vector<SectorEdge>& back_list = lists[slot + 1];
    if (front_list.size() < static_cast<size_t>(count)) front_list.resize(count);
    if (back_list.size() < static_cast<size_t>(count)) back_list.resize(count);
    int front = 0;
    int back = 0;
    for (int i = 0; i < count; i++) {
        SectorEdge edge = edges[i];
        const int side = ClassifyEdge(split, edge);
        if (side == kEdgeCrosses) {
            back_list[back++] = SplitEdge(split, edge);
            front_list[front++] = edge;
        } else if (side == kEdgeFront) {
            front_list[front++] = edge;
        } else {
            back_list[back++] = edge;
        }
    }

    PushClipLine(split);
    const int top = level.clip_line_count - 1;
    if (front > 0) node->front = BuildPartitionTree(front_list.data(), front);
    // Behind the line its back side becomes the right side.
    ReverseEdge(level.clip_lines[top]);
    if (back > 0) node->back = BuildPartitionTree(back_list.data(), back);
    level.clip_line_count--;
    return node;
}

void InitBoundingBox() {
    const int32_t west = level.min_x - kBoxMargin;
    const int32_t east = level.max_x + kBoxMargin;
    const int32_t south = level.min_y - kBoxMargin;
    const int32_t north = level.max_y + kBoxMargin;
    const int32_t corners[5][2] = {
        {east, north}, {west, north}, {west, south}, {east, south}, {east, north}};
    if (level.edge_list.size() < 4) level.edge_list.resize(4);
    for (int i = 0; i < 4; i++) {
        SectorEdge& edge = level.edge_list[i];
        edge = SectorEdge{};
        edge.x1 = corners[i][0];
        edge.y1 = corners[i][1];
        edge.x2 = corners[i + 1][0];
        edge.y2 = corners[i + 1][1];
        UpdateDelta(edge);
        edge.other_sector = -1;
        edge.other_sidedef = -1;
        edge.linedef = -1;
        edge.end_offset = 0;
        edge.clip_index = -1;
        edge.from_linedef = 0;
    }
}

namespace {

// Squared diagonal of the starting box: every corner of a piece lies within it.
double BoxReach2() {
    const double box_width = static_cast<double>(level.edge_list[0].x1) - level.edge_list[1].x1;
    const double box_height = static_cast<double>(level.edge_list[0].y1) - level.edge_list[2].y1;
    return box_width * box_width + box_height * box_height;
}

// Clips the piece in level.edge_list by level.clip_lines[i]; `reach2` is
// BoxReach2's.
void ClipPieceBy(int i, double reach2) {
    static std::vector<SectorEdge> nside;  // kept from piece to piece
    const SectorEdge split = level.clip_lines[i];
    const LineSideTest test(split, reach2);
    nside.clear();
    int last_side = kNoSide;  // side of the end of the edge before
    for (int k = 0; k < level.edge_count; k++) {
        SectorEdge edge = level.edge_list[k];
        // The polygon runs edge to edge: an edge mostly starts where the
        // one before ends.
        const bool chained =
            k > 0 && edge.x1 == level.edge_list[k - 1].x2 && edge.y1 == level.edge_list[k - 1].y2;
        const int s1 = chained ? last_side : test.Side(edge.x1, edge.y1);
        const int s2 = test.Side(edge.x2, edge.y2);
        last_side = s2;
        // Edges on the line itself are dropped.
        if (s1 == kSideOn && s2 == kSideOn) continue;
        const int side = PlaceEdge(split, edge, s1, s2);
        if (side == kEdgeCrosses) {
            SplitEdge(split, edge);  // the part behind the line is dropped
            nside.push_back(edge);
        } else if (side == kEdgeFront) {
            nside.push_back(edge);
        }
    }
    // The part of the polygon behind the line is replaced by one closing
    // edge on the line, which carries the clip line's attributes.
    if (auto closing = FindClosingEdge(nside.data(), static_cast<int>(nside.size()))) {
        SectorEdge slot = split;
        slot.clip_index = i;
        slot.x1 = closing->x1;
        slot.y1 = closing->y1;
        slot.x2 = closing->x2;
        slot.y2 = closing->y2;
        slot.dx = closing->dx;
        slot.dy = closing->dy;
        nside.push_back(slot);
    }
    // The new polygon takes the list's place; the old list's room serves the
    // next clip.
    level.edge_count = static_cast<int32_t>(nside.size());
    level.edge_list.swap(nside);
}

}  // namespace

void BuildConvexPiece() {
    InitBoundingBox();
    level.edge_count = 4;
    const double reach2 = BoxReach2();
    for (int i = 0; i < level.clip_line_count; i++) ClipPieceBy(i, reach2);
}

void EmitPieces(const PartitionNode& node) {
    if (node.leaf) {
        level.resultant_count++;
        if (level.clip_lines.size() < node.clip.size()) level.clip_lines.resize(node.clip.size());
        std::copy(node.clip.begin(), node.clip.end(), level.clip_lines.begin());
        level.clip_line_count = static_cast<int32_t>(node.clip.size());
        BuildConvexPiece();
        if (level.edge_count > 0) WriteFloorAndCeiling();
        return;
    }
    if (node.front) EmitPieces(*node.front);
    if (node.back) EmitPieces(*node.back);
}

namespace {

// The pieces of the leaves below one node share the clips by the partition
// lines above it: the piece after each of them is kept for the leaves that
// follow on the same path.
struct PathPieces {
    // after[j]: the piece after the path's first j lines
    std::vector<std::vector<SectorEdge>> after;
    int32_t valid = -1;   // after[0..valid] hold for the current path
    double reach2 = 0.0;  // BoxReach2 of the starting box
};

PathPieces path_pieces;

// Builds the piece of every leaf, front before back; the leaves give up their
// clip lines to the pieces. The leaf's first `depth` clip lines are the
// partition lines of its path.
void CollectLeafPieces(PartitionNode& node, int32_t depth, SectorCut& cut) {
    PathPieces& path = path_pieces;
    if (node.leaf) {
        if (level.clip_lines.size() < node.clip.size()) level.clip_lines.resize(node.clip.size());
        std::copy(node.clip.begin(), node.clip.end(), level.clip_lines.begin());
        level.clip_line_count = static_cast<int32_t>(node.clip.size());
        if (path.valid < 0) {
            InitBoundingBox();
            level.edge_count = 4;
            if (path.after.empty()) path.after.emplace_back();
            path.after[0].assign(level.edge_list.begin(), level.edge_list.begin() + 4);
            path.valid = 0;
            path.reach2 = BoxReach2();
        }
        const std::vector<SectorEdge>& start = path.after[static_cast<size_t>(path.valid)];
        if (level.edge_list.size() < start.size()) level.edge_list.resize(start.size());
        std::copy(start.begin(), start.end(), level.edge_list.begin());
        level.edge_count = static_cast<int32_t>(start.size());
        for (int32_t i = path.valid; i < level.clip_line_count; i++) {
            ClipPieceBy(i, path.reach2);
            if (i < depth) {
                if (path.after.size() <= static_cast<size_t>(i + 1)) path.after.emplace_back();
                path.after[static_cast<size_t>(i + 1)].assign(
                    level.edge_list.begin(), level.edge_list.begin() + level.edge_count);
                path.valid = i + 1;
            }
        }
        if (cut.pieces.size() <= cut.count) cut.pieces.resize(cut.count + 1);
        ConvexPiece& piece = cut.pieces[cut.count++];
        piece.polygon.assign(level.edge_list.begin(), level.edge_list.begin() + level.edge_count);
        piece.clip.swap(node.clip);
        piece.partition_lines = depth;
        return;
    }
    // Below this node the path's line `depth` is turned one way or the other.
    if (node.front) {
        path.valid = std::min(path.valid, depth);
        CollectLeafPieces(*node.front, depth + 1, cut);
    }
    if (node.back) {
        path.valid = std::min(path.valid, depth);
        CollectLeafPieces(*node.back, depth + 1, cut);
    }
}

// Hands one piece to WriteFloorAndCeiling; the piece gives its lists to the
// level's piece state.
void WritePiece(ConvexPiece& piece) {
    level.clip_line_count = static_cast<int32_t>(piece.clip.size());
    level.clip_lines.swap(piece.clip);
    level.edge_count = static_cast<int32_t>(piece.polygon.size());
    level.edge_list.swap(piece.polygon);
    if (level.edge_count > 0) WriteFloorAndCeiling();
}

}  // namespace

void CutSector(const SectorEdge* outline, int count, int splitter, SectorCut& cut) {
    level.clip_line_count = 0;
    std::unique_ptr<PartitionNode> tree = BuildPartitionTree(outline, count, splitter);
    cut.count = 0;
    path_pieces.valid = -1;
    CollectLeafPieces(*tree, 0, cut);
    FreePartitionTree(tree);
    cut.resultants = static_cast<int32_t>(cut.count);
    // Pieces over the void count as leaves but are not written. Where the
    // brushes of the rest miss part of the sector or reach out of it, the
    // sector is cut exactly instead.
    if (!FitPiecesToSector(outline, count, cut.pieces, cut.count)) {
        SlabPieces(outline, count, cut.pieces);
        cut.count = cut.pieces.size();
        cut.resultants = static_cast<int32_t>(cut.count);
    }
}

void FreePartitionTree(std::unique_ptr<PartitionNode>& tree) {
    if (!tree) return;
    FreePartitionTree(tree->front);
    FreePartitionTree(tree->back);
    tree.reset();
}

void SubdivideSectors() {
    level.resultant_count = 0;
    int convex = 0;
    int concave = 0;
    std::printf("Found %ld Sectors, Subdividing - [                    ]",
                static_cast<long>(level.num_sectors));
    std::printf("\b\b\b\b\b\b\b\b\b\b\b\b\b\b\b\b\b\b\b\b\b");
    std::fflush(stdout);
    SetProgressLineOpen(true);
    const float step = static_cast<float>(level.num_sectors / 20.0);
    int cells = 0;
    IndexSectorLines();
    static SectorCut cut;  // kept from sector to sector for the room of its lists

    for (level.current_sector = 0; level.current_sector < level.num_sectors;
         level.current_sector++) {
        CollectSectorEdges();
        if (level.edge_count < 3) continue;
        const int splitter = ChooseSplitter(level.edge_list.data(), level.edge_count);
        if (splitter < 0) {
            convex++;
        } else {
            concave++;
        }
        // The pieces are built from a copy: building them overwrites edge_list.
        const std::vector<SectorEdge> outline(level.edge_list.begin(),
                                              level.edge_list.begin() + level.edge_count);
        CutSector(outline.data(), static_cast<int>(outline.size()), splitter, cut);
        level.resultant_count += cut.resultants;
        for (size_t i = 0; i < cut.count; i++) WritePiece(cut.pieces[i]);

        const int target = static_cast<int>(level.current_sector / static_cast<double>(step));
        while (cells < target) {
            std::printf("#");
            std::fflush(stdout);
            cells++;
        }
    }
    ClearSectorLineIndex();
    while (cells < kProgressCells) {
        std::printf("#");
        cells++;
    }
    std::printf("\n");
    SetProgressLineOpen(false);
    std::printf(" * %i Convex Sectors\n", convex);
    std::printf(" * %i Concave Sectors\n", concave);
    std::printf(" * %i Resultants\n", level.resultant_count);
}
