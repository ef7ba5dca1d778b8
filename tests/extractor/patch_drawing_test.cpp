// Drawing patch pictures into the canvas: placement, wrapping at the row
// ends, and pictures whose offsets point outside themselves.

#include <gtest/gtest.h>

#include "extractor/extractor.h"
#include "tests/extractor/test_wads.h"

namespace {

using test_wads::Picture;

void NewCanvas(int width, int height) {
    canvas.width = width;
    canvas.height = height;
    canvas.texels.assign(static_cast<size_t>(width) * height, 0);
}

TEST(DrawPatch, PlacesColumnsAtTheOriginAndDropsRowsOutside) {
    NewCanvas(8, 4);
    // 2 x 3 picture at (5, 2): its last row falls below the canvas.
    DrawPatch(canvas.texels.data(), 5, 2, Picture(2, 3, 100), 8, 4);
    std::vector<uint8_t> expected(32, 0);
    expected[2 * 8 + 5] = 100;
    expected[3 * 8 + 5] = 101;
    expected[2 * 8 + 6] = 116;
    expected[3 * 8 + 6] = 117;
    EXPECT_EQ(canvas.texels, expected);
}

TEST(DrawPatch, ColumnsLeftOfTheTextureLandAtTheEndsOfThePrecedingRows) {
    NewCanvas(16, 4);
    // A 10-column picture at origin x -8: columns 0 to 7 fall at x 8 to 15
    // of the row above; the first row's share is dropped.
    DrawPatch(canvas.texels.data(), -8, 0, Picture(10, 4, 0), 16, 4);
    for (int y = 0; y < 4; y++) {
        for (int c = 0; c < 8; c++) {
            uint8_t expected = y < 3 ? static_cast<uint8_t>(c * 16 + y + 1) : 0;
            EXPECT_EQ(canvas.texels[y * 16 + 8 + c], expected) << "row " << y << " column " << c;
        }
        EXPECT_EQ(canvas.texels[y * 16 + 0], 8 * 16 + y);
        EXPECT_EQ(canvas.texels[y * 16 + 1], 9 * 16 + y);
        EXPECT_EQ(canvas.texels[y * 16 + 2], 0);
    }
}

TEST(DrawPatch, ColumnsRightOfTheTextureLandAtTheStartOfTheNextRow) {
    NewCanvas(4, 3);
    DrawPatch(canvas.texels.data(), 3, 0, Picture(2, 3, 50), 4, 3);
    EXPECT_EQ(canvas.texels[3], 50);  // column 0 at x 3
    EXPECT_EQ(canvas.texels[4], 66);  // column 1, row 0 -> row 1, x 0
    EXPECT_EQ(canvas.texels[8], 67);  // row 1 -> row 2
    EXPECT_EQ(canvas.texels[4 + 3], 51);
}

TEST(DrawPatch, DamagedPicturesAreNeverFollowedOutsideTheLump) {
    NewCanvas(8, 8);
    std::vector<uint8_t> good = Picture(2, 8, 10);

    // Column offsets cut off: only what the lump holds is drawn.
    std::vector<uint8_t> short_header(good.begin(), good.begin() + 10);
    DrawPatch(canvas.texels.data(), 0, 0, short_header, 8, 8);
    EXPECT_EQ(canvas.texels, std::vector<uint8_t>(64, 0));

    // A column offset far past the end.
    std::vector<uint8_t> bad_offset = good;
    bad_offset[8] = 0xFF;
    bad_offset[9] = 0xFF;
    bad_offset[10] = 0xFF;
    bad_offset[11] = 0x7F;
    DrawPatch(canvas.texels.data(), 0, 0, bad_offset, 8, 8);
    EXPECT_EQ(canvas.texels[1], 26);
    EXPECT_EQ(canvas.texels[0], 0);

    // The lump ends inside a post: the texels it holds are drawn.
    NewCanvas(8, 8);
    std::vector<uint8_t> cut = good;
    cut.erase(cut.end() - 6, cut.end());
    DrawPatch(canvas.texels.data(), 0, 0, cut, 8, 8);
    EXPECT_EQ(canvas.texels[0 * 8 + 1], 26);
    EXPECT_EQ(canvas.texels[3 * 8 + 1], 29);
    EXPECT_EQ(canvas.texels[4 * 8 + 1], 0);

    // A negative width draws nothing; a lump shorter than its header too.
    std::vector<uint8_t> negative = good;
    negative[1] = 0x80;
    DrawPatch(canvas.texels.data(), 0, 0, negative, 8, 8);
    DrawPatch(canvas.texels.data(), 0, 0, std::vector<uint8_t>{1, 0, 1}, 8, 8);
}

}  // namespace
