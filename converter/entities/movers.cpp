// The mover writers: one "func_door" entity for the current convex piece, for
// every kind of tagged mover and for doors that a line opens without a tag.
#include "converter/entities/movers.h"

#include <algorithm>
#include <span>

#include "converter/level/level.h"
#include "converter/output/output.h"
#include "converter/surfaces/surfaces.h"

namespace {

// Door specials whose door stays open.
constexpr int32_t kDoorStaysOpenSpecials[] = {2, 103, 86, 61, 109, 112, 106, 115};
// Crushers that move at half speed.
constexpr int32_t kSlowCrusherSpecials[] = {25, 141, 73};

// How far the floor of a raise-by-amount special rises.
struct RaiseAmount {
    int32_t special;
    int32_t amount;
};
constexpr RaiseAmount kRaiseAmounts[] = {
    {30, 64}, {14, 32}, {67, 32}, {140, 512}, {58, 24},
    {92, 24}, {15, 24}, {66, 24}, {59, 24},   {93, 24},
};

bool InList(std::span<const int32_t> list, int32_t special) {
    return std::find(list.begin(), list.end(), special) != list.end();
}

const Sector& CurrentSector() {
    return level.sectors[level.current_sector];
}
int32_t CurrentSpecial() {
    return level.linedefs[mover_state.current_line].special;
}

void WriteKey(const char* key, const char* value) {
    MapPrintf(" \"%s\"\t\"%s\"", key, value);
}
void WriteKey(const char* key, int32_t value) {
    MapPrintf(" \"%s\"\t\"%i\"", key, value);
}

// The keys every mover carries.
void WriteMoverFlags() {
    WriteKey("origin", "0 0 0");
    WriteKey("no_touch", "1");
    WriteKey("crusher", "1");
}

// Horizontal plane of a brush that lies above it.
void WriteBottomPlane(int32_t height, const std::string& material) {
    WriteBrush(1, height, 1, -1, height, 0, 1, height, -1, material, 0, 0, 1.0f);
    SetPlaneFrame(FlatFrame());
}
// Horizontal plane of a brush that lies below it.
void WriteTopPlane(int32_t height, const std::string& material) {
    WriteBrush(-1, height, 1, 1, height, 0, -1, height, -1, material, 0, 0, 1.0f);
    SetPlaneFrame(FlatFrame());
}

// Opens the entity of a tagged mover, up to its name lines.
void BeginTaggedMover() {
    SetEntityOutput(true);
    MapPrintf("{");
    WriteKey("classname", "func_door");
    NameMover();
}

// Writes the mover's brush from `bottom` to `top` over the piece and closes the
// entity. A floor mover carries the floor material and its sides take the lower
// textures around; a ceiling mover or door the ceiling material and upper textures.
void FinishMover(int32_t bottom, int32_t top, bool hangs_from_ceiling) {
    BeginBrush(BrushOwner::kMover, level.current_sector);
    if (hangs_from_ceiling) {
        WriteTopPlane(top, mover_state.ceiling_material);
        WriteBottomPlane(bottom, mover_state.ceiling_material);
        WritePieceSides(mover_state.ceiling_material, 1);
    } else {
        WriteBottomPlane(bottom, mover_state.floor_material);
        WriteTopPlane(top, mover_state.floor_material);
        WritePieceSides(mover_state.floor_material, 0);
    }
    EndBrush();
    MapPrintf("}");
    SetEntityOutput(false);
}

}  // namespace

void WriteLift() {
    const int32_t special = CurrentSpecial();
    level.floor_level = CurrentSector().floor_height;
    BeginTaggedMover();
    WriteKey("angle", "-2");
    WriteKey("speed", special >= 100 ? 400 : 200);
    WriteMoverFlags();
    WriteKey("wait", "3");
    FinishMover(level.lowest_floor - 8, level.floor_level, false);
    level.floor_level = level.lowest_floor;
}

void WriteCeilingMover() {
    const int32_t special = CurrentSpecial();
    level.ceiling_level = CurrentSector().ceiling_height;
    const int32_t floor = level.floor_level;
    const int32_t ceiling = level.ceiling_level;
    int32_t top = 2 * ceiling - floor;
    if (special == 40) {
        top = level.highest_ceiling + 8;
    } else if (special == 41 || special == 43) {
        top = 2 * ceiling - floor + 8;
    }
    BeginTaggedMover();
    WriteKey("angle", special == 40 ? "-1" : "-2");
    WriteKey("wait", "-1");
    WriteMoverFlags();
    FinishMover(ceiling, top, true);
    if (special == 40) level.ceiling_level = level.highest_ceiling;
}

void WriteCrusher() {
    const int32_t special = CurrentSpecial();
    const int32_t floor = level.floor_level;
    const int32_t ceiling = level.ceiling_level;
    BeginTaggedMover();
    WriteKey("angle", "-2");
    WriteKey("wait", "0");
    WriteKey("damage", "2");
    WriteMoverFlags();
    WriteKey("speed", InList(kSlowCrusherSpecials, special) ? "40" : "80");
    FinishMover(ceiling - 1, 2 * ceiling - floor - 20, true);
}

void WriteRaiseToNextFloor() {
    const int32_t special = CurrentSpecial();
    const int32_t floor = level.floor_level;
    BeginTaggedMover();
    WriteKey("angle", "-1");
    WriteKey("speed", special >= 129 ? 120 : 80);
    WriteKey("wait", "-1");
    WriteMoverFlags();
    FinishMover(2 * floor - level.next_higher_floor - 5, floor - 1, false);
}

void WriteRaiseToCeiling() {
    const int32_t floor = level.floor_level;
    BeginTaggedMover();
    WriteKey("angle", "-1");
    WriteKey("speed", "80");
    WriteKey("wait", "-1");
    WriteMoverFlags();
    FinishMover(2 * floor - level.lowest_neighbour_ceiling - 8, floor, false);
}

void WriteRaiseByAmount() {
    const int32_t special = CurrentSpecial();
    const int32_t floor = level.floor_level;
    int32_t amount = 0;
    for (const RaiseAmount& entry : kRaiseAmounts) {
        if (entry.special == special) {
            amount = entry.amount;
            break;
        }
    }
    BeginTaggedMover();
    WriteKey("angle", "-1");
    WriteKey("speed", special == 140 ? 100 : 80);
    WriteKey("wait", "-1");
    WriteMoverFlags();
    FinishMover(floor - amount - 5, floor - 1, false);
}

void WriteStairStep() {
    const int32_t special = CurrentSpecial();
    const int32_t floor = level.floor_level;
    BeginTaggedMover();  // sets the step of this piece
    WriteKey("angle", "-1");
    WriteKey("speed", special >= 100 ? 100 : 80);
    WriteKey("wait", "-1");
    WriteMoverFlags();
    FinishMover(floor - mover_state.stair_step - 5, floor - 1, false);
}

namespace {

// A floor that goes down until `target` and stays. The static floor under the
// mover is built at the lowest floor around, as for the lift.
void WriteLoweringFloor(int32_t target) {
    level.floor_level = CurrentSector().floor_height;
    BeginTaggedMover();
    WriteKey("angle", "-2");
    WriteKey("speed", "80");
    WriteKey("wait", "-1");
    WriteMoverFlags();
    FinishMover(target - 8, level.floor_level, false);
    level.floor_level = level.lowest_floor;
}

}  // namespace

void WriteLowerToLowest() {
    WriteLoweringFloor(level.lowest_floor);
}

void WritePlatform() {
    const int32_t sector_floor = CurrentSector().floor_height;
    level.floor_level = sector_floor;
    const bool moves_down = sector_floor > level.lowest_floor;
    BeginTaggedMover();
    WriteKey("speed", "80");
    WriteKey("wait", "3");
    WriteMoverFlags();
    WriteKey("angle", moves_down ? "-2" : "-1");
    const int32_t bottom =
        moves_down ? level.lowest_floor - 7 : 2 * sector_floor - level.next_higher_floor - 7;
    FinishMover(bottom, sector_floor - 1, false);
    if (moves_down) level.floor_level = level.lowest_floor;
}

void WriteLowerToHighest() {
    WriteLoweringFloor(level.highest_neighbour_floor);
}

void WriteDoorOpen() {
    const int32_t special = CurrentSpecial();
    level.ceiling_level = CurrentSector().ceiling_height;
    BeginTaggedMover();
    WriteKey("angle", "-1");
    WriteKey("speed", special >= 108 || special == 99 ? 200 : 100);
    WriteMoverFlags();
    if (InList(kDoorStaysOpenSpecials, special)) WriteKey("wait", "-1");
    FinishMover(level.floor_level, level.highest_ceiling, true);
    level.ceiling_level = level.highest_ceiling;
}

void WriteDoorClose() {
    level.ceiling_level = CurrentSector().ceiling_height;
    BeginTaggedMover();
    WriteKey("angle", "-1");
    WriteMoverFlags();
    FinishMover(level.floor_level, level.highest_ceiling, true);
    level.ceiling_level = level.highest_ceiling;
}

int32_t FindDoorSpecial() {
    for (int32_t i = 0; i < level.edge_count; ++i) {
        const SectorEdge& edge = level.edge_list[i];
        if (edge.linedef < 0 || edge.linedef >= level.num_linedefs) continue;
        const LineDef& line = level.linedefs[edge.linedef];
        if (edge.other_sidedef != line.right_sidedef) continue;
        if (IsManualDoorSpecial(line.special)) return line.special;
    }
    return 0;
}

void WriteManualDoor(int32_t special) {
    const int32_t sector_index = level.current_sector;
    if (mover_state.last_door_sector != sector_index) mover_state.door_piece_counter = 0;
    SetEntityOutput(true);
    MapPrintf("{");
    WriteKey("classname", "func_door");
    const int32_t mover_tag = DoorMoverTag(sector_index);
    MapPrintf(" \"name\"\t\"%it%i\"", mover_state.door_piece_counter, mover_tag);
    WriteKey("angle", "-1");
    WriteKey("speed", special < 99 ? 200 : 400);
    WriteMoverFlags();
    if (special == 46) MapPrintf(" \"bind\"\t\"f%i\"", mover_tag);
    if ((special >= 31 && special <= 46) || special == 118) WriteKey("wait", "-1");
    FinishMover(level.floor_level, level.highest_ceiling, true);
    level.ceiling_level = level.highest_ceiling;
    mover_state.last_door_sector = sector_index;
    mover_state.door_piece_counter += 1;
}
