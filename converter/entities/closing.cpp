// Placeholder until the switches, objects, lights and exits are written.
#include "converter/entities/entities.h"

void ResetObjectState() {}
void BuildSwitches() {}
void ConvertObjects() {}
void WriteWorldLights() {}
void WriteSwitchSpeakers() {}
void WriteLevelExit() {}
void WriteLevelMusic() {}
