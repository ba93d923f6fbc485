// libFuzzer target of the set-up path. Arbitrary bytes become the counts, mesh arrays and
// settings vector of start (layout in fuzz_input.h); the target runs the entry points' own
// checks and, when they pass, the whole life of a solver: start, iterate, analysis, update
// with a second (mutated) vector, more iterate calls, analysis, cleanup. Built with AddressSanitizer
// and UndefinedBehaviorSanitizer, so a crash, an invalid access, a leak or undefined behaviour
// anywhere on that path is a finding. Refusals (InvalidInput) are the expected outcome for most
// inputs; any other exception escapes and counts as a crash.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>

#include "fuzz_input.h"

using namespace kestrafol;
using namespace kestrafol::testing;
using namespace kestrafol::fuzzing;

namespace {

// KESTRAFOL_FUZZ_VERBOSE=1 prints what happens to each input (for replaying a corpus).
bool verbose = false;

// What the inputs reached, printed when the fuzzer exits.
struct Counts {
    long inputs = 0;
    long startsAccepted = 0;
    long iterateCalls = 0;
    long updatesAccepted = 0;
    long updatesRefused = 0;
    long nonFiniteRuns = 0;
} counts;

void printCounts() {
    std::fprintf(stderr,
                 "setup_fuzzer: %ld inputs, %ld accepted by start, %ld iterate calls, %ld updates accepted, "
                 "%ld refused, %ld runs ended with a non-finite state\n",
                 counts.inputs, counts.startsAccepted, counts.iterateCalls, counts.updatesAccepted,
                 counts.updatesRefused, counts.nonFiniteRuns);
}

[[noreturn]] void fail(const char* what) {
    std::fprintf(stderr, "setup_fuzzer: %s\n", what);
    std::abort();
}

bool sameSettings(const SolverSettings& a, const SolverSettings& b) {
    auto same = [](double x, double y) { return std::memcmp(&x, &y, sizeof x) == 0; };
    return a.spatialOrder == b.spatialOrder && same(a.reconstructionWeight, b.reconstructionWeight) &&
           a.localStepping == b.localStepping && a.timeMode == b.timeMode &&
           a.passesPerCall == b.passesPerCall && same(a.cfl, b.cfl) &&
           same(a.globalTimeStep, b.globalTimeStep) && same(a.gamma, b.gamma) && same(a.mach, b.mach) &&
           same(a.alpha, b.alpha) && same(a.viscous, b.viscous) && same(a.reynolds, b.reynolds);
}

// The host may ask for any number of passes per call in the time modes that do not rewrite
// it; the fuzzer only iterates when that number is small, to keep each input quick.
bool cheapToIterate(const HandleValues& h) {
    const SolverRegistry::Lease solver = solverRegistry().acquire(h[0], h[1]);
    const SolverSettings& s = solver.settings();
    return s.timeMode == 0 || s.timeMode == 1 || s.passesPerCall <= 4;
}

void iterate(const HandleValues& h, int calls, int nodeCount) {
    for (int c = 0; c < calls && cheapToIterate(h); ++c) {
        const std::vector<double> state = hostIterate(h);
        ++counts.iterateCalls;
        if (state.size() != 4 * static_cast<std::size_t>(nodeCount)) fail("iterate returned a wrong length");
    }
}

void analyse(const HandleValues& h) {
    const std::array<double, 5> values = hostAnalysis(h);
    if (values[0] != 0.0) fail("analysis element 0 is not 0");
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* /*argc*/, char*** /*argv*/) {
    session::load();  // as the library's load does
    verbose = std::getenv("KESTRAFOL_FUZZ_VERBOSE") != nullptr;
    std::atexit(printCounts);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const FuzzInput input = decodeFuzzInput(data, size);
    ++counts.inputs;
    const std::size_t liveBefore = solverRegistry().size();
    HandleValues h{};
    try {
        h = hostStart(input.start);
    } catch (const InvalidInput& error) {
        if (verbose) std::fprintf(stderr, "start refused: %s\n", error.what());
        if (solverRegistry().size() != liveBefore) fail("a refused start registered a solver");
        return 0;
    }
    const int nodeCount = input.start.nodeCount;
    ++counts.startsAccepted;

    analyse(h);  // before the first iterate
    iterate(h, input.iterationsBefore, nodeCount);
    analyse(h);

    SolverSettings before;
    {
        const SolverRegistry::Lease solver = solverRegistry().acquire(h[0], h[1]);
        before = solver.settings();
    }
    try {
        hostUpdate(h, input.update);
        ++counts.updatesAccepted;
    } catch (const InvalidInput& error) {
        if (verbose) std::fprintf(stderr, "update refused: %s\n", error.what());
        ++counts.updatesRefused;
        const SolverRegistry::Lease solver = solverRegistry().acquire(h[0], h[1]);
        if (!sameSettings(solver.settings(), before)) fail("a refused update changed the settings");
    }
    iterate(h, input.iterationsAfter, nodeCount);
    analyse(h);

    const std::array<double, 5> last = hostAnalysis(h);
    if (!std::isfinite(last[1])) ++counts.nonFiniteRuns;
    if (verbose) {
        const std::array<double, 5> values = last;
        std::fprintf(stderr, "ran %d nodes: residual %g, CL %g, CD %g\n", nodeCount, values[1], values[2], values[3]);
    }
    hostCleanup(h);
    try {
        hostIterate(h);
        fail("a cleaned-up handle was accepted");
    } catch (const InvalidHandle&) {
    }
    if (solverRegistry().size() != liveBefore) fail("cleanup left a solver registered");
    return 0;
}
