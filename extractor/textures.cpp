// Flats and wall textures: every flat between F_START and F_END, and every
// texture of TEXTURE1 and TEXTURE2 composed from its patches.

#include <algorithm>
#include <cstring>

#include "extractor/extractor.h"
#include "formats/fatal.h"

Canvas canvas{{}, 0, 0};

namespace {

constexpr int kFlatSize = 64;
constexpr int kEscKey = 27;
constexpr size_t kTextureRecordSize = 22;  // name, masked, width, height, columns, patch count
constexpr size_t kPatchRecordSize = 10;    // origin x, origin y, patch, step dir, colour map
constexpr int kMostTextureTexels = 4096 * 4096;  // larger textures are skipped

// The names of PNAMES, each at most 8 characters.
std::vector<std::string> ReadPatchNames() {
    int index = FindLumpIndex("PNAMES", 8);
    if (index < 0) {
        CloseSourceWad();
        Fatal(9, "ERROR: 'PNAMES' not found.\n");
    }
    std::vector<uint8_t> lump = ReadLump(index);
    if (lump.size() < 4) WadDamaged();
    int64_t count = LoadS32(lump, 0);
    if (count < 0 || 4 + count * 8 > static_cast<int64_t>(lump.size())) WadDamaged();
    std::vector<std::string> names;
    names.reserve(static_cast<size_t>(count));
    for (int64_t i = 0; i < count; i++) {
        LumpName name;
        LoadBytes(lump, 4 + static_cast<size_t>(i) * 8, name.bytes, 8);
        names.push_back(LumpNameText(name));
    }
    return names;
}

}  // namespace

void CheckKeyboard() {
    if (PollKey() != kEscKey) return;
    printf("\nERROR: User aborted with ESC key...\n");
    fflush(stdout);
    StopKeyboard();
    FinishTexFile();
    if (extractor_settings.doom3) FinishDoom3Assets();
    CloseSourceWad();
    throw FatalError{0, ""};
}

void ConvertFlats() {
    int start = FindLumpIndex("F_START", 7);
    if (start < 0) {
        CloseSourceWad();
        Fatal(12, "ERROR: Couldn't find F_START.\n");
    }
    canvas.width = kFlatSize;
    canvas.height = kFlatSize;
    const size_t count = source_wad.directory.size();
    for (size_t index = static_cast<size_t>(start) + 1; index < count; index++) {
        std::string name = EntryName(static_cast<int>(index));
        if (NamesEqual(source_wad.upper_names[index].substr(0, 5), "F_END")) break;
        if (source_wad.directory[index].size != 0) {
            printf("%s ", name.c_str());
            fflush(stdout);
            SetProgressLineOpen(true);
            // A short flat lump leaves its missing texels at 0.
            canvas.texels.assign(kFlatSize * kFlatSize, 0);
            std::vector<uint8_t> flat = ReadLump(static_cast<int>(index), kFlatSize * kFlatSize);
            std::copy(flat.begin(), flat.end(), canvas.texels.begin());
            WriteMipTexture(name, kFlatSize, kFlatSize);
        }
        CheckKeyboard();
    }
    canvas.texels.clear();
    printf("\n");
    SetProgressLineOpen(false);
}

void ConvertWalls(const char* lump_name) {
    int lump_index = FindLumpIndex(lump_name, 8);
    if (lump_index < 0) return;
    std::vector<uint8_t> lump = ReadLump(lump_index);
    if (lump.size() < 4) WadDamaged();
    int64_t n_textures = LoadS32(lump, 0);
    if (n_textures < 0 || 4 + n_textures * 4 > static_cast<int64_t>(lump.size())) WadDamaged();
    std::vector<std::string> pnames = ReadPatchNames();

    for (int64_t k = 0; k < n_textures; k++) {
        size_t record = LoadU32(lump, 4 + static_cast<size_t>(k) * 4);
        if (record > lump.size() || lump.size() - record < kTextureRecordSize) WadDamaged();
        LumpName name_bytes;
        LoadBytes(lump, record, name_bytes.bytes, 8);
        std::string name = LumpNameText(name_bytes);
        int width = LoadS16(lump, record + 12);
        int height = LoadS16(lump, record + 14);
        int patch_count = LoadS16(lump, record + 20);
        size_t patches = record + kTextureRecordSize;
        if (patch_count > 0 &&
            (lump.size() - patches) / kPatchRecordSize < static_cast<size_t>(patch_count))
            WadDamaged();

        printf("%s ", name.c_str());
        fflush(stdout);
        SetProgressLineOpen(true);
        if (width <= 0 || height <= 0) {
            printf("\nWARNING: Texture '%s' is %i x %i, skipped.\n", name.c_str(), width, height);
            SetProgressLineOpen(false);
            CheckKeyboard();
            continue;
        }
        // A texture record can ask for up to 32767 x 32767 texels, some 5 GB
        // of memory to convert, from a few bytes of WAD; real textures are far
        // smaller than this limit.
        if (static_cast<int64_t>(width) * height > kMostTextureTexels) {
            printf("\nWARNING: Texture '%s' is %i x %i, larger than %i texels, skipped.\n",
                   name.c_str(), width, height, kMostTextureTexels);
            SetProgressLineOpen(false);
            CheckKeyboard();
            continue;
        }
        // The patches are read here, in order; drawing them is part of making
        // the entry, which runs beside the reading of the next textures.
        std::vector<PatchPlacement> placements;
        for (int j = 0; j < patch_count; j++) {
            size_t at = patches + static_cast<size_t>(j) * kPatchRecordSize;
            int origin_x = LoadS16(lump, at);
            int origin_y = LoadS16(lump, at + 2);
            unsigned patch = LoadU16(lump, at + 4);
            if (patch >= pnames.size())
                Fatal(13, "\nERROR: %s patch %i: invalid pname %i\n", name.c_str(), j, patch);
            placements.push_back({origin_x, origin_y, ReadPatch(pnames[patch])});
        }
        WriteComposedTexture(name, width, height, std::move(placements));
        CheckKeyboard();
    }
    printf("\n");
    SetProgressLineOpen(false);
}

std::vector<uint8_t> ReadPatch(const std::string& patch_name) {
    std::string name = patch_name.substr(0, 8);
    int index = FindLumpIndex(name, 8);
    if (index < 0) {
        CloseSourceWad();
        Fatal(12, "\nERROR: '%s' not found.\n", name.c_str());
    }
    return ReadLump(index);
}

namespace {

// Walks the posts of a picture lump, column after column: post(column, top
// row, texels, count), with count the texels the lump holds of the post.
// Nothing outside the lump is ever followed: a header, column offset or post
// that points past its end ends the walk of that part.
template <typename Post>
void ForEachPost(const std::vector<uint8_t>& picture, Post post) {
    const size_t size = picture.size();
    if (size < 8) return;
    const int columns = LoadS16(picture, 0);
    for (int c = 0; c < columns; c++) {
        size_t offset_at = 8 + static_cast<size_t>(c) * 4;
        if (offset_at + 4 > size) break;
        size_t at = LoadU32(picture, offset_at);
        while (at < size && picture[at] != 0xFF) {
            if (at + 3 > size) break;
            const int top = picture[at];
            const int length = picture[at + 1];
            const size_t first = at + 3;
            const int available = static_cast<int>(std::min<size_t>(length, size - first));
            post(c, top, picture.data() + first, available);
            if (available < length) break;
            at = first + length + 1;
        }
    }
}

}  // namespace

void DrawPatch(uint8_t* texels, int origin_x, int origin_y, const std::vector<uint8_t>& picture,
               int width, int height) {
    if (width <= 0 || height <= 0) return;
    const int64_t limit = static_cast<int64_t>(width) * height;
    ForEachPost(picture, [&](int c, int top, const uint8_t* post, int available) {
        // Texel t of the post lands at base + t * width of the canvas, taken
        // as one run of width x height texels; only the t that land inside it
        // are drawn.
        const int64_t base = (static_cast<int64_t>(origin_y) + top) * width + c + origin_x;
        const int64_t from = base >= 0 ? 0 : (-base + width - 1) / width;
        const int64_t to = base >= limit ? 0 : (limit - base + width - 1) / width;
        for (int64_t t = from; t < std::min<int64_t>(to, available); t++)
            texels[base + t * width] = post[t];
    });
}

void DrawPatchClipped(uint8_t* pixels, int origin_x, int origin_y,
                      const std::vector<uint8_t>& picture, int width, int height,
                      const uint8_t (*colours)[4]) {
    if (width <= 0 || height <= 0) return;
    ForEachPost(picture, [&](int c, int top, const uint8_t* post, int available) {
        const int64_t x = static_cast<int64_t>(origin_x) + c;
        if (x < 0 || x >= width) return;
        const int64_t y = static_cast<int64_t>(origin_y) + top;
        const int64_t from = std::max<int64_t>(0, -y);
        const int64_t to = std::min<int64_t>(available, height - y);
        if (from >= to) return;
        const size_t row_bytes = static_cast<size_t>(width) * 4;
        uint8_t* out =
            pixels + static_cast<size_t>(y + from) * row_bytes + static_cast<size_t>(x) * 4;
        for (int64_t t = from; t < to; t++, out += row_bytes) memcpy(out, colours[post[t]], 4);
    });
}
