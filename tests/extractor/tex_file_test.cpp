// Texture files written by pavlunt for small WADs: layout, MIP levels,
// tiling, names, and the walk over flats and textures.

#include <gtest/gtest.h>

#include <filesystem>

#include "tests/extractor/test_wads.h"

namespace {

using namespace test_wads;

RunResult Pavlunt(const WadBuilder& wad, std::vector<std::string> options = {}) {
    WriteFileBytes("test.wad", wad.Build());
    options.insert(options.begin(), "test.wad");
    return RunProgram(PAVLUNT_PATH, options);
}

TEST(TexFile, PaletteAndOneFlat) {
    TempDir dir;
    WadBuilder wad;
    wad.Add("PLAYPAL", Palette());
    wad.Add("F_START");
    wad.Add("FLOOR1", Flat(5));
    wad.Add("F_END");
    RunResult run = Pavlunt(wad);
    ASSERT_EQ(run.status, 0) << run.output;
    EXPECT_NE(run.output.find("The file CUSTOM.TEX has been generated"), std::string::npos);
    EXPECT_FALSE(FileExists("~temp.hdr"));

    TexFile tex = ReadTex("CUSTOM.TEX");
    EXPECT_EQ(tex.size, 6324u);
    EXPECT_EQ(tex.header.directory_offset, 6260u);
    ASSERT_EQ(tex.entries.size(), 2u);
    const TexEntry& palette = tex.entries[0];
    EXPECT_EQ(palette.name, "PALETTE");
    EXPECT_EQ(palette.dir.type, kWad2TypePalette);
    EXPECT_EQ(palette.dir.file_offset, 12u);
    EXPECT_EQ(palette.data, Palette());

    const TexEntry& flat = tex.entries[1];
    EXPECT_EQ(flat.name, "FLOOR1");
    EXPECT_EQ(Wad2NameText(flat.mip.name), "FLOOR1");
    EXPECT_EQ(flat.dir.type, kWad2TypeMipTex);
    EXPECT_EQ(flat.dir.file_offset, 780u);
    EXPECT_EQ(flat.dir.disk_size, 5480u);
    EXPECT_EQ(flat.dir.size, 5480u);
    EXPECT_EQ(flat.mip.width, 64u);
    EXPECT_EQ(flat.mip.height, 64u);
    EXPECT_EQ(flat.mip.mip_offsets[0], 40u);
    EXPECT_EQ(flat.mip.mip_offsets[1], 4136u);
    EXPECT_EQ(flat.mip.mip_offsets[2], 5160u);
    EXPECT_EQ(flat.mip.mip_offsets[3], 5416u);
    EXPECT_EQ(MipLevel(flat, 0), Flat(5));
}

TEST(TexFile, FlatWalkSkipsMarkersAndStopsAtFEnd) {
    TempDir dir;
    std::vector<uint8_t> short_flat(100, 9);
    WadBuilder wad;
    wad.Add("PLAYPAL", Palette());
    wad.Add("FF_START");  // not F_START: the first entry beginning with it counts
    wad.Add("F_START");
    wad.Add("F1_START");
    wad.Add("NUKAGE1", Flat(1));
    wad.Add("nukage1", Flat(2));
    wad.Add("F1_END");
    wad.Add("SHORT", short_flat);
    wad.Add("F_END");
    wad.Add("LATER", Flat(3));
    RunResult run = Pavlunt(wad);
    ASSERT_EQ(run.status, 0) << run.output;
    EXPECT_NE(run.output.find("NUKAGE1 nukage1 SHORT \n"), std::string::npos) << run.output;

    TexFile tex = ReadTex("CUSTOM.TEX");
    ASSERT_EQ(tex.entries.size(), 4u);
    EXPECT_EQ(tex.entries[1].name, "+0NUKAGE");
    EXPECT_EQ(Wad2NameText(tex.entries[1].mip.name), "+0NUKAGE");
    EXPECT_EQ(tex.entries[2].name, "nukage1");
    EXPECT_EQ(MipLevel(tex.entries[2], 0), Flat(2));
    // A short flat keeps its missing texels at 0.
    std::vector<uint8_t> level0 = MipLevel(tex.entries[3], 0);
    ASSERT_EQ(level0.size(), 4096u);
    EXPECT_EQ(level0[99], 9);
    EXPECT_EQ(level0[100], 0);
    EXPECT_EQ(level0[4095], 0);
}

TEST(TexFile, FlatWalkWithoutFEndEndsAtTheDirectoryEnd) {
    TempDir dir;
    WadBuilder wad;
    wad.Add("PLAYPAL", Palette());
    wad.Add("F_START");
    wad.Add("FLOOR1", Flat(1));
    RunResult run = Pavlunt(wad);
    ASSERT_EQ(run.status, 0) << run.output;
    EXPECT_EQ(ReadTex("CUSTOM.TEX").entries.size(), 2u);
}

// PNAMES and patches for the wall texture tests: P16 is 16 x 16, P72 is
// 72 x 128, P8 is 8 x 8.
WadBuilder WallWad(const std::vector<TextureDef>& textures) {
    WadBuilder wad = FlatsOnly();
    wad.Add("PNAMES", PatchNames({"P16", "p72", "P8"}));
    wad.Add("TEXTURE1", TextureLump(textures));
    wad.Add("P_START");
    wad.Add("P16", Picture(16, 16, 0));
    wad.Add("P72", Picture(72, 128, 3));
    wad.Add("P8", Picture(8, 8, 200));
    wad.Add("P_END");
    return wad;
}

TEST(TexFile, WallTexturesAreComposedTiledAndSized) {
    TempDir dir;
    RunResult run = Pavlunt(WallWad({
        {"SMALL", 16, 16, {{0, 0, 0}}},
        {"WIDE", 72, 128, {{0, 0, 1}, {4, 100, 2}}},
        {"EMPTY", 20, 8, {}},
    }));
    ASSERT_EQ(run.status, 0) << run.output;
    // No TEXTURE2: one list of names and no blank line for it.
    EXPECT_NE(run.output.find("SMALL WIDE EMPTY \n\n<------- Shutting Down"), std::string::npos)
        << run.output;

    TexFile tex = ReadTex("CUSTOM.TEX");
    ASSERT_EQ(tex.entries.size(), 6u);
    const TexEntry& small = tex.entries[3];
    EXPECT_EQ(small.name, "SMALL");
    EXPECT_EQ(small.dir.disk_size, 380u);
    EXPECT_EQ(MipLevel(small, 3).size(), 4u);
    EXPECT_EQ(MipLevel(small, 0)[1 * 16 + 2], 2 * 16 + 1);

    const TexEntry& wide = tex.entries[4];
    ASSERT_EQ(wide.mip.width, 80u);
    ASSERT_EQ(wide.mip.height, 128u);
    EXPECT_EQ(wide.dir.disk_size, 40u + 80 * 128 + 40 * 64 + 20 * 32 + 10 * 16);
    std::vector<uint8_t> level0 = MipLevel(wide, 0);
    std::vector<uint8_t> composed(72 * 128);
    for (int y = 0; y < 128; y++)
        for (int x = 0; x < 72; x++) composed[y * 72 + x] = static_cast<uint8_t>(3 + x * 16 + y);
    for (int y = 100; y < 108; y++)
        for (int x = 4; x < 12; x++)
            composed[y * 72 + x] = static_cast<uint8_t>(200 + (x - 4) * 16 + (y - 100));
    for (int y = 0; y < 128; y++)
        for (int x = 0; x < 80; x++)
            ASSERT_EQ(level0[y * 80 + x], composed[y * 72 + x % 72]) << x << "," << y;

    // Texels no patch covers are 0; 20 x 8 is tiled to 32 x 16.
    const TexEntry& empty = tex.entries[5];
    EXPECT_EQ(empty.mip.width, 32u);
    EXPECT_EQ(empty.mip.height, 16u);
    EXPECT_EQ(MipLevel(empty, 0), std::vector<uint8_t>(32 * 16, 0));
}

TEST(TexFile, PatchNamedTwiceIsTakenFromItsFirstEntry) {
    TempDir dir;
    WadBuilder wad = WallWad({{"TWICE", 16, 16, {{0, 0, 2}}}});
    wad.Add("P8", Picture(8, 8, 100));
    RunResult run = Pavlunt(wad);
    ASSERT_EQ(run.status, 0) << run.output;
    TexFile tex = ReadTex("CUSTOM.TEX");
    ASSERT_EQ(tex.entries.size(), 4u);
    EXPECT_EQ(MipLevel(tex.entries[3], 0)[0], 200);
}

TEST(TexFile, PointSamplingTakesTheTopLeftTexelOfEachBlock) {
    TempDir dir;
    WadBuilder wad = WallWad({{"WIDE", 72, 128, {{0, 0, 1}}}});
    RunResult run = Pavlunt(wad, {"-h"});
    ASSERT_EQ(run.status, 0) << run.output;
    TexFile tex = ReadTex("CUSTOM.TEX");
    ASSERT_EQ(tex.entries.size(), 4u);
    const TexEntry& wide = tex.entries.back();
    std::vector<uint8_t> level0 = MipLevel(wide, 0);
    for (int level = 1; level <= 3; level++) {
        std::vector<uint8_t> texels = MipLevel(wide, level);
        int step = 1 << level;
        int w = 80 / step;
        ASSERT_EQ(texels.size(), static_cast<size_t>(w * (128 / step)));
        for (int j = 0; j < 128 / step; j++)
            for (int i = 0; i < w; i++)
                ASSERT_EQ(texels[j * w + i], level0[(j * step) * 80 + i * step]);
    }
}

TEST(TexFile, AveragedLevelsMatchDarkenedColoursAndKeepTheKeyColour) {
    TempDir dir;
    // Index 7 is the key colour; a flat of index 40 with one key texel.
    std::vector<uint8_t> palette = Palette();
    palette[21] = 0;
    palette[22] = 255;
    palette[23] = 255;
    std::vector<uint8_t> flat(4096, 40);
    flat[0] = 7;
    WadBuilder wad;
    wad.Add("PLAYPAL", palette);
    wad.Add("F_START");
    wad.Add("FLAT", flat);
    wad.Add("F_END");
    RunResult run = Pavlunt(wad, {"-t", "-d", "1"});
    ASSERT_EQ(run.status, 0) << run.output;
    EXPECT_NE(run.output.find("DarkMode : Darkening Colors by 1.000000\n"), std::string::npos);
    EXPECT_NE(run.output.find("TC-Mode  : Total Conversion Mode, retain palette.\n"),
              std::string::npos);
    TexFile tex = ReadTex("CUSTOM.TEX");
    ASSERT_EQ(tex.entries.size(), 2u);
    const TexEntry& entry = tex.entries[1];
    EXPECT_EQ(MipLevel(entry, 0)[0], 7);
    for (int level = 1; level <= 3; level++) {
        std::vector<uint8_t> texels = MipLevel(entry, level);
        EXPECT_EQ(texels[0], 255);
        EXPECT_EQ(texels[1], 40);
    }
}

// Textures without texels, and textures too large to convert in reasonable
// memory (a record may ask for 32767 x 32767), are skipped with a warning.
TEST(TexFile, ZeroSizedAndHugeTexturesAreSkippedWithAWarning) {
    TempDir dir;
    RunResult run = Pavlunt(WallWad({{"NOWIDTH", 0, 16, {{0, 0, 0}}},
                                     {"HUGE", 32767, 32767, {{0, 0, 0}}},
                                     {"WIDE", 4097, 4096, {}},
                                     {"EDGE", 4096, 4096, {}},
                                     {"SMALL", 16, 16, {}}}));
    ASSERT_EQ(run.status, 0) << run.output;
    EXPECT_NE(run.output.find("WARNING: Texture 'NOWIDTH' is 0 x 16, skipped."), std::string::npos);
    EXPECT_NE(
        run.output.find(
            "WARNING: Texture 'HUGE' is 32767 x 32767, larger than 16777216 texels, skipped."),
        std::string::npos);
    EXPECT_NE(run.output.find("WARNING: Texture 'WIDE' is 4097 x 4096, larger than"),
              std::string::npos);
    EXPECT_EQ(run.output.find("'EDGE'"), std::string::npos);  // exactly at the limit: kept
    TexFile tex = ReadTex("CUSTOM.TEX");
    ASSERT_EQ(tex.entries.size(), 5u);
    EXPECT_EQ(tex.entries[3].name, "EDGE");
    EXPECT_EQ(tex.entries[4].name, "SMALL");
}

TEST(TexFile, GameWadNamesChooseTheFileAndTheWadIsFoundInAnyCase) {
    TempDir dir;
    WriteFileBytes("doom2.wad", FlatsOnly().Build());
    RunResult run = RunProgram(PAVLUNT_PATH, {"doom2"});
    ASSERT_EQ(run.status, 0) << run.output;
    EXPECT_TRUE(FileExists("DOOM2.TEX"));
    EXPECT_FALSE(FileExists("CUSTOM.TEX"));

    run = RunProgram(PAVLUNT_PATH, {"DOOM2"});
    ASSERT_EQ(run.status, 0) << run.output;
    EXPECT_NE(run.output.find("Opened 'DOOM2.wad': 5 entries."), std::string::npos);

    WriteFileBytes("Mixed.Wad", FlatsOnly().Build());
    run = RunProgram(PAVLUNT_PATH, {"mixed.wad"});
    ASSERT_EQ(run.status, 0) << run.output;
    EXPECT_EQ(ReadTex("CUSTOM.TEX").entries.size(), 3u);

    // 'z' is a letter like any other.
    WriteFileBytes("zAZ.wad", FlatsOnly().Build());
    run = RunProgram(PAVLUNT_PATH, {"ZAz.WAD"});
    ASSERT_EQ(run.status, 0) << run.output;

    // A folder of the WAD's name is no WAD.
    std::filesystem::create_directory("FOLDER.WAD");
    run = RunProgram(PAVLUNT_PATH, {"FOLDER.WAD"});
    EXPECT_NE(run.status, 0);
    EXPECT_NE(run.output.find("ERROR"), std::string::npos) << run.output;
}

}  // namespace
