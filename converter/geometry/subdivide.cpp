// Placeholder until the convex subdivision is written.
#include "converter/geometry/geometry.h"

void SubdivideSectors() {}
