// Bounds, the shift of the level toward the origin, and the trig tables.
#include <cmath>
#include <cstdio>

#include "converter/level/level.h"

void ComputeBounds() {
    level.min_x = level.min_y = 32000;
    level.max_x = level.max_y = -32000;
    for (const Vertex& vertex : level.vertexes) {
        if (vertex.x > level.max_x) level.max_x = vertex.x;
        if (vertex.x < level.min_x) level.min_x = vertex.x;
        if (vertex.y > level.max_y) level.max_y = vertex.y;
        if (vertex.y < level.min_y) level.min_y = vertex.y;
    }
    level.max_height = -32000;
    level.min_height = 32000;
    for (const Sector& sector : level.sectors) {
        if (sector.ceiling_height > level.max_height) level.max_height = sector.ceiling_height;
        if (sector.floor_height < level.min_height) level.min_height = sector.floor_height;
    }
    printf("Bounds: (%i - %i, %i - %i, %i - %i)\n", level.min_x, level.max_x, level.min_height,
           level.max_height, level.min_y, level.max_y);
}

void NormalizeLevel() {
    // 32-bit sums that wrap like the machine's integers.
    // The node builder's vertices count as well: the plain format keeps them
    // in VERTEXES, and every node format must give the same shift.
    uint32_t sum_x = 0, sum_y = 0;
    for (const std::vector<Vertex>* list : {&level.vertexes, &level.node_vertexes}) {
        for (const Vertex& vertex : *list) {
            sum_x += static_cast<uint32_t>(static_cast<int32_t>(vertex.x));
            sum_y += static_cast<uint32_t>(static_cast<int32_t>(vertex.y));
        }
    }
    int32_t count = level.num_vertexes + static_cast<int32_t>(level.node_vertexes.size());
    if (count <= 0) count = 1;
    int32_t average_x = static_cast<int32_t>(sum_x) / count;
    int32_t average_y = static_cast<int32_t>(sum_y) / count;
    int32_t shift_x = average_x / 64 * 64;
    int32_t shift_y = average_y / 64 * 64;

    auto shift = [](int16_t& value, int32_t by) { value = static_cast<int16_t>(value - by); };
    for (Vertex& vertex : level.vertexes) shift(vertex.x, shift_x), shift(vertex.y, shift_y);
    for (Thing& thing : level.things) shift(thing.x, shift_x), shift(thing.y, shift_y);
    for (Node& node : level.nodes) shift(node.x, shift_x), shift(node.y, shift_y);
    level.min_x -= shift_x;
    level.max_x -= shift_x;
    level.min_y -= shift_y;
    level.max_y -= shift_y;
    printf("Level Data Normalized.\n");
}

void BuildTrigTables() {
    const double pi = 3.141592653589793;
    for (int degree = 0; degree < 360; degree++) {
        double radians = degree * (pi / 180.0);
        level.sin_table[degree] = static_cast<float>(std::sin(radians));
        level.cos_table[degree] = static_cast<float>(std::cos(radians));
    }
}
