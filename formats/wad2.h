// Records of the WAD2 texture file (.TEX), written by the texture extractor
// and read by the map converter.
//
// Layout: a 12-byte header, the entries' data, then a directory of 32-byte
// entries. All integers are 32-bit unsigned little-endian.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "formats/bytes.h"

constexpr size_t kWad2HeaderSize = 12;
constexpr size_t kWad2DirEntrySize = 32;
constexpr size_t kMipTexHeaderSize = 40;
constexpr uint8_t kWad2TypePalette = 0x40;
constexpr uint8_t kWad2TypeMipTex = 0x44;

struct Wad2Header {
    char identification[4];     // "WAD2", not terminated
    uint32_t num_entries;       // number of directory entries
    uint32_t directory_offset;  // file offset of the directory (end of the data)
};

struct Wad2DirEntry {
    uint32_t file_offset;  // file offset of the entry's data
    uint32_t disk_size;    // length of the entry's data
    uint32_t size;         // the same length again
    uint8_t type;          // 0x40 palette, 0x44 MIP texture
    uint8_t compression;   // always 0
    uint16_t pad;          // two zero bytes
    char name[16];         // entry name, zero-filled after at most 15 characters
};

struct MipTexHeader {
    char name[16];            // texture name, zero-padded
    uint32_t width;           // W, a multiple of 16
    uint32_t height;          // H, a multiple of 16
    uint32_t mip_offsets[4];  // offsets of the four levels from the header's start
};

Wad2Header DecodeWad2Header(ByteSpan bytes);
void EncodeWad2Header(const Wad2Header& header, std::vector<uint8_t>& out);
Wad2DirEntry DecodeWad2DirEntry(ByteSpan bytes);
void EncodeWad2DirEntry(const Wad2DirEntry& entry, std::vector<uint8_t>& out);
MipTexHeader DecodeMipTexHeader(ByteSpan bytes);
void EncodeMipTexHeader(const MipTexHeader& header, std::vector<uint8_t>& out);

// A 16-byte name field as text: up to the first zero byte, at most 16
// characters (a field without terminator is read whole).
std::string Wad2NameText(const char (&name)[16]);
