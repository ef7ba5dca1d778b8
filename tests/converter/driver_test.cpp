#include "converter/driver/driver.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>

#include "converter/output/brush.h"
#include "converter/surfaces/surfaces.h"
#include "formats/fatal.h"
#include "tests/support/test_support.h"

namespace {

void Parse(std::vector<std::string> args) {
    ResetConverterState();
    args.insert(args.begin(), "brakt");
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    testing::internal::CaptureStdout();
    try {
        ParseCommandLine(static_cast<int>(argv.size()), argv.data());
    } catch (...) {
        testing::internal::GetCapturedStdout();
        throw;
    }
    testing::internal::GetCapturedStdout();
}

// Collects what MapPrintf writes to the map file.
struct CapturedMap {
    CapturedMap() {
        map_writer.map_file = tmpfile();
        map_writer.map_file_name = "TEST.MAP";
    }
    std::string Text() {
        fflush(map_writer.map_file);
        rewind(map_writer.map_file);
        std::string text;
        int c;
        while ((c = fgetc(map_writer.map_file)) != EOF) text.push_back(static_cast<char>(c));
        return text;
    }
    ~CapturedMap() { fclose(map_writer.map_file); }
};

}  // namespace

TEST(CommandLine, NamesAreUpperCasedAndWadSuffixAdded) {
    Parse({"doom2", "map01"});
    EXPECT_EQ(convert_options.wad_file_name, "DOOM2.WAD");
    EXPECT_EQ(convert_options.wad_file_path, "doom2.WAD");
    EXPECT_EQ(convert_options.level_name, "MAP01");
    EXPECT_EQ(convert_options.texture_file_name, "DOOM2.TEX");
    EXPECT_EQ(convert_options.map_scale, 1.0f);
    Parse({"maps/e1.wad", "e1m1"});
    EXPECT_EQ(convert_options.wad_file_name, "MAPS/E1.WAD");
}

TEST(CommandLine, FlagsAndTextureFiles) {
    Parse({"a", "b", "-NOFLOOR", "-noceil", "-nowall", "-nomove", "-noent", "-bound", "-nolight",
           "-nosky", "-lock", "-direct", "-unknown"});
    EXPECT_EQ(convert_options.option_flags, 0x0AFu);
    Parse({"a", "b", "-doom", "-bound"});
    EXPECT_EQ(convert_options.texture_file_name, "DOOM1.TEX");
    Parse({"a", "b", "-doom", "-tnt"});
    EXPECT_EQ(convert_options.texture_file_name, "TNT.TEX");
    Parse({"a", "b", "-plutonia", "-custom"});
    EXPECT_EQ(convert_options.texture_file_name, "CUSTOM.TEX");
    Parse({"a", "b", "-wad", "mine.tex"});
    EXPECT_EQ(convert_options.texture_file_name, "mine.tex");
}

TEST(CommandLine, ValuesAreComparedWithTheWordsBelowTheirOption) {
    Parse({"a", "b", "-wad", "-tnt"});
    EXPECT_EQ(convert_options.texture_file_name, "TNT.TEX");
    Parse({"a", "b", "-light", "200", "-nowall"});
    EXPECT_EQ(convert_options.option_flags, kOptNoWall);
    // -light sits above -wad in the table, so its value "-wad" still acts.
    Parse({"a", "b", "-light", "-wad", "x.tex"});
    EXPECT_EQ(convert_options.texture_file_name, "x.tex");
}

TEST(CommandLine, ScaleAndValueOptionsStandingLast) {
    Parse({"a", "b", "-scale", "0.5"});
    EXPECT_EQ(convert_options.map_scale, 0.5f);
    Parse({"a", "b", "-scale", "x"});
    EXPECT_EQ(convert_options.map_scale, 1.0f);
    Parse({"a", "b", "-scale", "0"});
    EXPECT_EQ(convert_options.map_scale, 0.0f);
    Parse({"a", "b", "-tnt", "-wad"});
    EXPECT_EQ(convert_options.texture_file_name, "TNT.TEX");
    Parse({"a", "b", "-scale"});
    EXPECT_EQ(convert_options.map_scale, 1.0f);
}

TEST(CommandLine, TooFewArgumentsGiveTheUsageAndStatusOne) {
    try {
        Parse({"onlywad"});
        FAIL();
    } catch (const FatalError& error) {
        EXPECT_EQ(error.status, 1);
    }
}

TEST(MapOutput, LinesEndWithCrLfAndEntityOutputIsDiverted) {
    ResetConverterState();
    CapturedMap map;
    map_writer.entity_file = tmpfile();
    MapPrintf("{");
    SetEntityOutput(true);
    MapPrintf(" \"%s\"\t\"%s\"", "classname", "func_door");
    SetEntityOutput(false);
    std::string long_line(300, 'x');
    MapPrintf("%s", long_line.c_str());
    EXPECT_EQ(map.Text(), "{\r\n" + long_line + "\r\n");
    fflush(map_writer.entity_file);
    rewind(map_writer.entity_file);
    char buffer[64] = {};
    fread(buffer, 1, sizeof buffer - 1, map_writer.entity_file);
    EXPECT_STREQ(buffer, " \"classname\"\t\"func_door\"\r\n");
    fclose(map_writer.entity_file);
}

// The line that WriteBrush makes of one plane.
template <typename... Args>
std::string PlaneLine(Args... args) {
    BeginBrush(BrushOwner::kWall, 0);
    WriteBrush(args...);
    std::string text;
    PutPlaneLine(text, open_brush.planes[0]);
    return text;
}

TEST(BrushWriter, PlaneLinesAtScaleOneAndHalf) {
    ResetConverterState();
    {
        const std::string line =
            PlaneLine(1, -36, 1, -1, -36, 0, 1, -36, -1, "common/trighurt", 0, 0, 1.0f);
        EXPECT_EQ(line,
                  "  ( 1 1 -36 ) ( -1 0 -36 ) ( 1 -1 -36 ) common/trighurt 0 0 0 1.000000 "
                  "1.000000\r\n");
    }
    convert_options.map_scale = 0.5f;
    {
        const std::string line = PlaneLine(33, 0, -33, 64, 10, -33, 33, 0, 64, "M%s", 64, -7, 2.0f);
        EXPECT_EQ(line,
                  "  ( 16 -16 0 ) ( 32 -16 5 ) ( 16 32 0 ) \"M%s\" 64 -7 0 1.000000 0.500000\r\n");
    }
}

// Numbers of every length, both signs and the ends of the 32-bit range come
// out as printf's %i writes them.
TEST(BrushWriter, NumbersOfEveryLengthAsPrintfWritesThem) {
    ResetConverterState();
    const int32_t values[] = {0,     7,     -7,     9,       10,        -10,          99,    100,
                              -100,  999,   1000,   -1000,   9999,      -9999,        10000, -10000,
                              12345, 99999, 100000, -654321, INT32_MAX, INT32_MIN + 1};
    for (int32_t v : values) {
        const std::string line = PlaneLine(v, -v, 5, 5, v, -v, -v, 5, v, "M", v, -v, 1.0f);
        char expected[256];
        std::snprintf(expected, sizeof expected,
                      "  ( %i %i %i ) ( %i %i %i ) ( %i %i %i ) M %i %i 0 1.000000 1.000000\r\n", v,
                      5, -v, 5, -v, v, -v, v, 5, v, -v);
        EXPECT_EQ(line, expected) << v;
    }
    const std::string line = PlaneLine(INT32_MIN, 0, 0, 0, 0, 0, 0, 0, 0, "M", INT32_MIN, 0, 1.0f);
    EXPECT_EQ(line,
              "  ( -2147483648 0 0 ) ( 0 0 0 ) ( 0 0 0 ) M -2147483648 0 0 1.000000 1.000000\r\n");
}

TEST(BrushWriter, SmallHelperTrianglesKeepTheirOrientationBelowScaleOne) {
    ResetConverterState();
    convert_options.map_scale = 0.5f;
    {
        // A floor top plane: scaled and truncated, all three points would be (0 0 0).
        const std::string line = PlaneLine(-1, 0, 1, 1, 0, 0, -1, 0, -1, "FLOOR", 0, 0, 1.0f);
        EXPECT_EQ(line, "  ( 0 0 0 ) ( 2 -1 0 ) ( 0 -2 0 ) FLOOR 0 0 0 0.500000 0.500000\r\n");
    }
    convert_options.map_scale = 0.0f;
    {
        const std::string line = PlaneLine(-1, 0, 1, 1, 0, 0, -1, 0, -1, "FLOOR", 0, 0, 1.0f);
        EXPECT_EQ(line, "  ( 0 0 0 ) ( 0 0 0 ) ( 0 0 0 ) FLOOR 0 0 0 0.000000 0.000000\r\n");
    }
}
