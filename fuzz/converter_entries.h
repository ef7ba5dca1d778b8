// Entry points of the converter's fuzz targets, shared with the regression
// tests that replay the inputs the fuzzers once crashed on. Each entry works
// in the current directory and leaves no state behind: files the run left
// open are closed and every global record is reset.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "converter/driver/driver.h"
#include "converter/entities/closing.h"
#include "converter/entities/entities.h"
#include "converter/level/level.h"
#include "converter/surfaces/surfaces.h"
#include "formats/fatal.h"
#include "fuzz/fuzz_files.h"

namespace fuzz {

// A fatal error leaves the run's files open, as the process would end anyway.
inline void CloseConverterFiles() {
    if (map_writer.map_file) fclose(map_writer.map_file);
    if (map_writer.entity_file) fclose(map_writer.entity_file);
    if (wad_reader.file) fclose(wad_reader.file);
    if (texture_catalog.file) fclose(texture_catalog.file);
    map_writer.map_file = nullptr;
    map_writer.entity_file = nullptr;
    wad_reader.file = nullptr;
    texture_catalog.file = nullptr;
    ResetConverterState();
}

inline void PutU32(std::vector<uint8_t>& out, uint32_t value) {
    for (int i = 0; i < 4; i++) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

inline void PutName16(std::vector<uint8_t>& out, const std::string& name) {
    for (size_t i = 0; i < 16; i++) out.push_back(i < name.size() ? name[i] : 0);
}

// A texture file holding only the headers of a few textures of different
// sizes, enough for every size lookup of the converter.
inline std::vector<uint8_t> SmallTextureFile() {
    struct Entry {
        const char* name;
        uint32_t width, height;
    };
    const Entry entries[] = {{"STARTAN3", 128, 128}, {"FLOOR4_8", 64, 64},  {"CEIL3_5", 64, 64},
                             {"DOOR3", 64, 72},      {"SUPPORT2", 16, 128}, {"BIGDOOR2", 128, 96},
                             {"SW1COMP", 64, 128},   {"NUKAGE1", 64, 64},   {"STEP1", 32, 8}};
    const uint32_t count = sizeof entries / sizeof entries[0];
    std::vector<uint8_t> out = {'W', 'A', 'D', '2'};
    PutU32(out, count);
    PutU32(out, 12 + count * 40);
    for (const Entry& entry : entries) {
        PutName16(out, entry.name);
        PutU32(out, entry.width);
        PutU32(out, entry.height);
        for (int level = 0; level < 4; level++) PutU32(out, 40);
    }
    for (uint32_t i = 0; i < count; i++) {
        PutU32(out, 12 + i * 40);
        PutU32(out, 40);
        PutU32(out, 40);
        out.insert(out.end(), {0x44, 0, 0, 0});
        PutName16(out, entries[i].name);
    }
    return out;
}

// An object table with a standing, a hanging, a light-giving and a
// teleporting thing and the exit lamp.
inline const char* SmallObjectTable() {
    return "; fuzz object table\r\n"
           "1 \"info_player_start\"\r\n"
           "3004 \"monster_zombie_commando:4\"\r\n"
           "0x2c \"func_static\"\r\n"
           "53 \"func_static\"\r\n"
           "14 \"func_teleporter\"\r\n"
           "88 \"func_static\"\r\n"
           "!\r\n";
}

// The whole converter run on one WAD. The first byte chooses options, the
// rest is the WAD F.WAD, converted as level MAP01 with CUSTOM.TEX.
inline void RunConverterOnBytes(const uint8_t* data, size_t size) {
    if (size < 1) return;
    const uint8_t choice = data[0];
    WriteFuzzFile("F.WAD", data + 1, size - 1);
    if (access("CUSTOM.TEX", F_OK) != 0) {
        const std::vector<uint8_t> tex = SmallTextureFile();
        WriteFuzzFile("CUSTOM.TEX", tex.data(), tex.size());
        WriteFuzzFile("BRKT_OBJ.TXT", SmallObjectTable());
    }

    std::vector<std::string> args = {"brakt", "F.WAD", "MAP01", "-custom"};
    if (choice & 0x01) args.push_back("-bound");
    if (choice & 0x02) args.push_back("-nomove");
    if (choice & 0x04) args.push_back("-nowall");
    if (choice & 0x08) args.push_back("-noent");
    if (choice & 0x10) args.push_back("-noceil");
    if (choice & 0x20) args.push_back("-nofloor");
    if (choice & 0xC0) {
        args.push_back("-scale");
        args.push_back((choice & 0xC0) == 0x40 ? "0.5" : (choice & 0xC0) == 0x80 ? "1.5" : "-1024");
    }
    // Every bit of the first byte is taken: an odd length writes Doom 3's own form.
    if (size % 2 == 1) args.push_back("-brushdef3");
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);

    ResetConverterState();
    try {
        RunConverter(static_cast<int>(args.size()), argv.data());
    } catch (const FatalError&) {
    }
    fflush(stdout);
    CloseConverterFiles();
}

// The .TEX reader: opens the bytes as CUSTOM.TEX and looks up the size of
// every texture it names (the first 256) and of one it does not.
inline void RunTextureCatalogOnBytes(const uint8_t* data, size_t size) {
    WriteFuzzFile("CUSTOM.TEX", data, size);
    ResetConverterState();
    try {
        OpenTextureCatalog("CUSTOM.TEX");
        int32_t width, height;
        const size_t count = texture_catalog.directory.size();
        for (size_t i = 0; i < count && i < 256; i++) {
            std::string name = Wad2NameText(texture_catalog.directory[i].name);
            LookupTextureSize(name, width, height);
            if (width <= 0 || height <= 0) abort();
        }
        LookupTextureSize("NOSUCHTEXTURE", width, height);
        CloseTextureCatalog();
    } catch (const FatalError&) {
    }
    CloseConverterFiles();
}

// The -texmap reader, then the translation of a few names through the map.
inline void RunTextureMapOnBytes(const uint8_t* data, size_t size) {
    WriteFuzzFile("TEXMAP.TXT", data, size);
    ResetConverterState();
    try {
        LoadTextureMap("TEXMAP.TXT");
        std::vector<std::string> names = {"F_SKY1", "NUKAGE1", "STARTAN3", "-",
                                          texture_catalog.missing_flat_name};
        for (size_t i = 0; i < texture_catalog.texture_map.size() && i < 16; i++)
            names.push_back(texture_catalog.texture_map[i].doom_name);
        for (std::string& name : names) MapTextureName(name);
    } catch (const FatalError&) {
    }
    CloseConverterFiles();
}

// A level of one square sector without nodes, with one thing of each kind
// the object pass treats apart.
inline void LoadObjectTestLevel() {
    LevelData& l = level;
    l.vertexes = {{0, 0}, {0, 256}, {256, 256}, {256, 0}};
    SideDef side{};
    side.sector = 0;
    l.sidedefs = {side};
    l.linedefs = {{0, 1, 1, 0, 0, 0, -1},
                  {1, 2, 1, 0, 0, 0, -1},
                  {2, 3, 1, 0, 0, 0, -1},
                  {3, 0, 1, 0, 0, 0, -1}};
    Sector sector{};
    sector.floor_height = 0;
    sector.ceiling_height = 128;
    sector.light_level = 160;
    sector.tag = 3;
    l.sectors = {sector};
    l.segs = {{0, 1, 0x4000, 0, 0, 0},
              {1, 2, 0, 1, 0, 0},
              {2, 3, 0xC000, 2, 0, 0},
              {3, 0, 0x8000, 3, 0, 0}};
    l.subsectors = {{4, 0}};
    l.things = {{64, 64, 90, 1, 7},  {128, 128, 45, 3004, 7}, {32, 200, 0, 44, 7},
                {200, 32, 0, 53, 7}, {100, 100, 270, 14, 7},  {150, 150, 0, 88, 7},
                {-50, -50, 0, 1, 7}};
    l.num_vertexes = 4;
    l.num_sidedefs = 1;
    l.num_linedefs = 4;
    l.num_sectors = 1;
    l.num_segs = 4;
    l.num_subsectors = 1;
    l.num_nodes = 0;
    l.num_things = static_cast<int32_t>(l.things.size());
}

// The object table: every line through the line parser, then the whole
// object pass over a small level with the bytes as BRKT_OBJ.TXT.
inline void RunObjectTableOnBytes(const uint8_t* data, size_t size) {
    WriteFuzzFile("BRKT_OBJ.TXT", data, size);
    ResetConverterState();
    try {
        FILE* table = fopen("BRKT_OBJ.TXT", "rb");
        if (!table) abort();
        std::string line;
        for (int lines = 0;; lines++) {
            ReadTextLine(table, line);
            ObjectTableEntry entry;
            TableLine kind = ParseObjectTableLine(line, entry);
            if (kind == TableLine::kEnd) break;
            if (kind == TableLine::kEntry && entry.class_name.size() > kMaxClassNameLength) abort();
            if (kind == TableLine::kEntry && entry.class_name.find('"') != std::string::npos)
                abort();
        }
        fclose(table);

        LoadObjectTestLevel();
        map_writer.map_file = fopen("OBJECTS.MAP", "wb");
        if (!map_writer.map_file) abort();
        ConvertObjects();
    } catch (const FatalError&) {
    }
    CloseConverterFiles();
}

}  // namespace fuzz
