// The directed edge on which all sector geometry rests.
#pragma once

#include <cstdint>

// A directed edge; the sector or piece it bounds lies on its right-hand side.
struct SectorEdge {
    int32_t x1;             // start point, x
    int32_t y1;             // start point, y
    int32_t x2;             // end point, x
    int32_t y2;             // end point, y
    int32_t dx;             // x2 - x1, recomputed whenever an end point changes
    int32_t dy;             // y2 - y1, recomputed whenever an end point changes
    int32_t other_sector;   // sector on the far (left) side, -1 when none
    int32_t other_sidedef;  // sidedef on the far side, -1 when none
    int32_t linedef;        // the LineDef the edge was made from
    int32_t end_offset;     // distance from this end point to the uncut edge's end point
    int32_t clip_index;     // clip line the edge of a convex piece lies on, -1 for none
    int32_t from_linedef;   // 1 for an edge made from a LineDef, 0 for a side of the box
};
