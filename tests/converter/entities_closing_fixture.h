// A small hand-made level for the tests of the closing entities, with the
// map output in a temporary file.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "converter/driver/driver.h"
#include "converter/entities/closing.h"
#include "converter/entities/entities.h"
#include "converter/level/level.h"
#include "tests/support/level_fixture.h"

class ClosingTest : public MapOutputTest {
protected:
    void SetUp() override {
        StartMapOutput(false);
        BuildTrigTables();
    }

    int AddVertex(int x, int y) { return AddLevelVertex(x, y); }

    int AddSector(int floor, int ceiling, int tag = 0) {
        return AddLevelSector(floor, ceiling, 0, tag);
    }

    int AddSide(int sector) { return AddLevelSide(sector); }

    // A line between two new vertices, with a front side facing `front` and,
    // when `back` >= 0, a back side facing it.
    int AddLine(int x1, int y1, int x2, int y2, int special, int tag, int front, int back = -1) {
        const int start = AddVertex(x1, y1);
        const int end = AddVertex(x2, y2);
        const int right = front >= 0 ? AddSide(front) : -1;
        const int left = back >= 0 ? AddSide(back) : -1;
        level.front_seg.push_back(-1);
        return AddLevelLine(start, end, right, left, special, tag);
    }

    int AddSeg(int linedef, int direction, int angle) {
        Seg seg{};
        const LineDef& line = level.linedefs[linedef];
        seg.start_vertex = direction == 0 ? line.start_vertex : line.end_vertex;
        seg.end_vertex = direction == 0 ? line.end_vertex : line.start_vertex;
        seg.angle = static_cast<uint16_t>(angle);
        seg.linedef = static_cast<int16_t>(linedef);
        seg.direction = static_cast<int16_t>(direction);
        const int index = AppendLevelRecord(level.segs, level.num_segs, seg);
        if (direction == 0 && level.front_seg[linedef] < 0) level.front_seg[linedef] = index;
        return index;
    }

    int AddSubsector(int first_seg, int seg_count = 1) {
        return AppendLevelRecord(
            level.subsectors, level.num_subsectors,
            SubSector{static_cast<int16_t>(seg_count), static_cast<int16_t>(first_seg)});
    }

    int AddNode(int x, int y, int dx, int dy, uint32_t right_child, uint32_t left_child) {
        Node node{};
        node.x = static_cast<int16_t>(x);
        node.y = static_cast<int16_t>(y);
        node.dx = static_cast<int16_t>(dx);
        node.dy = static_cast<int16_t>(dy);
        node.right_child = right_child;
        node.left_child = left_child;
        return AppendLevelRecord(level.nodes, level.num_nodes, node);
    }

    void AddThing(int x, int y, int angle, int type) {
        Thing thing{};
        thing.x = static_cast<int16_t>(x);
        thing.y = static_cast<int16_t>(y);
        thing.angle = static_cast<int16_t>(angle);
        thing.type = static_cast<int16_t>(type);
        AppendLevelRecord(level.things, level.num_things, thing);
    }

    // A one-sector level: every point lies in sector `sector` (no nodes, one
    // subsector whose first seg is the front of line `line`).
    void MakeSingleSubsector(int line) { AddSubsector(AddSeg(line, 0, 0)); }
};
