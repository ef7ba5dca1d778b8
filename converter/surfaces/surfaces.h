// Texture catalog, floors and ceilings, bounding brushes, walls and fillers.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

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
void LoadTextureMap(const std::string& file_name);
// Reads one line (CR dropped, LF ends it, at most 255 characters); gives "!"
// at the end of the file when nothing was read.
void ReadTextLine(FILE* file, std::string& line);
// Chooses the axis along which a wall's texture runs; gives the flip flag.
int ChooseTextureAxis(uint16_t angle, int32_t x1, int32_t y1, int32_t x2, int32_t y2,
                      int32_t& natx1, int32_t& natx2);

// ---- Floors and ceilings ----

void WriteFloorAndCeiling();
// Side planes of the current piece into the open brush; mode 0 floor, 1 ceiling.
void WritePieceSides(const std::string& material, int mode);

// ---- Bounding brushes, walls, fillers ----

void WriteBoundingBrushes();
void BuildWallBrushes();
void BuildLineFillers();
