// Which convex pieces of a sector are its floor, and an exact cover for the
// sectors where they fall short.
//
// The partition works with a 2-unit band around every line and takes every
// line that faces the sector as its boundary, a line with the sector on both
// sides included. Where that goes wrong (a short edge counted on a line it
// does not lie on, a loop of such inner lines, a sector thinner than the band)
// pieces leave parts of the sector out or reach into the void. Such a sector
// is cut instead into vertical slabs at its vertices, with exact arithmetic;
// the trapezoids of neighbouring slabs are joined while they stay convex.
#include <algorithm>
#include <cmath>
#include <iterator>

#include "converter/geometry/cover_support.h"
#include "converter/geometry/geometry.h"
#include "converter/level/level.h"

namespace {

// How far (map units) a piece corner may lie outside its sector: cut points
// are truncated, so a corner may move by a unit along either axis.
constexpr double kCornerSlack = 1.0;
// How far the sides of a piece are moved inwards before its corners are
// checked. Cut points of lines that meet at a narrow angle slide far along
// them, but only a piece wider than twice this reaches out of the sector by
// more than the band within which the partition counts a point on a line (and
// by which a hidden side plane is pushed out).
constexpr double kInset = 2.0;
// How far a corner of a piece, a truncated cut point, may lie from the
// boundary of its sector without a closer look.
constexpr double kCutSlack = 3.0;
// A slab piece smaller than this (square units) is left out.
constexpr double kMinPieceArea = 1.0;

// The y at which the non-vertical `edge` passes x.
double YAt(const SectorEdge& edge, double x) {
    return edge.y1 + (x - edge.x1) * static_cast<double>(edge.dy) / edge.dx;
}

// The corners of `piece` with every side moved `distance` inwards (none when
// nothing is left): the piece lies right of each of its clip lines.
void InsetPiece(const ConvexPiece& piece, double distance, std::vector<Point>& corners) {
    double min_x = piece.polygon[0].x1, max_x = min_x;
    double min_y = piece.polygon[0].y1, max_y = min_y;
    for (const SectorEdge& e : piece.polygon) {
        min_x = std::min<double>(min_x, e.x1);
        max_x = std::max<double>(max_x, e.x1);
        min_y = std::min<double>(min_y, e.y1);
        max_y = std::max<double>(max_y, e.y1);
    }
    corners = {{min_x - 1, min_y - 1},
               {max_x + 1, min_y - 1},
               {max_x + 1, max_y + 1},
               {min_x - 1, max_y + 1}};
    static std::vector<Point> kept;  // kept for its room
    for (const SectorEdge& e : piece.polygon) {
        const SectorEdge& line = piece.clip[e.clip_index];
        const double dx = line.dx;
        const double dy = line.dy;
        const double length = Length(dx, dy);
        if (length == 0.0) continue;
        // Positive on the piece's side, beyond the moved line.
        auto inside = [&](const Point& q) {
            return (dy * (q.x - line.x1) - dx * (q.y - line.y1)) / length - distance;
        };
        kept.clear();
        for (size_t i = 0; i < corners.size(); i++) {
            const Point& a = corners[i];
            const Point& b = corners[(i + 1) % corners.size()];
            const double fa = inside(a);
            const double fb = inside(b);
            if (fa >= 0) kept.push_back(a);
            if ((fa >= 0) != (fb >= 0)) {
                const double t = fa / (fa - fb);
                kept.push_back({a.x + t * (b.x - a.x), a.y + t * (b.y - a.y)});
            }
        }
        corners.swap(kept);
        if (corners.empty()) return;
    }
}

// Whether every corner of `piece` lies inside the sector or within the
// slack of a truncated cut point of its boundary, and its centre inside:
// most pieces, which need no closer look.
bool CornersInSector(const EdgeBands& bounds, const std::vector<int>& bound_of_line,
                     const ConvexPiece& piece) {
    double cx = 0.0, cy = 0.0;
    for (const SectorEdge& e : piece.polygon) {
        // Most corners lie on the sector line their side comes from: that
        // line is tried before the rest.
        const SectorEdge& line = piece.clip[e.clip_index];
        const int hint =
            line.linedef >= 0 && static_cast<size_t>(line.linedef) < bound_of_line.size()
                ? bound_of_line[static_cast<size_t>(line.linedef)]
                : -1;
        const bool on_hint = hint >= 0 && CloseToEdge(bounds.edges[static_cast<size_t>(hint)], e.x1,
                                                      e.y1, kCutSlack);
        if (!on_hint && !NearSector(bounds, e.x1, e.y1, kCutSlack)) return false;
        cx += e.x1;
        cy += e.y1;
    }
    const double n = static_cast<double>(piece.polygon.size());
    return NearSector(bounds, cx / n, cy / n, kCornerSlack);
}

// Whether every end point starts as many edges as it ends: a closed boundary.
bool BoundaryClosed(const std::vector<SectorEdge>& bounds) {
    static std::vector<std::pair<int64_t, int>> ends;  // kept for its room
    ends.clear();
    auto key = [](int32_t x, int32_t y) {
        return (static_cast<int64_t>(x) << 32) ^ (y & 0xFFFFFFFFLL);
    };
    for (const SectorEdge& e : bounds) {
        ends.emplace_back(key(e.x1, e.y1), 1);
        ends.emplace_back(key(e.x2, e.y2), -1);
    }
    std::sort(ends.begin(), ends.end());
    size_t i = 0;
    while (i < ends.size()) {
        int sum = 0;
        size_t j = i;
        for (; j < ends.size() && ends[j].first == ends[i].first; j++) sum += ends[j].second;
        if (sum != 0) return false;
        i = j;
    }
    return !bounds.empty();
}

// One convex piece being joined from trapezoids, left to right.
struct SlabPolygon {
    int32_t left_x;           // x of its left side
    int32_t right_x;          // x of its right side
    std::vector<int> bottom;  // boundary edges along its bottom, west to east
    std::vector<int> top;     // boundary edges along its top, west to east
};

// Whether the sector's edges `a` then `b` (both running west, the sector above
// them) continue each other at x without turning the region concave.
bool BottomJoins(const SectorEdge& a, const SectorEdge& b, int32_t x) {
    if (a.x1 != b.x2 || a.y1 != b.y2 || b.x2 != x) return false;
    // Walking east the bottom must turn left or go straight on.
    return edge_arithmetic::Mul(a.dx, b.dy) - edge_arithmetic::Mul(a.dy, b.dx) >= 0;
}

// The same for edges running east, the sector below them.
bool TopJoins(const SectorEdge& a, const SectorEdge& b, int32_t x) {
    if (a.x2 != b.x1 || a.y2 != b.y1 || b.x1 != x) return false;
    return edge_arithmetic::Mul(a.dx, b.dy) - edge_arithmetic::Mul(a.dy, b.dx) <= 0;
}

bool Collinear(const SectorEdge& a, const SectorEdge& b) {
    return edge_arithmetic::Mul(a.dx, b.dy) == edge_arithmetic::Mul(a.dy, b.dx);
}

// A vertical side of a piece at x from y_low to y_high: the wall on it when
// one boundary edge faces the piece along most of it, else a partition line
// with no line behind it. The piece lies east of it when `east`.
// `verticals` holds the vertical boundary edges by x, then index.
SectorEdge VerticalSide(const std::vector<SectorEdge>& bounds,
                        const std::vector<std::pair<int32_t, int>>& verticals, int32_t x,
                        double y_low, double y_high, bool east) {
    const SectorEdge* wall = nullptr;
    double best = 0.5 * (y_high - y_low);
    for (auto it = std::lower_bound(verticals.begin(), verticals.end(), std::make_pair(x, -1));
         it != verticals.end() && it->first == x; ++it) {
        const SectorEdge& e = bounds[static_cast<size_t>(it->second)];
        if ((e.dy > 0) != east) continue;
        const double overlap = std::min<double>(std::max(e.y1, e.y2), y_high) -
                               std::max<double>(std::min(e.y1, e.y2), y_low);
        if (overlap > best) {
            best = overlap;
            wall = &e;
        }
    }
    if (wall) return *wall;
    SectorEdge side{};
    const int32_t low = static_cast<int32_t>(std::floor(y_low));
    const int32_t high = std::max(low + 1, static_cast<int32_t>(std::ceil(y_high)));
    side.x1 = x;
    side.x2 = x;
    side.y1 = east ? low : high;
    side.y2 = east ? high : low;
    UpdateDelta(side);
    side.other_sector = -1;
    side.other_sidedef = -1;
    side.linedef = -1;
    side.clip_index = -1;
    side.from_linedef = 1;
    return side;
}

// Turns a joined polygon into a piece: its sides become the clip lines, and
// the polygon's edges run between its corners.
void FinishSlabPolygon(const std::vector<SectorEdge>& bounds,
                       const std::vector<std::pair<int32_t, int>>& verticals,
                       const SlabPolygon& poly, std::vector<ConvexPiece>& pieces) {
    const SectorEdge& first_bottom = bounds[poly.bottom.front()];
    const SectorEdge& first_top = bounds[poly.top.front()];
    const SectorEdge& last_bottom = bounds[poly.bottom.back()];
    const SectorEdge& last_top = bounds[poly.top.back()];
    struct Corner {
        double x, y;
    };
    std::vector<Corner> corners;    // counter-clockwise from the lower left
    std::vector<SectorEdge> sides;  // side i runs from corner i to corner i + 1
    const double left_low = YAt(first_bottom, poly.left_x);
    const double left_high = YAt(first_top, poly.left_x);
    const double right_low = YAt(last_bottom, poly.right_x);
    const double right_high = YAt(last_top, poly.right_x);

    corners.push_back({static_cast<double>(poly.left_x), left_low});
    // A chain of edges in the order the outline runs: one side per run of
    // collinear edges, a corner between each side and the next.
    auto add_chain = [&](auto first, auto last) {
        for (auto it = first; it != last; ++it) {
            const SectorEdge& e = bounds[*it];
            if (std::next(it) != last) {
                if (Collinear(e, bounds[*std::next(it)])) continue;
                sides.push_back(e);
                corners.push_back({static_cast<double>(e.x1), static_cast<double>(e.y1)});
            } else {
                sides.push_back(e);
            }
        }
    };
    add_chain(poly.bottom.begin(), poly.bottom.end());
    // Sides that are a single point are left out.
    if (right_high - right_low > 1e-9) {
        corners.push_back({static_cast<double>(poly.right_x), right_low});
        sides.push_back(
            VerticalSide(bounds, verticals, poly.right_x, right_low, right_high, false));
    }
    corners.push_back({static_cast<double>(poly.right_x), right_high});
    add_chain(poly.top.rbegin(), poly.top.rend());
    if (left_high - left_low > 1e-9) {
        corners.push_back({static_cast<double>(poly.left_x), left_high});
        sides.push_back(VerticalSide(bounds, verticals, poly.left_x, left_low, left_high, true));
    }
    double area2 = 0.0;
    for (size_t i = 0; i < corners.size(); i++) {
        const Corner& a = corners[i];
        const Corner& b = corners[(i + 1) % corners.size()];
        area2 += a.x * b.y - b.x * a.y;
    }
    if (sides.size() < 3 || area2 < 2.0 * kMinPieceArea) return;

    ConvexPiece piece;
    for (size_t i = 0; i < sides.size(); i++) {
        SectorEdge clip = sides[i];
        clip.clip_index = -1;
        piece.clip.push_back(clip);
        SectorEdge edge = clip;
        edge.clip_index = static_cast<int32_t>(i);
        const Corner& a = corners[i];
        const Corner& b = corners[(i + 1) % corners.size()];
        edge.x1 = static_cast<int32_t>(a.x);
        edge.y1 = static_cast<int32_t>(a.y);
        edge.x2 = static_cast<int32_t>(b.x);
        edge.y2 = static_cast<int32_t>(b.y);
        UpdateDelta(edge);
        piece.polygon.push_back(edge);
    }
    pieces.push_back(std::move(piece));
}

}  // namespace

bool FitPiecesToSector(const SectorEdge* outline, int count, std::vector<ConvexPiece>& pieces,
                       size_t& piece_count) {
    static EdgeBands bounds;                     // the sector's boundary; kept for its room
    static std::vector<SectorEdge> bound_edges;  // kept for its room
    SectorBounds(outline, count, bound_edges);
    // Most sectors: one convex piece with a side on every line.
    if (ExactConvexPiece(bound_edges, count, outline, pieces.data(), piece_count)) return true;
    // Most others: pieces that tile the sector exactly.
    if (PiecesTileSector(bound_edges, pieces.data(), piece_count)) return true;
    // The boundary edge of each sector line.
    static std::vector<int> bound_of_line;  // -1 but while a sector is looked at
    if (bound_of_line.size() < level.linedefs.size())
        bound_of_line.resize(level.linedefs.size(), -1);
    for (size_t i = 0; i < bound_edges.size(); i++) {
        const int32_t linedef = bound_edges[i].linedef;
        if (linedef >= 0 && static_cast<size_t>(linedef) < bound_of_line.size())
            bound_of_line[static_cast<size_t>(linedef)] = static_cast<int>(i);
    }
    // Most of the rest tile it once the sides on walls cut at rounded points
    // are taken on the walls' own lines.
    static IdealTiling ideal;  // kept for its room
    const size_t cut_count = piece_count;
    const bool tiled =
        CutWallsTileSector(bound_edges, bound_of_line, pieces.data(), piece_count, ideal);
    auto forget_lines = [](const std::vector<SectorEdge>& edges) {
        for (const SectorEdge& e : edges)
            if (e.linedef >= 0 && static_cast<size_t>(e.linedef) < bound_of_line.size())
                bound_of_line[static_cast<size_t>(e.linedef)] = -1;
    };
    // Where the ideal tiling holds, a look at the turned sides shows most
    // fits without the full check (and that no piece lies over the void).
    if (tiled && CutWallsFit(pieces.data(), piece_count, ideal)) {
        forget_lines(bound_edges);
        return true;
    }
    BuildBands(bounds, std::move(bound_edges));
    // A sector without a closed boundary has no inside to measure against:
    // only the open pieces go.
    const bool closed = BoundaryClosed(bounds.edges);
    static std::vector<Point> inset;  // kept for its room
    size_t kept = 0;
    for (size_t p = 0; p < piece_count; p++) {
        ConvexPiece& piece = pieces[p];
        bool keep = true;
        for (const SectorEdge& e : piece.polygon)
            if (e.clip_index < 0 || e.clip_index >= static_cast<int>(piece.clip.size()))
                keep = false;
        // A piece over the void between parts of the sector: not one of its
        // inset corners nor its centre lies in the sector.
        if (keep && closed && piece_count > 1 && !piece.polygon.empty() &&
            !CornersInSector(bounds, bound_of_line, piece)) {
            InsetPiece(piece, kInset, inset);
            bool near = inset.empty();
            Point centre{0.0, 0.0};
            for (const Point& corner : inset) {
                near = near || NearSector(bounds, corner.x, corner.y, kCornerSlack);
                centre.x += corner.x / static_cast<double>(inset.size());
                centre.y += corner.y / static_cast<double>(inset.size());
            }
            keep = near || NearSector(bounds, centre.x, centre.y, kCornerSlack);
        }
        if (!keep) continue;
        if (kept != p) std::swap(pieces[kept], piece);
        kept++;
    }
    piece_count = kept;
    forget_lines(bounds.edges);
    if (!closed) return true;
    if (BrushesCoverSector(bounds, pieces.data(), piece_count)) return true;
    // Rounded cut points may turn a wall's plane off the wall; straightened,
    // the pieces may fit.
    if (StraightenCutWalls(pieces, piece_count) == 0) return false;
    if (tiled && piece_count == cut_count && CutWallsFit(pieces.data(), piece_count, ideal))
        return true;
    return BrushesCoverSector(bounds, pieces.data(), piece_count);
}

void SlabPieces(const SectorEdge* outline, int count, std::vector<ConvexPiece>& pieces) {
    pieces.clear();
    const std::vector<SectorEdge> bounds = SectorBounds(outline, count);
    std::vector<int32_t> xs;
    for (const SectorEdge& e : bounds) {
        xs.push_back(e.x1);
        xs.push_back(e.x2);
    }
    std::sort(xs.begin(), xs.end());
    xs.erase(std::unique(xs.begin(), xs.end()), xs.end());
    // The vertical edges by x; the others by their west end, entering the
    // sweep there and leaving it past their east end.
    std::vector<std::pair<int32_t, int>> verticals, by_west;
    for (size_t i = 0; i < bounds.size(); i++) {
        const SectorEdge& e = bounds[i];
        if (e.dx == 0) {
            verticals.emplace_back(e.x1, static_cast<int>(i));
        } else {
            by_west.emplace_back(std::min(e.x1, e.x2), static_cast<int>(i));
        }
    }
    std::sort(verticals.begin(), verticals.end());
    std::sort(by_west.begin(), by_west.end());
    size_t entered = 0;
    std::vector<int> active;  // the edges whose x range reaches the slab's west side

    std::vector<SlabPolygon> open;  // polygons whose right side is the slab's left side
    std::vector<SlabPolygon> next;
    std::vector<std::pair<double, int>> crossing;  // (y in the slab's middle, edge)
    for (size_t s = 0; s + 1 < xs.size(); s++) {
        const int32_t xa = xs[s];
        const int32_t xb = xs[s + 1];
        const double mid = 0.5 * (static_cast<double>(xa) + xb);
        crossing.clear();
        while (entered < by_west.size() && by_west[entered].first <= xa)
            active.push_back(by_west[entered++].second);
        // An edge that ends short of this slab's east side is past every
        // slab to come.
        std::erase_if(active, [&](int i) {
            const SectorEdge& e = bounds[static_cast<size_t>(i)];
            return std::max(e.x1, e.x2) < xb;
        });
        for (const int i : active)
            crossing.emplace_back(YAt(bounds[static_cast<size_t>(i)], mid), i);
        std::sort(crossing.begin(), crossing.end());
        std::vector<bool> used(open.size(), false);
        next.clear();
        for (size_t k = 0; k + 1 < crossing.size(); k++) {
            const int b = crossing[k].second;
            const int t = crossing[k + 1].second;
            // The sector lies above an edge running west and below one running east.
            if (bounds[b].dx >= 0 || bounds[t].dx <= 0) continue;
            bool joined = false;
            for (size_t p = 0; p < open.size() && !joined; p++) {
                if (used[p]) continue;
                SlabPolygon& poly = open[p];
                const SectorEdge& pb = bounds[poly.bottom.back()];
                const SectorEdge& pt = bounds[poly.top.back()];
                const bool bottom_ok = poly.bottom.back() == b || BottomJoins(pb, bounds[b], xa);
                const bool top_ok = poly.top.back() == t || TopJoins(pt, bounds[t], xa);
                if (!bottom_ok || !top_ok || YAt(pt, xa) - YAt(pb, xa) <= 1e-9) continue;
                used[p] = true;
                joined = true;
                if (poly.bottom.back() != b) poly.bottom.push_back(b);
                if (poly.top.back() != t) poly.top.push_back(t);
                poly.right_x = xb;
                next.push_back(std::move(poly));
            }
            if (!joined) next.push_back(SlabPolygon{xa, xb, {b}, {t}});
            k++;  // the top edge bounds no trapezoid above it
        }
        for (size_t p = 0; p < open.size(); p++)
            if (!used[p]) FinishSlabPolygon(bounds, verticals, open[p], pieces);
        open.swap(next);
    }
    for (const SlabPolygon& poly : open) FinishSlabPolygon(bounds, verticals, poly, pieces);
}
