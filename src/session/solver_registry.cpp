#include "session/solver_registry.h"

#include <string>
#include <utility>

#include "solver/destroy_solver.h"

namespace kestrafol {

namespace {

std::int64_t addressOf(const void* record) {
    // Pointer to a signed pointer-sized integer, widened with sign extension.
    return static_cast<std::int64_t>(reinterpret_cast<std::intptr_t>(record));
}

std::string describe(std::int64_t stateAddress, std::int64_t settingsAddress) {
    return "handle {" + std::to_string(stateAddress) + ", " + std::to_string(settingsAddress) + "}";
}

}  // namespace

SolverRegistry::Lease::Lease(Lease&& other) noexcept
    : registry_(std::exchange(other.registry_, nullptr)), entry_(std::exchange(other.entry_, nullptr)) {}

SolverRegistry::Lease::~Lease() {
    if (entry_ != nullptr) registry_->release(*entry_);
}

SolverRegistry::~SolverRegistry() { clear(); }

HandleValues SolverRegistry::add(SolverRecords records) {
    if (!records.state || !records.settings) throw std::logic_error("a solver needs both records");
    auto entry = std::make_unique<Entry>();
    const std::lock_guard<std::mutex> lock(mutex_);
    const RecordArena::Slot slot = arena_.place(records);
    const HandleValues handle{addressOf(slot.state), addressOf(slot.settings)};
    entry->records = slot;
    entry->settingsAddress = handle[1];
    try {
        const bool inserted = live_.emplace(handle[0], std::move(entry)).second;
        if (!inserted) throw std::logic_error("a live solver already has the address of a new one");
    } catch (...) {
        arena_.release(slot);  // the solver and its arrays go with the failed start
        throw;
    }
    return handle;
}

SolverRegistry::Entry& SolverRegistry::find(std::int64_t stateAddress, std::int64_t settingsAddress) {
    const auto it = live_.find(stateAddress);
    if (it == live_.end() || it->second->settingsAddress != settingsAddress)
        throw InvalidHandle(describe(stateAddress, settingsAddress) +
                            " names no live solver: it was not returned by start, or it was cleaned up");
    if (it->second->busy)
        throw InvalidHandle(describe(stateAddress, settingsAddress) +
                            " is in use by another call; calls on one solver must not overlap");
    return *it->second;
}

SolverRegistry::Lease SolverRegistry::acquire(std::int64_t stateAddress, std::int64_t settingsAddress) {
    const std::lock_guard<std::mutex> lock(mutex_);
    Entry& entry = find(stateAddress, settingsAddress);
    entry.busy = true;
    return Lease(this, &entry);
}

void SolverRegistry::release(Entry& entry) {
    const std::lock_guard<std::mutex> lock(mutex_);
    entry.busy = false;
}

void SolverRegistry::remove(std::int64_t stateAddress, std::int64_t settingsAddress) {
    std::unique_ptr<Entry> entry;
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        find(stateAddress, settingsAddress);
        const auto it = live_.find(stateAddress);
        entry = std::move(it->second);
        live_.erase(it);
    }
    // The solver is out of the registry: nobody else can reach it, so its arrays are released
    // without the lock. Its records' addresses are never given to another solver.
    destroySolver(*entry->records.state, *entry->records.settings);
    const std::lock_guard<std::mutex> lock(mutex_);
    arena_.release(entry->records);
}

void SolverRegistry::clear() {
    const std::lock_guard<std::mutex> lock(mutex_);
    for (auto& [address, entry] : live_) arena_.release(entry->records);
    live_.clear();
}

std::size_t SolverRegistry::size() const {
    const std::lock_guard<std::mutex> lock(mutex_);
    return live_.size();
}

std::size_t SolverRegistry::residentBytes() const {
    const std::lock_guard<std::mutex> lock(mutex_);
    return arena_.residentBytes();
}

std::size_t SolverRegistry::reservedBytes() const {
    const std::lock_guard<std::mutex> lock(mutex_);
    return arena_.reservedBytes();
}

SolverRegistry& solverRegistry() {
    static SolverRegistry* const registry = new SolverRegistry();
    return *registry;
}

}  // namespace kestrafol
