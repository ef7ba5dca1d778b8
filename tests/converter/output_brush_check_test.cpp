// Material names as Doom 3's map reader reads them, and the brushes its map
// compiler would throw away.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "converter/driver/driver.h"
#include "converter/output/brush.h"

namespace {

// The material text of the plane line written for `name`.
std::string PlaneMaterialText(const std::string& name) {
    BeginBrush(BrushOwner::kWall, 0);
    WriteBrush(0, 0, 0, 64, 0, 0, 0, 10, 0, name, 0, 0, 1.0f);
    std::string line;
    PutPlaneLine(line, open_brush.planes[0]);
    const size_t start = line.rfind(") ") + 2;
    return line.substr(start, line.find(" 0 0 0 ", start) - start);
}

// A brush of planes through (x, height, y) points, in the writers' order.
struct Side {
    int32_t p[9];
};

BrushFault Check(const std::vector<Side>& sides) {
    BeginBrush(BrushOwner::kSectorPieces, 0);
    for (const Side& s : sides)
        WriteBrush(s.p[0], s.p[1], s.p[2], s.p[3], s.p[4], s.p[5], s.p[6], s.p[7], s.p[8], "F", 0,
                   0, 1.0f);
    return CheckBrush(open_brush.planes.data(), open_brush.plane_count);
}

// The floor and ceiling planes of a slab from `bottom` to `top`, as the
// floor writer gives them, and the four sides of the square 0..64.
Side Bottom(int32_t h) {
    return {{1, h, 1, -1, h, 0, 1, h, -1}};
}
Side Top(int32_t h) {
    return {{-1, h, 1, 1, h, 0, -1, h, -1}};
}
const Side kWest = {{0, 10, 64, 0, 10, 0, 0, 0, 64}};
const Side kNorth = {{64, 10, 64, 0, 10, 64, 64, 0, 64}};
const Side kEast = {{64, 10, 0, 64, 10, 64, 64, 0, 0}};
const Side kSouth = {{0, 10, 0, 64, 10, 0, 0, 0, 0}};

}  // namespace

TEST(MaterialNames, BareWhenDoom3ReadsThemSoElseQuoted) {
    ResetConverterState();
    const struct {
        const char* given;
        const char* written;
    } kCases[] = {
        {"AQMETL12", "AQMETL12"},     {"common/nodraw", "common/nodraw"},
        {"_x\\y:z.w", "_x\\y:z.w"},   {"A-DROCK1", "\"A-DROCK1\""},
        {"1AZTEC", "\"1AZTEC\""},     {"SW[1", "\"SW[1\""},
        {"+0NUKAGE", "\"+0NUKAGE\""}, {"SW\"1", "SW_1"},
        {"TAB\tX", "TAB_X"},
    };
    for (const auto& c : kCases) EXPECT_EQ(PlaneMaterialText(c.given), c.written) << c.given;
}

TEST(MaterialNames, AQuoteOrControlCharacterIsWarnedAboutOncePerName) {
    ResetConverterState();
    testing::internal::CaptureStdout();
    PlaneMaterialText("A\"B");
    PlaneMaterialText("A\"B");
    PlaneMaterialText("C\x01");
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "WARNING: Material name 'A\"B' holds a quote or control character; written as "
              "'A_B'.\nWARNING: Material name 'C\\x01' holds a quote or control character; "
              "written as 'C_'.\n");
}

TEST(BrushCheck, BrushesDoom3ThrowsAway) {
    ResetConverterState();
    EXPECT_EQ(Check({Bottom(0), Top(64), kWest, kNorth, kEast, kSouth}), BrushFault::kNone);
    // A side missing: the brush stays open towards the east.
    EXPECT_EQ(Check({Bottom(0), Top(64), kWest, kNorth, kSouth}), BrushFault::kOpen);
    // An open wedge: two sides meeting at a corner, no third to close it.
    EXPECT_EQ(Check({Bottom(0), Top(64), kWest, kSouth}), BrushFault::kOpen);
    // Top below bottom: inside out.
    EXPECT_EQ(Check({Bottom(64), Top(0), kWest, kNorth, kEast, kSouth}), BrushFault::kNoVolume);
    // A flat slab: top and bottom in one plane, facing opposite ways.
    EXPECT_EQ(Check({Bottom(8), Top(8), kWest, kNorth, kEast, kSouth}), BrushFault::kMirrored);
    // West and east sides on one line.
    const Side east_on_west = {{0, 10, 0, 0, 10, 64, 0, 0, 0}};
    EXPECT_EQ(Check({Bottom(0), Top(64), kWest, kNorth, east_on_west, kSouth}),
              BrushFault::kMirrored);
    // The same plane twice is one side; three points on a line are no side.
    EXPECT_EQ(Check({Bottom(0),
                     Top(64),
                     kWest,
                     kWest,
                     kNorth,
                     kEast,
                     kSouth,
                     {{5, 5, 5, 5, 5, 5, 5, 5, 5}}}),
              BrushFault::kNone);
}
