// The benchmark binary: Google Benchmark's usual flags (--benchmark_filter, --benchmark_out
// for the JSON file, ...), then a summary table of the run against the machine's bounds.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "bench_registry.h"
#include "base/kernel_path.h"

namespace {

// Shows the runs on the console as usual and keeps them for the summary.
class CollectingReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& report) override {
        ConsoleReporter::ReportRuns(report);
        runs.insert(runs.end(), report.begin(), report.end());
    }
    std::vector<Run> runs;
};

}  // namespace

// --kernel_path=scalar (or avx2) makes the library's loops take that path instead of the one
// detected at load time; the flag is taken out before Google Benchmark reads the rest.
bool takeKernelPathFlag(int& argc, char** argv) {
    const char* const flag = "--kernel_path=";
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], flag, std::strlen(flag)) != 0) continue;
        const std::string value = argv[i] + std::strlen(flag);
        using kestrafol::KernelPath;
        const bool known = value == "scalar" || value == "avx2";
        if (!known || !kestrafol::selectKernelPath(value == "scalar" ? KernelPath::Scalar
                                                                     : KernelPath::Avx2)) {
            std::fprintf(stderr, "--kernel_path: %s is not available here (scalar, avx2)\n",
                         value.c_str());
            return false;
        }
        for (int j = i; j + 1 < argc; ++j) argv[j] = argv[j + 1];
        --argc;
        --i;
    }
    return true;
}

int main(int argc, char** argv) {
    if (!takeKernelPathFlag(argc, argv)) return 2;
    // Which loops ran, in the console header and in the JSON context of every run.
    const kestrafol::KernelPath path = kestrafol::kernelPath();
    benchmark::AddCustomContext("kernel_path", kestrafol::kernelPathName(path));
    benchmark::AddCustomContext("vector_width_bits",
                                path == kestrafol::KernelPath::Avx2 ? "256" : "64 (scalar)");
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    kestrafol::bench::registerTriadBenchmarks();
    kestrafol::bench::registerSolverBenchmarks();
    CollectingReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    kestrafol::bench::printSummary(reporter.runs);
    std::printf("kernel path: %s\n", kestrafol::kernelPathName(path));
    benchmark::Shutdown();
    return 0;
}
