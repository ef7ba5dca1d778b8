// pavlunt -d3: the TGA images, the material file, the names both use, the
// failures to write them, and a round trip with the map converter.

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <set>

#include "extractor/extractor.h"
#include "formats/doom3_names.h"
#include "tests/extractor/test_wads.h"

namespace {

using namespace test_wads;

const std::string kSample = std::string(DATA_DIR) + "/SAMPLE.WAD";

// A WAD with the flats FLOOR1 and FLOOR2 and textures of one 2 x 3 patch; by
// default "WALL-1", 4 x 4 with the patch at (3, 1), so that its second column
// falls right of the texture and texels stay uncovered, and "FULL", covered.
std::vector<uint8_t> SmallWad(const std::vector<TextureDef>& textures = {
                                  {"WALL-1", 4, 4, {{3, 1, 0}}}, {"FULL", 2, 3, {{0, 0, 0}}}}) {
    WadBuilder wad = FlatsOnly();
    wad.Add("PNAMES", PatchNames({"PATCH"}));
    wad.Add("TEXTURE1", TextureLump(textures));
    wad.Add("PATCH", Picture(2, 3, 100));
    return wad.Build();
}

// The four bytes of a texel of a 32-bit TGA with rows from the bottom.
std::vector<uint8_t> TgaTexel(const std::vector<uint8_t>& tga, int x, int y) {
    const int width = tga[12] | tga[13] << 8;
    const int height = tga[14] | tga[15] << 8;
    const size_t at = 18 + (static_cast<size_t>(height - 1 - y) * width + x) * 4;
    return std::vector<uint8_t>(tga.begin() + at, tga.begin() + at + 4);
}

// Blue, green, red and an opaque alpha of palette entry `index`.
std::vector<uint8_t> Opaque(int index) {
    const std::vector<uint8_t> rgb = Palette();
    return {rgb[3 * index + 2], rgb[3 * index + 1], rgb[3 * index], 255};
}

TEST(Doom3Assets, ImagesAreTrueSizeTgasOfThePaletteColours) {
    TempDir dir;
    WriteFileBytes("test.wad", SmallWad());
    RunResult run = RunProgram(PAVLUNT_PATH, {"test.wad", "-D3"});
    ASSERT_EQ(run.status, 0) << run.output;
    EXPECT_NE(run.output.find("Doom 3: 4 images written to 'textures/custom/', 4 materials to "
                              "'materials/custom.mtr'."),
              std::string::npos)
        << run.output;

    std::vector<uint8_t> wall = ReadFileBytes("textures/custom/WALL_1.tga");
    ASSERT_EQ(wall.size(), 18u + 4 * 4 * 4);
    const std::vector<uint8_t> header = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 4, 0, 4, 0, 32, 8};
    EXPECT_EQ(std::vector<uint8_t>(wall.begin(), wall.begin() + 18), header);
    const std::vector<uint8_t> clear = {0, 0, 0, 0};
    EXPECT_EQ(TgaTexel(wall, 3, 1), Opaque(100));  // patch column 0, row 0
    EXPECT_EQ(TgaTexel(wall, 3, 3), Opaque(102));
    EXPECT_EQ(TgaTexel(wall, 0, 0), clear);
    EXPECT_EQ(TgaTexel(wall, 0, 2), clear);  // column 1 is clipped, not wrapped
    EXPECT_EQ(TgaTexel(wall, 2, 1), clear);

    const std::string mtr = ReadFileText("materials/custom.mtr");
    EXPECT_NE(mtr.find("\n\"textures/WALL-1\"\n{\n    qer_editorimage textures/custom/WALL_1.tga\n"
                       "    twoSided\n    {\n        blend diffusemap\n"
                       "        map textures/custom/WALL_1.tga\n        alphaTest 0.5\n    }\n}\n"
                       "\ntextures/FULL\n{\n    qer_editorimage textures/custom/FULL.tga\n"
                       "    diffusemap textures/custom/FULL.tga\n}\n"),
              std::string::npos)
        << mtr;
}

TEST(Doom3Assets, NamesOfMaterialsAndImageFiles) {
    ResetExtractorState();
    doom3_assets.image_folder = "textures/doom2";
    struct Case {
        const char* doom_name;
        const char* material;  // empty: no image
        const char* path;
    };
    const Case cases[] = {
        {"AQMETL12", "textures/AQMETL12", "textures/doom2/AQMETL12.tga"},
        {"a-drock1", "textures/A-DROCK1", "textures/doom2/A_DROCK1.tga"},
        {"A_DROCK1", "textures/A_DROCK1", "textures/doom2/A_DROCK1_2.tga"},
        {"STEP1", "textures/STEP1", "textures/doom2/STEP1.tga"},
        {"step1", "textures/STEP1_2", "textures/doom2/STEP1_2.tga"},  // a flat and a texture
        {"STEP1_2", "textures/STEP1_2_2", "textures/doom2/STEP1_2_2.tga"},
        {"SAY\"HI", "textures/SAY_HI", "textures/doom2/SAY_HI.tga"},
        {"", "", ""},
    };
    for (const Case& c : cases) {
        Doom3Image image;
        const bool chosen = ChooseDoom3Image(c.doom_name, image);
        EXPECT_EQ(chosen, *c.material != '\0') << c.doom_name;
        if (!chosen) continue;
        EXPECT_EQ(image.material, c.material);
        EXPECT_EQ(image.path, c.path);
    }
    EXPECT_EQ(WrittenName("textures/A.B:C\\D_1"), "textures/A.B:C\\D_1");
    EXPECT_EQ(WrittenName("1ST"), "\"1ST\"");
    ResetExtractorState();
}

// Every folder and file of the Doom 3 assets that cannot be made ends the run
// as a texture file that cannot be written does.
TEST(Doom3Assets, WriteFailuresEndTheRunWithStatus4) {
    struct Case {
        const char* blocker;  // a file, or a folder, put where the run writes
        bool folder;
        long file_size_limit;
        const char* message;
    };
    const Case cases[] = {
        {"textures", false, 0, "ERROR: Could not create 'textures/custom'\n"},
        {"materials/custom.mtr", true, 0, "ERROR: Could not create 'materials/custom.mtr'\n"},
        // The texture file stays below the limit, a 128 x 128 image does not.
        {"", false, 40000, "ERROR: Could not write 'textures/custom/BIG.tga'\n"},
    };
    for (const Case& c : cases) {
        TempDir dir;
        WriteFileBytes("test.wad", SmallWad({{"BIG", 128, 128, {{0, 0, 0}}}}));
        if (c.folder) std::filesystem::create_directories(c.blocker);
        if (!c.folder && *c.blocker) WriteFileText(c.blocker, "");
        RunResult run = RunProgram(PAVLUNT_PATH, {"test.wad", "-d3"}, c.file_size_limit);
        ExpectFails(run, 4, c.message);
    }
}

TEST(Doom3Assets, SampleRoundTripDeclaresEveryMaterialOfItsMapAndKeepsTheTextureFile) {
    TempDir dir;
    std::filesystem::copy_file(kSample, "SAMPLE.WAD");
    ASSERT_EQ(RunProgram(PAVLUNT_PATH, {"SAMPLE.WAD"}).status, 0);
    const std::vector<uint8_t> plain = ReadFileBytes("CUSTOM.TEX");
    RunResult run = RunProgram(PAVLUNT_PATH, {"SAMPLE.WAD", "-d3"});
    ASSERT_EQ(run.status, 0) << run.output;
    EXPECT_TRUE(ReadFileBytes("CUSTOM.TEX") == plain);
    run = RunProgram(BRAKT_PATH, {"SAMPLE.WAD", "map01", "-custom"});
    ASSERT_EQ(run.status, 0) << run.output;

    std::set<std::string> declared;
    std::string mtr = ReadFileText("materials/custom.mtr");
    for (size_t start = 0, end; start < mtr.size(); start = end + 1) {
        end = mtr.find('\n', start);
        std::string line = mtr.substr(start, end - start);
        if (line.empty() || strchr(" {}/", line[0])) continue;
        if (line.front() == '"') line = line.substr(1, line.size() - 2);
        declared.insert(UpperCase(line));
        EXPECT_TRUE(FileExists("textures/custom/" + line.substr(9) + ".tga")) << line;
    }
    EXPECT_EQ(declared.size(), 17u);  // 7 flats, 10 textures

    // The material of each plane line, bare after the points or, in the native
    // form, "textures/NAME" in quotes.
    std::set<std::string> map_names;
    for (const std::string& line : SplitCrLfLines(ReadFileText("MAP01.MAP"))) {
        const size_t first = line.find_first_not_of(' ');
        const size_t close = line.rfind(')');
        if (first == std::string::npos || line[first] != '(') continue;
        std::string name = line.substr(close + 2, line.find(' ', close + 2) - close - 2);
        if (name.size() > 1 && name.front() == '"') name = name.substr(1, name.size() - 2);
        if (NamesEqual(name.substr(0, 9), "textures/")) name = name.substr(9);
        map_names.insert(UpperCase(name));
    }
    EXPECT_GT(map_names.size(), 10u);
    for (const std::string& name : map_names) {
        bool builtin = false;
        for (const char* prefix : {"SKIES/", "COMMON/", "HELL/", "SFX/"})
            builtin = builtin || name.rfind(prefix, 0) == 0;
        EXPECT_TRUE(builtin || declared.count("TEXTURES/" + name)) << name;
    }
}

}  // namespace
