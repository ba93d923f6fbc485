// Implicit update of one pass: inverts the diagonal blocks, relaxes the block system with
// forward Gauss-Seidel sweeps, adds the increment and applies the pressure and density floors.
#include <cmath>

#include "time/time.h"

namespace kestrafol {

namespace {

// A node outside every edge has no equations: it keeps its state and a zero increment.
bool isIsolated(const SolverState& state, std::size_t i) {
    return state.adjacencyStart[i] == state.adjacencyStart[i + 1];
}

}  // namespace

void implicitSolve(SolverState& state, const SolverSettings& settings) {
    const double gamma = settings.gamma;
    const std::size_t n = static_cast<std::size_t>(state.nodeCount);

    // Invert every diagonal block column by column.
    for (std::size_t i = 0; i < n; ++i) {
        if (isIsolated(state, i)) continue;
        double* block = &state.diagBlocks[16 * i];
        Block4 inverse{};
        for (int c = 0; c < 4; ++c) {
            Block4 scratch{};
            for (int m = 0; m < 16; ++m) scratch[m] = block[m];
            Vec4 e{0.0, 0.0, 0.0, 0.0};
            e[c] = 1.0;
            solveBlock4(scratch, e.data());
            for (int r = 0; r < 4; ++r) inverse[4 * r + c] = e[r];
        }
        for (int m = 0; m < 16; ++m) block[m] = inverse[m];
    }

    // Forward block Gauss-Seidel, starting from the previous increment.
    double* w = state.rhsWork.data();
    double ratio = 1.0;
    double reference = 0.0;
    int sweeps = 0;
    while (ratio > 1.0e-4) {
        double measure = 0.0;
        for (std::size_t i = 0; i < n; ++i) {
            if (isIsolated(state, i)) continue;
            const double* residual = &state.residual[4 * i];
            for (int r = 0; r < 4; ++r) w[r] = -residual[r];
            const int slotEnd = state.adjacencyStart[i + 1];
            for (int o = state.adjacencyStart[i]; o < slotEnd; ++o) {
                const std::size_t slot = static_cast<std::size_t>(o);
                const double* block = &state.offDiagBlocks[16 * slot];
                const double* neighbourDelta =
                    &state.delta[4 * static_cast<std::size_t>(state.slotNeighbour[slot])];
                for (int r = 0; r < 4; ++r)
                    for (int c = 0; c < 4; ++c) w[r] -= block[4 * r + c] * neighbourDelta[c];
            }
            Block4 inverse{};
            for (int m = 0; m < 16; ++m) inverse[m] = state.diagBlocks[16 * i + m];
            multiplyBlock4(inverse, w);
            double* d = &state.delta[4 * i];
            measure += std::fabs(d[0] - w[0]) + std::fabs(d[1] - w[1]) + std::fabs(d[2] - w[2]) +
                       std::fabs(d[3] - w[3]);
            for (int r = 0; r < 4; ++r) d[r] = w[r];
        }
        if (sweeps == 0) reference = measure;
        ratio = measure / reference;
        if (measure < 1.0e-8) ratio = 1.0e-8;
        sweeps = sweeps + 1;
        if (sweeps == 20) break;
    }

    for (std::size_t k = 0; k < 4 * n; ++k) state.state[k] += state.delta[k];

    // Nodal pressure, then the floors, both from the values just updated.
    for (std::size_t i = 0; i < n; ++i) {
        double* q = &state.state[4 * i];
        const double rho = q[0];
        const double mx = q[1];
        const double my = q[2];
        const double energy = q[3];
        const double kinetic = (my * my + mx * mx) * 0.5 / rho;
        double p = (energy - kinetic) * (gamma - 1.0);
        if (p < pressureFloor) {
            p = pressureFloor;
            q[3] = kinetic + pressureFloor / (gamma - 1.0);
        }
        if (rho < densityFloor) {
            q[1] = mx * densityFloor / rho;
            q[2] = my * densityFloor / rho;
            q[3] = energy * densityFloor / rho;
            q[0] = densityFloor;
        }
        state.pressure[i] = p;
    }
}

}  // namespace kestrafol
