// The table of line specials that move tagged sectors, and the naming of the
// mover pieces by which the line triggers address them.
#include <algorithm>
#include <array>

#include "converter/entities/movers.h"
#include "converter/level/level.h"
#include "converter/output/output.h"

namespace {

using enum MoverKind;

constexpr LineSpecialHandler kHandlerTable[] = {
    // Lift: down to the lowest floor around, wait, back up.
    {10, kLift, WriteLift},
    {21, kLift, WriteLift},
    {88, kLift, WriteLift},
    {62, kLift, WriteLift},
    {121, kLift, WriteLift},
    {122, kLift, WriteLift},
    {120, kLift, WriteLift},
    {123, kLift, WriteLift},
    // Ceiling: up (40) or down, and stays.
    {40, kCeiling, WriteCeilingMover},
    {41, kCeiling, WriteCeilingMover},
    {43, kCeiling, WriteCeilingMover},
    {44, kCeiling, WriteCeilingMover},
    {49, kCeiling, WriteCeilingMover},
    {72, kCeiling, WriteCeilingMover},
    // Crusher: down with damage, cycling.
    {73, kCrusher, WriteCrusher},
    {74, kCrusher, WriteCrusher},
    {77, kCrusher, WriteCrusher},
    {6, kCrusher, WriteCrusher},
    {25, kCrusher, WriteCrusher},
    {141, kCrusher, WriteCrusher},
    {57, kCrusher, WriteCrusher},
    // Floor up to the next higher floor.
    {119, kRaiseToNextFloor, WriteRaiseToNextFloor},
    {128, kRaiseToNextFloor, WriteRaiseToNextFloor},
    {18, kRaiseToNextFloor, WriteRaiseToNextFloor},
    {69, kRaiseToNextFloor, WriteRaiseToNextFloor},
    {22, kRaiseToNextFloor, WriteRaiseToNextFloor},
    {95, kRaiseToNextFloor, WriteRaiseToNextFloor},
    {20, kRaiseToNextFloor, WriteRaiseToNextFloor},
    {68, kRaiseToNextFloor, WriteRaiseToNextFloor},
    {47, kRaiseToNextFloor, WriteRaiseToNextFloor},
    {130, kRaiseToNextFloor, WriteRaiseToNextFloor},
    {131, kRaiseToNextFloor, WriteRaiseToNextFloor},
    {129, kRaiseToNextFloor, WriteRaiseToNextFloor},
    {132, kRaiseToNextFloor, WriteRaiseToNextFloor},
    // Floor up to the lowest ceiling around.
    {5, kRaiseToCeiling, WriteRaiseToCeiling},
    {91, kRaiseToCeiling, WriteRaiseToCeiling},
    {101, kRaiseToCeiling, WriteRaiseToCeiling},
    {64, kRaiseToCeiling, WriteRaiseToCeiling},
    {24, kRaiseToCeiling, WriteRaiseToCeiling},
    {56, kRaiseToCeiling, WriteRaiseToCeiling},
    {94, kRaiseToCeiling, WriteRaiseToCeiling},
    {55, kRaiseToCeiling, WriteRaiseToCeiling},
    {65, kRaiseToCeiling, WriteRaiseToCeiling},
    // Floor up by a fixed amount.
    {30, kRaiseByAmount, WriteRaiseByAmount},
    {58, kRaiseByAmount, WriteRaiseByAmount},
    {92, kRaiseByAmount, WriteRaiseByAmount},
    {15, kRaiseByAmount, WriteRaiseByAmount},
    {66, kRaiseByAmount, WriteRaiseByAmount},
    {59, kRaiseByAmount, WriteRaiseByAmount},
    {93, kRaiseByAmount, WriteRaiseByAmount},
    {14, kRaiseByAmount, WriteRaiseByAmount},
    {67, kRaiseByAmount, WriteRaiseByAmount},
    {140, kRaiseByAmount, WriteRaiseByAmount},
    // Stairs: every piece of the tag rises by a larger step.
    {7, kStairs, WriteStairStep},
    {8, kStairs, WriteStairStep},
    {100, kStairs, WriteStairStep},
    {127, kStairs, WriteStairStep},
    // Floor down to the lowest floor around.
    {38, kLowerToLowest, WriteLowerToLowest},
    {23, kLowerToLowest, WriteLowerToLowest},
    {82, kLowerToLowest, WriteLowerToLowest},
    {60, kLowerToLowest, WriteLowerToLowest},
    {37, kLowerToLowest, WriteLowerToLowest},
    {84, kLowerToLowest, WriteLowerToLowest},
    // Platform: down (or up), wait, back, cycling.
    {39, kPlatform, WritePlatform},
    {125, kPlatform, WritePlatform},
    {97, kPlatform, WritePlatform},
    {126, kPlatform, WritePlatform},
    {53, kPlatform, WritePlatform},
    {87, kPlatform, WritePlatform},
    {89, kPlatform, WritePlatform},
    {54, kPlatform, WritePlatform},
    // Floor down to the highest floor around.
    {19, kLowerToHighest, WriteLowerToHighest},
    {102, kLowerToHighest, WriteLowerToHighest},
    {83, kLowerToHighest, WriteLowerToHighest},
    {45, kLowerToHighest, WriteLowerToHighest},
    {36, kLowerToHighest, WriteLowerToHighest},
    {71, kLowerToHighest, WriteLowerToHighest},
    {98, kLowerToHighest, WriteLowerToHighest},
    {70, kLowerToHighest, WriteLowerToHighest},
    // Tagged doors that open.
    {4, kDoorOpen, WriteDoorOpen},
    {29, kDoorOpen, WriteDoorOpen},
    {90, kDoorOpen, WriteDoorOpen},
    {63, kDoorOpen, WriteDoorOpen},
    {2, kDoorOpen, WriteDoorOpen},
    {103, kDoorOpen, WriteDoorOpen},
    {86, kDoorOpen, WriteDoorOpen},
    {61, kDoorOpen, WriteDoorOpen},
    {108, kDoorOpen, WriteDoorOpen},
    {111, kDoorOpen, WriteDoorOpen},
    {105, kDoorOpen, WriteDoorOpen},
    {114, kDoorOpen, WriteDoorOpen},
    {109, kDoorOpen, WriteDoorOpen},
    {112, kDoorOpen, WriteDoorOpen},
    {106, kDoorOpen, WriteDoorOpen},
    {115, kDoorOpen, WriteDoorOpen},
    {133, kDoorOpen, WriteDoorOpen},
    {99, kDoorOpen, WriteDoorOpen},
    {135, kDoorOpen, WriteDoorOpen},
    {134, kDoorOpen, WriteDoorOpen},
    {137, kDoorOpen, WriteDoorOpen},
    {136, kDoorOpen, WriteDoorOpen},
    // Tagged doors that close.
    {3, kDoorClose, WriteDoorClose},
    {50, kDoorClose, WriteDoorClose},
    {75, kDoorClose, WriteDoorClose},
    {42, kDoorClose, WriteDoorClose},
    {16, kDoorClose, WriteDoorClose},
    {76, kDoorClose, WriteDoorClose},
    {110, kDoorClose, WriteDoorClose},
    {113, kDoorClose, WriteDoorClose},
    {107, kDoorClose, WriteDoorClose},
    {116, kDoorClose, WriteDoorClose},
};

constexpr int32_t kManualDoorTable[] = {1, 26, 28, 27, 31, 32, 33, 34, 46, 117, 118};

// Cycling movers name themselves as the entity to fire once they have closed.
constexpr int32_t kSelfTriggerSpecials[] = {39, 125, 97, 126, 73, 74, 77, 6,
                                            25, 141, 57, 53,  87, 89, 54};
// Floors raised by gunfire are bound to the shootable entity of their line.
constexpr int32_t kShootableFloorSpecials[] = {47, 24};
// Stairs of 8 units a step, and stairs of 16 units a step.
constexpr int32_t kStairs8Specials[] = {7, 8};
constexpr int32_t kStairs16Specials[] = {100, 127};

bool InList(std::span<const int32_t> list, int32_t special) {
    return std::find(list.begin(), list.end(), special) != list.end();
}

}  // namespace

const std::span<const LineSpecialHandler> kLineSpecialHandlers{kHandlerTable};
const std::span<const int32_t> kManualDoorSpecials{kManualDoorTable};

const LineSpecialHandler* FindLineSpecialHandler(int32_t special) {
    for (const LineSpecialHandler& handler : kLineSpecialHandlers) {
        if (handler.special == special) return &handler;
    }
    return nullptr;
}

bool IsManualDoorSpecial(int32_t special) {
    return InList(kManualDoorSpecials, special);
}

int32_t DoorMoverTag(int32_t sector_index) {
    const Sector& sector = level.sectors[sector_index];
    return sector.tag != 0 ? sector.tag : 100000 + sector_index;
}

void NameMover() {
    const LineDef& line = level.linedefs[mover_state.current_line];
    const int32_t tag = line.tag;
    const int32_t special = line.special;
    if (tag < 1 || tag > kMaxMoverTag) return;

    const int32_t piece = mover_state.piece_counter[tag];
    MapPrintf(" \"name\"\t\"%it%i\"", piece, tag);
    if (InList(kSelfTriggerSpecials, special)) {
        MapPrintf(" \"triggerClosed\"\t\"%it%i\"", piece, tag);
    }
    if (InList(kShootableFloorSpecials, special)) MapPrintf(" \"bind\"\t\"s%i\"", tag);
    if (InList(kStairs8Specials, special)) mover_state.stair_step = piece * 8;
    if (InList(kStairs16Specials, special)) mover_state.stair_step = piece * 16;
    mover_state.piece_counter[tag] = piece + 1;
}
