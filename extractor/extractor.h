// The texture extractor: reads one Doom WAD and writes its palette, every flat
// and every composed wall texture, each with four MIP levels, into a WAD2
// texture file (.TEX) that the map converter reads; with -d3 also a Doom 3
// image of each and a material file naming them as the converted maps do.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "formats/wad.h"
#include "formats/wad2.h"

// ---- Settings and run sequence ----

constexpr uint16_t kModeDark = 0x1;         // -d: averaged colours darkened by dark_factor
constexpr uint16_t kModeTotalConv = 0x2;    // -t: match colours against the WAD's own palette
constexpr uint16_t kModePointSample = 0x4;  // -h: MIP levels 1 to 3 by point sampling

struct ExtractorSettings {
    uint16_t mode_flags;            // kMode* bits
    float dark_factor;              // factor applied to averaged colours before matching
    std::string filename;           // the WAD name as typed, ".wad" appended when it has no '.'
    std::string palette_file_name;  // "PALETTE.LMP"; kept for completeness, nothing reads it
    std::string tex_file_name;      // the texture file written in the current directory
    bool doom3;                     // -d3: Doom 3 images and materials are written as well
};

extern ExtractorSettings extractor_settings;

void ResetExtractorSettings();
void PrintBanner();
// The usage text, line ends included.
std::string UsageText();
// Reads the options (args[0] is the WAD name) into extractor_settings and
// fills in the default darkening factor; ends with status 1 on a bad option
// or a missing WAD name.
void ParseExtractorArgs(const std::vector<std::string>& args);
// The texture file name for a WAD name: DOOM1.TEX, DOOM2.TEX, TNT.TEX,
// PLUTONIA.TEX for the game WADs named exactly so, else CUSTOM.TEX.
std::string ChooseTexFileName(const std::string& filename);
// The whole extraction, from the banner to the closed texture file.
void RunExtractor(const std::vector<std::string>& args);
// RunExtractor with the fatal errors turned into printed messages; gives the
// exit status. The terminal is restored on every way out.
int ExtractorMain(const std::vector<std::string>& args);
// Puts every global record of the extractor back to its start state.
void ResetExtractorState();

// ---- The source WAD ----

struct SourceWad {
    FILE* file;                            // the WAD, open between OpenSourceWad and CloseSourceWad
    std::string file_name;                 // the name it was opened by, for messages
    long file_size;                        // length of the file in bytes
    WadHeader header;                      // as read from offset 0
    std::vector<WadDirEntry> directory;    // num_lumps entries, read once at open time
    std::vector<std::string> upper_names;  // each entry's name, upper-cased, for the lookups
    std::unordered_map<std::string, int> first_index;  // upper-cased name -> its first entry
};

extern SourceWad source_wad;

void OpenSourceWad(const std::string& file_name);
void CloseSourceWad();
// Index of the first directory entry whose name equals the first n
// characters of `name` without regard to case (names shorter than n count as
// padded with zero characters), or -1.
int FindLumpIndex(std::string_view name, size_t n);
// The name of directory entry `index` as text (at most 8 characters).
std::string EntryName(int index);
// Reads at most `limit` bytes from the start of lump `index`. A lump that
// runs past the end of the WAD ends the run as damaged.
std::vector<uint8_t> ReadLump(int index, size_t limit = SIZE_MAX);
// Ends the run with "ERROR: '<wad>' is damaged." and status 6.
[[noreturn]] void WadDamaged();

// ---- Palette and colour matching ----

constexpr int kKeyColourIndex = 255;  // stands for the key colour (0, 255, 255) in the file

struct ColourTables {
    uint8_t source_palette[768];  // first palette of PLAYPAL: red, green, blue per index
    uint8_t match_palette[768];   // searched outside TC-Mode: PLAYPAL with 224..255 black
    uint16_t TransPal[256];       // output index for each source index (the identity)
    bool is_key[256];             // whether the source colour is the key colour
    // Bumped whenever the palette or the settings may have changed: each
    // thread keeps its own table of colour matches and drops it when the
    // number it was made for is no longer this one.
    uint64_t generation;
};
constexpr uint32_t kNoColourMatch = 0xFFFFFFFF;

extern ColourTables colour_tables;

void ResetColourTables();
// Takes 768 bytes of palette as the source palette, derives the match
// palette and the key table, and forgets all cached colour matches.
void SetSourcePalette(const uint8_t* rgb);
// Reads PLAYPAL, writes the "PALETTE" entry and builds TransPal.
void BuildPalette();
// The palette index for a block of n source texels: 255 when any of them is
// the key colour, else the nearest colour to their average.
uint8_t AverageBlock(const uint8_t* texels, int n);
// The same for a block given by the sums of its n texels' colours and
// whether any of them is the key colour.
uint8_t BlockColour(int red_sum, int green_sum, int blue_sum, bool has_key, int n);
// The palette index (0 to 254, or 255 for the key colour) nearest to a
// colour after darkening it by dark_factor.
uint8_t FindNearestColor(int red, int green, int blue);
// The colour sums of a square block of texels packed into one number: red,
// green and blue sums and the count of key-colour texels in 16 bits each.
// Blocks of up to 64 texels sum to at most 64 * 255, so the sums of four
// blocks add up in one addition without running into each other.
using BlockSum = uint64_t;
// BlockColour for `count` blocks of 2^shift texels each, into out[0..count-1].
void MatchBlockColours(const BlockSum* sums, size_t count, int shift, uint8_t* out);

// ---- The texture file ----

struct TexFileWriter {
    FILE* tex_file;           // the texture file, open between CreateTexFile and FinishTexFile
    FILE* directory_file;     // "~temp.hdr", the directory while entries are written
    Wad2Header header;        // num_entries counts the entries added so far
    uint64_t write_position;  // current end of the texture file's data
    uint64_t queued_bytes;    // entries added to the directory whose bytes are still to come
};

extern TexFileWriter tex_writer;

constexpr const char* kTempDirectoryName = "~temp.hdr";

void ResetTexFileWriter();
void CreateTexFile();
void AddDirEntry(const std::string& name, uint32_t length);
// Writes `length` bytes of entry data at the end of the texture file.
void WriteTexData(const uint8_t* data, size_t length);
// Writes one texture entry, with its MIP levels, from the canvas.
void WriteMipTexture(std::string name, int width, int height);
// A patch picture to be drawn at (x, y) of a texture.
struct PatchPlacement {
    int x;  // origin of the picture's top left corner
    int y;
    std::vector<uint8_t> picture;  // the patch lump as read
};
// Writes one texture entry composed from its patches, drawn in order onto a
// blank width x height canvas as DrawPatch draws them.
void WriteComposedTexture(std::string name, int width, int height,
                          std::vector<PatchPlacement> patches);
// Writes every entry handed to WriteMipTexture, in order, once made (their
// directory entries are written already); FinishTexFile does so first.
void WritePendingMipTextures();
// Drops the entries still in the making (the run has ended).
void DiscardPendingMipTextures();
// Replaces the Doom name of an animation frame by its name in the texture file.
void MapAnimationName(std::string& name);
void FinishTexFile();
// Copies n bytes from the current position of `from` to that of `to`.
void CopyFileBytes(FILE* from, FILE* to, uint64_t n);
// The length of a texture entry of width x height (multiples of 16).
uint32_t MipTextureLength(uint32_t width, uint32_t height);

// ---- Flats and wall textures ----

struct Canvas {
    std::vector<uint8_t> texels;  // width x height palette indices, row after row from the top
    int width;                    // texels per row
    int height;                   // rows
};

extern Canvas canvas;

void ConvertFlats();
void ConvertWalls(const char* lump_name);
// The patch lump named `patch_name` (its first 8 characters), read; ends the
// run when the WAD has no such lump.
std::vector<uint8_t> ReadPatch(const std::string& patch_name);
// Draws a patch picture as Doom draws it into a texture of width x height
// colours (4 bytes each, row after row from the top): posts that fall outside
// the texture are clipped on every side, and each texel drawn gets the
// colour colours[index].
void DrawPatchClipped(uint8_t* pixels, int origin_x, int origin_y,
                      const std::vector<uint8_t>& picture, int width, int height,
                      const uint8_t (*colours)[4]);
// Draws a patch picture, as read by ReadPatch, into `texels` (width x height)
// with its top left corner at (origin_x, origin_y); only texels whose index
// falls outside the canvas are dropped, so columns left or right of it wrap
// into the neighbouring rows.
void DrawPatch(uint8_t* texels, int origin_x, int origin_y, const std::vector<uint8_t>& picture,
               int width, int height);
// After every flat and texture: on ESC, finishes the texture file and ends the
// run with status 0.
void CheckKeyboard();

// ---- Doom 3 images and materials ----

// A Doom 3 material and the image it shows, chosen for one texture or flat.
struct Doom3Image {
    std::string material;  // "textures/NAME", NAME the Doom name as the converted maps write it
    std::string path;      // "textures/<set>/FILE.tga", FILE of letters, digits and '_' only
};

struct Doom3Assets {
    std::string set;            // the texture file's base name in lower case ("doom2")
    std::string image_folder;   // "textures/<set>"
    std::string material_file;  // "materials/<set>.mtr"
    std::string material_text;  // the materials declared so far, in texture file order
    int images;                 // images written (counted as their materials are added)
    int materials;              // materials declared
    std::unordered_map<std::string, int> material_names;  // upper-cased name -> times taken
    std::unordered_map<std::string, int> file_names;      // image file name -> times taken
};

extern Doom3Assets doom3_assets;

void ResetDoom3Assets();
// Creates the folders of the images and of the material file; a folder that
// cannot be created ends the run with status 4.
void StartDoom3Assets();
// The material and the image file for a texture or flat of the texture file,
// by its Doom name. The first texture of a name takes "textures/NAME"; a later
// one of the same name, and an image whose file name is taken already, gets a
// number after its name. Gives false, with a warning, for a texture without
// a name.
bool ChooseDoom3Image(const std::string& doom_name, Doom3Image& image);
// The material as written in the material file; a see-through one cuts out
// its transparent texels and shows both faces.
std::string Doom3MaterialText(const Doom3Image& image, bool see_through);
// The bytes of a 32-bit uncompressed TGA file of width x height colours
// (4 bytes each, blue, green, red, alpha, row after row from the top).
void EncodeTga(const uint8_t* pixels, int width, int height, std::vector<uint8_t>& out);
// Composes a wall texture from its patches and writes its image; gives
// whether any texel is left transparent. A file that cannot be written ends
// the run with status 4.
bool WriteComposedDoom3Image(const std::string& path, int width, int height,
                             const std::vector<PatchPlacement>& patches);
// Writes the image of a flat (width x height palette indices); flats have no
// transparent texels.
void WriteFlatDoom3Image(const std::string& path, int width, int height,
                         const std::vector<uint8_t>& texels);
// Adds the material of an image that is written.
void AddDoom3Material(const Doom3Image& image, bool see_through);
// Writes the material file and says how many images and materials were written.
void FinishDoom3Assets();

// ---- The keyboard ----

// When standard input is a terminal: remembers its settings and switches it to
// single keys without echo and without waiting.
void StartKeyboard();
// Puts the terminal's settings back (safe to call more than once).
void StopKeyboard();
// The key waiting on a terminal, or -1 when none is waiting or standard input
// is not a terminal. Never blocks.
int PollKey();
