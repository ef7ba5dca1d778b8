// The sector's boundary, its band index and point tests against it.
#include "converter/geometry/cover_support.h"

#include <algorithm>
#include <cmath>

#include "converter/level/level.h"

namespace {

// Bands of the edge index: about this many edges to a band, at most this
// many bands, and the margin by which an edge reaches past its y range
// (the widest of the slacks of the cover checks).
constexpr size_t kEdgesPerBand = 4;
constexpr size_t kMaxBands = 256;
constexpr double kBandMargin = 4.0;

}  // namespace

double Length(double dx, double dy) {
    return std::sqrt(dx * dx + dy * dy);
}

bool BoundsSector(const SectorEdge& edge) {
    return edge.other_sector != level.current_sector && (edge.dx != 0 || edge.dy != 0);
}

bool OnSectorWall(const SectorEdge& line) {
    return line.from_linedef == 1 && line.linedef >= 0 && BoundsSector(line);
}

std::vector<SectorEdge> SectorBounds(const SectorEdge* outline, int count) {
    std::vector<SectorEdge> bounds;
    SectorBounds(outline, count, bounds);
    return bounds;
}

void SectorBounds(const SectorEdge* outline, int count, std::vector<SectorEdge>& bounds) {
    bounds.clear();
    for (int i = 0; i < count; i++)
        if (BoundsSector(outline[i])) bounds.push_back(outline[i]);
}

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

size_t BandOf(const EdgeBands& bands, double y) {
    const double band = std::floor((y - bands.bottom) / bands.height);
    if (!(band > 0)) return 0;
    return std::min(static_cast<size_t>(band), bands.count - 1);
}

void BuildBands(EdgeBands& bands, std::vector<SectorEdge>&& edges) {
    bands.edges.swap(edges);  // the caller's list gets the old room
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

bool NearSector(const EdgeBands& bounds, double px, double py, double slack, bool near_only) {
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
