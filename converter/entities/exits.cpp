// The level exit, with the name of the following level, and the music speaker.
#include <strings.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "converter/entities/closing.h"
#include "converter/entities/entities.h"
#include "converter/level/level.h"
#include "converter/output/output.h"

namespace {

// Doom's music lumps and the levels that play them.
struct MusicRow {
    const char* music;
    const char* levels[3];  // unused places are nullptr
};

constexpr MusicRow kMusicTable[] = {
    {"D_RUNNIN", {"MAP01", "MAP15"}},
    {"D_STALKS", {"MAP02", "MAP11", "MAP17"}},
    {"D_COUNTD", {"MAP03", "MAP21"}},
    {"D_BETWEE", {"MAP04"}},
    {"D_DOOM", {"MAP05", "MAP13"}},
    {"D_THE_DA", {"MAP06", "MAP12", "MAP24"}},
    {"D_SHAWN", {"MAP07", "MAP19", "MAP29"}},
    {"D_DDTBLU", {"MAP08", "MAP14", "MAP22"}},
    {"D_IN_CIT", {"MAP09"}},
    {"D_DEAD", {"MAP10", "MAP16"}},
    {"D_ROMERO", {"MAP18", "MAP27"}},
    {"D_MESSAG", {"MAP20", "MAP26"}},
    {"D_AMPIE", {"MAP23"}},
    {"D_ADRIAN", {"MAP25"}},
    {"D_TENSE", {"MAP28"}},
    {"D_OPENIN", {"MAP30"}},
    {"D_EVIL", {"MAP31"}},
    {"D_ULTIMA", {"MAP32"}},
    {"D_E1M1", {"E1M1"}},
    {"D_E1M2", {"E1M2"}},
    {"D_E1M3", {"E1M3"}},
    {"D_E1M4", {"E1M4"}},
    {"D_E1M5", {"E1M5"}},
    {"D_E1M6", {"E1M6", "E3M6"}},
    {"D_E1M7", {"E1M7", "E2M5", "E3M5"}},
    {"D_E1M8", {"E1M8", "E3M4"}},
    {"D_E1M9", {"E1M9", "E3M9"}},
    {"D_E2M1", {"E2M1"}},
    {"D_E2M2", {"E2M2"}},
    {"D_E2M3", {"E2M3"}},
    {"D_E2M4", {"E2M4"}},
    {"D_E2M6", {"E2M6"}},
    {"D_E2M7", {"E2M7", "E3M7"}},
    {"D_E2M8", {"E2M8"}},
    {"D_E3M1", {"E2M9", "E3M1"}},
    {"D_E3M2", {"E3M2"}},
    {"D_E3M3", {"E3M3"}},
    {"D_E3M8", {"E3M8"}},
};

static_assert(sizeof(kMusicTable) / sizeof(kMusicTable[0]) == 38);

// The point where the exit and music entities stand: the sum of the two
// bounds on each axis, the same point as the world lights.
void WriteBoundsOrigin() {
    MapPrintf(" \"origin\"\t\"%i %i %i\"", level.min_x + level.max_x, level.min_y + level.max_y,
              level.min_height + level.max_height);
}

void WriteKeyRemover(const char* key, const char* name) {
    MapPrintf("{");
    MapPrintf(" \"classname\"\t\"func_itemremove\"");
    MapPrintf(" \"remove\"\t\"%s\"", key);
    WriteBoundsOrigin();
    MapPrintf(" \"name\"\t\"%s\"", name);
    MapPrintf("}");
}

// The successor of a level of the second game's naming, MAPxx.
std::string NextMapLevel(const std::string& name, bool secret) {
    if (secret) return name == "MAP31" ? "MAP32" : "MAP31";
    // The number is read as C's "%i" reads it: a leading 0 means octal, so
    // "08" and "09" read as 0.
    const char* digits = name.c_str() + 3;
    char* end = nullptr;
    errno = 0;
    long long number = std::strtoll(digits, &end, 0);
    if (end == digits) return name;  // no number: the level is its own successor
    if (errno == ERANGE || number > 99999999 || number < -99999999) return name;
    long long k = number + 1;
    if (k == 31) return "START";
    if (k == 32 || k == 33) return "MAP16";
    char text[32];
    snprintf(text, sizeof(text), "MAP%.2lld", k);
    return text;
}

}  // namespace

std::string NextLevelName(const std::string& name, bool secret) {
    if (name.compare(0, 3, "MAP") == 0) return NextMapLevel(name, secret);
    if (name.size() >= 3 && name[0] == 'E' && name[2] == 'M') {
        int episode = name[1] - '0';
        int mission = (name.size() > 3 ? name[3] : '\0') - '0';
        char text[32];
        if (secret) {
            snprintf(text, sizeof(text), "E%iM9", episode);
            return text;
        }
        mission++;
        if (mission == 10) return "E1M3";
        if (mission == 9) return "START";
        snprintf(text, sizeof(text), "E%iM%i", episode, mission);
        return text;
    }
    return name;
}

bool LevelHasOnlySecretExit() {
    bool secret_exit = false;
    for (int32_t i = 0; i < level.num_linedefs; i++) {
        int32_t special = level.linedefs[i].special;
        if (special == 11 || special == 52) return false;
        if (special == 51 || special == 124) secret_exit = true;
    }
    return secret_exit;
}

std::string LevelMusicName(const std::string& level_name) {
    for (const MusicRow& row : kMusicTable) {
        for (const char* name : row.levels) {
            if (name && strcasecmp(name, level_name.c_str()) == 0) return row.music;
        }
    }
    return level_name;
}

void WriteLevelExit() {
    const std::string& name = convert_options.level_name;
    std::string next = NextLevelName(name, LevelHasOnlySecretExit());
    // The second game goes from MAP08 to MAP09 and from MAP09 to MAP10,
    // which the octal reading of the level number would otherwise miss.
    if (name == "MAP09") next = "MAP10";
    if (name == "MAP08") next = "MAP09";

    WriteKeyRemover("Red Key", "removered");
    WriteKeyRemover("Yellow Key", "removeyel");
    WriteKeyRemover("Blue Key", "removeblue");

    MapPrintf("{");
    MapPrintf(" \"classname\"\t\"target_endlevel\"");
    MapPrintf(" \"nextMap\"\t\"%s\"", next.c_str());
    WriteBoundsOrigin();
    MapPrintf(" \"name\"\t\"end\"");
    MapPrintf("}");
}

void WriteLevelMusic() {
    printf("Set Map Music...\n");
    MapPrintf("{");
    MapPrintf(" \"classname\"\t\"speaker\"");
    MapPrintf(" \"name\"\t\"Ambient Music\"");
    MapPrintf(" \"s_shader\"\t\"sound/musical/%s.ogg\"",
              LevelMusicName(convert_options.level_name).c_str());
    MapPrintf(" \"s_global\"\t\"1\"");
    MapPrintf(" \"s_looping\"\t\"1\"");
    WriteBoundsOrigin();
    MapPrintf("}");
}
