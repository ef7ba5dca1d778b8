// Whole runs: the reference texture files of small.wad, the Freedoom IWADs,
// and the map converter reading what pavlunt wrote.

#include <gtest/gtest.h>

#include <filesystem>

#include "tests/extractor/test_wads.h"

namespace {

using namespace test_wads;

// Runs pavlunt on a copy of small.wad and compares CUSTOM.TEX with `golden`.
void ExpectGolden(const std::vector<std::string>& options, const std::string& golden) {
    std::string wad = GoldenPath("small.wad");
    std::string expected = GoldenPath(golden);
    if (wad.empty() || expected.empty()) GTEST_SKIP() << "reference files absent";
    TempDir dir;
    std::filesystem::copy_file(wad, "small.wad");
    std::vector<std::string> args = {"small.wad"};
    args.insert(args.end(), options.begin(), options.end());
    RunResult run = RunProgram(PAVLUNT_PATH, args);
    ASSERT_EQ(run.status, 0) << run.output;
    EXPECT_TRUE(ReadFileBytes("CUSTOM.TEX") == ReadFileBytes(expected)) << golden;
    EXPECT_FALSE(FileExists("~temp.hdr"));
}

TEST(GoldenTex, Default) {
    ExpectGolden({}, "small-default.TEX");
}
TEST(GoldenTex, PointSampled) {
    ExpectGolden({"-h"}, "small-h.TEX");
}
TEST(GoldenTex, TotalConversionDarkened) {
    ExpectGolden({"-t", "-d", "0.7"}, "small-t-d0.7.TEX");
}

TEST(GoldenTex, MapConverterReadsTheTextureFile) {
    std::string wad = GoldenPath("small.wad");
    std::string map = GoldenPath("doom3/small-MAP01-nomove-noent.MAP");
    if (wad.empty() || map.empty()) GTEST_SKIP() << "reference files absent";
    TempDir dir;
    std::filesystem::copy_file(wad, "small.wad");
    ASSERT_EQ(RunProgram(PAVLUNT_PATH, {"small.wad"}).status, 0);
    RunResult run = RunProgram(BRAKT_PATH, {"small.wad", "map01", "-custom", "-nomove", "-noent"});
    ASSERT_EQ(run.status, 0) << run.output;
    const MendedFloors mended = SetMendedFloorsAside(ReadFileText("MAP01.MAP"), ReadFileText(map));
    EXPECT_EQ(mended.ours_only, 44);
    EXPECT_EQ(mended.golden_only, 38);
    EXPECT_TRUE(mended.ours == mended.golden);
}

// Structure of the texture file of a whole IWAD: every entry where the
// directory says, each MIP texture of a size that is a multiple of 16 with
// its offsets and length following from it.
void ExpectWholeWad(const std::string& file) {
    std::string wad = FreedoomPath(file);
    if (wad.empty()) GTEST_SKIP() << file << " not installed";
    TempDir dir;
    RunResult run = RunProgram(PAVLUNT_PATH, {wad});
    ASSERT_EQ(run.status, 0) << run.output;
    EXPECT_FALSE(FileExists("~temp.hdr"));
    TexFile tex = ReadTex("CUSTOM.TEX");
    ASSERT_GT(tex.entries.size(), 500u);
    EXPECT_EQ(tex.entries[0].name, "PALETTE");
    EXPECT_EQ(tex.entries[0].dir.file_offset, 12u);
    EXPECT_EQ(tex.entries[0].dir.disk_size, 768u);
    uint32_t next = 12 + 768;
    for (size_t i = 1; i < tex.entries.size(); i++) {
        const TexEntry& entry = tex.entries[i];
        SCOPED_TRACE(entry.name);
        ASSERT_EQ(entry.dir.file_offset, next);
        ASSERT_EQ(entry.dir.type, kWad2TypeMipTex);
        ASSERT_EQ(entry.dir.size, entry.dir.disk_size);
        uint32_t w = entry.mip.width;
        uint32_t h = entry.mip.height;
        ASSERT_TRUE(w > 0 && h > 0 && w % 16 == 0 && h % 16 == 0);
        ASSERT_EQ(entry.dir.disk_size,
                  40 + w * h + (w / 2) * (h / 2) + (w / 4) * (h / 4) + (w / 8) * (h / 8));
        ASSERT_EQ(entry.mip.mip_offsets[0], 40u);
        ASSERT_EQ(entry.mip.mip_offsets[3], 40 + w * h + (w / 2) * (h / 2) + (w / 4) * (h / 4));
        ASSERT_EQ(Wad2NameText(entry.mip.name), entry.name);
        next += entry.dir.disk_size;
    }
    EXPECT_EQ(tex.header.directory_offset, next);
}

TEST(FreedoomTex, Freedoom1) {
    ExpectWholeWad("freedoom1.wad");
}
TEST(FreedoomTex, Freedoom2) {
    ExpectWholeWad("freedoom2.wad");
}

}  // namespace
