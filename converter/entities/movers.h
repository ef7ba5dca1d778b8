// Movers: the table of tagged line specials and their writers, the naming of
// mover pieces, manual doors, and the state the sector effects hand to them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <utility>
#include <vector>

struct LineDef;

// ---- Line specials that move tagged sectors ----

// The twelve kinds of tagged mover; every kind has its own writer.
enum class MoverKind {
    kLift,
    kCeiling,
    kCrusher,
    kRaiseToNextFloor,
    kRaiseToCeiling,
    kRaiseByAmount,
    kStairs,
    kLowerToLowest,
    kPlatform,
    kLowerToHighest,
    kDoorOpen,
    kDoorClose,
};

struct LineSpecialHandler {
    int32_t special;   // Doom line special number
    MoverKind kind;    // what the mover of a tagged sector does
    void (*writer)();  // writes the mover entity of the current piece
};

// 111 entries, each special once; a special that is not listed moves nothing.
extern const std::span<const LineSpecialHandler> kLineSpecialHandlers;

// The entry of `special`, or nullptr.
const LineSpecialHandler* FindLineSpecialHandler(int32_t special);

// ---- Doors that a line opens without a tag ----

// 1, 26, 28, 27, 31, 32, 33, 34, 46, 117, 118: the door is the sector behind the line.
extern const std::span<const int32_t> kManualDoorSpecials;

bool IsManualDoorSpecial(int32_t special);

// The tag by which a door's pieces are named: the sector's tag, or 100000 plus
// the sector's index for an untagged sector.
int32_t DoorMoverTag(int32_t sector_index);

// The manual door special of the first edge of the current piece that lies on
// the back side of a line with such a special, or 0.
int32_t FindDoorSpecial();
// One door piece for the current convex piece.
void WriteManualDoor(int32_t special);

// ---- Tagged mover writers ----

void WriteLift();
void WriteCeilingMover();
void WriteCrusher();
void WriteRaiseToNextFloor();
void WriteRaiseToCeiling();
void WriteRaiseByAmount();
void WriteStairStep();
void WriteLowerToLowest();
void WritePlatform();
void WriteLowerToHighest();
void WriteDoorOpen();
void WriteDoorClose();

// Writes the name lines of a tagged mover (name, triggerClosed, bind) into the
// open entity and counts the piece for its tag.
void NameMover();

// ---- Sector effects of the current piece ----

void WriteDamageTrigger(int32_t sector_special);
void WriteSectorLight(int32_t sector_special);

// ---- State ----

constexpr int32_t kMaxMoverTag = 60;  // tags 1 to 60 get names; others none

struct MoverState {
    int32_t piece_counter[kMaxMoverTag + 1];  // pieces named so far, by tag (index 0 unused)
    int32_t stair_step;                       // rise of the current stair piece
    int32_t door_piece_counter;               // door pieces written for last_door_sector
    int32_t last_door_sector;                 // sector of the previous door piece
    int32_t current_line;                     // LineDef the tagged writers work on, -1: none
    std::string ceiling_material;             // the piece's ceiling material (texture1)
    std::string floor_material;               // the piece's floor material (texture2)
    bool damage_trigger_written;              // a damage trigger was written for this piece
    // Each tag with the lowest-indexed line that carries it, by tag (tag 0
    // left out), and the lines they were gathered from (count -1: none yet).
    std::vector<std::pair<int32_t, int32_t>> first_tagged_lines;
    const LineDef* tagged_lines_of = nullptr;
    int32_t tagged_lines_count = -1;
};

extern MoverState mover_state;
