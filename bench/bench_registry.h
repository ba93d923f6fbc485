#pragma once
// Registration of the benchmark families and the closing summary table.
#include <benchmark/benchmark.h>

#include <vector>

namespace kestrafol::bench {

void registerSolverBenchmarks();
void registerTriadBenchmarks();

// Prints the table of the run: costs per node, sweeps, and the ratios against the bounds
// derived from the triad bandwidth and the in-cache flux cost measured in the same run.
void printSummary(const std::vector<benchmark::BenchmarkReporter::Run>& runs);

}  // namespace kestrafol::bench
