// The outline of one sector and its height context.
//
// Every LineDef side that faces the sector becomes one directed edge with the
// sector on its right, in LineDef order. Nothing is traced or merged: the
// subdivision works on the edges' lines alone.
#include <cstring>

#include "converter/geometry/geometry.h"
#include "converter/level/level.h"

namespace {

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

}  // namespace

void CollectSectorEdges() {
    const Sector& own = level.sectors[level.current_sector];
    level.edge_count = 0;
    level.floor_level = level.lowest_floor = own.floor_height;
    level.highest_ceiling = level.ceiling_level = own.ceiling_height;
    level.highest_neighbour_floor = level.min_height;
    level.lowest_neighbour_ceiling = level.max_height;
    level.next_higher_floor = level.max_height;

    for (int i = 0; i < level.num_linedefs; i++) {
        const LineDef& line = level.linedefs[i];
        if (line.right_sidedef < 0) continue;  // no front side: faces no sector
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

        const bool two_sided = line.left_sidedef >= 0;
        if (level.sidedefs[line.right_sidedef].sector == level.current_sector) {
            if (two_sided) {
                edge.other_sector = level.sidedefs[line.left_sidedef].sector;
                edge.other_sidedef = line.left_sidedef;
            }
        } else if (two_sided && level.sidedefs[line.left_sidedef].sector == level.current_sector) {
            ReverseEdge(edge);
            edge.other_sector = level.sidedefs[line.right_sidedef].sector;
            edge.other_sidedef = line.right_sidedef;
        } else {
            continue;
        }
        AppendOutlineEdge(edge);
        if (edge.other_sector >= 0) AddNeighbour(own, level.sectors[edge.other_sector]);
    }

    if (level.lowest_floor == level.max_height) level.lowest_floor = level.min_height;
    if (level.highest_ceiling == level.min_height) level.highest_ceiling = level.max_height;
    // A closed sector (a shut door) gets its ceiling at the highest ceiling
    // around it, unless it is open to the sky.
    if (own.ceiling_height == own.floor_height &&
        std::strncmp(own.ceiling_texture.bytes, "F_SKY1", 8) != 0)
        level.ceiling_level = level.highest_ceiling;
}
