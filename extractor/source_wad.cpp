// The extractor's reader of the source WAD: header, directory, lookups by name
// and lump reads checked against the length of the file.

#include <algorithm>
#include <cctype>
#include <cstring>
#include <new>

#include "extractor/extractor.h"
#include "formats/fatal.h"
#include "formats/file_open.h"

SourceWad source_wad{nullptr, {}, 0, {}, {}, {}, {}};

void WadDamaged() {
    Fatal(6, "ERROR: '%s' is damaged.\n", source_wad.file_name.c_str());
}

void OpenSourceWad(const std::string& file_name) {
    SourceWad& wad = source_wad;
    CloseSourceWad();
    wad.file_name = file_name;
    wad.file = OpenUserFile(file_name, "rb");
    if (!wad.file) Fatal(3, "ERROR: '%s' could not be opened.\n", file_name.c_str());
    wad.file_size = FileSize(wad.file);

    uint8_t header_bytes[kWadHeaderSize];
    if (fread(header_bytes, 1, sizeof header_bytes, wad.file) != sizeof header_bytes ||
        memcmp(header_bytes + 1, "WAD", 3) != 0) {
        CloseSourceWad();
        Fatal(6, "ERROR: '%s' is not a valid IWAD or PWAD.\n", file_name.c_str());
    }
    wad.header = DecodeWadHeader(ByteSpan(header_bytes, sizeof header_bytes));

    // The directory must lie inside the file; its entries are checked when read.
    int64_t count = wad.header.num_lumps;
    int64_t start = wad.header.directory_offset;
    if (count < 0 || start < 0 || start + count * 16 > wad.file_size) WadDamaged();

    std::vector<uint8_t> bytes;
    try {
        bytes.resize(static_cast<size_t>(count) * kWadDirEntrySize);
        wad.directory.reserve(static_cast<size_t>(count));
        wad.upper_names.reserve(static_cast<size_t>(count));
    } catch (const std::bad_alloc&) {
        CloseSourceWad();
        Fatal(7, "ERROR: Out of memory for DOOM WAD header.\n");
    }
    if (fseek(wad.file, static_cast<long>(start), SEEK_SET) != 0 ||
        fread(bytes.data(), 1, bytes.size(), wad.file) != bytes.size())
        WadDamaged();
    for (int64_t i = 0; i < count; i++) {
        WadDirEntry entry =
            DecodeWadDirEntry(ByteSpan(bytes).subspan(static_cast<size_t>(i) * kWadDirEntrySize));
        wad.directory.push_back(entry);
        wad.upper_names.push_back(UpperCase(LumpNameText(entry.name)));
        wad.first_index.emplace(wad.upper_names.back(), static_cast<int>(i));  // keeps the first
    }
    printf("Opened '%s': %ld entries.\n", file_name.c_str(), static_cast<long>(count));
}

void CloseSourceWad() {
    if (source_wad.file) fclose(source_wad.file);
    source_wad.file = nullptr;
    source_wad.directory.clear();
    source_wad.upper_names.clear();
    source_wad.first_index.clear();
}

int FindLumpIndex(std::string_view name, size_t n) {
    std::string wanted = UpperCase(name);
    if (n >= 8) {
        // Names have at most 8 characters: the comparison below of the first
        // n characters, which ends at a zero byte, is a look-up of the name up
        // to its first zero byte.
        std::string key = wanted.substr(0, std::min(wanted.find('\0'), n));
        if (key.size() > 8) return -1;
        const auto found = source_wad.first_index.find(key);
        return found == source_wad.first_index.end() ? -1 : found->second;
    }
    for (size_t index = 0; index < source_wad.upper_names.size(); index++) {
        const std::string& text = source_wad.upper_names[index];
        bool equal = true;
        for (size_t k = 0; k < n; k++) {
            char a = k < text.size() ? text[k] : '\0';
            char b = k < wanted.size() ? wanted[k] : '\0';
            if (a != b) {
                equal = false;
                break;
            }
            if (a == '\0') break;
        }
        if (equal) return static_cast<int>(index);
    }
    return -1;
}

std::string EntryName(int index) {
    return LumpNameText(source_wad.directory.at(static_cast<size_t>(index)).name);
}

std::vector<uint8_t> ReadLump(int index, size_t limit) {
    const WadDirEntry& entry = source_wad.directory.at(static_cast<size_t>(index));
    int64_t offset = entry.file_offset;
    int64_t size = entry.size;
    if (offset < 0 || size < 0 || offset + size > source_wad.file_size) WadDamaged();
    std::vector<uint8_t> bytes(std::min<uint64_t>(static_cast<uint64_t>(size), limit));
    if (bytes.empty()) return bytes;
    if (fseek(source_wad.file, static_cast<long>(offset), SEEK_SET) != 0 ||
        fread(bytes.data(), 1, bytes.size(), source_wad.file) != bytes.size())
        WadDamaged();
    return bytes;
}
