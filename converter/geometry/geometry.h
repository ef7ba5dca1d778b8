// Sector geometry: edge primitives, sector outlines, convex subdivision.
#pragma once

#include "converter/geometry/sector_edge.h"

// The "Creating Ceilings and Floors" phase: every sector cut into convex
// pieces, each piece handed to WriteFloorAndCeiling.
void SubdivideSectors();
