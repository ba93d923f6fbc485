// Time derivative of one residual pass: pseudo-time diagonal (steady) or second-order
// backward difference (unsteady). Also fixes the pass count of the mode.
#include "time/time.h"

namespace kestrafol {

void addTimeTerms(SolverState& state, SolverSettings& settings) {
    if (settings.timeMode == 0) settings.passesPerCall = 1;
    if (settings.timeMode == 1) settings.passesPerCall = 2;

    const std::size_t n = static_cast<std::size_t>(state.nodeCount);
    if (settings.timeMode == 0) {
        for (std::size_t i = 0; i < n; ++i) {
            double* block = &state.diagBlocks[16 * i];
            for (int k = 0; k < 4; ++k) block[5 * k] += state.dualArea[i] / state.timeStep[i];
        }
    } else if (settings.timeMode == 1) {
        for (std::size_t i = 0; i < n; ++i) {
            const double area = state.dualArea[i];
            const double step = state.timeStep[i];
            const double* now = &state.state[4 * i];
            const double* prev = &state.statePrev[4 * i];
            const double* prev2 = &state.statePrev2[4 * i];
            double* residual = &state.residual[4 * i];
            double* block = &state.diagBlocks[16 * i];
            for (int k = 0; k < 4; ++k) {
                residual[k] += ((3.0 * now[k] - 4.0 * prev[k]) + prev2[k]) * area / (step * 2.0);
                block[5 * k] += area * 1.5 / step;
            }
        }
    }
}

}  // namespace kestrafol
