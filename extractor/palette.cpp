// The palette entry of the texture file and the colour matching of averaged
// MIP texels.

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "extractor/extractor.h"
#include "formats/fatal.h"

ColourTables colour_tables;

namespace {

// The colour matches found by one thread: an open-addressed table of packed
// RGB << 8 | index, kept at most half full, and in front of it the most
// recent matches, one slot per hash, small enough for the processor's
// second-level cache (the colours of one texture repeat many times).
struct ColourMatches {
    std::vector<uint32_t> slots;   // kNoColourMatch marks a free slot
    size_t used = 0;               // slots in use
    std::vector<uint32_t> recent;  // the front, kRecentSlots slots
    uint64_t generation = 0;       // colour_tables.generation the matches were found for
};
thread_local ColourMatches colour_matches;
uint64_t last_generation = 0;  // the last number given to colour_tables.generation

constexpr size_t kRecentSlots = 32768;

// This thread's matches, dropped when the palette or settings have changed.
ColourMatches& Matches() {
    ColourMatches& matches = colour_matches;
    if (matches.generation != colour_tables.generation || matches.slots.empty()) {
        matches.slots.assign(size_t{1} << 16, kNoColourMatch);
        matches.used = 0;
        matches.recent.assign(kRecentSlots, kNoColourMatch);
        matches.generation = colour_tables.generation;
    }
    return matches;
}

}  // namespace

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

[[maybe_unused]] uint8_t Difference(uint8_t a, uint8_t b) {
    return a > b ? static_cast<uint8_t>(a - b) : static_cast<uint8_t>(b - a);
}

// The search below for a colour of components 0..255, over all entries side
// by side. An entry's key is its distance (at most 255 here) times 256 plus
// its index, so the smallest key is the first entry of the smallest distance,
// the one the scan in order finds; entry 255 gets the largest key of all.
#if defined(__SSE2__)
// The same search in 16-bit keys, for palettes whose every entry lies 255 or
// more away from the colour.
uint8_t SearchPlanesWide(const PalettePlanes& planes, uint8_t red, uint8_t green, uint8_t blue) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i r = _mm_set1_epi8(static_cast<char>(red));
    const __m128i g = _mm_set1_epi8(static_cast<char>(green));
    const __m128i b = _mm_set1_epi8(static_cast<char>(blue));
    // floor(x / 3) = (x * 0xAAAB) >> 17 for every 16-bit x.
    const __m128i third = _mm_set1_epi16(static_cast<short>(0xAAAB));
    // Keys are unsigned; flipping their top bit lets the signed minimum order them.
    const __m128i flip = _mm_set1_epi16(static_cast<short>(0x8000));
    const __m128i step = _mm_set1_epi16(16);
    __m128i low_index = _mm_setr_epi16(0, 1, 2, 3, 4, 5, 6, 7);
    __m128i high_index = _mm_setr_epi16(8, 9, 10, 11, 12, 13, 14, 15);
    __m128i best = _mm_set1_epi16(0x7FFF);
    auto keys = [&](__m128i dr, __m128i dg, __m128i db, __m128i index, bool high) {
        const __m128i sum =
            high ? _mm_add_epi16(
                       _mm_add_epi16(_mm_unpackhi_epi8(dr, zero), _mm_unpackhi_epi8(dg, zero)),
                       _mm_unpackhi_epi8(db, zero))
                 : _mm_add_epi16(
                       _mm_add_epi16(_mm_unpacklo_epi8(dr, zero), _mm_unpacklo_epi8(dg, zero)),
                       _mm_unpacklo_epi8(db, zero));
        const __m128i distance = _mm_srli_epi16(_mm_mulhi_epu16(sum, third), 1);
        return _mm_xor_si128(_mm_or_si128(_mm_slli_epi16(distance, 8), index), flip);
    };
    for (int i = 0; i < 256; i += 16) {
        const __m128i pr = _mm_loadu_si128(reinterpret_cast<const __m128i*>(planes.red + i));
        const __m128i pg = _mm_loadu_si128(reinterpret_cast<const __m128i*>(planes.green + i));
        const __m128i pb = _mm_loadu_si128(reinterpret_cast<const __m128i*>(planes.blue + i));
        const __m128i dr = _mm_or_si128(_mm_subs_epu8(pr, r), _mm_subs_epu8(r, pr));
        const __m128i dg = _mm_or_si128(_mm_subs_epu8(pg, g), _mm_subs_epu8(g, pg));
        const __m128i db = _mm_or_si128(_mm_subs_epu8(pb, b), _mm_subs_epu8(b, pb));
        __m128i high = keys(dr, dg, db, high_index, true);
        if (i == 240)  // entry 255 is never the result
            high = _mm_insert_epi16(high, 0x7FFF, 7);
        best = _mm_min_epi16(best, _mm_min_epi16(keys(dr, dg, db, low_index, false), high));
        low_index = _mm_add_epi16(low_index, step);
        high_index = _mm_add_epi16(high_index, step);
    }
    best = _mm_min_epi16(best, _mm_shuffle_epi32(best, _MM_SHUFFLE(1, 0, 3, 2)));
    best = _mm_min_epi16(best, _mm_shuffle_epi32(best, _MM_SHUFFLE(2, 3, 0, 1)));
    best = _mm_min_epi16(best, _mm_shufflelo_epi16(best, _MM_SHUFFLE(2, 3, 0, 1)));
    return static_cast<uint8_t>(_mm_cvtsi128_si32(best) & 0xFF);
}

// Two passes over 16 entries at a time in bytes: the smallest sum of
// component differences d (saturating at 255), then the first entry whose
// distance d / 3 equals the smallest one, that is whose d is at most
// 3 * (smallest / 3) + 2.
uint8_t SearchPlanes(const PalettePlanes& planes, uint8_t red, uint8_t green, uint8_t blue) {
    const __m128i r = _mm_set1_epi8(static_cast<char>(red));
    const __m128i g = _mm_set1_epi8(static_cast<char>(green));
    const __m128i b = _mm_set1_epi8(static_cast<char>(blue));
    // Entry 255 is never the result: its sum is taken as 255.
    const __m128i last_entry = _mm_setr_epi8(0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, -1);
    __m128i sums[16];
    __m128i smallest = _mm_set1_epi8(-1);
    for (int k = 0; k < 16; k++) {
        const __m128i pr = _mm_loadu_si128(reinterpret_cast<const __m128i*>(planes.red + 16 * k));
        const __m128i pg = _mm_loadu_si128(reinterpret_cast<const __m128i*>(planes.green + 16 * k));
        const __m128i pb = _mm_loadu_si128(reinterpret_cast<const __m128i*>(planes.blue + 16 * k));
        const __m128i dr = _mm_or_si128(_mm_subs_epu8(pr, r), _mm_subs_epu8(r, pr));
        const __m128i dg = _mm_or_si128(_mm_subs_epu8(pg, g), _mm_subs_epu8(g, pg));
        const __m128i db = _mm_or_si128(_mm_subs_epu8(pb, b), _mm_subs_epu8(b, pb));
        __m128i sum = _mm_adds_epu8(_mm_adds_epu8(dr, dg), db);
        if (k == 15) sum = _mm_or_si128(sum, last_entry);
        sums[k] = sum;
        smallest = _mm_min_epu8(smallest, sum);
    }
    smallest = _mm_min_epu8(smallest, _mm_srli_si128(smallest, 8));
    smallest = _mm_min_epu8(smallest, _mm_srli_si128(smallest, 4));
    smallest = _mm_min_epu8(smallest, _mm_srli_si128(smallest, 2));
    smallest = _mm_min_epu8(smallest, _mm_srli_si128(smallest, 1));
    const int least = _mm_cvtsi128_si32(smallest) & 0xFF;
    if (least == 255) return SearchPlanesWide(planes, red, green, blue);
    const __m128i bound = _mm_set1_epi8(static_cast<char>(least / 3 * 3 + 2));
    for (int k = 0; k < 16; k++) {
        const __m128i within = _mm_cmpeq_epi8(_mm_min_epu8(sums[k], bound), sums[k]);
        const int mask = _mm_movemask_epi8(within);
        if (mask != 0)
            return static_cast<uint8_t>(16 * k + std::countr_zero(static_cast<unsigned>(mask)));
    }
    return 0;  // not reached: the smallest sum is within the bound
}

#else
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
#endif

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

// The first slot to try for a packed colour in a table of mask + 1 slots.
size_t ColourSlot(uint32_t colour, size_t mask) {
    const uint32_t mixed = colour * 2654435761u;
    return (mixed ^ mixed >> 15) & mask;
}

// The result of the earlier search for a packed colour, or kNoColourMatch.
// The result depends only on the colour, the palette and the settings, all
// fixed once the palette is built, so every colour is searched once. A level
// holds some hundred thousand distinct averages: a hashed table of them stays
// in the processor's caches, where one slot per possible colour (16 MB) would
// miss them on nearly every look-up.
inline uint32_t CachedMatch(const ColourMatches& matches, uint32_t colour) {
    const std::vector<uint32_t>& cache = matches.slots;
    const size_t mask = cache.size() - 1;
    for (size_t slot = ColourSlot(colour, mask); cache[slot] != kNoColourMatch;
         slot = (slot + 1) & mask)
        if (cache[slot] >> 8 == colour) return cache[slot] & 0xFF;
    return kNoColourMatch;
}

// Doubles the colour cache, keeping every entry.
void GrowColourCache(ColourMatches& matches) {
    std::vector<uint32_t> old;
    old.swap(matches.slots);
    std::vector<uint32_t>& cache = matches.slots;
    cache.assign(old.size() * 2, kNoColourMatch);
    const size_t mask = cache.size() - 1;
    for (uint32_t entry : old) {
        if (entry == kNoColourMatch) continue;
        size_t slot = ColourSlot(entry >> 8, mask);
        while (cache[slot] != kNoColourMatch) slot = (slot + 1) & mask;
        cache[slot] = entry;
    }
}

}  // namespace

void ResetColourTables() {
    memset(colour_tables.source_palette, 0, sizeof colour_tables.source_palette);
    memset(colour_tables.match_palette, 0, sizeof colour_tables.match_palette);
    for (int i = 0; i < 256; i++) {
        colour_tables.TransPal[i] = static_cast<uint16_t>(i);
        colour_tables.is_key[i] = false;
    }
    colour_tables.generation = ++last_generation;
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
    colour_tables.generation = ++last_generation;
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

    const uint32_t colour = static_cast<uint32_t>(red) << 16 | static_cast<uint32_t>(green) << 8 |
                            static_cast<uint32_t>(blue);
    ColourMatches& matches = Matches();
    const uint32_t known = CachedMatch(matches, colour);
    if (known != kNoColourMatch) return static_cast<uint8_t>(known);

    std::vector<uint32_t>& cache = matches.slots;
    size_t mask = cache.size() - 1;
    size_t slot = ColourSlot(colour, mask);
    while (cache[slot] != kNoColourMatch) slot = (slot + 1) & mask;

    const uint8_t result = SearchPalette(Darken(red), Darken(green), Darken(blue));
    if (2 * (matches.used + 1) > cache.size()) {
        GrowColourCache(matches);
        mask = cache.size() - 1;
        for (slot = ColourSlot(colour, mask); cache[slot] != kNoColourMatch;)
            slot = (slot + 1) & mask;
    }
    cache[slot] = colour << 8 | result;
    matches.used++;
    return result;
}

void MatchBlockColours(const BlockSum* sums, size_t count, int shift, uint8_t* out) {
    ColourMatches& matches = Matches();
    std::vector<uint32_t>& recent = matches.recent;
    // Neighbouring blocks often share their average: the last one is kept.
    uint32_t last_colour = kNoColourMatch;
    uint8_t last_result = 0;
    for (size_t i = 0; i < count; i++) {
        const BlockSum block = sums[i];
        if (block >> 48 != 0) {
            out[i] = kKeyColourIndex;
            continue;
        }
        const uint32_t red = static_cast<uint32_t>(block & 0xFFFF) >> shift;
        const uint32_t green = static_cast<uint32_t>(block >> 16 & 0xFFFF) >> shift;
        const uint32_t blue = static_cast<uint32_t>(block >> 32 & 0xFFFF) >> shift;
        const uint32_t colour = red << 16 | green << 8 | blue;
        if (colour != last_colour) {
            uint32_t& recent_slot = recent[ColourSlot(colour, kRecentSlots - 1)];
            if (recent_slot >> 8 == colour && recent_slot != kNoColourMatch) {
                last_result = static_cast<uint8_t>(recent_slot);
            } else {
                const uint32_t known = IsKeyColour(static_cast<int>(red), static_cast<int>(green),
                                                   static_cast<int>(blue))
                                           ? kNoColourMatch
                                           : CachedMatch(matches, colour);
                last_result = known != kNoColourMatch
                                  ? static_cast<uint8_t>(known)
                                  : FindNearestColor(static_cast<int>(red), static_cast<int>(green),
                                                     static_cast<int>(blue));
                // The key colour's 255 is not kept: no match is 255.
                if (last_result != kKeyColourIndex) recent_slot = colour << 8 | last_result;
            }
            last_colour = colour;
        }
        out[i] = last_result;
    }
}
