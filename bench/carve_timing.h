// The timed loop that the carving benchmarks share: a maze set up, carved
// and released in each iteration, with only the carving timed.
#ifndef BENCH_CARVE_TIMING_H
#define BENCH_CARVE_TIMING_H

#include <benchmark/benchmark.h>

#include <cstdint>

#include "maze/maze_generator.h"
#include "maze/maze_random.h"
#include "maze/maze_state.h"

// Carves one side x side maze with `algorithm` in each iteration of
// `state`, the generator seeded alike each time; the set-up and the
// release are not timed. Reports the cells of a maze; a set-up that fails
// ends the benchmark with an error.
inline void timeCarving(benchmark::State &state, AlgorithmId algorithm, int32_t side) {
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

#endif
