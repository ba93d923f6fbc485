#include <algorithm>
#include <cmath>
#include <cstddef>

#include "base/physics.h"
#include "solver/setup.h"

namespace kestrafol {

// Uniform free stream at all three time levels: density 1, pressure 1/gamma, speed mach at
// angle alpha, so that the free-stream speed of sound is 1.
void initFreeStream(SolverState& state, const SolverSettings& settings) {
    const std::size_t n = static_cast<std::size_t>(std::max(state.nodeCount, 0));
    state.state.assign(4 * n, 0.0);
    state.statePrev.assign(4 * n, 0.0);
    state.statePrev2.assign(4 * n, 0.0);
    state.pressure.assign(n, 0.0);

    const Vec4 freeStream = freeStreamState(settings);

    for (std::size_t i = 0; i < n; ++i) {
        double* u = state.state.data() + 4 * i;
        for (std::size_t c = 0; c < 4; ++c) u[c] = freeStream[c];
        state.pressure[i] = 1 / settings.gamma;
        for (std::size_t c = 0; c < 4; ++c) {
            state.statePrev[4 * i + c] = u[c];
            state.statePrev2[4 * i + c] = u[c];
        }
    }
}

}  // namespace kestrafol
