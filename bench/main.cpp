// The benchmark binary: Google Benchmark's usual flags (--benchmark_filter, --benchmark_out
// for the JSON file, ...), then a summary table of the run against the machine's bounds.
#include <benchmark/benchmark.h>

#include <vector>

#include "bench_registry.h"

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

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    kestrafol::bench::registerTriadBenchmarks();
    kestrafol::bench::registerSolverBenchmarks();
    CollectingReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    kestrafol::bench::printSummary(reporter.runs);
    benchmark::Shutdown();
    return 0;
}
