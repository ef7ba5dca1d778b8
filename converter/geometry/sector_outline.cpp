// The outline of one sector and its height context.
//
// Every LineDef side that faces the sector becomes one directed edge with the
// sector on its right, in LineDef order. Nothing is traced or merged: the
// subdivision works on the edges' lines alone.
#include <cstring>

#include "converter/geometry/geometry.h"
#include "converter/level/level.h"

namespace {

// The lines that face each sector, in LineDef order, while the subdivision
// runs: sector s owns sector_lines[sector_line_start[s] .. sector_line_start[s + 1]).
// Without it every sector would scan every line of the level.
std::vector<int32_t> sector_line_start;
std::vector<int32_t> sector_lines;

void AppendOutlineEdge(const SectorEdge& edge) {
    if (static_cast<size_t>(level.edge_count) >= level.edge_list.size())
        level.edge_list.resize(level.edge_count + 1);
    level.edge_list[level.edge_count++] = edge;
}

// Widens the neighbour values of the height context by the sector across an edge.
void AddNeighbour(const Sector& own, const Sector& neighbour) {
    if (neighbour.ceiling_height > level.highest_ceiling)
        level.highest_ceiling = neighbour.ceiling_height;
    if (neighbour.floor_height < level.lowest_floor) level.lowest_floor = neighbour.floor_height;
    if (neighbour.floor_height > level.highest_neighbour_floor)
        level.highest_neighbour_floor = neighbour.floor_height;
    if (neighbour.ceiling_height < level.lowest_neighbour_ceiling)
        level.lowest_neighbour_ceiling = neighbour.ceiling_height;
    if (neighbour.floor_height < level.next_higher_floor &&
        neighbour.floor_height > own.floor_height)
        level.next_higher_floor = neighbour.floor_height;
}

// Adds the edge of `line` (index i) to the outline when it faces the sector.
void AddLineEdge(int i) {
    const LineDef& line = level.linedefs[i];
    if (line.right_sidedef < 0) return;  // no front side: faces no sector
    const bool two_sided = line.left_sidedef >= 0;
    const bool right_faces = level.sidedefs[line.right_sidedef].sector == level.current_sector;
    const bool left_faces =
        two_sided && level.sidedefs[line.left_sidedef].sector == level.current_sector;
    if (!right_faces && !left_faces) return;

    const Vertex& start = level.vertexes[line.start_vertex];
    const Vertex& end = level.vertexes[line.end_vertex];
    SectorEdge edge{};
    edge.x1 = start.x;
    edge.y1 = start.y;
    edge.x2 = end.x;
    edge.y2 = end.y;
    UpdateDelta(edge);
    edge.other_sector = -1;
    edge.other_sidedef = -1;
    edge.linedef = i;
    edge.end_offset = 0;
    edge.clip_index = -1;
    edge.from_linedef = 1;

    // A line with the sector on both sides keeps its own direction.
    if (right_faces) {
        if (two_sided) {
            edge.other_sector = level.sidedefs[line.left_sidedef].sector;
            edge.other_sidedef = line.left_sidedef;
        }
    } else {
        ReverseEdge(edge);
        edge.other_sector = level.sidedefs[line.right_sidedef].sector;
        edge.other_sidedef = line.right_sidedef;
    }
    AppendOutlineEdge(edge);
    if (edge.other_sector >= 0)
        AddNeighbour(level.sectors[level.current_sector], level.sectors[edge.other_sector]);
}

}  // namespace

void IndexSectorLines() {
    const int32_t sectors = level.num_sectors;
    std::vector<int32_t> counts(sectors + 1, 0);
    auto sides = [](const LineDef& line, int32_t& right, int32_t& left) {
        right = line.right_sidedef >= 0 ? level.sidedefs[line.right_sidedef].sector : -1;
        left = line.left_sidedef >= 0 ? level.sidedefs[line.left_sidedef].sector : -1;
        if (left == right) left = -1;
    };
    for (int i = 0; i < level.num_linedefs; i++) {
        int32_t right, left;
        sides(level.linedefs[i], right, left);
        if (right >= 0 && right < sectors) counts[right + 1]++;
        if (left >= 0 && left < sectors) counts[left + 1]++;
    }
    for (int32_t s = 0; s < sectors; s++) counts[s + 1] += counts[s];
    sector_line_start = counts;
    sector_lines.assign(counts[sectors], 0);
    for (int i = 0; i < level.num_linedefs; i++) {
        int32_t right, left;
        sides(level.linedefs[i], right, left);
        if (right >= 0 && right < sectors) sector_lines[counts[right]++] = i;
        if (left >= 0 && left < sectors) sector_lines[counts[left]++] = i;
    }
}

void ClearSectorLineIndex() {
    sector_line_start.clear();
    sector_lines.clear();
}

void CollectSectorEdges() {
    const Sector& own = level.sectors[level.current_sector];
    level.edge_count = 0;
    level.floor_level = level.lowest_floor = own.floor_height;
    level.highest_ceiling = level.ceiling_level = own.ceiling_height;
    level.highest_neighbour_floor = level.min_height;
    level.lowest_neighbour_ceiling = level.max_height;
    level.next_higher_floor = level.max_height;

    const int32_t sector = level.current_sector;
    if (sector_line_start.size() == static_cast<size_t>(level.num_sectors) + 1) {
        for (int32_t k = sector_line_start[sector]; k < sector_line_start[sector + 1]; k++)
            AddLineEdge(sector_lines[k]);
    } else {
        for (int i = 0; i < level.num_linedefs; i++) AddLineEdge(i);
    }

    if (level.lowest_floor == level.max_height) level.lowest_floor = level.min_height;
    if (level.highest_ceiling == level.min_height) level.highest_ceiling = level.max_height;
    // A closed sector (a shut door) gets its ceiling at the highest ceiling
    // around it, unless it is open to the sky.
    if (own.ceiling_height == own.floor_height &&
        std::strncmp(own.ceiling_texture.bytes, "F_SKY1", 8) != 0)
        level.ceiling_level = level.highest_ceiling;
}
