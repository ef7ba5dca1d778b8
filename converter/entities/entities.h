// Movers, switches, sector effects, lights, exits, music and objects.
#pragma once

#include <cstdint>
#include <string>

// Puts every global counter of the entity writers back to its start state.
void ResetEntityState();
void ResetMoverState();   // counters of the movers and sector effects
void ResetObjectState();  // state of the switches, objects, lights and exits

// Sector effects of the current convex piece, run before its floor and
// ceiling brushes: tagged movers, damage triggers, sector lights, doors.
void SectorEffects(const std::string& texture1, const std::string& texture2);

// After the worldspawn is closed: triggers for every line with a handled special.
void BuildSwitches();

// The closing entity pass.
void ConvertObjects();
void WriteWorldLights();
void WriteSwitchSpeakers();
void WriteLevelExit();
void WriteLevelMusic();

// The sector that contains the point (x, y), found down the level's BSP
// nodes, or -1.
int32_t FindSector(int32_t x, int32_t y);
