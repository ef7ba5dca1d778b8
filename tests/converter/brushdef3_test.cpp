// Doom 3's own map form (-brushdef3): the planes are those of the three-point
// form, and every texture lies where Doom draws it.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <sstream>
#include <string>
#include <unordered_map>
#include <vector>

#include "converter/surfaces/surfaces.h"
#include "tests/support/test_support.h"

namespace {

struct Side {
    double plane[4];      // a b c d
    double matrix[2][3];  // ( xx xy xoff ) ( yx yy yoff )
    std::string material;
};
using Brush = std::vector<Side>;

// The brushes of a map in either form, in file order; a plane line of the
// three-point form gives its plane through Doom 3's FromPoints in double.
std::vector<Brush> ReadBrushes(const std::string& text) {
    std::vector<Brush> brushes;
    for (const std::string& line : SplitCrLfLines(text)) {
        if (line == " {") brushes.emplace_back();
        if (line.rfind("  ( ", 0) != 0 && line.rfind("   ( ", 0) != 0) continue;
        std::string cleaned;
        for (char ch : line) cleaned += (ch == '(' || ch == ')') ? ' ' : ch;
        std::istringstream words(cleaned);
        Side side{};
        if (line.rfind("   ( ", 0) == 0) {
            for (double& v : side.plane) words >> v;
            for (auto& row : side.matrix)
                for (double& v : row) words >> v;
            words >> side.material;
        } else {
            double p[3][3];
            for (auto& point : p)
                for (double& v : point) words >> v;
            words >> side.material;
            const double u[3] = {p[0][0] - p[1][0], p[0][1] - p[1][1], p[0][2] - p[1][2]};
            const double w[3] = {p[2][0] - p[1][0], p[2][1] - p[1][1], p[2][2] - p[1][2]};
            double n[3] = {u[1] * w[2] - u[2] * w[1], u[2] * w[0] - u[0] * w[2],
                           u[0] * w[1] - u[1] * w[0]};
            const double length = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
            for (int i = 0; i < 3; i++) side.plane[i] = n[i] / length;
            side.plane[3] =
                -(side.plane[0] * p[1][0] + side.plane[1] * p[1][1] + side.plane[2] * p[1][2]);
        }
        if (!brushes.empty()) brushes.back().push_back(side);
    }
    return brushes;
}

// Texel column and row that Doom 3 shows at `point` of the side, for a
// texture of width x height texels (ComputeAxisBase and the texture matrix).
std::pair<double, double> Texel(const Side& side, const double point[3], double width,
                                double height) {
    double n[3];
    for (int i = 0; i < 3; i++) n[i] = std::fabs(side.plane[i]) < 1e-6 ? 0.0 : side.plane[i];
    const double rot_y = -std::atan2(n[2], std::sqrt(n[1] * n[1] + n[0] * n[0]));
    const double rot_z = std::atan2(n[1], n[0]);
    const double tex_s[3] = {-std::sin(rot_z), std::cos(rot_z), 0.0};
    const double tex_t[3] = {-std::sin(rot_y) * std::cos(rot_z), -std::sin(rot_y) * std::sin(rot_z),
                             -std::cos(rot_y)};
    const double ps = point[0] * tex_s[0] + point[1] * tex_s[1] + point[2] * tex_s[2];
    const double pt = point[0] * tex_t[0] + point[1] * tex_t[1] + point[2] * tex_t[2];
    const double s = side.matrix[0][0] * ps + side.matrix[0][1] * pt + side.matrix[0][2];
    const double t = side.matrix[1][0] * ps + side.matrix[1][1] * pt + side.matrix[1][2];
    return {s * width, t * height};
}

// How far apart two texel positions are, modulo the texture's size.
double Apart(double got, double want, double size) {
    const double d = std::fmod(std::fmod(got - want, size) + size, size);
    return std::min(d, size - d);
}

// A TEXTURE1 lump of the given names and sizes, without patches.
std::vector<uint8_t> TextureLump(const std::vector<std::tuple<std::string, int, int>>& textures) {
    std::vector<uint8_t> out;
    PutS32(out, static_cast<int32_t>(textures.size()));
    for (size_t i = 0; i < textures.size(); i++)
        PutS32(out, static_cast<int32_t>(4 + 4 * textures.size() + 22 * i));
    for (const auto& [name, width, height] : textures) {
        PutName(out, name);
        PutS32(out, 0);
        PutS16(out, width);
        PutS16(out, height);
        PutS32(out, 0);
        PutS16(out, 0);
    }
    return out;
}

// A point of a face and the texel Doom draws there.
struct Probe {
    double point[3];
    double column, row;
};

// One face: its material, which way it faces, the texture's true size and
// the texels at some of its points.
struct FaceCase {
    const char* what;
    const char* material;
    double normal[3];
    double width, height;
    std::vector<Probe> probes;
};

// Two rooms side by side, floor 0..128 in the west, 32..96 in the east with
// a cut corner, so that walls face all four axes and a diagonal. The shared
// line runs south at x = 0 with its front to the west; its front side has
// upper, lower and middle textures with offsets (8, 4), pegged or (flags)
// unpegged. TEXTURE1 holds the true sizes; the .TEX rounds them up to 16.
std::vector<Brush> ConvertRooms(int shared_flags) {
    LevelBuilder b;
    const int west = b.AddSector({0, 128});
    const int east = b.AddSector({32, 96});
    const int sw = b.AddVertex(-96, -48), nw = b.AddVertex(-96, 48);
    const int n0 = b.AddVertex(0, 48), s0 = b.AddVertex(0, -48);
    const int ne = b.AddVertex(64, 48), en = b.AddVertex(96, 16), se = b.AddVertex(96, -48);
    auto wall = [&](int v1, int v2, int sector, const char* texture, int flags = 0, int x = 0,
                    int y = 0) {
        const int line = b.AddLine(v1, v2, sector);
        b.lines[line].flags = flags;
        LevelBuilder::SideSpec& side = b.sides[b.lines[line].right];
        side.middle = texture;
        side.x_offset = x;
        side.y_offset = y;
    };
    wall(sw, nw, west, "WALLA", 0, 8, 4);
    wall(nw, n0, west, "WALLB", 0x10);
    wall(s0, sw, west, "WALLA");
    wall(n0, ne, east, "WALLC");
    wall(ne, en, east, "WALLC");
    wall(en, se, east, "WALLC");
    wall(se, s0, east, "WALLC");
    const int shared = b.AddLine(n0, s0, west, east);
    b.lines[shared].flags = shared_flags;
    LevelBuilder::SideSpec& front = b.sides[b.lines[shared].right];
    front = {8, 4, "UPTX", "LOWTX", "MIDTX", west};
    WadBuilder wad;
    b.AddTo(wad, "MAP01");
    const std::vector<std::tuple<std::string, int, int>> sizes = {
        {"WALLA", 64, 72}, {"WALLB", 64, 40}, {"WALLC", 64, 64},
        {"UPTX", 64, 56},  {"LOWTX", 64, 40}, {"MIDTX", 64, 48}};
    wad.Add("TEXTURE1", TextureLump(sizes));
    WriteFileBytes("rooms.wad", wad.Build());
    std::vector<std::tuple<std::string, int, int>> rounded;
    for (const auto& [name, w, h] : sizes) rounded.emplace_back(name, w, (h + 15) / 16 * 16);
    WriteFileBytes("CUSTOM.TEX", TexFileOfSizes(rounded));
    const RunResult run =
        RunProgram(BRAKT_PATH, {"rooms.wad", "map01", "-custom", "-noent", "-brushdef3"});
    EXPECT_EQ(run.status, 0) << run.output;
    return ReadBrushes(ReadFileText("map01.map"));
}

void CheckFaces(const std::vector<Brush>& brushes, const std::vector<FaceCase>& cases) {
    for (const FaceCase& c : cases) {
        SCOPED_TRACE(c.what);
        int faces = 0;
        for (const Brush& brush : brushes) {
            for (const Side& side : brush) {
                if (side.material != std::string("\"textures/") + c.material + "\"") continue;
                const double* n = side.plane;
                if (n[0] * c.normal[0] + n[1] * c.normal[1] + n[2] * c.normal[2] < 0.999) continue;
                bool on_plane = true;
                for (const Probe& p : c.probes)
                    on_plane &= std::fabs(n[0] * p.point[0] + n[1] * p.point[1] +
                                          n[2] * p.point[2] + n[3]) < 0.01;
                if (!on_plane) continue;
                faces++;
                for (const Probe& p : c.probes) {
                    const auto [column, row] = Texel(side, p.point, c.width, c.height);
                    SCOPED_TRACE(testing::Message()
                                 << "at " << p.point[0] << " " << p.point[1] << " " << p.point[2]);
                    EXPECT_LT(Apart(column, p.column, c.width), 0.02) << "column " << column;
                    EXPECT_LT(Apart(row, p.row, c.height), 0.02) << "row " << row;
                }
            }
        }
        EXPECT_GT(faces, 0) << "no face of " << c.material;
    }
}

}  // namespace

// Texels derived by hand from Doom's drawing rules: columns from the side's
// start vertex plus its x offset, rows from the pegged top edge plus its y
// offset; flats at (x, -y) on the 64-unit grid. The filler's front face
// stands a unit inside the front sector.
TEST(BrushDef3, TexturesLieAsDoomDrawsThem) {
    TempDir dir;
    const double d = 32.0 * std::sqrt(2.0), h = std::sqrt(0.5);
    // clang-format off
    const std::vector<FaceCase> common = {
        {"one-sided wall facing +x, offsets 8 4", "WALLA", {1, 0, 0}, 64, 72,
         {{{-96, -48, 128}, 8, 4}, {{-96, 48, 0}, 40, 60}}},
        {"one-sided wall facing -y, lower unpegged", "WALLB", {0, -1, 0}, 64, 40,
         {{{-96, 48, 128}, 0, 32}, {{0, 48, 0}, 32, 0}}},
        {"one-sided wall facing +y", "WALLA", {0, 1, 0}, 64, 72,
         {{{0, -48, 128}, 0, 0}, {{-96, -48, 0}, 32, 56}}},
        {"one-sided wall facing -y, east room", "WALLC", {0, -1, 0}, 64, 64,
         {{{0, 48, 96}, 0, 0}, {{32, 48, 64}, 32, 32}}},
        {"diagonal wall", "WALLC", {-h, -h, 0}, 64, 64,
         {{{64, 48, 96}, 0, 0}, {{80, 32, 64}, d / 2, 32}, {{96, 16, 32}, d, 0}}},
        {"one-sided wall facing -x", "WALLC", {-1, 0, 0}, 64, 64,
         {{{96, 16, 96}, 0, 0}, {{96, -16, 64}, 32, 32}}},
        {"floor, seen from above", "FLOOR4_8", {0, 0, 1}, 64, 64,
         {{{-80, 40, 0}, 48, 24}, {{-16, -8, 0}, 48, 8}, {{-60, -40, 0}, 4, 40}}},
        {"ceiling, seen from below", "CEIL3_5", {0, 0, -1}, 64, 64,
         {{{-80, 40, 128}, 48, 24}, {{-16, -8, 128}, 48, 8}}},
    };
    const std::vector<FaceCase> pegged = {
        {"lower: top edge at the step's top", "LOWTX", {-1, 0, 0}, 64, 40,
         {{{0, 48, 32}, 8, 4}, {{0, -48, 0}, 40, 36}}},
        {"upper: bottom edge on the lower ceiling", "UPTX", {-1, 0, 0}, 64, 56,
         {{{0, 48, 128}, 8, 28}, {{0, -48, 96}, 40, 4}}},
        {"two-sided middle: top edge at the lower ceiling", "MIDTX", {-1, 0, 0}, 64, 48,
         {{{-1, 48, 96}, 8, 4}, {{-1, 0, 64}, 56, 36}}},
        {"the middle seen from behind, from the line's end", "MIDTX", {1, 0, 0}, 64, 48,
         {{{0, -48, 96}, 8, 4}, {{0, 0, 64}, 56, 36}}},
    };
    const std::vector<FaceCase> unpegged = {
        {"lower: top edge at the near ceiling", "LOWTX", {-1, 0, 0}, 64, 40,
         {{{0, 48, 32}, 8, 20}, {{0, -48, 0}, 40, 12}}},
        {"upper: top edge at the near ceiling", "UPTX", {-1, 0, 0}, 64, 56,
         {{{0, 48, 128}, 8, 4}, {{0, -48, 96}, 40, 36}}},
        {"two-sided middle: bottom edge on the higher floor", "MIDTX", {-1, 0, 0}, 64, 48,
         {{{-1, 48, 96}, 8, 36}, {{-1, 0, 64}, 56, 20}}},
    };
    // clang-format on
    for (const auto& [flags, cases] : {std::pair{0, pegged}, std::pair{0x18, unpegged}}) {
        SCOPED_TRACE(flags ? "unpegged" : "pegged");
        std::vector<FaceCase> all = common;
        all.insert(all.end(), cases.begin(), cases.end());
        CheckFaces(ConvertRooms(flags), all);
    }
}

// Every brush of the bundled sample's level: the same sides, and each plane
// that of the three points of the default form.
TEST(BrushDef3, SamplePlanesAreThoseOfTheDefaultForm) {
    TempDir dir;
    WriteFileBytes("SAMPLE.WAD", ReadFileBytes(std::string(DATA_DIR) + "/SAMPLE.WAD"));
    WriteFileBytes("BRKT_OBJ.TXT", ReadFileBytes(std::string(DATA_DIR) + "/BRKT_OBJ.TXT"));
    ASSERT_EQ(RunProgram(PAVLUNT_PATH, {"SAMPLE.WAD"}).status, 0);
    ASSERT_EQ(RunProgram(BRAKT_PATH, {"SAMPLE.WAD", "map01", "-custom"}).status, 0);
    const RunResult run = RunProgram(BRAKT_PATH, {"SAMPLE.WAD", "map01", "-custom", "-BrushDef3"});
    ASSERT_EQ(run.status, 0) << run.output;
    const std::string classic = ReadFileText("MAP01.MAP");
    const std::string native = ReadFileText("map01.map");
    ASSERT_EQ(native.rfind("Version 2\r\n{\r\n", 0), 0u);

    // The same entities with the same key lines, in the same order.
    auto keys = [](const std::string& text) {
        std::string lines;
        for (const std::string& line : SplitCrLfLines(text))
            if (line == "{" || line == "}" || line.rfind(" \"", 0) == 0) lines += line + "\n";
        return lines;
    };
    EXPECT_EQ(keys(native), keys(classic));

    const std::vector<Brush> expected = ReadBrushes(classic);
    const std::vector<Brush> got = ReadBrushes(native);
    ASSERT_GT(expected.size(), 100u);
    ASSERT_EQ(got.size(), expected.size());
    for (size_t b = 0; b < got.size(); b++) {
        ASSERT_EQ(got[b].size(), expected[b].size()) << "brush " << b;
        for (size_t s = 0; s < got[b].size(); s++) {
            const Side& g = got[b][s];
            const Side& e = expected[b][s];
            for (int i = 0; i < 3; i++)
                EXPECT_NEAR(g.plane[i], e.plane[i], 1e-6) << "brush " << b << " side " << s;
            EXPECT_NEAR(g.plane[3], e.plane[3], 1e-3) << "brush " << b << " side " << s;
            EXPECT_EQ(g.material, "\"textures/" + e.material + "\"");
        }
    }
}

// TEXTURE1 and TEXTURE2 come from the user's WAD: a damaged lump keeps the
// sizes before the damage and is never read past its end.
TEST(BrushDef3, TextureSizesOfDamagedLumps) {
    const std::vector<uint8_t> good =
        TextureLump({{"WALLA", 64, 72}, {"walla", 32, 32}, {"FLAT", 0, 16}, {"WALLB", 128, 8}});
    auto with = [&](size_t at, int32_t value) {
        std::vector<uint8_t> bytes = good;
        SetS32(bytes, at, value);
        return bytes;
    };
    struct Case {
        const char* what;
        std::vector<uint8_t> lump;
        bool intact;
        std::vector<std::string> names;  // the names read, WALLA always 64 x 72
    };
    const std::vector<Case> cases = {
        {"whole: the first of two names counts, no size of 0", good, true, {"WALLA", "WALLB"}},
        {"empty", {}, true, {}},
        {"shorter than its count", {1, 0}, false, {}},
        {"a negative count", with(0, -1), false, {}},
        {"a count beyond the lump", with(0, 1000), false, {}},
        {"the last record past the end",
         with(16, static_cast<int32_t>(good.size()) - 21),
         false,
         {"WALLA"}},
        {"a negative offset", with(16, -4), false, {"WALLA"}},
        {"a cut lump", std::vector<uint8_t>(good.begin(), good.end() - 1), false, {"WALLA"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::unordered_map<std::string, std::pair<int32_t, int32_t>> sizes;
        EXPECT_EQ(DecodeTextureSizes(c.lump, sizes), c.intact);
        EXPECT_EQ(sizes.size(), c.names.size());
        for (const std::string& name : c.names) EXPECT_TRUE(sizes.count(name)) << name;
        if (sizes.count("WALLA")) {
            EXPECT_EQ(sizes["WALLA"], std::make_pair(64, 72));
        }
    }
}
