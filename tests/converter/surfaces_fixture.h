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
#include "tests/support/test_support.h"

class StaticGeometryTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetLevelData();
        ResetConvertOptions();
        ResetMapWriter();
        ResetTextureCatalog();
        ResetEntityState();
        convert_options.option_flags = kOptNoMove;  // sector effects write nothing
        map_writer.map_file = tmpfile();
        map_writer.entity_file = tmpfile();
        ASSERT_NE(map_writer.map_file, nullptr);
        ASSERT_NE(map_writer.entity_file, nullptr);
        BuildTrigTables();
        level.min_height = -64;
        level.max_height = 256;
    }

    void TearDown() override {
        CloseTextureCatalog();
        fclose(map_writer.map_file);
        fclose(map_writer.entity_file);
        map_writer.map_file = nullptr;
        map_writer.entity_file = nullptr;
    }

    // Opens a texture file holding the given names and sizes (MIP headers only).
    void OpenTextures(const std::vector<std::tuple<std::string, int, int>>& textures) {
        std::vector<uint8_t> data;
        std::vector<uint8_t> directory;
        for (const auto& [name, width, height] : textures) {
            const int32_t offset = 12 + static_cast<int32_t>(data.size());
            PutName(data, name, 16);
            PutS32(data, width);
            PutS32(data, height);
            for (int i = 0; i < 4; i++) PutS32(data, 40);
            PutS32(directory, offset);
            PutS32(directory, 40);
            PutS32(directory, 40);
            directory.insert(directory.end(), {0x44, 0, 0, 0});
            PutName(directory, name, 16);
        }
        std::vector<uint8_t> file;
        PutName(file, "WAD2", 4);
        PutS32(file, static_cast<int32_t>(textures.size()));
        PutS32(file, 12 + static_cast<int32_t>(data.size()));
        file.insert(file.end(), data.begin(), data.end());
        file.insert(file.end(), directory.begin(), directory.end());
        temp_dir = std::make_unique<TempDir>();
        WriteFileBytes("T.TEX", file);
        OpenTextureCatalog("T.TEX");
    }

    int AddVertex(int x, int y) {
        level.vertexes.push_back({static_cast<int16_t>(x), static_cast<int16_t>(y)});
        level.num_vertexes = static_cast<int32_t>(level.vertexes.size());
        return level.num_vertexes - 1;
    }

    int AddSector(int floor, int ceiling, const std::string& floor_flat = "FLOOR4_8",
                  const std::string& ceiling_flat = "CEIL3_5") {
        Sector sector{};
        sector.floor_height = static_cast<int16_t>(floor);
        sector.ceiling_height = static_cast<int16_t>(ceiling);
        sector.floor_texture = MakeLumpName(floor_flat);
        sector.ceiling_texture = MakeLumpName(ceiling_flat);
        level.sectors.push_back(sector);
        level.num_sectors = static_cast<int32_t>(level.sectors.size());
        return level.num_sectors - 1;
    }

    int AddSide(int sector, const std::string& middle = "-", const std::string& upper = "-",
                const std::string& lower = "-", int x_offset = 0, int y_offset = 0) {
        SideDef side{};
        side.x_offset = static_cast<int16_t>(x_offset);
        side.y_offset = static_cast<int16_t>(y_offset);
        side.upper_texture = MakeLumpName(upper);
        side.lower_texture = MakeLumpName(lower);
        side.middle_texture = MakeLumpName(middle);
        side.sector = static_cast<int16_t>(sector);
        level.sidedefs.push_back(side);
        level.num_sidedefs = static_cast<int32_t>(level.sidedefs.size());
        return level.num_sidedefs - 1;
    }

    int AddLine(int v1, int v2, int right, int left = -1, int flags = 0) {
        LineDef line{};
        line.start_vertex = static_cast<int16_t>(v1);
        line.end_vertex = static_cast<int16_t>(v2);
        line.flags = static_cast<int16_t>(flags);
        line.right_sidedef = static_cast<int16_t>(right);
        line.left_sidedef = static_cast<int16_t>(left);
        level.linedefs.push_back(line);
        level.num_linedefs = static_cast<int32_t>(level.linedefs.size());
        return level.num_linedefs - 1;
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
        level.segs.push_back(seg);
        level.num_segs = static_cast<int32_t>(level.segs.size());
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

    static SectorEdge Edge(int x1, int y1, int x2, int y2) {
        SectorEdge edge{};
        edge.x1 = x1;
        edge.y1 = y1;
        edge.x2 = x2;
        edge.y2 = y2;
        edge.dx = x2 - x1;
        edge.dy = y2 - y1;
        edge.other_sector = -1;
        edge.other_sidedef = -1;
        edge.linedef = -1;
        edge.clip_index = -1;
        edge.from_linedef = 1;
        return edge;
    }

    // Everything written to the map file so far.
    static std::string ReadAll(FILE* file) {
        fflush(file);
        long end = ftell(file);
        std::string text(static_cast<size_t>(end), '\0');
        rewind(file);
        size_t got = fread(text.data(), 1, text.size(), file);
        text.resize(got);
        fseek(file, 0, SEEK_END);
        return text;
    }
    std::string MapText() { return ReadAll(map_writer.map_file); }

    // The map text as lines, without their CR LF.
    std::vector<std::string> MapLines() {
        std::vector<std::string> lines;
        const std::string text = MapText();
        size_t start = 0;
        while (start < text.size()) {
            size_t end = text.find("\r\n", start);
            if (end == std::string::npos) end = text.size();
            lines.push_back(text.substr(start, end - start));
            start = end + 2;
        }
        return lines;
    }

    std::unique_ptr<TempDir> temp_dir;  // holds the texture file, when one is made
};
