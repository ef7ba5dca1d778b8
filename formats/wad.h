// Records of the Doom WAD container, shared by both programs.
//
// A WAD is a 12-byte header, the lumps' bytes, and a directory of 16-byte
// entries. All integers are 32-bit little-endian, signed.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "formats/bytes.h"

constexpr size_t kWadHeaderSize = 12;
constexpr size_t kWadDirEntrySize = 16;

// An 8-byte lump name, zero-padded; a name of exactly 8 characters has no
// terminator.
struct LumpName {
    char bytes[8];
};

struct WadHeader {
    char identification[4];    // "IWAD" or "PWAD", not terminated
    int32_t num_lumps;         // number of directory entries
    int32_t directory_offset;  // file offset of the first directory entry
};

struct WadDirEntry {
    int32_t file_offset;  // file offset of the lump's first byte
    int32_t size;         // length of the lump in bytes; 0 for markers
    LumpName name;        // the lump's name
};

WadHeader DecodeWadHeader(ByteSpan bytes);
void EncodeWadHeader(const WadHeader& header, std::vector<uint8_t>& out);
WadDirEntry DecodeWadDirEntry(ByteSpan bytes);
void EncodeWadDirEntry(const WadDirEntry& entry, std::vector<uint8_t>& out);

// The name as text: up to the first zero byte, at most 8 characters.
std::string LumpNameText(const LumpName& name);
// Builds a zero-padded lump name from at most 8 characters of `text`.
LumpName MakeLumpName(std::string_view text);
// Whether the lump's name equals `text`, compared without regard to case.
bool LumpNameEquals(const LumpName& name, std::string_view text);

// Case-insensitive comparison of two names (ASCII letters only).
bool NamesEqual(std::string_view a, std::string_view b);
std::string UpperCase(std::string_view text);
