// The carving algorithms, chosen by name.
#include "maze/maze_generator.h"

#include "maze/carve_kruskal.h"

RunStatus carveMaze() {
    return carveKruskal();
}
