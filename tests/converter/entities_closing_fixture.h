// A small hand-made level for the tests of the closing entities, with the
// map output in a temporary file.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <initializer_list>
#include <string>

#include "converter/driver/driver.h"
#include "converter/entities/closing.h"
#include "converter/entities/entities.h"
#include "converter/level/level.h"

class ClosingTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetLevelData();
        ResetConvertOptions();
        ResetMapWriter();
        ResetEntityState();
        map_writer.map_file = tmpfile();
        ASSERT_NE(map_writer.map_file, nullptr);
        BuildTrigTables();
        level.min_height = -64;
        level.max_height = 256;
    }

    void TearDown() override {
        fclose(map_writer.map_file);
        map_writer.map_file = nullptr;
    }

    // Everything written to the map file so far.
    std::string MapText() {
        FILE* file = map_writer.map_file;
        fflush(file);
        long size = ftell(file);
        std::string text(static_cast<size_t>(size), '\0');
        rewind(file);
        size_t got = fread(text.data(), 1, text.size(), file);
        text.resize(got);
        fseek(file, 0, SEEK_END);
        return text;
    }

    // Map text lines, each ended with CR LF.
    static std::string Lines(std::initializer_list<std::string> lines) {
        std::string text;
        for (const std::string& line : lines) text += line + "\r\n";
        return text;
    }

    int AddVertex(int x, int y) {
        level.vertexes.push_back({static_cast<int16_t>(x), static_cast<int16_t>(y)});
        level.num_vertexes = static_cast<int32_t>(level.vertexes.size());
        return level.num_vertexes - 1;
    }

    int AddSector(int floor, int ceiling, int tag = 0) {
        Sector sector{};
        sector.floor_height = static_cast<int16_t>(floor);
        sector.ceiling_height = static_cast<int16_t>(ceiling);
        sector.tag = static_cast<int16_t>(tag);
        level.sectors.push_back(sector);
        level.num_sectors = static_cast<int32_t>(level.sectors.size());
        return level.num_sectors - 1;
    }

    int AddSide(int sector) {
        SideDef side{};
        side.sector = static_cast<int16_t>(sector);
        level.sidedefs.push_back(side);
        level.num_sidedefs = static_cast<int32_t>(level.sidedefs.size());
        return level.num_sidedefs - 1;
    }

    // A line between two new vertices, with a front side facing `front` and,
    // when `back` >= 0, a back side facing it.
    int AddLine(int x1, int y1, int x2, int y2, int special, int tag, int front, int back = -1) {
        LineDef line{};
        line.start_vertex = static_cast<int16_t>(AddVertex(x1, y1));
        line.end_vertex = static_cast<int16_t>(AddVertex(x2, y2));
        line.special = static_cast<int16_t>(special);
        line.tag = static_cast<int16_t>(tag);
        line.right_sidedef = static_cast<int16_t>(front >= 0 ? AddSide(front) : -1);
        line.left_sidedef = static_cast<int16_t>(back >= 0 ? AddSide(back) : -1);
        level.linedefs.push_back(line);
        level.num_linedefs = static_cast<int32_t>(level.linedefs.size());
        level.front_seg.push_back(-1);
        return level.num_linedefs - 1;
    }

    int AddSeg(int linedef, int direction, int angle) {
        Seg seg{};
        const LineDef& line = level.linedefs[linedef];
        seg.start_vertex = direction == 0 ? line.start_vertex : line.end_vertex;
        seg.end_vertex = direction == 0 ? line.end_vertex : line.start_vertex;
        seg.angle = static_cast<uint16_t>(angle);
        seg.linedef = static_cast<int16_t>(linedef);
        seg.direction = static_cast<int16_t>(direction);
        level.segs.push_back(seg);
        level.num_segs = static_cast<int32_t>(level.segs.size());
        int index = level.num_segs - 1;
        if (direction == 0 && level.front_seg[linedef] < 0) level.front_seg[linedef] = index;
        return index;
    }

    int AddSubsector(int first_seg, int seg_count = 1) {
        level.subsectors.push_back(
            {static_cast<int16_t>(seg_count), static_cast<int16_t>(first_seg)});
        level.num_subsectors = static_cast<int32_t>(level.subsectors.size());
        return level.num_subsectors - 1;
    }

    int AddNode(int x, int y, int dx, int dy, uint16_t right_child, uint16_t left_child) {
        Node node{};
        node.x = static_cast<int16_t>(x);
        node.y = static_cast<int16_t>(y);
        node.dx = static_cast<int16_t>(dx);
        node.dy = static_cast<int16_t>(dy);
        node.right_child = right_child;
        node.left_child = left_child;
        level.nodes.push_back(node);
        level.num_nodes = static_cast<int32_t>(level.nodes.size());
        return level.num_nodes - 1;
    }

    void AddThing(int x, int y, int angle, int type) {
        Thing thing{};
        thing.x = static_cast<int16_t>(x);
        thing.y = static_cast<int16_t>(y);
        thing.angle = static_cast<int16_t>(angle);
        thing.type = static_cast<int16_t>(type);
        level.things.push_back(thing);
        level.num_things = static_cast<int32_t>(level.things.size());
    }

    // A one-sector level: every point lies in sector `sector` (no nodes, one
    // subsector whose first seg is the front of line `line`).
    void MakeSingleSubsector(int line) { AddSubsector(AddSeg(line, 0, 0)); }
};
