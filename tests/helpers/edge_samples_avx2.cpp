// The library's four-lane edge kernel (flux/edge_lanes_avx2.h) on independent edge samples,
// four per register, for the bit-for-bit comparison with the scalar kernel.
#include <immintrin.h>

#include <algorithm>

#include "helpers/edge_samples.h"

#if defined(__clang__)
#pragma clang attribute push(__attribute__((target("avx2"))), apply_to = function)
#elif defined(__GNUC__)
#pragma GCC push_options
#pragma GCC target("avx2")
#endif

#include "base/lanes_avx2.h"
#include "flux/edge_lanes_avx2.h"

namespace kestrafol::testing {

namespace {

template <bool secondOrder>
void sampleLoop(const EdgeSample* samples, EdgeResult* results, int count,
                const SolverSettings& settings) {
    const Constants k(settings.gamma);
    const D w = splat(settings.reconstructionWeight);
    for (int e = 0; e < count; e += 4) {
        const int lanes = std::min(4, count - e);
        const EdgeSample* p[4];
        for (int l = 0; l < 4; ++l) p[l] = samples + e + std::min(l, lanes - 1);
        EdgeLanes in;
        gatherRows(in.uf, p[0]->first.data(), p[1]->first.data(), p[2]->first.data(),
                   p[3]->first.data());
        gatherRows(in.us, p[0]->second.data(), p[1]->second.data(), p[2]->second.data(),
                   p[3]->second.data());
        for (int h = 0; h < 8; h += 4) {
            gatherRows(in.gf + h, p[0]->gradFirst + h, p[1]->gradFirst + h, p[2]->gradFirst + h,
                       p[3]->gradFirst + h);
            gatherRows(in.gs + h, p[0]->gradSecond + h, p[1]->gradSecond + h, p[2]->gradSecond + h,
                       p[3]->gradSecond + h);
        }
        in.xf = set(p[0]->xyFirst[0], p[1]->xyFirst[0], p[2]->xyFirst[0], p[3]->xyFirst[0]);
        in.yf = set(p[0]->xyFirst[1], p[1]->xyFirst[1], p[2]->xyFirst[1], p[3]->xyFirst[1]);
        in.xs = set(p[0]->xySecond[0], p[1]->xySecond[0], p[2]->xySecond[0], p[3]->xySecond[0]);
        in.ys = set(p[0]->xySecond[1], p[1]->xySecond[1], p[2]->xySecond[1], p[3]->xySecond[1]);
        in.nx = set(p[0]->nx, p[1]->nx, p[2]->nx, p[3]->nx);
        in.ny = set(p[0]->ny, p[1]->ny, p[2]->ny, p[3]->ny);

        ResultLanes r;
        edgeLanes<secondOrder>(r, in, k, w);
        resultRows(r);
        for (int l = 0; l < lanes; ++l) {
            EdgeResult& out = results[e + l];
            store(out.flux.data(), r.flux[l]);
            for (int i = 0; i < 4; ++i) {
                store(out.jacLeft.data() + 4 * i, r.jacLeft[4 * i + l]);
                store(out.jacRight.data() + 4 * i, r.jacRight[4 * i + l]);
            }
        }
    }
}

}  // namespace

void edgeFluxesAvx2(const EdgeSample* samples, EdgeResult* results, int count,
                    const SolverSettings& settings) {
    if (settings.spatialOrder == 2)
        sampleLoop<true>(samples, results, count, settings);
    else
        sampleLoop<false>(samples, results, count, settings);
}

}  // namespace kestrafol::testing

#if defined(__clang__)
#pragma clang attribute pop
#elif defined(__GNUC__)
#pragma GCC pop_options
#endif
