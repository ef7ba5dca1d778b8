// Sector effects of each convex piece: the tagged mover, the damage trigger,
// the animated light and the manual door, written to the entity file while the
// worldspawn is still open.
#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>

#include "converter/entities/entities.h"
#include "converter/entities/movers.h"
#include "converter/level/level.h"
#include "converter/output/output.h"

MoverState mover_state;

namespace {

// Pieces with more edges than this get no side planes and no light placement.
constexpr int32_t kMaxPieceEdges = 256;

constexpr int32_t kDamageSpecials[] = {4, 5, 6, 7, 11, 16};
constexpr int32_t kLightSpecials[] = {1, 2, 3, 8, 12, 13, 17};

struct DamageDefinition {
    int32_t special;         // sector special
    const char* def_damage;  // damage definition of the trigger
};
// Special 6 has no damage of its own; it hurts like special 5.
constexpr DamageDefinition kDamageDefinitions[] = {
    {4, "damage_triggerhurt_15"}, {5, "damage_triggerhurt_10"},  {6, "damage_triggerhurt_10"},
    {7, "damage_triggerhurt_5"},  {11, "damage_triggerhurt_25"}, {16, "damage_triggerhurt_15"},
};

struct LightMaterial {
    int32_t special;      // sector special
    const char* texture;  // animated light material
};
constexpr LightMaterial kLightMaterials[] = {
    {1, "lights/blinkrandom"},    {2, "lights/blink05sec"},  {3, "lights/blink1sec"},
    {8, "lights/glow1sec"},       {12, "lights/blink05sec"}, {13, "lights/blink1sec"},
    {17, "lights/flickerrandom"},
};

bool InList(std::span<const int32_t> list, int32_t special) {
    for (int32_t entry : list) {
        if (entry == special) return true;
    }
    return false;
}

// The clip line an edge of the current piece lies on, or nullptr for a
// remnant of the starting box.
const SectorEdge* EdgeClipLine(const SectorEdge& edge) {
    if (edge.clip_index < 0 || edge.clip_index >= level.clip_line_count) return nullptr;
    return &level.clip_lines[edge.clip_index];
}

// The lowest-indexed line that carries `tag` (not 0), or -1. Every tagged
// sector asks: the lines are gathered by tag once.
int32_t FindTaggedLine(int32_t tag) {
    auto& lines = mover_state.first_tagged_lines;
    if (mover_state.tagged_lines_of != level.linedefs.data() ||
        mover_state.tagged_lines_count != level.num_linedefs) {
        lines.clear();
        for (int32_t i = 0; i < level.num_linedefs; ++i)
            if (level.linedefs[i].tag != 0) lines.emplace_back(level.linedefs[i].tag, i);
        // By tag, then line: the first of each tag is its lowest line.
        std::sort(lines.begin(), lines.end());
        lines.erase(std::unique(lines.begin(), lines.end(),
                                [](const auto& a, const auto& b) { return a.first == b.first; }),
                    lines.end());
        mover_state.tagged_lines_of = level.linedefs.data();
        mover_state.tagged_lines_count = level.num_linedefs;
    }
    const auto found = std::lower_bound(lines.begin(), lines.end(), std::make_pair(tag, INT32_MIN));
    return found != lines.end() && found->first == tag ? found->second : -1;
}

// True when an edge of the piece lies on the back side of a tagged line.
bool PieceBehindTaggedLine() {
    for (int32_t i = 0; i < level.edge_count; ++i) {
        const SectorEdge& edge = level.edge_list[i];
        if (edge.other_sidedef == -1) continue;
        if (edge.linedef < 0 || edge.linedef >= level.num_linedefs) continue;
        const LineDef& line = level.linedefs[edge.linedef];
        if (line.tag != 0 && line.right_sidedef == edge.other_sidedef) return true;
    }
    return false;
}

// light_center, light_radius and origin of a sector light: centred on the
// piece's edge midpoints, as wide and deep as the piece, as high as the room.
void WriteLightPlacement() {
    const double scale = convert_options.map_scale;
    const int32_t n = level.edge_count;
    double sum_x = 0.0, sum_y = 0.0, radius_x = 0.0, radius_y = 0.0;
    for (int32_t i = 0; i < n; ++i) {
        const SectorEdge* line = EdgeClipLine(level.edge_list[i]);
        if (line == nullptr) continue;
        const auto x1 = static_cast<int32_t>(line->x1 * scale);
        const auto y1 = static_cast<int32_t>(line->y1 * scale);
        const auto x2 = static_cast<int32_t>(line->x2 * scale);
        const auto y2 = static_cast<int32_t>(line->y2 * scale);
        const double dx = line->dx * scale;
        const double dy = line->dy * scale;
        sum_x += (x1 + x2) / (2 * n);
        sum_y += (y1 + y2) / (2 * n);
        radius_x += std::fabs(dx) / 4;
        radius_y += std::fabs(dy) / 4;
    }
    const double floor = level.floor_level * scale;
    const double ceiling = level.ceiling_level * scale;
    const auto height_sum = static_cast<int32_t>(floor + ceiling);
    const int32_t origin_z = height_sum / 2;
    const int32_t center_z = static_cast<int32_t>(origin_z - floor) - 20;
    const auto radius_z = static_cast<int32_t>(((floor + ceiling) / 2 - floor) * 2);
    MapPrintf(" \"light_center\"\t\"0 0 %i\"", center_z);
    MapPrintf(" \"light_radius\"\t\"%i %i %i\"", static_cast<int32_t>(radius_x) + 2,
              static_cast<int32_t>(radius_y) + 2, radius_z);
    MapPrintf(" \"origin\"\t\"%i %i %i\"", static_cast<int32_t>(sum_x), static_cast<int32_t>(sum_y),
              origin_z);
}

}  // namespace

void ResetMoverState() {
    for (int32_t& count : mover_state.piece_counter) count = 0;
    mover_state.stair_step = 0;
    mover_state.door_piece_counter = 0;
    mover_state.last_door_sector = 0;
    mover_state.current_line = -1;
    mover_state.ceiling_material.clear();
    mover_state.floor_material.clear();
    mover_state.damage_trigger_written = false;
    mover_state.first_tagged_lines.clear();
    mover_state.tagged_lines_of = nullptr;
    mover_state.tagged_lines_count = -1;
}

void SectorEffects(const std::string& texture1, const std::string& texture2) {
    mover_state.damage_trigger_written = false;
    mover_state.ceiling_material = texture1;
    mover_state.floor_material = texture2;
    if (OptionSet(kOptNoMove)) return;

    const Sector& sector = level.sectors[level.current_sector];
    const int32_t sector_special = sector.special;

    // Only the lowest-indexed line with the sector's tag decides its mover.
    bool mover_written = false;
    if (sector.tag != 0) {
        const int32_t line = FindTaggedLine(sector.tag);
        if (line >= 0) {
            mover_state.current_line = line;
            const LineSpecialHandler* handler =
                FindLineSpecialHandler(level.linedefs[line].special);
            if (handler != nullptr) {
                handler->writer();
                mover_written = true;
            }
        }
    }

    if (InList(kDamageSpecials, sector_special)) WriteDamageTrigger(sector_special);
    if (InList(kLightSpecials, sector_special)) WriteSectorLight(sector_special);

    // A damage floor behind a tagged line is not also made a door.
    if (mover_state.damage_trigger_written && PieceBehindTaggedLine()) return;

    const int32_t door_special = FindDoorSpecial();
    if (door_special != 0 && !mover_written) WriteManualDoor(door_special);
}

void WriteDamageTrigger(int32_t sector_special) {
    const char* def_damage = kDamageDefinitions[0].def_damage;
    for (const DamageDefinition& entry : kDamageDefinitions) {
        if (entry.special == sector_special) {
            def_damage = entry.def_damage;
            break;
        }
    }

    SetEntityOutput(true);
    MapPrintf("{");
    MapPrintf(" \"classname\"\t\"trigger_hurt\"");
    MapPrintf(" \"on\"\t\"1\"");
    MapPrintf(" \"def_damage\"\t\"%s\"", def_damage);
    MapPrintf(" \"origin\"\t\"0 0 0\"");
    BeginBrush(BrushOwner::kDamageTrigger, level.current_sector);
    const int32_t bottom = level.min_height - 4;
    const int32_t top = level.floor_level + 1;
    WriteBrush(1, bottom, 1, -1, bottom, 0, 1, bottom, -1, "common/trighurt", 0, 0, 1.0f);
    WriteBrush(-1, top, 1, 1, top, 0, -1, top, -1, "common/trighurt", 0, 0, 1.0f);
    if (level.edge_count <= kMaxPieceEdges) {
        for (int32_t i = 0; i < level.edge_count; ++i) {
            const SectorEdge* line = EdgeClipLine(level.edge_list[i]);
            if (line == nullptr) continue;
            WriteBrush(line->x2, 10, line->y2, line->x1, 10, line->y1, line->x2, 0, line->y2,
                       "common/nodraw", 0, 0, 1.0f);
        }
    }
    EndBrush();
    MapPrintf("}");
    SetEntityOutput(false);
    mover_state.damage_trigger_written = true;
}

void WriteSectorLight(int32_t sector_special) {
    const char* texture = kLightMaterials[0].texture;
    for (const LightMaterial& entry : kLightMaterials) {
        if (entry.special == sector_special) {
            texture = entry.texture;
            break;
        }
    }

    SetEntityOutput(true);
    MapPrintf("{");
    MapPrintf(" \"classname\"\t\"light\"");
    MapPrintf(" \"noshadows\"\t\"0\"");
    MapPrintf(" \"nospecular\"\t\"0\"");
    MapPrintf(" \"nodiffuse\"\t\"0\"");
    MapPrintf(" \"falloff\"\t\"0\"");
    MapPrintf(" \"texture\"\t\"%s\"", texture);
    MapPrintf(" \"_color\"\t\"1 1 1\"");
    if (level.edge_count <= kMaxPieceEdges) WriteLightPlacement();
    MapPrintf("}");
    SetEntityOutput(false);
}
