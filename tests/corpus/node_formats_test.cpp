// Levels beyond the plain node format. Every Freedoom level rebuilt by zdbsp
// with plain, extended and compressed nodes converts to the same bytes; a
// generated level of more than 40,000 vertices and sidedefs converts, and a
// thing in its last room is found in that room. Skipped without Freedoom,
// zdbsp or python3.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "converter/driver/driver.h"
#include "converter/entities/entities.h"
#include "converter/level/level.h"
#include "tests/support/map_checks.h"
#include "tests/support/test_support.h"

namespace {

// The program's path found on PATH, or "".
std::string FindProgram(const std::string& name) {
    const char* path = getenv("PATH");
    std::string dirs = path ? path : "/usr/bin:/bin";
    for (size_t start = 0; start <= dirs.size();) {
        size_t end = dirs.find(':', start);
        if (end == std::string::npos) end = dirs.size();
        std::string candidate = dirs.substr(start, end - start) + "/" + name;
        if (access(candidate.c_str(), X_OK) == 0) return candidate;
        start = end + 1;
    }
    return "";
}

void RunOk(const std::string& program, const std::vector<std::string>& args) {
    RunResult run = RunProgram(program, args);
    ASSERT_EQ(run.status, 0) << program << "\n" << run.output;
}

// Rebuilds the nodes of `wad_file` three ways and converts each of `levels`
// from every build, expecting the same map.
void ConvertFromEveryNodeFormat(const std::string& wad_file,
                                const std::vector<std::string>& levels) {
    std::string wad = FreedoomPath(wad_file);
    if (wad.empty()) GTEST_SKIP() << wad_file << " is not installed";
    std::string zdbsp = FindProgram("zdbsp");
    if (zdbsp.empty()) GTEST_SKIP() << "zdbsp is not installed";
    TempDir dir;
    WriteFileBytes("BRKT_OBJ.TXT", ReadFileBytes(std::string(DATA_DIR) + "/BRKT_OBJ.TXT"));
    ASSERT_NO_FATAL_FAILURE(RunOk(PAVLUNT_PATH, {wad}));
    ASSERT_NO_FATAL_FAILURE(RunOk(zdbsp, {"-o", "PLAIN.WAD", wad}));
    ASSERT_NO_FATAL_FAILURE(RunOk(zdbsp, {"-X", "-o", "EXT.WAD", wad}));
    ASSERT_NO_FATAL_FAILURE(RunOk(zdbsp, {"-z", "-o", "ZIP.WAD", wad}));
    for (const std::string& name : levels) {
        SCOPED_TRACE(name);
        std::string maps[3];
        const char* builds[3] = {"PLAIN.WAD", "EXT.WAD", "ZIP.WAD"};
        for (int i = 0; i < 3; i++) {
            ASSERT_NO_FATAL_FAILURE(RunOk(BRAKT_PATH, {builds[i], name, "-custom"}));
            maps[i] = ReadFileText(name + ".MAP");
        }
        EXPECT_TRUE(maps[1] == maps[0]) << "extended nodes give another map";
        EXPECT_TRUE(maps[2] == maps[0]) << "compressed nodes give another map";
    }
}

std::vector<std::string> LevelNames(bool episodes) {
    std::vector<std::string> names;
    for (int i = 0; i < (episodes ? 36 : 32); i++) {
        names.push_back(episodes ? "E" + std::to_string(i / 9 + 1) + "M" + std::to_string(i % 9 + 1)
                                 : (i < 9 ? "MAP0" : "MAP") + std::to_string(i + 1));
    }
    return names;
}

// Loads the level and finds the sector of its last thing.
int32_t SectorOfLastThing(const std::string& wad) {
    ResetConverterState();
    testing::internal::CaptureStdout();
    OpenWad(wad);
    LoadLevel("MAP01");
    testing::internal::GetCapturedStdout();
    const Thing& thing = level.things.back();
    int32_t sector = FindSector(thing.x, thing.y);
    CloseWad();
    return sector;
}

}  // namespace

TEST(NodeFormats, Freedoom1FromEveryNodeFormat) {
    ConvertFromEveryNodeFormat("freedoom1.wad", LevelNames(true));
}

TEST(NodeFormats, Freedoom2FromEveryNodeFormat) {
    ConvertFromEveryNodeFormat("freedoom2.wad", LevelNames(false));
}

TEST(NodeFormats, LevelBeyondTheSigned16BitIndices) {
    std::string python = FindProgram("python3");
    if (python.empty()) GTEST_SKIP() << "python3 is not installed";
    TempDir dir;
    // 58 x 58 rooms: 40,368 vertices and lines, 53,824 sidedefs and segs.
    ASSERT_NO_FATAL_FAILURE(
        RunOk(python, {std::string(DATA_DIR) + "/../bench/gen_level.py", "BIG.WAD", "58"}));
    WriteFileBytes("CUSTOM.TEX", EmptyTexFile());
    RunResult run = RunProgram(BRAKT_PATH, {"BIG.WAD", "MAP01", "-custom"});
    ASSERT_EQ(run.status, 0) << run.output;
    MapCheckResult map = CheckMapText(ReadFileText("MAP01.MAP"));
    EXPECT_TRUE(map.problems.empty()) << map.Report();
    EXPECT_TRUE(map.open_brushes.empty()) << map.Report();

    // The last thing is the lamp of the last room, on that room's floor
    // sector (each room has a floor and a platform sector).
    const int32_t last_floor = 2 * (58 * 58 - 1);
    EXPECT_EQ(SectorOfLastThing("BIG.WAD"), last_floor);
    std::string zdbsp = FindProgram("zdbsp");
    if (zdbsp.empty()) return;
    ASSERT_NO_FATAL_FAILURE(RunOk(zdbsp, {"-X", "-o", "BIGX.WAD", "BIG.WAD"}));
    EXPECT_EQ(SectorOfLastThing("BIGX.WAD"), last_floor);
    ASSERT_EQ(RunProgram(BRAKT_PATH, {"BIGX.WAD", "MAP01", "-custom"}).status, 0);
}
