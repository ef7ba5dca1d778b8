// Damage triggers, sector lights and the order of the sector effects of a piece.
#include "tests/converter/entities_movers_fixture.h"

namespace {

int CountClass(const std::vector<std::vector<std::string>>& blocks, const std::string& name) {
    int count = 0;
    for (const auto& block : blocks) count += MoverTest::Key(block, "classname") == name;
    return count;
}

}  // namespace

TEST_F(MoverTest, DamageTriggerCoversThePieceUpToOneAboveTheFloor) {
    EnterSector(AddSector(0, 128, 4));
    SetRectPiece(0, 0, 64, 64, true);
    RunPiece();
    EXPECT_EQ(EntityText(),
              "{\r\n"
              " \"classname\"\t\"trigger_hurt\"\r\n"
              " \"on\"\t\"1\"\r\n"
              " \"def_damage\"\t\"damage_triggerhurt_15\"\r\n"
              " \"origin\"\t\"0 0 0\"\r\n"
              " {\r\n"
              "  ( 1 1 -68 ) ( -1 0 -68 ) ( 1 -1 -68 ) common/trighurt 0 0 0 1.000000 1.000000\r\n"
              "  ( -1 1 1 ) ( 1 0 1 ) ( -1 -1 1 ) common/trighurt 0 0 0 1.000000 1.000000\r\n"
              "  ( 0 64 10 ) ( 0 0 10 ) ( 0 64 0 ) common/nodraw 0 0 0 1.000000 1.000000\r\n"
              "  ( 64 64 10 ) ( 0 64 10 ) ( 64 64 0 ) common/nodraw 0 0 0 1.000000 1.000000\r\n"
              "  ( 64 0 10 ) ( 64 64 10 ) ( 64 0 0 ) common/nodraw 0 0 0 1.000000 1.000000\r\n"
              "  ( 0 0 10 ) ( 64 0 10 ) ( 0 0 0 ) common/nodraw 0 0 0 1.000000 1.000000\r\n"
              " }\r\n"
              "}\r\n");
    EXPECT_EQ(MainText(), "");
    EXPECT_FALSE(map_writer.entity_output);
    EXPECT_EQ(map_writer.brush_count, 1);
    EXPECT_EQ(map_writer.plane_count, 6);
    EXPECT_TRUE(mover_state.damage_trigger_written);
}

TEST_F(MoverTest, DamageDefinitionsBySectorSpecial) {
    const std::pair<int, const char*> cases[] = {
        {4, "damage_triggerhurt_15"}, {5, "damage_triggerhurt_10"},  {6, "damage_triggerhurt_10"},
        {7, "damage_triggerhurt_5"},  {11, "damage_triggerhurt_25"}, {16, "damage_triggerhurt_15"},
    };
    for (const auto& [special, def_damage] : cases) {
        EnterSector(AddSector(0, 128, special));
        SetRectPiece(0, 0, 64, 64, false);
        RunPiece();
    }
    const auto blocks = Blocks(EntityText());
    ASSERT_EQ(blocks.size(), std::size(cases));
    for (size_t i = 0; i < blocks.size(); ++i) {
        EXPECT_EQ(Key(blocks[i], "def_damage"), cases[i].second);
        EXPECT_EQ(Planes(blocks[i]).size(), 2u);  // no clip lines, no side planes
    }
}

TEST_F(MoverTest, LightMaterialsBySectorSpecial) {
    const std::pair<int, const char*> cases[] = {
        {1, "lights/blinkrandom"},    {2, "lights/blink05sec"},  {3, "lights/blink1sec"},
        {8, "lights/glow1sec"},       {12, "lights/blink05sec"}, {13, "lights/blink1sec"},
        {17, "lights/flickerrandom"},
    };
    for (const auto& [special, texture] : cases) {
        EnterSector(AddSector(0, 128, special));
        SetRectPiece(0, 0, 64, 64, true);
        RunPiece();
    }
    // Secret and door-timer sectors have no effect here.
    for (int special : {0, 9, 10, 14}) {
        EnterSector(AddSector(0, 128, special));
        RunPiece();
    }
    const auto blocks = Blocks(EntityText());
    ASSERT_EQ(blocks.size(), std::size(cases));
    for (size_t i = 0; i < blocks.size(); ++i) {
        EXPECT_EQ(Key(blocks[i], "texture"), cases[i].second);
    }
    EXPECT_EQ(map_writer.brush_count, 0);
    EXPECT_EQ(map_writer.plane_count, 0);
}

TEST_F(MoverTest, LightOfARectangularPiece) {
    EnterSector(AddSector(0, 128, 8));
    SetRectPiece(0, 0, 128, 64, true);
    RunPiece();
    EXPECT_EQ(EntityText(),
              "{\r\n"
              " \"classname\"\t\"light\"\r\n"
              " \"noshadows\"\t\"0\"\r\n"
              " \"nospecular\"\t\"0\"\r\n"
              " \"nodiffuse\"\t\"0\"\r\n"
              " \"falloff\"\t\"0\"\r\n"
              " \"texture\"\t\"lights/glow1sec\"\r\n"
              " \"_color\"\t\"1 1 1\"\r\n"
              " \"light_center\"\t\"0 0 44\"\r\n"
              " \"light_radius\"\t\"66 34 128\"\r\n"
              " \"origin\"\t\"64 32 64\"\r\n"
              "}\r\n");
    EXPECT_FALSE(map_writer.entity_output);
}

TEST_F(MoverTest, LightSumsDivideEveryTermByAllEdges) {
    EnterSector(AddSector(0, 100, 8));
    SetRectPiece(10, 0, 30, 5, true);
    // A fifth edge without a clip line still counts in the divisor.
    level.edge_list[4] = level.edge_list[3];
    level.edge_list[4].clip_index = -1;
    level.edge_count = 5;
    RunPiece();
    const auto block = Blocks(EntityText()).at(0);
    EXPECT_EQ(Key(block, "origin"), "16 1 50");
    EXPECT_EQ(Key(block, "light_radius"), "12 4 100");
    EXPECT_EQ(Key(block, "light_center"), "0 0 30");
}

TEST_F(MoverTest, LightBelowZero) {
    EnterSector(AddSector(-32, 0, 3));
    SetRectPiece(0, 0, 16, 16, true);
    RunPiece();
    const auto block = Blocks(EntityText()).at(0);
    EXPECT_EQ(Key(block, "light_center"), "0 0 -4");
    EXPECT_EQ(Key(block, "light_radius"), "10 10 32");
    EXPECT_EQ(Key(block, "origin"), "8 8 -16");
}

TEST_F(MoverTest, LightAndTriggerAtScaleTwo) {
    convert_options.map_scale = 2.0f;
    EnterSector(AddSector(0, 128, 17));
    SetRectPiece(0, 0, 128, 64, true);
    RunPiece();
    EnterSector(AddSector(0, 128, 7));
    RunPiece();
    const auto blocks = Blocks(EntityText());
    ASSERT_EQ(blocks.size(), 2u);
    EXPECT_EQ(Key(blocks[0], "light_center"), "0 0 108");
    EXPECT_EQ(Key(blocks[0], "light_radius"), "130 66 256");
    EXPECT_EQ(Key(blocks[0], "origin"), "128 64 128");
    EXPECT_EQ(blocks[1][6],
              "  ( 2 2 -136 ) ( -2 0 -136 ) ( 2 -2 -136 ) common/trighurt 0 0 0 2.000000 "
              "2.000000");
    EXPECT_EQ(blocks[1][8],
              "  ( 0 128 20 ) ( 0 0 20 ) ( 0 128 0 ) common/nodraw 0 0 0 2.000000 2.000000");
}

TEST_F(MoverTest, LightHeightsAtScaleOneAndAHalf) {
    convert_options.map_scale = 1.5f;
    EnterSector(AddSector(-13, 50, 2));
    SetRectPiece(0, 0, 16, 16, true);
    RunPiece();
    const auto block = Blocks(EntityText()).at(0);
    EXPECT_EQ(Key(block, "light_center"), "0 0 26");
    EXPECT_EQ(Key(block, "light_radius"), "14 14 94");
    EXPECT_EQ(Key(block, "origin"), "12 12 27");
}

TEST_F(MoverTest, PieceOfManyEdgesGetsNoSidesAndNoPlacement) {
    level.edge_list.resize(300);
    EnterSector(AddSector(0, 128, 17));
    SetRectPiece(0, 0, 64, 64, true);
    for (int i = 4; i < 257; ++i) level.edge_list[i] = level.edge_list[i % 4];
    level.edge_count = 257;
    RunPiece();
    EnterSector(AddSector(0, 128, 16));
    RunPiece();
    const auto blocks = Blocks(EntityText());
    ASSERT_EQ(blocks.size(), 2u);
    EXPECT_EQ(KeyOrder(blocks[0]),
              "classname,noshadows,nospecular,nodiffuse,falloff,texture,_color");
    EXPECT_EQ(Planes(blocks[1]).size(), 2u);
    EXPECT_EQ(map_writer.plane_count, 2);
}

TEST_F(MoverTest, LightForEveryPieceOfTheSector) {
    EnterSector(AddSector(0, 128, 17));
    const int boxes[3][4] = {{0, 0, 64, 64}, {64, 0, 128, 32}, {64, 32, 96, 64}};
    for (const auto& box : boxes) {
        SetRectPiece(box[0], box[1], box[2], box[3], true);
        RunPiece();
    }
    const auto blocks = Blocks(EntityText());
    ASSERT_EQ(blocks.size(), 3u);
    EXPECT_EQ(Key(blocks[0], "origin"), "32 32 64");
    EXPECT_EQ(Key(blocks[1], "origin"), "96 16 64");
    EXPECT_EQ(Key(blocks[2], "origin"), "80 48 64");
    for (const auto& block : blocks) EXPECT_EQ(Key(block, "texture"), "lights/flickerrandom");
}

TEST_F(MoverTest, MoverComesFirstAndTheLightSeesItsHeights) {
    AddLine(62, 2);
    EnterSector(AddSector(64, 128, 8, 2));
    level.lowest_floor = 0;
    SetRectPiece(0, 0, 64, 64, false);
    RunPiece();
    const auto blocks = Blocks(EntityText());
    ASSERT_EQ(blocks.size(), 2u);
    EXPECT_EQ(Key(blocks[0], "classname"), "func_door");
    EXPECT_EQ(Key(blocks[1], "classname"), "light");
    EXPECT_EQ(Key(blocks[1], "origin"), "0 0 64");  // floor lowered to 0 by the lift
}

// A damage sector whose tag reaches the door line in front of it.
class DamageDoorTest : public MoverTest {
protected:
    void MakeDamageDoor(int line_tag) {
        const int room = AddSector(0, 128);
        const int sector = AddSector(0, 0, 4, 3);
        const int line = AddLine(1, line_tag, AddSide(room), AddSide(sector));
        EnterSector(sector);
        level.highest_ceiling = 128;
        SetRectPiece(0, 0, 64, 16, false);
        PutEdgeBehindLine(2, line);
    }
};

TEST_F(DamageDoorTest, DoorStepIsSkippedBehindATaggedLine) {
    MakeDamageDoor(3);
    RunPiece();
    const auto blocks = Blocks(EntityText());
    ASSERT_EQ(blocks.size(), 1u);
    EXPECT_EQ(Key(blocks[0], "classname"), "trigger_hurt");
}

TEST_F(DamageDoorTest, DoorStepRunsBehindAnUntaggedLine) {
    MakeDamageDoor(0);
    RunPiece();
    const auto blocks = Blocks(EntityText());
    ASSERT_EQ(blocks.size(), 2u);
    EXPECT_EQ(Key(blocks[0], "classname"), "trigger_hurt");
    EXPECT_EQ(Key(blocks[1], "name"), "0t3");
}

TEST_F(DamageDoorTest, DoorStepRunsWithoutADamageTrigger) {
    MakeDamageDoor(3);
    level.sectors[1].special = 0;
    RunPiece();
    const auto blocks = Blocks(EntityText());
    ASSERT_EQ(blocks.size(), 1u);
    EXPECT_EQ(Key(blocks[0], "classname"), "func_door");
}

TEST_F(MoverTest, NoEffectsWithNoMove) {
    convert_options.option_flags |= kOptNoMove;
    for (int special : {4, 17}) {
        EnterSector(AddSector(0, 128, special));
        SetRectPiece(0, 0, 64, 64, true);
        RunPiece();
    }
    EXPECT_EQ(EntityText(), "");
    EXPECT_EQ(MainText(), "");
    EXPECT_EQ(map_writer.brush_count, 0);
    EXPECT_EQ(mover_state.floor_material, "FLOOR");
    EXPECT_EQ(mover_state.ceiling_material, "CEIL");
}

TEST_F(MoverTest, TagZeroDispatchesNoLine) {
    AddLine(62, 0);
    EnterSector(AddSector(64, 128));
    SetRectPiece(0, 0, 64, 64, false);
    RunPiece();
    EXPECT_EQ(CountClass(Blocks(EntityText()), "func_door"), 0);
}
