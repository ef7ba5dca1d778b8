// The converter's run sequence: every phase once, in a fixed order.
#include <cstdio>

#include "converter/driver/driver.h"
#include "converter/entities/entities.h"
#include "converter/geometry/geometry.h"
#include "converter/level/level.h"
#include "converter/surfaces/surfaces.h"
#include "formats/fatal.h"

void ResetConverterState() {
    ResetConvertOptions();
    ResetMapWriter();
    ResetWadReader();
    ResetLevelData();
    ResetTextureCatalog();
    ResetEntityState();
    SetProgressLineOpen(false);
}

void RunEntityPass() {
    if (!OptionSet(kOptNoEnt)) ConvertObjects();
    WriteWorldLights();
    WriteSwitchSpeakers();
    WriteLevelExit();
    WriteLevelMusic();
    FreeLevel();
    CloseWad();
    ReportLeftOutBrushes();
    printf("TOTAL: %i planes in %i brushes.\n", map_writer.plane_count, map_writer.brush_count);
    if (LeftOutBrushCount() > 0)
        printf("Left out: %i brushes that enclose no space.\n", LeftOutBrushCount());
    CloseMapFile();
    CloseTextureCatalog();
}

int RunConverter(int argc, char** argv) {
    PrintBanner();
    ParseCommandLine(argc, argv);

    printf("\n<-------- Opening Source WAD File -------->\n");
    OpenWad(convert_options.wad_file_name, convert_options.wad_file_path);
    LoadLevel(convert_options.level_name);
    // Doom 3's own form goes to a lower-case name: editors on Linux open only ".map".
    if (OptionSet(kOptBrushDef3)) {
        std::string name = convert_options.level_name;
        for (char& ch : name)
            if (ch >= 'A' && ch <= 'Z') ch = static_cast<char>(ch - 'A' + 'a');
        CreateMapFile(name + ".map");
    } else {
        CreateMapFile(convert_options.level_name + ".MAP");
    }
    OpenTextureCatalog(convert_options.texture_file_name);
    BeginWorldspawn();

    printf("\n<--------- Preliminary Processing -------->\n");
    ComputeBounds();
    NormalizeLevel();
    BuildTrigTables();
    WriteBoundingBrushes();
    ReportLeftOutBrushes();

    printf("\n<------ Creating Ceilings and Floors ----->\n");
    SubdivideSectors();
    ReportLeftOutBrushes();

    printf("\n<--------- Creating Wall Segments -------->\n");
    if (!OptionSet(kOptNoWall)) BuildWallBrushes();
    BuildLineFillers();
    ReportLeftOutBrushes();

    MapPrintf("}");
    BuildSwitches();

    printf("\n<------------ Program Finished ----------->\n");
    AppendEntityFile();
    RunEntityPass();
    return 0;
}
