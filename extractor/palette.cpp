// The palette entry of the texture file and the colour matching of averaged
// MIP texels.

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "extractor/extractor.h"
#include "formats/fatal.h"

ColourTables colour_tables;

namespace {

constexpr int kPaletteBytes = 768;
constexpr int kFirstBlackMatch = 224;  // match_palette entries from here on are black

bool IsKeyColour(int red, int green, int blue) {
    return red == 0 && green == 255 && blue == 255;
}

// Darkens one component in single precision, as the factor is a float;
// factors above 1.0 can brighten past 255, which is clamped.
int Darken(int component) {
    int value = static_cast<int>(static_cast<float>(component) * extractor_settings.dark_factor);
    return value > 255 ? 255 : value;
}

// A palette split into one array per component, so that the distances of
// all entries can be worked out side by side.
struct PalettePlanes {
    uint8_t red[256];
    uint8_t green[256];
    uint8_t blue[256];
};
PalettePlanes source_planes;  // source_palette
PalettePlanes match_planes;   // match_palette

void SplitPalette(const uint8_t* rgb, PalettePlanes& planes) {
    for (int i = 0; i < 256; i++) {
        planes.red[i] = rgb[3 * i];
        planes.green[i] = rgb[3 * i + 1];
        planes.blue[i] = rgb[3 * i + 2];
    }
}

uint8_t Difference(uint8_t a, uint8_t b) {
    return a > b ? static_cast<uint8_t>(a - b) : static_cast<uint8_t>(b - a);
}

// The search below for a colour of components 0..255, over all entries side
// by side. An entry's key is its distance (at most 255 here) times 256 plus
// its index, so the smallest key is the first entry of the smallest distance,
// the one the scan in order finds; entry 255 gets the largest key of all.
uint8_t SearchPlanes(const PalettePlanes& planes, uint8_t red, uint8_t green, uint8_t blue) {
    uint16_t key[256];
    for (int i = 0; i < 256; i++) {
        const uint16_t sum = static_cast<uint16_t>(Difference(planes.red[i], red) +
                                                   Difference(planes.green[i], green) +
                                                   Difference(planes.blue[i], blue));
        key[i] = static_cast<uint16_t>((sum / 3) << 8 | i);
    }
    key[255] = UINT16_MAX;
    uint16_t smallest = UINT16_MAX;
    for (int i = 0; i < 256; i++) smallest = std::min(smallest, key[i]);
    return static_cast<uint8_t>(smallest & 0xFF);
}

uint8_t SearchPalette(int red, int green, int blue) {
    const bool total_conv = (extractor_settings.mode_flags & kModeTotalConv) != 0;
    if (red >= 0 && red < 256 && green >= 0 && green < 256 && blue >= 0 && blue < 256)
        return SearchPlanes(total_conv ? source_planes : match_planes, static_cast<uint8_t>(red),
                            static_cast<uint8_t>(green), static_cast<uint8_t>(blue));
    const uint8_t* palette =
        total_conv ? colour_tables.source_palette : colour_tables.match_palette;
    int best_index = 0;
    int best_distance = 32000;
    // Index 255 stands for the key colour and is never the result of a search.
    for (int i = 0; i < 255; i++) {
        const uint8_t* colour = palette + 3 * i;
        int distance = (abs(colour[0] - red) + abs(colour[1] - green) + abs(colour[2] - blue)) / 3;
        if (distance < best_distance) {
            best_index = i;
            best_distance = distance;
            if (distance == 0) break;
        }
    }
    return static_cast<uint8_t>(best_index);
}

}  // namespace

void ResetColourTables() {
    memset(colour_tables.source_palette, 0, sizeof colour_tables.source_palette);
    memset(colour_tables.match_palette, 0, sizeof colour_tables.match_palette);
    for (int i = 0; i < 256; i++) {
        colour_tables.TransPal[i] = static_cast<uint16_t>(i);
        colour_tables.is_key[i] = false;
    }
    colour_tables.nearest_cache.clear();
    colour_tables.nearest_cache.shrink_to_fit();
    SplitPalette(colour_tables.source_palette, source_planes);
    SplitPalette(colour_tables.match_palette, match_planes);
}

void SetSourcePalette(const uint8_t* rgb) {
    memcpy(colour_tables.source_palette, rgb, kPaletteBytes);
    memcpy(colour_tables.match_palette, rgb, kPaletteBytes);
    memset(colour_tables.match_palette + 3 * kFirstBlackMatch, 0,
           kPaletteBytes - 3 * kFirstBlackMatch);
    for (int i = 0; i < 256; i++) {
        const uint8_t* colour = colour_tables.source_palette + 3 * i;
        colour_tables.is_key[i] = IsKeyColour(colour[0], colour[1], colour[2]);
    }
    SplitPalette(colour_tables.source_palette, source_planes);
    SplitPalette(colour_tables.match_palette, match_planes);
    colour_tables.nearest_cache.clear();
}

void BuildPalette() {
    int index = FindLumpIndex("PLAYPAL", 8);
    if (index < 0) {
        CloseSourceWad();
        Fatal(8, "ERROR: 'PLAYPAL' not found.\n");
    }
    std::vector<uint8_t> playpal = ReadLump(index, kPaletteBytes);
    if (playpal.size() < kPaletteBytes) WadDamaged();
    SetSourcePalette(playpal.data());

    AddDirEntry("PALETTE", kPaletteBytes);
    WriteTexData(colour_tables.source_palette, kPaletteBytes);
    for (int i = 0; i < 256; i++) colour_tables.TransPal[i] = static_cast<uint16_t>(i);
    printf("TransPal Generated.\n");
}

uint8_t AverageBlock(const uint8_t* texels, int n) {
    int red = 0;
    int green = 0;
    int blue = 0;
    bool has_key = false;
    for (int i = 0; i < n; i++) {
        const uint8_t* colour = colour_tables.source_palette + 3 * texels[i];
        red += colour[0];
        green += colour[1];
        blue += colour[2];
        has_key = has_key || colour_tables.is_key[texels[i]];
    }
    return BlockColour(red, green, blue, has_key, n);
}

uint8_t BlockColour(int red_sum, int green_sum, int blue_sum, bool has_key, int n) {
    if (has_key) return kKeyColourIndex;
    // Blocks of MIP levels hold 4, 16 or 64 texels: a shift divides their
    // (never negative) sums without three slow divisions.
    if (n > 0 && (n & (n - 1)) == 0 && red_sum >= 0 && green_sum >= 0 && blue_sum >= 0) {
        const int shift = std::countr_zero(static_cast<unsigned>(n));
        return FindNearestColor(red_sum >> shift, green_sum >> shift, blue_sum >> shift);
    }
    return FindNearestColor(red_sum / n, green_sum / n, blue_sum / n);
}

uint8_t FindNearestColor(int red, int green, int blue) {
    if (IsKeyColour(red, green, blue)) return kKeyColourIndex;
    bool cacheable = red >= 0 && red < 256 && green >= 0 && green < 256 && blue >= 0 && blue < 256;
    if (!cacheable) return SearchPalette(Darken(red), Darken(green), Darken(blue));

    // The result depends only on the colour, the palette and the settings, all
    // fixed once the palette is built, so every colour is searched once. The
    // table holds the result + 1 by packed RGB (a result is never 255), 0 for
    // a colour not searched yet.
    std::vector<uint8_t>& cache = colour_tables.nearest_cache;
    if (cache.empty()) cache.assign(size_t{1} << 24, 0);
    const size_t colour = (static_cast<size_t>(red) << 16) | (static_cast<size_t>(green) << 8) |
                          static_cast<size_t>(blue);
    if (cache[colour] != 0) return static_cast<uint8_t>(cache[colour] - 1);
    const uint8_t result = SearchPalette(Darken(red), Darken(green), Darken(blue));
    cache[colour] = static_cast<uint8_t>(result + 1);
    return result;
}
