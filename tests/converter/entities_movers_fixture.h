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
#include "tests/support/level_fixture.h"

class MoverTest : public MapOutputTest {
protected:
    void SetUp() override {
        StartMapOutput(true);
        level.edge_list.assign(256, SectorEdge{});
        level.clip_lines.assign(256, SectorEdge{});
    }

    int AddSector(int floor, int ceiling, int special = 0, int tag = 0) {
        return AddLevelSector(floor, ceiling, special, tag);
    }

    int AddSide(int sector) { return AddLevelSide(sector); }

    // A line with no vertices of its own (both ends at vertex 0).
    int AddLine(int special, int tag, int right_sidedef = -1, int left_sidedef = -1) {
        return AddLevelLine(0, 0, right_sidedef, left_sidedef, special, tag);
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
            const SectorEdge edge = MakeSectorEdge(corners[i][0], corners[i][1], corners[i + 1][0],
                                                   corners[i + 1][1], with_clip_lines ? i : -1, 0);
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

    std::string MainText() { return MapText(); }

public:
    // The entity blocks of `text`, each without its line ends.
    static std::vector<std::vector<std::string>> Blocks(const std::string& text) {
        std::vector<std::vector<std::string>> blocks;
        for (const std::string& line : SplitCrLfLines(text)) {
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
