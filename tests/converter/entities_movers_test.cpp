// Tagged movers and manual doors written for hand-made convex pieces.
#include <map>
#include <set>

#include "tests/converter/entities_movers_fixture.h"

TEST(LineSpecialTable, EverySpecialOnceAndTheKindsAddUp) {
    std::set<int32_t> seen;
    std::map<MoverKind, int> per_kind;
    for (const LineSpecialHandler& handler : kLineSpecialHandlers) {
        EXPECT_TRUE(seen.insert(handler.special).second) << handler.special;
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
    // Manual doors and exits move no tagged sector.
    for (int32_t special : {0, 1, 11, 26, 46, 117, 118, 9, -1}) {
        EXPECT_EQ(FindLineSpecialHandler(special), nullptr) << special;
    }
    EXPECT_TRUE(IsManualDoorSpecial(118));
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
};

TEST_F(TaggedMoverTest, LiftFrameAndCounters) {
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
    EXPECT_EQ(mover_state.piece_counter[5], 1);
}

struct MoverCase {
    int special;
    int floor, ceiling;  // the sector's own heights
    int lowest_floor, highest_ceiling, next_higher_floor, highest_neighbour_floor,
        lowest_neighbour_ceiling;
    const char* keys;    // after classname and name
    const char* planes;  // first point's height and material of each plane
    int floor_after, ceiling_after;
};

TEST_F(TaggedMoverTest, KeysHeightsAndFollowUpOfEveryKind) {
    const MoverCase cases[] = {
        {123, 64, 128, 0, 128, 256, 0, 256, "angle=-2,speed=400,*,wait=3", "-8 FLOOR|64 FLOOR", 0,
         128},
        {40, 0, 128, 0, 192, 256, 0, 256, "angle=-1,wait=-1,*", "200 CEIL|128 CEIL", 0, 192},
        {41, 0, 128, 0, 192, 256, 0, 256, "angle=-2,wait=-1,*", "264 CEIL|128 CEIL", 0, 128},
        {44, 0, 128, 0, 192, 256, 0, 256, "angle=-2,wait=-1,*", "256 CEIL|128 CEIL", 0, 128},
        {6, 0, 128, 0, 128, 256, 0, 256, "triggerClosed=0t5,angle=-2,wait=0,damage=2,*,speed=80",
         "236 CEIL|127 CEIL", 0, 128},
        {73, 0, 128, 0, 128, 256, 0, 256, "triggerClosed=0t5,angle=-2,wait=0,damage=2,*,speed=40",
         "236 CEIL|127 CEIL", 0, 128},
        {18, 0, 128, 0, 128, 64, 64, 256, "angle=-1,speed=80,wait=-1,*", "-69 FLOOR|-1 FLOOR", 0,
         128},
        {130, 0, 128, 0, 128, 64, 64, 256, "angle=-1,speed=120,wait=-1,*", "-69 FLOOR|-1 FLOOR", 0,
         128},
        {5, 0, 128, 0, 128, 256, 0, 96, "angle=-1,speed=80,wait=-1,*", "-104 FLOOR|0 FLOOR", 0,
         128},
        {24, 0, 128, 0, 128, 256, 0, 96, "bind=s5,angle=-1,speed=80,wait=-1,*",
         "-104 FLOOR|0 FLOOR", 0, 128},
        {58, 40, 128, 0, 128, 256, 0, 256, "angle=-1,speed=80,wait=-1,*", "11 FLOOR|39 FLOOR", 40,
         128},
        {140, 0, 128, 0, 128, 256, 0, 256, "angle=-1,speed=100,wait=-1,*", "-517 FLOOR|-1 FLOOR", 0,
         128},
        {38, 64, 128, -32, 128, 256, 0, 256, "angle=-2,speed=80,wait=-1,*", "-40 FLOOR|64 FLOOR",
         -32, 128},
        // A platform at the lowest floor around moves up; above it, down.
        {87, 16, 128, 16, 128, 48, 48, 256, "triggerClosed=0t5,speed=80,wait=3,*,angle=-1",
         "-23 FLOOR|15 FLOOR", 16, 128},
        {87, 64, 128, 0, 128, 256, 0, 256, "triggerClosed=0t5,speed=80,wait=3,*,angle=-2",
         "-7 FLOOR|63 FLOOR", 0, 128},
        // Lowered to the highest floor around, the static floor is still
        // built at the lowest floor.
        {19, 128, 256, 0, 256, 256, 64, 256, "angle=-2,speed=80,wait=-1,*", "56 FLOOR|128 FLOOR", 0,
         256},
        {2, 0, 0, 0, 128, 256, 0, 256, "angle=-1,speed=100,*,wait=-1", "128 CEIL|0 CEIL", 0, 128},
        {4, 0, 0, 0, 128, 256, 0, 256, "angle=-1,speed=100,*", "128 CEIL|0 CEIL", 0, 128},
        {99, 0, 0, 0, 128, 256, 0, 256, "angle=-1,speed=200,*", "128 CEIL|0 CEIL", 0, 128},
        {16, 0, 96, 0, 128, 256, 0, 256, "angle=-1,*", "128 CEIL|0 CEIL", 0, 128},
    };
    for (const MoverCase& c : cases) {
        SCOPED_TRACE(c.special);
        ResetMoverState();
        level.sectors.clear();
        level.linedefs.clear();
        MakeTaggedSector(c.special, c.floor, c.ceiling);
        level.floor_level = c.floor;
        level.ceiling_level = c.ceiling == c.floor ? c.highest_ceiling : c.ceiling;
        level.lowest_floor = c.lowest_floor;
        level.highest_ceiling = c.highest_ceiling;
        level.next_higher_floor = c.next_higher_floor;
        level.highest_neighbour_floor = c.highest_neighbour_floor;
        level.lowest_neighbour_ceiling = c.lowest_neighbour_ceiling;
        const size_t before = Blocks(EntityText()).size();
        RunPiece();
        const auto blocks = Blocks(EntityText());
        ASSERT_EQ(blocks.size(), before + 1);
        EXPECT_EQ(Key(blocks.back(), "name"), "0t5");
        EXPECT_EQ(KeyValues(blocks.back()), c.keys);
        EXPECT_EQ(Planes(blocks.back()), c.planes);
        EXPECT_EQ(level.floor_level, c.floor_after);
        EXPECT_EQ(level.ceiling_level, c.ceiling_after);
    }
}

TEST_F(TaggedMoverTest, StairPiecesRiseByLargerSteps) {
    MakeTaggedSector(7, 16, 128);
    for (int piece = 0; piece < 3; ++piece) RunPiece();
    auto blocks = Blocks(EntityText());
    ASSERT_EQ(blocks.size(), 3u);
    EXPECT_EQ(Planes(blocks[0]), "11 FLOOR|15 FLOOR");
    EXPECT_EQ(Planes(blocks[1]), "3 FLOOR|15 FLOOR");
    EXPECT_EQ(Planes(blocks[2]), "-5 FLOOR|15 FLOOR");
    EXPECT_EQ(Key(blocks[2], "name"), "2t5");
    EXPECT_EQ(KeyValues(blocks[2]), "angle=-1,speed=80,wait=-1,*");

    level.linedefs[1].special = 127;  // 16 a step, faster
    mover_state.piece_counter[5] = 0;
    for (int piece = 0; piece < 3; ++piece) RunPiece();
    blocks = Blocks(EntityText());
    ASSERT_EQ(blocks.size(), 6u);
    EXPECT_EQ(Planes(blocks[5]), "-21 FLOOR|15 FLOOR");
    EXPECT_EQ(Key(blocks[5], "speed"), "100");
}

TEST_F(TaggedMoverTest, TagOutsideOneToSixtyHasNoName) {
    MakeTaggedSector(62, 64, 128, 61);
    RunPiece();
    const auto blocks = Blocks(EntityText());
    ASSERT_EQ(blocks.size(), 1u);
    EXPECT_EQ(Key(blocks[0], "name"), "<none>");
    EXPECT_EQ(KeyValues(blocks[0]), "angle=-2,speed=200,*,wait=3");
}

TEST_F(TaggedMoverTest, OnlyTheFirstTaggedLineCounts) {
    AddLine(0, 3);
    AddLine(62, 3);
    AddLine(11, 4);
    AddLine(62, 0);
    for (int tag : {3, 4, 0}) {
        EnterSector(AddSector(64, 128, 0, tag));
        SetRectPiece(0, 0, 64, 64, false);
        RunPiece();
    }
    EXPECT_EQ(EntityText(), "");
    EXPECT_EQ(mover_state.piece_counter[3], 0);
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
    for (int i = 0; i < 4; ++i) EXPECT_EQ(Key(blocks[i], "name"), std::to_string(i) + "t9");
}

TEST_F(TaggedMoverTest, NoMoversWithNoMove) {
    MakeTaggedSector(7, 16, 128);
    convert_options.option_flags |= kOptNoMove;
    RunPiece();
    RunPiece();
    EXPECT_EQ(EntityText(), "");
    EXPECT_EQ(mover_state.piece_counter[5], 0);
    EXPECT_EQ(map_writer.brush_count, 0);
}

TEST_F(TaggedMoverTest, MoverPlanesAreScaled) {
    MakeTaggedSector(62, 64, 128);
    level.lowest_floor = 0;
    convert_options.map_scale = 2.0f;
    RunPiece();
    const auto block = Blocks(EntityText()).at(0);
    ASSERT_EQ(block.size(), 14u);
    EXPECT_EQ(block[10], "  ( 2 2 -16 ) ( -2 0 -16 ) ( 2 -2 -16 ) FLOOR 0 0 0 2.000000 2.000000");
    EXPECT_EQ(block[11], "  ( -2 2 128 ) ( 2 0 128 ) ( -2 -2 128 ) FLOOR 0 0 0 2.000000 2.000000");
}

// Doors that a line opens without a tag: the sector behind the line.
class ManualDoorTest : public MoverTest {
protected:
    // Sectors up to `index` exist; sector `index` is a shut door (floor 0, open
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

TEST_F(ManualDoorTest, KeysOfEveryDoorSpecial) {
    const std::pair<int, const char*> cases[] = {
        {1, "angle=-1,speed=200,*"},
        {31, "angle=-1,speed=200,*,wait=-1"},
        {46, "angle=-1,speed=200,*,bind=f100012,wait=-1"},
        {117, "angle=-1,speed=400,*"},
        {118, "angle=-1,speed=400,*,wait=-1"},
    };
    for (const auto& [special, keys] : cases) {
        level.sectors.clear();
        level.num_sectors = 0;
        level.linedefs.clear();
        MakeDoorSector(special);
        RunPiece();
        const auto block = Blocks(EntityText()).back();
        EXPECT_EQ(KeyValues(block), keys) << special;
        EXPECT_EQ(Planes(block), "128 CEIL|0 CEIL");
    }
}

TEST_F(ManualDoorTest, PiecesAreNumberedPerDoorSector) {
    const int untagged = MakeDoorSector(1, 12);
    const int tagged = MakeDoorSector(1, 20, 4);
    const int other_tagged = MakeDoorSector(1, 21, 4);
    for (int sector : {untagged, tagged, other_tagged}) {
        EnterSector(sector);
        level.highest_ceiling = 128;
        RunPiece();
        RunPiece();
    }
    const auto blocks = Blocks(EntityText());
    ASSERT_EQ(blocks.size(), 6u);
    const char* names[] = {"0t100012", "1t100012", "0t4", "1t4", "0t4", "1t4"};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(Key(blocks[i], "name"), names[i]);
    EXPECT_EQ(level.ceiling_level, 128);
    EXPECT_EQ(mover_state.last_door_sector, 21);
}

TEST_F(ManualDoorTest, FirstEdgeBehindADoorLineDecides) {
    MakeDoorSector(26);
    EXPECT_EQ(FindDoorSpecial(), 26);
    const int plain = AddLine(0, 0, AddSide(0), AddSide(12));
    const int later = AddLine(117, 0, AddSide(0), AddSide(12));
    PutEdgeBehindLine(0, plain);
    PutEdgeBehindLine(2, later);
    EXPECT_EQ(FindDoorSpecial(), 26);
    // Seen from the line's front side the piece is no door.
    level.edge_list[1].other_sidedef = level.linedefs[0].left_sidedef;
    EXPECT_EQ(FindDoorSpecial(), 117);
    level.edge_list[2].linedef = -1;
    EXPECT_EQ(FindDoorSpecial(), 0);
    RunPiece();
    EXPECT_EQ(EntityText(), "");
}

TEST_F(ManualDoorTest, TaggedDoorTakesPrecedence) {
    MakeDoorSector(1, 12, 4);
    AddLine(63, 4);
    RunPiece();
    const auto blocks = Blocks(EntityText());
    ASSERT_EQ(blocks.size(), 1u);
    EXPECT_EQ(Key(blocks[0], "speed"), "100");  // the tagged door's speed
    EXPECT_EQ(mover_state.door_piece_counter, 0);
}
