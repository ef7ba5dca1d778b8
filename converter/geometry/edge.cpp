// Directed edges: point sides, edge placement, cuts, reversal, chain closing.
#include <cmath>
#include <cstdio>

#include "converter/geometry/geometry.h"
#include "formats/fatal.h"

using edge_arithmetic::F;
using edge_arithmetic::Mul;

int Sign(int32_t v) {
    if (v < 0) return -1;
    return v > 0 ? 1 : 0;
}

void UpdateDelta(SectorEdge& edge) {
    edge.dx = edge.x2 - edge.x1;
    edge.dy = edge.y2 - edge.y1;
}

int ClassifyEdge(const SectorEdge& line, const SectorEdge& edge) {
    return PlaceEdge(line, edge, PointSide(line, edge.x1, edge.y1),
                     PointSide(line, edge.x2, edge.y2));
}

bool EdgeOnLine(const SectorEdge& line, const SectorEdge& edge) {
    return PointSide(line, edge.x1, edge.y1) == kSideOn &&
           PointSide(line, edge.x2, edge.y2) == kSideOn;
}

float IntersectParam(const SectorEdge& line, const SectorEdge& edge) {
    const int64_t den = Mul(line.dy, edge.dx) - Mul(line.dx, edge.dy);
    const int64_t num = Mul(line.x1 - edge.x1, line.dy) + Mul(edge.y1 - line.y1, line.dx);
    float t = 0.0f;
    if (den == 0) {
        // A crossing edge is never parallel; should it happen anyway, the cut
        // falls on the edge's start.
        EndProgressLine();
        std::printf("ERROR: Parallel Split Vector, going SIGFPE.\n");
    } else {
        t = static_cast<float>(F(static_cast<double>(num)) / F(static_cast<double>(den)));
    }
    if (!(t > 0.0f && t < 1.0f)) {
        EndProgressLine();
        std::printf("ERROR: Intersection point is not on the line at %f.\n", t);
    }
    return t;
}

SectorEdge SplitEdge(const SectorEdge& line, SectorEdge& edge) {
    SectorEdge back = edge;
    const float t = IntersectParam(line, edge);
    const int32_t ix = static_cast<int32_t>(edge.x1 + edge.dx * static_cast<double>(t));
    const int32_t iy = static_cast<int32_t>(edge.y1 + edge.dy * static_cast<double>(t));
    const double length =
        std::sqrt(static_cast<double>(Mul(edge.dx, edge.dx) + Mul(edge.dy, edge.dy)));
    // The part that runs from the old start to the cut point carries the
    // length of the rest, so textures stay aligned to the uncut end.
    const int32_t cut_offset =
        static_cast<int32_t>(length * (1.0 - static_cast<double>(t)) + edge.end_offset);

    if (PointSide(line, edge.x1, edge.y1) == kSideRight) {
        edge.x2 = ix;
        edge.y2 = iy;
        edge.end_offset = cut_offset;
        back.x1 = ix;
        back.y1 = iy;
    } else {
        edge.x1 = ix;
        edge.y1 = iy;
        back.x2 = ix;
        back.y2 = iy;
        back.end_offset = cut_offset;
    }
    UpdateDelta(edge);
    UpdateDelta(back);
    return back;
}

void ReverseEdge(SectorEdge& edge) {
    std::swap(edge.x1, edge.x2);
    std::swap(edge.y1, edge.y2);
    UpdateDelta(edge);
    edge.other_sidedef = -1;
}

std::optional<SectorEdge> FindClosingEdge(const SectorEdge* edges, int count) {
    int open_end = -1;  // first edge whose end starts no edge
    for (int i = 0; i < count && open_end < 0; i++) {
        bool continued = false;
        for (int j = 0; j < count && !continued; j++)
            continued = edges[j].x1 == edges[i].x2 && edges[j].y1 == edges[i].y2;
        if (!continued) open_end = i;
    }
    if (open_end < 0) return std::nullopt;

    int open_start = -1;  // first edge whose start ends no edge
    for (int k = 0; k < count && open_start < 0; k++) {
        bool preceded = false;
        for (int j = 0; j < count && !preceded; j++)
            preceded = edges[j].x2 == edges[k].x1 && edges[j].y2 == edges[k].y1;
        if (!preceded) open_start = k;
    }
    if (open_start < 0) return std::nullopt;

    SectorEdge closing{};
    closing.x1 = edges[open_end].x2;
    closing.y1 = edges[open_end].y2;
    closing.x2 = edges[open_start].x1;
    closing.y2 = edges[open_start].y1;
    UpdateDelta(closing);
    return closing;
}
