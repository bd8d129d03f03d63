// Saving the picture of one carved 3000 x 3000 maze: the bitmap beside PNG
// files of every zlib level, strategy and row filter considered, and the
// SVG and PDF files, all in one run; the counter `bytes` is the size of the file saved. The carving
// of the same maze is timed too, for the share of a whole run.
//   build/bench/picture_bench    (in a scratch folder: it saves bench.*)
#include <benchmark/benchmark.h>
#include <zlib.h>

#include <cstdio>
#include <string>

#include "maze/maze_generator.h"
#include "maze/maze_random.h"
#include "maze/maze_state.h"
#include "output/bitmap_file.h"
#include "output/pdf_file.h"
#include "output/png_file.h"
#include "output/svg_file.h"

static const int32_t SIDE = 3000;
static const uint32_t SEED = 1;

// Sets up and carves the maze of SIDE x SIDE cells, once for every benchmark.
static void carveOnce() {
    static bool carved = false;
    if (carved) return;
    maze.mazeWidth = maze.mazeHeight = SIDE;
    setUpMaze(SEED);
    carveMaze();
    carved = true;
}

static long fileBytes(const char *name) {
    FILE *file = fopen(name, "rb");
    if (!file) return -1;
    fseek(file, 0, SEEK_END);
    long size = ftell(file);
    fclose(file);
    return size;
}

static void carving(benchmark::State &state) {
    for (auto _ : state) {
        maze.mazeWidth = maze.mazeHeight = SIDE;
        setUpMaze(SEED);
        carveMaze();
        releaseMaze();
    }
}

static void bitmap(benchmark::State &state) {
    carveOnce();
    for (auto _ : state) saveBitmap("bench", PictureStyle());
    state.counters["bytes"] = (double)fileBytes("bench.bmp");
}

// The compressions measured: level, strategy, filter.
static const PngCompression COMPRESSIONS[] = {
    {1, Z_DEFAULT_STRATEGY, 2}, {3, Z_DEFAULT_STRATEGY, 2}, {6, Z_DEFAULT_STRATEGY, 2},
    {9, Z_DEFAULT_STRATEGY, 2}, {6, Z_FILTERED, 2},         {6, Z_RLE, 2},
    {1, Z_DEFAULT_STRATEGY, 0}, {3, Z_DEFAULT_STRATEGY, 0}, {6, Z_DEFAULT_STRATEGY, 0},
    {9, Z_DEFAULT_STRATEGY, 0}, {6, Z_FILTERED, 0},         {6, Z_RLE, 0},
    PNG_COMPRESSION,
};

static void png(benchmark::State &state) {
    carveOnce();
    const PngCompression &compression = COMPRESSIONS[state.range(0)];
    for (auto _ : state) writePng("bench", PictureStyle(), compression);
    state.counters["bytes"] = (double)fileBytes("bench.png");
    state.SetLabel("level " + std::to_string(compression.level) + ", strategy " +
                   std::to_string(compression.strategy) + ", filter " +
                   std::to_string(compression.filter));
}

static void svg(benchmark::State &state) {
    carveOnce();
    for (auto _ : state) saveSvg("bench", PictureStyle());
    state.counters["bytes"] = (double)fileBytes("bench.svg");
}

// A book of the one maze on the picture's own page.
static void pdf(benchmark::State &state) {
    carveOnce();
    for (auto _ : state) {
        if (beginPdf("bench", PictureStyle(), NO_PAPER, 1, false, u"") == RUN_OK) {
            RunStatus added = addPdfMaze();
            finishPdf(added == RUN_OK);
        }
    }
    state.counters["bytes"] = (double)fileBytes("bench.pdf");
}

BENCHMARK(carving)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(bitmap)->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(png)->DenseRange(0, 12)->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(svg)->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(pdf)->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
