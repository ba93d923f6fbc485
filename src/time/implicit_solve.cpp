// Implicit update of one pass: inverts the diagonal blocks, relaxes the block system with
// forward (or, as a method option, forward-and-backward) Gauss-Seidel sweeps, adds the
// increment and applies the pressure and density floors.
#include "time/time.h"

namespace kestrafol {

void implicitSolve(SolverState& state, const SolverSettings& settings) {
    invertDiagonalBlocks(state);

    // Forward block Gauss-Seidel, starting from the previous increment: at least one sweep,
    // at most 20 (or the method options' maxSweeps), until a sweep changes the increment by at most 1e-4 of the first sweep's
    // change or by less than 1e-8 in all.
    double ratio = 1.0;
    double reference = 0.0;
    int sweeps = 0;
    while (ratio > 1.0e-4) {
        double measure = gaussSeidelSweep(state);
        // A symmetric sweep: the backward half counts with the forward one.
        if (settings.method.symmetricSweeps == 1) measure += gaussSeidelSweepBackward(state);
        if (sweeps == 0) reference = measure;
        ratio = measure / reference;
        if (measure < 1.0e-8) ratio = 1.0e-8;
        sweeps = sweeps + 1;
        if (sweeps == settings.method.maxSweeps) break;
    }
    state.sweepCount += sweeps;

    updateState(state, settings);
}

}  // namespace kestrafol
