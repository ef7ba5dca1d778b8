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
// The bytes of the entry named `lump_name` among the level lumps that follow
// the first entry named `marker_name` (up to the first entry that is no level
// lump, such as the next level's marker).
std::vector<uint8_t> ReadLevelLump(std::string_view lump_name, std::string_view marker_name);
// The bytes of the first entry named `name`, wherever it lies; false when the
// WAD has no such entry or it lies outside the file.
bool ReadLump(std::string_view name, std::vector<uint8_t>& bytes);
// Ends the run for a level lump that is missing (or, for NODES, empty).
[[noreturn]] void FailMissingLump(std::string_view lump_name);
void CloseWad();

// ---- Level records ----
//
// One model for every node format: coordinates and record fields are the
// lumps' signed 16-bit numbers; indices are 32-bit. Indices of the level lumps
// are unsigned 16-bit on disk (0..65535), those of extended nodes 32-bit.

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
    int32_t sector;           // the sector this side faces
};

struct LineDef {
    int32_t start_vertex;   // index into vertexes
    int32_t end_vertex;     // index into vertexes
    int16_t flags;          // flag bits
    int16_t special;        // line special type
    int16_t tag;            // links the line to sectors of the same tag
    int32_t right_sidedef;  // front side; -1 (65535 on disk) for none
    int32_t left_sidedef;   // back side; -1 (65535 on disk) for a one-sided line
};

constexpr uint16_t kNoSideDef = 0xFFFF;  // the on-disk sidedef index meaning "none"

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
    int32_t start_vertex;  // index into vertexes, then node_vertexes
    int32_t end_vertex;    // index into vertexes, then node_vertexes
    uint16_t angle;        // binary angle, 65536 to a full turn
    int32_t linedef;       // the line the seg lies on
    int16_t direction;     // 0: along the line (its right side); 1: against it
    int32_t offset;        // distance along the line from its start to the seg's start
};

struct SubSector {
    int32_t seg_count;  // number of segs
    int32_t first_seg;  // index of the first seg
};

struct Node {
    int16_t x;  // start of the partition line
    int16_t y;
    int16_t dx;  // extent of the partition line
    int16_t dy;
    int16_t right_bbox[4];  // top, bottom, left, right
    int16_t left_bbox[4];
    uint32_t right_child;  // kSubsectorBit set: subsector index in the bits below; else node index
    uint32_t left_child;
};

constexpr uint32_t kSubsectorBit = 0x80000000u;

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
    // The vertices a node builder added, kept by the extended node formats
    // outside VERTEXES (the plain format appends them to VERTEXES), rounded
    // down to whole units as the plain format stores them. They count in the
    // level's vertex average only; the geometry never uses them.
    std::vector<Vertex> node_vertexes;

    // The first Seg of direction 0 for each LineDef (-1 when none), built once
    // at load time so that per-line lookups need no scan of SEGS.
    std::vector<int32_t> front_seg;
    // The angle of each of those Segs (-1 when none), made with front_seg:
    // the writers ask for it once per side plane.
    std::vector<int32_t> front_seg_angle;

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

// Decoders of the lumps (exposed for the tests and the fuzz targets), in
// the order of kLevelLumpNames. A NODES lump that starts with "XNOD" holds
// extended nodes, with "ZNOD" the same compressed; both leave SEGS and
// SSECTORS empty.
extern const char* const kLevelLumpNames[8];
void DecodeLevelLumps(const std::vector<std::vector<uint8_t>>& lumps);
// Extended nodes (after the 4-byte signature, decompressed) into vertices,
// subsectors, segs and nodes of the level model; VERTEXES and LINEDEFS must
// be decoded first.
void DecodeExtendedNodes(ByteSpan bytes);
// The partition line and the two boxes of a node record, the first 24 bytes
// of both node formats.
void DecodeNodeLine(ByteSpan b, Node& node);
// The bytes of a zlib stream; ends the run when the stream is damaged.
std::vector<uint8_t> Inflate(ByteSpan compressed);
// Checks every index that later phases follow; ends the run on the first bad one.
void ValidateLevel(const std::string& level_name);

// The first Seg of direction 0 on `linedef`, or nullptr.
const Seg* FindFrontSeg(int linedef);
// The angle of that Seg, -1 when there is none.
int32_t FrontSegAngle(int linedef);
// The binary angle of a line: its front Seg's angle, or, for a line without
// one, trunc(atan2(dy, dx) * 65536 / 2pi) of its vertices taken modulo 65536.
uint16_t LineAngle(int linedef);
// The front Seg's offset, or 0 for a line without a front Seg.
int32_t LineSegOffset(int linedef);

// ---- Preliminary processing ----

void ComputeBounds();
void NormalizeLevel();
void BuildTrigTables();
