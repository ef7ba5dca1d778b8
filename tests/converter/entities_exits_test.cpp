// Level-wide entities: world lights, the level exit with the next level's
// name, and the music speaker.
#include <gtest/gtest.h>

#include <string>

#include "tests/converter/entities_closing_fixture.h"

namespace {

class LevelEntityTest : public ClosingTest {
protected:
    void SetBounds() {
        level.min_x = -512;
        level.max_x = 512;
        level.min_y = -256;
        level.max_y = 256;
        level.min_height = 0;
        level.max_height = 128;
    }

    // The nextMap of the exit written for `level_name`.
    std::string ExitNextMap(const std::string& level_name) {
        convert_options.level_name = level_name;
        size_t before = MapText().size();
        WriteLevelExit();
        std::string text = MapText().substr(before);
        const std::string key = " \"nextMap\"\t\"";
        size_t at = text.find(key);
        if (at == std::string::npos) return "(none)";
        at += key.size();
        return text.substr(at, text.find('"', at) - at);
    }
};

TEST(NextLevelName, SecondGameOrder) {
    EXPECT_EQ(NextLevelName("MAP07", false), "MAP08");
    EXPECT_EQ(NextLevelName("MAP10", false), "MAP11");
    EXPECT_EQ(NextLevelName("MAP01", false), "MAP02");
    // "08" and "09" read as octal 0; the exit writer mends these two.
    EXPECT_EQ(NextLevelName("MAP08", false), "MAP01");
    EXPECT_EQ(NextLevelName("MAP09", false), "MAP01");
    EXPECT_EQ(NextLevelName("MAP30", false), "START");
    EXPECT_EQ(NextLevelName("MAP31", false), "MAP16");
    EXPECT_EQ(NextLevelName("MAP32", false), "MAP16");
    EXPECT_EQ(NextLevelName("MAP15", true), "MAP31");
    EXPECT_EQ(NextLevelName("MAP31", true), "MAP32");
    EXPECT_EQ(NextLevelName("MAP02", true), "MAP31");
    // No number after MAP: the level is its own successor.
    EXPECT_EQ(NextLevelName("MAP", false), "MAP");
    EXPECT_EQ(NextLevelName("MAPXY", false), "MAPXY");
}

TEST(NextLevelName, EpisodeOrderAndOtherNames) {
    EXPECT_EQ(NextLevelName("E1M1", false), "E1M2");
    EXPECT_EQ(NextLevelName("E1M3", true), "E1M9");
    EXPECT_EQ(NextLevelName("E1M9", false), "E1M3");
    EXPECT_EQ(NextLevelName("E3M9", false), "E1M3");
    EXPECT_EQ(NextLevelName("E2M8", false), "START");
    EXPECT_EQ(NextLevelName("E4M1", false), "E4M2");
    EXPECT_EQ(NextLevelName("LEVEL1", false), "LEVEL1");
}

TEST_F(LevelEntityTest, ExitCorrectsMap08AndMap09) {
    EXPECT_EQ(ExitNextMap("MAP08"), "MAP09");
    EXPECT_EQ(ExitNextMap("MAP09"), "MAP10");
    EXPECT_EQ(ExitNextMap("MAP07"), "MAP08");
}

TEST_F(LevelEntityTest, SecretSuccessorOnlyWhenEveryExitIsSecret) {
    AddSector(0, 128);
    int line = AddLine(0, 0, 64, 0, 51, 0, 0);
    EXPECT_EQ(ExitNextMap("MAP15"), "MAP31");
    EXPECT_EQ(ExitNextMap("MAP08"), "MAP09");  // the correction holds for the secret exit too
    EXPECT_EQ(ExitNextMap("E1M3"), "E1M9");
    level.linedefs[line].special = 124;
    EXPECT_EQ(ExitNextMap("E1M3"), "E1M9");
    AddLine(0, 0, 64, 0, 52, 0, 0);
    EXPECT_EQ(ExitNextMap("E1M3"), "E1M4");
    level.linedefs[line].special = 11;
    EXPECT_EQ(ExitNextMap("MAP15"), "MAP16");
}

TEST_F(LevelEntityTest, ExitEntitiesStandAtTheSumOfTheBounds) {
    SetBounds();
    convert_options.level_name = "E1M1";
    WriteLevelExit();
    EXPECT_EQ(MapText(), Lines({"{",
                                " \"classname\"\t\"func_itemremove\"",
                                " \"remove\"\t\"Red Key\"",
                                " \"origin\"\t\"0 0 128\"",
                                " \"name\"\t\"removered\"",
                                "}",
                                "{",
                                " \"classname\"\t\"func_itemremove\"",
                                " \"remove\"\t\"Yellow Key\"",
                                " \"origin\"\t\"0 0 128\"",
                                " \"name\"\t\"removeyel\"",
                                "}",
                                "{",
                                " \"classname\"\t\"func_itemremove\"",
                                " \"remove\"\t\"Blue Key\"",
                                " \"origin\"\t\"0 0 128\"",
                                " \"name\"\t\"removeblue\"",
                                "}",
                                "{",
                                " \"classname\"\t\"target_endlevel\"",
                                " \"nextMap\"\t\"E1M2\"",
                                " \"origin\"\t\"0 0 128\"",
                                " \"name\"\t\"end\"",
                                "}"}));
}

TEST_F(LevelEntityTest, MusicOfListedAndUnlistedLevels) {
    SetBounds();
    convert_options.level_name = "E1M1";
    testing::internal::CaptureStdout();
    WriteLevelMusic();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Set Map Music...\n");
    EXPECT_EQ(MapText(),
              Lines({"{", " \"classname\"\t\"speaker\"", " \"name\"\t\"Ambient Music\"",
                     " \"s_shader\"\t\"sound/musical/D_E1M1.ogg\"", " \"s_global\"\t\"1\"",
                     " \"s_looping\"\t\"1\"", " \"origin\"\t\"0 0 128\"", "}"}));

    EXPECT_EQ(LevelMusicName("E4M1"), "E4M1");
    EXPECT_EQ(LevelMusicName("e2m9"), "D_E3M1");
    EXPECT_EQ(LevelMusicName("MAP29"), "D_SHAWN");
    EXPECT_EQ(LevelMusicName("MAP32"), "D_ULTIMA");
    EXPECT_EQ(LevelMusicName("E3M4"), "D_E1M8");
}

TEST_F(LevelEntityTest, WorldLightsFromTheBounds) {
    level.min_x = -512;
    level.max_x = 512;
    level.min_y = -256;
    level.max_y = 256;
    level.min_height = 0;
    level.max_height = 128;
    testing::internal::CaptureStdout();
    WriteWorldLights();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Lighting Map...\n");
    EXPECT_EQ(MapText(), Lines({"{",
                                " \"classname\"\t\"light\"",
                                " \"name\"\t\"Ambient Light\"",
                                " \"noshadows\"\t\"0\"",
                                " \"nospecular\"\t\"0\"",
                                " \"nodiffuse\"\t\"0\"",
                                " \"falloff\"\t\"0\"",
                                " \"texture\"\t\"lights/ambientlight2\"",
                                " \"_color\"\t\"0.4 0.33 0.3\"",
                                " \"light_radius\"\t\"2048 1024 256\"",
                                " \"origin\"\t\"0 0 128\"",
                                "}",
                                "{",
                                " \"classname\"\t\"light\"",
                                " \"name\"\t\"Sun Light\"",
                                " \"noshadows\"\t\"0\"",
                                " \"nospecular\"\t\"0\"",
                                " \"nodiffuse\"\t\"0\"",
                                " \"falloff\"\t\"0\"",
                                " \"texture\"\t\"lights/defaultpointlight\"",
                                " \"_color\"\t\"0.58 0.31 0.07\"",
                                " \"light_radius\"\t\"2048 1024 256\"",
                                " \"origin\"\t\"0 0 128\"",
                                " \"light_center\"\t\"256 256 512\"",
                                "}"}));
}

TEST_F(LevelEntityTest, SunCentreHalvesTheLargestXTowardZero) {
    level.min_x = -100;
    level.max_x = -3;
    level.min_y = 0;
    level.max_y = 10;
    level.min_height = 0;
    level.max_height = 8;
    testing::internal::CaptureStdout();
    WriteWorldLights();
    testing::internal::GetCapturedStdout();
    EXPECT_NE(MapText().find(" \"light_center\"\t\"-1 5 32\""), std::string::npos);
}

}  // namespace
