// Doom 3 images and materials (-d3): every flat and wall texture of the
// texture file as a 32-bit TGA image at its true size, and a material file
// that declares one material per image under the name the converted maps use.
//
//   textures/<set>/NAME.tga    <set> is the texture file's base name in lower case
//   materials/<set>.mtr
//
// The images are made by the thread that makes the texture's entry; the
// materials are added in texture file order as the entries are written.

#include <cctype>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "extractor/extractor.h"
#include "formats/doom3_names.h"
#include "formats/fatal.h"

Doom3Assets doom3_assets;

namespace {

constexpr size_t kTgaHeaderSize = 18;
constexpr uint8_t kTgaTrueColour = 2;         // uncompressed, no colour map
constexpr uint8_t kTgaEightAlphaBits = 0x08;  // image descriptor: rows from the bottom
// A buffer that a large texture has grown past this is let go after it.
constexpr size_t kMostKeptBufferBytes = size_t{8} << 20;

void ReleaseIfLarge(std::vector<uint8_t>& buffer) {
    if (buffer.capacity() > kMostKeptBufferBytes) std::vector<uint8_t>().swap(buffer);
}

bool IsLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// `name` itself the first time it is asked for, else the first of name_2,
// name_3, ... that is not taken yet.
std::string TakeUnique(std::unordered_map<std::string, int>& taken, const std::string& name) {
    const int times = ++taken[name];
    if (times == 1) return name;
    for (int number = times;; number++) {
        std::string candidate = name + "_" + std::to_string(number);
        if (taken.emplace(candidate, 1).second) return candidate;
    }
}

// The first PLAYPAL palette as blue, green, red and an opaque alpha.
void OpaqueColours(uint8_t (&colours)[256][4]) {
    const uint8_t* palette = colour_tables.source_palette;
    for (int i = 0; i < 256; i++) {
        colours[i][0] = palette[3 * i + 2];
        colours[i][1] = palette[3 * i + 1];
        colours[i][2] = palette[3 * i];
        colours[i][3] = 255;
    }
}

void WriteWholeFile(const std::string& path, const uint8_t* bytes, size_t length) {
    FILE* file = fopen(path.c_str(), "wb");
    if (!file) Fatal(4, "ERROR: Could not create '%s'\n", path.c_str());
    bool written = fwrite(bytes, 1, length, file) == length;
    written = fclose(file) == 0 && written;
    if (!written) Fatal(4, "ERROR: Could not write '%s'\n", path.c_str());
}

void WriteTgaFile(const std::string& path, const std::vector<uint8_t>& pixels, int width,
                  int height) {
    thread_local std::vector<uint8_t> bytes;
    EncodeTga(pixels.data(), width, height, bytes);
    WriteWholeFile(path, bytes.data(), bytes.size());
    ReleaseIfLarge(bytes);
}

void CreateFolder(const std::string& folder) {
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (error || !std::filesystem::is_directory(folder, error))
        Fatal(4, "ERROR: Could not create '%s'\n", folder.c_str());
}

}  // namespace

void ResetDoom3Assets() {
    doom3_assets = Doom3Assets{};
    doom3_assets.images = 0;
    doom3_assets.materials = 0;
}

void StartDoom3Assets() {
    Doom3Assets& assets = doom3_assets;
    const std::string& tex_name = extractor_settings.tex_file_name;
    assets.set = tex_name.substr(0, tex_name.rfind('.'));
    for (char& c : assets.set) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
    assets.image_folder = "textures/" + assets.set;
    assets.material_file = "materials/" + assets.set + ".mtr";
    assets.material_text = "// Materials of the images in " + assets.image_folder +
                           "/, named as the converted maps name them.\n";
    CreateFolder(assets.image_folder);
    CreateFolder("materials");
    printf("Doom 3 images go to '%s/', their materials to '%s'.\n", assets.image_folder.c_str(),
           assets.material_file.c_str());
}

bool ChooseDoom3Image(const std::string& doom_name, Doom3Image& image) {
    Doom3Assets& assets = doom3_assets;
    if (doom_name.empty()) {
        EndProgressLine();
        printf("WARNING: A texture without a name gets no Doom 3 image.\n");
        return false;
    }
    // The converted maps write the name in upper case, and a double quote or
    // control character, which no quoted name can hold, as '_'.
    std::string name = UpperCase(doom_name);
    ReplaceUnquotable(name);
    std::string file = name;
    for (char& c : file)
        if (!IsLetter(c) && !IsDigit(c)) c = '_';
    image.material = "textures/" + TakeUnique(assets.material_names, name);
    image.path = assets.image_folder + "/" + TakeUnique(assets.file_names, file) + ".tga";
    return true;
}

std::string Doom3MaterialText(const Doom3Image& image, bool see_through) {
    const std::string& path = image.path;
    std::string text = WrittenName(image.material) + "\n{\n";
    text += "    qer_editorimage " + path + "\n";
    if (see_through) {
        text += "    twoSided\n";
        text += "    {\n";
        text += "        blend diffusemap\n";
        text += "        map " + path + "\n";
        text += "        alphaTest 0.5\n";
        text += "    }\n";
    } else {
        text += "    diffusemap " + path + "\n";
    }
    text += "}\n";
    return text;
}

void EncodeTga(const uint8_t* pixels, int width, int height, std::vector<uint8_t>& out) {
    const size_t row_bytes = static_cast<size_t>(width) * 4;
    out.assign(kTgaHeaderSize, 0);
    out[2] = kTgaTrueColour;
    out[12] = static_cast<uint8_t>(width);
    out[13] = static_cast<uint8_t>(width >> 8);
    out[14] = static_cast<uint8_t>(height);
    out[15] = static_cast<uint8_t>(height >> 8);
    out[16] = 32;
    out[17] = kTgaEightAlphaBits;
    out.resize(kTgaHeaderSize + row_bytes * static_cast<size_t>(height));
    uint8_t* row = out.data() + kTgaHeaderSize;
    for (int y = height - 1; y >= 0; y--, row += row_bytes)
        memcpy(row, pixels + static_cast<size_t>(y) * row_bytes, row_bytes);
}

bool WriteComposedDoom3Image(const std::string& path, int width, int height,
                             const std::vector<PatchPlacement>& patches) {
    uint8_t colours[256][4];
    OpaqueColours(colours);
    // Texels no patch covers stay fully transparent.
    thread_local std::vector<uint8_t> pixels;
    pixels.assign(static_cast<size_t>(width) * static_cast<size_t>(height) * 4, 0);
    for (const PatchPlacement& patch : patches)
        DrawPatchClipped(pixels.data(), patch.x, patch.y, patch.picture, width, height, colours);
    bool see_through = false;
    for (size_t i = 3; i < pixels.size() && !see_through; i += 4) see_through = pixels[i] == 0;
    WriteTgaFile(path, pixels, width, height);
    ReleaseIfLarge(pixels);
    return see_through;
}

void WriteFlatDoom3Image(const std::string& path, int width, int height,
                         const std::vector<uint8_t>& texels) {
    uint8_t colours[256][4];
    OpaqueColours(colours);
    thread_local std::vector<uint8_t> pixels;
    pixels.resize(texels.size() * 4);
    for (size_t i = 0; i < texels.size(); i++) memcpy(&pixels[4 * i], colours[texels[i]], 4);
    WriteTgaFile(path, pixels, width, height);
}

void AddDoom3Material(const Doom3Image& image, bool see_through) {
    Doom3Assets& assets = doom3_assets;
    assets.material_text += "\n" + Doom3MaterialText(image, see_through);
    assets.images++;
    assets.materials++;
}

void FinishDoom3Assets() {
    const Doom3Assets& assets = doom3_assets;
    WriteWholeFile(assets.material_file,
                   reinterpret_cast<const uint8_t*>(assets.material_text.data()),
                   assets.material_text.size());
    printf("Doom 3: %i images written to '%s/', %i materials to '%s'.\n", assets.images,
           assets.image_folder.c_str(), assets.materials, assets.material_file.c_str());
}
