// The fast point side test must give the rounded test's answer everywhere,
// since that answer decides every cut of the subdivision.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "converter/geometry/geometry.h"

namespace {

SectorEdge Line(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
    SectorEdge line{};
    line.x1 = x1, line.y1 = y1, line.x2 = x2, line.y2 = y2;
    line.dx = x2 - x1, line.dy = y2 - y1;
    return line;
}

}  // namespace

TEST(GeometryPointSide, FastTestAgreesWithTheRoundedTest) {
    std::mt19937 random(20261207);
    std::uniform_int_distribution<int32_t> coordinate(-32768, 32767);
    std::uniform_int_distribution<int32_t> small(-4, 4);
    std::uniform_real_distribution<double> along(-0.5, 1.5);
    int mismatches = 0;
    for (int i = 0; i < 1000000 && mismatches < 10; i++) {
        SectorEdge line;
        int32_t px, py;
        switch (i % 4) {
            case 0:  // anywhere
                line = Line(coordinate(random), coordinate(random), coordinate(random),
                            coordinate(random));
                px = coordinate(random), py = coordinate(random);
                break;
            case 1:
            case 2: {  // near the line, where the 2-unit band and the rounding decide
                line = Line(coordinate(random), coordinate(random), coordinate(random),
                            coordinate(random));
                double t = along(random);
                px = static_cast<int32_t>(std::lround(line.x1 + t * line.dx)) + small(random);
                py = static_cast<int32_t>(std::lround(line.y1 + t * line.dy)) + small(random);
                break;
            }
            default: {  // very short lines seen from afar
                int32_t x = coordinate(random), y = coordinate(random);
                line = Line(x, y, x + small(random), y + small(random));
                px = coordinate(random), py = coordinate(random);
                break;
            }
        }
        int fast = PointSide(line, px, py);
        int rounded = PointSideRounded(line, px, py);
        if (fast != rounded) {
            mismatches++;
            ADD_FAILURE() << "line (" << line.x1 << "," << line.y1 << ")-(" << line.x2 << ","
                          << line.y2 << ") point (" << px << "," << py << "): " << fast
                          << " != " << rounded;
        }
    }
}
