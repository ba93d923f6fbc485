// The closing table: per mesh the cost of start and of iterate per node, each stage per node,
// and the ratios against the bounds measured in the same run.
#include <algorithm>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "bench_registry.h"

namespace kestrafol::bench {

namespace {

using Run = benchmark::BenchmarkReporter::Run;

// The fastest repetition of each benchmark, by name.
std::map<std::string, const Run*> fastestRuns(const std::vector<Run>& runs) {
    std::map<std::string, const Run*> byName;
    for (const Run& r : runs) {
        if (r.run_type != Run::RT_Iteration || r.error_occurred || r.iterations == 0) continue;
        std::string name = r.benchmark_name();
        const std::string suffix = "/real_time";
        if (name.size() > suffix.size() &&
            name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0)
            name.erase(name.size() - suffix.size());
        auto it = byName.find(name);
        const double t = r.real_accumulated_time / static_cast<double>(r.iterations);
        if (it == byName.end() ||
            t < it->second->real_accumulated_time / static_cast<double>(it->second->iterations))
            byName[name] = &r;
    }
    return byName;
}

double seconds(const Run* r) {
    return r->real_accumulated_time / static_cast<double>(r->iterations);
}

double counter(const Run* r, const char* key) {
    auto it = r->counters.find(key);
    return it == r->counters.end() ? 0.0 : it->second.value;
}

const Run* find(const std::map<std::string, const Run*>& runs, const std::string& name) {
    auto it = runs.find(name);
    return it == runs.end() ? nullptr : it->second;
}

// "-" for a benchmark that did not run.
std::string cell(const Run* r, double value, const char* format) {
    if (r == nullptr) return "-";
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, format, value);
    return buffer;
}

}  // namespace

void printSummary(const std::vector<Run>& allRuns) {
    const auto runs = fastestRuns(allRuns);
    if (runs.empty()) return;

    const Run* triad = find(runs, "triad/memory");
    const double triadBytesPerSecond = triad ? counter(triad, "bytes_per_s") : 0.0;
    std::printf("\n== Summary ==\n");
    for (const char* level : {"L2", "L3", "memory"}) {
        const Run* r = find(runs, std::string("triad/") + level);
        std::printf("triad %-7s %s GB/s\n", level,
                    cell(r, r ? counter(r, "bytes_per_s") / 1e9 : 0.0, "%.2f").c_str());
    }
    const Run* flux1 = find(runs, "flux_in_cache/steady1");
    const Run* flux2 = find(runs, "flux_in_cache/steady2");
    const double flux1PerEdge = flux1 ? seconds(flux1) / counter(flux1, "edges") : 0.0;
    const double flux2PerEdge = flux2 ? seconds(flux2) / counter(flux2, "edges") : 0.0;
    std::printf(
        "interior flux assembly in cache: first order %s ns/edge, second order %s ns/edge\n",
        cell(flux1, flux1PerEdge * 1e9, "%.1f").c_str(),
        cell(flux2, flux2PerEdge * 1e9, "%.1f").c_str());

    const char* meshes[] = {"tri/10k", "quad/10k", "tri/100k", "quad/100k", "tri/1M", "quad/1M"};
    const char* cases[] = {"steady1", "steady2", "unsteady2", "viscous2"};

    std::printf("\nstart and iterate (us per node per call, sweeps per call in brackets)\n");
    std::printf("%-10s %9s %8s %8s %8s | %-16s %-16s %-16s %-16s %s\n", "mesh", "nodes", "start",
                "held", "peak", "steady1", "steady2", "unsteady2", "viscous2", "allocs");
    std::printf("%-10s %9s %8s %8s %8s |\n", "", "", "ns/node", "B/node", "B/node");
    for (const char* mesh : meshes) {
        const Run* start = find(runs, std::string("start/") + mesh);
        double nodes = start ? counter(start, "nodes") : 0.0;
        double allocs = 0.0;
        bool any = start != nullptr;
        std::string iterateCells;
        for (const char* c : cases) {
            const Run* it = find(runs, std::string("iterate/") + c + "/" + mesh);
            if (it) {
                any = true;
                nodes = counter(it, "nodes");
                allocs += counter(it, "allocs_per_call");
                char buffer[64];
                std::snprintf(buffer, sizeof buffer, "%.3f (%.1f)", seconds(it) / nodes * 1e6,
                              counter(it, "sweeps_per_call"));
                iterateCells += buffer;
                iterateCells.append(17 - std::min<std::size_t>(16, std::string(buffer).size()),
                                    ' ');
            } else {
                iterateCells += "-                ";
            }
        }
        if (!any) continue;
        std::printf("%-10s %9.0f %8s %8s %8s | %s %.0f\n", mesh, nodes,
                    cell(start, start ? seconds(start) / nodes * 1e9 : 0.0, "%.0f").c_str(),
                    cell(start, start ? counter(start, "held_B_per_node") : 0.0, "%.0f").c_str(),
                    cell(start, start ? counter(start, "peak_B_per_node") : 0.0, "%.0f").c_str(),
                    iterateCells.c_str(), allocs);
    }

    const char* stageNames[] = {
        "gradients",       "limiter",    "time_steps",         "clear",
        "interior_fluxes", "time_terms", "boundary",           "invert_diagonal",
        "sweep",           "update",     "velocity_gradients", "viscous_fluxes"};
    const char* stageHeads[] = {"grad",  "limit",  "steps", "clear",  "fluxes",  "tterms",
                                "bound", "invert", "sweep", "update", "velgrad", "visc"};
    std::printf("\nstages (ns per node)\n%-10s", "mesh");
    for (const char* h : stageHeads) std::printf(" %7s", h);
    std::printf("\n");
    for (const char* mesh : meshes) {
        std::string line;
        bool any = false;
        for (const char* stage : stageNames) {
            const Run* r = find(runs, std::string("stage/") + stage + "/" + mesh);
            any = any || r != nullptr;
            char buffer[32];
            std::snprintf(
                buffer, sizeof buffer, " %7s",
                cell(r, r ? seconds(r) / counter(r, "nodes") * 1e9 : 0.0, "%.1f").c_str());
            line += buffer;
        }
        if (any) std::printf("%-10s%s\n", mesh, line.c_str());
    }

    // Bounds: a sweep must move sweep_bytes at the triad bandwidth at best; the flux
    // assembly cannot beat its own arithmetic measured with every array in cache.
    std::printf("\nbounds (second-order steady iterate; triad %.2f GB/s, flux %.1f ns/edge)\n",
                triadBytesPerSecond / 1e9, flux2PerEdge * 1e9);
    std::printf("%-10s %9s %9s %9s %9s | %9s %9s %9s %9s %7s\n", "mesh", "sweep B", "sweep ms",
                "GB/s", "of triad", "sweeps", "bound ms", "flux ms", "iter ms", "ratio");
    for (const char* mesh : meshes) {
        const Run* sweep = find(runs, std::string("stage/sweep/") + mesh);
        const Run* it = find(runs, std::string("iterate/steady2/") + mesh);
        if (sweep == nullptr && it == nullptr) continue;
        const Run* any = sweep ? sweep : it;
        const double bytes = it ? counter(it, "sweep_bytes") : 0.0;
        const double sweepSeconds = sweep ? seconds(sweep) : 0.0;
        const double achieved = sweep ? counter(sweep, "bytes_per_s") : 0.0;
        const double sweepsPerCall = it ? counter(it, "sweeps_per_call") : 0.0;
        const double edges = counter(any, "edges");
        const double sweepBound =
            triadBytesPerSecond > 0 ? sweepsPerCall * bytes / triadBytesPerSecond : 0.0;
        const double fluxBound = edges * flux2PerEdge;
        const double bound = sweepBound + fluxBound;
        std::printf(
            "%-10s %9s %9s %9s %9s | %9s %9s %9s %9s %7s\n", mesh, cell(it, bytes, "%.3g").c_str(),
            cell(sweep, sweepSeconds * 1e3, "%.3f").c_str(),
            cell(sweep, achieved / 1e9, "%.2f").c_str(),
            cell(sweep, triadBytesPerSecond > 0 ? achieved / triadBytesPerSecond : 0.0, "%.2f")
                .c_str(),
            cell(it, sweepsPerCall, "%.1f").c_str(), cell(it, bound * 1e3, "%.2f").c_str(),
            cell(it, fluxBound * 1e3, "%.2f").c_str(),
            cell(it, it ? seconds(it) * 1e3 : 0.0, "%.2f").c_str(),
            cell(it, bound > 0 && it ? seconds(it) / bound : 0.0, "%.2f").c_str());
    }

    // Growth of the cost per node from the smallest to the largest mesh.
    std::printf("\ncost per node, 1M over 10k (iterate per call; sweep alone)\n");
    for (const char* shape : {"tri", "quad"}) {
        for (const char* c : cases) {
            const Run* small = find(runs, std::string("iterate/") + c + "/" + shape + "/10k");
            const Run* large = find(runs, std::string("iterate/") + c + "/" + shape + "/1M");
            if (!small || !large) continue;
            const double ratio = (seconds(large) / counter(large, "nodes")) /
                                 (seconds(small) / counter(small, "nodes"));
            const double perSweep =
                (seconds(large) / counter(large, "nodes") / counter(large, "sweeps_per_call")) /
                (seconds(small) / counter(small, "nodes") / counter(small, "sweeps_per_call"));
            std::printf("%-5s %-10s iterate %.2f (per sweep of the call %.2f)\n", shape, c, ratio,
                        perSweep);
        }
        const Run* small = find(runs, std::string("stage/sweep/") + shape + "/10k");
        const Run* large = find(runs, std::string("stage/sweep/") + shape + "/1M");
        if (small && large)
            std::printf("%-5s sweep      %.2f\n", shape,
                        (seconds(large) / counter(large, "nodes")) /
                            (seconds(small) / counter(small, "nodes")));
    }
}

}  // namespace kestrafol::bench
