// Whether the convex pieces of a sector cover it, and an exact cover for the
// sectors where they do not.
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
// How much of its perimeter a piece may gain or lose to truncated cut points.
constexpr double kAreaSlackPerUnit = 1.0;
// The band around a wall within which a side of a piece counts as on it, and
// the longest stretch of a side without a wall near a corner.
constexpr double kWallBand = 3.0;
constexpr double kWallGap = 8.0;
// How far a corner of a piece, a truncated cut point, may lie from the
// boundary of its sector without a closer look.
constexpr double kCutSlack = 3.0;
constexpr double kPi = 3.141592653589793;
constexpr double kAngleSlack = 1e-9;  // radians
// How far a cut part of a partition line may lie from the line.
constexpr double kCutBand = 1.5;
// Where a side leaves the walls, points this far to either side of it are
// probed, one every few units.
constexpr double kProbeDepth = 3.0;
constexpr double kProbeStep = 4.0;
// Bands of the edge index: about this many edges to a band, at most this
// many bands, and the margin by which an edge reaches past its y range
// (the widest of the slacks above).
constexpr size_t kEdgesPerBand = 4;
constexpr size_t kMaxBands = 256;
constexpr double kBandMargin = 4.0;
// A slab piece smaller than this (square units) is left out.
constexpr double kMinPieceArea = 1.0;

std::vector<std::pair<double, double>> wall_spans;  // kept from side to side for its room

// Whether `edge` bounds the current sector: it has length and the sector on
// one side only.
bool BoundsSector(const SectorEdge& edge) {
    return edge.other_sector != level.current_sector && (edge.dx != 0 || edge.dy != 0);
}

// The y at which the non-vertical `edge` passes x.
double YAt(const SectorEdge& edge, double x) {
    return edge.y1 + (x - edge.x1) * static_cast<double>(edge.dy) / edge.dx;
}

double Length(double dx, double dy) {
    return std::sqrt(dx * dx + dy * dy);
}

// Whether (px, py) lies within `slack` of `edge`.
bool CloseToEdge(const SectorEdge& edge, double px, double py, double slack) {
    // Most edges are far away: their box tells at once.
    if (px < std::min(edge.x1, edge.x2) - slack || px > std::max(edge.x1, edge.x2) + slack ||
        py < std::min(edge.y1, edge.y2) - slack || py > std::max(edge.y1, edge.y2) + slack)
        return false;
    const double dx = edge.dx;
    const double dy = edge.dy;
    const double t =
        std::clamp(((px - edge.x1) * dx + (py - edge.y1) * dy) / (dx * dx + dy * dy), 0.0, 1.0);
    const double ex = edge.x1 + t * dx - px;
    const double ey = edge.y1 + t * dy - py;
    return ex * ex + ey * ey <= slack * slack;
}

// Edges sorted into horizontal bands, so that a point or a side of a piece
// meets only the edges near it and not every edge of a large sector.
struct EdgeBands {
    std::vector<SectorEdge> edges;         // the edges
    double bottom = 0.0;                   // y of the lowest band's bottom
    double height = 1.0;                   // height of every band
    std::vector<std::vector<int>> member;  // per band: the edges that reach within the margin of it
    size_t count = 0;                      // bands in use
};

// The band that holds y (the nearest one for a y outside them all).
size_t BandOf(const EdgeBands& bands, double y) {
    const double band = std::floor((y - bands.bottom) / bands.height);
    if (!(band > 0)) return 0;
    return std::min(static_cast<size_t>(band), bands.count - 1);
}

// Fills `bands` with `edges`; each edge joins every band its y range,
// widened by the margin, reaches.
void BuildBands(EdgeBands& bands, std::vector<SectorEdge>&& edges) {
    bands.edges = std::move(edges);
    double low = 0.0, high = 0.0;
    for (size_t i = 0; i < bands.edges.size(); i++) {
        const SectorEdge& e = bands.edges[i];
        const double y_low = std::min(e.y1, e.y2);
        const double y_high = std::max(e.y1, e.y2);
        low = i == 0 ? y_low : std::min(low, y_low);
        high = i == 0 ? y_high : std::max(high, y_high);
    }
    bands.count = std::clamp<size_t>(bands.edges.size() / kEdgesPerBand, 1, kMaxBands);
    bands.bottom = low - kBandMargin;
    bands.height = (high - low + 2 * kBandMargin) / static_cast<double>(bands.count);
    if (bands.member.size() < bands.count) bands.member.resize(bands.count);
    for (size_t b = 0; b < bands.count; b++) bands.member[b].clear();
    for (size_t i = 0; i < bands.edges.size(); i++) {
        const SectorEdge& e = bands.edges[i];
        const size_t first = BandOf(bands, std::min(e.y1, e.y2) - kBandMargin);
        const size_t last = BandOf(bands, std::max(e.y1, e.y2) + kBandMargin);
        for (size_t b = first; b <= last; b++) bands.member[b].push_back(static_cast<int>(i));
    }
}

// Whether (px, py) lies inside the sector (even-odd rule) or within `slack`
// of its boundary; with `near_only`, only the latter.
bool NearSector(const EdgeBands& bounds, double px, double py, double slack,
                bool near_only = false) {
    bool inside = false;
    for (const int i : bounds.member[BandOf(bounds, py)]) {
        const SectorEdge& e = bounds.edges[i];
        if (slack >= 0 && CloseToEdge(e, px, py, slack)) return true;
        if (near_only) continue;
        if ((e.y1 <= py) != (e.y2 <= py)) {
            const double x = e.x1 + (py - e.y1) * static_cast<double>(e.dx) / e.dy;
            if (x > px) inside = !inside;
        }
    }
    return inside && !near_only;
}

struct Point {
    double x;  // map units, east
    double y;  // map units, north
};

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
    std::vector<Point> kept;
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

// The stretches (from, to: distances from the start of `side`, a polygon
// edge of a piece) longer than a gap at a corner along which no wall of the
// sector runs: no edge of the outline (inner lines included) running against
// it (a piece runs counter-clockwise) within the band of its line.
void WallGaps(const EdgeBands& outline, const SectorEdge& side,
              std::vector<std::pair<double, double>>& gaps) {
    gaps.clear();
    const double sx = side.dx;
    const double sy = side.dy;
    const double length = Length(sx, sy);
    if (length <= kWallGap) return;
    std::vector<std::pair<double, double>>& spans = wall_spans;
    spans.clear();
    // An edge that meets several of the side's bands gives its span more
    // than once, which does no harm.
    const size_t first = BandOf(outline, std::min(side.y1, side.y2));
    const size_t last = BandOf(outline, std::max(side.y1, side.y2));
    for (size_t b = first; b <= last; b++) {
        for (const int i : outline.member[b]) {
            const SectorEdge& o = outline.edges[i];
            if (static_cast<double>(o.dx) * sx + static_cast<double>(o.dy) * sy >= 0) continue;
            // Signed distances of the edge's ends from the side's line.
            const double d1 = (sy * (o.x1 - side.x1) - sx * (o.y1 - side.y1)) / length;
            const double d2 = (sy * (o.x2 - side.x1) - sx * (o.y2 - side.y1)) / length;
            double u1 = 0.0, u2 = 1.0;  // the part of the edge within the band
            if (d1 != d2) {
                u1 = std::max(
                    0.0, std::min((kWallBand - d1) / (d2 - d1), (-kWallBand - d1) / (d2 - d1)));
                u2 = std::min(
                    1.0, std::max((kWallBand - d1) / (d2 - d1), (-kWallBand - d1) / (d2 - d1)));
            } else if (std::fabs(d1) > kWallBand) {
                continue;
            }
            if (u1 >= u2) continue;
            auto along = [&](double u) {
                return ((o.x1 + u * o.dx - side.x1) * sx + (o.y1 + u * o.dy - side.y1) * sy) /
                       length;
            };
            const double a1 = along(u1);
            const double a2 = along(u2);
            spans.emplace_back(std::min(a1, a2), std::max(a1, a2));
        }
    }
    std::sort(spans.begin(), spans.end());
    double reached = 0.0;
    for (const auto& span : spans) {
        if (span.first >= length) break;
        if (span.first - reached > kWallGap) gaps.emplace_back(reached, span.first);
        reached = std::max(reached, span.second);
    }
    if (length - reached > kWallGap) gaps.emplace_back(reached, length);
}

// Whether the side `side` (a polygon edge) lies along the outline edge
// `edge` of its own line, within the gap at either end: on a wall.
bool AlongEdge(const SectorEdge& edge, const SectorEdge& side) {
    const double dx = edge.dx;
    const double dy = edge.dy;
    const double length = Length(dx, dy);
    if (length == 0.0) return false;
    for (const auto& [px, py] : {std::pair<double, double>(side.x1, side.y1), {side.x2, side.y2}}) {
        const double along = ((px - edge.x1) * dx + (py - edge.y1) * dy) / length;
        const double across = (dy * (px - edge.x1) - dx * (py - edge.y1)) / length;
        if (along < -kWallGap || along > length + kWallGap || std::fabs(across) > kWallBand)
            return false;
    }
    return true;
}

// Whether the side `line` (a polygon edge) of `piece` runs along one of its
// partition lines (against it: a piece runs counter-clockwise): a piece's
// side there is a cut, not a wall.
bool OnPartitionLine(const ConvexPiece& piece, const SectorEdge& line) {
    for (int32_t j = 0; j < piece.partition_lines; j++) {
        const SectorEdge& cut = piece.clip[j];
        const double dx = cut.dx;
        const double dy = cut.dy;
        const double length = Length(dx, dy);
        if (length == 0.0 || dx * line.dx + dy * line.dy >= 0) continue;
        const double d1 = std::fabs(dy * (line.x1 - cut.x1) - dx * (line.y1 - cut.y1)) / length;
        const double d2 = std::fabs(dy * (line.x2 - cut.x1) - dx * (line.y2 - cut.y1)) / length;
        if (d1 <= kCutBand && d2 <= kCutBand) return true;
    }
    return false;
}

// Whether (px, py) lies inside the polygon of one of pieces[0..count-1].
bool InAnyPiece(const ConvexPiece* pieces, size_t count, double px, double py) {
    for (size_t p = 0; p < count; p++) {
        bool inside = !pieces[p].polygon.empty();
        for (const SectorEdge& e : pieces[p].polygon) {
            // Counter-clockwise: the piece lies left of every edge.
            if (static_cast<double>(e.dx) * (py - e.y1) - static_cast<double>(e.dy) * (px - e.x1) <
                0) {
                inside = false;
                break;
            }
        }
        if (inside) return true;
    }
    return false;
}

// Whether (px, py) lies inside `piece` at least the inset away from its
// sides (near a narrow corner a point just inside one side may lie beyond
// another).
bool DeepInPiece(const ConvexPiece& piece, double px, double py) {
    for (const SectorEdge& e : piece.polygon) {
        const SectorEdge& line = piece.clip[e.clip_index];
        const double length = Length(static_cast<double>(line.dx), static_cast<double>(line.dy));
        if (length == 0.0) continue;
        if ((line.dy * (px - line.x1) - line.dx * (py - line.y1)) / length < kInset) return false;
    }
    return true;
}

// Whether the side planes of `piece` enclose it on every side: the
// directions of the clip lines of its polygon edges leave no gap of half a
// turn or more.
bool SidesEnclose(const ConvexPiece& piece) {
    static std::vector<double> angles;  // kept from piece to piece for its room
    angles.clear();
    for (const SectorEdge& e : piece.polygon) {
        const SectorEdge& line = piece.clip[e.clip_index];
        angles.push_back(std::atan2(static_cast<double>(line.dy), static_cast<double>(line.dx)));
    }
    std::sort(angles.begin(), angles.end());
    double widest = angles.front() + 2 * kPi - angles.back();
    for (size_t i = 1; i < angles.size(); i++) widest = std::max(widest, angles[i] - angles[i - 1]);
    return widest < kPi - kAngleSlack;
}

// Whether every corner of `piece` lies inside the sector or within the
// slack of a truncated cut point of its boundary, and its centre inside:
// most pieces, which need no closer look.
bool CornersInSector(const EdgeBands& bounds, const ConvexPiece& piece) {
    double cx = 0.0, cy = 0.0;
    for (const SectorEdge& e : piece.polygon) {
        if (!NearSector(bounds, e.x1, e.y1, kCutSlack)) return false;
        cx += e.x1;
        cy += e.y1;
    }
    const double n = static_cast<double>(piece.polygon.size());
    return NearSector(bounds, cx / n, cy / n, kCornerSlack);
}

// Whether a stretch of a piece's side without a wall shows a fault: a point
// of the sector just outside the side that no piece covers, or a point of
// the piece just inside the side that lies out of the sector.
bool GapShowsFault(const EdgeBands& bounds, const ConvexPiece* pieces, size_t count,
                   const ConvexPiece& piece, const SectorEdge& side, double from, double to) {
    const double length = Length(static_cast<double>(side.dx), static_cast<double>(side.dy));
    const double ux = side.dx / length;
    const double uy = side.dy / length;
    // Counter-clockwise: the outside lies right of the side.
    const double nx = uy;
    const double ny = -ux;
    for (double t = from + kProbeStep / 2; t < to; t += kProbeStep) {
        const double x = side.x1 + t * ux;
        const double y = side.y1 + t * uy;
        const double ox = x + kProbeDepth * nx;
        const double oy = y + kProbeDepth * ny;
        if (NearSector(bounds, ox, oy, -1.0) && !NearSector(bounds, ox, oy, kCornerSlack, true) &&
            !InAnyPiece(pieces, count, ox, oy))
            return true;
        const double ix = x - kProbeDepth * nx;
        const double iy = y - kProbeDepth * ny;
        if (DeepInPiece(piece, ix, iy) && !NearSector(bounds, ix, iy, kCornerSlack)) return true;
    }
    return false;
}

// Whether every end point starts as many edges as it ends: a closed boundary.
bool BoundaryClosed(const std::vector<SectorEdge>& bounds) {
    std::vector<std::pair<int64_t, int>> ends;
    ends.reserve(bounds.size() * 2);
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

std::vector<SectorEdge> SectorBounds(const SectorEdge* outline, int count) {
    std::vector<SectorEdge> bounds;
    for (int i = 0; i < count; i++)
        if (BoundsSector(outline[i])) bounds.push_back(outline[i]);
    return bounds;
}

// Twice the area enclosed by `bounds`, whose edges run with the sector on
// their right.
double BoundsArea2(const std::vector<SectorEdge>& bounds) {
    double area2 = 0.0;
    for (const SectorEdge& e : bounds)
        area2 -= static_cast<double>(e.x1) * e.y2 - static_cast<double>(e.x2) * e.y1;
    return area2;
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
SectorEdge VerticalSide(const std::vector<SectorEdge>& bounds, int32_t x, double y_low,
                        double y_high, bool east) {
    const SectorEdge* wall = nullptr;
    double best = 0.5 * (y_high - y_low);
    for (const SectorEdge& e : bounds) {
        if (e.dx != 0 || e.x1 != x || (e.dy > 0) != east) continue;
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
void FinishSlabPolygon(const std::vector<SectorEdge>& bounds, const SlabPolygon& poly,
                       std::vector<ConvexPiece>& pieces) {
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
    for (size_t i = 0; i < poly.bottom.size(); i++) {
        const SectorEdge& e = bounds[poly.bottom[i]];
        if (i + 1 < poly.bottom.size()) {
            if (Collinear(e, bounds[poly.bottom[i + 1]])) continue;
            sides.push_back(e);
            corners.push_back({static_cast<double>(e.x1), static_cast<double>(e.y1)});
        } else {
            sides.push_back(e);
        }
    }
    // Sides that are a single point are left out.
    if (right_high - right_low > 1e-9) {
        corners.push_back({static_cast<double>(poly.right_x), right_low});
        sides.push_back(VerticalSide(bounds, poly.right_x, right_low, right_high, false));
    }
    corners.push_back({static_cast<double>(poly.right_x), right_high});
    for (size_t k = poly.top.size(); k-- > 0;) {
        const SectorEdge& e = bounds[poly.top[k]];
        if (k > 0) {
            if (Collinear(e, bounds[poly.top[k - 1]])) continue;
            sides.push_back(e);
            corners.push_back({static_cast<double>(e.x1), static_cast<double>(e.y1)});
        } else {
            sides.push_back(e);
        }
    }
    if (left_high - left_low > 1e-9) {
        corners.push_back({static_cast<double>(poly.left_x), left_high});
        sides.push_back(VerticalSide(bounds, poly.left_x, left_low, left_high, true));
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

// Whether the sector is one convex piece that needs no closer look: the
// partition found no line to cut along and no line has the sector on both
// sides. The piece then lies within the sector's loop (every point of it lies
// in front of every wall) and covers it but for the band; only a piece
// thinner than the band may have lost a side.
bool ConvexPieceFits(const SectorEdge* outline, int count, const ConvexPiece* pieces,
                     size_t piece_count) {
    if (piece_count != 1 || pieces[0].partition_lines != 0 || pieces[0].polygon.empty())
        return false;
    for (int i = 0; i < count; i++)
        if (outline[i].other_sector == level.current_sector) return false;
    const ConvexPiece& piece = pieces[0];
    for (const SectorEdge& e : piece.polygon) {
        if (e.clip_index < 0 || e.clip_index >= static_cast<int>(piece.clip.size())) return false;
        const SectorEdge& line = piece.clip[e.clip_index];
        if (line.dx == 0 && line.dy == 0) return false;
    }
    return SidesEnclose(piece);
}

}  // namespace

bool FitPiecesToSector(const SectorEdge* outline, int count, std::vector<ConvexPiece>& pieces,
                       size_t& piece_count) {
    if (ConvexPieceFits(outline, count, pieces.data(), piece_count)) return true;
    static EdgeBands bounds;  // the sector's boundary; kept for its room
    static EdgeBands walls;   // every edge of its outline
    BuildBands(bounds, SectorBounds(outline, count));
    bool walls_built = false;  // built for the first side that leaves its own edge
    // A sector without a closed boundary has no inside to measure against:
    // only the open pieces go.
    const bool closed = BoundaryClosed(bounds.edges);
    double piece_area2 = 0.0;
    double perimeter = 0.0;
    bool fits = true;
    std::vector<Point> inset;
    size_t kept = 0;
    for (size_t p = 0; p < piece_count; p++) {
        ConvexPiece& piece = pieces[p];
        bool keep = true;
        for (const SectorEdge& e : piece.polygon) {
            if (e.clip_index < 0 || e.clip_index >= static_cast<int>(piece.clip.size())) {
                keep = false;
            } else if (piece.clip[e.clip_index].dx == 0 && piece.clip[e.clip_index].dy == 0) {
                // A side on a clip line of no length gets no plane.
                fits = false;
            }
        }
        // A side dropped as lying within the band of a clip line may leave
        // the brush of a piece thinner than the band open: such a sector
        // needs an exact cut.
        if (keep && !piece.polygon.empty() && !SidesEnclose(piece)) fits = false;
        if (keep && closed && !piece.polygon.empty() && !CornersInSector(bounds, piece)) {
            InsetPiece(piece, kInset, inset);
            int near = 0;
            Point centre{0.0, 0.0};
            for (const Point& corner : inset) {
                if (NearSector(bounds, corner.x, corner.y, kCornerSlack)) near++;
                centre.x += corner.x / static_cast<double>(inset.size());
                centre.y += corner.y / static_cast<double>(inset.size());
            }
            if (!inset.empty()) {
                if (NearSector(bounds, centre.x, centre.y, kCornerSlack)) near++;
                // Wholly outside: a piece over the void between parts of
                // the sector. Partly outside: the partition went wrong.
                if (near == 0) keep = false;
                if (near > 0 && near < static_cast<int>(inset.size()) + 1) fits = false;
            }
        }
        if (!keep) continue;
        for (const SectorEdge& e : piece.polygon) {
            piece_area2 += static_cast<double>(e.x1) * e.y2 - static_cast<double>(e.x2) * e.y1;
            perimeter += Length(static_cast<double>(e.dx), static_cast<double>(e.dy));
        }
        if (kept != p) std::swap(pieces[kept], piece);
        kept++;
    }
    piece_count = kept;
    if (!closed) return true;
    // A side on a leaf's own line that leaves the walls may cut the sector
    // short or run across the void.
    std::vector<std::pair<double, double>> gaps;
    for (size_t p = 0; p < piece_count && fits; p++) {
        const ConvexPiece& piece = pieces[p];
        for (const SectorEdge& e : piece.polygon) {
            if (e.clip_index < piece.partition_lines || AlongEdge(piece.clip[e.clip_index], e) ||
                OnPartitionLine(piece, e))
                continue;
            if (!walls_built) BuildBands(walls, std::vector<SectorEdge>(outline, outline + count));
            walls_built = true;
            WallGaps(walls, e, gaps);
            for (const auto& gap : gaps)
                if (GapShowsFault(bounds, pieces.data(), piece_count, piece, e, gap.first,
                                  gap.second))
                    fits = false;
        }
    }
    const double slack2 = 2.0 * kAreaSlackPerUnit * perimeter;
    return fits && std::fabs(piece_area2 - BoundsArea2(bounds.edges)) <= slack2;
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

    std::vector<SlabPolygon> open;  // polygons whose right side is the slab's left side
    std::vector<SlabPolygon> next;
    std::vector<std::pair<double, int>> crossing;  // (y in the slab's middle, edge)
    for (size_t s = 0; s + 1 < xs.size(); s++) {
        const int32_t xa = xs[s];
        const int32_t xb = xs[s + 1];
        const double mid = 0.5 * (static_cast<double>(xa) + xb);
        crossing.clear();
        for (size_t i = 0; i < bounds.size(); i++) {
            const SectorEdge& e = bounds[i];
            if (e.dx == 0 || std::min(e.x1, e.x2) > xa || std::max(e.x1, e.x2) < xb) continue;
            crossing.emplace_back(YAt(e, mid), static_cast<int>(i));
        }
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
            if (!used[p]) FinishSlabPolygon(bounds, open[p], pieces);
        open.swap(next);
    }
    for (const SlabPolygon& poly : open) FinishSlabPolygon(bounds, poly, pieces);
}
