// The Doom level: WAD access, the level's records and the global level state.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "converter/geometry/sector_edge.h"
#include "formats/wad.h"

// ---- The converter's open WAD ----

struct WadReader {
    FILE* file;                          // the source WAD, open for binary reading
    std::string file_name;               // the name shown in messages
    long file_size;                      // length of the file in bytes
    WadHeader header;                    // as read from offset 0
    std::vector<WadDirEntry> directory;  // every directory entry, in file order
};

extern WadReader wad_reader;

void ResetWadReader();
// Opens the WAD shown as `file_name` in messages; `path` (when not empty) is
// the name as the user typed it, tried first.
void OpenWad(const std::string& file_name, const std::string& path = "");
bool LumpExists(std::string_view name);
// The bytes of the first entry named `lump_name` at or after the first entry
// named `marker_name`.
std::vector<uint8_t> ReadLevelLump(std::string_view lump_name, std::string_view marker_name);
void CloseWad();

// ---- Level records, as stored in the lumps (all fields signed 16-bit) ----

struct Thing {
    int16_t x;      // position
    int16_t y;      // position
    int16_t angle;  // facing, whole degrees
    int16_t type;   // thing type number
    int16_t flags;  // flag bits
};

struct Vertex {
    int16_t x;
    int16_t y;
};

struct SideDef {
    int16_t x_offset;         // texture offset along the wall
    int16_t y_offset;         // texture offset up the wall
    LumpName upper_texture;   // "-" means none
    LumpName lower_texture;   // "-" means none
    LumpName middle_texture;  // "-" means none
    int16_t sector;           // the sector this side faces
};

struct LineDef {
    int16_t start_vertex;
    int16_t end_vertex;
    int16_t flags;
    int16_t special;        // line special type
    int16_t tag;            // links the line to sectors of the same tag
    int16_t right_sidedef;  // front side
    int16_t left_sidedef;   // back side; -1 for a one-sided line
};

struct Sector {
    int16_t floor_height;
    int16_t ceiling_height;
    LumpName floor_texture;
    LumpName ceiling_texture;
    int16_t light_level;
    int16_t special;  // sector special type
    int16_t tag;
};

struct Seg {
    int16_t start_vertex;
    int16_t end_vertex;
    uint16_t angle;     // binary angle, 65536 to a full turn
    int16_t linedef;    // the line the seg lies on
    int16_t direction;  // 0: along the line (its right side); 1: against it
    int16_t offset;     // distance along the line from its start to the seg's start
};

struct SubSector {
    int16_t seg_count;
    int16_t first_seg;
};

struct Node {
    int16_t x;  // start of the partition line
    int16_t y;
    int16_t dx;  // extent of the partition line
    int16_t dy;
    int16_t right_bbox[4];  // top, bottom, left, right
    int16_t left_bbox[4];
    uint16_t right_child;  // bit 15 set: subsector index in bits 0..14; else node index
    uint16_t left_child;
};

constexpr uint16_t kSubsectorBit = 0x8000;

// ---- The global level state ----

struct LevelData {
    std::vector<Thing> things;
    int32_t num_things;
    std::vector<Vertex> vertexes;
    int32_t num_vertexes;
    std::vector<SideDef> sidedefs;
    int32_t num_sidedefs;
    std::vector<LineDef> linedefs;
    int32_t num_linedefs;
    std::vector<Sector> sectors;
    int32_t num_sectors;
    std::vector<SubSector> subsectors;
    int32_t num_subsectors;
    std::vector<Node> nodes;
    int32_t num_nodes;
    std::vector<Seg> segs;
    int32_t num_segs;

    // The first Seg of direction 0 for each LineDef (-1 when none), built once
    // at load time so that per-line lookups need no scan of SEGS.
    std::vector<int32_t> front_seg;

    // Bounds, after normalisation for x and y.
    int32_t min_x, max_x, min_y, max_y;
    int32_t min_height, max_height;
    float sin_table[360];  // sine of whole degrees
    float cos_table[360];  // cosine of whole degrees

    // Sector geometry: the sector being converted, its outline or the current
    // convex piece, the piece's clip lines, and the sector's height context.
    int32_t current_sector;
    std::vector<SectorEdge> edge_list;  // storage; the first edge_count are in use
    int32_t edge_count;
    std::vector<SectorEdge> clip_lines;  // storage; the first clip_line_count are in use
    int32_t clip_line_count;
    int32_t floor_level;
    int32_t ceiling_level;
    int32_t highest_ceiling;
    int32_t lowest_floor;
    int32_t highest_neighbour_floor;
    int32_t lowest_neighbour_ceiling;
    int32_t next_higher_floor;
    int32_t resultant_count;  // convex pieces made by the subdivision
};

extern LevelData level;

void ResetLevelData();
void LoadLevel(const std::string& level_name);
void FreeLevel();

// Decoders of the lumps (exposed for the tests and the fuzz targets).
void DecodeLevelLumps(const std::vector<std::vector<uint8_t>>& lumps);
// Checks every index that later phases follow; ends the run on the first bad one.
void ValidateLevel(const std::string& level_name);

// The first Seg of direction 0 on `linedef`, or nullptr.
const Seg* FindFrontSeg(int linedef);
// The binary angle of a line: its front Seg's angle, or, for a line without
// one, trunc(atan2(dy, dx) * 65536 / 2pi) of its vertices taken modulo 65536.
uint16_t LineAngle(int linedef);
// The front Seg's offset, or 0 for a line without a front Seg.
int32_t LineSegOffset(int linedef);

// ---- Preliminary processing ----

void ComputeBounds();
void NormalizeLevel();
void BuildTrigTables();
