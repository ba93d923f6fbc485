// The session calls against the solver layer called directly: the same mesh and settings give
// the same bits either way, the handle checks the JNI file relies on, and a refused start or
// update leaves nothing behind.
#include <array>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "diag/diag.h"
#include "solver/iterate_cycle.h"
#include "support/session_calls.h"
#include "support/test_meshes.h"

using namespace kestrafol;
using namespace kestrafol::testing;

namespace {

std::string handleRefusal(HostArray<std::int64_t> handle) {
    try {
        session::analysis(handle);
    } catch (const InvalidHandle& error) {
        return error.what();
    }
    return "accepted";
}

}  // namespace

TEST(Session, StartIterateAnalysisMatchTheSolverLayerBitForBit) {
    const MeshArrays mesh = makeCircle(16, 6, 0.5, 10.0, true, NoSlipWall);
    const ParameterVector p = makeParameters(0.3, 2.0, 2, 0, 1.0, 200.0);
    SolverRecords direct = makeSolver(mesh, p);
    const HandleValues h = hostStart(startArguments(mesh, p));
    for (int call = 0; call < 3; ++call) {
        const std::vector<double>& expected = iterateCycle(*direct.state, *direct.settings);
        EXPECT_EQ(hostIterate(h), expected) << "call " << call;
    }
    const std::array<double, 5> expected = computeCoefficients(*direct.state, *direct.settings);
    const std::array<double, 5> got = hostAnalysis(h);
    for (std::size_t k = 1; k < 5; ++k) EXPECT_EQ(got[k], expected[k]) << "value " << k;
    EXPECT_TRUE(std::isfinite(got[1]) && got[1] > 0.0);
    hostCleanup(h);
}

TEST(Session, HandleChecksNameWhatIsWrong) {
    EXPECT_EQ(handleRefusal({}), "handle is null; pass the handle that start returned");
    const std::array<std::int64_t, 3> three{1, 2, 3};
    EXPECT_EQ(handleRefusal(HostArray<std::int64_t>(three.data(), 3)),
              "handle has 3 elements; a solver handle has 2");
    const std::size_t live = solverRegistry().size();
    const HandleValues h = hostStart(startArguments(makeCircle(8, 3), makeParameters()));
    EXPECT_EQ(handleRefusal(view(h)), "accepted");
    const HandleValues swapped{h[1], h[0]};
    EXPECT_NE(handleRefusal(view(swapped)), "accepted");
    hostCleanup(h);
    EXPECT_NE(handleRefusal(view(h)), "accepted");
    EXPECT_EQ(solverRegistry().size(), live);
}

TEST(Session, RefusedStartAndUpdateLeaveNothingBehind) {
    const std::size_t live = solverRegistry().size();
    OwnedStart shortCoords = startArguments(makeCircle(8, 3), makeParameters());
    shortCoords.coords->pop_back();
    EXPECT_THROW(hostStart(shortCoords), InvalidInput);
    EXPECT_EQ(solverRegistry().size(), live);

    const HandleValues h = hostStart(startArguments(makeCircle(8, 3), makeParameters(0.5)));
    const std::vector<double> first = hostIterate(h);
    EXPECT_THROW(hostUpdate(h, std::vector<double>(15, 0.0)), InvalidInput);
    EXPECT_THROW(hostUpdate(h, std::nullopt), InvalidInput);
    // Mach is still 0.5: a second solver at 0.5 takes the same first step.
    const HandleValues twin = hostStart(startArguments(makeCircle(8, 3), makeParameters(0.5)));
    EXPECT_EQ(hostIterate(twin), first);
    EXPECT_EQ(hostIterate(h), hostIterate(twin));
    hostCleanup(twin);
    hostCleanup(h);
    EXPECT_EQ(solverRegistry().size(), live);
}

TEST(Session, StartKeepsOwnCopiesOfOnlyTheValuesTheCountsCover) {
    // Host arrays longer than their counts need, with NaN and out-of-range numbers past the
    // end, and overwritten with the same junk as soon as start returns: the solver must step
    // exactly as one started from the exact arrays, so it neither read past the counts nor
    // kept a view of the host's memory.
    const MeshArrays mesh = makeCircle(12, 5, 0.5, 10.0, true);
    const ParameterVector p = makeParameters(0.4, 1.0, 2);
    SolverRecords direct = makeSolver(mesh, p);

    OwnedStart host = startArguments(mesh, p);
    const double nan = std::nan("");
    host.coords->insert(host.coords->end(), {nan, nan});
    for (OwnedArray<int>* ints : {&host.quads, &host.boundaryEdges, &host.boundaryKinds})
        (*ints)->insert((*ints)->end(), {-7, 0, 99});
    const HandleValues h = hostStart(host);
    for (double& x : *host.coords) x = nan;
    for (OwnedArray<int>* ints : {&host.quads, &host.boundaryEdges, &host.boundaryKinds})
        for (int& n : **ints) n = -7;

    for (int call = 0; call < 2; ++call)
        EXPECT_EQ(hostIterate(h), iterateCycle(*direct.state, *direct.settings)) << call;
    hostCleanup(h);
}
