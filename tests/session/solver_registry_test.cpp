#include <atomic>
#include <barrier>
#include <set>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "solver/iterate_cycle.h"
#include "solver/destroy_solver.h"
#include "session/solver_registry.h"
#include "support/test_meshes.h"

using namespace kestrafol;
using kestrafol::testing::makeCircle;
using kestrafol::testing::makeParameters;
using kestrafol::testing::makeRectangle;
using kestrafol::testing::makeSolver;

namespace {

SolverRecords smallSolver(double mach = 0.5) { return makeSolver(makeRectangle(3, 2), makeParameters(mach)); }

std::string invalidHandleMessage(SolverRegistry& registry, std::int64_t a, std::int64_t b) {
    try {
        registry.acquire(a, b);
    } catch (const InvalidHandle& error) {
        return error.what();
    }
    ADD_FAILURE() << "handle was accepted";
    return {};
}

bool removable(SolverRegistry& registry, const HandleValues& h) {
    try {
        registry.remove(h[0], h[1]);
        return true;
    } catch (const InvalidHandle&) {
        return false;
    }
}

}  // namespace

TEST(SolverRegistry, HandleHoldsTheTwoRecordAddresses) {
    SolverRegistry registry;
    SolverRecords records = smallSolver();
    // The registry moves the records to addresses of its own; their arrays move with them.
    const double* coords = records.state->coords.data();
    const double mach = records.settings->mach;
    const HandleValues h = registry.add(std::move(records));
    {
        const auto lease = registry.acquire(h[0], h[1]);
        EXPECT_EQ(h[0], static_cast<std::int64_t>(reinterpret_cast<std::intptr_t>(&lease.state())));
        EXPECT_EQ(h[1], static_cast<std::int64_t>(reinterpret_cast<std::intptr_t>(&lease.settings())));
        EXPECT_EQ(lease.state().coords.data(), coords);
        EXPECT_EQ(lease.settings().mach, mach);
        EXPECT_EQ(lease.state().nodeCount, 12);
    }
    EXPECT_EQ(registry.size(), 1u);
    registry.remove(h[0], h[1]);
    EXPECT_EQ(registry.size(), 0u);
}

TEST(SolverRegistry, RefusesUnknownMismatchedAndStaleHandles) {
    SolverRegistry registry;
    const HandleValues a = registry.add(smallSolver());
    const HandleValues b = registry.add(smallSolver(0.3));

    EXPECT_EQ(invalidHandleMessage(registry, 0, 0),
              "handle {0, 0} names no live solver: it was not returned by start, or it was cleaned up");
    EXPECT_NE(invalidHandleMessage(registry, a[0], b[1]).find("names no live solver"), std::string::npos);
    EXPECT_NE(invalidHandleMessage(registry, b[0], a[1]).find("names no live solver"), std::string::npos);
    EXPECT_NE(invalidHandleMessage(registry, a[0], a[1] + 8).find("names no live solver"), std::string::npos);
    EXPECT_NE(invalidHandleMessage(registry, a[1], a[0]).find("names no live solver"), std::string::npos);

    registry.remove(a[0], a[1]);
    EXPECT_NE(invalidHandleMessage(registry, a[0], a[1]).find("names no live solver"), std::string::npos);
    EXPECT_FALSE(removable(registry, a));  // double clean-up
    // The other solver is untouched.
    EXPECT_EQ(registry.acquire(b[0], b[1]).settings().mach, 0.3);
    EXPECT_TRUE(removable(registry, b));
}

TEST(SolverRegistry, ABusySolverRefusesASecondCallAndCannotBeRemoved) {
    SolverRegistry registry;
    const HandleValues h = registry.add(smallSolver());
    const HandleValues other = registry.add(smallSolver());
    {
        const auto lease = registry.acquire(h[0], h[1]);
        const std::string busy = invalidHandleMessage(registry, h[0], h[1]);
        EXPECT_NE(busy.find("is in use by another call"), std::string::npos) << busy;
        EXPECT_FALSE(removable(registry, h));
        EXPECT_EQ(registry.size(), 2u);
        // A different handle is independent of the busy one.
        const auto second = registry.acquire(other[0], other[1]);
        EXPECT_EQ(second.state().nodeCount, 12);
        // The lease still works after the refusals.
        lease.settings().mach = 0.7;
    }
    // Released: usable again, with the change made under the lease.
    EXPECT_EQ(registry.acquire(h[0], h[1]).settings().mach, 0.7);
    EXPECT_TRUE(removable(registry, h));
    EXPECT_TRUE(removable(registry, other));
}

TEST(SolverRegistry, MovedLeaseReleasesOnce) {
    SolverRegistry registry;
    const HandleValues h = registry.add(smallSolver());
    {
        auto first = registry.acquire(h[0], h[1]);
        SolverRegistry::Lease moved(std::move(first));
        EXPECT_THROW(registry.acquire(h[0], h[1]), InvalidHandle);
    }
    EXPECT_NO_THROW(registry.acquire(h[0], h[1]));
}

TEST(SolverRegistry, StaleHandlesStayDeadWhenNewSolversFollow) {
    // Records of equal size released and allocated in turn tend to get the same addresses back;
    // the registry keeps retired records so a stale handle never names a newer solver.
    SolverRegistry registry;
    std::vector<HandleValues> dead;
    std::set<HandleValues> seen;
    for (int cycle = 0; cycle < 200; ++cycle) {
        const HandleValues h = registry.add(smallSolver());
        EXPECT_TRUE(seen.insert(h).second) << "handle reused in cycle " << cycle;
        for (const HandleValues& old : dead) EXPECT_THROW(registry.acquire(old[0], old[1]), InvalidHandle);
        registry.remove(h[0], h[1]);
        dead.push_back(h);
    }
}

TEST(SolverRegistry, ClearReleasesEverySolver) {
    SolverRegistry registry;
    const HandleValues h = registry.add(smallSolver());
    registry.add(smallSolver());
    registry.clear();
    EXPECT_EQ(registry.size(), 0u);
    EXPECT_THROW(registry.acquire(h[0], h[1]), InvalidHandle);
}

TEST(SolverRegistry, SolversOnSeveralThreadsMatchSequentialRuns) {
    constexpr int solvers = 4;
    constexpr int steps = 5;
    auto build = [](int k) {
        return makeSolver(makeCircle(16, 6), makeParameters(0.3 + 0.1 * k, 1.0 * k, k % 2 + 1));
    };
    std::vector<std::vector<double>> sequential(solvers);
    for (int k = 0; k < solvers; ++k) {
        SolverRecords r = build(k);
        for (int s = 0; s < steps; ++s) sequential[k] = iterateCycle(*r.state, *r.settings);
    }

    SolverRegistry registry;
    std::vector<HandleValues> handles;
    for (int k = 0; k < solvers; ++k) handles.push_back(registry.add(build(k)));
    std::vector<std::vector<double>> parallel(solvers);
    std::vector<std::thread> threads;
    for (int k = 0; k < solvers; ++k)
        threads.emplace_back([&, k] {
            for (int s = 0; s < steps; ++s) {
                const auto lease = registry.acquire(handles[k][0], handles[k][1]);
                parallel[k] = iterateCycle(lease.state(), lease.settings());
            }
        });
    for (std::thread& t : threads) t.join();
    for (int k = 0; k < solvers; ++k) {
        ASSERT_EQ(parallel[k].size(), sequential[k].size());
        for (std::size_t i = 0; i < parallel[k].size(); ++i)
            ASSERT_EQ(parallel[k][i], sequential[k][i]) << "solver " << k << " value " << i;
        registry.remove(handles[k][0], handles[k][1]);
    }
}

TEST(SolverRegistry, OverlappingCallsOnOneHandleNeverShareTheSolver) {
    SolverRegistry registry;
    const HandleValues h = registry.add(smallSolver());
    constexpr int threads = 4;
    constexpr int attempts = 2000;
    std::atomic<int> inside{0};
    std::atomic<int> overlaps{0};
    std::atomic<int> granted{0};
    std::atomic<int> refused{0};
    std::barrier start(threads);
    std::vector<std::thread> pool;
    for (int t = 0; t < threads; ++t)
        pool.emplace_back([&] {
            start.arrive_and_wait();
            for (int i = 0; i < attempts; ++i) {
                try {
                    const auto lease = registry.acquire(h[0], h[1]);
                    if (inside.fetch_add(1) != 0) ++overlaps;
                    lease.settings().passesPerCall += 1;  // unsynchronised write: a race if shared
                    inside.fetch_sub(1);
                    ++granted;
                } catch (const InvalidHandle&) {
                    ++refused;
                }
            }
        });
    for (std::thread& t : pool) t.join();
    EXPECT_EQ(overlaps.load(), 0);
    EXPECT_EQ(granted.load() + refused.load(), threads * attempts);
    const auto lease = registry.acquire(h[0], h[1]);
    EXPECT_EQ(lease.settings().passesPerCall, 1 + granted.load());
}

TEST(SolverRegistry, RemovalRacingWithCallsEitherWaitsOrEndsThem) {
    for (int round = 0; round < 50; ++round) {
        SolverRegistry registry;
        const HandleValues h = registry.add(smallSolver());
        std::atomic<bool> removed{false};
        std::thread caller([&] {
            for (int i = 0; i < 200; ++i) {
                try {
                    const auto lease = registry.acquire(h[0], h[1]);
                    EXPECT_FALSE(removed.load());  // nothing acquires a removed solver
                    lease.settings().cfl += 1.0;
                } catch (const InvalidHandle&) {
                }
            }
        });
        while (!removed.load()) {
            try {
                registry.remove(h[0], h[1]);
                removed = true;
            } catch (const InvalidHandle& error) {
                ASSERT_NE(std::string(error.what()).find("in use"), std::string::npos) << error.what();
            }
        }
        caller.join();
        EXPECT_EQ(registry.size(), 0u);
    }
}

TEST(DestroySolver, ReleasesEveryArray) {
    SolverRecords r = makeSolver(makeCircle(12, 4), makeParameters(0.5, 0.0, 2, 0, 1.0, 100.0));
    iterateCycle(*r.state, *r.settings);
    ASSERT_FALSE(r.state->offDiagBlocks.empty());
    destroySolver(*r.state, *r.settings);
    const SolverState& s = *r.state;
    for (const auto* a : {&s.state, &s.statePrev, &s.statePrev2, &s.residual, &s.offDiagBlocks,
                          &s.diagBlocks, &s.delta, &s.rhsWork, &s.gradients, &s.velocityGradX,
                          &s.velocityGradY, &s.scalarWork, &s.lsqWeights, &s.limiter, &s.pressure,
                          &s.timeStep, &s.coords, &s.dualArea, &s.triangleCentroids, &s.quadCentroids,
                          &s.faceNormals})
        EXPECT_EQ(a->capacity(), 0u);
    for (const auto* a : {&s.triangles, &s.quads, &s.boundaryEdges, &s.edges, &s.adjacency,
                          &s.adjacencyStart, &s.edgeSlots, &s.slotNeighbour, &s.boundaryKinds})
        EXPECT_EQ(a->capacity(), 0u);
    EXPECT_EQ(s.nodeCount, 0);
}
