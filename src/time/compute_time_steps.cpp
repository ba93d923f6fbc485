// Local time steps: 0.3183 x dual area over the summed convective spectral radii of a node's
// faces, spread linearly between 5 and 40 times the base step and capped.
#include <cmath>

#include "base/physics.h"
#include "time/time_kernels.h"
#include "time/time.h"

namespace kestrafol {

namespace {

// A node that belongs to no edge has no faces and no control volume.
bool isIsolated(const SolverState& state, std::size_t i) {
    return state.adjacencyStart[i] == state.adjacencyStart[i + 1];
}

// (|V.n| + c) L of a state near one end of a boundary edge.
double boundaryRadius(const double* w, double unitNx, double unitNy, double length, double gamma) {
    const double u = w[1] / w[0];
    const double v = w[2] / w[0];
    double p = pressureFromVelocity(w[0], u, v, w[3], gamma);
    if (p < pressureFloor) p = pressureFloor;
    const double c = std::sqrt(gamma * p / w[0]);
    return (std::fabs(u * unitNx + v * unitNy) + c) * length;
}

// Switched evolution relaxation: the Courant number is the start value times the peak residual
// norm over the last one, growing at most twofold per call and capped. On trouble (the last
// update put a node on a floor, or the residual is not finite) it falls back to the start value
// and the peak restarts from the current norm.
double advanceCourant(SolverState& state, const MethodOptions& options) {
    SolverState::MethodMemory& m = state.method;
    const double r = m.residualNorm;
    const bool trouble = state.floorHits != m.floorHitsSeen || !std::isfinite(r);
    m.floorHitsSeen = state.floorHits;
    if (m.courant == 0.0 || trouble) {
        m.courant = options.courantStart;
        m.residualPeak = std::isfinite(r) ? r : 0.0;
        return m.courant;
    }
    if (r > m.residualPeak) m.residualPeak = r;
    if (r > 0.0) {
        double next = options.courantStart * (m.residualPeak / r);
        if (next > 2.0 * m.courant) next = 2.0 * m.courant;
        if (next > options.courantMax) next = options.courantMax;
        m.courant = next;
    }
    return m.courant;
}

}  // namespace

void computeTimeSteps(SolverState& state, const SolverSettings& settings) {
    const double gamma = settings.gamma;
    const std::size_t n = static_cast<std::size_t>(state.nodeCount);
    double* lambda = state.timeStep.data();  // accumulates the spectral radii first

    for (std::size_t i = 0; i < n; ++i) lambda[i] = 0.0;

    // Interior dual faces, one per edge.
    // The vector path adds the same radii in the same order; the scalar loop then has no edges.
    const bool vectorPath = kernelPath() == KernelPath::Avx2;
    if (vectorPath) addInteriorRadiiAvx2(state, gamma, lambda);
    const int scalarEdges = vectorPath ? 0 : state.edgeCount;
    for (int k = 0; k < scalarEdges; ++k) {
        const std::size_t a =
            static_cast<std::size_t>(state.edges[2 * static_cast<std::size_t>(k)]);
        const std::size_t b =
            static_cast<std::size_t>(state.edges[2 * static_cast<std::size_t>(k) + 1]);
        const double* qa = &state.state[4 * a];
        const double* qb = &state.state[4 * b];
        const double sa = std::sqrt(qa[0]);
        const double sb = std::sqrt(qb[0]);
        const double ua = qa[1] / qa[0];
        const double va = qa[2] / qa[0];
        const double ub = qb[1] / qb[0];
        const double vb = qb[2] / qb[0];
        const double u = (sa * ua + sb * ub) / (sa + sb);
        const double v = (sa * va + sb * vb) / (sa + sb);
        const double energy = (sa * qa[3] + sb * qb[3]) / (sa + sb);
        const double rho = sa * sb;
        double p = pressureFromVelocity(rho, u, v, energy, gamma);
        if (p < pressureFloor) p = pressureFloor;
        const double nx = state.faceNormals[2 * static_cast<std::size_t>(k)];
        const double ny = state.faceNormals[2 * static_cast<std::size_t>(k) + 1];
        const double length = std::sqrt(nx * nx + ny * ny);
        const double vn = u * (nx / length) + v * (ny / length);
        const double c = std::sqrt(gamma * p / rho);
        const double radius = (c + std::fabs(vn)) * length;
        lambda[a] += radius;
        lambda[b] += radius;
    }

    // Boundary faces: full edge length, states a quarter of the way in from each end.
    for (int e = 0; e < state.boundaryEdgeCount; ++e) {
        const std::size_t pNode =
            static_cast<std::size_t>(state.boundaryEdges[3 * static_cast<std::size_t>(e)]);
        const std::size_t qNode =
            static_cast<std::size_t>(state.boundaryEdges[3 * static_cast<std::size_t>(e) + 1]);
        const double* up = &state.state[4 * pNode];
        const double* uq = &state.state[4 * qNode];
        Vec4 wp{};
        Vec4 wq{};
        for (int c = 0; c < 4; ++c) {
            wp[c] = 0.25 * (3.0 * up[c] + uq[c]);
            wq[c] = 0.25 * (3.0 * uq[c] + up[c]);
        }
        const double xp = state.coords[2 * pNode];
        const double yp = state.coords[2 * pNode + 1];
        const double xq = state.coords[2 * qNode];
        const double yq = state.coords[2 * qNode + 1];
        const double length = std::sqrt((xp - xq) * (xp - xq) + (yq - yp) * (yq - yp));
        const double unitNx = (yq - yp) / length;
        const double unitNy = (xp - xq) / length;
        lambda[pNode] += boundaryRadius(wp.data(), unitNx, unitNy, length, gamma);
        lambda[qNode] += boundaryRadius(wq.data(), unitNx, unitNy, length, gamma);
    }

    if (settings.method.stepControl == 1 && settings.timeMode == 0) {
        const double courant = advanceCourant(state, settings.method);
        for (std::size_t i = 0; i < n; ++i)
            state.timeStep[i] = isIsolated(state, i) ? 1.0 : courant * state.dualArea[i] / lambda[i];
        return;
    }

    // Base steps and their extremes. Nodes outside every edge take no part.
    double minStep = 1.0e6;
    double maxStep = 0.0;
    for (std::size_t i = 0; i < n; ++i) {
        if (isIsolated(state, i)) continue;
        const double step = state.dualArea[i] * 0.3183 / lambda[i];
        state.timeStep[i] = step;
        if (step < minStep) minStep = step;
        if (step > maxStep) maxStep = step;
    }

    // Spread between 5x and 40x, then cap.
    const double range = maxStep - minStep;
    const double cap = (settings.timeMode == 0 ? 20.0 : 10.0) * maxStep;
    for (std::size_t i = 0; i < n; ++i) {
        if (isIsolated(state, i)) {
            // No control volume, so its time terms vanish; any finite positive step will do.
            state.timeStep[i] = 1.0;
            continue;
        }
        double step = state.timeStep[i];
        if (range == 0.0) {
            // All base steps equal: each one is the smallest, so each gets factor 5.
            step = step * 5.0;
        } else {
            step = step * (((step - minStep) / range) * 35.0 + 5.0);
        }
        if (cap < step) step = cap;
        state.timeStep[i] = step;
    }
}

}  // namespace kestrafol
