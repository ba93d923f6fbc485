#include <algorithm>
#include <cmath>
#include <cstddef>

#include "mesh/mesh.h"

namespace kestrafol {

// Median-dual control-volume areas: a third of each triangle goes to each corner; each corner
// of a quadrilateral gets a quarter of the cross product of the two sides meeting there.
// Also stores the triangle centroids and the quadrilateral vertex means.
void computeDualAreas(SolverState& state) {
    const int n = std::max(state.nodeCount, 0);
    const int t = std::max(state.triangleCount, 0);
    const int q = std::max(state.quadCount, 0);
    state.dualArea.assign(static_cast<std::size_t>(n), 0.0);
    state.triangleCentroids.assign(2 * static_cast<std::size_t>(t), 0.0);
    state.quadCentroids.assign(2 * static_cast<std::size_t>(q), 0.0);

    const double* xy = state.coords.data();
    double* area = state.dualArea.data();

    for (int e = 0; e < t; ++e) {
        const int n1 = state.triangles[3 * e] - 1;
        const int n2 = state.triangles[3 * e + 1] - 1;
        const int n3 = state.triangles[3 * e + 2] - 1;
        const double x1 = xy[2 * n1], y1 = xy[2 * n1 + 1];
        const double x2 = xy[2 * n2], y2 = xy[2 * n2 + 1];
        const double x3 = xy[2 * n3], y3 = xy[2 * n3 + 1];
        double a = ((y3 - y1) * (x2 - x1) - (y2 - y1) * (x3 - x1)) * 0.5;
        if (a < 0) a = -a;
        area[n1] += a / 3;
        area[n2] += a / 3;
        area[n3] += a / 3;
        state.triangleCentroids[2 * e] = (x1 + x2 + x3) / 3;
        state.triangleCentroids[2 * e + 1] = (y1 + y2 + y3) / 3;
    }

    for (int e = 0; e < q; ++e) {
        const int n1 = state.quads[4 * e] - 1;
        const int n2 = state.quads[4 * e + 1] - 1;
        const int n3 = state.quads[4 * e + 2] - 1;
        const int n4 = state.quads[4 * e + 3] - 1;
        const double x1 = xy[2 * n1], y1 = xy[2 * n1 + 1];
        const double x2 = xy[2 * n2], y2 = xy[2 * n2 + 1];
        const double x3 = xy[2 * n3], y3 = xy[2 * n3 + 1];
        const double x4 = xy[2 * n4], y4 = xy[2 * n4 + 1];
        area[n1] += 0.25 * std::abs((x2 - x1) * (y4 - y1) - (y2 - y1) * (x4 - x1));
        area[n2] += 0.25 * std::abs((x1 - x2) * (y3 - y2) - (y1 - y2) * (x3 - x2));
        area[n3] += 0.25 * std::abs((x2 - x3) * (y4 - y3) - (y2 - y3) * (x4 - x3));
        area[n4] += 0.25 * std::abs((x3 - x4) * (y1 - y4) - (y3 - y4) * (x1 - x4));
        state.quadCentroids[2 * e] = (x1 + x2 + x3 + x4) * 0.25;
        state.quadCentroids[2 * e + 1] = (y1 + y2 + y3 + y4) * 0.25;
    }
}

}  // namespace kestrafol
