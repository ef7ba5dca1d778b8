// Triggers for lines with a handled special, and the speakers of switch lines.
//
// Every line whose special moves something gets the entity that fires the
// movers: a trigger volume in front of a switch or across a walk-over line, a
// shootable entity for gun-activated lines, a teleport slab behind teleport
// lines, and the exit trigger. The triggers name their targets with the names
// the movers were given ("%it%i" for piece and tag), so nothing here needs the
// movers themselves.
#include <array>
#include <cstdio>

#include "converter/entities/closing.h"
#include "converter/entities/entities.h"
#include "converter/entities/movers.h"
#include "converter/level/level.h"
#include "converter/output/output.h"

namespace {

// Specials whose trigger fires once.
constexpr int32_t kOnceSpecials[] = {
    2,   3,   4,   5,   6,   7,   8,   10,  11,  14,  15,  16,  18,  19,  20,  21,
    22,  23,  24,  25,  29,  30,  36,  37,  38,  40,  41,  44,  47,  49,  50,  51,
    52,  53,  54,  55,  56,  58,  59,  71,  100, 101, 102, 103, 108, 109, 110, 111,
    112, 113, 119, 121, 122, 124, 127, 130, 131, 133, 135, 137, 140, 141,
};

// Specials whose trigger fires again and again.
constexpr int32_t kRepeatSpecials[] = {
    1,   26,  27,  28,  31,  32,  33,  34,  39,  42,  43,  45,  46,  60,  61,  62,
    63,  64,  65,  66,  67,  68,  69,  70,  72,  73,  75,  76,  77,  82,  83,  84,
    86,  87,  88,  89,  90,  91,  92,  93,  94,  95,  97,  98,  99,  105, 106, 107,
    114, 115, 116, 117, 118, 120, 123, 125, 126, 128, 129, 132, 134, 136,
};

// Specials of switches, whose line gets a speaker with the switch sound.
constexpr int32_t kSwitchSoundSpecials[] = {
    7,   9,   11,  14,  15,  18,  20,  21,  23,  24,  29,  41,  42,  43,  45,  47,  49,  50,  51,
    55,  60,  61,  62,  63,  64,  65,  66,  67,  68,  69,  70,  71,  99,  101, 102, 103, 111, 112,
    113, 114, 115, 116, 122, 123, 127, 131, 132, 133, 134, 135, 136, 137, 138, 139, 140,
};

static_assert(sizeof(kOnceSpecials) / sizeof(kOnceSpecials[0]) == 62);
static_assert(sizeof(kRepeatSpecials) / sizeof(kRepeatSpecials[0]) == 62);
static_assert(sizeof(kSwitchSoundSpecials) / sizeof(kSwitchSoundSpecials[0]) == 55);

// Every line of a level asks these lists: each is looked up in a table by
// special, made from the list.
constexpr int32_t kTabledSpecials = 256;

template <size_t N>
constexpr std::array<bool, kTabledSpecials> SpecialTable(const int32_t (&list)[N]) {
    std::array<bool, kTabledSpecials> table{};
    for (int32_t entry : list) table[static_cast<size_t>(entry)] = true;
    return table;
}

bool InTable(const std::array<bool, kTabledSpecials>& table, int32_t special) {
    return special >= 0 && special < kTabledSpecials && table[static_cast<size_t>(special)];
}

constexpr auto kOnceTable = SpecialTable(kOnceSpecials);
constexpr auto kRepeatTable = SpecialTable(kRepeatSpecials);
constexpr auto kSwitchSoundTable = SpecialTable(kSwitchSoundSpecials);

bool IsExitSpecial(int32_t s) {
    return s == 11 || s == 51 || s == 52 || s == 124;
}
bool IsGunFloorSpecial(int32_t s) {
    return s == 24 || s == 47;
}
bool IsTeleportSpecial(int32_t s) {
    return s == 39 || s == 125 || s == 97 || s == 126;
}

// The names of the first `count` pieces of mover tag `tag`, as target0 onward.
void WritePieceTargets(int32_t count, int32_t tag) {
    for (int32_t k = 0; k < count; k++) MapPrintf(" \"target%i\"\t\"%it%i\"", k, k, tag);
}

// The key a line's special asks for, or nullptr.
const char* RequiredKey(int32_t s) {
    switch (s) {
        case 26:
        case 32:
        case 99:
        case 133:
            return "Blue Key";
        case 28:
        case 33:
        case 134:
        case 135:
            return "Red Key";
        case 27:
        case 34:
        case 136:
        case 137:
            return "Yellow Key";
        default:
            return nullptr;
    }
}

// The six planes of a trigger brush between the line P1-P2 and its copy Q1-Q2
// moved by (ox, oy), from just below the lowest floor to just above the
// highest ceiling.
void WriteTriggerBox(int32_t line, int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t ox,
                     int32_t oy, const char* material) {
    const int32_t qx1 = x1 + ox, qy1 = y1 + oy;
    const int32_t qx2 = x2 + ox, qy2 = y2 + oy;
    const int32_t low = level.min_height - 1;
    const int32_t high = level.max_height + 1;
    BeginBrush(BrushOwner::kSwitch, line);
    WriteBrush(qx1, 10, qy1, qx2, 10, qy2, qx1, 0, qy1, material, 0, 0, 1.0f);
    WriteBrush(x2, 10, y2, x1, 10, y1, x2, 0, y2, material, 0, 0, 1.0f);
    WriteBrush(x1, 10, y1, qx1, 10, qy1, x1, 0, y1, material, 0, 0, 1.0f);
    WriteBrush(qx2, 10, qy2, x2, 10, y2, qx2, 0, qy2, material, 0, 0, 1.0f);
    WriteBrush(-1, low, 1, 0, low, 0, 1, low, 1, material, 0, 0, 1.0f);
    WriteBrush(-1, high, 1, 1, high, 1, 0, high, 0, material, 0, 0, 1.0f);
    EndBrush();
}

// Whole degrees of a binary angle; the divisor is the converter's fixed one.
int32_t AngleDegrees(uint16_t angle) {
    return static_cast<int32_t>(angle / 182.444444);
}

// The door sector behind a manual-door line, or -1 for a line without a back side.
int32_t BackSector(const LineDef& line) {
    if (line.left_sidedef < 0 || line.left_sidedef >= level.num_sidedefs) return -1;
    int32_t sector = level.sidedefs[line.left_sidedef].sector;
    if (sector < 0 || sector >= level.num_sectors) return -1;
    return sector;
}

}  // namespace

bool IsOnceSpecial(int32_t special) {
    return InTable(kOnceTable, special);
}
bool IsRepeatSpecial(int32_t special) {
    return InTable(kRepeatTable, special);
}
bool IsSwitchSoundSpecial(int32_t special) {
    return InTable(kSwitchSoundTable, special);
}

void BuildSwitches() {
    if (OptionSet(kOptNoMove)) return;
    printf("Building Switches...\n");
    for (int32_t i = 0; i < level.num_linedefs; i++) {
        int32_t special = level.linedefs[i].special;
        if (IsOnceSpecial(special)) {
            WriteLineTrigger(i, false);
        } else if (IsRepeatSpecial(special)) {
            WriteLineTrigger(i, true);
        }
    }
}

void WriteLineTrigger(int32_t i, bool repeat) {
    const LineDef& line = level.linedefs[i];
    const int32_t s = line.special;
    const int32_t t = line.tag;

    // A line of no length has no place for a trigger brush.
    const Vertex& start = level.vertexes[line.start_vertex];
    const Vertex& end = level.vertexes[line.end_vertex];
    if (start.x == end.x && start.y == end.y) {
        printf("WARNING: Line %i has no length, no trigger built\n", i);
        return;
    }

    // A door line needs the sector behind it to name the door; a line without
    // a back side opens no door, so it gets no trigger at all.
    int32_t door_tag = 0;
    if (!IsExitSpecial(s) && !IsGunFloorSpecial(s) && !IsTeleportSpecial(s) &&
        IsManualDoorSpecial(s)) {
        int32_t sector = BackSector(line);
        if (sector < 0) return;
        door_tag = DoorMoverTag(sector);
    }

    MapPrintf("{");
    if (IsExitSpecial(s)) {
        MapPrintf(" \"classname\"\t\"trigger_multiple\"");
        MapPrintf(" \"target1\"\t\"removeblue\"");
        MapPrintf(" \"target2\"\t\"removered\"");
        MapPrintf(" \"target3\"\t\"removeyel\"");
        MapPrintf(" \"target4\"\t\"end\"");
        MapPrintf(" \"origin\"\t\"0 0 0\"");
    } else if (IsGunFloorSpecial(s)) {
        MapPrintf(" \"classname\"\t\"func_damagable\"");
        MapPrintf(" \"target\"\t\"switch%i\"", i);
        WritePieceTargets(5, t);
        MapPrintf(" \"health\"\t\"1\"");
        MapPrintf(" \"origin\"\t\"0 0 0\"");
        MapPrintf(" \"name\"\t\"s%i\"", t);
    } else if (IsTeleportSpecial(s)) {
        MapPrintf(" \"classname\"\t\"trigger_multiple\"");
        MapPrintf(" \"target\"\t\"teleporter%i\"", t);
        MapPrintf(" \"origin\"\t\"0 0 0\"");
        MapPrintf(" \"facing\"\t\"1\"");
    } else if (IsManualDoorSpecial(s)) {
        if (s == 46) {
            // Shot open: the first door piece is the target, the others are
            // bound to this entity.
            MapPrintf(" \"classname\"\t\"func_damagable\"");
            MapPrintf(" \"health\"\t\"1\"");
            MapPrintf(" \"origin\"\t\"0 0 0\"");
            MapPrintf(" \"name\"\t\"f%i\"", door_tag);
            MapPrintf(" \"target\"\t\"0t%i\"", door_tag);
        } else {
            MapPrintf(" \"classname\"\t\"trigger_multiple\"");
            MapPrintf(" \"target\"\t\"switch%i\"", i);
            WritePieceTargets(5, door_tag);
            MapPrintf(" \"origin\"\t\"0 0 0\"");
            MapPrintf(" \"wait\"\t\"3\"");
        }
    } else {
        if (repeat) {
            MapPrintf(" \"classname\"\t\"trigger_multiple\"");
            MapPrintf(" \"wait\"\t\"3\"");
        } else {
            MapPrintf(" \"classname\"\t\"trigger_once\"");
        }
        MapPrintf(" \"target\"\t\"switch%i\"", i);
        WritePieceTargets(15, t);
        MapPrintf(" \"origin\"\t\"0 0 0\"");
    }

    if (const char* key = RequiredKey(s)) MapPrintf(" \"requires\"\t\"%s\"", key);

    if (IsTeleportSpecial(s)) {
        WriteTeleportTriggerBrush(i);
    } else {
        WriteSwitchTriggerBrush(i);
    }
    MapPrintf("}");
}

void WriteSwitchTriggerBrush(int32_t i) {
    const LineDef& line = level.linedefs[i];
    const Vertex& start = level.vertexes[line.start_vertex];
    const Vertex& end = level.vertexes[line.end_vertex];
    // A quarter turn clockwise from the line's direction: toward its front side.
    uint16_t toward_front = static_cast<uint16_t>(LineAngle(i) - 16384);
    int32_t d = AngleDegrees(toward_front);
    int32_t ox = static_cast<int32_t>(level.cos_table[d] * 18);
    int32_t oy = static_cast<int32_t>(level.sin_table[d] * 18);
    WriteTriggerBox(i, start.x, start.y, end.x, end.y, ox, oy, "common/trigmulti");
}

void WriteTeleportTriggerBrush(int32_t i) {
    const LineDef& line = level.linedefs[i];
    const Vertex& start = level.vertexes[line.start_vertex];
    const Vertex& end = level.vertexes[line.end_vertex];
    // A quarter turn less one unit counter-clockwise: toward the back side.
    uint16_t toward_back = static_cast<uint16_t>(LineAngle(i) + 16383);
    int32_t d = AngleDegrees(toward_back);
    int32_t ox = static_cast<int32_t>(level.cos_table[d] * 2);
    int32_t oy = static_cast<int32_t>(level.sin_table[d] * 2);
    WriteTriggerBox(i, end.x, end.y, start.x, start.y, ox, oy, "common/nodraw");
}

void WriteSwitchSpeakers() {
    for (int32_t i = 0; i < level.num_linedefs; i++) {
        const LineDef& line = level.linedefs[i];
        if (line.special == 0 || !IsSwitchSoundSpecial(line.special)) continue;
        const Vertex& start = level.vertexes[line.start_vertex];
        const Vertex& end = level.vertexes[line.end_vertex];
        int32_t mx = (start.x + end.x) / 2;
        int32_t my = (start.y + end.y) / 2;
        int32_t sector = FindSector(mx, my);
        if (sector < 0) continue;
        int32_t z = level.sectors[sector].floor_height + 50;
        MapPrintf("{");
        MapPrintf(" \"classname\"\t\"speaker\"");
        MapPrintf(" \"name\"\t\"switch%i\"", i);
        MapPrintf(" \"s_shader\"\t\"sound/levels/caverns1/machine_start.ogg\"");
        MapPrintf(" \"s_waitfortrigger\"\t\"1\"");
        MapPrintf(" \"s_volume\"\t\"1000\"");
        MapPrintf(" \"origin\"\t\"%i %i %i\"", ScaleCoordinate(mx), ScaleCoordinate(my),
                  ScaleCoordinate(z));
        MapPrintf("}");
    }
}
