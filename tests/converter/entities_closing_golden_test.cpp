// Whole maps against the reference maps, and the default object table.
#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "converter/entities/closing.h"
#include "converter/surfaces/surfaces.h"
#include "formats/fatal.h"
#include "tests/support/test_support.h"

namespace {

// Compares two map texts line by line, naming the first line that differs.
void ExpectSameMap(const std::string& ours, const std::string& golden) {
    size_t at = 0, line = 1;
    while (at < ours.size() && at < golden.size() && ours[at] == golden[at]) {
        if (ours[at] == '\n') line++;
        at++;
    }
    if (at == ours.size() && at == golden.size()) return;
    size_t start = ours.rfind('\n', at == 0 ? 0 : at - 1);
    start = start == std::string::npos ? 0 : start + 1;
    ADD_FAILURE() << "first difference on line " << line << ": ours \""
                  << ours.substr(start, ours.find('\r', start) - start) << "\", reference \""
                  << golden.substr(start, golden.find('\r', start) - start) << "\"";
}

std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    for (size_t at = 0; at < text.size();) {
        const size_t end = text.find("\r\n", at);
        lines.push_back(text.substr(at, end - at));
        at = end == std::string::npos ? text.size() : end + 2;
    }
    return lines;
}

// The reference map leaves the things of a table line with a blank behind the
// closing quote (43 "func_static" ) at floor height, although their class is
// func_static, which stands 5 units higher. Every other line must be equal.
void ExpectSameMapButRaisedStatics(const std::string& ours, const std::string& golden, int raised) {
    const std::vector<std::string> a = SplitLines(ours), b = SplitLines(golden);
    ASSERT_EQ(a.size(), b.size());
    int found = 0;
    for (size_t i = 0; i < a.size(); i++) {
        if (a[i] == b[i]) continue;
        int x, y, z;
        const bool is_origin =
            i + 2 < a.size() && a[i + 2] == " \"classname\"\t\"func_static\"" &&
            std::sscanf(b[i].c_str(), " \"origin\"\t\"%d %d %d\"", &x, &y, &z) == 3;
        ASSERT_TRUE(is_origin && a[i] == FormatText(" \"origin\"\t\"%d %d %d\"", x, y, z + 5))
            << "line " << i + 1 << ": ours \"" << a[i] << "\", reference \"" << b[i] << "\"";
        found++;
    }
    EXPECT_EQ(found, raised);
}

TEST(ClosingGolden, SmallMap01) {
    const std::string wad = GoldenPath("small.wad");
    const std::string golden = GoldenPath("doom3/small-MAP01.MAP");
    if (wad.empty() || golden.empty()) GTEST_SKIP() << "reference files absent";
    TempDir dir;
    WriteFileBytes("CUSTOM.TEX", ReadFileBytes(GoldenPath("small-default.TEX")));
    WriteFileBytes("BRKT_OBJ.TXT", ReadFileBytes(GoldenPath("BRKT_OBJ.TXT")));
    const RunResult run = RunProgram(BRAKT_PATH, {wad, "map01", "-custom"});
    ASSERT_EQ(run.status, 0) << run.output;
    EXPECT_NE(run.output.find("Building Switches...\n"), std::string::npos);
    EXPECT_NE(
        run.output.find("Converting Objects: 101 Objects.\nLighting Map...\nSet Map Music...\n"),
        std::string::npos);
    const MendedFloors mended =
        SetMendedFloorsAside(ReadFileText("MAP01.MAP"), ReadFileText(golden));
    EXPECT_EQ(mended.ours_only, 44);
    EXPECT_EQ(mended.golden_only, 38);
    ExpectSameMapButRaisedStatics(mended.ours, mended.golden, 13);
}

TEST(ClosingGolden, SmallMap01WithoutMoversAndObjects) {
    const std::string wad = GoldenPath("small.wad");
    const std::string golden = GoldenPath("doom3/small-MAP01-nomove-noent.MAP");
    if (wad.empty() || golden.empty()) GTEST_SKIP() << "reference files absent";
    TempDir dir;
    WriteFileBytes("CUSTOM.TEX", ReadFileBytes(GoldenPath("small-default.TEX")));
    WriteFileBytes("BRKT_OBJ.TXT", ReadFileBytes(GoldenPath("BRKT_OBJ.TXT")));
    const RunResult run = RunProgram(BRAKT_PATH, {wad, "map01", "-custom", "-nomove", "-noent"});
    ASSERT_EQ(run.status, 0) << run.output;
    EXPECT_EQ(run.output.find("Building Switches"), std::string::npos);
    EXPECT_EQ(run.output.find("Converting Objects"), std::string::npos);
    const MendedFloors mended =
        SetMendedFloorsAside(ReadFileText("MAP01.MAP"), ReadFileText(golden));
    EXPECT_EQ(mended.ours_only, 44);
    EXPECT_EQ(mended.golden_only, 38);
    ExpectSameMap(mended.ours, mended.golden);
}

TEST(ClosingGolden, Freedoom2Map07BoundAtScaleOneAndAHalf) {
    const std::string wad = FreedoomPath("freedoom2.wad");
    const std::string golden = GoldenPath("doom3/freedoom2-MAP07-bound-scale1.5.MAP");
    if (wad.empty() || golden.empty()) GTEST_SKIP() << "freedoom2.wad or reference absent";
    TempDir dir;
    WriteFileBytes("DOOM2.TEX", {'W', 'A', 'D', '2', 0, 0, 0, 0, 12, 0, 0, 0});
    WriteFileBytes("BRKT_OBJ.TXT", ReadFileBytes(GoldenPath("BRKT_OBJ.TXT")));
    const RunResult run = RunProgram(BRAKT_PATH, {wad, "MAP07", "-bound", "-scale", "1.5"});
    ASSERT_EQ(run.status, 0) << run.output;
    const MendedFloors mended =
        SetMendedFloorsAside(ReadFileText("MAP07.MAP"), ReadFileText(golden));
    EXPECT_EQ(mended.ours_only, 20);
    EXPECT_EQ(mended.golden_only, 20);
    ExpectSameMap(mended.ours, mended.golden);
}

// The default table: every line is a comment or an entry, and the standard
// things map to the classes the users expect.
TEST(DefaultObjectTable, MapsTheStandardThings) {
    FILE* file = fopen(DATA_DIR "/BRKT_OBJ.TXT", "rb");
    ASSERT_NE(file, nullptr);
    std::map<int, std::string> classes;
    std::string line;
    bool ended = false;
    while (!ended) {
        ReadTextLine(file, line);
        ObjectTableEntry entry;
        switch (ParseObjectTableLine(line, entry)) {
            case TableLine::kEnd:
                ended = true;
                break;
            case TableLine::kSkip:
                break;
            case TableLine::kInvalid:
                ADD_FAILURE() << "invalid line: " << line;
                break;
            case TableLine::kEntry:
                EXPECT_EQ(classes.count(entry.type), 0u) << "type listed twice: " << entry.type;
                EXPECT_EQ(entry.flags, 0);
                for (char c : entry.class_name) EXPECT_TRUE(c == '_' || islower(c)) << line;
                classes[entry.type] = entry.class_name;
                break;
        }
    }
    fclose(file);

    // The starts, the teleport destination and the keys, whose names other
    // entities depend on.
    const std::map<int, std::string> expected = {
        {1, "info_player_start"}, {11, "info_player_deathmatch"}, {14, "func_teleporter"},
        {5, "item_key_blue"},     {40, "item_key_blue"},          {6, "item_key_yellow"},
        {39, "item_key_yellow"},  {13, "item_key_red"},           {38, "item_key_red"},
    };
    for (const auto& [type, class_name] : expected) {
        EXPECT_EQ(classes[type], class_name) << "type " << type;
    }
    EXPECT_EQ(classes.count(71), 1u);
    EXPECT_EQ(classes.count(88), 1u);
    for (int type : {34, 35, 44, 45, 46, 55, 56, 57, 85, 86, 2028, 29, 41, 2035}) {
        EXPECT_EQ(classes[type], "func_static") << "type " << type;
        EXPECT_TRUE(type == 2035 || IsDecorationType(type));
    }
    for (int type : {2014, 2025, 2026, 2045}) EXPECT_EQ(classes.count(type), 0u) << type;
}

// The default table on a whole Freedoom level: read without a warning, and
// the level keeps its player start.
TEST(DefaultObjectTable, ConvertsAFreedoomLevel) {
    const std::string wad = FreedoomPath("freedoom1.wad");
    if (wad.empty()) GTEST_SKIP() << "freedoom1.wad is not installed";
    TempDir dir;
    WriteFileBytes("DOOM1.TEX", {'W', 'A', 'D', '2', 0, 0, 0, 0, 12, 0, 0, 0});
    WriteFileBytes("BRKT_OBJ.TXT", ReadFileBytes(DATA_DIR "/BRKT_OBJ.TXT"));
    const RunResult run = RunProgram(BRAKT_PATH, {wad, "E1M1", "-doom"});
    ASSERT_EQ(run.status, 0) << run.output;
    EXPECT_EQ(run.output.find("WARNING: BRKT_OBJ.TXT"), std::string::npos);
    const std::string map = ReadFileText("E1M1.MAP");
    EXPECT_NE(map.find(" \"classname\"\t\"info_player_start\"\r\n"), std::string::npos);
    EXPECT_NE(map.find(" \"nextMap\"\t\"E1M2\"\r\n"), std::string::npos);
    EXPECT_NE(map.find(" \"s_shader\"\t\"sound/musical/D_E1M1.ogg\"\r\n"), std::string::npos);
}

}  // namespace
