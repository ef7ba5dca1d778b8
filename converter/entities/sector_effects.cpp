// Placeholder until the sector effects and movers are written.
#include "converter/entities/entities.h"

void ResetMoverState() {}
void SectorEffects(const std::string&, const std::string&) {}
