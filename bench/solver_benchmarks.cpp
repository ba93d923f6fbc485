// Benchmarks of the solver: start, iterate per flow case, and every stage of the cycle on
// its own, on O-meshes of about 10 thousand, 100 thousand and 1 million nodes.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "bench_registry.h"
#include "solver/iterate_cycle.h"
#include "flux/flux.h"
#include "heap_counter.h"
#include "solver_cases.h"
#include "time/time.h"

namespace kestrafol::bench {

namespace {

using benchmark::Counter;

void setPerNode(benchmark::State& st, const SolverState& s) {
    st.counters["nodes"] = s.nodeCount;
    st.counters["edges"] = s.edgeCount;
    st.counters["per_node"] =
        Counter(s.nodeCount, Counter::kIsIterationInvariantRate | Counter::kInvert);
}

bool stateIsFinite(const SolverState& s) {
    return std::all_of(s.state.begin(), s.state.end(), [](double v) { return std::isfinite(v); });
}

// start: all of createSolver on fresh copies of the host arrays; the copying is not timed.
void startBenchmark(benchmark::State& st, CellShape shape, long nodes) {
    dropWarmSolver();
    const MeshArrays& mesh = benchMesh(shape, nodes);
    const ParameterVector p = parametersFor(FlowCase::Steady2);
    double held = 0.0;
    double live = 0.0;
    double peak = 0.0;
    for (auto _ : st) {
        st.PauseTiming();
        const std::size_t baseline = heapCounts().liveBytes;
        resetHeapPeak();
        MeshArrays copy = mesh;
        st.ResumeTiming();
        SolverRecords r = createSolver(std::move(copy), p);
        st.PauseTiming();
        const HeapCounts after = heapCounts();
        live = static_cast<double>(after.liveBytes - baseline);
        peak = static_cast<double>(after.peakBytes - baseline);
        held = heldBytes(*r.state);
        setPerNode(st, *r.state);
        r = SolverRecords{};
        st.ResumeTiming();
    }
    st.counters["held_B_per_node"] = held / mesh.nodeCount;
    st.counters["heap_B_per_node"] = live / mesh.nodeCount;
    st.counters["peak_B_per_node"] = peak / mesh.nodeCount;
}

// iterate: one whole call of the cycle; sweeps and heap allocations per call as counters.
void iterateBenchmark(benchmark::State& st, FlowCase flowCase, CellShape shape, long nodes) {
    SolverRecords& r = warmSolver(flowCase, shape, nodes);
    SolverState& s = *r.state;
    const long long sweepsBefore = s.sweepCount;
    for (auto _ : st) {
        const std::vector<double>& out = iterateCycle(s, *r.settings);
        benchmark::DoNotOptimize(out.data());
    }
    const double sweeps = static_cast<double>(s.sweepCount - sweepsBefore);
    // Heap allocations of one more call, outside the benchmark loop's own bookkeeping.
    const std::size_t allocationsBefore = heapCounts().allocations;
    iterateCycle(s, *r.settings);
    const std::size_t allocations = heapCounts().allocations - allocationsBefore;
    if (!stateIsFinite(s)) st.SkipWithError("the state went non-finite");
    setPerNode(st, s);
    st.counters["sweeps_per_call"] = Counter(sweeps, Counter::kAvgIterations);
    st.counters["allocs_per_call"] = static_cast<double>(allocations);
    st.counters["sweep_bytes"] = sweepBytes(s);
}

// One stage of the cycle, repeated on a warmed-up solver. `prepare` restores the stage's
// input untimed where the stage consumes it; afterwards one whole cycle brings the blocks
// and the state back to a consistent point for the next benchmark.
struct Stage {
    std::string name;
    FlowCase flowCase;
    std::function<void(SolverState&, SolverSettings&)> run;
    std::function<void(SolverState&, SolverSettings&)> prepare;  // may be empty
};

void stageBenchmark(benchmark::State& st, const Stage& stage, CellShape shape, long nodes) {
    SolverRecords& r = warmSolver(stage.flowCase, shape, nodes);
    SolverState& s = *r.state;
    SolverSettings& settings = *r.settings;
    const std::vector<double> savedState = s.state;
    for (auto _ : st) {
        if (stage.prepare) {
            st.PauseTiming();
            s.state = savedState;
            stage.prepare(s, settings);
            st.ResumeTiming();
        }
        stage.run(s, settings);
        benchmark::ClobberMemory();
    }
    s.state = savedState;
    iterateCycle(s, settings);
    if (!stateIsFinite(s)) st.SkipWithError("the state went non-finite");
    setPerNode(st, s);
    if (stage.name == "sweep")
        st.counters["bytes_per_s"] = Counter(sweepBytes(s), Counter::kIsIterationInvariantRate);
}

// The clearing at the start of a pass, as evaluateResidual does it: the residual and the
// diagonal blocks.
void clearArrays(SolverState& s) {
    const std::size_t n = static_cast<std::size_t>(s.nodeCount);
    std::fill_n(s.residual.begin(), 4 * n, 0.0);
    std::fill_n(s.diagBlocks.begin(), 16 * n, 0.0);
}

// The interior assembly the cycle runs.
void interiorFluxes(SolverState& s, const SolverSettings& t) {
    assembleInteriorFluxesOverwrite(s, t);
}

// The velocity gradients of the viscous terms, as the cycle computes them.
void velocityGradients(SolverState& s) {
    const std::size_t n = static_cast<std::size_t>(s.nodeCount);
    for (std::size_t i = 0; i < n; ++i) s.scalarWork[i] = s.state[4 * i + 1] / s.state[4 * i];
    scalarGradient(s, s.scalarWork.data(), s.velocityGradX.data());
    for (std::size_t i = 0; i < n; ++i) s.scalarWork[i] = s.state[4 * i + 2] / s.state[4 * i];
    scalarGradient(s, s.scalarWork.data(), s.velocityGradY.data());
}

std::vector<Stage> stages() {
    using S = SolverState;
    using T = SolverSettings;
    const FlowCase c = FlowCase::Steady2;
    return {
        {"gradients", c, [](S& s, T&) { computeGradients(s); }, {}},
        {"limiter", c, [](S& s, T& t) { computeLimiter(s, t); },
         [](S& s, T&) { computeGradients(s); }},
        {"time_steps", c, [](S& s, T& t) { computeTimeSteps(s, t); }, {}},
        {"clear", c, [](S& s, T&) { clearArrays(s); }, {}},
        {"interior_fluxes", c, [](S& s, T& t) { interiorFluxes(s, t); }, {}},
        {"time_terms", c, [](S& s, T& t) { addTimeTerms(s, t); }, {}},
        {"boundary", c, [](S& s, T& t) { applyBoundaryConditions(s, t); }, {}},
        {"invert_diagonal", c, [](S& s, T&) { invertDiagonalBlocks(s); }, {}},
        {"sweep", c, [](S& s, T&) { benchmark::DoNotOptimize(gaussSeidelSweep(s)); }, {}},
        {"update", c, [](S& s, T& t) { updateState(s, t); }, [](S&, T&) {}},
        {"velocity_gradients", FlowCase::Viscous2, [](S& s, T&) { velocityGradients(s); }, {}},
        {"viscous_fluxes", FlowCase::Viscous2, [](S& s, T& t) { assembleViscousFluxes(s, t); }, {}},
    };
}

// The inviscid flux assembly on a mesh small enough that all its arrays stay in the L2
// cache: the cost of the flux arithmetic itself, with the memory traffic taken away.
void fluxInCacheBenchmark(benchmark::State& st, FlowCase flowCase) {
    MeshArrays mesh = makeOMesh(24, 16, CellShape::Triangles, SlipWall);
    SolverRecords r = startSolver(mesh, parametersFor(flowCase));
    for (int k = 0; k < warmUpCalls; ++k) iterateCycle(*r.state, *r.settings);
    for (auto _ : st) {
        interiorFluxes(*r.state, *r.settings);
        benchmark::ClobberMemory();
    }
    st.counters["edges"] = r.state->edgeCount;
    st.counters["per_edge"] =
        Counter(r.state->edgeCount, Counter::kIsIterationInvariantRate | Counter::kInvert);
}

struct SizeLabel {
    const char* label;
    long nodes;
};

constexpr SizeLabel sizeLabels[] = {{"10k", 10000}, {"100k", 100000}, {"1M", 1000000}};
constexpr CellShape shapes[] = {CellShape::Triangles, CellShape::Quads};
constexpr FlowCase cases[] = {FlowCase::Steady1, FlowCase::Steady2, FlowCase::Unsteady2,
                              FlowCase::Viscous2};

}  // namespace

void registerSolverBenchmarks() {
    for (const FlowCase c : {FlowCase::Steady1, FlowCase::Steady2}) {
        benchmark::RegisterBenchmark(("flux_in_cache/" + caseName(c)).c_str(),
                                     [c](benchmark::State& st) { fluxInCacheBenchmark(st, c); })
            ->UseRealTime();
    }
    for (const SizeLabel& size : sizeLabels) {
        for (const CellShape shape : shapes) {
            const std::string suffix = "/" + shapeName(shape) + "/" + size.label;
            const long nodes = size.nodes;
            benchmark::RegisterBenchmark(
                ("start" + suffix).c_str(),
                [shape, nodes](benchmark::State& st) { startBenchmark(st, shape, nodes); })
                ->UseRealTime()
                ->Unit(benchmark::kMillisecond);
            // Same-case benchmarks run next to each other so the warmed solver is reused.
            for (const FlowCase c : cases) {
                benchmark::RegisterBenchmark(("iterate/" + caseName(c) + suffix).c_str(),
                                             [c, shape, nodes](benchmark::State& st) {
                                                 iterateBenchmark(st, c, shape, nodes);
                                             })
                    ->UseRealTime()
                    ->Unit(benchmark::kMillisecond);
                for (const Stage& stage : stages()) {
                    if (stage.flowCase != c) continue;
                    benchmark::RegisterBenchmark(("stage/" + stage.name + suffix).c_str(),
                                                 [stage, shape, nodes](benchmark::State& st) {
                                                     stageBenchmark(st, stage, shape, nodes);
                                                 })
                        ->UseRealTime()
                        ->Unit(benchmark::kMicrosecond);
                }
            }
        }
    }
}

}  // namespace kestrafol::bench
