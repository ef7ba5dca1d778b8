// Runs pavlunt and brakt on the bundled sample, data/SAMPLE.WAD, as demo.sh
// does, and checks that every feature the sample level holds comes out as
// its entity or brush.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <map>
#include <set>
#include <sstream>

#include "tests/support/test_support.h"

namespace {

const std::string kSample = std::string(DATA_DIR) + "/SAMPLE.WAD";
const std::string kObjectTable = std::string(DATA_DIR) + "/BRKT_OBJ.TXT";

// One entity of the map file: its key lines in order and the materials of its
// brush planes.
struct Entity {
    std::vector<std::pair<std::string, std::string>> keys;  // key, value
    std::vector<std::string> materials;                     // one per plane
    int brushes = 0;                                        // " {" ... " }" blocks

    std::string Get(const std::string& key) const {
        for (const auto& [k, v] : keys)
            if (k == key) return v;
        return "";
    }
    bool Has(const std::string& key) const {
        for (const auto& [k, v] : keys)
            if (k == key) return true;
        return false;
    }
};

// Splits the map text into entities; a line that fits none of the forms of the
// map file (entity braces, key lines, brush braces, plane lines) fails the test.
std::vector<Entity> ParseMap(const std::string& text) {
    std::vector<Entity> entities;
    size_t start = 0;
    bool in_entity = false, in_brush = false;
    while (start < text.size()) {
        size_t end = text.find("\r\n", start);
        if (end == std::string::npos) {
            ADD_FAILURE() << "text after the last CR LF: " << text.substr(start, 80);
            break;
        }
        std::string line = text.substr(start, end - start);
        start = end + 2;
        EXPECT_EQ(line.find_first_of("\r\n"), std::string::npos) << "bare CR or LF in: " << line;
        if (line == "{" && !in_entity) {
            entities.emplace_back();
            in_entity = true;
        } else if (line == "}" && in_entity && !in_brush) {
            in_entity = false;
        } else if (line == " {" && in_entity && !in_brush) {
            in_brush = true;
        } else if (line == " }" && in_brush) {
            in_brush = false;
            entities.back().brushes++;
        } else if (in_brush && line.rfind("  ( ", 0) == 0) {
            std::istringstream words(line);
            std::string word;
            for (int i = 0; i < 16 && words >> word; ++i) {
            }
            entities.back().materials.push_back(word);
        } else if (in_entity && !in_brush && line.size() > 4 && line[0] == ' ' && line[1] == '"' &&
                   line.back() == '"') {
            size_t key_end = line.find("\"\t\"", 2);
            if (key_end == std::string::npos) {
                ADD_FAILURE() << "malformed key line: " << line;
                continue;
            }
            entities.back().keys.emplace_back(line.substr(2, key_end - 2),
                                              line.substr(key_end + 3, line.size() - key_end - 4));
        } else {
            ADD_FAILURE() << "unexpected line: " << line;
        }
    }
    EXPECT_FALSE(in_entity) << "the last entity is not closed";
    return entities;
}

std::vector<const Entity*> OfClass(const std::vector<Entity>& entities, const std::string& name) {
    std::vector<const Entity*> found;
    for (const Entity& e : entities)
        if (e.Get("classname") == name) found.push_back(&e);
    return found;
}

const Entity* Named(const std::vector<Entity>& entities, const std::string& name) {
    for (const Entity& e : entities)
        if (e.Get("name") == name) return &e;
    return nullptr;
}

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

uint32_t Le32(const std::vector<uint8_t>& bytes, size_t at) {
    return bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 | uint32_t(bytes[at + 3]) << 24;
}

struct Lump {
    std::string name;
    size_t offset, size;
};

// The directory of a WAD or WAD2 file (entries of 16 or 32 bytes, the name at
// byte 8 or 16).
std::vector<Lump> Directory(const std::vector<uint8_t>& bytes, size_t entry_size, size_t name_at,
                            size_t name_size) {
    std::vector<Lump> lumps;
    if (bytes.size() < 12) return lumps;
    size_t count = Le32(bytes, 4), at = Le32(bytes, 8);
    if (at > bytes.size() || count > (bytes.size() - at) / entry_size) return lumps;
    for (size_t i = 0; i < count; ++i, at += entry_size) {
        std::string name(reinterpret_cast<const char*>(&bytes[at + name_at]), name_size);
        name.resize(name.find('\0') == std::string::npos ? name_size : name.find('\0'));
        lumps.push_back({name, Le32(bytes, at), entry_size == 16 ? Le32(bytes, at + 4) : 0});
    }
    return lumps;
}

// Copies the sample and the object table into the current folder and runs
// pavlunt and brakt on it as demo.sh does.
struct SampleRun {
    RunResult pavlunt, brakt;
    std::string map;
};

SampleRun ConvertSample() {
    SampleRun run;
    std::filesystem::copy_file(kSample, "SAMPLE.WAD");
    std::filesystem::copy_file(kObjectTable, "BRKT_OBJ.TXT");
    run.pavlunt = RunProgram(PAVLUNT_PATH, {"SAMPLE.WAD"});
    run.brakt = RunProgram(BRAKT_PATH, {"SAMPLE.WAD", "map01", "-custom"});
    if (FileExists("MAP01.MAP")) run.map = ReadFileText("MAP01.MAP");
    return run;
}

}  // namespace

// The committed WAD is what demo.sh and users get: it must hold everything
// pavlunt reads and a level with ordinary nodes.
TEST(Sample, WadHoldsPaletteTexturesFlatsAndANodeBuiltLevel) {
    ASSERT_TRUE(FileExists(kSample)) << kSample;
    std::vector<uint8_t> bytes = ReadFileBytes(kSample);
    ASSERT_GE(bytes.size(), 12u);
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 4), "PWAD");
    std::vector<Lump> lumps = Directory(bytes, 16, 8, 8);
    std::map<std::string, Lump> by_name;
    std::vector<std::string> order;
    for (const Lump& lump : lumps) {
        ASSERT_LE(lump.offset + lump.size, bytes.size()) << lump.name;
        by_name.emplace(lump.name, lump);
        order.push_back(lump.name);
    }
    EXPECT_EQ(by_name["PLAYPAL"].size, 14u * 768);
    EXPECT_GT(by_name["PNAMES"].size, 4u);
    EXPECT_GT(by_name["TEXTURE1"].size, 4u);
    auto position = [&](const std::string& name) {
        return std::find(order.begin(), order.end(), name) - order.begin();
    };
    EXPECT_LT(position("F_START"), position("F_SKY1"));
    EXPECT_LT(position("F_SKY1"), position("F_END"));
    EXPECT_EQ(by_name["F_SKY1"].size, 4096u);

    // The level's lumps follow its marker; the node builder wrote plain nodes
    // (no extended or compressed format, no GL nodes).
    ptrdiff_t marker = position("MAP01");
    ASSERT_LT(marker + 10, ptrdiff_t(order.size()));
    const std::vector<std::string> level = {"THINGS", "LINEDEFS", "SIDEDEFS", "VERTEXES",
                                            "SEGS",   "SSECTORS", "NODES",    "SECTORS",
                                            "REJECT", "BLOCKMAP"};
    const std::map<std::string, size_t> record_size = {
        {"THINGS", 10}, {"LINEDEFS", 14}, {"SIDEDEFS", 30}, {"VERTEXES", 4},
        {"SEGS", 12},   {"SSECTORS", 4},  {"NODES", 28},    {"SECTORS", 26}};
    for (size_t i = 0; i < level.size(); ++i) {
        const Lump& lump = lumps[marker + 1 + i];
        EXPECT_EQ(lump.name, level[i]);
        auto size = record_size.find(lump.name);
        if (size == record_size.end()) continue;
        EXPECT_GT(lump.size, 0u) << lump.name;
        EXPECT_EQ(lump.size % size->second, 0u) << lump.name;
        std::string head(bytes.begin() + lump.offset,
                         bytes.begin() + lump.offset + std::min<size_t>(4, lump.size));
        EXPECT_NE(head, "XNOD") << lump.name;
        EXPECT_NE(head, "ZNOD") << lump.name;
    }
    for (const std::string& name : order) EXPECT_NE(name.rfind("GL_", 0), 0u) << name;
}

TEST(Sample, PavluntExtractsEveryFlatAndTexture) {
    TempDir dir;
    SampleRun run = ConvertSample();
    EXPECT_EQ(run.pavlunt.status, 0) << run.pavlunt.output;
    EXPECT_TRUE(Contains(run.pavlunt.output, "FLOOR1 CEIL1 STEP1 GATE1 NUKAGE1 F_SKY1 LIGHT1 \n"))
        << run.pavlunt.output;
    EXPECT_TRUE(Contains(run.pavlunt.output,
                         "BRICK1 SW1BRIK SW2BRIK SW1METL SW2METL DOOR1 DOORBLU METAL1 GRATE1 "
                         "SKY1 \n"))
        << run.pavlunt.output;
    EXPECT_FALSE(FileExists("~temp.hdr"));

    std::vector<uint8_t> tex = ReadFileBytes("CUSTOM.TEX");
    ASSERT_GE(tex.size(), 12u);
    EXPECT_EQ(std::string(tex.begin(), tex.begin() + 4), "WAD2");
    std::vector<std::string> names;
    for (const Lump& entry : Directory(tex, 32, 16, 16)) names.push_back(entry.name);
    // The palette, the flats in WAD order (the first nukage frame under its
    // animation name), then the wall textures in TEXTURE1 order.
    const std::vector<std::string> expected = {
        "PALETTE", "FLOOR1", "CEIL1",   "STEP1",   "GATE1",   "+0NUKAGE",
        "F_SKY1",  "LIGHT1", "BRICK1",  "SW1BRIK", "SW2BRIK", "SW1METL",
        "SW2METL", "DOOR1",  "DOORBLU", "METAL1",  "GRATE1",  "SKY1"};
    EXPECT_EQ(names, expected);
}

TEST(Sample, BraktConvertsEveryFeatureOfTheLevel) {
    TempDir dir;
    SampleRun run = ConvertSample();
    ASSERT_EQ(run.pavlunt.status, 0) << run.pavlunt.output;
    EXPECT_EQ(run.brakt.status, 0) << run.brakt.output;
    EXPECT_TRUE(Contains(run.brakt.output, "MAP01: 20 Sectors, "));
    EXPECT_TRUE(Contains(run.brakt.output, "Converting Objects: 17 Objects.\n"));
    EXPECT_FALSE(FileExists("FENWOLD.TMP"));
    std::vector<Entity> entities = ParseMap(run.map);
    ASSERT_FALSE(entities.empty());

    // Static geometry: the sky ceiling, the nukage floor, the grate filler.
    const Entity& world = entities[0];
    EXPECT_EQ(world.Get("classname"), "worldspawn");
    EXPECT_GT(world.brushes, 50);
    std::set<std::string> materials(world.materials.begin(), world.materials.end());
    for (const char* material : {"skies/hellsky4", "sfx/radiogoop_d", "GRATE1", "FLOOR1", "CEIL1",
                                 "BRICK1", "SW1BRIK", "DOORBLU"})
        EXPECT_TRUE(materials.count(material)) << material;

    std::map<std::string, int> classes;
    for (const Entity& e : entities) classes[e.Get("classname")]++;
    const std::map<std::string, int> expected_classes = {{"worldspawn", 1},
                                                         {"func_door", 7},
                                                         {"trigger_multiple", 11},
                                                         {"trigger_once", 2},
                                                         {"trigger_hurt", 1},
                                                         {"light", 6},
                                                         {"speaker", 4},
                                                         {"func_itemremove", 3},
                                                         {"target_endlevel", 1},
                                                         {"info_player_start", 1},
                                                         {"func_teleporter", 1},
                                                         {"monster_zsec_pistol", 1},
                                                         {"monster_zsec_shotgun", 1},
                                                         {"monster_demon_imp", 2},
                                                         {"monster_demon_pinky", 1},
                                                         {"weapon_shotgun", 1},
                                                         {"item_key_blue", 1},
                                                         {"item_medkit", 1},
                                                         {"item_medkit_small", 1},
                                                         {"ammo_clip_large", 1},
                                                         {"ammo_clip_small", 1},
                                                         {"ammo_shells_small", 1},
                                                         {"func_static", 3}};
    EXPECT_EQ(classes, expected_classes);

    // Movers, named after their tag (or 100000 + sector for untagged doors).
    struct MoverCase {
        const char* name;
        const char* what;
        std::vector<std::pair<std::string, std::string>> keys;
    };
    const std::vector<MoverCase> movers = {
        {"0t100001", "manual door (sector 1)", {{"speed", "200"}, {"angle", "-1"}}},
        {"0t100006", "blue-key door (sector 6)", {{"speed", "200"}}},
        {"0t1", "door of the switch (103)", {{"speed", "100"}, {"wait", "-1"}}},
        {"0t2", "lift (62)", {{"angle", "-2"}, {"wait", "3"}, {"speed", "200"}}},
        {"0t3", "crusher (73)", {{"damage", "2"}, {"speed", "40"}, {"triggerClosed", "0t3"}}},
        {"0t4", "first step of the stairs (8)", {{"angle", "-1"}, {"wait", "-1"}}},
        {"0t5", "teleport landing pad (97)", {{"triggerClosed", "0t5"}, {"wait", "3"}}},
    };
    for (const MoverCase& mover : movers) {
        const Entity* e = Named(entities, mover.name);
        ASSERT_NE(e, nullptr) << mover.what;
        EXPECT_EQ(e->Get("classname"), "func_door") << mover.what;
        EXPECT_EQ(e->brushes, 1) << mover.what;
        for (const auto& [key, value] : mover.keys) EXPECT_EQ(e->Get(key), value) << mover.what;
    }

    // Triggers of the line specials.
    int blue = 0, manual = 0, teleport = 0, exits = 0;
    for (const Entity* e : OfClass(entities, "trigger_multiple")) {
        EXPECT_EQ(e->brushes, 1);
        if (e->Get("requires") == "Blue Key") {
            blue++;
            EXPECT_EQ(e->Get("target0"), "0t100006");
        } else if (e->Get("target0") == "0t100001") {
            manual++;
        } else if (e->Get("target") == "teleporter5") {
            teleport++;
            EXPECT_EQ(e->Get("facing"), "1");
            for (const std::string& m : e->materials) EXPECT_EQ(m, "common/nodraw");
        } else if (e->Get("target4") == "end") {
            exits++;
            EXPECT_EQ(e->Get("target1"), "removeblue");
        }
    }
    EXPECT_EQ(blue, 2);
    EXPECT_EQ(manual, 2);
    EXPECT_EQ(teleport, 4);
    EXPECT_EQ(exits, 1);
    std::set<std::string> once_targets;
    for (const Entity* e : OfClass(entities, "trigger_once"))
        once_targets.insert(e->Get("target0"));
    EXPECT_EQ(once_targets, (std::set<std::string>{"0t1", "0t4"}));  // door switch, stairs

    // Switch speakers for the door switch, the lift switch and the exit switch.
    int switch_speakers = 0;
    for (const Entity* e : OfClass(entities, "speaker"))
        if (e->Get("name").rfind("switch", 0) == 0) {
            switch_speakers++;
            EXPECT_EQ(e->Get("s_shader"), "sound/levels/caverns1/machine_start.ogg");
        }
    EXPECT_EQ(switch_speakers, 3);

    // Sector effects: the damage floor and the flickering alcove.
    const auto hurt = OfClass(entities, "trigger_hurt");
    ASSERT_EQ(hurt.size(), 1u);
    EXPECT_EQ(hurt[0]->Get("def_damage"), "damage_triggerhurt_10");
    int flicker = 0, decoration = 0;
    for (const Entity* e : OfClass(entities, "light")) {
        if (e->Get("texture") == "lights/flickerrandom") flicker++;
        if (e->Get("texture") == "lights/biground1_blamplight_cv") decoration++;
    }
    EXPECT_EQ(flicker, 1);
    EXPECT_EQ(decoration, 3);  // floor lamp, candle, candelabra

    // Teleport destination, exit and music.
    const Entity* destination = Named(entities, "teleporter5");
    ASSERT_NE(destination, nullptr);
    EXPECT_EQ(destination->Get("classname"), "func_teleporter");
    const Entity* end = Named(entities, "end");
    ASSERT_NE(end, nullptr);
    EXPECT_EQ(end->Get("nextMap"), "MAP02");
    const Entity* music = Named(entities, "Ambient Music");
    ASSERT_NE(music, nullptr);
    EXPECT_EQ(music->Get("s_shader"), "sound/musical/D_RUNNIN.ogg");

    // The blue key stands on the ledge, 64 units up.
    const auto key = OfClass(entities, "item_key_blue");
    ASSERT_EQ(key.size(), 1u);
    EXPECT_EQ(key[0]->Get("origin").substr(key[0]->Get("origin").rfind(' ')), " 64");
}
