// The structural map checker finds each kind of fault it is meant to find.
#include "tests/support/map_checks.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::string Lines(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) text += line + "\r\n";
    return text;
}

const std::string kPlanes[4] = {
    "  ( 0 0 0 ) ( 64 0 0 ) ( 0 64 0 ) FLOOR4_8 0 0 0 1.000000 1.000000",
    "  ( 0 0 8 ) ( 0 64 8 ) ( 64 0 8 ) FLOOR4_8 0 0 0 1.000000 1.000000",
    "  ( 0 0 0 ) ( 0 0 8 ) ( 64 0 0 ) FLOOR4_8 -16 32 0 -1.000000 0.500000",
    "  ( 0 0 0 ) ( 0 64 0 ) ( 0 0 8 ) common/caulk 0 0 0 1.000000 1.000000",
};

std::vector<std::string> GoodMap() {
    return {"{",
            " \"classname\"\t\"worldspawn\"",
            " {",
            kPlanes[0],
            kPlanes[1],
            kPlanes[2],
            kPlanes[3],
            " }",
            "}",
            "{",
            " \"origin\"\t\"1 2 3\"",
            " \"classname\"\t\"light\"",
            " \"_color\"\t\"\"",
            "}"};
}

// The problems found in the good map with line `index` replaced by `line`.
std::string ProblemsWith(size_t index, const std::string& line) {
    std::vector<std::string> lines = GoodMap();
    lines[index] = line;
    return CheckMapText(Lines(lines)).Report();
}

}  // namespace

TEST(MapChecks, AGoodMapPassesAndIsCounted) {
    MapCheckResult result = CheckMapText(Lines(GoodMap()));
    EXPECT_TRUE(result.ok()) << result.Report();
    EXPECT_EQ(result.entities, 2);
    EXPECT_EQ(result.brushes, 1);
    EXPECT_EQ(result.planes, 4);
    EXPECT_EQ(result.classnames, std::vector<std::string>({"worldspawn", "light"}));
}

TEST(MapChecks, LineEnds) {
    std::string text = Lines(GoodMap());
    std::string lf = text;
    lf.erase(lf.find("\r\n"), 1);
    EXPECT_NE(CheckMapText(lf).Report().find("line 1: LF without CR"), std::string::npos);
    std::string cr = text;
    cr.insert(cr.find("worldspawn"), "\r");
    EXPECT_NE(CheckMapText(cr).Report().find("line 2: CR without LF"), std::string::npos);
    std::string cut = text.substr(0, text.size() - 2);
    EXPECT_NE(CheckMapText(cut).Report().find("no line end"), std::string::npos);
    EXPECT_FALSE(CheckMapText("").ok());
}

TEST(MapChecks, Blocks) {
    std::vector<std::string> lines = GoodMap();
    lines.pop_back();
    EXPECT_NE(CheckMapText(Lines(lines)).Report().find("entity not closed"), std::string::npos);
    lines = GoodMap();
    lines.erase(lines.begin() + 7);  // " }"
    EXPECT_FALSE(CheckMapText(Lines(lines)).ok());
    lines = GoodMap();
    lines.insert(lines.begin() + 9, "junk");
    EXPECT_NE(CheckMapText(Lines(lines)).Report().find("outside an entity"), std::string::npos);
    EXPECT_NE(ProblemsWith(2, "{").find("malformed key line"), std::string::npos);
    EXPECT_NE(ProblemsWith(11, " \"name\"\t\"x\"").find("0 classname"), std::string::npos);
    lines = GoodMap();
    lines.erase(lines.begin() + 6);  // a brush of three planes
    MapCheckResult open = CheckMapText(Lines(lines));
    EXPECT_TRUE(open.problems.empty()) << open.Report();
    EXPECT_EQ(open.open_brushes, std::vector<int>({3}));
    EXPECT_FALSE(open.ok());
    EXPECT_NE(open.Report().find("line 3: brush with fewer than 4 planes"), std::string::npos);
    lines = GoodMap();
    lines.insert(lines.begin() + 8, " \"late\"\t\"1\"");
    EXPECT_NE(CheckMapText(Lines(lines)).Report().find("key line after a brush"),
              std::string::npos);
}

TEST(MapChecks, KeyLines) {
    for (const char* bad :
         {"\"classname\"\t\"light\"", " \"classname\" \"light\"", " \"\"\t\"light\"",
          " \"classname\"\t\"li\"ght\"", " \"classname\"\t\"light", " \"classname\"\t\"light\" "}) {
        EXPECT_NE(ProblemsWith(11, bad).find("malformed key line"), std::string::npos) << bad;
    }
}

TEST(MapChecks, PlaneLines) {
    EXPECT_NE(ProblemsWith(3, "  ( 0 0 0 ) ( 64 0 0 ) ( 128 0 0 ) F 0 0 0 1.000000 1.000000")
                  .find("collinear"),
              std::string::npos);
    for (const char* bad : {
             " ( 0 0 0 ) ( 64 0 0 ) ( 0 64 0 ) F 0 0 0 1.000000 1.000000",
             "  ( 0 0 0 ) ( 64 0 ) ( 0 64 0 ) F 0 0 0 1.000000 1.000000",
             "  ( 0 0 0 ) ( 64 0 0 ) ( 0 x 0 ) F 0 0 0 1.000000 1.000000",
             "  ( 0 0 0 ) ( 64 0 0 ) ( 0 64 0 )  0 0 0 1.000000 1.000000",
             "  ( 0 0 0 ) ( 64 0 0 ) ( 0 64 0 ) F 0 0 0 1.000000",
             "  ( 0 0 0 ) ( 64 0 0 ) ( 0 64 0 ) F 0 0 0 1.0 1.000000",
             "  ( 0 0 0 ) ( 64 0 0 ) ( 0 64 0 ) F 0 0 0 nan 1.000000",
             "  ( 0 0 0 ) ( 64 0 0 ) ( 0 64 0 ) F 0 0 0 1.000000 1.000000 ",
         }) {
        EXPECT_FALSE(ProblemsWith(3, bad).empty()) << bad;
    }
}
