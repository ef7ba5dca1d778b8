// Every fatal error of pavlunt: its message and its exit status.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "tests/extractor/test_wads.h"

namespace {

using namespace test_wads;

RunResult PavluntOn(const std::vector<uint8_t>& wad_bytes, std::vector<std::string> options = {}) {
    WriteFileBytes("test.wad", wad_bytes);
    options.insert(options.begin(), "test.wad");
    return RunProgram(PAVLUNT_PATH, options);
}

bool Ends(const std::string& output, const std::string& tail) {
    return output.size() >= tail.size() &&
           output.compare(output.size() - tail.size(), tail.size(), tail) == 0;
}

#define EXPECT_FAILS(run, status_code, message)                       \
    do {                                                              \
        RunResult result_ = (run);                                    \
        EXPECT_EQ(result_.status, status_code) << result_.output;     \
        EXPECT_TRUE(Ends(result_.output, message)) << result_.output; \
    } while (0)

WadBuilder WallWad(const std::vector<std::string>& pnames,
                   const std::vector<TextureDef>& textures) {
    WadBuilder wad = FlatsOnly();
    wad.Add("PNAMES", PatchNames(pnames));
    wad.Add("TEXTURE1", TextureLump(textures));
    wad.Add("PATCH", Picture(8, 8, 0));
    return wad;
}

TEST(PavluntErrors, CommandLine) {
    TempDir dir;
    EXPECT_FAILS(RunProgram(PAVLUNT_PATH, {}), 1,
                 "PAVLUNT will extract all textures from a WAD Texture File.\n\n"
                 "USAGE:  pavlunt filename[.wad] <options>\n\n");
    EXPECT_FAILS(RunProgram(PAVLUNT_PATH, {"mywad.wad", "-x"}), 1,
                 "\nUnknown Option: -x\nPAVLUNT will extract all textures from a WAD Texture "
                 "File.\n\nUSAGE:  pavlunt filename[.wad] <options>\n\n");
    EXPECT_FALSE(FileExists("CUSTOM.TEX"));
    EXPECT_FAILS(RunProgram(PAVLUNT_PATH, {"missing"}), 3,
                 "ERROR: 'missing.wad' could not be opened.\n");
}

TEST(PavluntErrors, NotAWadAndDamagedDirectories) {
    TempDir dir;
    EXPECT_FAILS(PavluntOn({'P', 'W', 'A'}), 6, "ERROR: 'test.wad' is not a valid IWAD or PWAD.\n");
    WadBuilder lower = FlatsOnly();
    lower.identification = "pwad";
    EXPECT_FAILS(PavluntOn(lower.Build()), 6, "ERROR: 'test.wad' is not a valid IWAD or PWAD.\n");

    // Any first letter passes.
    WadBuilder xwad = FlatsOnly();
    xwad.identification = "XWAD";
    EXPECT_EQ(PavluntOn(xwad.Build()).status, 0);

    std::vector<uint8_t> bytes = FlatsOnly().Build();
    bytes[4] = 200;  // more entries than the file holds
    EXPECT_FAILS(PavluntOn(bytes), 6, "ERROR: 'test.wad' is damaged.\n");
    bytes = FlatsOnly().Build();
    bytes[7] = 0x80;  // a negative entry count
    EXPECT_FAILS(PavluntOn(bytes), 6, "ERROR: 'test.wad' is damaged.\n");
}

TEST(PavluntErrors, LumpsThatRunPastTheEndOfTheWad) {
    TempDir dir;
    // The directory entry of FLOOR2 (the fourth) claims more bytes than there are.
    std::vector<uint8_t> bytes = FlatsOnly().Build();
    size_t directory = bytes[8] | (bytes[9] << 8) | (bytes[10] << 16);
    bytes[directory + 3 * 16 + 6] = 0x7F;
    RunResult run = PavluntOn(bytes);
    EXPECT_EQ(run.status, 6);
    // The error ends the line of names it interrupts.
    EXPECT_TRUE(Ends(run.output, "FLOOR2 \nERROR: 'test.wad' is damaged.\n")) << run.output;

    // PLAYPAL shorter than one palette.
    WadBuilder wad;
    wad.Add("PLAYPAL", std::vector<uint8_t>(767, 1));
    wad.Add("F_START");
    EXPECT_FAILS(PavluntOn(wad.Build()), 6, "ERROR: 'test.wad' is damaged.\n");
}

TEST(PavluntErrors, MissingLumps) {
    TempDir dir;
    WadBuilder no_palette;
    no_palette.Add("F_START");
    no_palette.Add("FLOOR1", Flat(0));
    no_palette.Add("F_END");
    EXPECT_FAILS(PavluntOn(no_palette.Build()), 8, "ERROR: 'PLAYPAL' not found.\n");
    // The unfinished file keeps its provisional header and the directory file.
    EXPECT_EQ(ReadFileBytes("CUSTOM.TEX"),
              std::vector<uint8_t>({'W', 'A', 'D', '2', 0, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_TRUE(FileExists("~temp.hdr"));

    WadBuilder lower_palette;
    lower_palette.Add("playpal", Palette());
    lower_palette.Add("F_START");
    EXPECT_EQ(PavluntOn(lower_palette.Build()).status, 0);

    WadBuilder no_flats;
    no_flats.Add("PLAYPAL", Palette());
    no_flats.Add("FF_START");
    EXPECT_FAILS(PavluntOn(no_flats.Build()), 12, "ERROR: Couldn't find F_START.\n");

    WadBuilder no_pnames = FlatsOnly();
    no_pnames.Add("TEXTURE2", TextureLump({{"WALL", 16, 16, {}}}));
    EXPECT_FAILS(PavluntOn(no_pnames.Build()), 9, "ERROR: 'PNAMES' not found.\n");

    EXPECT_FAILS(PavluntOn(WallWad({"PATCH", "GONE"}, {{"WALL", 16, 16, {{0, 0, 1}}}}).Build()), 12,
                 "WALL \nERROR: 'GONE' not found.\n");
    EXPECT_FAILS(PavluntOn(WallWad({"PATCH"}, {{"WALL", 16, 16, {{0, 0, 0}, {0, 0, 1}}}}).Build()),
                 13, "WALL \nERROR: WALL patch 1: invalid pname 1\n");
}

TEST(PavluntErrors, DamagedTextureLumps) {
    TempDir dir;
    std::vector<uint8_t> texture1 = TextureLump({{"WALL", 16, 16, {{0, 0, 0}}}});

    WadBuilder cut_patches = FlatsOnly();
    cut_patches.Add("PNAMES", PatchNames({"PATCH"}));
    cut_patches.Add("TEXTURE1", std::vector<uint8_t>(texture1.begin(), texture1.end() - 1));
    cut_patches.Add("PATCH", Picture(8, 8, 0));
    EXPECT_FAILS(PavluntOn(cut_patches.Build()), 6, "ERROR: 'test.wad' is damaged.\n");

    std::vector<uint8_t> far_offset = texture1;
    far_offset[7] = 0x40;
    WadBuilder bad_offset = FlatsOnly();
    bad_offset.Add("PNAMES", PatchNames({"PATCH"}));
    bad_offset.Add("TEXTURE1", far_offset);
    EXPECT_FAILS(PavluntOn(bad_offset.Build()), 6, "ERROR: 'test.wad' is damaged.\n");

    std::vector<uint8_t> many = texture1;
    many[0] = 0xFF;
    WadBuilder too_many = FlatsOnly();
    too_many.Add("PNAMES", PatchNames({"PATCH"}));
    too_many.Add("TEXTURE1", many);
    EXPECT_FAILS(PavluntOn(too_many.Build()), 6, "ERROR: 'test.wad' is damaged.\n");

    std::vector<uint8_t> pnames = PatchNames({"PATCH"});
    pnames[0] = 2;
    WadBuilder short_pnames = FlatsOnly();
    short_pnames.Add("PNAMES", pnames);
    short_pnames.Add("TEXTURE1", texture1);
    EXPECT_FAILS(PavluntOn(short_pnames.Build()), 6, "ERROR: 'test.wad' is damaged.\n");
}

TEST(PavluntErrors, FilesThatCannotBeCreatedOrWritten) {
    TempDir dir;
    std::vector<uint8_t> wad = FlatsOnly().Build();
    mkdir("CUSTOM.TEX", 0755);
    EXPECT_FAILS(PavluntOn(wad), 4, "ERROR: Could not create 'CUSTOM.TEX'\n");
    rmdir("CUSTOM.TEX");

    mkdir("~temp.hdr", 0755);
    EXPECT_FAILS(PavluntOn(wad), 5, "ERROR: Could not create '~temp.hdr'\n");
    rmdir("~temp.hdr");

    // Room for the header and the palette but not for a flat.
    WriteFileBytes("test.wad", wad);
    EXPECT_FAILS(RunProgram(PAVLUNT_PATH, {"test.wad"}, 2000), 4,
                 "ERROR: Could not write 'CUSTOM.TEX'\n");
}

}  // namespace
