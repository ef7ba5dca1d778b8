// The extractor's options and the choice of the texture file name.

#include <gtest/gtest.h>

#include <cmath>

#include "extractor/extractor.h"
#include "formats/fatal.h"

namespace {

FatalError ParseFails(const std::vector<std::string>& args) {
    ResetExtractorState();
    try {
        ParseExtractorArgs(args);
    } catch (const FatalError& error) {
        return error;
    }
    ADD_FAILURE() << "the options were accepted";
    return FatalError{0, ""};
}

void Parse(const std::vector<std::string>& args) {
    ResetExtractorState();
    ParseExtractorArgs(args);
}

TEST(ExtractorOptions, DarkFactorRangeAndDefaults) {
    Parse({"doom2.wad", "-D", "1.5"});
    EXPECT_EQ(extractor_settings.mode_flags, kModeDark);
    EXPECT_EQ(extractor_settings.dark_factor, 1.5f);

    Parse({"doom2.wad", "-d", "3"});
    EXPECT_EQ(extractor_settings.dark_factor, 0.8f);
    // The ends of the range are inside it.
    Parse({"doom2.wad", "-d", "2.0"});
    EXPECT_EQ(extractor_settings.dark_factor, 2.0f);
    Parse({"doom2.wad", "-d", "0.0"});
    EXPECT_EQ(extractor_settings.dark_factor, 0.0f);
    Parse({"doom2.wad", "-d", "2.0001"});
    EXPECT_EQ(extractor_settings.dark_factor, 0.8f);
    Parse({"doom2.wad", "-d", "nan"});
    EXPECT_EQ(extractor_settings.dark_factor, 0.8f);
    Parse({"doom2.wad", "-d", "-inf"});
    EXPECT_EQ(extractor_settings.dark_factor, 0.8f);

    // Text that is no number keeps the factor it had: 0.0 at start.
    Parse({"doom2.wad", "-d", "dark"});
    EXPECT_EQ(extractor_settings.mode_flags, kModeDark);
    EXPECT_EQ(extractor_settings.dark_factor, 0.0f);
    Parse({"doom2.wad", "-d", "0.5", "-d", "1.25"});
    EXPECT_EQ(extractor_settings.dark_factor, 1.25f);

    Parse({"doom2.wad", "-t"});
    EXPECT_EQ(extractor_settings.mode_flags, kModeTotalConv);
    EXPECT_EQ(extractor_settings.dark_factor, 1.0f);
    Parse({"doom2.wad", "-H"});
    EXPECT_EQ(extractor_settings.mode_flags, kModePointSample);
    EXPECT_EQ(extractor_settings.dark_factor, 0.8f);
}

TEST(ExtractorOptions, BadOptionsEndWithUsageAndStatus1) {
    FatalError unknown = ParseFails({"mywad.wad", "-x"});
    EXPECT_EQ(unknown.status, 1);
    EXPECT_EQ(unknown.message, "\nUnknown Option: -x\n" + UsageText());

    FatalError last_d = ParseFails({"mywad.wad", "-t", "-d"});
    EXPECT_EQ(last_d.status, 1);
    EXPECT_EQ(last_d.message, "\nUnknown Option: -d\n" + UsageText());

    FatalError none = ParseFails({});
    EXPECT_EQ(none.status, 1);
    EXPECT_EQ(none.message, UsageText());
}

TEST(ExtractorOptions, WadNameAndTextureFileName) {
    Parse({"doom2"});
    EXPECT_EQ(extractor_settings.filename, "doom2.wad");
    Parse({"./maps/e1"});
    EXPECT_EQ(extractor_settings.filename, "./maps/e1");

    EXPECT_EQ(ChooseTexFileName("doom2.wad"), "DOOM2.TEX");
    EXPECT_EQ(ChooseTexFileName("DOOM.WAD"), "DOOM1.TEX");
    EXPECT_EQ(ChooseTexFileName("Doom1.wad"), "DOOM1.TEX");
    EXPECT_EQ(ChooseTexFileName("tnt.wad"), "TNT.TEX");
    EXPECT_EQ(ChooseTexFileName("plutonia.WAD"), "PLUTONIA.TEX");
    EXPECT_EQ(ChooseTexFileName("games/DOOM2.WAD"), "CUSTOM.TEX");
    EXPECT_EQ(ChooseTexFileName("mywad.wad"), "CUSTOM.TEX");
    EXPECT_EQ(ChooseTexFileName("doom2.wad.bak"), "CUSTOM.TEX");
}

}  // namespace
