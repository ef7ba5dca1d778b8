// The quick proof that a sector's pieces tile it: in exact arithmetic, the
// footprints of the pieces' brushes, every side plane on its line, have
// between them the sector's own lines as their outline and nothing more.
//
// Each footprint is convex; its sides run counter-clockwise, the sector's
// lines clockwise (the sector on their right). Where every stretch of every
// line is run as often one way as the other, the footprints' insides add up
// to the sector's inside everywhere: no hole, no overlap, nothing outside.
// Pushing hidden side planes outward by at most 2 units then only reaches
// into the neighbouring pieces or the push past a wall. Sectors whose pieces
// meet on rounded points fail the proof and go to the full check.
#include <algorithm>
#include <bit>
#include <cmath>

#include "converter/geometry/cover_support.h"
#include "converter/geometry/geometry.h"

namespace {

// Coordinates beyond this are left to the full check, so that every product
// below stays within 128 bits.
constexpr int32_t kExactLimit = 1 << 17;
// A piece with more sides than this is written without side planes.
constexpr size_t kMaxSidedPiece = 256;
// The footprint is clipped from a square this far out.
constexpr double kFarAway = 1048576.0;

using Wide = __int128;

// The line through two integer points as a x + b y <= c (the inside), and
// the same line turned to a canonical way (its first nonzero term positive),
// for comparing lines: two lines are one where their canonical terms are in
// proportion.
struct ExactLine {
    int64_t a, b, c;
    int64_t ka, kb, kc;  // the canonical form
    uint64_t key;        // a hash of it, alike for lines in proportion
};

// A point (x / d, y / d), d > 0.
struct ExactPoint {
    int64_t x, y, d;
};

// Where a side starts (+1) or ends (-1) on a line: at / per along the
// line's canonical way, per > 0.
struct LineMark {
    Wide at;
    int64_t per;
    double near;    // roughly where, along the canonical way, for ordering
    uint32_t line;  // index of the line
    int32_t weight;
};

// How far off a traced corner may lie, in map units, for ordering marks.
constexpr double kTraceError = 1e-4;

bool MakeLine(const SectorEdge& e, ExactLine& line) {
    if (std::abs(e.x1) >= kExactLimit || std::abs(e.y1) >= kExactLimit ||
        std::abs(e.x2) >= kExactLimit || std::abs(e.y2) >= kExactLimit || (e.dx == 0 && e.dy == 0))
        return false;
    line.a = -static_cast<int64_t>(e.dy);
    line.b = e.dx;
    line.c = static_cast<int64_t>(e.dx) * e.y1 - static_cast<int64_t>(e.dy) * e.x1;
    const bool flip = line.a < 0 || (line.a == 0 && line.b < 0);
    line.ka = flip ? -line.a : line.a;
    line.kb = flip ? -line.b : line.b;
    line.kc = flip ? -line.c : line.c;
    // The quotients by the first nonzero term are one rational for lines in
    // proportion, and a division rounds a rational the one way: their
    // doubles are alike. Within the coordinate limit every term is exact in
    // a double.
    const double lead = static_cast<double>(line.ka != 0 ? line.ka : line.kb);
    const double second = line.ka != 0 ? static_cast<double>(line.kb) / lead : 0.0;
    const double third = static_cast<double>(line.kc) / lead;
    line.key = HashLineTerms(std::bit_cast<int64_t>(second), std::bit_cast<int64_t>(third), 0);
    return true;
}

// Where the lines meet; false when they are parallel.
bool Meet(const ExactLine& l0, const ExactLine& l1, ExactPoint& p) {
    // Within the coordinate limit every value fits in 64 bits.
    Wide d = static_cast<Wide>(l0.a) * l1.b - static_cast<Wide>(l1.a) * l0.b;
    Wide x = static_cast<Wide>(l0.c) * l1.b - static_cast<Wide>(l1.c) * l0.b;
    Wide y = static_cast<Wide>(l0.a) * l1.c - static_cast<Wide>(l1.a) * l0.c;
    if (d == 0) return false;
    if (d < 0) {
        d = -d;
        x = -x;
        y = -y;
    }
    p = {static_cast<int64_t>(x), static_cast<int64_t>(y), static_cast<int64_t>(d)};
    return true;
}

// The side from p to q on line `lines[i]` as two marks; `rough_p` and
// `rough_q` are where the corners were traced. A side run the other way from
// q to p makes the opposite marks.
void MarkSide(uint32_t i, const ExactLine& l, const ExactPoint& p, const ExactPoint& q,
              const Point& rough_p, const Point& rough_q, std::vector<LineMark>& marks) {
    const double kb = static_cast<double>(l.kb), ka = static_cast<double>(l.ka);
    marks.push_back({static_cast<Wide>(l.kb) * p.x - static_cast<Wide>(l.ka) * p.y, p.d,
                     kb * rough_p.x - ka * rough_p.y, i, 1});
    marks.push_back({static_cast<Wide>(l.kb) * q.x - static_cast<Wide>(l.ka) * q.y, q.d,
                     kb * rough_q.x - ka * rough_q.y, i, -1});
}

bool SameLine(const ExactLine& a, const ExactLine& b) {
    // Within the coordinate limit every product fits in 64 bits.
    return a.key == b.key && a.ka * b.kb == b.ka * a.kb && a.ka * b.kc == b.ka * a.kc &&
           a.kb * b.kc == b.kb * a.kc;
}

// The half of the turn the direction (x, y) lies in, for ordering by angle.
int Half(int64_t x, int64_t y) {
    return y < 0 || (y == 0 && x < 0) ? 1 : 0;
}

// Traces the footprint of one piece from its lines: the corners, each where
// the sides on lines[tags[i - 1]] and lines[tags[i]] meet, counter-clockwise.
// False when the footprint is not closed or its exact form does not bear out
// the rounded tracing.
struct Tagged {
    Point at;
    int tag;  // the line of the side that starts here; -1 for the square's
};

bool TraceFootprint(const ExactLine* lines, size_t count, std::vector<Tagged>& poly,
                    std::vector<ExactPoint>& corners) {
    static std::vector<Tagged> scratch;  // kept for its room
    poly = {{{-kFarAway, -kFarAway}, -1},
            {{kFarAway, -kFarAway}, -1},
            {{kFarAway, kFarAway}, -1},
            {{-kFarAway, kFarAway}, -1}};
    for (size_t k = 0; k < count; k++) {
        const double a = static_cast<double>(lines[k].a);
        const double b = static_cast<double>(lines[k].b);
        const double c = static_cast<double>(lines[k].c);
        scratch.clear();
        for (size_t i = 0; i < poly.size(); i++) {
            const Tagged& u = poly[i];
            const Tagged& v = poly[(i + 1) % poly.size()];
            const double fu = a * u.at.x + b * u.at.y - c;
            const double fv = a * v.at.x + b * v.at.y - c;
            if (fu <= 0) scratch.push_back(u);
            if ((fu < 0 && fv > 0) || (fu > 0 && fv < 0)) {
                const double t = fu / (fu - fv);
                scratch.push_back({{u.at.x + t * (v.at.x - u.at.x), u.at.y + t * (v.at.y - u.at.y)},
                                   fu < 0 ? static_cast<int>(k) : u.tag});
            }
        }
        poly.swap(scratch);
    }
    const size_t n = poly.size();
    if (n < 3) return false;
    corners.clear();
    for (const Tagged& t : poly)
        if (t.tag < 0) return false;
    // The sides' normals turn left from each to the next, once round.
    int wraps = 0;
    for (size_t i = 0; i < n; i++) {
        const ExactLine& l0 = lines[poly[(i + n - 1) % n].tag];
        const ExactLine& l1 = lines[poly[i].tag];
        if (static_cast<Wide>(l0.a) * l1.b - static_cast<Wide>(l1.a) * l0.b <= 0) return false;
        // Each turn is less than half round: it passes angle 0 when it
        // goes from the lower half to the upper.
        if (Half(l0.a, l0.b) == 1 && Half(l1.a, l1.b) == 0) wraps++;
        ExactPoint p;
        if (!Meet(l0, l1, p)) return false;
        corners.push_back(p);
    }
    if (wraps != 1) return false;
    // Every side runs forward along its line: (-b, a) counter-clockwise.
    for (size_t i = 0; i < n; i++) {
        const ExactLine& l = lines[poly[i].tag];
        const ExactPoint& p = corners[i];
        const ExactPoint& q = corners[(i + 1) % n];
        const Wide along_p = -static_cast<Wide>(l.b) * p.x + static_cast<Wide>(l.a) * p.y;
        const Wide along_q = -static_cast<Wide>(l.b) * q.x + static_cast<Wide>(l.a) * q.y;
        if (along_q * static_cast<Wide>(p.d) < along_p * static_cast<Wide>(q.d)) return false;
    }
    // A line without a side holds every corner.
    for (size_t k = 0; k < count; k++) {
        if (std::any_of(poly.begin(), poly.end(),
                        [k](const Tagged& t) { return t.tag == static_cast<int>(k); }))
            continue;
        const ExactLine& l = lines[k];
        for (const ExactPoint& p : corners)
            if (static_cast<Wide>(l.a) * p.x + static_cast<Wide>(l.b) * p.y >
                static_cast<Wide>(l.c) * static_cast<Wide>(p.d))
                return false;
    }
    return true;
}

}  // namespace

namespace {

// The proof; with `ideal`, every side on a cut part of a wall is taken on the
// wall's own line (its boundary edge, bounds[bound_of_line[linedef]]), and
// the footprints' corners are kept there.
bool ProveTiling(const std::vector<SectorEdge>& bounds, const ConvexPiece* pieces,
                 size_t piece_count, IdealTiling* ideal,
                 const std::vector<int>* bound_of_line = nullptr) {
    // All kept for their room.
    static std::vector<ExactLine> lines;
    static std::vector<Tagged> poly;
    static std::vector<ExactPoint> corners;
    static std::vector<LineMark> marks;
    static std::vector<size_t> firsts;      // each piece's first line
    static std::vector<int32_t> slots;      // the lines by their hash, -1 for none
    static std::vector<uint32_t> line_ids;  // per line: the number of its line
    static std::vector<uint32_t> on_line;   // per line number: how many lines are on it
    static std::vector<uint32_t> way_of;    // per line number: the line whose terms measure it
    static std::vector<uint32_t> starts;    // per line number: where its marks start
    static std::vector<uint32_t> fill;      // per line number: where its next mark goes
    static std::vector<uint32_t> by_line;   // the marks, line by line
    lines.clear();
    marks.clear();
    firsts.clear();
    if (ideal) {
        ideal->turned.clear();
        ideal->walls.clear();
        ideal->first_turned.assign(1, 0);
    }
    for (size_t p = 0; p < piece_count; p++) {
        const ConvexPiece& piece = pieces[p];
        if (piece.polygon.size() > kMaxSidedPiece) return false;
        firsts.push_back(lines.size());
        for (const SectorEdge& e : piece.polygon) {
            if (e.clip_index < 0 || e.clip_index >= static_cast<int>(piece.clip.size()))
                return false;
            const SectorEdge& line = piece.clip[e.clip_index];
            // A line shorter than a unit gets no plane: with whole coordinates,
            // only a line of no length (which MakeLine refuses).
            lines.emplace_back();
            SectorEdge wall;
            bool on_wall = false;
            if (ideal && OnSectorWall(line) &&
                static_cast<size_t>(line.linedef) < bound_of_line->size()) {
                const int b = (*bound_of_line)[static_cast<size_t>(line.linedef)];
                if (b >= 0) {
                    const SectorEdge& own = bounds[static_cast<size_t>(b)];
                    on_wall = TurnedOffLine(line, own.x1, own.y1, own.x2, own.y2, wall);
                }
            }
            if (on_wall) {
                ideal->turned.push_back(e.clip_index);
                ideal->walls.push_back(wall);
            }
            if (!MakeLine(on_wall ? wall : line, lines.back())) return false;
        }
        if (ideal) ideal->first_turned.push_back(ideal->turned.size());
    }
    firsts.push_back(lines.size());
    // With no side turned the ideal tiling is the one already refused.
    if (ideal && ideal->turned.empty()) return false;
    const size_t first_bound = lines.size();
    for (const SectorEdge& e : bounds) {
        lines.emplace_back();
        if (!MakeLine(e, lines.back())) return false;
    }
    // Each distinct line gets a number, through a table open by the hash.
    size_t capacity = 16;
    while (capacity < 2 * lines.size()) capacity *= 2;
    slots.assign(capacity, -1);
    line_ids.resize(lines.size());
    on_line.clear();
    way_of.clear();
    for (size_t i = 0; i < lines.size(); i++) {
        size_t h = lines[i].key & (capacity - 1);
        while (slots[h] >= 0 && !SameLine(lines[static_cast<size_t>(slots[h])], lines[i]))
            h = (h + 1) & (capacity - 1);
        if (slots[h] < 0) {
            slots[h] = static_cast<int32_t>(i);
            line_ids[i] = static_cast<uint32_t>(on_line.size());
            on_line.push_back(0);
            way_of.push_back(static_cast<uint32_t>(i));
        } else {
            line_ids[i] = line_ids[static_cast<size_t>(slots[h])];
        }
        on_line[line_ids[i]]++;
    }
    // A sector line alone on its line cannot be matched: most sectors that
    // do not tile show it (a wall cut at a rounded point), before any tracing.
    for (size_t i = first_bound; i < lines.size(); i++)
        if (on_line[line_ids[i]] < 2) return false;
    if (ideal) {
        ideal->corners.clear();
        ideal->first.assign(1, 0);
    }
    for (size_t p = 0; p < piece_count; p++) {
        const size_t first = firsts[p];
        if (!TraceFootprint(lines.data() + first, firsts[p + 1] - first, poly, corners))
            return false;
        if (ideal) {
            for (const ExactPoint& c : corners) ideal->corners.push_back({c.x, c.y, c.d});
            ideal->first.push_back(ideal->corners.size());
        }
        const size_t n = corners.size();
        for (size_t i = 0; i < n; i++) {
            const size_t j = (i + 1) % n;
            const size_t k = first + static_cast<size_t>(poly[i].tag);
            MarkSide(static_cast<uint32_t>(k), lines[way_of[line_ids[k]]], corners[i], corners[j],
                     poly[i].at, poly[j].at, marks);
        }
    }
    for (size_t i = first_bound; i < lines.size(); i++) {
        const SectorEdge& e = bounds[i - first_bound];
        const Point p{static_cast<double>(e.x1), static_cast<double>(e.y1)};
        const Point q{static_cast<double>(e.x2), static_cast<double>(e.y2)};
        MarkSide(static_cast<uint32_t>(i), lines[way_of[line_ids[i]]], {e.x1, e.y1, 1},
                 {e.x2, e.y2, 1}, p, q, marks);
    }
    // The marks gathered line by line.
    const size_t line_count = on_line.size();
    starts.assign(line_count + 1, 0);
    for (const LineMark& mark : marks) starts[line_ids[mark.line] + 1]++;
    for (size_t id = 0; id < line_count; id++) starts[id + 1] += starts[id];
    fill.assign(starts.begin(), starts.end() - 1);
    by_line.resize(marks.size());
    for (size_t k = 0; k < marks.size(); k++)
        by_line[fill[line_ids[marks[k].line]]++] = static_cast<uint32_t>(k);
    // Marks at one place may be traced a little apart: on each line, each run
    // of close marks is summed place by place exactly.
    for (size_t id = 0; id < line_count; id++) {
        const auto first = by_line.begin() + starts[id];
        const auto last = by_line.begin() + starts[id + 1];
        if (first == last) continue;
        std::sort(first, last,
                  [](uint32_t a, uint32_t b) { return marks[a].near < marks[b].near; });
        const ExactLine& line = lines[way_of[id]];
        const double slack =
            2 * kTraceError *
            (std::fabs(static_cast<double>(line.ka)) + std::fabs(static_cast<double>(line.kb)));
        for (auto i = first; i != last;) {
            auto j = i + 1;
            while (j != last && marks[*j].near - marks[*(j - 1)].near <= slack) j++;
            for (auto k = i; k != j; k++) {
                LineMark& mk = marks[*k];
                if (mk.weight == 0) continue;
                int sum = mk.weight;
                for (auto m = k + 1; m != j; m++) {
                    LineMark& mm = marks[*m];
                    if (mm.weight != 0 &&
                        mm.at * static_cast<Wide>(mk.per) == mk.at * static_cast<Wide>(mm.per)) {
                        sum += mm.weight;
                        mm.weight = 0;
                    }
                }
                if (sum != 0) return false;
            }
            i = j;
        }
    }
    return true;
}

}  // namespace

bool PiecesTileSector(const std::vector<SectorEdge>& bounds, const ConvexPiece* pieces,
                      size_t piece_count) {
    return ProveTiling(bounds, pieces, piece_count, nullptr);
}

bool CutWallsTileSector(const std::vector<SectorEdge>& bounds,
                        const std::vector<int>& bound_of_line, const ConvexPiece* pieces,
                        size_t piece_count, IdealTiling& tiling) {
    return ProveTiling(bounds, pieces, piece_count, &tiling, &bound_of_line);
}
