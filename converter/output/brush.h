// The brush record of the brush writer: planes as they will be written.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// A point of the map in written coordinates: x, y, height.
struct Point3 {
    int64_t x, y, z;
};

// One plane of a brush, after scaling.
struct BrushPlane {
    Point3 points[3];      // three points on the plane, in the order written
    std::string material;  // the material name as handed to WriteBrush
    int32_t x_offset;      // texture shift along the plane, unscaled
    int32_t y_offset;      // texture shift across it, unscaled
    float texture_scale;   // the horizontal texture scale factor times map_scale
};

// The brush between BeginBrush and EndBrush.
struct OpenBrush {
    std::vector<BrushPlane> planes;  // its planes; only the first plane_count are in use
    size_t plane_count;              // planes given so far
    std::string text;                // the block as written
};

extern OpenBrush open_brush;

// Appends the plane's line of the three-point form, with its CR LF.
void PutPlaneLine(std::string& text, const BrushPlane& plane);
