// Carving time of every algorithm, the default's among them, on square
// grids of 1000 and 3000 cells a side: build/bench/algorithm_bench. The
// peak memory of whole runs is tools/bench_algorithms's.
#include <benchmark/benchmark.h>

#include <cstdint>

#include "maze/maze_generator.h"
#include "maze/maze_random.h"
#include "maze/maze_state.h"

// Carves one side x side maze per iteration with the algorithm of the
// first argument; the set-up and the release are not timed.
static void carveWith(benchmark::State &state) {
    AlgorithmId algorithm = (AlgorithmId)state.range(0);
    int32_t side = (int32_t)state.range(1);
    state.SetLabel(algorithmName(algorithm));
    for (auto _ : state) {
        state.PauseTiming();
        maze.algorithm = algorithm;
        maze.mazeWidth = side;
        maze.mazeHeight = side;
        if (setUpMaze(1) != RUN_OK) {
            state.SkipWithError("set-up failed");
            return;
        }
        seedRandom(12345);
        state.ResumeTiming();
        carveMaze();
        state.PauseTiming();
        releaseMaze();
        state.ResumeTiming();
    }
    state.counters["cells"] = (double)side * side;
}

// Every algorithm at each side, the algorithms in turn at one side before
// the next side, so that a noisy moment of the machine falls on several.
static void everyAlgorithm(benchmark::internal::Benchmark *benchmark) {
    for (int64_t side : {1000, 3000})
        for (int64_t algorithm = 0; algorithm < ALGORITHM_COUNT; algorithm++) benchmark->Args({algorithm, side});
}

BENCHMARK(carveWith)->Apply(everyAlgorithm)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
