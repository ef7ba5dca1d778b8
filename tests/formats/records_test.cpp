#include <gtest/gtest.h>

#include "formats/bytes.h"
#include "formats/fatal.h"
#include "formats/wad.h"
#include "formats/wad2.h"

TEST(Records, WadRecordsRoundTripLittleEndian) {
    WadHeader header{{'P', 'W', 'A', 'D'}, 3, 0x01020304};
    std::vector<uint8_t> bytes;
    EncodeWadHeader(header, bytes);
    ASSERT_EQ(bytes.size(), kWadHeaderSize);
    EXPECT_EQ(bytes[8], 0x04);
    EXPECT_EQ(bytes[11], 0x01);
    WadHeader back = DecodeWadHeader(bytes);
    EXPECT_EQ(back.num_lumps, 3);
    EXPECT_EQ(back.directory_offset, 0x01020304);

    WadDirEntry entry{12, -1, MakeLumpName("LONGNAME")};
    bytes.clear();
    EncodeWadDirEntry(entry, bytes);
    WadDirEntry decoded = DecodeWadDirEntry(bytes);
    EXPECT_EQ(decoded.size, -1);
    EXPECT_EQ(LumpNameText(decoded.name), "LONGNAME");  // 8 characters, no terminator
    EXPECT_TRUE(LumpNameEquals(decoded.name, "longname"));
    EXPECT_FALSE(LumpNameEquals(decoded.name, "LONGNAM"));
}

TEST(Records, SignedSixteenBitFields) {
    std::vector<uint8_t> bytes = {0xFF, 0xFF, 0x00, 0x80, 0xFF, 0x7F};
    EXPECT_EQ(LoadS16(bytes, 0), -1);
    EXPECT_EQ(LoadS16(bytes, 2), -32768);
    EXPECT_EQ(LoadS16(bytes, 4), 32767);
    EXPECT_EQ(LoadU16(bytes, 0), 0xFFFF);
    EXPECT_THROW(LoadU16(bytes, 5), std::out_of_range);
    EXPECT_THROW(LoadU32(bytes, SIZE_MAX - 1), std::out_of_range);
}

TEST(Records, Wad2RecordsRoundTrip) {
    Wad2DirEntry entry{780, 5480, 5480, kWad2TypeMipTex, 0, 0, "SIXTEENCHARNAME"};
    entry.name[15] = 'X';  // a name filling all 16 bytes
    std::vector<uint8_t> bytes;
    EncodeWad2DirEntry(entry, bytes);
    ASSERT_EQ(bytes.size(), kWad2DirEntrySize);
    EXPECT_EQ(bytes[12], 0x44);
    Wad2DirEntry back = DecodeWad2DirEntry(bytes);
    EXPECT_EQ(back.file_offset, 780u);
    EXPECT_EQ(Wad2NameText(back.name), "SIXTEENCHARNAMEX");

    MipTexHeader mip{"FLAT", 64, 64, {40, 4136, 5160, 5416}};
    bytes.clear();
    EncodeMipTexHeader(mip, bytes);
    ASSERT_EQ(bytes.size(), kMipTexHeaderSize);
    MipTexHeader mip_back = DecodeMipTexHeader(bytes);
    EXPECT_EQ(mip_back.height, 64u);
    EXPECT_EQ(mip_back.mip_offsets[3], 5416u);
}

// 'z' and 'Z' match as every other letter does.
TEST(Records, NamesWithZMatchInAnyCase) {
    EXPECT_TRUE(LumpNameEquals(MakeLumpName("ZZWALL1"), "zzwall1"));
    EXPECT_TRUE(NamesEqual("zAz.wad", "ZaZ.WAD"));
    EXPECT_EQ(UpperCase("az"), "AZ");
}

// Messages of every length around the first buffer's size keep their line end.
TEST(Records, MessagesKeepTheirLineEndAtEveryLength) {
    for (size_t length : {254u, 255u, 256u, 257u, 1000u}) {
        const std::string text(length - 1, 'x');
        EXPECT_EQ(FormatText("%s\n", text.c_str()), text + "\n") << length;
        try {
            Fatal(3, "%s\n", text.c_str());
        } catch (const FatalError& error) {
            EXPECT_EQ(error.message, text + "\n") << length;
        }
    }
}
