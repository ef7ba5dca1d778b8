#include "formats/wad2.h"

Wad2Header DecodeWad2Header(ByteSpan bytes) {
    Wad2Header header;
    LoadBytes(bytes, 0, header.identification, 4);
    header.num_entries = LoadU32(bytes, 4);
    header.directory_offset = LoadU32(bytes, 8);
    return header;
}

void EncodeWad2Header(const Wad2Header& header, std::vector<uint8_t>& out) {
    StoreBytes(out, header.identification, 4);
    StoreU32(out, header.num_entries);
    StoreU32(out, header.directory_offset);
}

Wad2DirEntry DecodeWad2DirEntry(ByteSpan bytes) {
    Wad2DirEntry entry;
    entry.file_offset = LoadU32(bytes, 0);
    entry.disk_size = LoadU32(bytes, 4);
    entry.size = LoadU32(bytes, 8);
    entry.type = LoadU8(bytes, 12);
    entry.compression = LoadU8(bytes, 13);
    entry.pad = LoadU16(bytes, 14);
    LoadBytes(bytes, 16, entry.name, 16);
    return entry;
}

void EncodeWad2DirEntry(const Wad2DirEntry& entry, std::vector<uint8_t>& out) {
    StoreU32(out, entry.file_offset);
    StoreU32(out, entry.disk_size);
    StoreU32(out, entry.size);
    StoreU8(out, entry.type);
    StoreU8(out, entry.compression);
    StoreU16(out, entry.pad);
    StoreBytes(out, entry.name, 16);
}

MipTexHeader DecodeMipTexHeader(ByteSpan bytes) {
    MipTexHeader header;
    LoadBytes(bytes, 0, header.name, 16);
    header.width = LoadU32(bytes, 16);
    header.height = LoadU32(bytes, 20);
    for (int level = 0; level < 4; level++)
        header.mip_offsets[level] = LoadU32(bytes, 24 + 4 * level);
    return header;
}

void EncodeMipTexHeader(const MipTexHeader& header, std::vector<uint8_t>& out) {
    StoreBytes(out, header.name, 16);
    StoreU32(out, header.width);
    StoreU32(out, header.height);
    for (int level = 0; level < 4; level++) StoreU32(out, header.mip_offsets[level]);
}

std::string Wad2NameText(const char (&name)[16]) {
    size_t length = 0;
    while (length < 16 && name[length] != '\0') length++;
    return std::string(name, length);
}
