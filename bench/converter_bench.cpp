// Micro-benchmarks of the map converter's inner loops on the largest level of
// freedoom2.wad (MAP12), or on a generated grid of rooms when it is absent:
// splitter choice, partition trees, convex pieces, side planes and walls.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "converter/driver/driver.h"
#include "converter/geometry/geometry.h"
#include "converter/level/level.h"
#include "converter/surfaces/surfaces.h"

namespace {

const char* const kFreedoom2 = "/usr/share/games/doom/freedoom2.wad";

// One convex piece as EmitPieces leaves it: its polygon and its clip lines.
struct Piece {
    std::vector<SectorEdge> edges;
    std::vector<SectorEdge> clip;
};

struct BenchLevel {
    bool ready = false;
    std::string error;
    int sector = -1;                  // the sector with the longest outline
    std::vector<SectorEdge> outline;  // its outline
    std::vector<Piece> pieces;        // every convex piece of that sector
};

void CollectLeaves(const PartitionNode& node, std::vector<const PartitionNode*>& leaves) {
    if (node.leaf) {
        leaves.push_back(&node);
        return;
    }
    if (node.front) CollectLeaves(*node.front, leaves);
    if (node.back) CollectLeaves(*node.back, leaves);
}

// Loads the level once, with the map text going to /dev/null.
const BenchLevel& Level() {
    static BenchLevel bench = [] {
        BenchLevel b;
        if (access(kFreedoom2, R_OK) != 0) {
            b.error = std::string(kFreedoom2) + " is not installed";
            return b;
        }
        char folder[] = "/tmp/brakt-bench-XXXXXX";
        if (!mkdtemp(folder) || chdir(folder) != 0) {
            b.error = "no scratch folder";
            return b;
        }
        // A texture file of a header only: every texture counts as 256 x 512.
        FILE* tex = fopen("CUSTOM.TEX", "wb");
        const unsigned char header[12] = {'W', 'A', 'D', '2', 0, 0, 0, 0, 12, 0, 0, 0};
        fwrite(header, 1, sizeof header, tex);
        fclose(tex);

        ResetConverterState();
        convert_options.option_flags = kOptNoMove;  // movers keep state between pieces
        OpenWad(kFreedoom2, kFreedoom2);
        LoadLevel("MAP12");
        CreateMapFile("BENCH.MAP");
        OpenTextureCatalog("CUSTOM.TEX");
        BeginWorldspawn();
        fclose(map_writer.map_file);
        fclose(map_writer.entity_file);
        map_writer.map_file = fopen("/dev/null", "wb");
        map_writer.entity_file = fopen("/dev/null", "wb");
        ComputeBounds();
        NormalizeLevel();
        BuildTrigTables();

        IndexSectorLines();
        for (int s = 0; s < level.num_sectors; s++) {
            level.current_sector = s;
            CollectSectorEdges();
            if (level.edge_count > static_cast<int>(b.outline.size())) {
                b.sector = s;
                b.outline.assign(level.edge_list.begin(),
                                 level.edge_list.begin() + level.edge_count);
            }
        }
        level.current_sector = b.sector;
        CollectSectorEdges();
        level.clip_line_count = 0;
        auto tree = BuildPartitionTree(b.outline.data(), static_cast<int>(b.outline.size()));
        std::vector<const PartitionNode*> leaves;
        CollectLeaves(*tree, leaves);
        for (const PartitionNode* leaf : leaves) {
            level.clip_lines = leaf->clip;
            level.clip_line_count = static_cast<int32_t>(leaf->clip.size());
            BuildConvexPiece();
            b.pieces.push_back({std::vector<SectorEdge>(level.edge_list.begin(),
                                                        level.edge_list.begin() + level.edge_count),
                                leaf->clip});
        }
        b.ready = true;
        return b;
    }();
    return bench;
}

bool Ready(benchmark::State& state) {
    if (!Level().ready) state.SkipWithError(Level().error.c_str());
    return Level().ready;
}

void BM_ChooseSplitter(benchmark::State& state) {
    if (!Ready(state)) return;
    const auto& outline = Level().outline;
    for (auto _ : state)
        benchmark::DoNotOptimize(ChooseSplitter(outline.data(), static_cast<int>(outline.size())));
    state.counters["edges"] = static_cast<double>(outline.size());
}
BENCHMARK(BM_ChooseSplitter);

void BM_PartitionTree(benchmark::State& state) {
    if (!Ready(state)) return;
    const auto& outline = Level().outline;
    for (auto _ : state) {
        level.clip_line_count = 0;
        auto tree = BuildPartitionTree(outline.data(), static_cast<int>(outline.size()));
        benchmark::DoNotOptimize(tree.get());
    }
}
BENCHMARK(BM_PartitionTree);

void BM_ConvexPieces(benchmark::State& state) {
    if (!Ready(state)) return;
    const auto& pieces = Level().pieces;
    for (auto _ : state) {
        for (const Piece& piece : pieces) {
            level.clip_lines = piece.clip;
            level.clip_line_count = static_cast<int32_t>(piece.clip.size());
            BuildConvexPiece();
        }
    }
    state.counters["pieces"] = static_cast<double>(pieces.size());
}
BENCHMARK(BM_ConvexPieces);

void BM_SidePlanes(benchmark::State& state) {
    if (!Ready(state)) return;
    const auto& pieces = Level().pieces;
    const std::string material = "FLOOR4_8";
    for (auto _ : state) {
        for (const Piece& piece : pieces) {
            level.clip_lines = piece.clip;
            level.clip_line_count = static_cast<int32_t>(piece.clip.size());
            level.edge_list = piece.edges;
            level.edge_count = static_cast<int32_t>(piece.edges.size());
            WritePieceSides(material, 0);
            WritePieceSides(material, 1);
        }
    }
}
BENCHMARK(BM_SidePlanes);

void BM_PlaneLine(benchmark::State& state) {
    if (!Ready(state)) return;
    const std::string material = "STARTAN3";
    int32_t x = 0;
    for (auto _ : state) {
        WriteBrush(x, 10, 1024, x + 64, 10, 1024, x, 0, 1024, material, 16, 72, -1.0f);
        x = (x + 7) & 0xFFFF;
    }
}
BENCHMARK(BM_PlaneLine);

// Every one-sided wall of the level: neighbour search and brush text.
void BM_WallBrushes(benchmark::State& state) {
    if (!Ready(state)) return;
    // The phase prints three lines per call; they go to /dev/null meanwhile.
    for (auto _ : state) {
        fflush(stdout);
        FILE* saved = stdout;
        stdout = fopen("/dev/null", "w");
        BuildWallBrushes();
        fclose(stdout);
        stdout = saved;
    }
    state.counters["lines"] = level.num_linedefs;
}
BENCHMARK(BM_WallBrushes);

}  // namespace
