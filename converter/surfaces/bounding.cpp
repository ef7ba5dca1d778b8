// Bounding brushes: under -bound the level is sealed in a hollow box of six
// thin caulk slabs just outside its bounds, so that no path leads to the void.
#include "converter/level/level.h"
#include "converter/output/output.h"
#include "converter/surfaces/surfaces.h"

namespace {

const char* const kCaulk = "common/caulk";

// One axis-aligned slab; its planes are written as (x, height, y) points.
struct Slab {
    int32_t x_low, x_high;
    int32_t y_low, y_high;
    int32_t height_low, height_high;
};

void WriteSlab(const Slab& b) {
    BeginBrush(BrushOwner::kBounds, 0);
    WriteBrush(0, b.height_high, 1, 1, b.height_high, 1, 0, b.height_high, 0, kCaulk, 0, 0, 1.0f);
    WriteBrush(1, b.height_low, 1, 0, b.height_low, 1, 0, b.height_low, 0, kCaulk, 0, 0, 1.0f);
    WriteBrush(b.x_low, 1, 1, b.x_low, 1, 0, b.x_low, 0, 0, kCaulk, 0, 0, 1.0f);
    WriteBrush(b.x_high, 1, 1, b.x_high, 0, 1, b.x_high, 0, 0, kCaulk, 0, 0, 1.0f);
    WriteBrush(0, 1, b.y_low, 1, 1, b.y_low, 0, 0, b.y_low, kCaulk, 0, 0, 1.0f);
    WriteBrush(1, 1, b.y_high, 0, 1, b.y_high, 0, 0, b.y_high, kCaulk, 0, 0, 1.0f);
    EndBrush(false);
}

}  // namespace

void WriteBoundingBrushes() {
    if (!OptionSet(kOptBound)) return;
    const int32_t x0 = level.min_x - 6, x1 = level.max_x + 6;
    const int32_t y0 = level.min_y - 6, y1 = level.max_y + 6;
    const int32_t h0 = level.min_height - 12, h1 = level.max_height + 12;
    const Slab shell[6] = {
        {x0, x1, y0, y1, level.max_height + 8, h1},  // top
        {x0, x1, y0, y1, h0, level.min_height - 8},  // bottom
        {x0, level.min_x - 4, y0, y1, h0, h1},       // west
        {level.max_x + 4, x1, y0, y1, h0, h1},       // east
        {x0, x1, y0, level.min_y - 4, h0, h1},       // south
        {x0, x1, level.max_y + 4, y1, h0, h1},       // north
    };
    // The shell is not counted among the level's brushes and planes.
    for (const Slab& slab : shell) WriteSlab(slab);
}
