// STREAM-style triad a = b + s c, the machine's attainable bandwidth on one core, at a
// footprint far beyond the last-level cache and at footprints that fit the L2 and L3 caches.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "bench_registry.h"

namespace kestrafol::bench {

namespace {

void triadBenchmark(benchmark::State& st, std::size_t elements) {
    std::vector<double> a(elements, 0.0);
    std::vector<double> b(elements, 1.0);
    std::vector<double> c(elements, 2.0);
    const double scalar = 3.0;
    for (auto _ : st) {
        double* const pa = a.data();
        const double* const pb = b.data();
        const double* const pc = c.data();
        for (std::size_t i = 0; i < elements; ++i) pa[i] = pb[i] + scalar * pc[i];
        benchmark::DoNotOptimize(a.data());
        benchmark::ClobberMemory();
    }
    // STREAM counts 24 bytes per element: two arrays read, one written.
    st.counters["bytes_per_s"] = benchmark::Counter(24.0 * static_cast<double>(elements),
                                                    benchmark::Counter::kIsIterationInvariantRate);
    st.counters["footprint_MiB"] = 24.0 * static_cast<double>(elements) / (1024.0 * 1024.0);
}

}  // namespace

void registerTriadBenchmarks() {
    struct Footprint {
        const char* label;
        std::size_t elements;
    };
    // 3 x 8 bytes per element: 768 KiB (L2), 12 MiB (L3), 768 MiB (memory).
    const Footprint footprints[] = {{"L2", 32u << 10}, {"L3", 512u << 10}, {"memory", 32u << 20}};
    for (const Footprint& f : footprints) {
        const std::size_t elements = f.elements;
        benchmark::RegisterBenchmark(
            (std::string("triad/") + f.label).c_str(),
            [elements](benchmark::State& st) { triadBenchmark(st, elements); })
            ->UseRealTime()
            ->Unit(benchmark::kMicrosecond);
    }
}

}  // namespace kestrafol::bench
