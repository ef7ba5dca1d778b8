#include "formats/wad.h"

WadHeader DecodeWadHeader(ByteSpan bytes) {
    WadHeader header;
    LoadBytes(bytes, 0, header.identification, 4);
    header.num_lumps = LoadS32(bytes, 4);
    header.directory_offset = LoadS32(bytes, 8);
    return header;
}

void EncodeWadHeader(const WadHeader& header, std::vector<uint8_t>& out) {
    StoreBytes(out, header.identification, 4);
    StoreU32(out, static_cast<uint32_t>(header.num_lumps));
    StoreU32(out, static_cast<uint32_t>(header.directory_offset));
}

WadDirEntry DecodeWadDirEntry(ByteSpan bytes) {
    WadDirEntry entry;
    entry.file_offset = LoadS32(bytes, 0);
    entry.size = LoadS32(bytes, 4);
    LoadBytes(bytes, 8, entry.name.bytes, 8);
    return entry;
}

void EncodeWadDirEntry(const WadDirEntry& entry, std::vector<uint8_t>& out) {
    StoreU32(out, static_cast<uint32_t>(entry.file_offset));
    StoreU32(out, static_cast<uint32_t>(entry.size));
    StoreBytes(out, entry.name.bytes, 8);
}

std::string LumpNameText(const LumpName& name) {
    size_t length = 0;
    while (length < 8 && name.bytes[length] != '\0') length++;
    return std::string(name.bytes, length);
}

LumpName MakeLumpName(std::string_view text) {
    LumpName name{};
    for (size_t i = 0; i < 8 && i < text.size(); i++) name.bytes[i] = text[i];
    return name;
}

namespace {

// toupper of the "C" locale, which the programs never leave: only a to z
// change. Inline, as names are compared and upper-cased by the thousand.
inline char UpperAscii(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - ('a' - 'A')) : c;
}

}  // namespace

bool NamesEqual(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); i++) {
        if (UpperAscii(a[i]) != UpperAscii(b[i])) return false;
    }
    return true;
}

bool LumpNameEquals(const LumpName& name, std::string_view text) {
    return NamesEqual(LumpNameText(name), text);
}

std::string UpperCase(std::string_view text) {
    std::string upper(text);
    for (char& c : upper) c = UpperAscii(c);
    return upper;
}
