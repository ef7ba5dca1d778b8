// The converter's source WAD: header, directory, and whole lumps on request.
#include <cstdio>
#include <cstring>
#include <new>

#include "converter/level/level.h"
#include "formats/fatal.h"
#include "formats/file_open.h"

WadReader wad_reader;

void ResetWadReader() {
    wad_reader = WadReader{nullptr, "", 0, WadHeader{}, {}};
}

void OpenWad(const std::string& file_name, const std::string& path) {
    const char* name = file_name.c_str();
    wad_reader.file_name = file_name;
    wad_reader.file = OpenUserFile(path.empty() ? file_name : path, "rb");
    if (!wad_reader.file) Fatal(1, "ERROR: Could not read '%s': file not found.\n", name);
    wad_reader.file_size = FileSize(wad_reader.file);

    uint8_t header_bytes[kWadHeaderSize] = {};
    size_t got = fread(header_bytes, 1, sizeof header_bytes, wad_reader.file);
    wad_reader.header = DecodeWadHeader(header_bytes);
    if (got != sizeof header_bytes || memcmp(wad_reader.header.identification + 1, "WAD", 3) != 0) {
        CloseWad();
        Fatal(1, "ERROR: Could not read '%s': not a IWAD or PWAD.\n", name);
    }

    // The directory must lie inside the file; this also bounds its size.
    int64_t count = wad_reader.header.num_lumps;
    int64_t start = wad_reader.header.directory_offset;
    if (count < 0 || start < 0 ||
        start + count * static_cast<int64_t>(kWadDirEntrySize) > wad_reader.file_size) {
        CloseWad();
        Fatal(1, "ERROR: '%s' is damaged: its directory lies outside the file.\n", name);
    }
    std::vector<uint8_t> directory;
    try {
        directory.resize(static_cast<size_t>(count) * kWadDirEntrySize);
        wad_reader.directory.resize(static_cast<size_t>(count));
    } catch (const std::bad_alloc&) {
        CloseWad();
        Fatal(1, "ERROR: Not enough memory for WAD directory.\n");
    }
    if (fseek(wad_reader.file, static_cast<long>(start), SEEK_SET) != 0 ||
        fread(directory.data(), 1, directory.size(), wad_reader.file) != directory.size()) {
        CloseWad();
        Fatal(1, "ERROR: '%s' is damaged: its directory could not be read.\n", name);
    }
    for (size_t i = 0; i < wad_reader.directory.size(); i++) {
        wad_reader.directory[i] =
            DecodeWadDirEntry(ByteSpan(directory).subspan(i * kWadDirEntrySize, kWadDirEntrySize));
    }
    printf("%cWAD '%s' opened, %ld entries.\n", wad_reader.header.identification[0], name,
           static_cast<long>(wad_reader.header.num_lumps));
}

bool LumpExists(std::string_view name) {
    for (const WadDirEntry& entry : wad_reader.directory)
        if (LumpNameEquals(entry.name, name)) return true;
    return false;
}

namespace {

// The lumps that may follow a level's marker, in any order.
constexpr std::string_view kLevelLumpKinds[] = {
    "THINGS", "LINEDEFS", "SIDEDEFS", "VERTEXES", "SEGS",     "SSECTORS",
    "NODES",  "SECTORS",  "REJECT",   "BLOCKMAP", "BEHAVIOR", "SCRIPTS",
};

bool IsLevelLump(const LumpName& name) {
    for (std::string_view kind : kLevelLumpKinds)
        if (LumpNameEquals(name, kind)) return true;
    return false;
}

}  // namespace

std::vector<uint8_t> ReadLevelLump(std::string_view lump_name, std::string_view marker_name) {
    const WadDirEntry* found = nullptr;
    const std::vector<WadDirEntry>& directory = wad_reader.directory;
    size_t i = 0;
    while (i < directory.size() && !LumpNameEquals(directory[i].name, marker_name)) i++;
    for (i++; i < directory.size() && IsLevelLump(directory[i].name); i++) {
        if (LumpNameEquals(directory[i].name, lump_name)) {
            found = &directory[i];
            break;
        }
    }
    std::string lump(lump_name);
    if (!found) FailMissingLump(lump_name);
    int64_t offset = found->file_offset, size = found->size;
    if (offset < 0 || size < 0 || offset + size > wad_reader.file_size) {
        Fatal(1, "ERROR: '%s' is damaged: lump '%s' lies outside the file.\n",
              wad_reader.file_name.c_str(), lump.c_str());
    }
    std::vector<uint8_t> bytes(static_cast<size_t>(size));
    if (size > 0 && (fseek(wad_reader.file, static_cast<long>(offset), SEEK_SET) != 0 ||
                     fread(bytes.data(), 1, bytes.size(), wad_reader.file) != bytes.size())) {
        Fatal(1, "ERROR: '%s' is damaged: lump '%s' could not be read.\n",
              wad_reader.file_name.c_str(), lump.c_str());
    }
    return bytes;
}

bool ReadLump(std::string_view name, std::vector<uint8_t>& bytes) {
    for (const WadDirEntry& entry : wad_reader.directory) {
        if (!LumpNameEquals(entry.name, name)) continue;
        const int64_t offset = entry.file_offset, size = entry.size;
        if (offset < 0 || size < 0 || offset + size > wad_reader.file_size) return false;
        bytes.assign(static_cast<size_t>(size), 0);
        return size == 0 || (fseek(wad_reader.file, static_cast<long>(offset), SEEK_SET) == 0 &&
                             fread(bytes.data(), 1, bytes.size(), wad_reader.file) == bytes.size());
    }
    return false;
}

void FailMissingLump(std::string_view lump_name) {
    CloseWad();
    std::string lump(lump_name);
    Fatal(1, "Missing '%s' entry in WAD.\nPlease make sure the level has been BSP'ed.\n",
          lump.c_str());
}

void CloseWad() {
    if (wad_reader.file) fclose(wad_reader.file);
    wad_reader.file = nullptr;
    wad_reader.directory.clear();
    wad_reader.directory.shrink_to_fit();
}
