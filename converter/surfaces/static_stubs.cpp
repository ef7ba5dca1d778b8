// Placeholder until the floors, ceilings, walls and fillers are written.
#include "converter/surfaces/surfaces.h"

void WriteFloorAndCeiling() {}
void WritePieceSides(const std::string&, int) {}
void WriteBoundingBrushes() {}
void BuildWallBrushes() {}
void BuildLineFillers() {}
