// Objects for Doom things, listed in the user's object table BRKT_OBJ.TXT.
//
// Each table line maps a Doom thing type to an entity class. Every thing of
// a listed type becomes one entity standing on the floor of its sector, or
// hanging below the ceiling for the hanging decorations; light-giving
// decorations get a light entity above them as well.
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "converter/entities/closing.h"
#include "converter/entities/entities.h"
#include "converter/level/level.h"
#include "converter/output/output.h"
#include "converter/surfaces/surfaces.h"
#include "formats/fatal.h"
#include "formats/file_open.h"

ObjectState object_state = {-1, 0};

namespace {

const char* const kObjectTableName = "BRKT_OBJ.TXT";

// Things that hang from the ceiling, and how far below it they are placed.
struct CeilingDrop {
    int32_t type;
    int32_t drop;
};

constexpr CeilingDrop kCeilingDrops[] = {
    {53, 27}, {62, 27}, {52, 43}, {60, 43}, {75, 38}, {76, 38}, {77, 38}, {78, 38},
    {51, 48}, {61, 48}, {50, 53}, {59, 53}, {73, 53}, {74, 53}, {49, 37}, {63, 37},
};

// Light-giving decorations: where the light sits above the object, and its look.
struct DecorationLight {
    int32_t type;
    int32_t offset_x, offset_y, offset_z;  // added to the object's scaled position
    const char* texture;                   // light material
    const char* model;                     // particle model, nullptr for none
    const char* color;
    const char* radius;
    const char* center;
};

constexpr const char* kLampLight = "lights/biground1_blamplight_cv";
constexpr const char* kRoundLight = "lights/biground1";

constexpr DecorationLight kDecorationLights[] = {
    {44, 0, 0, 110, kLampLight, "doom_tallfirestick_colorable.prt", "0.24 0.37 1", "120 120 220",
     "0 0 25"},
    {45, 0, 0, 110, kLampLight, "doom_tallfirestick_colorable.prt", "0.35 0.69 0.27", "120 120 220",
     "0 0 25"},
    {46, 0, 0, 110, kLampLight, "doom_tallfirestick_colorable.prt", "1 0.1 0.05", "120 120 220",
     "0 0 25"},
    {34, 0, 0, 24, kLampLight, "candle.prt", "1 0.75 0.13", "120 120 120", "0 0 25"},
    {2028, 0, 0, 66, kLampLight, nullptr, "1 0.75 0.13", "120 120 120", "0 0 25"},
    {55, 0, 0, 75, kLampLight, "doom_shortfirestick_colorable.prt", "0.24 0.37 1", "120 120 120",
     "0 0 25"},
    {56, 0, 0, 75, kLampLight, "doom_shortfirestick_colorable.prt", "0.35 0.69 0.27", "120 120 120",
     "0 0 25"},
    {57, 0, 0, 75, kLampLight, "doom_shortfirestick_colorable.prt", "1 0.1 0.05", "120 120 120",
     "0 0 25"},
    {85, 0, 0, 95, kRoundLight, nullptr, "1 0.75 0.13", "120 120 220", "0 0 40"},
    {86, 0, 0, 85, kRoundLight, nullptr, "0.73 0.89 1", "120 120 220", "0 0 40"},
    {35, 0, 0, 105, kLampLight, "candelabra.prt", "0.73 0.89 1", "120 120 220", "0 0 25"},
    {41, 1, 3, 19, kLampLight, "candle.prt", "1 0.75 0.13", "120 120 120", "0 0 25"},
    {29, 0, 0, 19, kLampLight, "fiveskulls.prt", "1 0.75 0.13", "120 120 120", "0 0 25"},
};

const DecorationLight* FindDecorationLight(int32_t type) {
    for (const DecorationLight& light : kDecorationLights) {
        if (light.type == type) return &light;
    }
    return nullptr;
}

// The drop below the ceiling of a hanging thing, or -1 for a standing one.
int32_t CeilingDropOf(int32_t type) {
    for (const CeilingDrop& entry : kCeilingDrops) {
        if (entry.type == type) return entry.drop;
    }
    return -1;
}

bool EqualNoCase(const std::string& a, const char* b) {
    size_t length = std::strlen(b);
    if (a.size() != length) return false;
    for (size_t i = 0; i < length; i++) {
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    }
    return true;
}

// Reads an integer the way the table's numbers are written: decimal, octal
// after a leading 0, hexadecimal after 0x. Gives false when no digit follows.
bool ReadNumber(const char* text, int base, int32_t& value) {
    char* end = nullptr;
    errno = 0;
    long number = std::strtol(text, &end, base);
    if (end == text) return false;
    // A number beyond the 32-bit range names no thing type: it becomes one
    // that no 16-bit type field can hold.
    if (errno == ERANGE || number > 2147483647L || number < -2147483647L - 1)
        number = -2147483647L - 1;
    value = static_cast<int32_t>(number);
    return true;
}

// The things that lie in no sector are named, up to kMaxNamedLostThings of them.
constexpr int32_t kMaxNamedLostThings = 20;

void ReportThingInNoSector(int32_t index, const Thing& thing) {
    object_state.lost_things++;
    if (object_state.lost_things > kMaxNamedLostThings) return;
    EndProgressLine();
    printf("WARNING: Thing %i (type %i) at (%i, %i) lies in no sector; left out.\n", index,
           thing.type, thing.x, thing.y);
}

// Writes the objects of one table entry; gives the number of things of its type.
int32_t ConvertThingsOfType(const ObjectTableEntry& entry) {
    int32_t count = 0;
    const bool lifted = EqualNoCase(entry.class_name, "func_static");
    for (int32_t i = 0; i < level.num_things; i++) {
        const Thing& thing = level.things[i];
        if (thing.type != entry.type) continue;
        count++;
        int32_t sector = FindSector(thing.x, thing.y);
        if (sector < 0) {  // outside every sector: counted, not written
            ReportThingInNoSector(i, thing);
            continue;
        }
        int32_t z0 = level.sectors[sector].floor_height;
        int32_t drop = CeilingDropOf(entry.type);
        if (drop >= 0) z0 = level.sectors[sector].ceiling_height - drop;
        ObjectPosition position = {ScaleCoordinate(thing.x), ScaleCoordinate(thing.y),
                                   ScaleCoordinate(z0) + (lifted ? 5 : 0)};
        int32_t angle = IsDecorationType(entry.type) ? 0 : static_cast<uint16_t>(thing.angle);
        WriteDecorationLight(position, angle, entry.type, entry.class_name);
    }
    return count;
}

}  // namespace

int32_t FindSector(int32_t x, int32_t y) {
    object_state.last_found_sector = -1;
    if (level.num_subsectors <= 0) return -1;

    // A level of a single subsector has no nodes: that subsector holds every point.
    int32_t subsector = 0;
    if (level.num_nodes > 0) {
        int32_t node_index = level.num_nodes - 1;
        // Each step goes one level down the tree; more steps than nodes means
        // the children loop back, and the point is in no sector.
        for (int32_t steps = 0;; steps++) {
            if (steps > level.num_nodes || node_index < 0 || node_index >= level.num_nodes)
                return -1;
            const Node& node = level.nodes[node_index];
            int64_t left = static_cast<int64_t>(node.dy) * (x - node.x);
            int64_t right = static_cast<int64_t>(y - node.y) * node.dx;
            uint32_t child = right < left ? node.right_child : node.left_child;
            if (child & kSubsectorBit) {
                subsector = static_cast<int32_t>(child & ~kSubsectorBit);
                break;
            }
            node_index = static_cast<int32_t>(child);
        }
    }
    if (subsector >= level.num_subsectors) return -1;

    int32_t seg_index = level.subsectors[subsector].first_seg;
    if (seg_index < 0 || seg_index >= level.num_segs) return -1;
    const Seg& seg = level.segs[seg_index];
    if (seg.linedef < 0 || seg.linedef >= level.num_linedefs) return -1;
    const LineDef& line = level.linedefs[seg.linedef];
    int32_t side = seg.direction == 0 ? line.right_sidedef : line.left_sidedef;
    if (side < 0 || side >= level.num_sidedefs) return -1;
    int32_t sector = level.sidedefs[side].sector;
    if (sector < 0 || sector >= level.num_sectors) return -1;
    object_state.last_found_sector = sector;
    return sector;
}

bool IsDecorationType(int32_t type) {
    return FindDecorationLight(type) != nullptr;
}

TableLine ParseObjectTableLine(const std::string& line, ObjectTableEntry& entry) {
    if (!line.empty() && line[0] == '!') return TableLine::kEnd;
    if (line.empty() || line[0] == ';') return TableLine::kSkip;

    int32_t type = 0;
    bool has_number = line.compare(0, 2, "0x") == 0 ? ReadNumber(line.c_str() + 2, 16, type)
                                                    : ReadNumber(line.c_str(), 0, type);
    if (!has_number) return TableLine::kInvalid;
    size_t quote = line.find('"');
    if (quote == std::string::npos) return TableLine::kInvalid;

    // The class runs from behind the first quote to the closing quote; what
    // follows that is ignored. Without a closing quote it runs to the end of
    // the line, less the line's last character.
    std::string text;
    const size_t closing = line.find('"', quote + 1);
    if (closing != std::string::npos) {
        text = line.substr(quote + 1, closing - quote - 1);
    } else if (line.size() >= quote + 2) {
        text = line.substr(quote + 1, line.size() - quote - 2);
    }
    int32_t flags = 0;
    size_t colon = text.find(':');
    if (colon != std::string::npos) {
        ReadNumber(text.c_str() + colon + 1, 0, flags);
        text.resize(colon);
    }
    if (text.size() > kMaxClassNameLength) text.resize(kMaxClassNameLength);

    entry.type = type;
    entry.class_name = text;
    entry.flags = flags;
    return TableLine::kEntry;
}

void WriteDecorationLight(const ObjectPosition& position, int32_t angle, int32_t type,
                          const std::string& class_name) {
    MapPrintf("{");
    MapPrintf(" \"origin\"\t\"%i %i %i\"", position.x, position.y, position.z);
    MapPrintf(" \"angle\"\t\"%d\"", angle);
    MapPrintf(" \"classname\"\t\"%s\"", class_name.c_str());
    if (EqualNoCase(class_name, "func_teleporter")) {
        // The teleport lines of the sector's tag target this name.
        int32_t sector = object_state.last_found_sector;
        MapPrintf(" \"name\"\t\"teleporter%i\"", sector >= 0 ? level.sectors[sector].tag : 0);
    }
    if (type == 88) {
        MapPrintf(" \"health\"\t\"10000\"");
        MapPrintf(" \"model\"\t\"models/mapobjects/biglamp/biglamp.lwo\"");
        MapPrintf(" \"target0\"\t\"end\"");
    }
    MapPrintf("}");

    const DecorationLight* light = FindDecorationLight(type);
    if (!light) return;
    MapPrintf("{");
    MapPrintf(" \"origin\"\t\"%i %i %i\"", position.x + light->offset_x,
              position.y + light->offset_y, position.z + light->offset_z);
    MapPrintf(" \"classname\"\t\"light\"");
    MapPrintf(" \"noshadows\"\t\"0\"");
    MapPrintf(" \"nospecular\"\t\"0\"");
    MapPrintf(" \"nodiffuse\"\t\"0\"");
    MapPrintf(" \"falloff\"\t\"0\"");
    MapPrintf(" \"texture\"\t\"%s\"", light->texture);
    if (light->model) MapPrintf(" \"model\"\t\"%s\"", light->model);
    MapPrintf(" \"_color\"\t\"%s\"", light->color);
    MapPrintf(" \"light_radius\"\t\"%s\"", light->radius);
    MapPrintf(" \"light_center\"\t\"%s\"", light->center);
    MapPrintf("}");
}

void ConvertObjects() {
    printf("Converting Objects: ");
    object_state.lost_things = 0;
    FILE* table = OpenUserFile(kObjectTableName, "rb");
    SetProgressLineOpen(true);
    if (!table) {
        printf("%s not found, ** NO OBJECTS CONVERTED **\n", kObjectTableName);
        return;
    }

    int32_t object_count = 0;
    std::string line;
    for (int32_t number = 1;; number++) {
        ReadTextLine(table, line);
        ObjectTableEntry entry;
        TableLine kind = ParseObjectTableLine(line, entry);
        if (kind == TableLine::kEnd) break;
        if (kind == TableLine::kSkip) continue;
        if (kind == TableLine::kInvalid) {
            EndProgressLine();
            printf(
                "WARNING: %s line %i skipped: expected a thing type and a class name in "
                "double quotes.\n",
                kObjectTableName, number);
            continue;
        }
        object_count += ConvertThingsOfType(entry);
    }
    fclose(table);
    SetProgressLineOpen(false);
    if (object_state.lost_things > kMaxNamedLostThings) {
        const int32_t rest = object_state.lost_things - kMaxNamedLostThings;
        printf("WARNING: %i more thing%s in no sector; left out.\n", rest,
               rest == 1 ? " lies" : "s lie");
    }
    printf("%i Objects.\n", object_count);
}
