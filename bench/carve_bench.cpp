// Carving speed on square grids, beside a plain union-find Kruskal over
// shuffled walls on the same grids as a yardstick.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdlib>
#include <vector>

#include "bench/carve_timing.h"
#include "maze/maze_generator.h"

// The default carving of a side x side maze, the set-up and the release
// not timed.
static void carveSquare(benchmark::State &state) {
    timeCarving(state, ALGORITHM_KRUSKAL, (int32_t)state.range(0));
}

// Root of `cell` in `parent`, halving the path on the way.
static uint32_t findRoot(std::vector<uint32_t> &parent, uint32_t cell) {
    while (parent[cell] != cell) {
        parent[cell] = parent[parent[cell]];
        cell = parent[cell];
    }
    return cell;
}

static void plainKruskalSquare(benchmark::State &state) {
    uint32_t side = (uint32_t)state.range(0);
    uint32_t cells = side * side, east = (side - 1) * side, walls = 2 * east;
    for (auto _ : state) {
        std::vector<uint32_t> order(walls), parent(cells), size(cells, 1);
        std::vector<int32_t> flags(walls, 1);
        for (uint32_t i = 0; i < walls; i++) order[i] = i;
        for (uint32_t i = 0; i < cells; i++) parent[i] = i;
        uint64_t x = 88172645463325252ull;  // xorshift64 for the shuffle
        for (uint32_t i = walls - 1; i > 0; i--) {
            x ^= x << 13; x ^= x >> 7; x ^= x << 17;
            std::swap(order[i], order[x % (i + 1)]);
        }
        for (uint32_t wall : order) {
            uint32_t a = wall < east ? wall / (side - 1) * side + wall % (side - 1) : wall - east;
            uint32_t b = wall < east ? a + 1 : a + side;
            uint32_t ra = findRoot(parent, a), rb = findRoot(parent, b);
            if (ra == rb) continue;
            if (size[ra] < size[rb]) std::swap(ra, rb);
            parent[rb] = ra;
            size[ra] += size[rb];
            flags[wall] = 0;
        }
        benchmark::DoNotOptimize(flags.data());
    }
    state.counters["cells"] = (double)cells;
}

BENCHMARK(carveSquare)->Arg(100)->Arg(1000)->Arg(2000)->Arg(4000)->Unit(benchmark::kMillisecond);
BENCHMARK(plainKruskalSquare)->Arg(100)->Arg(1000)->Arg(2000)->Arg(4000)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
