// The converter's command line: banner, usage text and the option scan.
#include <cmath>
#include <cstdio>
#include <cstring>

#include "converter/driver/driver.h"
#include "converter/surfaces/surfaces.h"
#include "formats/fatal.h"
#include "formats/wad.h"

void PrintBanner() {
    // A double-line box, 43 columns wide, drawn with UTF-8 box characters.
    std::string rule;
    for (int i = 0; i < 41; i++) rule += "\u2550";
    printf("\n");
    printf("\u2554%s\u2557\n", rule.c_str());
    printf("\u2551%41s\u2551\n", "");
    printf("\u2551       %s       \u2551\n", "brakt Doom to Doom 3 Mapper");
    printf("\u2551%41s\u2551\n", "1.3");
    printf("\u255a%s\u255d\n", rule.c_str());
    printf("Author: the brakt developers\n");
    printf("\n");
}

static void PrintUsage() {
    printf("USAGE:\tbrakt filename[.wad] levelname [options]\n\n");
    printf("Options:\n\n");
    printf("\t-nowall   : Suppress Wall Conversion\n");
    printf("\t-noceil   : Suppress Ceiling Conversion\n");
    printf("\t-nofloor  : Suppress Floor Conversion\n");
    printf("\t-nomove   : Suppress Creation of Moving Objects & Switches\n");
    printf("\t-noent    : Suppress Entity Substitution\n");
    printf("\n");
    printf("\t-bound    : Generate Bounding Brushes (prevent leaks)\n");
    printf("\t-direct   : Forces direct partitioning of sectors\n");
    printf("\t-brushdef3: Write Doom 3's own map form, levelname.map (for DarkRadiant)\n");
    printf("\n");
    printf("\t-scale N  : Specifies the map scale factor (default is 1.0)\n");
    printf("\n");
    printf("\t-doom     : Use DOOM1.TEX as texture source (default is DOOM2.TEX)\n");
    printf("\t-doom2    : Use DOOM2.TEX as texture source\n");
    printf("\t-tnt      : Use TNT.TEX as texture source\n");
    printf("\t-plutonia : Use PLUTONIA.TEX as texture source\n");
    printf("\t-custom   : Use CUSTOM.TEX as texture source\n");
}

namespace {

enum class OptionAction { kFlag, kAccept, kLight, kWad, kTexMap, kScale, kTextureFile };

struct OptionWord {
    const char* word;     // the option as typed, compared without regard to case
    OptionAction action;  // what it does
    uint32_t flag;        // kFlag: the bit it sets
    const char* file;     // kTextureFile: the texture file it selects
};

// Examined in this order for every argument; options with a value consume the
// next argument, which is then still compared with the words below them.
constexpr OptionWord kOptionWords[] = {
    {"-nofloor", OptionAction::kFlag, kOptNoFloor, nullptr},
    {"-noceil", OptionAction::kFlag, kOptNoCeil, nullptr},
    {"-nowall", OptionAction::kFlag, kOptNoWall, nullptr},
    {"-nomove", OptionAction::kFlag, kOptNoMove, nullptr},
    {"-nolight", OptionAction::kAccept, 0, nullptr},
    {"-noent", OptionAction::kFlag, kOptNoEnt, nullptr},
    {"-nosky", OptionAction::kAccept, 0, nullptr},
    {"-bound", OptionAction::kFlag, kOptBound, nullptr},
    {"-brushdef3", OptionAction::kFlag, kOptBrushDef3, nullptr},
    {"-lock", OptionAction::kAccept, 0, nullptr},
    {"-direct", OptionAction::kAccept, 0, nullptr},
    {"-light", OptionAction::kLight, 0, nullptr},
    {"-wad", OptionAction::kWad, 0, nullptr},
    {"-texmap", OptionAction::kTexMap, 0, nullptr},
    {"-scale", OptionAction::kScale, 0, nullptr},
    {"-tnt", OptionAction::kTextureFile, 0, "TNT.TEX"},
    {"-doom", OptionAction::kTextureFile, 0, "DOOM1.TEX"},
    {"-doom2", OptionAction::kTextureFile, 0, "DOOM2.TEX"},
    {"-plutonia", OptionAction::kTextureFile, 0, "PLUTONIA.TEX"},
    {"-custom", OptionAction::kTextureFile, 0, "CUSTOM.TEX"},
};

// The largest -scale factor either way.
constexpr float kMaxMapScale = 1024.0f;

bool TakesValue(OptionAction action) {
    return action == OptionAction::kLight || action == OptionAction::kWad ||
           action == OptionAction::kTexMap || action == OptionAction::kScale;
}

}  // namespace

void ParseCommandLine(int argc, char** argv) {
    if (argc < 3) {
        PrintUsage();
        throw FatalError{1, ""};
    }
    convert_options.wad_file_path = argv[1];
    if (convert_options.wad_file_path.find('.') == std::string::npos)
        convert_options.wad_file_path += ".WAD";
    convert_options.wad_file_name = UpperCase(convert_options.wad_file_path);
    convert_options.level_name = UpperCase(argv[2]);

    convert_options.option_flags = 0;
    convert_options.texture_file_name = "DOOM2.TEX";
    for (int i = 3; i < argc; i++) {
        for (const OptionWord& option : kOptionWords) {
            if (!NamesEqual(argv[i], option.word)) continue;
            if (TakesValue(option.action)) {
                if (i + 1 >= argc) continue;  // a value option standing last is ignored
                i++;
            }
            const char* value = argv[i];
            switch (option.action) {
                case OptionAction::kFlag:
                    convert_options.option_flags |= option.flag;
                    break;
                case OptionAction::kAccept:
                    break;
                case OptionAction::kLight: {
                    int light;
                    (void)sscanf(value, "%i", &light);  // read and otherwise unused
                    break;
                }
                case OptionAction::kWad:
                    convert_options.texture_file_name = value;
                    break;
                case OptionAction::kTexMap:
                    LoadTextureMap(value);
                    break;
                case OptionAction::kScale: {
                    float scale;
                    if (sscanf(value, "%f", &scale) != 1) break;
                    // Level coordinates times a larger factor no longer fit the
                    // integers the map text is written with.
                    if (!std::isfinite(scale) || std::fabs(scale) > kMaxMapScale)
                        Fatal(1, "ERROR: The scale factor %s is out of range (-%g to %g).\n", value,
                              kMaxMapScale, kMaxMapScale);
                    convert_options.map_scale = scale;
                    break;
                }
                case OptionAction::kTextureFile:
                    convert_options.texture_file_name = option.file;
                    break;
            }
        }
    }
}
