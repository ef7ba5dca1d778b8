// The movers, damage triggers and sector lights of whole levels against the
// reference maps: the entity blocks that were diverted while the worldspawn
// was open, in their order.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/test_support.h"

namespace {

// The text of every diverted entity block of a map file: movers and damage
// triggers, and the lights that carry no name (the world lights do).
std::vector<std::string> DivertedBlocks(const std::string& text) {
    std::vector<std::string> blocks;
    size_t pos = 0;
    while ((pos = text.find("\r\n{\r\n", pos)) != std::string::npos) {
        const size_t start = pos + 2;
        const size_t end = text.find("\r\n}\r\n", start);
        if (end == std::string::npos) break;
        std::string block = text.substr(start, end + 5 - start);
        pos = end + 2;
        const bool diverted =
            block.find(" \"classname\"\t\"func_door\"\r\n") != std::string::npos ||
            block.find(" \"classname\"\t\"trigger_hurt\"\r\n") != std::string::npos ||
            (block.find(" \"classname\"\t\"light\"\r\n") != std::string::npos &&
             block.find(" \"name\"\t") == std::string::npos);
        if (diverted) blocks.push_back(block);
    }
    return blocks;
}

void ExpectSameBlocks(const std::string& ours, const std::string& golden) {
    const auto expected = DivertedBlocks(golden);
    const auto actual = DivertedBlocks(ours);
    EXPECT_EQ(actual.size(), expected.size());
    for (size_t i = 0; i < actual.size() && i < expected.size(); ++i) {
        ASSERT_EQ(actual[i], expected[i]) << "entity block " << i;
    }
}

}  // namespace

TEST(EffectsGolden, SmallMap01) {
    const std::string wad = GoldenPath("small.wad");
    const std::string golden = GoldenPath("small-MAP01.MAP");
    if (wad.empty() || golden.empty()) GTEST_SKIP() << "reference files absent";
    TempDir dir;
    WriteFileBytes("CUSTOM.TEX", ReadFileBytes(GoldenPath("small-default.TEX")));
    WriteFileBytes("BRKT_OBJ.TXT", ReadFileBytes(GoldenPath("BRKT_OBJ.TXT")));
    const RunResult run = RunProgram(BRAKT_PATH, {wad, "map01", "-custom"});
    ASSERT_EQ(run.status, 0) << run.output;
    const std::string expected = ReadFileText(golden);
    ASSERT_FALSE(DivertedBlocks(expected).empty());
    ExpectSameBlocks(ReadFileText("MAP01.MAP"), expected);
    EXPECT_FALSE(FileExists("FENWOLD.TMP"));
}

TEST(EffectsGolden, SmallMap01WithoutMovers) {
    const std::string wad = GoldenPath("small.wad");
    if (wad.empty() || GoldenPath("small-default.TEX").empty()) GTEST_SKIP();
    TempDir dir;
    WriteFileBytes("CUSTOM.TEX", ReadFileBytes(GoldenPath("small-default.TEX")));
    const RunResult run = RunProgram(BRAKT_PATH, {wad, "map01", "-custom", "-nomove", "-noent"});
    ASSERT_EQ(run.status, 0) << run.output;
    EXPECT_TRUE(DivertedBlocks(ReadFileText("MAP01.MAP")).empty());
}

TEST(EffectsGolden, Freedoom2Map07BoundAtScaleOneAndAHalf) {
    const std::string wad = FreedoomPath("freedoom2.wad");
    const std::string golden = GoldenPath("freedoom2-MAP07-bound-scale1.5.MAP");
    if (wad.empty() || golden.empty()) GTEST_SKIP() << "freedoom2.wad or reference absent";
    TempDir dir;
    // A texture file of a header alone: every texture is taken as 256 x 512.
    std::vector<uint8_t> header = {'W', 'A', 'D', '2'};
    PutS32(header, 0);
    PutS32(header, 12);
    WriteFileBytes("DOOM2.TEX", header);
    WriteFileBytes("BRKT_OBJ.TXT", ReadFileBytes(GoldenPath("BRKT_OBJ.TXT")));
    const RunResult run = RunProgram(BRAKT_PATH, {wad, "MAP07", "-bound", "-scale", "1.5"});
    ASSERT_EQ(run.status, 0) << run.output;
    const std::string expected = ReadFileText(golden);
    ASSERT_FALSE(DivertedBlocks(expected).empty());
    ExpectSameBlocks(ReadFileText("MAP07.MAP"), expected);
}
