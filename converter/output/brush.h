// The brush record of the brush writer: planes as they will be written.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "converter/output/output.h"
#include "formats/doom3_names.h"

// A point of the map in written coordinates: x, y, height.
struct Point3 {
    int64_t x, y, z;
};

// One plane of a brush, after scaling.
struct BrushPlane {
    Point3 points[3];      // three points on the plane, in the order written
    std::string material;  // the material name as handed to WriteBrush, made quotable
    bool bare;             // the name is written without quotes
    int32_t x_offset;      // texture shift along the plane, unscaled
    int32_t y_offset;      // texture shift across it, unscaled
    float texture_scale;   // the horizontal texture scale factor times map_scale
    bool framed;           // true: frame holds where the texture lies
    TextureFrame frame;    // set by SetPlaneFrame
};

// The brush between BeginBrush and EndBrush.
struct OpenBrush {
    std::vector<BrushPlane> planes;  // its planes; only the first plane_count are in use
    size_t plane_count;              // planes given so far
    BrushOwner owner;                // what it stands for
    int32_t owner_index;             // the sector or line it stands for
    std::string text;                // the block as written
};

extern OpenBrush open_brush;

// Forgets the material names kept from earlier planes.
void ForgetMaterialNames();

// Appends the plane's line of the three-point form, with its CR LF.
void PutPlaneLine(std::string& text, const BrushPlane& plane);

// A plane as Doom 3 holds it: a*x + b*y + c*z + d = 0, (a, b, c) of unit
// length and pointing out of the brush.
struct FloatPlane {
    float a, b, c, d;
};

// The plane Doom 3 makes of the three points of a plane line
// (idPlane::FromPoints with its fix of nearly axial normals), in float.
FloatPlane PlaneFromPoints(const Point3 (&points)[3]);
// Doom 3's texture axes of a plane normal (ComputeAxisBase).
void TextureAxes(const float normal[3], double s_axis[3], double t_axis[3]);
// Appends the plane's line of a brushDef3 block, with its CR LF:
// ( a b c d ) ( ( xx xy xoff ) ( yx yy yoff ) ) "textures/NAME" 0 0 0
void PutBrushDef3Line(std::string& text, const BrushPlane& plane);
// A material as brushDef3 blocks quote it, "textures/" in front (the name
// is quotable already: WriteBrush made it so).
std::string QuotedMaterial(const std::string& material);

// Why Doom 3's map compiler would throw a brush away.
enum class BrushFault {
    kNone,      // the brush encloses space
    kOpen,      // a side's polygon reaches the edge of the world
    kNoVolume,  // flat or inside out: its polygons span nothing on some axis
    kMirrored,  // two sides lie in one plane, facing opposite ways
};

// Judges a brush on the points it is written with.
BrushFault CheckBrush(const BrushPlane* planes, size_t count);

// Replaces the characters that cannot stand inside quotes (a quote, control
// characters) with '_', warning once for each name.
void MakeQuotable(std::string& name);
// Counts a brush that is left out, for the report of its sector or line.
void LeaveOutBrush(BrushOwner owner, int32_t index, BrushFault fault);
