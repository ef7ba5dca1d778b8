// Objects for things, the object table reader and the sector search.
#include <gtest/gtest.h>

#include <string>

#include "tests/converter/entities_closing_fixture.h"
#include "tests/support/test_support.h"

namespace {

class ObjectTest : public ClosingTest {
protected:
    // One sector, found for every point (no nodes, a single subsector).
    void MakeRoom(int floor, int ceiling, int tag = 0) {
        AddSector(floor, ceiling, tag);
        MakeSingleSubsector(AddLine(0, 0, 64, 0, 0, 0, 0));
    }

    // Runs the object pass with `table` as BRKT_OBJ.TXT; gives the console text.
    std::string Convert(const std::string& table) {
        WriteFileText("BRKT_OBJ.TXT", table);
        testing::internal::CaptureStdout();
        ConvertObjects();
        return testing::internal::GetCapturedStdout();
    }

    static std::string Object(const std::string& origin, int angle, const std::string& class_name) {
        return Lines({"{", " \"origin\"\t\"" + origin + "\"",
                      " \"angle\"\t\"" + std::to_string(angle) + "\"",
                      " \"classname\"\t\"" + class_name + "\"", "}"});
    }

    TempDir dir;
};

TEST_F(ObjectTest, PointOnAPartitionLineGoesLeft) {
    int a = AddSector(0, 128);
    int b = AddSector(8, 128);
    // The partition runs north along x = 0: points east of it are on its right.
    int line_a = AddLine(0, 0, 0, 64, 0, 0, a, b);
    int right = AddSubsector(AddSeg(line_a, 0, 16384));
    int left = AddSubsector(AddSeg(line_a, 1, 49152));
    AddNode(0, 0, 0, 64, kSubsectorBit | right, kSubsectorBit | left);

    EXPECT_EQ(FindSector(5, 10), a);
    EXPECT_EQ(FindSector(0, 10), b);
    EXPECT_EQ(object_state.last_found_sector, b);
    EXPECT_EQ(FindSector(-5, 10), b);
}

TEST_F(ObjectTest, SectorSearchWithoutNodesAndOnBrokenTrees) {
    int a = AddSector(0, 128);
    int line = AddLine(0, 0, 64, 0, 0, 0, a);
    AddSubsector(AddSeg(line, 0, 0));
    EXPECT_EQ(FindSector(1000, -1000), a);

    // Children that lead back up the tree find no sector instead of looping.
    AddNode(0, 0, 0, 64, 1, 0);
    AddNode(0, 0, 64, 0, 0, 0);
    EXPECT_EQ(FindSector(5, 5), -1);
    EXPECT_EQ(object_state.last_found_sector, -1);

    // The back side of a one-sided line has no sector.
    level.nodes.clear();
    level.num_nodes = 0;
    level.subsectors[0].first_seg = static_cast<int16_t>(AddSeg(line, 1, 0));
    EXPECT_EQ(FindSector(5, 5), -1);
}

TEST_F(ObjectTest, TableWhoseFirstLineEndsItWritesNothing) {
    MakeRoom(0, 128);
    AddThing(10, 20, 90, 3004);
    EXPECT_EQ(Convert("!\n3004 \"monster_zsec_pistol\"\n"), "Converting Objects: 0 Objects.\n");
    EXPECT_EQ(MapText(), "");
}

TEST_F(ObjectTest, TableWithoutEndLineReadsToTheEndOfTheFile) {
    MakeRoom(16, 128);
    AddThing(10, 20, 90, 3004);
    AddThing(-30, 40, 180, 9);
    EXPECT_EQ(
        Convert("; comment\r\n\r\n3004 \"monster_zsec_pistol\"\r\n9 \"monster_zsec_shotgun\""),
        "Converting Objects: 2 Objects.\n");
    EXPECT_EQ(MapText(), Object("10 20 16", 90, "monster_zsec_pistol") +
                             Object("-30 40 16", 180, "monster_zsec_shotgun"));
}

TEST_F(ObjectTest, EntryNumbersAndClassText) {
    ObjectTableEntry entry;
    ASSERT_EQ(ParseObjectTableLine("0xBB9 \"monster_demon_imp\"", entry), TableLine::kEntry);
    EXPECT_EQ(entry.type, 3001);
    EXPECT_EQ(entry.class_name, "monster_demon_imp");
    ASSERT_EQ(ParseObjectTableLine("011 \"x\"", entry), TableLine::kEntry);
    EXPECT_EQ(entry.type, 9);  // octal
    ASSERT_EQ(ParseObjectTableLine("3004 \"monster_zsec_pistol:2\"", entry), TableLine::kEntry);
    EXPECT_EQ(entry.class_name, "monster_zsec_pistol");
    EXPECT_EQ(entry.flags, 2);
    // The class ends at the closing quote: a blank or more behind it is ignored.
    ASSERT_EQ(ParseObjectTableLine("43 \"func_static\" ", entry), TableLine::kEntry);
    EXPECT_EQ(entry.class_name, "func_static");
    ASSERT_EQ(ParseObjectTableLine("43 \"a:1\" \"b\"", entry), TableLine::kEntry);
    EXPECT_EQ(entry.class_name, "a");
    EXPECT_EQ(entry.flags, 1);
    // A quote as the last character leaves an empty class, never a negative length.
    ASSERT_EQ(ParseObjectTableLine("5 \"", entry), TableLine::kEntry);
    EXPECT_EQ(entry.class_name, "");
    ASSERT_EQ(ParseObjectTableLine("5 \"" + std::string(200, 'c') + "\"", entry),
              TableLine::kEntry);
    EXPECT_EQ(entry.class_name, std::string(127, 'c'));

    EXPECT_EQ(ParseObjectTableLine("", entry), TableLine::kSkip);
    EXPECT_EQ(ParseObjectTableLine("; 1 \"x\"", entry), TableLine::kSkip);
    EXPECT_EQ(ParseObjectTableLine("!anything", entry), TableLine::kEnd);
    EXPECT_EQ(ParseObjectTableLine("imp \"monster_demon_imp\"", entry), TableLine::kInvalid);
    EXPECT_EQ(ParseObjectTableLine("0x \"monster_demon_imp\"", entry), TableLine::kInvalid);
    EXPECT_EQ(ParseObjectTableLine("3001 monster_demon_imp", entry), TableLine::kInvalid);
}

TEST_F(ObjectTest, InvalidLinesAreReportedAndSkipped) {
    MakeRoom(0, 128);
    AddThing(0, 0, 0, 1);
    std::string console =
        Convert("imp \"monster_demon_imp\"\n3001 monster_demon_imp\n1 \"info_player_start\"\n");
    EXPECT_NE(console.find("WARNING: BRKT_OBJ.TXT line 1 skipped"), std::string::npos);
    EXPECT_NE(console.find("WARNING: BRKT_OBJ.TXT line 2 skipped"), std::string::npos);
    EXPECT_NE(console.find("1 Objects.\n"), std::string::npos);
    EXPECT_EQ(MapText(), Object("0 0 0", 0, "info_player_start"));
}

TEST_F(ObjectTest, StaticObjectsStandFiveUnitsHigher) {
    MakeRoom(-24, 128);
    AddThing(8, 8, 270, 2035);
    AddThing(16, 16, 0, 43);
    Convert("2035 \"FUNC_STATIC\"\n43 \"func_static\" \n");
    EXPECT_EQ(MapText(),
              Object("8 8 -19", 270, "FUNC_STATIC") + Object("16 16 -19", 0, "func_static"));
}

TEST_F(ObjectTest, HangingThingsDropBelowTheCeiling) {
    MakeRoom(0, 128);
    AddThing(0, 0, 0, 63);
    AddThing(32, 0, 0, 63);
    AddThing(64, 0, 0, 53);
    Convert("63 \"hanging\"\n53 \"hanging\"\n");
    EXPECT_EQ(MapText(), Object("0 0 91", 0, "hanging") + Object("32 0 91", 0, "hanging") +
                             Object("64 0 101", 0, "hanging"));
}

TEST_F(ObjectTest, DecorationLightAtScaleTwo) {
    MakeRoom(16, 128);
    AddThing(10, -10, 90, 44);
    convert_options.map_scale = 2.0f;
    Convert("44 \"firestick\"\n");
    EXPECT_EQ(MapText(),
              Object("20 -20 32", 0, "firestick") +
                  Lines({"{", " \"origin\"\t\"20 -20 142\"", " \"classname\"\t\"light\"",
                         " \"noshadows\"\t\"0\"", " \"nospecular\"\t\"0\"", " \"nodiffuse\"\t\"0\"",
                         " \"falloff\"\t\"0\"", " \"texture\"\t\"lights/biground1_blamplight_cv\"",
                         " \"model\"\t\"doom_tallfirestick_colorable.prt\"",
                         " \"_color\"\t\"0.24 0.37 1\"", " \"light_radius\"\t\"120 120 220\"",
                         " \"light_center\"\t\"0 0 25\"", "}"}));
}

TEST_F(ObjectTest, DecorationLightsWithOffsetAndWithoutModel) {
    MakeRoom(0, 128);
    AddThing(0, 0, 45, 41);
    AddThing(0, 0, 45, 86);
    Convert("41 \"func_static\"\n86 \"lamp\"\n");
    std::string text = MapText();
    // The evil eye's light stands 1, 3 and 19 units off the (lifted) object.
    EXPECT_NE(text.find(" \"origin\"\t\"1 3 24\"\r\n \"classname\"\t\"light\""), std::string::npos);
    EXPECT_NE(text.find(" \"texture\"\t\"lights/biground1\"\r\n \"_color\"\t\"0.73 0.89 1\"\r\n"
                        " \"light_radius\"\t\"120 120 220\"\r\n \"light_center\"\t\"0 0 40\"\r\n"),
              std::string::npos);
}

TEST_F(ObjectTest, TeleportDestinationTakesItsSectorTag) {
    MakeRoom(0, 128, 7);
    AddThing(5, 6, 90, 14);
    Convert("14 \"func_teleporter\"\n");
    EXPECT_EQ(MapText(),
              Lines({"{", " \"origin\"\t\"5 6 0\"", " \"angle\"\t\"90\"",
                     " \"classname\"\t\"func_teleporter\"", " \"name\"\t\"teleporter7\"", "}"}));
}

TEST_F(ObjectTest, BossBrainTargetsTheExit) {
    MakeRoom(0, 128);
    AddThing(0, 0, 90, 88);
    Convert("88 \"func_damagable\"\n");
    EXPECT_EQ(MapText(), Lines({"{", " \"origin\"\t\"0 0 0\"", " \"angle\"\t\"90\"",
                                " \"classname\"\t\"func_damagable\"", " \"health\"\t\"10000\"",
                                " \"model\"\t\"models/mapobjects/biglamp/biglamp.lwo\"",
                                " \"target0\"\t\"end\"", "}"}));
}

TEST_F(ObjectTest, AnglesTypesListedTwiceAndThingsOutsideEverySector) {
    MakeRoom(0, 128);
    AddThing(0, 0, -90, 2007);
    Convert("2007 \"ammo_clip_small\"\n2007 \"ammo_clip_small\"\n");
    EXPECT_EQ(MapText(), Object("0 0 0", 65446, "ammo_clip_small") +
                             Object("0 0 0", 65446, "ammo_clip_small"));

    // With the subsector's seg on the back of a one-sided line the thing is
    // in no sector: counted, not written, and named up to 20 times.
    level.subsectors[0].first_seg = static_cast<int16_t>(AddSeg(0, 1, 0));
    std::string before = MapText();
    EXPECT_EQ(Convert("2007 \"ammo_clip_small\"\n"),
              "Converting Objects: \nWARNING: Thing 0 (type 2007) at (0, 0) lies in no sector; "
              "left out.\n1 Objects.\n");
    EXPECT_EQ(MapText(), before);
    for (int i = 0; i < 21; i++) AddThing(i, 0, 0, 2007);
    const std::string console = Convert("2007 \"ammo_clip_small\"\n");
    EXPECT_NE(console.find("Thing 19 (type 2007) at (18, 0) lies"), std::string::npos) << console;
    EXPECT_EQ(console.find("Thing 20 "), std::string::npos);
    EXPECT_NE(console.find("\nWARNING: 2 more things lie in no sector; left out.\n22 Objects.\n"),
              std::string::npos);
}

TEST_F(ObjectTest, TableFoundInAnyCaseOrMissing) {
    MakeRoom(0, 128);
    AddThing(0, 0, 0, 1);
    WriteFileText("brkt_obj.txt", "1 \"info_player_start\"\n");
    testing::internal::CaptureStdout();
    ConvertObjects();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Converting Objects: 1 Objects.\n");
    remove("brkt_obj.txt");

    testing::internal::CaptureStdout();
    ConvertObjects();
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "Converting Objects: BRKT_OBJ.TXT not found, ** NO OBJECTS CONVERTED **\n");
}

}  // namespace
