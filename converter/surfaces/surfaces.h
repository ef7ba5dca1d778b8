// Texture catalog, floors and ceilings, bounding brushes, walls and fillers.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "converter/geometry/sector_edge.h"
#include "converter/level/level.h"
#include "converter/output/output.h"
#include "formats/wad.h"
#include "formats/wad2.h"

// ---- Texture catalog ----

struct TextureMapEntry {
    std::string doom_name;  // Doom texture or flat name, at most 8 characters
    std::string material;   // material name, at most 15 characters
};

struct TextureCatalog {
    FILE* file;                                // the open .TEX file
    std::string file_name;                     // its name, for messages
    long file_size;                            // its length in bytes
    Wad2Header header;                         // as read from offset 0
    std::vector<Wad2DirEntry> directory;       // every entry, in file order
    std::vector<TextureMapEntry> texture_map;  // the -texmap table
    int32_t texture_map_count;                 // entries in texture_map; 0: no map loaded
    std::string missing_flat_name;             // the name a flat written as "-" is given
    // The directory's names upper-cased with their entry index, sorted by name
    // then index, so that a lookup finds the first entry of a name at once.
    std::vector<std::pair<std::string, int32_t>> name_index;
    // Width and height of each entry once read from the file (width -1: not yet).
    std::vector<std::pair<int32_t, int32_t>> entry_sizes;
    // FindTexture's answer for every name looked up so far: a level asks for
    // its few dozen textures over and over, once or more per piece and wall.
    std::unordered_map<std::string, int32_t> found_entries;
    // The last of them, asked for again at once more often than not.
    std::string last_found;         // its name; empty: none
    int32_t last_found_entry = -1;  // its answer
    // MapTextureName's result for every name mapped so far, for the same reason.
    std::unordered_map<std::string, std::string> mapped_names;
    // LumpMaterial's result by the eight bytes of each lump name asked for.
    std::unordered_map<uint64_t, std::string> lump_materials;
    // Width and height of the WAD's wall textures by upper-cased name, from
    // TEXTURE1 then TEXTURE2 (the first definition of a name counts); read on
    // the first lookup, for brushDef3 texture matrices.
    std::unordered_map<std::string, std::pair<int32_t, int32_t>> wad_texture_sizes;
    bool wad_textures_read;  // wad_texture_sizes has been filled
};

extern TextureCatalog texture_catalog;

void ResetTextureCatalog();
void OpenTextureCatalog(const std::string& file_name);
// Size of the texture `name` (compared without regard to case); 256 x 512
// when the file has no such texture.
void LookupTextureSize(const std::string& name, int32_t& width, int32_t& height);
// Index of the first directory entry named `name`, or -1.
int FindTexture(const std::string& name);
void CloseTextureCatalog();
// Translates a Doom texture or flat name to its material name, in place.
void MapTextureName(std::string& name);
// The material of a texture name as a level stores it: its text up to the
// first zero byte, upper-cased, then mapped by MapTextureName.
const std::string& LumpMaterial(const LumpName& texture);
void LoadTextureMap(const std::string& file_name);
// Reads one line (CR dropped, LF ends it, at most 255 characters); gives "!"
// at the end of the file when nothing was read.
void ReadTextLine(FILE* file, std::string& line);
// Chooses the axis along which a wall's texture runs; gives the flip flag.
int ChooseTextureAxis(uint16_t angle, int32_t x1, int32_t y1, int32_t x2, int32_t y2,
                      int32_t& natx1, int32_t& natx2);

// ---- Texture frames of Doom's sides ----

// The size Doom draws the wall texture `doom_name` with: its TEXTURE1 or
// TEXTURE2 size; for a name the WAD does not define, the .TEX size of
// `material`, else 256 x 512.
void TrueTextureSize(const std::string& doom_name, const std::string& material, int32_t& width,
                     int32_t& height);
// Adds the texture sizes of a TEXTURE1 or TEXTURE2 lump to `sizes`, keeping
// names already there; gives false when the lump is damaged (the entries
// before the damage are kept).
bool DecodeTextureSizes(ByteSpan lump,
                        std::unordered_map<std::string, std::pair<int32_t, int32_t>>& sizes);
// Where Doom draws a texture of `width` x `height` on the side `side` of
// `linedef` (its front when `front`, else its back), with the texture's top
// edge (before the side's y offset) at height `top`: columns run from the
// side's start vertex, shifted by the Seg's and the side's x offsets.
TextureFrame SideFrame(int linedef, bool front, const SideDef& side, int32_t top, int32_t width,
                       int32_t height);

// ---- Floors and ceilings ----

void WriteFloorAndCeiling();
// Side planes of the current piece into the open brush; mode 0 floor, 1 ceiling.
void WritePieceSides(const std::string& material, int mode);
// Whether the side plane on `line` of the current piece's floor (mode 0) or
// ceiling (mode 1) brush is pushed out with ShiftSidePlane (direction 0 for a
// side of the starting box, else 1): a side that no neighbour shows.
bool SidePlanePushed(const SectorEdge& line, int mode);
// Moves the two points of a side plane on `line` by 2 units across it:
// direction 0 toward the piece, 1 away from it. Nothing moves under -bound.
void ShiftSidePlane(const SectorEdge& line, int direction, int32_t& x1, int32_t& y1, int32_t& x2,
                    int32_t& y2);
// The angle for ChooseTextureAxis of a side plane on `line`: the complement of
// its front Seg's angle, 0 when the line has none.
uint16_t LineTextureAngle(const SectorEdge& line);

// ---- Bounding brushes, walls, fillers ----

void WriteBoundingBrushes();
void BuildWallBrushes();
void BuildLineFillers();

// One line as the wall phase sees it.
struct WallSegment {
    int32_t x1, y1;   // position of the start vertex
    int32_t x2, y2;   // position of the end vertex
    uint16_t angle;   // binary angle of the line (its front Seg's)
    int32_t linedef;  // index of the LineDef
};

extern std::vector<WallSegment> wall_segments;  // every line, in LineDef order, during the phase

void CollectWallSegments();
// Whether wall `a` must be lengthened at its end (and `b`, which starts where
// `a` ends, at its start): true unless `b` turns counter-clockwise by 5 to 175
// degrees. Never under -bound.
bool NeedsCornerExtension(const WallSegment& a, const WallSegment& b);
// The filler slab of one line, into the worldspawn.
void WriteFillerBrush(int linedef);
