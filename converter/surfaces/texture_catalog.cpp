// The texture catalog: sizes from the .TEX file, Doom names translated to
// material names, and the axis along which a wall texture runs.
#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>
#include <cstring>

#include "converter/surfaces/surfaces.h"
#include "formats/fatal.h"
#include "formats/file_open.h"
#include "formats/wad.h"

TextureCatalog texture_catalog;

namespace {

const char* const kDefaultMissingFlat = "common/trigmulti";

// Doom names of animated and special surfaces and the materials they become.
struct BuiltinMapping {
    const char* doom_name;
    const char* material;
};
constexpr BuiltinMapping kBuiltinTextureMap[] = {
    {"BLOOD1", "hell/blood_stream1"},   {"BLOOD2", "hell/blood_stream1"},
    {"BLOOD3", "hell/blood_stream1"},   {"FWATER1", "hell/cracked2lava"},
    {"FWATER2", "hell/cracked2lava"},   {"FWATER3", "hell/cracked2lava"},
    {"FWATER4", "hell/cracked2lava"},   {"LAVA1", "hell/lava1move"},
    {"LAVA2", "hell/lava1move"},        {"LAVA3", "hell/lava1move"},
    {"LAVA4", "hell/lava1move"},        {"NUKAGE1", "sfx/radiogoop_d"},
    {"NUKAGE2", "sfx/radiogoop_d"},     {"NUKAGE3", "sfx/radiogoop_d"},
    {"BFALL1", "hell/lavatube"},        {"BFALL2", "hell/lavatube"},
    {"BFALL3", "hell/lavatube"},        {"BFALL4", "hell/lavatube"},
    {"BLODRIP1", "hell/blood_stream1"}, {"BLODRIP2", "hell/blood_stream1"},
    {"BLODRIP3", "hell/blood_stream1"}, {"BLODRIP4", "hell/blood_stream1"},
    {"FIREMAG1", "hell/lava1move"},     {"FIREMAG2", "hell/lava1move"},
    {"FIREMAG3", "hell/lava1move"},     {"FIREWALL", "hell/lava1move"},
    {"FIREWALA", "hell/lava1move"},     {"FIREWALB", "hell/lava1move"},
    {"SFALL1", "hell/cracked2lava"},    {"SFALL2", "hell/cracked2lava"},
    {"SFALL3", "hell/cracked2lava"},    {"SFALL4", "hell/cracked2lava"},
};

// Whether a name starting with `first` may be "F_SKY1" or a built-in Doom
// name: most names start with another letter and need no search.
bool MayBeBuiltin(char first) {
    static const std::array<bool, 256> starts = [] {
        std::array<bool, 256> letters{};
        letters['F'] = true;  // F_SKY1
        for (const BuiltinMapping& row : kBuiltinTextureMap)
            letters[static_cast<unsigned char>(std::toupper(row.doom_name[0]))] = true;
        return letters;
    }();
    return starts[static_cast<unsigned char>(std::toupper(static_cast<unsigned char>(first)))];
}

[[noreturn]] void NotWad2(const std::string& file_name) {
    Fatal(12, "ERROR: '%s' is not a WAD2 file.\n", file_name.c_str());
}

}  // namespace

void ResetTextureCatalog() {
    texture_catalog = TextureCatalog{};
    texture_catalog.file = nullptr;
    texture_catalog.texture_map_count = 0;
    texture_catalog.missing_flat_name = kDefaultMissingFlat;
    texture_catalog.wad_textures_read = false;
}

void OpenTextureCatalog(const std::string& file_name) {
    TextureCatalog& catalog = texture_catalog;
    catalog.file_name = file_name;
    catalog.file = OpenUserFile(file_name, "rb");
    if (!catalog.file) Fatal(11, "ERROR: '%s' could not be opened.\n", file_name.c_str());
    catalog.file_size = FileSize(catalog.file);

    uint8_t header_bytes[kWad2HeaderSize] = {};
    size_t got = fread(header_bytes, 1, sizeof header_bytes, catalog.file);
    catalog.header = DecodeWad2Header(header_bytes);
    if (got != sizeof header_bytes || memcmp(catalog.header.identification, "WAD2", 4) != 0) {
        fclose(catalog.file);
        catalog.file = nullptr;
        NotWad2(file_name);
    }

    // The directory must lie inside the file.
    uint64_t count = catalog.header.num_entries;
    uint64_t start = catalog.header.directory_offset;
    if (start + count * kWad2DirEntrySize > static_cast<uint64_t>(catalog.file_size))
        NotWad2(file_name);
    std::vector<uint8_t> bytes(count * kWad2DirEntrySize);
    if (fseek(catalog.file, static_cast<long>(start), SEEK_SET) != 0 ||
        fread(bytes.data(), 1, bytes.size(), catalog.file) != bytes.size())
        NotWad2(file_name);
    catalog.directory.resize(count);
    catalog.name_index.resize(count);
    for (size_t i = 0; i < count; i++) {
        catalog.directory[i] =
            DecodeWad2DirEntry(ByteSpan(bytes).subspan(i * kWad2DirEntrySize, kWad2DirEntrySize));
        catalog.name_index[i] = {UpperCase(Wad2NameText(catalog.directory[i].name)),
                                 static_cast<int32_t>(i)};
    }
    std::sort(catalog.name_index.begin(), catalog.name_index.end());
    catalog.entry_sizes.assign(count, {-1, -1});
    catalog.found_entries.clear();
    catalog.last_found.clear();
}

int FindTexture(const std::string& name) {
    TextureCatalog& catalog = texture_catalog;
    if (!name.empty() && name == catalog.last_found) return catalog.last_found_entry;
    const auto known = catalog.found_entries.find(name);
    int entry = -1;
    if (known != catalog.found_entries.end()) {
        entry = known->second;
    } else {
        const auto& index = catalog.name_index;
        std::string wanted = UpperCase(name);
        auto found =
            std::lower_bound(index.begin(), index.end(), std::make_pair(wanted, INT32_MIN));
        entry = found == index.end() || found->first != wanted ? -1 : found->second;
        catalog.found_entries.emplace(name, entry);
    }
    catalog.last_found = name;
    catalog.last_found_entry = entry;
    return entry;
}

// The largest texture side the catalog believes.
constexpr int32_t kMaxTextureSide = 32768;

void LookupTextureSize(const std::string& name, int32_t& width, int32_t& height) {
    width = 256;
    height = 512;
    int entry = FindTexture(name);
    if (entry < 0) return;

    TextureCatalog& catalog = texture_catalog;
    std::pair<int32_t, int32_t>& size = catalog.entry_sizes[entry];
    if (size.first == -1) {
        uint64_t offset = catalog.directory[entry].file_offset;
        uint8_t bytes[kMipTexHeaderSize];
        if (offset + kMipTexHeaderSize > static_cast<uint64_t>(catalog.file_size) ||
            fseek(catalog.file, static_cast<long>(offset), SEEK_SET) != 0 ||
            fread(bytes, 1, sizeof bytes, catalog.file) != sizeof bytes) {
            Fatal(12, "ERROR: '%s' is damaged: texture '%s' lies outside the file.\n",
                  catalog.file_name.c_str(), name.c_str());
        }
        MipTexHeader header = DecodeMipTexHeader(bytes);
        size = {static_cast<int32_t>(header.width), static_cast<int32_t>(header.height)};
        // A size of zero or less would divide by zero later, and one beyond
        // any real texture would overflow the offset sums: such a texture
        // counts as missing.
        if (size.first <= 0 || size.second <= 0 || size.first > kMaxTextureSide ||
            size.second > kMaxTextureSide)
            size = {256, 512};
    }
    width = size.first;
    height = size.second;
}

void CloseTextureCatalog() {
    if (texture_catalog.file) fclose(texture_catalog.file);
    texture_catalog.file = nullptr;
    texture_catalog.directory.clear();
    texture_catalog.name_index.clear();
    texture_catalog.entry_sizes.clear();
    texture_catalog.found_entries.clear();
    texture_catalog.last_found.clear();
}

namespace {

void MapTextureNameAnew(std::string& name) {
    const TextureCatalog& catalog = texture_catalog;
    if (catalog.texture_map_count > 0) {
        for (const TextureMapEntry& entry : catalog.texture_map) {
            if (NamesEqual(entry.doom_name, name)) {
                name = entry.material;
                return;
            }
        }
        return;
    }
    if (name.empty() || !MayBeBuiltin(name[0])) return;
    if (NamesEqual(name, "F_SKY1")) {
        name = "skies/hellsky4";
        return;
    }
    for (const BuiltinMapping& row : kBuiltinTextureMap) {
        if (NamesEqual(row.doom_name, name)) {
            name = row.material;
            return;
        }
    }
}

}  // namespace

void MapTextureName(std::string& name) {
    TextureCatalog& catalog = texture_catalog;
    const auto known = catalog.mapped_names.find(name);
    if (known != catalog.mapped_names.end()) {
        name = known->second;
        return;
    }
    std::string& mapped = catalog.mapped_names[name];
    MapTextureNameAnew(name);
    mapped = name;
}

const std::string& LumpMaterial(const LumpName& texture) {
    std::unordered_map<uint64_t, std::string>& known = texture_catalog.lump_materials;
    uint64_t key = 0;
    std::memcpy(&key, texture.bytes, sizeof key);
    auto found = known.find(key);
    if (found == known.end()) {
        std::string name = UpperCase(LumpNameText(texture));
        MapTextureName(name);
        found = known.emplace(key, std::move(name)).first;
    }
    return found->second;
}

void ReadTextLine(FILE* file, std::string& line) {
    line.clear();
    bool any = false;
    int c;
    while ((c = fgetc(file)) != EOF) {
        any = true;
        if (c == '\n') return;
        if (c == '\r') continue;
        if (line.size() < 255) line.push_back(static_cast<char>(c));
    }
    if (!any) line.assign(1, '!');
}

void LoadTextureMap(const std::string& file_name) {
    FILE* file = OpenUserFile(file_name, "rb");
    if (!file) Fatal(12, "ERROR: %s could not be opened.\n", file_name.c_str());

    std::vector<TextureMapEntry> table;
    std::string line;
    for (int number = 1;; number++) {
        ReadTextLine(file, line);
        if (!line.empty() && line[0] == '!') break;
        if (line.empty() || line[0] == ';') continue;
        char first[256], second[256];
        int words = sscanf(line.c_str(), "%255s %255s", first, second);
        if (words < 2 || strlen(first) > 8 || strlen(second) > 15) {
            printf(
                "WARNING: %s line %i skipped: expected a Doom name of up to 8 characters and "
                "a material of up to 15.\n",
                file_name.c_str(), number);
            continue;
        }
        table.push_back({first, second});
    }
    fclose(file);

    if (!table.empty()) {
        texture_catalog.texture_map = table;
        texture_catalog.texture_map_count = static_cast<int32_t>(table.size());
        texture_catalog.missing_flat_name = table[0].doom_name;
        texture_catalog.mapped_names.clear();
        texture_catalog.lump_materials.clear();
    }
}

int ChooseTextureAxis(uint16_t angle, int32_t x1, int32_t y1, int32_t x2, int32_t y2,
                      int32_t& natx1, int32_t& natx2) {
    uint16_t a = static_cast<uint16_t>(angle - 0x4000);
    bool use_y;
    int flip;
    if (a >= 0xD1F1 || a < 0x1FFE) {
        use_y = true, flip = 0;
    } else if (a < 0x5FFE) {
        use_y = false, flip = 1;
    } else if (a >= 0x5FFA && a < 0x9FFE) {
        use_y = true, flip = 1;
    } else {
        use_y = false, flip = 0;
    }
    natx1 = use_y ? y1 : x1;
    natx2 = use_y ? y2 : x2;
    return flip;
}
