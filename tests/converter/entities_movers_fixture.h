// A small hand-made level and convex piece for the tests of the sector
// effects and movers, with the map and entity outputs in temporary files.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "converter/driver/driver.h"
#include "converter/entities/entities.h"
#include "converter/entities/movers.h"
#include "converter/level/level.h"

class MoverTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetLevelData();
        ResetConvertOptions();
        ResetMapWriter();
        ResetEntityState();
        map_writer.map_file = tmpfile();
        map_writer.entity_file = tmpfile();
        ASSERT_NE(map_writer.map_file, nullptr);
        ASSERT_NE(map_writer.entity_file, nullptr);
        level.edge_list.assign(256, SectorEdge{});
        level.clip_lines.assign(256, SectorEdge{});
        level.min_height = -64;
        level.max_height = 256;
    }

    void TearDown() override {
        fclose(map_writer.map_file);
        fclose(map_writer.entity_file);
        map_writer.map_file = nullptr;
        map_writer.entity_file = nullptr;
    }

    int AddSector(int floor, int ceiling, int special = 0, int tag = 0) {
        Sector sector{};
        sector.floor_height = static_cast<int16_t>(floor);
        sector.ceiling_height = static_cast<int16_t>(ceiling);
        sector.special = static_cast<int16_t>(special);
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

    int AddLine(int special, int tag, int right_sidedef = -1, int left_sidedef = -1) {
        LineDef line{};
        line.special = static_cast<int16_t>(special);
        line.tag = static_cast<int16_t>(tag);
        line.right_sidedef = static_cast<int16_t>(right_sidedef);
        line.left_sidedef = static_cast<int16_t>(left_sidedef);
        level.linedefs.push_back(line);
        level.num_linedefs = static_cast<int32_t>(level.linedefs.size());
        return level.num_linedefs - 1;
    }

    // Makes `sector` current with its own heights, as the outline step leaves them.
    void EnterSector(int sector) {
        level.current_sector = sector;
        level.floor_level = level.sectors[sector].floor_height;
        level.ceiling_level = level.sectors[sector].ceiling_height;
        level.lowest_floor = level.floor_level;
        level.highest_ceiling = level.ceiling_level;
        level.highest_neighbour_floor = level.min_height;
        level.lowest_neighbour_ceiling = level.max_height;
        level.next_higher_floor = level.max_height;
    }

    // A rectangular piece whose four edges lie on four clip lines when
    // `with_clip_lines` is set, else on none (the movers then get no side planes).
    void SetRectPiece(int x1, int y1, int x2, int y2, bool with_clip_lines) {
        const int corners[5][2] = {{x1, y1}, {x1, y2}, {x2, y2}, {x2, y1}, {x1, y1}};
        level.edge_count = 4;
        level.clip_line_count = with_clip_lines ? 4 : 0;
        for (int i = 0; i < 4; ++i) {
            SectorEdge edge{};
            edge.x1 = corners[i][0];
            edge.y1 = corners[i][1];
            edge.x2 = corners[i + 1][0];
            edge.y2 = corners[i + 1][1];
            edge.dx = edge.x2 - edge.x1;
            edge.dy = edge.y2 - edge.y1;
            edge.other_sector = -1;
            edge.other_sidedef = -1;
            edge.linedef = -1;
            edge.clip_index = with_clip_lines ? i : -1;
            edge.from_linedef = 0;
            level.edge_list[i] = edge;
            level.clip_lines[i] = edge;
        }
    }

    // Puts edge `i` of the piece on the back side of `line` (the piece faces
    // the line's right side across it).
    void PutEdgeBehindLine(int i, int line) {
        level.edge_list[i].linedef = line;
        level.edge_list[i].other_sidedef = level.linedefs[line].right_sidedef;
    }

    void RunPiece() { SectorEffects("CEIL", "FLOOR"); }

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
    std::string EntityText() { return ReadAll(map_writer.entity_file); }
    std::string MainText() { return ReadAll(map_writer.map_file); }

public:
    // The entity blocks of `text`, each without its line ends.
    static std::vector<std::vector<std::string>> Blocks(const std::string& text) {
        std::vector<std::vector<std::string>> blocks;
        size_t start = 0;
        while (start < text.size()) {
            size_t end = text.find("\r\n", start);
            if (end == std::string::npos) end = text.size();
            std::string line = text.substr(start, end - start);
            start = end + 2;
            if (line == "{") blocks.emplace_back();
            if (!blocks.empty()) blocks.back().push_back(line);
        }
        return blocks;
    }

    // The value of `key` in a block, or "<none>".
    static std::string Key(const std::vector<std::string>& block, const std::string& key) {
        const std::string head = " \"" + key + "\"\t\"";
        for (const std::string& line : block) {
            if (line.rfind(head, 0) == 0)
                return line.substr(head.size(), line.size() - head.size() - 1);
        }
        return "<none>";
    }

    // The key lines of a block after its class and name, as key=value joined
    // by commas; the three keys every mover carries read "*".
    static std::string KeyValues(const std::vector<std::string>& block) {
        std::string keys;
        for (const std::string& line : block) {
            if (line.rfind(" \"", 0) != 0) continue;
            const size_t key_end = line.find('"', 2);
            const std::string key = line.substr(2, key_end - 2);
            if (key == "classname" || key == "name") continue;
            keys += (keys.empty() ? "" : ",") + key + "=" +
                    line.substr(key_end + 3, line.size() - key_end - 4);
        }
        const std::string flags = "origin=0 0 0,no_touch=1,crusher=1";
        const size_t at = keys.find(flags);
        if (at != std::string::npos) keys.replace(at, flags.size(), "*");
        return keys;
    }

    // Height of the first point and the material of each plane line, joined by "|".
    static std::string Planes(const std::vector<std::string>& block) {
        std::string planes;
        for (const std::string& line : block) {
            if (line.rfind("  ( ", 0) != 0) continue;
            std::istringstream in(line);
            std::string open, x, y, z, close, skip, material;
            in >> open >> x >> y >> z >> close;
            for (int i = 0; i < 10; ++i) in >> skip;
            in >> material;
            planes += (planes.empty() ? "" : "|") + z + " " + material;
        }
        return planes;
    }
};
