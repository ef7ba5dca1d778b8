// Damage triggers, sector lights and the order of the sector effects of a piece.
#include "tests/converter/entities_movers_fixture.h"

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
}

TEST_F(MoverTest, DamageAndLightMaterialsBySectorSpecial) {
    const std::pair<int, const char*> cases[] = {
        {4, "damage_triggerhurt_15"}, {5, "damage_triggerhurt_10"},  {6, "damage_triggerhurt_10"},
        {7, "damage_triggerhurt_5"},  {11, "damage_triggerhurt_25"}, {16, "damage_triggerhurt_15"},
        {1, "lights/blinkrandom"},    {2, "lights/blink05sec"},      {3, "lights/blink1sec"},
        {8, "lights/glow1sec"},       {12, "lights/blink05sec"},     {13, "lights/blink1sec"},
        {17, "lights/flickerrandom"},
    };
    SetRectPiece(0, 0, 64, 64, false);
    for (const auto& [special, material] : cases) {
        EnterSector(AddSector(0, 128, special));
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
        const bool damage = i < 6;
        EXPECT_EQ(Key(blocks[i], damage ? "def_damage" : "texture"), cases[i].second);
    }
    EXPECT_EQ(map_writer.brush_count, 6);   // the lights add no brush
    EXPECT_EQ(map_writer.plane_count, 12);  // no clip lines, no side planes
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

// Rounding of the placement: per-term integer division by 2n (edges without a
// clip line count in n), truncation of the scaled heights.
TEST_F(MoverTest, LightPlacementRounding) {
    struct Case {
        int floor, ceiling;
        int x1, y1, x2, y2;
        bool extra_edge;
        float scale;
        const char* placement;  // light_center|light_radius|origin
    } cases[] = {
        {0, 100, 13, 0, 31, 5, true, 1.0f, "0 0 30|11 4 100|16 1 50"},
        {-32, 0, 0, 0, 16, 16, false, 1.0f, "0 0 -4|10 10 32|8 8 -16"},
        {-13, 50, 0, 0, 16, 16, false, 1.5f, "0 0 26|14 14 94|12 12 27"},
        {0, 128, 0, 0, 128, 64, false, 2.0f, "0 0 108|130 66 256|128 64 128"},
    };
    for (const Case& c : cases) {
        convert_options.map_scale = c.scale;
        EnterSector(AddSector(c.floor, c.ceiling, 8));
        SetRectPiece(c.x1, c.y1, c.x2, c.y2, true);
        if (c.extra_edge) {
            level.edge_list[4] = level.edge_list[3];
            level.edge_list[4].clip_index = -1;
            level.edge_count = 5;
        }
        RunPiece();
        const auto block = Blocks(EntityText()).back();
        EXPECT_EQ(Key(block, "light_center") + "|" + Key(block, "light_radius") + "|" +
                      Key(block, "origin"),
                  c.placement);
    }
}

TEST_F(MoverTest, DamageTriggerPlanesAreScaled) {
    convert_options.map_scale = 2.0f;
    EnterSector(AddSector(0, 128, 7));
    SetRectPiece(0, 0, 128, 64, true);
    RunPiece();
    const auto block = Blocks(EntityText()).at(0);
    EXPECT_EQ(block[6],
              "  ( 2 2 -136 ) ( -2 0 -136 ) ( 2 -2 -136 ) common/trighurt 0 0 0 2.000000 "
              "2.000000");
    EXPECT_EQ(block[8],
              "  ( 0 128 20 ) ( 0 0 20 ) ( 0 128 0 ) common/nodraw 0 0 0 2.000000 2.000000");
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
    EXPECT_EQ(KeyValues(blocks[0]),
              "noshadows=0,nospecular=0,nodiffuse=0,falloff=0,texture=lights/flickerrandom,"
              "_color=1 1 1");
    EXPECT_EQ(Planes(blocks[1]), "-68 common/trighurt|1 common/trighurt");
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
    EXPECT_EQ(Key(blocks[1], "origin"), "0 0 64");  // floor lowered to 0 by the lift
}

// A damage sector with tag 3 behind a door line: the door step is skipped when
// the line is tagged, and runs when it is not or when there is no damage.
TEST_F(MoverTest, DamageTriggerStopsTheDoorBehindATaggedLine) {
    const struct {
        int line_tag, sector_special;
        const char* classes;
    } cases[] = {
        {3, 4, "trigger_hurt"},
        {0, 4, "trigger_hurt,func_door"},
        {3, 0, "func_door"},
    };
    for (const auto& c : cases) {
        TearDown();
        SetUp();
        const int room = AddSector(0, 128);
        const int sector = AddSector(0, 0, c.sector_special, 3);
        const int line = AddLine(1, c.line_tag, AddSide(room), AddSide(sector));
        EnterSector(sector);
        level.highest_ceiling = 128;
        SetRectPiece(0, 0, 64, 16, false);
        PutEdgeBehindLine(2, line);
        RunPiece();
        std::string classes;
        for (const auto& block : Blocks(EntityText())) {
            classes += (classes.empty() ? "" : ",") + Key(block, "classname");
        }
        EXPECT_EQ(classes, c.classes) << c.line_tag << " " << c.sector_special;
    }
}

TEST_F(MoverTest, NoEffectsWithNoMove) {
    convert_options.option_flags |= kOptNoMove;
    AddLine(1, 0, AddSide(0), AddSide(0));
    for (int special : {4, 17}) {
        EnterSector(AddSector(0, 128, special));
        SetRectPiece(0, 0, 64, 64, true);
        PutEdgeBehindLine(0, 0);
        RunPiece();
    }
    EXPECT_EQ(EntityText(), "");
    EXPECT_EQ(MainText(), "");
    EXPECT_EQ(map_writer.brush_count, 0);
    EXPECT_EQ(mover_state.floor_material, "FLOOR");
}
