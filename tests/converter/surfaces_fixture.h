// A level built record by record in memory, with the map output in a
// temporary file, for the tests of the sector geometry and the static brushes.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "converter/driver/driver.h"
#include "converter/entities/entities.h"
#include "converter/geometry/geometry.h"
#include "converter/level/level.h"
#include "converter/surfaces/surfaces.h"
#include "tests/support/level_fixture.h"
#include "tests/support/test_support.h"

class StaticGeometryTest : public MapOutputTest {
protected:
    void SetUp() override {
        StartMapOutput(true);
        ResetTextureCatalog();
        convert_options.option_flags = kOptNoMove;  // sector effects write nothing
        BuildTrigTables();
    }

    void TearDown() override {
        CloseTextureCatalog();
        MapOutputTest::TearDown();
    }

    // Opens a texture file holding the given names and sizes (MIP headers only).
    void OpenTextures(const std::vector<std::tuple<std::string, int, int>>& textures) {
        temp_dir = std::make_unique<TempDir>();
        WriteFileBytes("T.TEX", TexFileOfSizes(textures));
        OpenTextureCatalog("T.TEX");
    }

    int AddVertex(int x, int y) { return AddLevelVertex(x, y); }

    int AddSector(int floor, int ceiling, const std::string& floor_flat = "FLOOR4_8",
                  const std::string& ceiling_flat = "CEIL3_5") {
        const int index = AddLevelSector(floor, ceiling);
        level.sectors[index].floor_texture = MakeLumpName(floor_flat);
        level.sectors[index].ceiling_texture = MakeLumpName(ceiling_flat);
        return index;
    }

    int AddSide(int sector, const std::string& middle = "-", const std::string& upper = "-",
                const std::string& lower = "-", int x_offset = 0, int y_offset = 0) {
        const int index = AddLevelSide(sector);
        SideDef& side = level.sidedefs[index];
        side.x_offset = static_cast<int16_t>(x_offset);
        side.y_offset = static_cast<int16_t>(y_offset);
        side.upper_texture = MakeLumpName(upper);
        side.lower_texture = MakeLumpName(lower);
        side.middle_texture = MakeLumpName(middle);
        return index;
    }

    int AddLine(int v1, int v2, int right, int left = -1, int flags = 0) {
        return AddLevelLine(v1, v2, right, left, 0, 0, flags);
    }

    // The front seg of a line, with the given binary angle and offset.
    void AddFrontSeg(int linedef, uint16_t angle, int offset = 0) {
        Seg seg{};
        seg.start_vertex = level.linedefs[linedef].start_vertex;
        seg.end_vertex = level.linedefs[linedef].end_vertex;
        seg.angle = angle;
        seg.linedef = static_cast<int16_t>(linedef);
        seg.direction = 0;
        seg.offset = static_cast<int16_t>(offset);
        AppendLevelRecord(level.segs, level.num_segs, seg);
        level.front_seg.assign(level.num_linedefs, -1);
        for (int i = level.num_segs - 1; i >= 0; i--) {
            const Seg& s = level.segs[i];
            if (s.direction == 0 && s.linedef >= 0 && s.linedef < level.num_linedefs)
                level.front_seg[s.linedef] = i;
        }
    }

    // A closed room of one-sided lines, points in clockwise order (the room
    // on the lines' right); gives the index of its first line.
    int AddRoom(const std::vector<std::pair<int, int>>& points, int sector,
                const std::string& middle = "STARTAN3") {
        const int first_vertex = level.num_vertexes;
        for (auto [x, y] : points) AddVertex(x, y);
        const int first_line = level.num_linedefs;
        const int n = static_cast<int>(points.size());
        for (int i = 0; i < n; i++)
            AddLine(first_vertex + i, first_vertex + (i + 1) % n, AddSide(sector, middle));
        return first_line;
    }

    void SetBounds(int min_x, int max_x, int min_y, int max_y) {
        level.min_x = min_x;
        level.max_x = max_x;
        level.min_y = min_y;
        level.max_y = max_y;
    }

    // An edge on a line of the level, with no clip line.
    static SectorEdge Edge(int x1, int y1, int x2, int y2) {
        return MakeSectorEdge(x1, y1, x2, y2, -1, 1);
    }

    // The map text as lines, without their CR LF.
    std::vector<std::string> MapLines() { return SplitCrLfLines(MapText()); }

    std::unique_ptr<TempDir> temp_dir;  // holds the texture file, when one is made
};
