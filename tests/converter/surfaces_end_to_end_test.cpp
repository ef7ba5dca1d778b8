// The static level written by the built converter: a hand-checked room, the
// reference outputs, and every Freedoom level.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "tests/support/test_support.h"

namespace {

// The worldspawn entity of a map file: up to and including the first "}" line.
std::string Worldspawn(const std::string& map_text) {
    const size_t end = map_text.find("\r\n}\r\n");
    return end == std::string::npos ? map_text : map_text.substr(0, end + 5);
}

std::string FormatLevel(const char* format, int a, int b) {
    char name[16];
    std::snprintf(name, sizeof name, format, a, b);
    return name;
}

std::string JoinLines(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) text += line + "\r\n";
    return text;
}

// The room 0..192 x 0..128, shifted by (64, 64) when the level is normalised,
// so that it spans x -64..128 and y -64..64. Derived line by line from the
// rules for floors, ceilings and walls.
const std::vector<std::string> kRoomWorldspawn = {
    "{",
    " \"classname\"\t\"worldspawn\"",
    " \"no_stamina\"\t\"1\"",
    " \"message\"\t\"brakt Version 1.3\"",
    // Floor: its side planes pushed 2 units outward; the north and west lines
    // run along their texture axis against the flip (factor -1).
    " {",
    "  ( 1 1 -4 ) ( -1 0 -4 ) ( 1 -1 -4 ) FLOOR4_8 0 0 0 1.000000 1.000000",
    "  ( -1 1 0 ) ( 1 0 0 ) ( -1 -1 0 ) FLOOR4_8 0 0 0 1.000000 1.000000",
    "  ( -66 64 10 ) ( -66 -64 10 ) ( -66 64 0 ) FLOOR4_8 0 0 0 -1.000000 1.000000",
    "  ( 128 66 10 ) ( -64 66 10 ) ( 128 66 0 ) FLOOR4_8 0 0 0 1.000000 1.000000",
    "  ( 130 -64 10 ) ( 130 64 10 ) ( 130 -64 0 ) FLOOR4_8 0 0 0 1.000000 1.000000",
    "  ( -64 -66 10 ) ( 128 -66 10 ) ( -64 -66 0 ) FLOOR4_8 0 0 0 -1.000000 1.000000",
    " }",
    " {",
    "  ( -1 1 132 ) ( 1 0 132 ) ( -1 -1 132 ) CEIL3_5 0 0 0 1.000000 1.000000",
    "  ( 1 1 128 ) ( -1 0 128 ) ( 1 -1 128 ) CEIL3_5 0 0 0 1.000000 1.000000",
    "  ( -66 64 10 ) ( -66 -64 10 ) ( -66 64 0 ) CEIL3_5 0 0 0 -1.000000 1.000000",
    "  ( 128 66 10 ) ( -64 66 10 ) ( 128 66 0 ) CEIL3_5 0 0 0 1.000000 1.000000",
    "  ( 130 -64 10 ) ( 130 64 10 ) ( 130 -64 0 ) CEIL3_5 0 0 0 1.000000 1.000000",
    "  ( -64 -66 10 ) ( 128 -66 10 ) ( -64 -66 0 ) CEIL3_5 0 0 0 -1.000000 1.000000",
    " }",
    // West wall, running north: 1 unit thick, both ends lengthened by 1.
    " {",
    "  ( -64 -64 10 ) ( -64 64 10 ) ( -64 -64 0 ) STARTAN3 64 128 0 1.000000 1.000000",
    "  ( -65 64 10 ) ( -65 -64 10 ) ( -65 64 0 ) common/nodraw 0 0 0 1.000000 1.000000",
    "  ( -65 -65 10 ) ( -64 -65 10 ) ( -65 -65 0 ) common/nodraw 0 0 0 1.000000 1.000000",
    "  ( -64 65 10 ) ( -65 65 10 ) ( -64 65 0 ) common/nodraw 0 0 0 1.000000 1.000000",
    "  ( -1 1 -4 ) ( 0 0 -4 ) ( 1 1 -4 ) common/nodraw 0 0 0 1.000000 1.000000",
    "  ( -1 1 132 ) ( 1 1 132 ) ( 0 0 132 ) common/nodraw 0 0 0 1.000000 1.000000",
    " }",
    // North wall, running east: its end lengthened by 2, its start by 1.
    " {",
    "  ( -64 64 10 ) ( 128 64 10 ) ( -64 64 0 ) STARTAN3 64 128 0 1.000000 1.000000",
    "  ( 128 65 10 ) ( -64 65 10 ) ( 128 65 0 ) common/nodraw 0 0 0 1.000000 1.000000",
    "  ( -65 65 10 ) ( -65 64 10 ) ( -65 65 0 ) common/nodraw 0 0 0 1.000000 1.000000",
    "  ( 130 64 10 ) ( 130 65 10 ) ( 130 64 0 ) common/nodraw 0 0 0 1.000000 1.000000",
    "  ( -1 1 -4 ) ( 0 0 -4 ) ( 1 1 -4 ) common/nodraw 0 0 0 1.000000 1.000000",
    "  ( -1 1 132 ) ( 1 1 132 ) ( 0 0 132 ) common/nodraw 0 0 0 1.000000 1.000000",
    " }",
    // East wall, running south: the only 2 units thick.
    " {",
    "  ( 128 64 10 ) ( 128 -64 10 ) ( 128 64 0 ) STARTAN3 -64 128 0 -1.000000 1.000000",
    "  ( 130 -64 10 ) ( 130 64 10 ) ( 130 -64 0 ) common/nodraw 0 0 0 1.000000 1.000000",
    "  ( 130 65 10 ) ( 128 65 10 ) ( 130 65 0 ) common/nodraw 0 0 0 1.000000 1.000000",
    "  ( 128 -65 10 ) ( 130 -65 10 ) ( 128 -65 0 ) common/nodraw 0 0 0 1.000000 1.000000",
    "  ( -1 1 -4 ) ( 0 0 -4 ) ( 1 1 -4 ) common/nodraw 0 0 0 1.000000 1.000000",
    "  ( -1 1 132 ) ( 1 1 132 ) ( 0 0 132 ) common/nodraw 0 0 0 1.000000 1.000000",
    " }",
    // South wall, running west.
    " {",
    "  ( 128 -64 10 ) ( -64 -64 10 ) ( 128 -64 0 ) STARTAN3 -128 128 0 -1.000000 1.000000",
    "  ( -64 -65 10 ) ( 128 -65 10 ) ( -64 -65 0 ) common/nodraw 0 0 0 1.000000 1.000000",
    "  ( 129 -65 10 ) ( 129 -64 10 ) ( 129 -65 0 ) common/nodraw 0 0 0 1.000000 1.000000",
    "  ( -65 -64 10 ) ( -65 -65 10 ) ( -65 -64 0 ) common/nodraw 0 0 0 1.000000 1.000000",
    "  ( -1 1 -4 ) ( 0 0 -4 ) ( 1 1 -4 ) common/nodraw 0 0 0 1.000000 1.000000",
    "  ( -1 1 132 ) ( 1 1 132 ) ( 0 0 132 ) common/nodraw 0 0 0 1.000000 1.000000",
    " }",
    "}",
};

TEST(SurfacesEndToEnd, HandCheckedRoom) {
    TempDir dir;
    LevelBuilder builder;
    const int room = builder.AddSector({});
    builder.AddRoom({{0, 0}, {0, 128}, {192, 128}, {192, 0}}, room);
    WadBuilder wad;
    builder.AddTo(wad, "MAP01");
    WriteFileBytes("ROOM.WAD", wad.Build());
    WriteFileBytes("CUSTOM.TEX", EmptyTexFile());

    const RunResult result =
        RunProgram(BRAKT_PATH, {"room.wad", "map01", "-custom", "-nomove", "-noent"});
    ASSERT_EQ(result.status, 0) << result.output;
    EXPECT_NE(result.output.find(" * 1 Convex Sectors\n * 0 Concave Sectors\n * 1 Resultants\n"),
              std::string::npos);
    EXPECT_NE(result.output.find("Built 4 wall brushes:\n * 8 were scaled\n * 0 were split\n"),
              std::string::npos);
    EXPECT_EQ(Worldspawn(ReadFileText("MAP01.MAP")), JoinLines(kRoomWorldspawn));
}

TEST(SurfacesEndToEnd, SmallReferenceLevelWithoutMovers) {
    const std::string wad = GoldenPath("small.wad");
    const std::string tex = GoldenPath("small-default.TEX");
    const std::string expected = GoldenPath("doom3/small-MAP01-nomove-noent.MAP");
    if (wad.empty() || tex.empty() || expected.empty()) GTEST_SKIP() << "reference files absent";
    TempDir dir;
    WriteFileBytes("small.wad", ReadFileBytes(wad));
    WriteFileBytes("CUSTOM.TEX", ReadFileBytes(tex));
    const RunResult result =
        RunProgram(BRAKT_PATH, {"small.wad", "map01", "-custom", "-nomove", "-noent"});
    ASSERT_EQ(result.status, 0) << result.output;
    const MendedFloors mended =
        SetMendedFloorsAside(ReadFileText("MAP01.MAP"), ReadFileText(expected));
    EXPECT_EQ(mended.ours_only, 44);
    EXPECT_EQ(mended.golden_only, 38);
    EXPECT_EQ(mended.ours, mended.golden);
}

TEST(SurfacesEndToEnd, BoundAndScaleWorldspawn) {
    const std::string wad = FreedoomPath("freedoom2.wad");
    const std::string expected = GoldenPath("doom3/freedoom2-MAP07-bound-scale1.5.MAP");
    if (wad.empty() || expected.empty()) GTEST_SKIP() << "freedoom2.wad or reference absent";
    TempDir dir;
    WriteFileBytes("DOOM2.TEX", EmptyTexFile());
    const std::string objects = GoldenPath("BRKT_OBJ.TXT");
    if (!objects.empty()) WriteFileBytes("BRKT_OBJ.TXT", ReadFileBytes(objects));
    const RunResult result = RunProgram(BRAKT_PATH, {wad, "MAP07", "-bound", "-scale", "1.5"});
    ASSERT_EQ(result.status, 0) << result.output;
    const MendedFloors mended = SetMendedFloorsAside(Worldspawn(ReadFileText("MAP07.MAP")),
                                                     Worldspawn(ReadFileText(expected)));
    EXPECT_EQ(mended.ours_only, 20);
    EXPECT_EQ(mended.golden_only, 20);
    EXPECT_TRUE(mended.ours == mended.golden);
}

TEST(SurfacesEndToEnd, EveryFreedoomLevelConverts) {
    bool any = false;
    for (const char* name : {"freedoom1.wad", "freedoom2.wad"}) {
        const std::string wad = FreedoomPath(name);
        if (wad.empty()) continue;
        any = true;
        TempDir dir;
        WriteFileBytes("CUSTOM.TEX", EmptyTexFile());
        std::vector<std::string> levels;
        if (std::string(name) == "freedoom1.wad") {
            for (int e = 1; e <= 4; e++)
                for (int m = 1; m <= 9; m++) levels.push_back(FormatLevel("E%dM%d", e, m));
        } else {
            for (int m = 1; m <= 32; m++) levels.push_back(FormatLevel("MAP%02d", m, 0));
        }
        for (const std::string& level : levels) {
            const RunResult result =
                RunProgram(BRAKT_PATH, {wad, level, "-nomove", "-noent", "-custom"});
            EXPECT_EQ(result.status, 0) << name << " " << level << "\n" << result.output;
            EXPECT_EQ(result.output.find("ERROR"), std::string::npos) << name << " " << level;
            EXPECT_NE(result.output.find("TOTAL: "), std::string::npos) << name << " " << level;
        }
    }
    if (!any) GTEST_SKIP() << "no Freedoom IWAD installed";
}

}  // namespace
