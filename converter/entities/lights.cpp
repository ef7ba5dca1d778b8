// The two level-wide lights: an ambient light and a sun light, both sized
// from the level's bounds.
#include <cstdio>

#include "converter/entities/entities.h"
#include "converter/level/level.h"
#include "converter/output/output.h"

namespace {

void WriteLightKeys(const char* name, const char* texture, const char* color) {
    const int32_t width = level.max_x - level.min_x;
    const int32_t depth = level.max_y - level.min_y;
    const int32_t height = level.max_height - level.min_height;
    MapPrintf(" \"classname\"\t\"light\"");
    MapPrintf(" \"name\"\t\"%s\"", name);
    MapPrintf(" \"noshadows\"\t\"0\"");
    MapPrintf(" \"nospecular\"\t\"0\"");
    MapPrintf(" \"nodiffuse\"\t\"0\"");
    MapPrintf(" \"falloff\"\t\"0\"");
    MapPrintf(" \"texture\"\t\"%s\"", texture);
    MapPrintf(" \"_color\"\t\"%s\"", color);
    MapPrintf(" \"light_radius\"\t\"%i %i %i\"", 2 * width, 2 * depth, 2 * height);
    // The sum of the two bounds on each axis, not their mean.
    MapPrintf(" \"origin\"\t\"%i %i %i\"", level.min_x + level.max_x, level.min_y + level.max_y,
              level.min_height + level.max_height);
}

}  // namespace

void WriteWorldLights() {
    printf("Lighting Map...\n");
    MapPrintf("{");
    WriteLightKeys("Ambient Light", "lights/ambientlight2", "0.4 0.33 0.3");
    MapPrintf("}");
    MapPrintf("{");
    WriteLightKeys("Sun Light", "lights/defaultpointlight", "0.58 0.31 0.07");
    MapPrintf(" \"light_center\"\t\"%i %i %i\"", level.max_x / 2, (level.max_y - level.min_y) / 2,
              4 * (level.max_height - level.min_height));
    MapPrintf("}");
}
