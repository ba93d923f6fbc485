// Several solvers started, iterated, updated, analysed and cleaned up on several threads at once
// through the entry points' own path (checks, the process-wide registry, the log stream). Built
// into the normal suite and run under ThreadSanitizer by the reliability checks, where a data
// race on anything the threads share fails the run.
#include <algorithm>
#include <atomic>
#include <barrier>
#include <chrono>
#include <cstring>
#include <map>
#include <mutex>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "helpers/captured_log.h"
#include "support/session_calls.h"
#include "support/test_meshes.h"

using namespace kestrafol;
using namespace kestrafol::testing;

namespace {

// Four different kinds of run: slip-wall circle, mixed far-field rectangle, viscous quad circle,
// unsteady triangle rectangle.
OwnedStart caseArguments(int k) {
    switch (k % 4) {
        case 0: return startArguments(makeCircle(16, 6), makeParameters(0.5, 2.0, 1, 0));
        case 1:
            return startArguments(makeRectangle(6, 4, 2.0, 1.0, true),
                                  makeParameters(0.3, 4.0, 2, 0));
        case 2:
            return startArguments(makeCircle(12, 5, 0.5, 10.0, true, NoSlipWall),
                                  makeParameters(0.2, 0.0, 2, 0, 1.0, 100.0));
        default:
            return startArguments(makeRectangle(5, 3, 1.0, 1.0, false),
                                  makeParameters(0.4, 1.0, 1, 1));
    }
}

struct RunResult {
    std::vector<double> state;
    std::array<double, 5> coefficients{};
};

bool sameBits(const std::vector<double>& a, const std::vector<double>& b) {
    return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(double)) == 0;
}

bool sameBits(const std::array<double, 5>& a, const std::array<double, 5>& b) {
    return std::memcmp(a.data(), b.data(), sizeof a) == 0;
}

// One host session: start, 4 iterates, an update to a new Mach number and angle, 3 iterates,
// analysis, cleanup.
RunResult runSession(int k) {
    const OwnedStart arguments = caseArguments(k);
    const HandleValues h = hostStart(arguments);
    RunResult result;
    for (int s = 0; s < 4; ++s) result.state = hostIterate(h);
    std::vector<double> changed = *arguments.parameters;
    changed[10] += 0.05;
    changed[12] += 1.0;
    hostUpdate(h, changed);
    for (int s = 0; s < 3; ++s) result.state = hostIterate(h);
    result.coefficients = hostAnalysis(h);
    hostCleanup(h);
    return result;
}

bool isBusy(const InvalidHandle& error) { return std::strstr(error.what(), "in use") != nullptr; }
bool isDead(const InvalidHandle& error) {
    return std::strstr(error.what(), "names no live solver") != nullptr;
}

}  // namespace

TEST(Concurrency, SessionsOnFourThreadsMatchTheSameSessionsOneAfterAnother) {
    constexpr int threads = 4;
    constexpr int rounds = 6;
    const std::size_t liveBefore = solverRegistry().size();
    std::vector<RunResult> sequential(4);
    for (int k = 0; k < 4; ++k) sequential[k] = runSession(k);

    CapturedLog log;
    std::vector<std::vector<RunResult>> parallel(threads, std::vector<RunResult>(rounds));
    std::barrier go(threads);
    std::vector<std::thread> pool;
    for (int t = 0; t < threads; ++t)
        pool.emplace_back([&, t] {
            go.arrive_and_wait();
            for (int r = 0; r < rounds; ++r) parallel[t][r] = runSession(t + r);
        });
    for (std::thread& t : pool) t.join();

    for (int t = 0; t < threads; ++t)
        for (int r = 0; r < rounds; ++r) {
            const RunResult& expected = sequential[(t + r) % 4];
            EXPECT_TRUE(sameBits(parallel[t][r].state, expected.state))
                << "thread " << t << " round " << r;
            EXPECT_TRUE(sameBits(parallel[t][r].coefficients, expected.coefficients))
                << "thread " << t << " round " << r;
        }
    // The runs did move the flow, so equality is not the free stream twice.
    EXPECT_GT(sequential[0].coefficients[1], 0.0);
    EXPECT_EQ(solverRegistry().size(), liveBefore);
    EXPECT_EQ(log.cleanupLines(), std::make_pair(threads * rounds, threads * rounds));
}

TEST(Concurrency, TwoThreadsIteratingOneHandleEachGetAWholeStepOrARefusal) {
    // Every successful iterate must return a distinct time level of the undisturbed run: two
    // calls that overlapped on the solver would repeat or skip a level or return a mixture.
    const OwnedStart arguments = startArguments(makeCircle(24, 8), makeParameters(0.5, 3.0, 2, 0));
    constexpr int callsPerThread = 12;
    std::map<std::vector<double>, int> levels;  // state after n iterates -> n
    {
        const HandleValues h = hostStart(arguments);
        for (int n = 1; n <= 2 * callsPerThread + 1; ++n) levels.emplace(hostIterate(h), n);
        hostCleanup(h);
    }
    ASSERT_EQ(levels.size(), static_cast<std::size_t>(2 * callsPerThread + 1));

    int refusedTotal = 0;
    for (int repeat = 0; repeat < 20; ++repeat) {
        const HandleValues h = hostStart(arguments);
        std::barrier go(2);
        std::vector<std::vector<double>> results[2];
        int refused[2] = {0, 0};
        std::thread callers[2];
        for (int t = 0; t < 2; ++t)
            callers[t] = std::thread([&, t] {
                go.arrive_and_wait();
                for (int c = 0; c < callsPerThread; ++c) {
                    try {
                        results[t].push_back(hostIterate(h));
                    } catch (const InvalidHandle& error) {
                        EXPECT_TRUE(isBusy(error)) << error.what();
                        ++refused[t];
                    }
                }
            });
        for (std::thread& t : callers) t.join();

        std::vector<int> seen;
        for (int t = 0; t < 2; ++t) {
            int previous = 0;
            for (const std::vector<double>& state : results[t]) {
                const auto level = levels.find(state);
                ASSERT_NE(level, levels.end())
                    << "repeat " << repeat << ": a result is no time level";
                EXPECT_GT(level->second, previous) << "a thread saw time run backwards";
                previous = level->second;
                seen.push_back(level->second);
            }
        }
        std::sort(seen.begin(), seen.end());
        const int successes = static_cast<int>(seen.size());
        EXPECT_EQ(successes + refused[0] + refused[1], 2 * callsPerThread);
        for (int n = 0; n < successes; ++n) EXPECT_EQ(seen[n], n + 1) << "repeat " << repeat;
        // The solver is intact: one more call continues the run exactly.
        EXPECT_EQ(levels.at(hostIterate(h)), successes + 1);
        hostCleanup(h);
        refusedTotal += refused[0] + refused[1];
    }
    RecordProperty("refusedOverlappingCalls", refusedTotal);
}

TEST(Concurrency, CleanupRacingWithCallsAndStaleHandleProbes) {
    const std::size_t liveBefore = solverRegistry().size();
    CapturedLog log;
    std::mutex deadMutex;
    std::vector<HandleValues> dead;  // handles already cleaned up, probed by a third thread
    std::atomic<bool> finished{false};
    std::atomic<int> probes{0};

    // Probes dead and made-up handles with every call; each must be refused as naming no solver.
    std::thread prober([&] {
        std::mt19937_64 random(7);
        const std::vector<double> parameters(16, 1.5);
        while (!finished.load()) {
            HandleValues h{static_cast<std::int64_t>(random()),
                           static_cast<std::int64_t>(random())};
            {
                const std::lock_guard<std::mutex> lock(deadMutex);
                if (!dead.empty() && random() % 2 == 0) h = dead[random() % dead.size()];
            }
            const int call = static_cast<int>(random() % 4);
            try {
                switch (call) {
                    case 0: hostIterate(h); break;
                    case 1: hostAnalysis(h); break;
                    case 2: hostUpdate(h, parameters); break;
                    default: hostCleanup(h); break;
                }
                ADD_FAILURE() << "a dead or made-up handle was accepted";
            } catch (const InvalidHandle& error) {
                EXPECT_TRUE(isDead(error)) << error.what();
            }
            ++probes;
        }
    });

    constexpr int rounds = 30;
    for (int round = 0; round < rounds; ++round) {
        const OwnedStart arguments = caseArguments(round);
        const HandleValues h = hostStart(arguments);
        std::atomic<bool> removed{false};
        std::thread caller([&] {
            for (int i = 0; i < 300; ++i) {
                const bool removedBefore = removed.load();
                try {
                    switch (i % 3) {
                        case 0: hostIterate(h); break;
                        case 1: hostAnalysis(h); break;
                        default: hostUpdate(h, *arguments.parameters); break;
                    }
                    EXPECT_FALSE(removedBefore) << "a call reached a cleaned-up solver";
                } catch (const InvalidHandle& error) {
                    if (isDead(error)) return;  // cleaned up: every later call is refused
                    ADD_FAILURE() << "a call was refused while nothing else used the solver: "
                                  << error.what();
                }
                std::this_thread::yield();
            }
        });
        std::this_thread::sleep_for(std::chrono::microseconds(200 * (round % 5)));
        for (;;) {
            try {
                hostCleanup(h);
                break;
            } catch (const InvalidHandle& error) {
                if (!isBusy(error)) {
                    ADD_FAILURE() << "cleanup of a live solver refused: " << error.what();
                    break;
                }
                std::this_thread::yield();
            }
        }
        removed = true;
        caller.join();
        const std::lock_guard<std::mutex> lock(deadMutex);
        dead.push_back(h);
    }
    // Let the prober look at the complete list for a while.
    const int probesBefore = probes.load();
    while (probes.load() < probesBefore + 1000) std::this_thread::yield();
    finished = true;
    prober.join();
    EXPECT_EQ(solverRegistry().size(), liveBefore);
    RecordProperty("probesOfDeadOrMadeUpHandles", probes.load());
    // Every cleanup writes its first line; only the ones that released a solver write the second.
    const auto [started, finishedLines] = log.cleanupLines();
    EXPECT_EQ(finishedLines, rounds);
    EXPECT_GE(started, rounds);
}
