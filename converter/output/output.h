// The run's options and the map output: the map file writer and the brush
// writer that every phase writes its brushes and entities through.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

// ---- Options ----

constexpr uint32_t kOptNoFloor = 0x001;    // -nofloor: no floor brushes
constexpr uint32_t kOptNoCeil = 0x002;     // -noceil: no ceiling brushes
constexpr uint32_t kOptNoWall = 0x004;     // -nowall: no wall brushes
constexpr uint32_t kOptNoMove = 0x008;     // -nomove: no movers, no switches
constexpr uint32_t kOptNoEnt = 0x020;      // -noent: no objects for things
constexpr uint32_t kOptBound = 0x080;      // -bound: bounding brushes
constexpr uint32_t kOptBrushDef3 = 0x100;  // -brushdef3: Doom 3's own map form, brushDef3 blocks

struct ConvertOptions {
    std::string wad_file_name;      // upper-cased, ".WAD" appended when it has no '.'
    std::string wad_file_path;      // the same name as typed, tried first when opening
    std::string level_name;         // upper-cased level marker name
    uint32_t option_flags;          // kOpt* bits
    float map_scale;                // -scale, applied when coordinates are written
    std::string texture_file_name;  // the .TEX file, "DOOM2.TEX" by default
};

extern ConvertOptions convert_options;

void ResetConvertOptions();
inline bool OptionSet(uint32_t bit) {
    return (convert_options.option_flags & bit) != 0;
}

// ---- Map file writer ----

struct MapWriter {
    FILE* map_file;             // the .MAP output
    FILE* entity_file;          // FENWOLD.TMP, entity blocks diverted while the worldspawn is open
    bool entity_output;         // true: MapPrintf writes to entity_file
    int32_t brush_count;        // brushes written
    int32_t plane_count;        // plane lines written
    std::string map_file_name;  // name of map_file, for messages
    bool worldspawn_begun;      // the worldspawn is open: a later "{" opens an entity
    bool entity_held;           // an entity block is held back in entity_text until its "}"
    FILE* entity_target;        // the output the held block belongs to
    std::string entity_text;    // the held block, line ends included
    int32_t entity_brushes;     // brushes written into the held block
    int32_t entity_left_out;    // brushes of the held block left out
    bool check_brushes;         // leave out the brushes that enclose no space (the default)
};

extern MapWriter map_writer;
extern const char* const kEntityFileName;  // "FENWOLD.TMP"

void ResetMapWriter();
// Writes one line of map text, followed by CR LF, to the current output.
void MapPrintf(const char* format, ...) __attribute__((format(printf, 1, 2)));
// Writes one line of map text that is already formatted, followed by CR LF.
void MapWriteLine(std::string_view text);
// The same for a line that carries its CR LF already.
void MapWriteEndedLine(std::string_view line);
void SetEntityOutput(bool flag);
// Counts a brush of the entity being written: an entity whose brushes are all
// left out is not written at all.
void NoteEntityBrush(bool written);
// Creates the map file and the temporary entity file.
void CreateMapFile(const std::string& map_file_name);
// Opens the worldspawn entity with its fixed keys.
void BeginWorldspawn();
void AppendEntityFile();
void CloseMapFile();

// ---- Brush writer ----

// A map coordinate times map_scale, truncated toward zero: brush points and
// entity origins are scaled alike.
int32_t ScaleCoordinate(int32_t value);

// What a brush stands for, for the warnings about brushes left out.
enum class BrushOwner {
    kBounds,         // the bounding shell of -bound
    kSectorPieces,   // a floor or ceiling piece of a sector
    kMover,          // the slab of a door, lift or crusher of a sector
    kDamageTrigger,  // the damage trigger over a sector
    kWall,           // the wall behind a one-sided line
    kFiller,         // a filler between the two sides of a line
    kSwitch,         // the trigger in front of a switch line
};

// Opens a brush block; its planes follow through WriteBrush. `index` is the
// sector or line it stands for.
void BeginBrush(BrushOwner owner, int32_t index);
// Adds one plane through three points given as (x, height, y) to the open
// brush; the coordinates are scaled by map_scale, the offsets are not.
void WriteBrush(int32_t x1, int32_t h1, int32_t y1, int32_t x2, int32_t h2, int32_t y2, int32_t x3,
                int32_t h3, int32_t y3, const std::string& material, int32_t x_offset,
                int32_t y_offset, float scale_factor);
// Where a plane's texture lies, in level units before -scale: Doom draws one
// texel per unit, so a point p shows column (p - origin) . s_axis and row
// (p - origin) . t_axis, each taken modulo the texture's size.
struct TextureFrame {
    double origin[3];  // x, y, height of texel (0, 0)
    double s_axis[3];  // unit direction in which columns grow
    double t_axis[3];  // unit direction in which rows grow (down the image)
    double width;      // texels across, the true size of the texture
    double height;     // texels down
};

// Attaches the texture frame to the plane WriteBrush added last. Only
// brushDef3 blocks use it; a plane without one gets a plain 32-unit matrix.
void SetPlaneFrame(const TextureFrame& frame);
// The frame of a flat: Doom's 64-unit grid, columns along x, rows along -y.
TextureFrame FlatFrame();
// The frame of a wall side: texel (0, 0) at (x, y) and height `top`, columns
// along the unit direction (dx, dy), rows downward.
TextureFrame WallFrame(double x, double y, double top, double dx, double dy, int32_t width,
                       int32_t height);

// Writes the open brush, unless Doom 3's compiler would throw it away (it
// encloses no space): such a brush is left out and counted for a warning.
// A counted brush that is written adds to brush_count and its planes to
// plane_count. True if written.
bool EndBrush(bool counted = true);
// Prints one warning for each sector or line that lost brushes since the last
// report.
void ReportLeftOutBrushes();
// Brushes left out in the whole run.
int32_t LeftOutBrushCount();
void ResetLeftOutReport();
