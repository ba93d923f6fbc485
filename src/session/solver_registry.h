#pragma once
// The registry of live solvers. The host keeps a solver as a handle of two 64-bit integers,
// the addresses of its SolverState and SolverSettings; the library never turns those integers
// back into pointers but looks them up here. A call acquires its solver exclusively, so two
// overlapping calls on one handle cannot both touch it, while calls on different handles run
// side by side: the registry lock is held only to look up, acquire, release and remove, never
// while a solver works. The records live in a RecordArena, so no two solvers of the process
// ever share an address and a cleaned-up handle stays refused for good. Free of JNI.
#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <unordered_map>

#include "session/record_arena.h"
#include "solver/setup.h"

namespace kestrafol {

// A handle that names no live solver, or one busy with another call; the entry points raise
// it as IllegalStateException.
class InvalidHandle : public std::logic_error {
public:
    using std::logic_error::logic_error;
};

// Element 0: SolverState address, element 1: SolverSettings address, each widened from a
// pointer-sized signed integer with sign extension.
using HandleValues = std::array<std::int64_t, 2>;

class SolverRegistry {
    struct Entry {
        RecordArena::Slot records;
        std::int64_t settingsAddress = 0;
        bool busy = false;
    };

public:
    // Exclusive use of one solver for the duration of a call; releases it on destruction.
    class Lease {
    public:
        Lease(Lease&& other) noexcept;
        Lease(const Lease&) = delete;
        Lease& operator=(const Lease&) = delete;
        Lease& operator=(Lease&&) = delete;
        ~Lease();

        SolverState& state() const { return *entry_->records.state; }
        SolverSettings& settings() const { return *entry_->records.settings; }

    private:
        friend class SolverRegistry;
        Lease(SolverRegistry* registry, Entry* entry) : registry_(registry), entry_(entry) {}
        SolverRegistry* registry_;
        Entry* entry_;
    };

    // `chunkBytes`: the address range the arena reserves at a time (see RecordArena).
    explicit SolverRegistry(std::size_t chunkBytes = std::size_t{1} << 30) : arena_(chunkBytes) {}
    // Releases every solver left (clear).
    ~SolverRegistry();
    SolverRegistry(const SolverRegistry&) = delete;
    SolverRegistry& operator=(const SolverRegistry&) = delete;

    // Takes over a new solver, moving its two records to addresses no solver had before, and
    // returns its handle: those two addresses.
    HandleValues add(SolverRecords records);

    // Acquires the solver named by the two handle values. Throws InvalidHandle when they name no
    // live solver or when the solver is busy with another call.
    Lease acquire(std::int64_t stateAddress, std::int64_t settingsAddress);

    // Removes the solver and releases all its arrays. Throws InvalidHandle like acquire; a busy
    // solver stays registered and untouched.
    void remove(std::int64_t stateAddress, std::int64_t settingsAddress);

    // Removes and releases every solver, busy or not. Only for the unload of the library, when
    // no call can be running any more.
    void clear();

    // Number of live solvers.
    std::size_t size() const;

    // Memory and address range the arena holds (see RecordArena).
    std::size_t residentBytes() const;
    std::size_t reservedBytes() const;

private:
    Entry& find(std::int64_t stateAddress, std::int64_t settingsAddress);  // lock held
    void release(Entry& entry);

    mutable std::mutex mutex_;
    RecordArena arena_;
    std::unordered_map<std::int64_t, std::unique_ptr<Entry>> live_;  // keyed by state address
};

// The registry the entry points use. It lives until the process ends (it is never destroyed,
// so a host thread still calling in while the process exits finds it intact).
SolverRegistry& solverRegistry();

}  // namespace kestrafol
