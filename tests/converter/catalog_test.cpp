#include <gtest/gtest.h>

#include <functional>

#include "converter/driver/driver.h"
#include "converter/surfaces/surfaces.h"
#include "formats/fatal.h"
#include "tests/support/test_support.h"

namespace {

FatalError CatchFatal(const std::function<void()>& action) {
    try {
        action();
    } catch (const FatalError& error) {
        return error;
    }
    return FatalError{0, ""};
}

std::string Mapped(std::string name) {
    MapTextureName(name);
    return name;
}

}  // namespace

TEST(TextureCatalog, SizesAreLookedUpWithoutRegardToCase) {
    TempDir dir;
    ResetConverterState();
    WriteFileBytes("T.TEX", TexFileOfSizes({{"STARTAN3", 128, 128},
                                            {"startan3", 64, 64},
                                            {"ZERO", 0, 64},
                                            {"SIXTEENCHARNAMES", 32, 16},
                                            {"HUGE", 2147483647, 64},
                                            {"EDGE", 32768, 32768},
                                            {"OVER", 64, 32769},
                                            {"ZZWALL", 16, 32}}));
    OpenTextureCatalog("t.tex");
    int32_t width, height;
    LookupTextureSize("startan3", width, height);
    EXPECT_EQ(width, 128);  // the first of two entries of that name
    EXPECT_EQ(height, 128);
    LookupTextureSize("FLOOR4_8", width, height);
    EXPECT_EQ(width, 256);
    EXPECT_EQ(height, 512);
    LookupTextureSize("ZERO", width, height);
    EXPECT_EQ(width, 256);  // a zero size counts as missing
    LookupTextureSize("sixteencharnames", width, height);
    EXPECT_EQ(width, 32);
    // Sizes beyond 32768 count as missing; 32768 itself is kept.
    LookupTextureSize("HUGE", width, height);
    EXPECT_EQ(width, 256);
    LookupTextureSize("EDGE", width, height);
    EXPECT_EQ(height, 32768);
    LookupTextureSize("OVER", width, height);
    EXPECT_EQ(height, 512);
    LookupTextureSize("zzWall", width, height);
    EXPECT_EQ(width, 16);
    EXPECT_EQ(FindTexture("STARTAN"), -1);
    CloseTextureCatalog();
}

TEST(TextureCatalog, OpenFailures) {
    TempDir dir;
    ResetConverterState();
    FatalError error = CatchFatal([] { OpenTextureCatalog("NONE.TEX"); });
    EXPECT_EQ(error.status, 11);
    EXPECT_EQ(error.message, "ERROR: 'NONE.TEX' could not be opened.\n");

    WriteFileBytes("LOWER.TEX", TexFileOfSizes({}, "wad2"));
    error = CatchFatal([] { OpenTextureCatalog("LOWER.TEX"); });
    EXPECT_EQ(error.status, 12);
    EXPECT_EQ(error.message, "ERROR: 'LOWER.TEX' is not a WAD2 file.\n");

    std::vector<uint8_t> cut = TexFileOfSizes({{"A", 16, 16}});
    cut.resize(cut.size() - 1);
    WriteFileBytes("CUT.TEX", cut);
    EXPECT_EQ(CatchFatal([] { OpenTextureCatalog("CUT.TEX"); }).status, 12);

    WriteFileBytes("EMPTY.TEX", EmptyTexFile());
    OpenTextureCatalog("EMPTY.TEX");
    int32_t width, height;
    LookupTextureSize("ANY", width, height);
    EXPECT_EQ(width * 1000 + height, 256512);
    CloseTextureCatalog();
}

TEST(TextureCatalog, BuiltinNameRules) {
    ResetConverterState();
    EXPECT_EQ(Mapped("f_sky1"), "skies/hellsky4");
    EXPECT_EQ(Mapped("NUKAGE2"), "sfx/radiogoop_d");
    EXPECT_EQ(Mapped("sfall4"), "hell/cracked2lava");
    EXPECT_EQ(Mapped("FLOOR4_8"), "FLOOR4_8");
    EXPECT_EQ(texture_catalog.missing_flat_name, "common/trigmulti");
}

TEST(TextureCatalog, TextureMapReplacesTheBuiltinRules) {
    TempDir dir;
    ResetConverterState();
    WriteFileText("one.txt", "; floors\r\n\r\nNUKAGE1\ta/b\r\n");
    LoadTextureMap("one.txt");
    EXPECT_EQ(texture_catalog.texture_map_count, 1);
    EXPECT_EQ(Mapped("F_SKY1"), "F_SKY1");
    EXPECT_EQ(Mapped("LAVA1"), "LAVA1");
    EXPECT_EQ(Mapped("nukage1"), "a/b");
    EXPECT_EQ(Mapped(texture_catalog.missing_flat_name), "a/b");

    // A map with no entries leaves the earlier one in force.
    WriteFileText("empty.txt", "!\nLAVA1 x/y\n");
    LoadTextureMap("empty.txt");
    EXPECT_EQ(Mapped("nukage1"), "a/b");
    EXPECT_EQ(Mapped("LAVA1"), "LAVA1");
}

TEST(TextureCatalog, TextureMapLinesThatDoNotFitAreSkipped) {
    TempDir dir;
    ResetConverterState();
    WriteFileText("bad.txt", "ONEWORD\nTOOLONGNAME x/y\nA sixteen/chars/xx\nB ok/mat\n!\nC c/c\n");
    testing::internal::CaptureStdout();
    LoadTextureMap("bad.txt");
    std::string output = testing::internal::GetCapturedStdout();
    EXPECT_NE(output.find("line 1 skipped"), std::string::npos);
    EXPECT_NE(output.find("line 3 skipped"), std::string::npos);
    EXPECT_EQ(texture_catalog.texture_map_count, 1);
    EXPECT_EQ(texture_catalog.missing_flat_name, "B");
    EXPECT_EQ(Mapped("C"), "C");

    ResetConverterState();
    FatalError error = CatchFatal([] { LoadTextureMap("none.txt"); });
    EXPECT_EQ(error.status, 12);
    EXPECT_EQ(error.message, "ERROR: none.txt could not be opened.\n");
}

TEST(TextureCatalog, ReadTextLine) {
    FILE* file = tmpfile();
    std::string long_line(300, 'a');
    fputs(("one\r\n\ntw\ro\n" + long_line + "\nlast").c_str(), file);
    rewind(file);
    std::string line;
    std::vector<std::string> lines;
    for (int i = 0; i < 7; i++) ReadTextLine(file, line), lines.push_back(line);
    fclose(file);
    std::vector<std::string> expected = {"one", "", "two", std::string(255, 'a'), "last", "!", "!"};
    EXPECT_EQ(lines, expected);
}

TEST(TextureCatalog, TextureAxisAtEverySeam) {
    struct Case {
        uint16_t angle;
        bool use_y;
        int flip;
    };
    const Case cases[] = {
        {0x4000, true, 0},  {0x5FFD, true, 0}, {0x5FFE, false, 1}, {0x9FFD, false, 1},
        {0x9FFE, true, 1},  {0xDFFD, true, 1}, {0xDFFE, false, 0}, {0x0000, false, 0},
        {0x11F0, false, 0}, {0x11F1, true, 0}, {0xFFFF, false, 0},
    };
    for (const Case& c : cases) {
        int32_t natx1, natx2;
        int flip = ChooseTextureAxis(c.angle, 1, 2, 3, 4, natx1, natx2);
        EXPECT_EQ(flip, c.flip) << std::hex << c.angle;
        EXPECT_EQ(natx1, c.use_y ? 2 : 1) << std::hex << c.angle;
        EXPECT_EQ(natx2, c.use_y ? 4 : 3) << std::hex << c.angle;
    }
}
