// The catalogue of bad input for pavlunt, run end to end: WADs cut short
// anywhere, negative and huge counts, sizes and offsets, damaged texture
// directories, patches and flats, outputs that cannot be written. Every case
// ends with its message and status, or extracts; none crashes.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "tests/extractor/test_wads.h"

namespace {

using namespace test_wads;

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// Runs pavlunt on `wad_bytes` written as test.wad; a signal or a sanitizer
// report fails.
RunResult Pavlunt(const std::vector<uint8_t>& wad_bytes, long file_size_limit = 0) {
    WriteFileBytes("test.wad", wad_bytes);
    return RunWithoutCrash(PAVLUNT_PATH, {"test.wad"}, file_size_limit);
}

// A finished run: status 0, no temporary file, a texture file whose directory
// closes it. Gives the names of its entries.
std::vector<std::string> ExpectExtracts(const RunResult& run) {
    EXPECT_EQ(run.status, 0) << run.output;
    EXPECT_FALSE(FileExists("~temp.hdr"));
    std::vector<std::string> names;
    for (const TexEntry& entry : ReadTex("CUSTOM.TEX").entries) names.push_back(entry.name);
    return names;
}

const std::string kDamaged = "ERROR: 'test.wad' is damaged.\n";

// PLAYPAL, two flats, PNAMES, TEXTURE1 with one texture of two patches, and
// the patches.
WadBuilder WallWad() {
    WadBuilder wad = FlatsOnly();
    wad.Add("PNAMES", PatchNames({"PATCH1", "PATCH2"}));
    wad.Add("TEXTURE1", TextureLump({{"WALL", 16, 16, {{0, 0, 0}, {8, 4, 1}}}}));
    wad.Add("PATCH1", Picture(8, 8, 0));
    wad.Add("PATCH2", Picture(8, 8, 64));
    return wad;
}

// The offset of directory entry `index` in a WAD built with the directory last.
size_t EntryAt(const std::vector<uint8_t>& wad, size_t index) {
    size_t directory = wad[8] | (wad[9] << 8) | (wad[10] << 16) | (size_t{wad[11]} << 24);
    return directory + 16 * index;
}

class PavluntBadInput : public testing::Test {
protected:
    TempDir dir;
};

}  // namespace

TEST_F(PavluntBadInput, WadCutInsideItsHeaderOrDirectory) {
    std::vector<uint8_t> wad = WallWad().Build();
    for (size_t length : {0, 1, 4, 8, 11}) {
        SCOPED_TRACE(length);
        ExpectFails(Pavlunt(std::vector<uint8_t>(wad.begin(), wad.begin() + length)), 6,
                    "ERROR: 'test.wad' is not a valid IWAD or PWAD.\n");
    }
    for (size_t cut : {1, 16, 16 * 4 + 5, 16 * 9 - 1}) {
        SCOPED_TRACE(cut);
        ExpectFails(Pavlunt(std::vector<uint8_t>(wad.begin(), wad.end() - cut)), 6, kDamaged);
    }
}

TEST_F(PavluntBadInput, WadCutInsideEachLump) {
    WadBuilder wad = WallWad();
    const DirectoryFirstWad layout = DirectoryFirst(wad);
    const std::vector<uint8_t>& bytes = layout.bytes;
    const std::vector<size_t>& offsets = layout.offsets;
    for (size_t i = 0; i < wad.lumps.size(); i++) {
        size_t size = wad.lumps[i].data.size();
        if (size == 0) continue;
        for (size_t cut : {offsets[i] + 1, offsets[i] + size / 2, offsets[i] + size - 1}) {
            SCOPED_TRACE(wad.lumps[i].name + " cut at " + std::to_string(cut));
            ExpectFails(Pavlunt(std::vector<uint8_t>(bytes.begin(), bytes.begin() + cut)), 6,
                        kDamaged);
        }
    }
    ExpectExtracts(Pavlunt(bytes));
}

TEST_F(PavluntBadInput, NegativeAndHugeCountsSizesAndOffsets) {
    std::vector<uint8_t> wad = WallWad().Build();
    for (int64_t count : {-1LL, -2147483648LL, 2147483647LL, 0x10000001LL}) {
        std::vector<uint8_t> bad = wad;
        SetS32(bad, 4, count);
        SCOPED_TRACE(count);
        ExpectFails(Pavlunt(bad), 6, kDamaged);
    }
    for (int64_t offset : {-16LL, -2147483648LL, 2147483647LL}) {
        std::vector<uint8_t> bad = wad;
        SetS32(bad, 8, offset);
        SCOPED_TRACE(offset);
        ExpectFails(Pavlunt(bad), 6, kDamaged);
    }
    // Entries: PLAYPAL, F_START, FLOOR1, FLOOR2, F_END, PNAMES, TEXTURE1,
    // PATCH1, PATCH2. Every lump that is read, with a size or an offset that
    // leaves the file.
    for (size_t index : {0, 2, 3, 5, 6, 7, 8}) {
        for (size_t field : {0, 4}) {
            for (int64_t value : {-1LL, -2147483648LL, 2147483647LL}) {
                std::vector<uint8_t> bad = wad;
                SetS32(bad, EntryAt(bad, index) + field, value);
                SCOPED_TRACE("entry " + std::to_string(index) + " field " + std::to_string(field) +
                             " = " + std::to_string(value));
                ExpectFails(Pavlunt(bad), 6, kDamaged);
            }
        }
    }
}

TEST_F(PavluntBadInput, DamagedTextureDirectoriesAndPatchNames) {
    struct Case {
        const char* lump;
        size_t at;
        int64_t value;
        bool wide;  // the field is 32 bits wide, else 16
        int status;
        const char* message;  // the end of the output; empty: the run finishes
    };
    // TEXTURE1: count at 0, the record offset at 4, the record at 8: name,
    // masked, width at 20, height at 22, columns, patch count at 28, patches
    // from 30 (origin x, origin y, patch number at +4).
    const Case cases[] = {
        {"TEXTURE1", 0, -1, true, 6, "ERROR: 'test.wad' is damaged.\n"},
        {"TEXTURE1", 0, 0x40000000, true, 6, "ERROR: 'test.wad' is damaged.\n"},
        {"TEXTURE1", 4, -1, true, 6, "ERROR: 'test.wad' is damaged.\n"},
        {"TEXTURE1", 4, 0x7FFFFFFF, true, 6, "ERROR: 'test.wad' is damaged.\n"},
        {"TEXTURE1", 28, 3, false, 6, "ERROR: 'test.wad' is damaged.\n"},
        {"TEXTURE1", 28, 32767, false, 6, "ERROR: 'test.wad' is damaged.\n"},
        {"TEXTURE1", 28, -1, false, 0, ""},  // no patches: a blank texture
        {"TEXTURE1", 28, 0, false, 0, ""},
        {"TEXTURE1", 20, -16, false, 0, ""},  // skipped with a warning
        {"TEXTURE1", 22, -32768, false, 0, ""},
        {"TEXTURE1", 30, -32768, false, 0, ""},  // a patch far off the canvas
        {"TEXTURE1", 32, 32767, false, 0, ""},
        {"TEXTURE1", 34, 2, false, 13, "\nERROR: WALL patch 0: invalid pname 2\n"},
        {"TEXTURE1", 44, 0xFFFF, false, 13, "\nERROR: WALL patch 1: invalid pname 65535\n"},
        {"PNAMES", 0, -1, true, 6, "ERROR: 'test.wad' is damaged.\n"},
        {"PNAMES", 0, 0x7FFFFFFF, true, 6, "ERROR: 'test.wad' is damaged.\n"},
        {"PNAMES", 0, 3, true, 6, "ERROR: 'test.wad' is damaged.\n"},
        {"PNAMES", 0, 1, true, 13, "\nERROR: WALL patch 1: invalid pname 1\n"},
        {"PNAMES", 0, 0, true, 13, "\nERROR: WALL patch 0: invalid pname 0\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.lump) + " at " + std::to_string(c.at) + " = " +
                     std::to_string(c.value));
        WadBuilder wad = WallWad();
        std::vector<uint8_t>& lump = wad.Data(c.lump);
        if (c.wide)
            SetS32(lump, c.at, c.value);
        else
            SetS16(lump, c.at, static_cast<int>(c.value));
        RunResult run = Pavlunt(wad.Build());
        if (c.status == 0) {
            ExpectExtracts(run);
        } else {
            ExpectFails(run, c.status, c.message);
        }
    }

    // Texture records cut short and a lump shorter than its count.
    for (size_t length : {0, 3, 4, 7, 8, 29, 39}) {
        SCOPED_TRACE(length);
        WadBuilder wad = WallWad();
        wad.Data("TEXTURE1").resize(length);
        ExpectFails(Pavlunt(wad.Build()), 6, kDamaged);
    }
    WadBuilder short_pnames = WallWad();
    short_pnames.Data("PNAMES").resize(3);
    ExpectFails(Pavlunt(short_pnames.Build()), 6, kDamaged);

    // A texture name of 8 characters without terminator, and bytes above 127.
    WadBuilder names = WallWad();
    std::vector<uint8_t>& texture1 = names.Data("TEXTURE1");
    for (int i = 0; i < 8; i++) texture1[8 + i] = static_cast<uint8_t>(i ? 'A' + i : 0xE9);
    std::vector<std::string> entries = ExpectExtracts(Pavlunt(names.Build()));
    ASSERT_EQ(entries.size(), 4u);
    EXPECT_EQ(entries[3],
              "\xE9"
              "BCDEFGH");
}

TEST_F(PavluntBadInput, DamagedPatches) {
    auto with_patch = [](const std::vector<uint8_t>& picture) {
        WadBuilder wad = WallWad();
        wad.Data("PATCH2") = picture;
        return wad.Build();
    };
    const std::vector<uint8_t> good = Picture(8, 8, 64);
    std::vector<std::vector<uint8_t>> pictures;
    pictures.push_back({});         // empty
    pictures.push_back({8, 0, 8});  // shorter than its header
    pictures.push_back(std::vector<uint8_t>(good.begin(), good.begin() + 20));  // offsets cut
    pictures.push_back(std::vector<uint8_t>(good.begin(), good.end() - 5));     // post cut
    std::vector<uint8_t> far = good;
    SetS32(far, 8 + 4 * 3, 0x7FFFFFFF);  // column 3 far past the lump
    pictures.push_back(far);
    std::vector<uint8_t> negative = good;
    SetS32(negative, 8, -1);
    pictures.push_back(negative);
    std::vector<uint8_t> wide = good;
    SetS16(wide, 0, 32767);  // more columns than offsets
    pictures.push_back(wide);
    std::vector<uint8_t> narrow = good;
    SetS16(narrow, 0, -32768);
    pictures.push_back(narrow);
    std::vector<uint8_t> long_post = good;
    long_post[Picture(8, 8, 0).size() - 8 * 13 + 1] = 255;  // a post of 255 texels
    pictures.push_back(long_post);
    std::vector<uint8_t> endless(8, 0);  // one column of an empty post that runs off the lump
    SetS16(endless, 0, 1);
    PutS32(endless, 12);
    endless.insert(endless.end(), {0, 0, 0, 0});
    pictures.push_back(endless);
    for (size_t i = 0; i < pictures.size(); i++) {
        SCOPED_TRACE(i);
        ExpectExtracts(Pavlunt(with_patch(pictures[i])));
    }
}

TEST_F(PavluntBadInput, DamagedFlatSections) {
    // Flats shorter and longer than 64 x 64, and of one byte.
    WadBuilder sizes;
    sizes.Add("PLAYPAL", Palette());
    sizes.Add("F_START");
    sizes.Add("SHORT", std::vector<uint8_t>(100, 7));
    sizes.Add("LONG", std::vector<uint8_t>(10000, 9));
    sizes.Add("ONE", {3});
    sizes.Add("F_END");
    EXPECT_EQ(ExpectExtracts(Pavlunt(sizes.Build())),
              std::vector<std::string>({"PALETTE", "SHORT", "LONG", "ONE"}));

    // F_START as the last entry; F_END before F_START; no F_END at all.
    WadBuilder last;
    last.Add("PLAYPAL", Palette());
    last.Add("F_END");
    last.Add("FLAT", Flat(1));
    last.Add("F_START");
    EXPECT_EQ(ExpectExtracts(Pavlunt(last.Build())), std::vector<std::string>({"PALETTE"}));
    WadBuilder open = last;
    open.Add("FLAT2", Flat(2));
    EXPECT_EQ(ExpectExtracts(Pavlunt(open.Build())),
              std::vector<std::string>({"PALETTE", "FLAT2"}));
}

TEST_F(PavluntBadInput, OutputFolderThatCannotBeWritten) {
    if (geteuid() == 0) GTEST_SKIP() << "permissions do not stop root from writing";
    WriteFileBytes("test.wad", WallWad().Build());
    ASSERT_EQ(chmod(".", 0555), 0);
    RunResult run = RunProgram(PAVLUNT_PATH, {"test.wad"});
    chmod(".", 0755);
    ExpectFails(run, 4, "ERROR: Could not create 'CUSTOM.TEX'\n");
}

TEST_F(PavluntBadInput, DiskThatFillsUp) {
    std::vector<uint8_t> wad = WallWad().Build();
    ExpectExtracts(Pavlunt(wad));
    const long size = static_cast<long>(ReadFileBytes("CUSTOM.TEX").size());
    for (long limit : {1L, 12L, 100L, 780L, size / 2, size - 64, size - 1}) {
        SCOPED_TRACE(limit);
        std::filesystem::remove("CUSTOM.TEX");
        std::filesystem::remove("~temp.hdr");
        RunResult run = Pavlunt(wad, limit);
        EXPECT_TRUE(run.status == 4 || run.status == 5) << run.output;
        EXPECT_TRUE(Contains(run.output, "ERROR: Could not write 'CUSTOM.TEX'\n") ||
                    Contains(run.output, "ERROR: Could not write '~temp.hdr'\n"))
            << run.output;
    }
}
