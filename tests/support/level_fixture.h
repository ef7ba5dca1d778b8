// Helpers for the converter tests that build a level record by record in the
// global level state and read back the map text the converter writes.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "converter/driver/driver.h"
#include "converter/entities/entities.h"
#include "converter/level/level.h"
#include "tests/support/test_support.h"

// Appends `record` to one of the level's tables and updates the table's count;
// gives the record's index.
template <typename Record>
int AppendLevelRecord(std::vector<Record>& table, int32_t& count, const Record& record) {
    table.push_back(record);
    count = static_cast<int32_t>(table.size());
    return count - 1;
}

inline int AddLevelVertex(int x, int y) {
    return AppendLevelRecord(level.vertexes, level.num_vertexes,
                             Vertex{static_cast<int16_t>(x), static_cast<int16_t>(y)});
}

// A sector with the given heights, special and tag; flats and light all zero bytes.
inline int AddLevelSector(int floor, int ceiling, int special = 0, int tag = 0) {
    Sector sector{};
    sector.floor_height = static_cast<int16_t>(floor);
    sector.ceiling_height = static_cast<int16_t>(ceiling);
    sector.special = static_cast<int16_t>(special);
    sector.tag = static_cast<int16_t>(tag);
    return AppendLevelRecord(level.sectors, level.num_sectors, sector);
}

// A side facing `sector`; offsets and texture names all zero bytes.
inline int AddLevelSide(int sector) {
    SideDef side{};
    side.sector = static_cast<int16_t>(sector);
    return AppendLevelRecord(level.sidedefs, level.num_sidedefs, side);
}

// A line from vertex `v1` to `v2` with the given sides (-1: none).
inline int AddLevelLine(int v1, int v2, int right, int left, int special = 0, int tag = 0,
                        int flags = 0) {
    LineDef line{};
    line.start_vertex = static_cast<int16_t>(v1);
    line.end_vertex = static_cast<int16_t>(v2);
    line.flags = static_cast<int16_t>(flags);
    line.special = static_cast<int16_t>(special);
    line.tag = static_cast<int16_t>(tag);
    line.right_sidedef = static_cast<int16_t>(right);
    line.left_sidedef = static_cast<int16_t>(left);
    return AppendLevelRecord(level.linedefs, level.num_linedefs, line);
}

// An edge of a sector outline or piece from (x1, y1) to (x2, y2), with no
// neighbour and no line behind it.
inline SectorEdge MakeSectorEdge(int x1, int y1, int x2, int y2, int clip_index, int from_linedef) {
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
    edge.clip_index = clip_index;
    edge.from_linedef = from_linedef;
    return edge;
}

// A converter test starting from clean level, options, map writer and entity
// state, with the map text (and, when asked, the diverted entity text) going
// to temporary files that the test reads back.
class MapOutputTest : public ::testing::Test {
protected:
    // Resets the records and opens the outputs; the heights span -64 to 256.
    void StartMapOutput(bool with_entity_file) {
        ResetLevelData();
        ResetConvertOptions();
        ResetMapWriter();
        ResetEntityState();
        // The fixtures write single pieces without all their sides; whether a
        // brush encloses space is tested on its own.
        map_writer.check_brushes = false;
        entity_file_opened = with_entity_file;
        map_writer.map_file = tmpfile();
        if (with_entity_file) map_writer.entity_file = tmpfile();
        ASSERT_NE(map_writer.map_file, nullptr);
        if (with_entity_file) {
            ASSERT_NE(map_writer.entity_file, nullptr);
        }
        level.min_height = -64;
        level.max_height = 256;
    }

    void TearDown() override {
        if (map_writer.map_file) fclose(map_writer.map_file);
        map_writer.map_file = nullptr;
        if (entity_file_opened) {
            if (map_writer.entity_file) fclose(map_writer.entity_file);
            map_writer.entity_file = nullptr;
        }
    }

    // Everything written to the map file so far.
    std::string MapText() { return ReadOpenFileText(map_writer.map_file); }
    // Everything written to the entity file so far.
    std::string EntityText() { return ReadOpenFileText(map_writer.entity_file); }

    bool entity_file_opened = false;  // TearDown closes the entity file too
};
