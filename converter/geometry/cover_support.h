// Tools the cover checks of a sector's pieces share: the sector's boundary,
// an index of edges by horizontal bands, and point tests against it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "converter/geometry/sector_edge.h"

struct Point {
    double x;  // map units, east
    double y;  // map units, north
};

// A point (x / d, y / d) in exact arithmetic, d > 0.
struct ExactCorner {
    int64_t x, y, d;
};

// The footprints of a sector's pieces, every side on a cut part of a wall
// taken on the wall's own line (CutWallsTileSector).
struct IdealTiling {
    std::vector<ExactCorner> corners;  // every footprint's corners, piece by piece
    std::vector<size_t> first;         // piece p's are corners[first[p] .. first[p + 1])
    std::vector<int32_t> turned;       // the clip lines of the sides so taken, piece by piece
    std::vector<SectorEdge> walls;     // the wall's line of each
    std::vector<size_t> first_turned;  // where each piece's turned sides start, as `first`
};

// Whether `line`, a side of a piece, was made from a line that bounds the
// current sector (it may be a part of it, cut at a rounded point).
bool OnSectorWall(const SectorEdge& line);
// Whether `line`, such a side, is turned off its wall's own line, which runs
// from (x1, y1) to (x2, y2) with the sector on its right; `wall` is then that
// line, running as `line` runs.
bool TurnedOffLine(const SectorEdge& line, int32_t x1, int32_t y1, int32_t x2, int32_t y2,
                   SectorEdge& wall);

// Edges sorted into horizontal bands, so that a point or a side of a piece
// meets only the edges near it and not every edge of a large sector.
struct EdgeBands {
    std::vector<SectorEdge> edges;         // the edges
    double bottom = 0.0;                   // y of the lowest band's bottom
    double height = 1.0;                   // height of every band
    std::vector<std::vector<int>> member;  // per band: the edges that reach within the margin of it
    size_t count = 0;                      // bands in use
};

double Length(double dx, double dy);
// Whether `edge` bounds the current sector: it has length and the sector on
// one side only.
bool BoundsSector(const SectorEdge& edge);
// The edges of outline[0..count-1] that bound the current sector.
std::vector<SectorEdge> SectorBounds(const SectorEdge* outline, int count);
// The same into `bounds`, which keeps its room.
void SectorBounds(const SectorEdge* outline, int count, std::vector<SectorEdge>& bounds);
// Whether (px, py) lies within `slack` of `edge`.
bool CloseToEdge(const SectorEdge& edge, double px, double py, double slack);
// The band that holds y (the nearest one for a y outside them all).
size_t BandOf(const EdgeBands& bands, double y);
// Fills `bands` with `edges` (which is left with the bands' old list, for its
// room); each edge joins every band its y range, widened by a margin of a few
// units, reaches.
void BuildBands(EdgeBands& bands, std::vector<SectorEdge>&& edges);
// Whether (px, py) lies inside the sector (even-odd rule) or within `slack`
// of its boundary; with `near_only`, only the latter.
bool NearSector(const EdgeBands& bounds, double px, double py, double slack,
                bool near_only = false);
