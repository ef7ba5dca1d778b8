// Whether the floor and ceiling brushes of a sector's pieces, as they will be
// written, cover the sector and stay within the push of its walls; and the
// mend for a wall cut at a rounded point.
//
// A brush is the piece's slab bounded by one plane per side of the piece:
// the side's clip line, pushed outward where the side cannot be seen. Its
// footprint is worked out here from those planes exactly as written. A hole
// shows as a stretch just outside a footprint's side that lies inside the
// sector and under no other footprint; a brush reaches out of the sector
// where its footprint, drawn in by the push, is crossed by a wall with the
// void behind it.
#include <algorithm>
#include <cmath>

#include "converter/geometry/cover_support.h"
#include "converter/geometry/geometry.h"
#include "converter/level/level.h"
#include "converter/surfaces/surfaces.h"

namespace {

// Doom 3's compiler welds gaps narrower than its clip epsilon: a side is
// probed this far outside it.
constexpr double kCrackWidth = 0.1;
// An uncovered stretch shorter than this (map units) along a side is the
// corner of a neighbouring side, not a hole.
constexpr double kMinStretch = 1.0;
// How far a brush may reach past a wall: the push, never more.
constexpr double kWallReach = 2.0;
constexpr double kReachSlack = 0.01;
// How far in from the middle of every line a point must lie under a
// footprint: beyond the cracks the compiler welds.
constexpr double kLoopDepth = 2 * kCrackWidth;
// Rounding allowance of a point on a plane shared by two footprints.
constexpr double kPlaneSlack = 1e-7;
// A footprint is clipped from a square this far out; one that still touches
// it is not closed.
constexpr double kFarAway = 1048576.0;
// A piece with more sides than this is written without side planes.
constexpr size_t kMaxSidedPiece = 256;

// p is inside when nx * p.x + ny * p.y <= d.
struct HalfPlane {
    double nx;
    double ny;
    double d;
};

// A brush seen from above.
struct Footprint {
    std::vector<HalfPlane> planes;  // one per written side plane
    std::vector<Point> corners;     // counter-clockwise; empty when not closed
    double min_x, min_y, max_x, max_y;
};

// The half-plane of the side plane on `line`, pushed by (sx, sy) when
// `pushed`; false when the side gets no plane.
bool SidePlane(const SectorEdge& line, bool pushed, int32_t sx, int32_t sy, HalfPlane& plane) {
    const double x1 = line.x1 + (pushed ? sx : 0);
    const double y1 = line.y1 + (pushed ? sy : 0);
    const double dx = line.dx;
    const double dy = line.dy;
    const double length = Length(dx, dy);
    if (static_cast<int32_t>(length) == 0) return false;
    // The piece lies right of its clip line.
    plane = {-dy / length, dx / length, (-dy * x1 + dx * y1) / length};
    return true;
}

// The push of the side plane on `line`, were it pushed.
void SidePush(const SectorEdge& line, int32_t& sx, int32_t& sy) {
    int32_t x1 = line.x1, y1 = line.y1, x2 = line.x2, y2 = line.y2;
    ShiftSidePlane(line, line.from_linedef == 0 ? 0 : 1, x1, y1, x2, y2);
    sx = x1 - line.x1;
    sy = y1 - line.y1;
}

// The half-plane of the side plane on `line` as written; false when the
// side gets no plane.
bool WrittenPlane(const SectorEdge& line, int mode, HalfPlane& plane) {
    int32_t sx = 0, sy = 0;
    const bool pushed = SidePlanePushed(line, mode);
    if (pushed) SidePush(line, sx, sy);
    return SidePlane(line, pushed, sx, sy, plane);
}

// Keeps the part of the convex polygon `poly` inside `plane`, moved in by
// `inset`.
void ClipPolygon(std::vector<Point>& poly, const HalfPlane& plane, double inset,
                 std::vector<Point>& scratch) {
    scratch.clear();
    const double d = plane.d - inset;
    for (size_t i = 0; i < poly.size(); i++) {
        const Point& a = poly[i];
        const Point& b = poly[(i + 1) % poly.size()];
        const double fa = plane.nx * a.x + plane.ny * a.y - d;
        const double fb = plane.nx * b.x + plane.ny * b.y - d;
        if (fa <= 0) scratch.push_back(a);
        if ((fa < 0 && fb > 0) || (fa > 0 && fb < 0)) {
            const double t = fa / (fa - fb);
            scratch.push_back({a.x + t * (b.x - a.x), a.y + t * (b.y - a.y)});
        }
    }
    poly.swap(scratch);
}

// One side plane of a piece: its line, its push and when it is pushed.
struct SidePlaneInfo {
    const SectorEdge* line;
    int32_t sx, sy;  // the push
    bool pushed[2];  // in the floor and the ceiling brush
};

// The footprint of a brush with the side planes `sides`, in the given mode.
void BuildFootprint(const SidePlaneInfo* sides, size_t count, int mode, Footprint& print) {
    static std::vector<Point> scratch;  // kept for its room
    print.planes.clear();
    print.corners = {
        {-kFarAway, -kFarAway}, {kFarAway, -kFarAway}, {kFarAway, kFarAway}, {-kFarAway, kFarAway}};
    for (size_t i = 0; i < count; i++) {
        HalfPlane plane;
        if (!SidePlane(*sides[i].line, sides[i].pushed[mode], sides[i].sx, sides[i].sy, plane))
            continue;
        print.planes.push_back(plane);
        ClipPolygon(print.corners, plane, 0.0, scratch);
    }
    if (print.corners.size() < 3) {
        print.corners.clear();
        return;
    }
    print.min_x = print.max_x = print.corners[0].x;
    print.min_y = print.max_y = print.corners[0].y;
    for (const Point& c : print.corners) {
        print.min_x = std::min(print.min_x, c.x);
        print.max_x = std::max(print.max_x, c.x);
        print.min_y = std::min(print.min_y, c.y);
        print.max_y = std::max(print.max_y, c.y);
    }
    // A corner out on the square: the planes leave a side open.
    if (std::max({-print.min_x, print.max_x, -print.min_y, print.max_y}) > kFarAway / 2)
        print.corners.clear();
}

// Narrows [t0, t1] of the segment from p to q to where it lies inside `plane`
// (within `slack`).
void ClipInterval(const Point& p, const Point& q, const HalfPlane& plane, double slack, double& t0,
                  double& t1) {
    const double a = plane.nx * p.x + plane.ny * p.y - plane.d - slack;
    const double b = plane.nx * (q.x - p.x) + plane.ny * (q.y - p.y);
    if (b == 0) {
        if (a > 0) t1 = t0 - 1;
        return;
    }
    const double t = -a / b;
    if (b > 0) {
        t1 = std::min(t1, t);
    } else {
        t0 = std::max(t0, t);
    }
}

// Stretches of one segment, as parameters from 0 to 1.
using Stretches = std::vector<std::pair<double, double>>;

// Sorts and joins `spans`.
void JoinStretches(Stretches& spans) {
    std::sort(spans.begin(), spans.end());
    size_t kept = 0;
    for (const auto& span : spans) {
        if (kept > 0 && span.first <= spans[kept - 1].second) {
            spans[kept - 1].second = std::max(spans[kept - 1].second, span.second);
        } else {
            spans[kept++] = span;
        }
    }
    spans.resize(kept);
}

// The side planes of every piece, and where each piece's run of them starts.
struct PieceSides {
    std::vector<SidePlaneInfo> sides;
    std::vector<size_t> start;       // piece p's sides are sides[start[p] .. start[p + 1])
    bool modes_differ = false;       // whether a side is pushed in one brush only
    bool floor_pushed_more = false;  // whether a side is pushed in the floor brush only
};

// Gathers the side planes of pieces[0..count-1], with their pushes.
void CollectSides(const ConvexPiece* pieces, size_t count, PieceSides& all) {
    all.sides.clear();
    all.start.assign(1, 0);
    all.modes_differ = false;
    all.floor_pushed_more = false;
    for (size_t p = 0; p < count; p++) {
        const ConvexPiece& piece = pieces[p];
        // A piece with too many sides is written without side planes.
        if (piece.polygon.size() <= kMaxSidedPiece) {
            for (const SectorEdge& e : piece.polygon) {
                if (e.clip_index < 0 || e.clip_index >= static_cast<int>(piece.clip.size()))
                    continue;
                SidePlaneInfo side{&piece.clip[e.clip_index], 0, 0, {false, false}};
                side.pushed[0] = SidePlanePushed(*side.line, 0);
                side.pushed[1] = SidePlanePushed(*side.line, 1);
                if (side.pushed[0] || side.pushed[1]) SidePush(*side.line, side.sx, side.sy);
                all.modes_differ = all.modes_differ || side.pushed[0] != side.pushed[1];
                all.floor_pushed_more =
                    all.floor_pushed_more || (side.pushed[0] && !side.pushed[1]);
                all.sides.push_back(side);
            }
        }
        all.start.push_back(all.sides.size());
    }
}

// Footprints indexed by horizontal bands, so that a segment meets only the
// footprints near it.
struct FootprintBands {
    double bottom = 0.0;                   // y of the lowest band's bottom
    double height = 1.0;                   // height of every band
    size_t count = 0;                      // bands in use
    std::vector<std::vector<int>> member;  // per band: the footprints that reach into it
};

// The band that holds y (the nearest one for a y outside them all).
size_t FootprintBand(const FootprintBands& bands, double y) {
    const double band = std::floor((y - bands.bottom) / bands.height);
    if (!(band > 0)) return 0;
    return std::min(static_cast<size_t>(band), bands.count - 1);
}

// Fills `bands` with the closed footprints of `prints`.
void BuildFootprintBands(const std::vector<Footprint>& prints, FootprintBands& bands) {
    double low = 0.0, high = 0.0;
    bool any = false;
    for (const Footprint& f : prints) {
        if (f.corners.empty()) continue;
        low = any ? std::min(low, f.min_y) : f.min_y;
        high = any ? std::max(high, f.max_y) : f.max_y;
        any = true;
    }
    bands.count = std::clamp<size_t>(prints.size() / 2, 1, 256);
    bands.bottom = low - 1.0;
    bands.height = (high - low + 2.0) / static_cast<double>(bands.count);
    if (bands.member.size() < bands.count) bands.member.resize(bands.count);
    for (size_t b = 0; b < bands.count; b++) bands.member[b].clear();
    for (size_t i = 0; i < prints.size(); i++) {
        if (prints[i].corners.empty()) continue;
        const size_t first = FootprintBand(bands, prints[i].min_y);
        const size_t last = FootprintBand(bands, prints[i].max_y);
        for (size_t b = first; b <= last; b++) bands.member[b].push_back(static_cast<int>(i));
    }
}

// The pieces' footprints in one mode; false when one is not closed.
bool BuildFootprints(const PieceSides& all, size_t count, int mode,
                     std::vector<Footprint>& prints) {
    prints.resize(count);
    for (size_t p = 0; p < count; p++) {
        // A piece without sides is not written.
        if (all.start[p + 1] == all.start[p]) {
            prints[p].planes.clear();
            prints[p].corners.clear();
            prints[p].min_x = prints[p].min_y = 1.0;
            prints[p].max_x = prints[p].max_y = -1.0;
            continue;
        }
        BuildFootprint(all.sides.data() + all.start[p], all.start[p + 1] - all.start[p], mode,
                       prints[p]);
        if (prints[p].corners.empty()) return false;
    }
    return true;
}

}  // namespace

bool ExactConvexPiece(const std::vector<SectorEdge>& bounds, int count, const SectorEdge* outline,
                      const ConvexPiece* pieces, size_t piece_count) {
    if (piece_count != 1 || pieces[0].partition_lines != 0 ||
        static_cast<int>(bounds.size()) != count)
        return false;
    for (const SectorEdge& e : bounds) {
        for (const SectorEdge& o : bounds) {
            for (const auto& [x, y] : {std::pair<int32_t, int32_t>(o.x1, o.y1), {o.x2, o.y2}})
                if (edge_arithmetic::Mul(e.dx, y - e.y1) - edge_arithmetic::Mul(e.dy, x - e.x1) > 0)
                    return false;
        }
    }
    // Every line has a side on it: its own, or one of a line it continues.
    for (int i = 0; i < count; i++) {
        const SectorEdge& own = outline[i];
        bool used = false;
        for (const SectorEdge& e : pieces[0].polygon) {
            if (e.clip_index < 0 || e.clip_index >= static_cast<int>(pieces[0].clip.size()))
                continue;
            const SectorEdge& line = pieces[0].clip[e.clip_index];
            using edge_arithmetic::Mul;
            used = used || (Mul(line.dx, own.dy) == Mul(line.dy, own.dx) &&
                            Mul(line.dx, own.y1 - line.y1) == Mul(line.dy, own.x1 - line.x1) &&
                            Mul(line.dx, own.dx) + Mul(line.dy, own.dy) > 0);
        }
        if (!used) return false;
    }
    return pieces[0].polygon.size() <= kMaxSidedPiece;
}

namespace {

// The check of one sector in one mode.
struct CoverCheck {
    const EdgeBands& bounds;               // the sector's boundary
    const std::vector<Footprint>& prints;  // the pieces' footprints
    const FootprintBands& print_bands;     // their index
    int mode;
    std::vector<uint32_t> seen;  // per boundary edge: the stamp of the last segment that met it
    std::vector<uint32_t> print_seen;  // the same per footprint
    size_t last_cover = 0;             // the footprint that last covered a whole side
    uint32_t stamp = 0;
    Stretches covered;
    std::vector<double> crossings;

    // The boundary edges near the segment from p to q, each once.
    template <typename Visit>
    void NearEdges(const Point& p, const Point& q, Visit visit) {
        stamp++;
        const size_t first = BandOf(bounds, std::min(p.y, q.y));
        const size_t last = BandOf(bounds, std::max(p.y, q.y));
        for (size_t band = first; band <= last; band++) {
            for (const int i : bounds.member[band]) {
                if (seen[i] == stamp) continue;
                seen[i] = stamp;
                visit(bounds.edges[i], static_cast<size_t>(i));
            }
        }
    }

    // Whether (x, y) lies under one of the footprints.
    bool UnderFootprint(double x, double y) {
        const size_t band = FootprintBand(print_bands, y);
        for (const int j : print_bands.member[band]) {
            const Footprint& f = prints[j];
            if (x < f.min_x || x > f.max_x || y < f.min_y || y > f.max_y) continue;
            bool inside = true;
            for (const HalfPlane& plane : f.planes)
                inside = inside && plane.nx * x + plane.ny * y <= plane.d + kPlaneSlack;
            if (inside) return true;
        }
        return false;
    }

    // Whether the segment from p to q (just outside a side of footprint
    // `own`) has a stretch longer than the corner allowance that lies
    // inside the sector and under no other footprint. Each sector covers
    // itself up to its lines: a neighbour's plane may be turned as well.
    bool HasHole(const Point& p, const Point& q, size_t own) {
        const double length = Length(q.x - p.x, q.y - p.y);
        if (length <= kMinStretch) return false;
        const double shortest = kMinStretch / length;
        covered.clear();
        const double min_x = std::min(p.x, q.x), max_x = std::max(p.x, q.x);
        const double min_y = std::min(p.y, q.y), max_y = std::max(p.y, q.y);
        // The part of footprint j over the segment; whether it is all of it.
        auto cover_by = [&](size_t j) {
            const Footprint& f = prints[j];
            if (j == own || f.corners.empty() || f.max_x < min_x || f.min_x > max_x ||
                f.max_y < min_y || f.min_y > max_y)
                return false;
            double t0 = 0.0, t1 = 1.0;
            for (const HalfPlane& plane : f.planes) {
                ClipInterval(p, q, plane, kPlaneSlack, t0, t1);
                if (t1 <= t0) return false;
            }
            covered.emplace_back(t0, t1);
            return t0 <= 0.0 && t1 >= 1.0;
        };
        // Beyond most sides one piece goes on all along; mostly the one
        // found for the side before.
        if (last_cover < prints.size() && cover_by(last_cover)) return false;
        stamp++;
        const size_t first = FootprintBand(print_bands, min_y);
        const size_t last = FootprintBand(print_bands, max_y);
        for (size_t band = first; band <= last; band++) {
            for (const int j : print_bands.member[band]) {
                if (print_seen[j] == stamp || static_cast<size_t>(j) == last_cover) continue;
                print_seen[j] = stamp;
                if (cover_by(static_cast<size_t>(j))) {
                    last_cover = static_cast<size_t>(j);
                    return false;
                }
            }
        }
        JoinStretches(covered);
        // Most sides have pieces all along beyond them; each stretch left
        // is looked at on its own.
        double at = 0.0;
        for (const auto& span : covered) {
            if (span.first - at > shortest && GapHasHole(p, q, at, span.first, shortest))
                return true;
            at = std::max(at, span.second);
        }
        return 1.0 - at > shortest && GapHasHole(p, q, at, 1.0, shortest);
    }

    // Whether the stretch from `from` to `to` (parameters) of the segment
    // from p to q, under no footprint, has a part longer than `shortest`
    // inside the sector.
    bool GapHasHole(const Point& p, const Point& q, double from, double to, double shortest) {
        const Point a{p.x + from * (q.x - p.x), p.y + from * (q.y - p.y)};
        const Point b{p.x + to * (q.x - p.x), p.y + to * (q.y - p.y)};
        const double min_x = std::min(a.x, b.x), max_x = std::max(a.x, b.x);
        const double min_y = std::min(a.y, b.y), max_y = std::max(a.y, b.y);
        crossings.clear();
        NearEdges(a, b, [&](const SectorEdge& e, size_t) {
            // Most edges of the bands are far from the stretch.
            if (std::max(e.x1, e.x2) < min_x || std::min(e.x1, e.x2) > max_x ||
                std::max(e.y1, e.y2) < min_y || std::min(e.y1, e.y2) > max_y)
                return;
            const double ex = e.dx, ey = e.dy;
            const double sx = q.x - p.x, sy = q.y - p.y;
            const double den = sx * ey - sy * ex;
            if (den == 0) return;
            const double ax = e.x1 - p.x, ay = e.y1 - p.y;
            const double t = (ax * ey - ay * ex) / den;
            const double s = (ax * sy - ay * sx) / den;
            if (s >= 0 && s < 1 && t > from && t < to) crossings.push_back(t);
        });
        std::sort(crossings.begin(), crossings.end());
        // The even-odd test at a point of the first part that is no end of
        // it: the stretch may start on a line.
        const double probe = from + 0.4142 * ((crossings.empty() ? to : crossings[0]) - from);
        bool in = NearSector(bounds, p.x + probe * (q.x - p.x), p.y + probe * (q.y - p.y), -1.0);
        double start = from;
        for (const double t : crossings) {
            if (in && t - start > shortest) return true;
            in = !in;
            start = t;
        }
        return in && to - start > shortest;
    }

    // Whether footprint `print`, drawn in by the push, is crossed by a wall
    // with the void behind it or lies wholly outside the sector.
    bool ReachesOut(const Footprint& print) {
        static std::vector<Point> inner, scratch;  // kept for their room
        inner = print.corners;
        for (const HalfPlane& plane : print.planes) {
            ClipPolygon(inner, plane, kWallReach + kReachSlack, scratch);
            if (inner.size() < 3) return false;
        }
        double min_x = inner[0].x, max_x = min_x, min_y = inner[0].y, max_y = min_y;
        Point centre{0.0, 0.0};
        for (const Point& c : inner) {
            min_x = std::min(min_x, c.x);
            max_x = std::max(max_x, c.x);
            min_y = std::min(min_y, c.y);
            max_y = std::max(max_y, c.y);
            centre.x += c.x / static_cast<double>(inner.size());
            centre.y += c.y / static_cast<double>(inner.size());
        }
        bool crossed = false;
        bool out = false;
        NearEdges({min_x, min_y}, {max_x, max_y}, [&](const SectorEdge& e, size_t) {
            if (std::max(e.x1, e.x2) < min_x || std::min(e.x1, e.x2) > max_x ||
                std::max(e.y1, e.y2) < min_y || std::min(e.y1, e.y2) > max_y)
                return;
            double t0 = 0.0, t1 = 1.0;
            const Point a{static_cast<double>(e.x1), static_cast<double>(e.y1)};
            const Point b{static_cast<double>(e.x2), static_cast<double>(e.y2)};
            for (const HalfPlane& plane : print.planes) {
                ClipInterval(a, b, plane, -(kWallReach + kReachSlack), t0, t1);
                if (t1 <= t0) return;
            }
            crossed = true;
            if (e.other_sector < 0) out = true;
        });
        if (out) return true;
        return !crossed && !NearSector(bounds, centre.x, centre.y, -1.0);
    }
};

}  // namespace

bool BrushesCoverSector(const EdgeBands& bounds, const ConvexPiece* pieces, size_t piece_count) {
    if (bounds.edges.empty()) return true;
    if (piece_count == 0) return false;
    static PieceSides all;                 // kept for its room
    static std::vector<Footprint> prints;  // kept for its room
    static FootprintBands print_bands;     // kept for its room
    CollectSides(pieces, piece_count, all);
    for (int mode = 0; mode < 2; mode++) {
        if (mode == 1 && !all.modes_differ) break;
        // Where every difference pushes a ceiling side further out, each
        // ceiling brush holds its floor brush: only its reach can be new.
        if (mode == 1 && !all.floor_pushed_more) {
            CoverCheck check{bounds, prints, print_bands, mode, {}, {}, 0, 0, {}, {}};
            check.seen.assign(bounds.edges.size(), 0);
            static Footprint print;  // kept for its room
            for (size_t p = 0; p < piece_count; p++) {
                bool differs = false;
                for (size_t i = all.start[p]; i < all.start[p + 1]; i++)
                    differs = differs || all.sides[i].pushed[0] != all.sides[i].pushed[1];
                if (!differs) continue;
                BuildFootprint(all.sides.data() + all.start[p], all.start[p + 1] - all.start[p],
                               mode, print);
                if (print.corners.empty() || check.ReachesOut(print)) return false;
            }
            break;
        }
        if (!BuildFootprints(all, piece_count, mode, prints)) return false;
        BuildFootprintBands(prints, print_bands);
        CoverCheck check{bounds, prints, print_bands, mode, {}, {}, 0, 0, {}, {}};
        check.seen.assign(bounds.edges.size(), 0);
        check.print_seen.assign(prints.size(), 0);
        for (size_t p = 0; p < piece_count; p++) {
            const Footprint& print = prints[p];
            if (print.corners.empty()) continue;
            if (check.ReachesOut(print)) return false;
            // Each side probed just outside.
            const size_t n = print.corners.size();
            for (size_t k = 0; k < n; k++) {
                const Point& a = print.corners[k];
                const Point& b = print.corners[(k + 1) % n];
                const double length = Length(b.x - a.x, b.y - a.y);
                if (length == 0.0) continue;
                // Counter-clockwise: the outside lies right of the side.
                const double ox = (b.y - a.y) / length * kCrackWidth;
                const double oy = -(b.x - a.x) / length * kCrackWidth;
                if (check.HasHole({a.x + ox, a.y + oy}, {b.x + ox, b.y + oy}, p)) return false;
            }
        }
        if (mode == 1) continue;
        // A part of the sector whose pieces are all missing shows nowhere
        // along the footprints: just inside the middle of every line lies
        // one.
        for (const SectorEdge& e : bounds.edges) {
            const double length = Length(e.dx, e.dy);
            const double x = 0.5 * (e.x1 + e.x2) + e.dy / length * kLoopDepth;
            const double y = 0.5 * (e.y1 + e.y2) - e.dx / length * kLoopDepth;
            if (!check.UnderFootprint(x, y) && NearSector(bounds, x, y, -1.0)) return false;
        }
    }
    return true;
}

namespace {

// How far the plane `plane` reaches past the line from a to b (the sector on
// its right) where the point q meets that line.
double ReachPast(const HalfPlane& plane, const Point& a, const Point& b, const Point& q) {
    const double wx = b.x - a.x;
    const double wy = b.y - a.y;
    const double t = ((q.x - a.x) * wx + (q.y - a.y) * wy) / (wx * wx + wy * wy);
    return plane.d - (plane.nx * (a.x + t * wx) + plane.ny * (a.y + t * wy));
}

}  // namespace

bool TurnedOffLine(const SectorEdge& line, int32_t x1, int32_t y1, int32_t x2, int32_t y2,
                   SectorEdge& wall) {
    const int64_t wx = static_cast<int64_t>(x2) - x1;
    const int64_t wy = static_cast<int64_t>(y2) - y1;
    // A partition line seen from behind runs against the line.
    if ((wx == 0 && wy == 0) || wx * line.dx + wy * line.dy <= 0) return false;
    auto off = [&](int64_t x, int64_t y) { return wx * (y - y1) - wy * (x - x1); };
    if (off(line.x1, line.y1) == 0 && off(line.x2, line.y2) == 0) return false;
    wall = line;
    wall.x1 = x1;
    wall.y1 = y1;
    wall.x2 = x2;
    wall.y2 = y2;
    UpdateDelta(wall);
    wall.end_offset = 0;
    return true;
}

bool CutWallsFit(const ConvexPiece* pieces, size_t piece_count, const IdealTiling& tiling) {
    // How far inside its ideal footprint a brush drawn in by the push must
    // stay: far beyond the roundings, so that no wall crosses it.
    constexpr double kIdealMargin = 1e-3;
    static PieceSides own;                     // one piece's sides; kept for its room
    static Footprint print;                    // kept for its room
    static std::vector<Point> inner, scratch;  // kept for their room
    static std::vector<HalfPlane> walls;       // the turned sides' own lines
    for (size_t p = 0; p < piece_count; p++) {
        const ConvexPiece& piece = pieces[p];
        const ExactCorner* first = tiling.corners.data() + tiling.first[p];
        const ExactCorner* last = tiling.corners.data() + tiling.first[p + 1];
        walls.clear();
        for (size_t t = tiling.first_turned[p]; t < tiling.first_turned[p + 1]; t++) {
            const SectorEdge& line = piece.clip[static_cast<size_t>(tiling.turned[t])];
            const SectorEdge& own_wall = tiling.walls[t];
            // The side may have been straightened since.
            SectorEdge wall;
            if (!TurnedOffLine(line, own_wall.x1, own_wall.y1, own_wall.x2, own_wall.y2, wall))
                continue;
            HalfPlane plane;
            if (!SidePlane(wall, false, 0, 0, plane)) return false;
            walls.push_back(plane);
            // Its plane, as written in either brush, holds every ideal corner
            // (exactly: the piece lies right of the line).
            for (int mode = 0; mode < 2; mode++) {
                int32_t sx = 0, sy = 0;
                const bool pushed = SidePlanePushed(line, mode);
                if (pushed) SidePush(line, sx, sy);
                const int64_t x0 = static_cast<int64_t>(line.x1) + sx;
                const int64_t y0 = static_cast<int64_t>(line.y1) + sy;
                for (const ExactCorner* c = first; c != last; c++) {
                    const __int128 side =
                        static_cast<__int128>(-static_cast<int64_t>(line.dy)) * (c->x - x0 * c->d) +
                        static_cast<__int128>(line.dx) * (c->y - y0 * c->d);
                    if (side > 0) return false;
                }
            }
        }
        if (walls.empty()) continue;
        // Drawn in by the push, the brush stays inside its ideal footprint,
        // where no wall runs: drawn in a little further, as the check draws
        // it in, all the more. (Drawn in by the push, its piece's clip lines
        // stay inside it too: no piece lies over the void.)
        CollectSides(&piece, 1, own);
        for (int mode = 0; mode < (own.modes_differ ? 2 : 1); mode++) {
            BuildFootprint(own.sides.data(), own.sides.size(), mode, print);
            if (print.corners.empty()) return false;
            inner = print.corners;
            for (const HalfPlane& plane : print.planes) {
                ClipPolygon(inner, plane, kWallReach, scratch);
                if (inner.size() < 3) break;
            }
            if (inner.size() < 3) continue;
            for (const HalfPlane& wall : walls)
                for (const Point& q : inner)
                    if (wall.nx * q.x + wall.ny * q.y > wall.d - kIdealMargin) return false;
        }
    }
    return true;
}

namespace {

// Whether `line` lies on a part of a wall of the current sector cut at a
// rounded point, turned off the wall's own line; `wall` is then that line.
bool TurnedOffWall(const SectorEdge& line, SectorEdge& wall) {
    if (!OnSectorWall(line)) return false;
    // The sector's own line, running as its edge runs.
    const LineDef& linedef = level.linedefs[line.linedef];
    const bool from_right = linedef.right_sidedef >= 0 &&
                            level.sidedefs[linedef.right_sidedef].sector == level.current_sector;
    const Vertex& v1 = level.vertexes[from_right ? linedef.start_vertex : linedef.end_vertex];
    const Vertex& v2 = level.vertexes[from_right ? linedef.end_vertex : linedef.start_vertex];
    return TurnedOffLine(line, v1.x, v1.y, v2.x, v2.y, wall);
}

}  // namespace

int StraightenCutWalls(std::vector<ConvexPiece>& pieces, size_t piece_count) {
    int straightened = 0;
    for (size_t p = 0; p < piece_count; p++) {
        ConvexPiece& piece = pieces[p];
        for (const SectorEdge& e : piece.polygon) {
            if (e.clip_index < 0 || e.clip_index >= static_cast<int>(piece.clip.size())) continue;
            SectorEdge& line = piece.clip[e.clip_index];
            SectorEdge wall;
            if (!TurnedOffWall(line, wall)) continue;
            const Point a{static_cast<double>(wall.x1), static_cast<double>(wall.y1)};
            const Point b{static_cast<double>(wall.x2), static_cast<double>(wall.y2)};
            const double wx = b.x - a.x;
            const double wy = b.y - a.y;
            const double length = Length(wx, wy);
            auto off = [&](double x, double y) {
                return (wx * (y - a.y) - wy * (x - a.x)) / length;
            };
            const Point ends[2] = {{static_cast<double>(e.x1), static_cast<double>(e.y1)},
                                   {static_cast<double>(e.x2), static_cast<double>(e.y2)}};
            if (std::fabs(off(ends[0].x, ends[0].y)) > kWallReach + 1 ||
                std::fabs(off(ends[1].x, ends[1].y)) > kWallReach + 1)
                continue;
            // The plane must reach the line and, on a wall with the void
            // behind it, at most the push past it.
            bool fits = true;
            for (int mode = 0; mode < 2 && fits; mode++) {
                HalfPlane plane;
                if (!WrittenPlane(line, mode, plane)) break;
                for (const Point& q : ends) {
                    const double reach = ReachPast(plane, a, b, q);
                    if (reach < -kReachSlack ||
                        (line.other_sector < 0 && reach > kWallReach + kReachSlack))
                        fits = false;
                }
            }
            if (fits) continue;
            line = wall;
            straightened++;
        }
    }
    return straightened;
}
