// The converter's command line, run sequence, map file writer and brush writer.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

// ---- Options ----

constexpr uint32_t kOptNoFloor = 0x001;  // -nofloor: no floor brushes
constexpr uint32_t kOptNoCeil = 0x002;   // -noceil: no ceiling brushes
constexpr uint32_t kOptNoWall = 0x004;   // -nowall: no wall brushes
constexpr uint32_t kOptNoMove = 0x008;   // -nomove: no movers, no switches
constexpr uint32_t kOptNoEnt = 0x020;    // -noent: no objects for things
constexpr uint32_t kOptBound = 0x080;    // -bound: bounding brushes

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

// Fills convert_options from the arguments; prints the usage text and ends
// with status 1 when fewer than two arguments are given.
void ParseCommandLine(int argc, char** argv);
void PrintBanner();
// The whole conversion, from the banner to the closed map file. Gives 0.
int RunConverter(int argc, char** argv);
// Puts every global record of the converter back to its start state.
void ResetConverterState();
// The closing entity pass: objects, lights, speakers, exit, music, totals.
void RunEntityPass();

// ---- Map file writer ----

struct MapWriter {
    FILE* map_file;             // the .MAP output
    FILE* entity_file;          // FENWOLD.TMP, entity blocks diverted while the worldspawn is open
    bool entity_output;         // true: MapPrintf writes to entity_file
    int32_t brush_count;        // brushes written
    int32_t plane_count;        // plane lines written
    std::string map_file_name;  // name of map_file, for messages
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
void CreateMapFile(const std::string& map_file_name, const std::string& texture_file_name);
void AppendEntityFile();
void CloseMapFile();

// ---- Brush writer ----

// A map coordinate times map_scale, truncated toward zero: brush points and
// entity origins are scaled alike.
int32_t ScaleCoordinate(int32_t value);

// Writes one plane line through three points given as (x, height, y); the
// coordinates are scaled by map_scale, the offsets are not.
void WriteBrush(int32_t x1, int32_t h1, int32_t y1, int32_t x2, int32_t h2, int32_t y2, int32_t x3,
                int32_t h3, int32_t y3, const std::string& material, int32_t x_offset,
                int32_t y_offset, float scale_factor);
