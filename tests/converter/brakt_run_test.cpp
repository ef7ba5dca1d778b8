// Runs the built brakt program on small WADs made by the tests.
#include <gtest/gtest.h>

#include <filesystem>

#include "tests/support/test_support.h"

namespace {

const std::string kHead =
    "{\r\n \"classname\"\t\"worldspawn\"\r\n \"no_stamina\"\t\"1\"\r\n"
    " \"message\"\t\"brakt Version 1.3\"\r\n";

// A square room as MAP01 of ROOM.WAD, and an empty CUSTOM.TEX, in the current folder.
void WriteRoom() {
    LevelBuilder builder;
    int sector = builder.AddSector({});
    builder.AddRoom({{0, 0}, {0, 256}, {256, 256}, {256, 0}}, sector);
    WadBuilder wad;
    builder.AddTo(wad, "MAP01");
    WriteFileBytes("ROOM.WAD", wad.Build());
    WriteFileBytes("CUSTOM.TEX", EmptyTexFile());
}

RunResult Brakt(const std::vector<std::string>& args, long file_size_limit = 0) {
    return RunProgram(BRAKT_PATH, args, file_size_limit);
}

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

}  // namespace

TEST(BraktRun, CompleteRunWritesTheHeadAndRemovesTheTemporaryFile) {
    TempDir dir;
    WriteRoom();
    RunResult run = Brakt({"room", "map01", "-custom", "-light", "200"});
    EXPECT_EQ(run.status, 0) << run.output;
    EXPECT_TRUE(Contains(run.output, "PWAD 'ROOM.WAD' opened, 11 entries.\n"));
    EXPECT_TRUE(Contains(run.output, "MAP01: 1 Sectors, 4 Segs loaded.\n"));
    EXPECT_TRUE(Contains(run.output, "Created MAP File 'MAP01.MAP'\n"));
    EXPECT_TRUE(Contains(run.output, "Bounds: (0 - 256, 0 - 128, 0 - 256)\n"));
    EXPECT_TRUE(Contains(run.output, "\n<------------ Program Finished ----------->\n"));
    EXPECT_TRUE(Contains(run.output, "TOTAL: "));
    std::string map = ReadFileText("MAP01.MAP");
    EXPECT_EQ(map.substr(0, kHead.size()), kHead);
    EXPECT_FALSE(FileExists("FENWOLD.TMP"));
}

TEST(BraktRun, UsageAndWadErrors) {
    TempDir dir;
    RunResult run = Brakt({});
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(Contains(run.output, "USAGE:\tbrakt filename[.wad] levelname [options]\n\n"));
    run = Brakt({"only.wad"});
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(std::filesystem::is_empty("."));

    run = Brakt({"none", "map01"});
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(Contains(run.output, "ERROR: Could not read 'NONE.WAD': file not found.\n"));

    WriteFileText("TEXT.WAD", "this is not a wad file");
    run = Brakt({"text.wad", "map01"});
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(Contains(run.output, "ERROR: Could not read 'TEXT.WAD': not a IWAD or PWAD.\n"));

    WriteRoom();
    run = Brakt({"room", "map02", "-custom"});
    EXPECT_EQ(run.status, 5);
    EXPECT_TRUE(Contains(run.output, "ERROR: The level 'MAP02' does not exist.\n"));

    WadBuilder no_nodes;
    no_nodes.Add("MAP01");
    no_nodes.Add("THINGS");
    WriteFileBytes("NONODES.WAD", no_nodes.Build());
    run = Brakt({"nonodes", "map01"});
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(Contains(run.output,
                         "Missing 'VERTEXES' entry in WAD.\n"
                         "Please make sure the level has been BSP'ed.\n"));
}

TEST(BraktRun, OutputAndTextureFileErrors) {
    TempDir dir;
    WriteRoom();
    RunResult run = Brakt({"room", "map01", "-doom"});
    EXPECT_EQ(run.status, 11);
    EXPECT_TRUE(Contains(run.output, "ERROR: 'DOOM1.TEX' could not be opened.\n"));
    EXPECT_TRUE(FileExists("MAP01.MAP"));  // nothing is cleaned up
    EXPECT_TRUE(FileExists("FENWOLD.TMP"));

    WriteFileText("BAD.TEX", "WAD3xxxxxxxxxxxx");
    run = Brakt({"room", "map01", "-wad", "bad.tex"});
    EXPECT_EQ(run.status, 12);
    EXPECT_TRUE(Contains(run.output, "ERROR: 'bad.tex' is not a WAD2 file.\n"));

    run = Brakt({"room", "map01", "-texmap", "none.txt"});
    EXPECT_EQ(run.status, 12);
    EXPECT_TRUE(Contains(run.output, "ERROR: none.txt could not be opened.\n"));

    std::filesystem::remove("MAP01.MAP");
    std::filesystem::remove("FENWOLD.TMP");
    std::filesystem::create_directory("FENWOLD.TMP");
    run = Brakt({"room", "map01", "-custom"});
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(Contains(run.output, "ERROR: Could not create 'FENWOLD.TMP'\n"));
    EXPECT_TRUE(FileExists("MAP01.MAP"));

    std::filesystem::create_directory("MAP02.MAP");
    WadBuilder wad = {};
    LevelBuilder builder;
    builder.AddRoom({{0, 0}, {0, 64}, {64, 64}, {64, 0}}, builder.AddSector({}));
    builder.AddTo(wad, "MAP02");
    WriteFileBytes("TWO.WAD", wad.Build());
    run = Brakt({"two", "map02", "-custom"});
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(Contains(run.output, "ERROR: Could not create 'MAP02.MAP'\n"));
}

TEST(BraktRun, AFullDiskIsReportedNotHidden) {
    TempDir dir;
    WriteRoom();
    RunResult run = Brakt({"room", "map01", "-custom"}, 40);
    EXPECT_EQ(run.status, 1) << run.output;
    EXPECT_TRUE(Contains(run.output, "ERROR: Could not write 'MAP01.MAP'\n")) << run.output;
}

TEST(BraktRun, FreedoomMap01) {
    std::string wad = FreedoomPath("freedoom2.wad");
    if (wad.empty()) GTEST_SKIP() << "freedoom2.wad is not installed";
    TempDir dir;
    WriteFileBytes("CUSTOM.TEX", EmptyTexFile());
    RunResult run = Brakt({wad, "map01", "-custom"});
    EXPECT_EQ(run.status, 0) << run.output;
    EXPECT_TRUE(Contains(run.output, "MAP01: 198 Sectors, 1838 Segs loaded.\n"));
    EXPECT_TRUE(Contains(run.output, "Bounds: (-328 - 2176, -480 - 312, -1796 - 1664)\n"));
    EXPECT_EQ(ReadFileText("MAP01.MAP").substr(0, kHead.size()), kHead);
    EXPECT_FALSE(FileExists("FENWOLD.TMP"));
}
