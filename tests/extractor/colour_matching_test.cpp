// Colour matching of averaged MIP texels and the names of animation frames.

#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <vector>

#include "extractor/extractor.h"

namespace {

// A palette far from every colour the tests look for, with a few entries set.
struct PaletteFixture : ::testing::Test {
    std::vector<uint8_t> rgb = std::vector<uint8_t>(768);

    void SetUp() override {
        ResetExtractorState();
        for (int i = 0; i < 256; i++) Set(i, 250, 5, 250);
    }
    void Set(int index, int red, int green, int blue) {
        rgb[3 * index] = static_cast<uint8_t>(red);
        rgb[3 * index + 1] = static_cast<uint8_t>(green);
        rgb[3 * index + 2] = static_cast<uint8_t>(blue);
    }
    // Settings first, then the palette: taking a palette forgets the cache.
    void Use(uint16_t mode_flags, float dark_factor) {
        extractor_settings.mode_flags = mode_flags;
        extractor_settings.dark_factor = dark_factor;
        SetSourcePalette(rgb.data());
    }
};

TEST_F(PaletteFixture, TiesAfterIntegerDivisionGoToTheLowerIndex) {
    Set(3, 16, 10, 10);  // distance 6 / 3 = 2
    Set(5, 4, 10, 10);   // distance 6 / 3 = 2
    Use(kModeTotalConv, 1.0f);
    EXPECT_EQ(FindNearestColor(10, 10, 10), 3);

    // Distances 5 and 3 both count as 1: the closer colour at the higher
    // index does not win.
    Set(3, 250, 5, 250);
    Set(2, 15, 10, 10);
    Set(6, 13, 10, 10);
    Use(kModeTotalConv, 1.0f);
    EXPECT_EQ(FindNearestColor(10, 10, 10), 2);
}

TEST_F(PaletteFixture, IndexOfAnExactColourComesBackAndIndex255IsNeverSearched) {
    Set(77, 40, 50, 60);
    Set(255, 10, 10, 10);
    Set(100, 20, 20, 20);
    Use(kModeTotalConv, 1.0f);
    EXPECT_EQ(FindNearestColor(40, 50, 60), 77);
    uint8_t block[4] = {77, 77, 77, 77};
    EXPECT_EQ(AverageBlock(block, 4), 77);
    EXPECT_EQ(FindNearestColor(10, 10, 10), 100);
}

TEST_F(PaletteFixture, DarkeningUsesSinglePrecisionAndTruncates) {
    Set(9, 204, 204, 204);
    Set(10, 255, 255, 255);
    Use(kModeTotalConv | kModeDark, 0.8f);
    EXPECT_EQ(FindNearestColor(255, 255, 255), 9);

    // 10 x 0.7f is 7 in float arithmetic (6 if the product were a double).
    Set(20, 7, 7, 7);
    Set(21, 6, 6, 6);
    Use(kModeTotalConv | kModeDark, 0.7f);
    EXPECT_EQ(FindNearestColor(10, 10, 10), 20);

    // Factors above 1 brighten; the components stay within 0 to 255.
    Use(kModeTotalConv | kModeDark, 2.0f);
    EXPECT_EQ(FindNearestColor(200, 200, 200), 10);
}

TEST_F(PaletteFixture, KeyColourInTheSourcePaletteMakesTheBlock255) {
    Set(7, 0, 255, 255);
    Set(8, 100, 100, 100);
    Use(kModeTotalConv, 1.0f);
    uint8_t with_key[16] = {8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 7};
    uint8_t without_key[4] = {8, 8, 8, 8};
    EXPECT_EQ(AverageBlock(with_key, 16), 255);
    EXPECT_EQ(AverageBlock(without_key, 4), 8);
    EXPECT_EQ(FindNearestColor(0, 255, 255), 255);
}

TEST_F(PaletteFixture, AverageDropsTheFraction) {
    Set(1, 10, 10, 10);
    Set(2, 13, 13, 13);
    Set(3, 11, 11, 11);  // (10 + 10 + 10 + 13) / 4 = 10.75 -> 10
    Set(4, 10, 10, 10);
    Use(kModeTotalConv, 1.0f);
    uint8_t block[4] = {1, 1, 1, 2};
    EXPECT_EQ(AverageBlock(block, 4), 1);
}

TEST_F(PaletteFixture, OutsideTotalConversionTheTopEntriesAreBlack) {
    Set(230, 10, 10, 10);
    Set(40, 12, 12, 12);
    Set(0, 250, 250, 0);
    Use(kModeDark, 1.0f);
    EXPECT_EQ(FindNearestColor(10, 10, 10), 40);
    // Black itself is found at the first blacked-out entry.
    EXPECT_EQ(FindNearestColor(0, 0, 0), 224);
    Use(kModeTotalConv, 1.0f);
    EXPECT_EQ(FindNearestColor(10, 10, 10), 230);
}

// The palette search as the rule reads: entries 0 to 254 in order, distance
// (|dr| + |dg| + |db|) / 3, the first smallest wins.
int PlainSearch(const uint8_t* palette, int red, int green, int blue) {
    int best = 0;
    int best_distance = 32000;
    for (int i = 0; i < 255; i++) {
        const int distance =
            (std::abs(palette[3 * i] - red) + std::abs(palette[3 * i + 1] - green) +
             std::abs(palette[3 * i + 2] - blue)) /
            3;
        if (distance < best_distance) {
            best = i;
            best_distance = distance;
        }
    }
    return best;
}

// Random palettes with many near and equal entries, in both modes; far more
// colours than the cache starts with, asked twice so that the second round
// comes from the grown cache, and once more as averaged blocks.
TEST_F(PaletteFixture, CachedSideBySideSearchAgreesWithThePlainRule) {
    std::mt19937 random(7);
    for (int round = 0; round < 4; round++) {
        for (int i = 0; i < 256; i++)
            Set(i, static_cast<int>(random() % 32) * 8, static_cast<int>(random() % 32) * 8,
                static_cast<int>(random() % 32) * 8);
        const bool total_conv = round % 2 == 0;
        Use(total_conv ? kModeTotalConv : kModeDark, 1.0f);
        const uint8_t* searched =
            total_conv ? colour_tables.source_palette : colour_tables.match_palette;
        std::vector<uint32_t> colours(40000);
        for (uint32_t& colour : colours) colour = random() & 0xFFFFFF;
        for (int pass = 0; pass < 2; pass++) {
            for (uint32_t colour : colours) {
                const int red = static_cast<int>(colour >> 16);
                const int green = static_cast<int>(colour >> 8 & 0xFF);
                const int blue = static_cast<int>(colour & 0xFF);
                const int expected = red == 0 && green == 255 && blue == 255
                                         ? 255
                                         : PlainSearch(searched, red, green, blue);
                ASSERT_EQ(FindNearestColor(red, green, blue), expected) << colour;
            }
        }
        std::vector<BlockSum> blocks;
        for (uint32_t colour : colours)
            blocks.push_back(BlockSum{colour >> 16} << 2 | BlockSum{colour >> 8 & 0xFF} << 18 |
                             BlockSum{colour & 0xFF} << 34);
        blocks.push_back(BlockSum{1} << 48);  // a block holding the key colour
        std::vector<uint8_t> matched(blocks.size());
        MatchBlockColours(blocks.data(), blocks.size(), 2, matched.data());
        for (size_t i = 0; i < colours.size(); i++)
            ASSERT_EQ(matched[i], FindNearestColor(static_cast<int>(colours[i] >> 16),
                                                   static_cast<int>(colours[i] >> 8 & 0xFF),
                                                   static_cast<int>(colours[i] & 0xFF)));
        EXPECT_EQ(matched.back(), 255);
    }
}

TEST(AnimationNames, FramesGetTheirFileNamesWithRegardToCase) {
    std::string nukage = "NUKAGE1";
    std::string lower = "nukage1";
    std::string firewall = "FIREWALB";
    std::string plain = "NUKAGE4";
    MapAnimationName(nukage);
    MapAnimationName(lower);
    MapAnimationName(firewall);
    MapAnimationName(plain);
    EXPECT_EQ(nukage, "+0NUKAGE");
    EXPECT_EQ(lower, "nukage1");
    EXPECT_EQ(firewall, "+2FIREW");
    EXPECT_EQ(plain, "NUKAGE4");
}

}  // namespace

// Every entry but 255 far from the colour, entry 255 near it: the search,
// whichever of its passes decides, still never answers 255.
TEST_F(PaletteFixture, Entry255NeverWinsWhenEveryOtherEntryIsFar) {
    for (int i = 0; i < 255; i++) Set(i, 200, 200, 200);
    Set(255, 10, 10, 10);
    Use(kModeTotalConv, 1.0f);
    for (int c = 0; c < 64; c += 3) {
        EXPECT_EQ(FindNearestColor(c, c, c), PlainSearch(colour_tables.source_palette, c, c, c));
        EXPECT_EQ(FindNearestColor(c, c, c), 0) << c;
    }
}
