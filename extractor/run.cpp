// Command line and run sequence of the texture extractor.

#include <cmath>
#include <cstdio>
#include <new>
#include <stdexcept>

#include "extractor/extractor.h"
#include "formats/fatal.h"

ExtractorSettings extractor_settings;

void ResetExtractorSettings() {
    extractor_settings.mode_flags = 0;
    extractor_settings.dark_factor = 0.0f;
    extractor_settings.filename.clear();
    extractor_settings.palette_file_name = "PALETTE.LMP";
    extractor_settings.tex_file_name = "CUSTOM.TEX";
    extractor_settings.doom3 = false;
}

void ResetExtractorState() {
    ResetTexFileWriter();  // first: it waits for the entries still in the making
    ResetExtractorSettings();
    CloseSourceWad();
    ResetColourTables();
    ResetDoom3Assets();
    canvas = Canvas{{}, 0, 0};
}

void PrintBanner() {
    printf("\n");
    printf("+------------------------------------+\n");
    printf("+                                    +\n");
    printf("+  PAVLUNT - Doom Texture Extractor  +\n");
    printf("+                                    +\n");
    printf("+---------------------------------1.2+\n");
    printf("Extracts flats and wall textures into a WAD2 texture file\n");
    printf("with full MIP levels, for use with the BRAKT map converter.\n");
}

std::string UsageText() {
    return "PAVLUNT will extract all textures from a WAD Texture File.\n\n"
           "USAGE:  pavlunt filename[.wad] <options>\n\n";
}

namespace {

[[noreturn]] void UnknownOption(const std::string& option) {
    Fatal(1, "\nUnknown Option: %s\n%s", option.c_str(), UsageText().c_str());
}

}  // namespace

void ParseExtractorArgs(const std::vector<std::string>& args) {
    ExtractorSettings& settings = extractor_settings;
    for (size_t i = 1; i < args.size(); i++) {
        const std::string& option = args[i];
        if (NamesEqual(option, "-d")) {
            // A "-d" with nothing after it has no factor to read.
            if (i + 1 >= args.size()) UnknownOption(option);
            i++;
            float value;
            if (sscanf(args[i].c_str(), "%f", &value) == 1) settings.dark_factor = value;
            // Not-a-number fails both comparisons, so it is tested for itself.
            if (std::isnan(settings.dark_factor) || settings.dark_factor < 0.0f ||
                settings.dark_factor > 2.0f)
                settings.dark_factor = 0.8f;
            settings.mode_flags |= kModeDark;
        } else if (NamesEqual(option, "-t")) {
            settings.mode_flags |= kModeTotalConv;
        } else if (NamesEqual(option, "-h")) {
            settings.mode_flags |= kModePointSample;
        } else if (NamesEqual(option, "-d3")) {
            settings.doom3 = true;
        } else {
            UnknownOption(option);
        }
    }
    if (args.empty()) Fatal(1, "%s", UsageText().c_str());
    if (!(settings.mode_flags & kModeDark))
        settings.dark_factor = (settings.mode_flags & kModeTotalConv) ? 1.0f : 0.8f;
    settings.filename = args[0];
    if (settings.filename.find('.') == std::string::npos) settings.filename += ".wad";
}

std::string ChooseTexFileName(const std::string& filename) {
    static const char* const kGameWads[][2] = {
        {"DOOM.WAD", "DOOM1.TEX"}, {"DOOM1.WAD", "DOOM1.TEX"},       {"DOOM2.WAD", "DOOM2.TEX"},
        {"TNT.WAD", "TNT.TEX"},    {"PLUTONIA.WAD", "PLUTONIA.TEX"},
    };
    for (const auto& row : kGameWads) {
        if (NamesEqual(filename, row[0])) return row[1];
    }
    return "CUSTOM.TEX";
}

void RunExtractor(const std::vector<std::string>& args) {
    ExtractorSettings& settings = extractor_settings;
    PrintBanner();
    ParseExtractorArgs(args);

    printf("\n<-------- Opening WADs -------->\n");
    OpenSourceWad(settings.filename);
    settings.palette_file_name = "PALETTE.LMP";
    settings.tex_file_name = ChooseTexFileName(settings.filename);

    CreateTexFile();
    if (settings.doom3) StartDoom3Assets();
    BuildPalette();

    printf("\n");
    if (settings.mode_flags & kModeDark)
        printf("DarkMode : Darkening Colors by %f\n", settings.dark_factor);
    if (settings.mode_flags & kModeTotalConv)
        printf("TC-Mode  : Total Conversion Mode, retain palette.\n");

    StartKeyboard();
    printf("\n<------ Converting Flats ------>\n");
    ConvertFlats();
    printf("\n<------ Converting Walls ------>\n");
    ConvertWalls("TEXTURE1");
    ConvertWalls("TEXTURE2");
    StopKeyboard();

    printf("\n<------- Shutting Down -------->\n");
    FinishTexFile();
    if (settings.doom3) FinishDoom3Assets();
    CloseSourceWad();

    printf("\n  The file %s has been generated containing all of your textures.\n",
           settings.tex_file_name.c_str());
    printf("  Textures were generated with full MIP-Mapping (High Quality Mode).\n");
}

int ExtractorMain(const std::vector<std::string>& args) {
    ResetExtractorState();
    SetProgressLineOpen(false);
    int status = 0;
    std::string message;
    try {
        RunExtractor(args);
    } catch (const FatalError& error) {
        status = error.status;
        message = error.message;
    } catch (const std::bad_alloc&) {
        status = 7;
        message = "ERROR: Out of memory.\n";
    } catch (const std::out_of_range&) {
        // A record decoded past the end of its bytes: the WAD does not hold
        // what its own counts and offsets promise.
        status = 6;
        message = FormatText("ERROR: '%s' is damaged.\n", source_wad.file_name.c_str());
    }
    // An entry may still be in the making when the run ends with an error.
    DiscardPendingMipTextures();
    StopKeyboard();
    // A message ends the line of texture names it interrupts, unless it
    // begins with a line end of its own.
    if (!message.empty() && message[0] != '\n') EndProgressLine();
    SetProgressLineOpen(false);
    fputs(message.c_str(), stdout);
    fflush(stdout);
    return status;
}
