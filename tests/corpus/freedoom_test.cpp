// The Freedoom IWADs as a corpus: pavlunt on each, then brakt on every one of
// their levels with the texture file just made and the default object table,
// and the structure of every map checked. Skipped when Freedoom is absent.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <string>
#include <vector>

#include "formats/wad2.h"
#include "tests/support/map_checks.h"
#include "tests/support/test_support.h"

namespace {

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// Checks the texture file's header and that its directory closes the file.
void CheckTexFile(const std::string& path) {
    std::vector<uint8_t> bytes = ReadFileBytes(path);
    ASSERT_GE(bytes.size(), kWad2HeaderSize);
    Wad2Header header = DecodeWad2Header(bytes);
    EXPECT_EQ(std::string(header.identification, 4), "WAD2");
    EXPECT_GT(header.num_entries, 100u);
    EXPECT_EQ(uint64_t{header.directory_offset} + uint64_t{header.num_entries} * kWad2DirEntrySize,
              bytes.size());
}

// The TOTAL line's counts must be the planes and brushes the file holds; the
// six brushes of six planes that enclose the level under -bound are not counted.
void CheckTotals(const std::string& console, const MapCheckResult& map, bool bound) {
    size_t at = console.find("TOTAL: ");
    ASSERT_NE(at, std::string::npos) << console;
    int planes = -1, brushes = -1;
    ASSERT_EQ(sscanf(console.c_str() + at, "TOTAL: %i planes in %i brushes.", &planes, &brushes),
              2);
    EXPECT_EQ(planes, map.planes - (bound ? 36 : 0));
    EXPECT_EQ(brushes, map.brushes - (bound ? 6 : 0));
}

// Extracts the textures of `wad_file`, then converts each of `levels` with
// `options` added to "-custom", checking every run and every map.
void ConvertLevels(const std::string& wad_file, const std::vector<std::string>& levels,
                   const std::vector<std::string>& options = {}) {
    std::string wad = FreedoomPath(wad_file);
    if (wad.empty()) GTEST_SKIP() << wad_file << " is not installed";
    TempDir dir;
    WriteFileBytes("BRKT_OBJ.TXT", ReadFileBytes(std::string(DATA_DIR) + "/BRKT_OBJ.TXT"));

    RunResult extract = RunProgram(PAVLUNT_PATH, {wad});
    ASSERT_EQ(extract.status, 0) << extract.output;
    EXPECT_FALSE(FileExists("~temp.hdr"));
    ASSERT_NO_FATAL_FAILURE(CheckTexFile("CUSTOM.TEX"));

    const bool bound = std::find(options.begin(), options.end(), "-bound") != options.end();
    const bool scaled = std::find(options.begin(), options.end(), "-scale") != options.end();
    const bool with_objects = std::find(options.begin(), options.end(), "-noent") == options.end();
    for (const std::string& name : levels) {
        SCOPED_TRACE(wad_file + " " + name);
        std::vector<std::string> args = {wad, name, "-custom"};
        args.insert(args.end(), options.begin(), options.end());
        RunResult run = RunProgram(BRAKT_PATH, args);
        EXPECT_EQ(run.status, 0) << run.output;
        EXPECT_FALSE(Contains(run.output, "ERROR")) << run.output;
        // Every floor and ceiling piece is closed (a -scale below 1 may flatten
        // the thinnest).
        if (!scaled) {
            EXPECT_FALSE(Contains(run.output, "floor and ceiling pieces")) << run.output;
        }
        EXPECT_FALSE(FileExists("FENWOLD.TMP"));
        std::string map_name = name + ".MAP";
        ASSERT_TRUE(FileExists(map_name));

        // Every brush written encloses space (those that do not are left
        // out), and every material is one Doom 3 reads.
        MapCheckResult map = CheckMapText(ReadFileText(map_name));
        EXPECT_TRUE(map.ok()) << map.Report();
        ASSERT_FALSE(map.classnames.empty());
        EXPECT_EQ(map.classnames[0], "worldspawn");
        EXPECT_GT(map.brushes, 100);
        EXPECT_GT(map.entities, with_objects ? 10 : 1);  // the default table lists many things
        CheckTotals(run.output, map, bound);
        std::remove(map_name.c_str());

        // Doom 3's own form: the same entities and brushes.
        args.push_back("-brushdef3");
        run = RunProgram(BRAKT_PATH, args);
        EXPECT_EQ(run.status, 0) << run.output;
        std::string native_name = name;
        for (char& ch : native_name) ch = static_cast<char>(std::tolower(ch));
        native_name += ".map";
        int native_entities = 0, native_brushes = 0;
        for (const std::string& line : SplitCrLfLines(ReadFileText(native_name))) {
            native_entities += line == "{";
            native_brushes += line == " {";
        }
        EXPECT_EQ(native_entities, map.entities);
        EXPECT_EQ(native_brushes, map.brushes);
        std::remove(native_name.c_str());
    }
}

std::vector<std::string> Episodes(int first, int last) {
    std::vector<std::string> names;
    for (int e = first; e <= last; e++)
        for (int m = 1; m <= 9; m++)
            names.push_back("E" + std::to_string(e) + "M" + std::to_string(m));
    return names;
}

std::vector<std::string> Maps(int first, int last) {
    std::vector<std::string> names;
    for (int m = first; m <= last; m++) {
        char name[8];
        snprintf(name, sizeof name, "MAP%02d", m);
        names.push_back(name);
    }
    return names;
}

}  // namespace

// Two test cases per IWAD, so that a parallel test run shares the work.
TEST(FreedoomCorpus, Freedoom1Episodes1And2) {
    ConvertLevels("freedoom1.wad", Episodes(1, 2));
}

TEST(FreedoomCorpus, Freedoom1Episodes3And4) {
    ConvertLevels("freedoom1.wad", Episodes(3, 4));
}

TEST(FreedoomCorpus, Freedoom2Map01To16) {
    ConvertLevels("freedoom2.wad", Maps(1, 16));
}

TEST(FreedoomCorpus, Freedoom2Map17To32) {
    ConvertLevels("freedoom2.wad", Maps(17, 32));
}

// Bounding brushes, a scale below 1 (where the helper triangles of planes
// must not collapse) and no movers or objects, on every other level.
TEST(FreedoomCorpus, Freedoom2BoundAtHalfScaleWithoutMoversAndObjects) {
    std::vector<std::string> levels;
    for (int m = 1; m <= 32; m += 2) levels.push_back(Maps(m, m)[0]);
    ConvertLevels("freedoom2.wad", levels, {"-bound", "-scale", "0.5", "-nomove", "-noent"});
}
