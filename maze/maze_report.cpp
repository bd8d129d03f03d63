// Counting the figures: one pass over the cells for their open sides, one
// walk along the way for its turns.
#include "maze/maze_report.h"

#include "maze/maze_grid.h"
#include "maze/maze_solver.h"
#include "maze/maze_state.h"

MazeFigures measureMaze() {
    MazeFigures figures;
    for (uint32_t cell = 0; cell < maze.cellCount; cell++) {
        int open = openSideCount(cell);
        figures.deadEnds += open == 1;
        figures.junctions += open >= 3;
    }
    // The way finder counted the way's cells as it marked them.
    figures.wayLength = maze.wayLength;
    // A turn is a cell whose step in differs from its step out: a step is
    // the difference of two cells' indexes, which tells its side.
    int64_t stepIn = 0;
    for (uint32_t cell = 0, previous = NO_CELL;;) {
        uint32_t next = nextOnWay(cell, previous);
        if (next == NO_CELL) break;
        int64_t stepOut = (int64_t)next - (int64_t)cell;
        figures.wayTurns += stepIn != 0 && stepOut != stepIn;
        stepIn = stepOut;
        previous = cell;
        cell = next;
    }
    return figures;
}

uint32_t tenthsOfPercent(uint64_t part, uint64_t whole) {
    return (uint32_t)((part * 1000 + whole / 2) / whole);
}
