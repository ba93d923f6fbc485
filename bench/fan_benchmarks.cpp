// Set-up of a fan: n triangles around one hub node, so the hub's neighbour row holds n
// entries. Times what start does with a mesh after copying it: the input checks and all of
// createSolver. A set-up that grows with the square of a row length shows here as a time per
// triangle that grows with n; a linear one keeps it flat.
#include <benchmark/benchmark.h>

#include <cmath>
#include <string>
#include <utility>
#include <vector>

#include "solver/setup.h"
#include "session/validate_input.h"
#include "support/test_meshes.h"

namespace kestrafol::bench {

namespace {

using meshes::MeshArrays;
using testing::makeFan;

void fanStartBenchmark(benchmark::State& st, int n) {
    const MeshArrays mesh = makeFan(n);
    ParameterVector p{};
    p[1] = 2;
    p[6] = 1;
    p[10] = 0.5;
    p[11] = 1.4;
    for (auto _ : st) {
        st.PauseTiming();
        MeshArrays copy = mesh;
        st.ResumeTiming();
        checkMeshInput(viewOf(mesh));
        SolverRecords r = createSolver(std::move(copy), p);
        benchmark::DoNotOptimize(r.state->faceNormals.data());
        st.PauseTiming();
        r = SolverRecords{};
        st.ResumeTiming();
    }
    st.counters["triangles"] = n;
    st.counters["per_triangle"] = benchmark::Counter(
        n, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

// start/fan/<triangles>: doubling sizes, so a quadratic cost shows as a doubling per-triangle time.
const bool registered = [] {
    for (const int n : {8000, 16000, 32000, 64000})
        benchmark::RegisterBenchmark(("start/fan/" + std::to_string(n)).c_str(),
                                     [n](benchmark::State& st) { fanStartBenchmark(st, n); })
            ->UseRealTime()
            ->Unit(benchmark::kMillisecond);
    return true;
}();

}  // namespace

}  // namespace kestrafol::bench
