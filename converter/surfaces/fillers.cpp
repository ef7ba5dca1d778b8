// Filler slabs of lines whose front side carries a middle texture together
// with an upper or a lower texture: a thin brush standing on the line, inside
// the front sector, showing the middle texture on both large faces.
#include <algorithm>

#include "converter/level/level.h"
#include "converter/output/output.h"
#include "converter/surfaces/surfaces.h"

namespace {

constexpr int32_t kWallWidth = 2;
constexpr double kNormalDivisor = 182.444444;  // binary angle units per table degree
const char* const kNoDraw = "common/nodraw";

constexpr uint16_t kLowerUnpegged = 0x10;

bool NamePresent(const std::string& name) {
    return name.empty() || name[0] != '-';
}

// The texture frame of a filler face: the front side's middle texture as Doom
// pegs it, on the face toward the front sector, or (`back`) the same texture
// on the face toward the back, running from the line's end so that it reads
// the right way round from there.
void SetFillerFrame(int linedef, bool back) {
    const LineDef& line = level.linedefs[linedef];
    const SideDef& right = level.sidedefs[line.right_sidedef];
    const Sector& front = level.sectors[right.sector];
    int32_t width = 0;
    int32_t height = 0;
    TrueTextureSize(LumpNameText(right.middle_texture), LumpNameText(right.middle_texture), width,
                    height);
    const bool lower_unpegged = (line.flags & kLowerUnpegged) != 0;
    int32_t top = lower_unpegged ? front.floor_height + height : front.ceiling_height;
    if (line.left_sidedef >= 0) {
        // A two-sided middle texture hangs from the lower ceiling or stands
        // on the higher floor.
        const Sector& behind = level.sectors[level.sidedefs[line.left_sidedef].sector];
        top = lower_unpegged ? std::max(front.floor_height, behind.floor_height) + height
                             : std::min(front.ceiling_height, behind.ceiling_height);
    }
    TextureFrame frame = SideFrame(linedef, true, right, top, width, height);
    if (back) {
        const Vertex& end = level.vertexes[line.end_vertex];
        for (int i = 0; i < 2; i++) frame.s_axis[i] = -frame.s_axis[i];
        frame.origin[0] = end.x - right.x_offset * frame.s_axis[0];
        frame.origin[1] = end.y - right.x_offset * frame.s_axis[1];
    }
    SetPlaneFrame(frame);
}

}  // namespace

void WriteFillerBrush(int linedef) {
    const LineDef& line = level.linedefs[linedef];
    const SideDef& right = level.sidedefs[line.right_sidedef];
    const Sector& front = level.sectors[right.sector];
    const uint16_t angle = LineAngle(linedef);
    const int32_t seg_offset = LineSegOffset(linedef);

    const Vertex& start = level.vertexes[line.start_vertex];
    const Vertex& end = level.vertexes[line.end_vertex];
    const int32_t x3 = start.x, y3 = start.y;
    const int32_t x4 = end.x, y4 = end.y;
    // Inward, into the front sector.
    const int degree = static_cast<int>(static_cast<uint16_t>(angle - 0x4000) / kNormalDivisor);
    const int32_t ox =
        static_cast<int32_t>(kWallWidth * static_cast<double>(level.cos_table[degree]));
    const int32_t oy =
        static_cast<int32_t>(kWallWidth * static_cast<double>(level.sin_table[degree]));
    const int32_t x1 = x3 + ox, y1 = y3 + oy;
    const int32_t x2 = x4 + ox, y2 = y4 + oy;
    const int32_t x5 = x3, y5 = y3, x6 = x1, y6 = y1;  // start cap
    const int32_t x7 = x2, y7 = y2, x8 = x4, y8 = y4;  // end cap

    int32_t bottom = front.floor_height;
    int32_t top = front.ceiling_height;
    if (line.left_sidedef >= 0) {
        const Sector& back = level.sectors[level.sidedefs[line.left_sidedef].sector];
        const int32_t upper_step = front.ceiling_height - back.ceiling_height;
        const int32_t lower_step = back.floor_height - front.floor_height;
        if (lower_step > upper_step) {
            top = back.floor_height;
        } else if (lower_step < upper_step) {
            bottom = back.ceiling_height;
        }
    }

    const std::string middle = LumpNameText(right.middle_texture);
    int32_t natx1 = 0;
    int32_t natx2 = 0;
    ChooseTextureAxis(angle, x1, y1, x2, y2, natx1, natx2);
    int32_t texwidth = 0;
    int32_t texheight = 0;
    LookupTextureSize(middle, texwidth, texheight);
    if (texwidth == 0 || texheight == 0) {
        texwidth = 256;  // a texture without a size is aligned as a missing one
        texheight = 512;
    }
    const int32_t x_offset = (-right.x_offset - seg_offset - natx1) % texwidth;
    const int32_t y_offset = (front.ceiling_height + right.y_offset) % texheight;
    const bool zero_length = x3 == x4 && y3 == y4;
    const float factor = (natx2 > natx1 || zero_length) ? 1.0f : -1.0f;

    BeginBrush(BrushOwner::kFiller, linedef);
    WriteBrush(x1, 10, y1, x2, 10, y2, x1, 0, y1, middle, x_offset, y_offset, factor);
    if (OptionSet(kOptBrushDef3)) SetFillerFrame(linedef, false);
    WriteBrush(x4, 10, y4, x3, 10, y3, x4, 0, y4, middle, x_offset, y_offset, factor);
    if (OptionSet(kOptBrushDef3)) SetFillerFrame(linedef, true);
    WriteBrush(x5, 10, y5, x6, 10, y6, x5, 0, y5, kNoDraw, x_offset, y_offset, factor);
    WriteBrush(x7, 10, y7, x8, 10, y8, x7, 0, y7, kNoDraw, x_offset, y_offset, factor);
    WriteBrush(-1, bottom, 1, 0, bottom, 0, 1, bottom, 1, kNoDraw, 0, 0, 1.0f);
    WriteBrush(-1, top, 1, 1, top, 1, 0, top, 0, kNoDraw, 0, 0, 1.0f);
    EndBrush();
}

void BuildLineFillers() {
    for (int i = 0; i < level.num_linedefs; i++) {
        const LineDef& line = level.linedefs[i];
        if (line.right_sidedef < 0) continue;  // no front side to carry a texture
        const SideDef& right = level.sidedefs[line.right_sidedef];
        const std::string middle = LumpNameText(right.middle_texture);
        const std::string upper = LumpNameText(right.upper_texture);
        const std::string lower = LumpNameText(right.lower_texture);
        if (NamePresent(middle) && (NamePresent(upper) || NamePresent(lower))) WriteFillerBrush(i);
    }
}
