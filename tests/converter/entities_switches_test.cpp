// Line triggers, trigger brushes and switch speakers on small hand-made levels.
#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "tests/converter/entities_closing_fixture.h"

namespace {

// The six planes of a trigger brush between P1-P2 and Q1-Q2, from -65 to 257
// (the fixture's heights -64 and 256, one unit beyond).
std::string TriggerBrush(int px1, int py1, int px2, int py2, int qx1, int qy1, int qx2, int qy2,
                         const std::string& material) {
    auto plane = [&](int ax, int ay, int az, int bx, int by, int bz, int cx, int cy, int cz) {
        return "  ( " + std::to_string(ax) + " " + std::to_string(ay) + " " + std::to_string(az) +
               " ) ( " + std::to_string(bx) + " " + std::to_string(by) + " " + std::to_string(bz) +
               " ) ( " + std::to_string(cx) + " " + std::to_string(cy) + " " + std::to_string(cz) +
               " ) " + material + " 0 0 0 1.000000 1.000000\r\n";
    };
    return " {\r\n" + plane(qx1, qy1, 10, qx2, qy2, 10, qx1, qy1, 0) +
           plane(px2, py2, 10, px1, py1, 10, px2, py2, 0) +
           plane(px1, py1, 10, qx1, qy1, 10, px1, py1, 0) +
           plane(qx2, qy2, 10, px2, py2, 10, qx2, qy2, 0) +
           plane(-1, 1, -65, 0, 0, -65, 1, 1, -65) + plane(-1, 1, 257, 1, 1, 257, 0, 0, 257) +
           " }\r\n";
}

// The switch brush of the east-running line (0, 0)-(64, 0): 17 units south.
const std::string kEastSwitchBrush = TriggerBrush(0, 0, 64, 0, 0, -17, 64, -17, "common/trigmulti");

class SwitchTest : public ClosingTest {
protected:
    // Sector 0 with floor 16; `count` plain lines so that the next line has
    // index `count`.
    void AddPlainLines(int count) {
        if (level.num_sectors == 0) AddSector(16, 128);
        for (int i = 0; i < count; i++) AddLine(0, 0, 8, 0, 0, 0, 0);
    }

    // An east-running line (0, 0)-(64, 0) with its front seg, the first seg
    // of subsector 0 when there is none yet.
    int AddEastLine(int special, int tag, int back = -1) {
        if (level.num_sectors == 0) AddSector(16, 128);
        int line = AddLine(0, 0, 64, 0, special, tag, 0, back);
        int seg = AddSeg(line, 0, 0);
        if (level.num_subsectors == 0) AddSubsector(seg);
        return line;
    }
};

TEST_F(SwitchTest, RepeatableSwitchFiresFifteenPiecesAndItsSpeaker) {
    AddPlainLines(40);
    ASSERT_EQ(AddEastLine(62, 3), 40);

    testing::internal::CaptureStdout();
    BuildSwitches();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Building Switches...\n");
    std::string expected = Lines({"{", " \"classname\"\t\"trigger_multiple\"", " \"wait\"\t\"3\"",
                                  " \"target\"\t\"switch40\""});
    for (int k = 0; k < 15; k++) {
        expected +=
            Lines({" \"target" + std::to_string(k) + "\"\t\"" + std::to_string(k) + "t3\""});
    }
    expected += Lines({" \"origin\"\t\"0 0 0\""}) + kEastSwitchBrush + Lines({"}"});
    EXPECT_EQ(MapText(), expected);
    EXPECT_EQ(map_writer.brush_count, 1);
    EXPECT_EQ(map_writer.plane_count, 6);

    // The speaker stands at the line's midpoint, 50 above the floor there.
    std::string before = MapText();
    WriteSwitchSpeakers();
    EXPECT_EQ(MapText().substr(before.size()),
              Lines({"{", " \"classname\"\t\"speaker\"", " \"name\"\t\"switch40\"",
                     " \"s_shader\"\t\"sound/levels/caverns1/machine_start.ogg\"",
                     " \"s_waitfortrigger\"\t\"1\"", " \"s_volume\"\t\"1000\"",
                     " \"origin\"\t\"32 0 66\"", "}"}));
}

TEST_F(SwitchTest, WalkOverLineFiresOnceWithoutSpeaker) {
    AddEastLine(2, 5);
    BuildSwitches();
    std::string text = MapText();
    EXPECT_EQ(text.find(Lines({"{", " \"classname\"\t\"trigger_once\"", " \"target\"\t\"switch0\"",
                               " \"target0\"\t\"0t5\""})),
              0u);
    EXPECT_EQ(text.find("wait"), std::string::npos);
    EXPECT_NE(text.find(" \"target14\"\t\"14t5\"\r\n \"origin\"\t\"0 0 0\"\r\n {"),
              std::string::npos);

    std::string before = MapText();
    WriteSwitchSpeakers();
    EXPECT_EQ(MapText(), before);
}

TEST_F(SwitchTest, KeyDoorNamesTheBackSectorByIndex) {
    for (int i = 0; i < 18; i++) AddSector(0, 128);
    AddEastLine(26, 0, 17);
    BuildSwitches();
    std::string expected =
        Lines({"{", " \"classname\"\t\"trigger_multiple\"", " \"target\"\t\"switch0\"",
               " \"target0\"\t\"0t100017\"", " \"target1\"\t\"1t100017\"",
               " \"target2\"\t\"2t100017\"", " \"target3\"\t\"3t100017\"",
               " \"target4\"\t\"4t100017\"", " \"origin\"\t\"0 0 0\"", " \"wait\"\t\"3\"",
               " \"requires\"\t\"Blue Key\""}) +
        kEastSwitchBrush + Lines({"}"});
    EXPECT_EQ(MapText(), expected);
}

TEST_F(SwitchTest, KeyRequirements) {
    AddSector(0, 128, 4);
    const std::pair<int, std::string> cases[] = {
        {99, "Blue Key"}, {33, "Red Key"}, {137, "Yellow Key"}, {62, ""}};
    for (const auto& [special, key] : cases) {
        size_t before = MapText().size();
        WriteLineTrigger(AddEastLine(special, 1, 0), IsRepeatSpecial(special));
        std::string text = MapText().substr(before);
        EXPECT_EQ(text.find("requires") != std::string::npos, !key.empty()) << special;
        if (!key.empty()) {
            EXPECT_NE(text.find(" \"requires\"\t\"" + key + "\"\r\n {"), std::string::npos);
        }
    }
}

TEST_F(SwitchTest, ShotDoorIsADamagableEntityTargetingItsFirstPiece) {
    AddSector(0, 128);
    AddSector(0, 128, 6);
    AddEastLine(46, 0, 1);
    BuildSwitches();
    EXPECT_EQ(MapText(),
              Lines({"{", " \"classname\"\t\"func_damagable\"", " \"health\"\t\"1\"",
                     " \"origin\"\t\"0 0 0\"", " \"name\"\t\"f6\"", " \"target\"\t\"0t6\""}) +
                  kEastSwitchBrush + Lines({"}"}));
}

TEST_F(SwitchTest, ShotFloorIsADamagableEntityNamedAfterTheTag) {
    AddEastLine(24, 8);
    BuildSwitches();
    EXPECT_EQ(MapText(),
              Lines({"{", " \"classname\"\t\"func_damagable\"", " \"target\"\t\"switch0\"",
                     " \"target0\"\t\"0t8\"", " \"target1\"\t\"1t8\"", " \"target2\"\t\"2t8\"",
                     " \"target3\"\t\"3t8\"", " \"target4\"\t\"4t8\"", " \"health\"\t\"1\"",
                     " \"origin\"\t\"0 0 0\"", " \"name\"\t\"s8\""}) +
                  kEastSwitchBrush + Lines({"}"}));
}

TEST_F(SwitchTest, TeleportLineGetsASlabBehindIt) {
    AddEastLine(97, 2);
    BuildSwitches();
    // a = 16383 gives 89 degrees: a slab one unit deep north of the line,
    // drawn from the line's end.
    EXPECT_EQ(MapText(),
              Lines({"{", " \"classname\"\t\"trigger_multiple\"", " \"target\"\t\"teleporter2\"",
                     " \"origin\"\t\"0 0 0\"", " \"facing\"\t\"1\""}) +
                  TriggerBrush(64, 0, 0, 0, 64, 1, 0, 1, "common/nodraw") + Lines({"}"}));
}

TEST_F(SwitchTest, ExitLineFiresTheExitEntities) {
    AddEastLine(11, 0);
    BuildSwitches();
    EXPECT_EQ(MapText(),
              Lines({"{", " \"classname\"\t\"trigger_multiple\"", " \"target1\"\t\"removeblue\"",
                     " \"target2\"\t\"removered\"", " \"target3\"\t\"removeyel\"",
                     " \"target4\"\t\"end\"", " \"origin\"\t\"0 0 0\""}) +
                  kEastSwitchBrush + Lines({"}"}));
}

TEST_F(SwitchTest, NorthRunningLineTriggerLiesEast) {
    AddSector(0, 128);
    int line = AddLine(0, 0, 0, 64, 62, 1, 0);
    AddSubsector(AddSeg(line, 0, 16384));
    size_t before = MapText().size();
    WriteSwitchTriggerBrush(line);
    EXPECT_EQ(MapText().substr(before),
              TriggerBrush(0, 0, 0, 64, 18, 0, 18, 64, "common/trigmulti"));
}

TEST_F(SwitchTest, LineWithoutFrontSegTakesItsAngleFromItsVertices) {
    AddSector(0, 128);
    int line = AddLine(0, 0, 64, 0, 62, 1, 0);
    int back_seg = AddSeg(line, 1, 32768);
    AddSubsector(back_seg);
    WriteSwitchTriggerBrush(line);
    EXPECT_EQ(MapText(), kEastSwitchBrush);
}

TEST_F(SwitchTest, DoorLineWithoutBackSideGetsNoTrigger) {
    AddEastLine(1, 0);
    BuildSwitches();
    EXPECT_EQ(MapText(), "");
    EXPECT_EQ(map_writer.brush_count, 0);
}

TEST_F(SwitchTest, SpecialsOutsideTheListsGetNoTrigger) {
    AddEastLine(57, 1);  // a crusher without a trigger
    AddEastLine(9, 1);   // a speaker, but no trigger
    AddEastLine(0, 1);
    BuildSwitches();
    EXPECT_EQ(MapText(), "");
    WriteSwitchSpeakers();
    std::string text = MapText();
    EXPECT_NE(text.find(" \"name\"\t\"switch1\""), std::string::npos);
    EXPECT_EQ(text.find("switch0"), std::string::npos);
    EXPECT_EQ(text.find("switch2"), std::string::npos);
}

TEST_F(SwitchTest, NoMoveKeepsTheSpeakersOnly) {
    AddEastLine(62, 3);
    convert_options.option_flags |= kOptNoMove;
    testing::internal::CaptureStdout();
    BuildSwitches();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(MapText(), "");
    WriteSwitchSpeakers();
    EXPECT_NE(MapText().find(" \"name\"\t\"switch0\""), std::string::npos);
}

TEST_F(SwitchTest, SpeakerPositionIsScaled) {
    AddSector(15, 128);
    int line = AddLine(-3, 5, 0, 8, 62, 1, 0);
    AddSubsector(AddSeg(line, 0, 0));
    convert_options.map_scale = 1.5f;
    WriteSwitchSpeakers();
    // Midpoint (-1, 6) truncated toward zero; z = (15 + 50) * 1.5 = 97.5.
    EXPECT_NE(MapText().find(" \"origin\"\t\"-1 9 97\""), std::string::npos);
}

}  // namespace
