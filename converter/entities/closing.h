// The closing entities: line triggers and switch speakers, objects for
// things, world lights, the level exit and the music speaker.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

// ---- Switches, triggers and teleporters ----

// Special lists of the line triggers; only membership counts.
bool IsOnceSpecial(int32_t special);
bool IsRepeatSpecial(int32_t special);
bool IsSwitchSoundSpecial(int32_t special);

// The trigger entity of line `line`; `repeat` chooses a trigger that fires
// more than once for the specials without a fixed trigger kind.
void WriteLineTrigger(int32_t line, bool repeat);
// The trigger volume 18 units deep in front of the line, as high as the level.
void WriteSwitchTriggerBrush(int32_t line);
// A slab 2 units deep behind a teleport line.
void WriteTeleportTriggerBrush(int32_t line);

// ---- Things to objects ----

// One entry of the object table: a Doom thing type and its entity class.
struct ObjectTableEntry {
    int32_t type;            // Doom thing type number
    std::string class_name;  // entity class, at most kMaxClassNameLength characters
    int32_t flags;           // the number after ":" in the class text; unused
};

constexpr size_t kMaxClassNameLength = 127;

enum class TableLine {
    kEntry,    // `entry` was filled
    kSkip,     // comment or empty line
    kEnd,      // a line that starts with "!" ends the table
    kInvalid,  // no thing type at the start, or no double quote
};

// Reads one line of the object table.
TableLine ParseObjectTableLine(const std::string& line, ObjectTableEntry& entry);

// An object position in map units, already scaled.
struct ObjectPosition {
    int32_t x;
    int32_t y;
    int32_t z;
};

// The object entity, followed by a light entity for light-giving decorations.
void WriteDecorationLight(const ObjectPosition& position, int32_t angle, int32_t type,
                          const std::string& class_name);
// True for the thing types that carry a decoration light.
bool IsDecorationType(int32_t type);

// State of the object pass.
struct ObjectState {
    int32_t last_found_sector;  // the sector that FindSector found last, -1: none
    int32_t lost_things;        // things of the table's types that lie in no sector
};

extern ObjectState object_state;

// ---- Level names, music and exits ----

// The name of the level that follows `level_name`, through the secret exit
// when `secret` is true.
std::string NextLevelName(const std::string& level_name, bool secret);
// True when the level's exits all lead to the secret level: it has a line
// with a secret exit special and none with a normal exit special.
bool LevelHasOnlySecretExit();
// The music lump of a level, or the level name when no row lists it.
std::string LevelMusicName(const std::string& level_name);
