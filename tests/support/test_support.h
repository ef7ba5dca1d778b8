// Helpers shared by the tests: temporary working folders, small WADs built in
// memory, file access and running the built programs.
#pragma once

#include <cstdint>
#include <cstdio>
#include <initializer_list>
#include <string>
#include <tuple>
#include <vector>

// A fresh folder under /tmp, removed with its contents when the object ends.
// While it lives the process's current directory is that folder, so programs
// and functions that write into the current directory write there.
struct TempDir {
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    std::string path;
    std::string previous_dir;
};

// Builds a WAD file in memory: lumps in the order added, directory at the end.
struct WadBuilder {
    std::string identification = "PWAD";
    struct Lump {
        std::string name;
        std::vector<uint8_t> data;
    };
    std::vector<Lump> lumps;

    void Add(const std::string& name, const std::vector<uint8_t>& data = {});
    std::vector<uint8_t> Build() const;
    // The data of the first lump called `name`; throws when there is none.
    std::vector<uint8_t>& Data(const std::string& name);
};

// The WAD with its directory right after the header and the lumps behind it,
// so that cutting the file short cuts lumps, not the directory.
struct DirectoryFirstWad {
    std::vector<uint8_t> bytes;
    std::vector<std::string> names;  // in directory order
    std::vector<size_t> offsets;     // of each lump's data
    std::vector<size_t> sizes;       // of each lump's data
};
DirectoryFirstWad DirectoryFirst(const WadBuilder& wad);

// Appends little-endian values to a byte vector.
void PutS16(std::vector<uint8_t>& out, int value);
void PutS32(std::vector<uint8_t>& out, int32_t value);
void PutName(std::vector<uint8_t>& out, const std::string& name, size_t width = 8);
// Overwrites the little-endian value at `at` (which must lie inside `bytes`).
void SetS16(std::vector<uint8_t>& bytes, size_t at, int value);
void SetS32(std::vector<uint8_t>& bytes, size_t at, int64_t value);

std::vector<uint8_t> ReadFileBytes(const std::string& path);
std::string ReadFileText(const std::string& path);
void WriteFileBytes(const std::string& path, const std::vector<uint8_t>& bytes);
void WriteFileText(const std::string& path, const std::string& text);
bool FileExists(const std::string& path);
// Everything written so far to `file` (open for update, such as a tmpfile),
// read back from its start; the file is left positioned at its end.
std::string ReadOpenFileText(FILE* file);
// The lines, each ended with CR LF, as the map writer ends them.
std::string Lines(std::initializer_list<std::string> lines);
// The lines of CR LF text, without their line ends.
std::vector<std::string> SplitCrLfLines(const std::string& text);

struct RunResult {
    int status;          // exit status, or 128 + signal number
    std::string output;  // everything written to standard output and error
};

// Runs `program` with `args` in the current directory, standard input from
// /dev/null. `file_size_limit` > 0 sets RLIMIT_FSIZE (with SIGXFSZ ignored).
RunResult RunProgram(const std::string& program, const std::vector<std::string>& args,
                     long file_size_limit = 0);
// RunProgram for input that may be damaged: a run ended by a signal, or one
// whose output holds a sanitizer report, fails the test.
RunResult RunWithoutCrash(const std::string& program, const std::vector<std::string>& args,
                          long file_size_limit = 0);
// A failed run: the status, and the output ending with the message.
void ExpectFails(const RunResult& run, int status, const std::string& message);

// Absolute paths of the reference files; empty when the folder is absent.
std::string GoldenPath(const std::string& file);
// Two maps with the floor and ceiling brushes in which they differ set
// aside. The reference maps predate the cover check, which leaves out pieces
// over the void, straightens wall planes turned by rounded cuts and cuts
// faulty sectors exactly; every other line must stay equal, in order, for the
// caller to compare.
struct MendedFloors {
    std::string ours;     // our map without the floor and ceiling brushes only it has
    std::string golden;   // the reference without those only it has
    int ours_only = 0;    // brushes set aside from ours
    int golden_only = 0;  // brushes set aside from the reference
};
MendedFloors SetMendedFloorsAside(const std::string& ours, const std::string& golden);
// Path of a Freedoom IWAD ("freedoom1.wad", "freedoom2.wad"), empty if absent.
std::string FreedoomPath(const std::string& file);

// Builds the lumps of a small level. Segs are made from the lines (one per
// side, in line order); all segs form one subsector; NODES is empty unless
// nodes are added.
struct LevelBuilder {
    struct SideSpec {
        int x_offset = 0, y_offset = 0;
        std::string upper = "-", lower = "-", middle = "-";
        int sector = 0;
    };
    struct SectorSpec {
        int floor = 0, ceiling = 128;
        std::string floor_texture = "FLOOR4_8", ceiling_texture = "CEIL3_5";
        int light = 160, special = 0, tag = 0;
    };
    struct LineSpec {
        int v1, v2, flags = 0, special = 0, tag = 0, right = -1, left = -1;
    };
    struct ThingSpec {
        int x, y, angle, type, flags;
    };
    std::vector<std::pair<int, int>> vertexes;
    std::vector<SideSpec> sides;
    std::vector<SectorSpec> sectors;
    std::vector<LineSpec> lines;
    std::vector<ThingSpec> things;
    std::vector<std::vector<uint8_t>> raw_nodes;  // 28-byte records, if any

    int AddVertex(int x, int y);
    int AddSector(const SectorSpec& sector);
    int AddSide(const SideSpec& side);
    // A line from v1 to v2 with a new right side facing `front_sector` and,
    // when `back_sector` >= 0, a new left side facing it.
    int AddLine(int v1, int v2, int front_sector, int back_sector = -1, int special = 0,
                int tag = 0);
    // A closed polygon of one-sided lines around `sector`, points in clockwise
    // order (the sector on the lines' right).
    void AddRoom(const std::vector<std::pair<int, int>>& points, int sector,
                 const std::string& middle = "STARTAN3");

    // Adds the level's marker and its lumps to `wad`.
    void AddTo(WadBuilder& wad, const std::string& level_name) const;
};

// An empty WAD2 file: a header with no entries.
std::vector<uint8_t> EmptyTexFile();
// A texture file holding MIP headers of the given names, widths and heights
// (no pixel data), its header starting with `magic`.
std::vector<uint8_t> TexFileOfSizes(const std::vector<std::tuple<std::string, int, int>>& textures,
                                    const std::string& magic = "WAD2");
