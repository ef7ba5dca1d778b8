// Where Doom draws the textures of its sides: the true texture sizes of the
// WAD and the texture frames of walls, fillers and step sides.
#include <cmath>
#include <cstdio>

#include "converter/level/level.h"
#include "converter/output/output.h"
#include "converter/surfaces/surfaces.h"
#include "formats/fatal.h"

namespace {

constexpr size_t kMapTextureSize = 22;  // a texture record up to its patch count

void ReadWadTextureSizes() {
    texture_catalog.wad_textures_read = true;
    for (const char* lump : {"TEXTURE1", "TEXTURE2"}) {
        if (!LumpExists(lump)) continue;
        std::vector<uint8_t> bytes;
        if (!ReadLump(lump, bytes) ||
            !DecodeTextureSizes(bytes, texture_catalog.wad_texture_sizes)) {
            EndProgressLine();  // a warning starts its own line
            std::printf(
                "WARNING: %s is damaged; the textures after the damage keep their .TEX "
                "sizes\n",
                lump);
        }
    }
}

}  // namespace

bool DecodeTextureSizes(ByteSpan lump,
                        std::unordered_map<std::string, std::pair<int32_t, int32_t>>& sizes) {
    if (lump.size() < 4) return lump.empty();
    const int32_t count = LoadS32(lump, 0);
    if (count < 0 || static_cast<uint64_t>(count) > (lump.size() - 4) / 4) return false;
    for (int32_t i = 0; i < count; i++) {
        const int32_t at = LoadS32(lump, 4 + 4 * static_cast<size_t>(i));
        if (at < 0 || static_cast<size_t>(at) > lump.size() ||
            lump.size() - static_cast<size_t>(at) < kMapTextureSize)
            return false;
        LumpName name;
        LoadBytes(lump, static_cast<size_t>(at), name.bytes, sizeof name.bytes);
        const int32_t width = LoadS16(lump, static_cast<size_t>(at) + 12);
        const int32_t height = LoadS16(lump, static_cast<size_t>(at) + 14);
        if (width > 0 && height > 0)
            sizes.emplace(UpperCase(LumpNameText(name)), std::pair{width, height});
    }
    return true;
}

void TrueTextureSize(const std::string& doom_name, const std::string& material, int32_t& width,
                     int32_t& height) {
    if (!texture_catalog.wad_textures_read) ReadWadTextureSizes();
    const auto found = texture_catalog.wad_texture_sizes.find(UpperCase(doom_name));
    if (found != texture_catalog.wad_texture_sizes.end()) {
        width = found->second.first;
        height = found->second.second;
        return;
    }
    LookupTextureSize(material, width, height);
}

TextureFrame SideFrame(int linedef, bool front, const SideDef& side, int32_t top, int32_t width,
                       int32_t height) {
    const LineDef& line = level.linedefs[linedef];
    const Vertex& v1 = level.vertexes[line.start_vertex];
    const Vertex& v2 = level.vertexes[line.end_vertex];
    const Vertex& from = front ? v1 : v2;
    const Vertex& to = front ? v2 : v1;
    double dx = static_cast<double>(to.x) - from.x;
    double dy = static_cast<double>(to.y) - from.y;
    const double length = std::hypot(dx, dy);
    if (length > 0.0) {
        dx /= length;
        dy /= length;
    } else {
        dx = 1.0;
        dy = 0.0;
    }
    // Doom counts columns from the start of the Seg being drawn, beginning
    // with the Seg's offset plus the side's.
    double x = from.x;
    double y = from.y;
    double column = side.x_offset;
    if (const Seg* seg = front ? FindFrontSeg(linedef) : nullptr) {
        column += seg->offset;
        if (seg->start_vertex >= 0 && seg->start_vertex < level.num_vertexes) {
            x = level.vertexes[seg->start_vertex].x;
            y = level.vertexes[seg->start_vertex].y;
        } else {
            // A vertex of the node builder's own: the Seg starts its offset
            // along the line.
            x += seg->offset * dx;
            y += seg->offset * dy;
        }
    }
    return WallFrame(x - column * dx, y - column * dy, static_cast<double>(top) + side.y_offset, dx,
                     dy, width, height);
}
