#include <cstdint>
#include <set>
#include <vector>

#include <gtest/gtest.h>

#include "session/solver_registry.h"
#include "session/record_arena.h"
#include "support/test_meshes.h"

using namespace kestrafol;
using kestrafol::testing::makeParameters;
using kestrafol::testing::makeRectangle;
using kestrafol::testing::makeSolver;

namespace {

SolverRecords smallSolver() { return makeSolver(makeRectangle(2, 1), makeParameters(0.5)); }

bool refused(SolverRegistry& registry, const HandleValues& h) {
    try {
        registry.acquire(h[0], h[1]);
    } catch (const InvalidHandle&) {
        return true;
    }
    return false;
}

}  // namespace

TEST(RecordArena, StaleHandlesStayRefusedThroughThousandsOfCyclesInBoundedMemory) {
    // Small chunks, so that the run also crosses from one reserved range to the next.
    SolverRegistry registry(4 * RecordArena::blockBytes);
    const HandleValues first = registry.add(smallSolver());
    const HandleValues kept = registry.add(smallSolver());  // lives through the whole run
    registry.remove(first[0], first[1]);

    constexpr int cycles = 5000;
    std::set<std::int64_t> seen{first[0], first[1], kept[0], kept[1]};
    std::vector<HandleValues> sample;
    for (int cycle = 0; cycle < cycles; ++cycle) {
        const HandleValues h = registry.add(smallSolver());
        ASSERT_TRUE(seen.insert(h[0]).second) << "state address reused in cycle " << cycle;
        ASSERT_TRUE(seen.insert(h[1]).second) << "settings address reused in cycle " << cycle;
        {
            const auto lease = registry.acquire(h[0], h[1]);
            ASSERT_EQ(lease.state().nodeCount, 6);
        }
        registry.remove(h[0], h[1]);
        if (cycle % 500 == 0) sample.push_back(h);
    }
    EXPECT_TRUE(refused(registry, first));
    for (const HandleValues& h : sample) EXPECT_TRUE(refused(registry, h));
    // The solver that lived through it all is intact and still the one its handle names.
    {
        const auto lease = registry.acquire(kept[0], kept[1]);
        EXPECT_EQ(lease.state().nodeCount, 6);
        EXPECT_EQ(lease.settings().mach, 0.5);
    }
    EXPECT_EQ(registry.size(), 1u);

    // 5000 slots of about 1 KiB span dozens of chunks, yet only the kept solver's block and the
    // block being filled hold pages.
    EXPECT_GE(registry.reservedBytes(), cycles * RecordArena::slotBytes);
    EXPECT_LE(registry.residentBytes(), 2 * RecordArena::blockBytes);
    registry.remove(kept[0], kept[1]);
    EXPECT_TRUE(refused(registry, kept));
    EXPECT_LE(registry.residentBytes(), RecordArena::blockBytes);
}

TEST(RecordArena, SlotsNeverRepeatAndBlocksReturnWhenEmpty) {
    RecordArena arena(2 * RecordArena::blockBytes);
    const std::size_t perBlock = RecordArena::blockBytes / RecordArena::slotBytes;
    ASSERT_GE(perBlock, 8u);
    std::vector<RecordArena::Slot> slots;
    std::set<const void*> addresses;
    for (std::size_t i = 0; i < 3 * perBlock; ++i) {
        SolverRecords records = smallSolver();
        const double* coords = records.state->coords.data();
        slots.push_back(arena.place(records));
        EXPECT_FALSE(records.state) << "the records moved into the arena";
        EXPECT_EQ(slots.back().state->coords.data(), coords);
        EXPECT_TRUE(addresses.insert(slots.back().state).second);
        EXPECT_TRUE(addresses.insert(slots.back().settings).second);
    }
    EXPECT_EQ(arena.slotsUsed(), 3 * perBlock);
    EXPECT_EQ(arena.residentBytes(), 3 * RecordArena::blockBytes);  // three full blocks in use
    EXPECT_EQ(arena.reservedBytes(), 4 * RecordArena::blockBytes);  // two chunks of two blocks
    // Emptying the first block returns it; the block being filled keeps its pages.
    for (std::size_t i = 0; i < perBlock; ++i) arena.release(slots[i]);
    EXPECT_EQ(arena.residentBytes(), 2 * RecordArena::blockBytes);
    for (std::size_t i = perBlock; i < 3 * perBlock; ++i) arena.release(slots[i]);
    EXPECT_EQ(arena.residentBytes(), RecordArena::blockBytes);
    // The next slot comes after every earlier one, never from a returned block.
    SolverRecords records = smallSolver();
    const RecordArena::Slot next = arena.place(records);
    EXPECT_FALSE(addresses.count(next.state));
    arena.release(next);
}
