// Micro-benchmarks of the texture extractor's inner loops: the nearest-colour
// search (fresh and cached), MIP making and patch drawing, with the palette of
// freedoom2.wad when it is installed and a stand-in ramp otherwise.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <vector>

#include "extractor/extractor.h"

namespace {

const char* const kFreedoom2 = "/usr/share/games/doom/freedoom2.wad";

// The first PLAYPAL palette of freedoom2.wad, or a grey and colour ramp.
const std::vector<uint8_t>& Palette() {
    static std::vector<uint8_t> palette = [] {
        std::vector<uint8_t> rgb;
        if (access(kFreedoom2, R_OK) == 0) {
            FILE* out = stdout;
            stdout = fopen("/dev/null", "w");
            OpenSourceWad(kFreedoom2);
            const int index = FindLumpIndex("PLAYPAL", 8);
            if (index >= 0) rgb = ReadLump(index, 768);
            CloseSourceWad();
            fclose(stdout);
            stdout = out;
        }
        if (rgb.size() < 768) {
            rgb.resize(768);
            for (int i = 0; i < 256; i++) {
                rgb[3 * i] = static_cast<uint8_t>(i);
                rgb[3 * i + 1] = static_cast<uint8_t>((i * 7) & 0xFF);
                rgb[3 * i + 2] = static_cast<uint8_t>(255 - i);
            }
        }
        return rgb;
    }();
    return palette;
}

// The settings of a plain run: averaged colours darkened by 0.8.
void PlainRun() {
    ResetExtractorState();
    extractor_settings.dark_factor = 0.8f;
}

// 65536 different colours spread over the RGB cube.
uint32_t Colour(uint32_t i) {
    return (i * 2654435761u) & 0xFFFFFF;
}

// Each colour searched once: what a new colour costs. The palette is set anew
// per batch, which also forgets the cache.
void BM_NearestColourSearch(benchmark::State& state) {
    PlainRun();
    for (auto _ : state) {
        SetSourcePalette(Palette().data());
        for (uint32_t i = 0; i < 65536; i++) {
            const uint32_t c = Colour(i);
            benchmark::DoNotOptimize(FindNearestColor(c >> 16, (c >> 8) & 0xFF, c & 0xFF));
        }
    }
    state.SetItemsProcessed(state.iterations() * 65536);
}
BENCHMARK(BM_NearestColourSearch)->Unit(benchmark::kMillisecond);

// The same colours again: the cost of a cache hit.
void BM_NearestColourCached(benchmark::State& state) {
    PlainRun();
    SetSourcePalette(Palette().data());
    for (uint32_t i = 0; i < 65536; i++) {
        const uint32_t c = Colour(i);
        FindNearestColor(c >> 16, (c >> 8) & 0xFF, c & 0xFF);
    }
    for (auto _ : state) {
        for (uint32_t i = 0; i < 65536; i++) {
            const uint32_t c = Colour(i);
            benchmark::DoNotOptimize(FindNearestColor(c >> 16, (c >> 8) & 0xFF, c & 0xFF));
        }
    }
    state.SetItemsProcessed(state.iterations() * 65536);
}
BENCHMARK(BM_NearestColourCached)->Unit(benchmark::kMillisecond);

// One texture of the given size through the MIP writer (averaged levels),
// written to /dev/null; the colour cache is warm after the first round.
void BM_MipTexture(benchmark::State& state) {
    PlainRun();
    SetSourcePalette(Palette().data());
    const int width = static_cast<int>(state.range(0));
    const int height = static_cast<int>(state.range(1));
    canvas.width = width;
    canvas.height = height;
    canvas.texels.resize(static_cast<size_t>(width) * height);
    for (size_t i = 0; i < canvas.texels.size(); i++)
        canvas.texels[i] = static_cast<uint8_t>((i * 37 + i / width * 11) % 255);
    tex_writer.tex_file = fopen("/dev/null", "wb");
    tex_writer.directory_file = fopen("/dev/null", "wb");
    for (auto _ : state) WriteMipTexture("BENCH", width, height);
    state.SetBytesProcessed(state.iterations() * width * height);
    ResetTexFileWriter();
}
BENCHMARK(BM_MipTexture)->Args({64, 64})->Args({256, 128})->Args({200, 120});

// Drawing one patch column by column into a 256 x 128 canvas.
void BM_DrawPatch(benchmark::State& state) {
    const int width = 64;
    const int height = 128;
    // A picture of 64 columns, each one post of 128 texels.
    std::vector<uint8_t> picture(8 + 4 * width);
    picture[0] = width;
    picture[2] = height;
    for (int x = 0; x < width; x++) {
        const size_t column = picture.size();
        picture[8 + 4 * x] = static_cast<uint8_t>(column & 0xFF);
        picture[8 + 4 * x + 1] = static_cast<uint8_t>(column >> 8);
        picture.insert(picture.end(), {0, static_cast<uint8_t>(height), 0});
        for (int y = 0; y < height; y++) picture.push_back(static_cast<uint8_t>(x + y));
        picture.insert(picture.end(), {0, 0xFF});
    }
    canvas.width = 256;
    canvas.height = 128;
    canvas.texels.assign(256 * 128, 0);
    for (auto _ : state)
        for (int x = 0; x < 256; x += width)
            DrawPatch(canvas.texels.data(), x, 0, picture, 256, 128);
}
BENCHMARK(BM_DrawPatch);

}  // namespace
