// Carving time of every algorithm, the default's among them, on square
// grids of 1000 and 3000 cells a side: build/bench/algorithm_bench. The
// peak memory of whole runs is tools/bench_algorithms's.
#include <benchmark/benchmark.h>

#include <cstdint>

#include "bench/carve_timing.h"
#include "maze/maze_generator.h"

// Carves one side x side maze per iteration with the algorithm of the
// first argument; the set-up and the release are not timed.
static void carveWith(benchmark::State &state) {
    AlgorithmId algorithm = (AlgorithmId)state.range(0);
    state.SetLabel(algorithmName(algorithm));
    timeCarving(state, algorithm, (int32_t)state.range(1));
}

// Every algorithm at each side, the algorithms in turn at one side before
// the next side, so that a noisy moment of the machine falls on several.
static void everyAlgorithm(benchmark::internal::Benchmark *benchmark) {
    for (int64_t side : {1000, 3000})
        for (int64_t algorithm = 0; algorithm < ALGORITHM_COUNT; algorithm++) benchmark->Args({algorithm, side});
}

BENCHMARK(carveWith)->Apply(everyAlgorithm)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
