// The option record of a run.
#include "converter/output/output.h"

ConvertOptions convert_options;

void ResetConvertOptions() {
    convert_options = ConvertOptions{};
    convert_options.option_flags = 0;
    convert_options.map_scale = 1.0f;
    convert_options.texture_file_name = "DOOM2.TEX";
}
