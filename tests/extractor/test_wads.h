// Small Doom WADs and a reader of the texture files for the extractor's tests.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "formats/wad2.h"
#include "tests/support/test_support.h"

namespace test_wads {

// A palette of 256 distinct colours, none of them the key colour (0, 255, 255).
inline std::vector<uint8_t> Palette() {
    std::vector<uint8_t> rgb;
    for (int i = 0; i < 256; i++) {
        rgb.push_back(static_cast<uint8_t>(i));
        rgb.push_back(static_cast<uint8_t>((i * 7) % 256));
        rgb.push_back(static_cast<uint8_t>(255 - i));
    }
    return rgb;
}

// A 64 x 64 flat whose texel (x, y) is base + x + y (mod 256).
inline std::vector<uint8_t> Flat(int base) {
    std::vector<uint8_t> texels;
    for (int y = 0; y < 64; y++)
        for (int x = 0; x < 64; x++) texels.push_back(static_cast<uint8_t>(base + x + y));
    return texels;
}

// A picture lump of width x height (height below 255) with one post per
// column covering it whole; texel (x, y) is base + x * 16 + y (mod 256).
inline std::vector<uint8_t> Picture(int width, int height, int base) {
    std::vector<uint8_t> out;
    PutS16(out, width);
    PutS16(out, height);
    PutS16(out, 0);
    PutS16(out, 0);
    size_t offsets = out.size();
    for (int x = 0; x < width; x++) PutS32(out, 0);
    for (int x = 0; x < width; x++) {
        int32_t at = static_cast<int32_t>(out.size());
        for (int i = 0; i < 4; i++) out[offsets + 4 * x + i] = static_cast<uint8_t>(at >> (8 * i));
        out.push_back(0);
        out.push_back(static_cast<uint8_t>(height));
        out.push_back(0);
        for (int y = 0; y < height; y++) out.push_back(static_cast<uint8_t>(base + x * 16 + y));
        out.push_back(0);
        out.push_back(0xFF);
    }
    return out;
}

inline std::vector<uint8_t> PatchNames(const std::vector<std::string>& names) {
    std::vector<uint8_t> out;
    PutS32(out, static_cast<int32_t>(names.size()));
    for (const std::string& name : names) PutName(out, name);
    return out;
}

struct PatchPlacement {
    int origin_x;
    int origin_y;
    int patch;  // index into PNAMES
};

struct TextureDef {
    std::string name;
    int width;
    int height;
    std::vector<PatchPlacement> patches;
};

inline std::vector<uint8_t> TextureLump(const std::vector<TextureDef>& textures) {
    std::vector<uint8_t> out;
    PutS32(out, static_cast<int32_t>(textures.size()));
    int32_t at = 4 + 4 * static_cast<int32_t>(textures.size());
    for (const TextureDef& texture : textures) {
        PutS32(out, at);
        at += 22 + 10 * static_cast<int32_t>(texture.patches.size());
    }
    for (const TextureDef& texture : textures) {
        PutName(out, texture.name);
        PutS32(out, 0);
        PutS16(out, texture.width);
        PutS16(out, texture.height);
        PutS32(out, 0);
        PutS16(out, static_cast<int>(texture.patches.size()));
        for (const PatchPlacement& patch : texture.patches) {
            PutS16(out, patch.origin_x);
            PutS16(out, patch.origin_y);
            PutS16(out, patch.patch);
            PutS16(out, 1);
            PutS16(out, 0);
        }
    }
    return out;
}

// A WAD with PLAYPAL and the flats FLOOR1 and FLOOR2 and no wall textures.
inline WadBuilder FlatsOnly() {
    WadBuilder wad;
    wad.Add("PLAYPAL", Palette());
    wad.Add("F_START");
    wad.Add("FLOOR1", Flat(1));
    wad.Add("FLOOR2", Flat(2));
    wad.Add("F_END");
    return wad;
}

// One entry of a texture file with its MIP texture header when it has one.
struct TexEntry {
    Wad2DirEntry dir;
    std::string name;
    MipTexHeader mip;
    std::vector<uint8_t> data;  // the entry's bytes
};

struct TexFile {
    Wad2Header header;
    std::vector<TexEntry> entries;
    size_t size;
};

// Reads a texture file, checking that its directory lies at its end and
// every entry inside the data.
inline TexFile ReadTex(const std::string& path) {
    std::vector<uint8_t> bytes = ReadFileBytes(path);
    TexFile file{};
    file.size = bytes.size();
    EXPECT_GE(bytes.size(), 12u);
    if (bytes.size() < 12) return file;
    file.header = DecodeWad2Header(bytes);
    EXPECT_EQ(std::string(file.header.identification, 4), "WAD2");
    EXPECT_EQ(file.header.directory_offset + 32ull * file.header.num_entries, bytes.size());
    for (uint32_t i = 0; i < file.header.num_entries; i++) {
        size_t at = file.header.directory_offset + 32 * i;
        if (at + 32 > bytes.size()) break;
        TexEntry entry{};
        entry.dir = DecodeWad2DirEntry(ByteSpan(bytes).subspan(at, 32));
        entry.name = Wad2NameText(entry.dir.name);
        EXPECT_LE(uint64_t{entry.dir.file_offset} + entry.dir.disk_size,
                  file.header.directory_offset);
        if (uint64_t{entry.dir.file_offset} + entry.dir.disk_size > bytes.size()) break;
        entry.data.assign(bytes.begin() + entry.dir.file_offset,
                          bytes.begin() + entry.dir.file_offset + entry.dir.disk_size);
        if (entry.dir.type == kWad2TypeMipTex && entry.data.size() >= 40)
            entry.mip = DecodeMipTexHeader(entry.data);
        file.entries.push_back(entry);
    }
    return file;
}

// Level `level` of a MIP texture entry.
inline std::vector<uint8_t> MipLevel(const TexEntry& entry, int level) {
    size_t start = entry.mip.mip_offsets[level];
    size_t length = (entry.mip.width >> level) * (entry.mip.height >> level);
    if (start + length > entry.data.size()) return {};
    return std::vector<uint8_t>(entry.data.begin() + start, entry.data.begin() + start + length);
}

}  // namespace test_wads
