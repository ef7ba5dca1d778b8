// Tagged movers and manual doors written for hand-made convex pieces.
#include <map>
#include <set>

#include "tests/converter/entities_movers_fixture.h"

using PlaneList = std::vector<std::string>;

TEST(LineSpecialTable, EverySpecialOnceAndTheKindsAddUp) {
    std::set<int32_t> seen;
    std::map<MoverKind, int> per_kind;
    for (const LineSpecialHandler& handler : kLineSpecialHandlers) {
        EXPECT_TRUE(seen.insert(handler.special).second) << handler.special;
        EXPECT_NE(handler.special, 0);
        EXPECT_NE(handler.writer, nullptr);
        ++per_kind[handler.kind];
        EXPECT_EQ(FindLineSpecialHandler(handler.special), &handler);
    }
    EXPECT_EQ(kLineSpecialHandlers.size(), 111u);
    const std::map<MoverKind, int> expected = {
        {MoverKind::kLift, 8},           {MoverKind::kCeiling, 6},
        {MoverKind::kCrusher, 7},        {MoverKind::kRaiseToNextFloor, 13},
        {MoverKind::kRaiseToCeiling, 9}, {MoverKind::kRaiseByAmount, 10},
        {MoverKind::kStairs, 4},         {MoverKind::kLowerToLowest, 6},
        {MoverKind::kPlatform, 8},       {MoverKind::kLowerToHighest, 8},
        {MoverKind::kDoorOpen, 22},      {MoverKind::kDoorClose, 10},
    };
    EXPECT_EQ(per_kind, expected);
    // Manual doors, exits and teleports to nowhere move no tagged sector.
    for (int32_t special : {0, 1, 11, 26, 46, 117, 118, 9, 138, -1}) {
        EXPECT_EQ(FindLineSpecialHandler(special), nullptr) << special;
    }
    for (int32_t special : kManualDoorSpecials) EXPECT_TRUE(IsManualDoorSpecial(special));
    EXPECT_FALSE(IsManualDoorSpecial(0));
    EXPECT_FALSE(IsManualDoorSpecial(63));
}

// A sector with tag 5 whose tag line carries `special`; its piece has no clip
// lines, so the mover brush is its two horizontal planes alone.
class TaggedMoverTest : public MoverTest {
protected:
    int MakeTaggedSector(int special, int floor, int ceiling, int tag = 5) {
        AddLine(0, 0);
        AddLine(special, tag);
        const int sector = AddSector(floor, ceiling, 0, tag);
        EnterSector(sector);
        SetRectPiece(0, 0, 64, 64, false);
        return sector;
    }
    std::vector<std::string> OnlyBlock() {
        auto blocks = Blocks(EntityText());
        EXPECT_EQ(blocks.size(), 1u);
        return blocks.empty() ? std::vector<std::string>{} : blocks[0];
    }
};

TEST_F(TaggedMoverTest, LiftGoesDownToTheLowestFloorAndLeavesTheFloorThere) {
    MakeTaggedSector(62, 64, 128);
    level.lowest_floor = 0;
    level.floor_level = 32;  // reset from the sector record first
    RunPiece();
    EXPECT_EQ(EntityText(),
              "{\r\n"
              " \"classname\"\t\"func_door\"\r\n"
              " \"name\"\t\"0t5\"\r\n"
              " \"angle\"\t\"-2\"\r\n"
              " \"speed\"\t\"200\"\r\n"
              " \"origin\"\t\"0 0 0\"\r\n"
              " \"no_touch\"\t\"1\"\r\n"
              " \"crusher\"\t\"1\"\r\n"
              " \"wait\"\t\"3\"\r\n"
              " {\r\n"
              "  ( 1 1 -8 ) ( -1 0 -8 ) ( 1 -1 -8 ) FLOOR 0 0 0 1.000000 1.000000\r\n"
              "  ( -1 1 64 ) ( 1 0 64 ) ( -1 -1 64 ) FLOOR 0 0 0 1.000000 1.000000\r\n"
              " }\r\n"
              "}\r\n");
    EXPECT_EQ(MainText(), "");
    EXPECT_FALSE(map_writer.entity_output);
    EXPECT_EQ(level.floor_level, 0);
    EXPECT_EQ(map_writer.brush_count, 1);
    EXPECT_EQ(map_writer.plane_count, 2);
}

TEST_F(TaggedMoverTest, FastLift) {
    MakeTaggedSector(123, 64, 128);
    RunPiece();
    EXPECT_EQ(Key(OnlyBlock(), "speed"), "400");
}

TEST_F(TaggedMoverTest, CeilingThatRisesToTheHighestCeiling) {
    MakeTaggedSector(40, 0, 128);
    level.highest_ceiling = 192;
    RunPiece();
    const auto block = OnlyBlock();
    EXPECT_EQ(KeyOrder(block), "classname,name,angle,wait,origin,no_touch,crusher");
    EXPECT_EQ(Key(block, "angle"), "-1");
    EXPECT_EQ(Key(block, "wait"), "-1");
    EXPECT_EQ(Planes(block), (PlaneList{"200 CEIL", "128 CEIL"}));
    EXPECT_EQ(level.ceiling_level, 192);
}

TEST_F(TaggedMoverTest, CeilingThatLowers) {
    MakeTaggedSector(41, 0, 128);
    level.highest_ceiling = 192;
    RunPiece();
    const auto block = OnlyBlock();
    EXPECT_EQ(Key(block, "angle"), "-2");
    EXPECT_EQ(Planes(block), (PlaneList{"264 CEIL", "128 CEIL"}));
    EXPECT_EQ(level.ceiling_level, 128);
}

TEST_F(TaggedMoverTest, CrusherNamesItselfAsItsClosedTrigger) {
    MakeTaggedSector(6, 0, 128);
    RunPiece();
    const auto block = OnlyBlock();
    EXPECT_EQ(KeyOrder(block),
              "classname,name,triggerClosed,angle,wait,damage,origin,no_touch,crusher,speed");
    EXPECT_EQ(Key(block, "name"), "0t5");
    EXPECT_EQ(Key(block, "triggerClosed"), "0t5");
    EXPECT_EQ(Key(block, "speed"), "80");
    EXPECT_EQ(Key(block, "damage"), "2");
    EXPECT_EQ(Key(block, "wait"), "0");
    EXPECT_EQ(Planes(block), (PlaneList{"236 CEIL", "127 CEIL"}));
}

TEST_F(TaggedMoverTest, SlowCrusher) {
    MakeTaggedSector(73, 0, 128);
    RunPiece();
    EXPECT_EQ(Key(OnlyBlock(), "speed"), "40");
}

TEST_F(TaggedMoverTest, RaiseToNextFloor) {
    MakeTaggedSector(18, 0, 128);
    level.next_higher_floor = 64;
    RunPiece();
    const auto block = OnlyBlock();
    EXPECT_EQ(KeyOrder(block), "classname,name,angle,speed,wait,origin,no_touch,crusher");
    EXPECT_EQ(Key(block, "speed"), "80");
    EXPECT_EQ(Planes(block), (PlaneList{"-69 FLOOR", "-1 FLOOR"}));
    EXPECT_EQ(level.floor_level, 0);
}

TEST_F(TaggedMoverTest, FastRaiseToNextFloor) {
    MakeTaggedSector(130, 0, 128);
    RunPiece();
    EXPECT_EQ(Key(OnlyBlock(), "speed"), "120");
}

TEST_F(TaggedMoverTest, RaiseToCeiling) {
    MakeTaggedSector(5, 0, 128);
    level.lowest_neighbour_ceiling = 96;
    RunPiece();
    EXPECT_EQ(Planes(OnlyBlock()), (PlaneList{"-104 FLOOR", "0 FLOOR"}));
}

TEST_F(TaggedMoverTest, RaiseByAmount) {
    MakeTaggedSector(58, 40, 128);
    RunPiece();
    const auto block = OnlyBlock();
    EXPECT_EQ(Key(block, "speed"), "80");
    EXPECT_EQ(Planes(block), (PlaneList{"11 FLOOR", "39 FLOOR"}));
}

TEST_F(TaggedMoverTest, RaiseByLargeAmount) {
    MakeTaggedSector(140, 0, 128);
    RunPiece();
    const auto block = OnlyBlock();
    EXPECT_EQ(Key(block, "speed"), "100");
    EXPECT_EQ(Planes(block), (PlaneList{"-517 FLOOR", "-1 FLOOR"}));
}

TEST_F(TaggedMoverTest, StairPiecesRiseByLargerSteps) {
    MakeTaggedSector(7, 16, 128);
    for (int piece = 0; piece < 3; ++piece) RunPiece();
    const auto blocks = Blocks(EntityText());
    ASSERT_EQ(blocks.size(), 3u);
    EXPECT_EQ(Planes(blocks[0]), (PlaneList{"11 FLOOR", "15 FLOOR"}));
    EXPECT_EQ(Planes(blocks[1]), (PlaneList{"3 FLOOR", "15 FLOOR"}));
    EXPECT_EQ(Planes(blocks[2]), (PlaneList{"-5 FLOOR", "15 FLOOR"}));
    EXPECT_EQ(Key(blocks[2], "name"), "2t5");
    EXPECT_EQ(Key(blocks[2], "speed"), "80");
}

TEST_F(TaggedMoverTest, FastStairsRiseBySixteen) {
    MakeTaggedSector(127, 16, 128);
    for (int piece = 0; piece < 3; ++piece) RunPiece();
    EXPECT_EQ(mover_state.stair_step, 32);
    const auto blocks = Blocks(EntityText());
    ASSERT_EQ(blocks.size(), 3u);
    EXPECT_EQ(Planes(blocks[1]), (PlaneList{"-5 FLOOR", "15 FLOOR"}));
    EXPECT_EQ(Key(blocks[0], "speed"), "100");
}

TEST_F(TaggedMoverTest, PlatformAtTheLowestFloorMovesUp) {
    MakeTaggedSector(87, 16, 128);
    level.next_higher_floor = 48;
    RunPiece();
    const auto block = OnlyBlock();
    EXPECT_EQ(KeyOrder(block),
              "classname,name,triggerClosed,speed,wait,origin,no_touch,crusher,angle");
    EXPECT_EQ(Key(block, "angle"), "-1");
    EXPECT_EQ(Planes(block), (PlaneList{"-23 FLOOR", "15 FLOOR"}));
    EXPECT_EQ(level.floor_level, 16);
}

TEST_F(TaggedMoverTest, PlatformAboveTheLowestFloorMovesDown) {
    MakeTaggedSector(87, 64, 128);
    level.lowest_floor = 0;
    RunPiece();
    const auto block = OnlyBlock();
    EXPECT_EQ(Key(block, "angle"), "-2");
    EXPECT_EQ(Planes(block), (PlaneList{"-7 FLOOR", "63 FLOOR"}));
    EXPECT_EQ(level.floor_level, 0);
}

TEST_F(TaggedMoverTest, LowerToHighestLeavesTheFloorAtTheLowestFloor) {
    MakeTaggedSector(19, 128, 256);
    level.highest_neighbour_floor = 64;
    level.lowest_floor = 0;
    RunPiece();
    EXPECT_EQ(Planes(OnlyBlock()), (PlaneList{"56 FLOOR", "128 FLOOR"}));
    EXPECT_EQ(level.floor_level, 0);
}

TEST_F(TaggedMoverTest, LowerToLowest) {
    MakeTaggedSector(38, 64, 128);
    level.lowest_floor = -32;
    RunPiece();
    EXPECT_EQ(Planes(OnlyBlock()), (PlaneList{"-40 FLOOR", "64 FLOOR"}));
    EXPECT_EQ(level.floor_level, -32);
}

TEST_F(TaggedMoverTest, DoorThatStaysOpen) {
    MakeTaggedSector(2, 0, 0);
    level.ceiling_level = 128;  // a shut door is built at the open height
    level.highest_ceiling = 128;
    RunPiece();
    const auto block = OnlyBlock();
    EXPECT_EQ(KeyOrder(block), "classname,name,angle,speed,origin,no_touch,crusher,wait");
    EXPECT_EQ(Key(block, "speed"), "100");
    EXPECT_EQ(Key(block, "wait"), "-1");
    EXPECT_EQ(Planes(block), (PlaneList{"128 CEIL", "0 CEIL"}));
    EXPECT_EQ(level.ceiling_level, 128);
}

TEST_F(TaggedMoverTest, DoorThatClosesAgain) {
    MakeTaggedSector(4, 0, 0);
    level.highest_ceiling = 128;
    RunPiece();
    EXPECT_EQ(KeyOrder(OnlyBlock()), "classname,name,angle,speed,origin,no_touch,crusher");
}

TEST_F(TaggedMoverTest, FastBlueDoor) {
    MakeTaggedSector(99, 0, 0);
    RunPiece();
    EXPECT_EQ(Key(OnlyBlock(), "speed"), "200");
}

TEST_F(TaggedMoverTest, DoorThatCloses) {
    MakeTaggedSector(16, 0, 96);
    level.highest_ceiling = 128;
    RunPiece();
    const auto block = OnlyBlock();
    EXPECT_EQ(KeyOrder(block), "classname,name,angle,origin,no_touch,crusher");
    EXPECT_EQ(Planes(block), (PlaneList{"128 CEIL", "0 CEIL"}));
}

TEST_F(TaggedMoverTest, ShootableFloorIsBoundToItsLine) {
    MakeTaggedSector(24, 0, 128);
    RunPiece();
    EXPECT_EQ(Key(OnlyBlock(), "bind"), "s5");
}

TEST_F(TaggedMoverTest, TagAboveSixtyHasNoName) {
    MakeTaggedSector(62, 64, 128, 61);
    RunPiece();
    const auto block = OnlyBlock();
    EXPECT_EQ(KeyOrder(block), "classname,angle,speed,origin,no_touch,crusher,wait");
    EXPECT_EQ(Planes(block).size(), 2u);
}

TEST_F(TaggedMoverTest, OnlyTheFirstTaggedLineCounts) {
    AddLine(0, 3);
    AddLine(62, 3);
    EnterSector(AddSector(64, 128, 0, 3));
    SetRectPiece(0, 0, 64, 64, false);
    RunPiece();
    EXPECT_EQ(EntityText(), "");
    EXPECT_EQ(mover_state.piece_counter[3], 0);
}

TEST_F(TaggedMoverTest, ExitLineMovesNothing) {
    MakeTaggedSector(11, 0, 128);
    RunPiece();
    EXPECT_EQ(EntityText(), "");
}

TEST_F(TaggedMoverTest, SectorsSharingATagNumberTheirPiecesOn) {
    AddLine(63, 9);
    const int first = AddSector(0, 0, 0, 9);
    const int second = AddSector(0, 0, 0, 9);
    for (int sector : {first, second}) {
        EnterSector(sector);
        SetRectPiece(0, 0, 64, 64, false);
        RunPiece();
        RunPiece();
    }
    const auto blocks = Blocks(EntityText());
    ASSERT_EQ(blocks.size(), 4u);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(Key(blocks[i], "name"), std::to_string(i) + "t9");
    }
}

TEST_F(TaggedMoverTest, NoMoversWithNoMove) {
    MakeTaggedSector(7, 16, 128);
    convert_options.option_flags |= kOptNoMove;
    RunPiece();
    RunPiece();
    EXPECT_EQ(EntityText(), "");
    EXPECT_EQ(mover_state.piece_counter[5], 0);
    EXPECT_EQ(mover_state.stair_step, 0);
    EXPECT_EQ(map_writer.brush_count, 0);
}

TEST_F(TaggedMoverTest, MoverPlanesAreScaled) {
    MakeTaggedSector(62, 64, 128);
    level.lowest_floor = 0;
    convert_options.map_scale = 2.0f;
    RunPiece();
    const auto block = OnlyBlock();
    ASSERT_EQ(block.size(), 14u);
    EXPECT_EQ(block[10], "  ( 2 2 -16 ) ( -2 0 -16 ) ( 2 -2 -16 ) FLOOR 0 0 0 2.000000 2.000000");
    EXPECT_EQ(block[11], "  ( -2 2 128 ) ( 2 0 128 ) ( -2 -2 128 ) FLOOR 0 0 0 2.000000 2.000000");
}

// Doors that a line opens without a tag: the sector behind the line.
class ManualDoorTest : public MoverTest {
protected:
    // Sectors 0 to 12 exist; sector `index` is a shut door (floor 0, open
    // height 128) behind a line with `special`.
    int MakeDoorSector(int special, int index = 12, int tag = 0) {
        while (level.num_sectors < index) AddSector(0, 128);
        const int sector = AddSector(0, 0, 0, tag);
        const int line = AddLine(special, 0, AddSide(0), AddSide(sector));
        EnterSector(sector);
        level.highest_ceiling = 128;
        level.ceiling_level = 128;
        SetRectPiece(0, 0, 64, 16, false);
        PutEdgeBehindLine(1, line);
        return sector;
    }
};

TEST_F(ManualDoorTest, PiecesOfOneDoorAreNumberedFromZero) {
    MakeDoorSector(1);
    RunPiece();
    RunPiece();
    const auto blocks = Blocks(EntityText());
    ASSERT_EQ(blocks.size(), 2u);
    EXPECT_EQ(Key(blocks[0], "name"), "0t100012");
    EXPECT_EQ(Key(blocks[1], "name"), "1t100012");
    EXPECT_EQ(KeyOrder(blocks[0]), "classname,name,angle,speed,origin,no_touch,crusher");
    EXPECT_EQ(Key(blocks[0], "speed"), "200");
    EXPECT_EQ(Planes(blocks[0]), (PlaneList{"128 CEIL", "0 CEIL"}));
    EXPECT_EQ(level.ceiling_level, 128);
    EXPECT_EQ(mover_state.door_piece_counter, 2);
    EXPECT_EQ(mover_state.last_door_sector, 12);
}

TEST_F(ManualDoorTest, DoorThatStaysOpen) {
    MakeDoorSector(31);
    RunPiece();
    EXPECT_EQ(Key(Blocks(EntityText())[0], "wait"), "-1");
}

TEST_F(ManualDoorTest, DoorOpenedByGunfireIsBoundToItsShootable) {
    MakeDoorSector(46, 3, 7);
    RunPiece();
    const auto block = Blocks(EntityText())[0];
    EXPECT_EQ(KeyOrder(block), "classname,name,angle,speed,origin,no_touch,crusher,bind,wait");
    EXPECT_EQ(Key(block, "name"), "0t7");
    EXPECT_EQ(Key(block, "bind"), "f7");
}

TEST_F(ManualDoorTest, FastDoor) {
    MakeDoorSector(117);
    RunPiece();
    const auto block = Blocks(EntityText())[0];
    EXPECT_EQ(Key(block, "speed"), "400");
    EXPECT_EQ(Key(block, "wait"), "<none>");
}

TEST_F(ManualDoorTest, NumberingRestartsForEveryDoorSector) {
    const int first = MakeDoorSector(1, 2, 4);
    const int second = MakeDoorSector(1, 5, 4);
    for (int sector : {first, second}) {
        EnterSector(sector);
        RunPiece();
        RunPiece();
    }
    const auto blocks = Blocks(EntityText());
    ASSERT_EQ(blocks.size(), 4u);
    EXPECT_EQ(Key(blocks[0], "name"), "0t4");
    EXPECT_EQ(Key(blocks[1], "name"), "1t4");
    EXPECT_EQ(Key(blocks[2], "name"), "0t4");
    EXPECT_EQ(Key(blocks[3], "name"), "1t4");
}

TEST_F(ManualDoorTest, PieceInFrontOfTheLineIsNoDoor) {
    MakeDoorSector(1);
    level.edge_list[1].other_sidedef = level.linedefs[0].left_sidedef;
    EXPECT_EQ(FindDoorSpecial(), 0);
    RunPiece();
    EXPECT_EQ(EntityText(), "");
}

TEST_F(ManualDoorTest, FirstDoorLineOfThePieceDecides) {
    MakeDoorSector(26);
    const int other = AddLine(0, 0, AddSide(0), AddSide(12));
    const int later = AddLine(117, 0, AddSide(0), AddSide(12));
    PutEdgeBehindLine(0, other);
    PutEdgeBehindLine(2, later);
    EXPECT_EQ(FindDoorSpecial(), 26);
}

TEST_F(ManualDoorTest, TaggedDoorTakesPrecedence) {
    const int sector = MakeDoorSector(1, 12, 4);
    AddLine(63, 4);
    EnterSector(sector);
    level.highest_ceiling = 128;
    RunPiece();
    const auto blocks = Blocks(EntityText());
    ASSERT_EQ(blocks.size(), 1u);
    EXPECT_EQ(Key(blocks[0], "speed"), "100");  // the tagged door's speed
    EXPECT_EQ(mover_state.door_piece_counter, 0);
}
