#include "session/solver_registry.h"

#include <new>
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

HandleValues handleOf(const SolverRecords& records) {
    return {addressOf(records.state.get()), addressOf(records.settings.get())};
}

SolverRegistry::Lease::Lease(Lease&& other) noexcept
    : registry_(std::exchange(other.registry_, nullptr)), entry_(std::exchange(other.entry_, nullptr)) {}

SolverRegistry::Lease::~Lease() {
    if (entry_ != nullptr) registry_->release(*entry_);
}

HandleValues SolverRegistry::add(SolverRecords records) {
    if (!records.state || !records.settings) throw std::logic_error("a solver needs both records");
    const HandleValues handle = handleOf(records);
    auto entry = std::make_unique<Entry>();
    entry->records = std::move(records);
    entry->settingsAddress = handle[1];
    const std::lock_guard<std::mutex> lock(mutex_);
    const bool inserted = live_.emplace(handle[0], std::move(entry)).second;
    if (!inserted) throw std::logic_error("a live solver already has the address of a new one");
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
    // without the lock. The emptied records are kept for a while so that their addresses are not
    // handed to a new solver while a stale handle may still name them.
    destroySolver(*entry->records.state, *entry->records.settings);
    SolverRecords oldest;  // released after the lock
    const std::lock_guard<std::mutex> lock(mutex_);
    if (retiredKept_ == 0) return;
    try {
        retired_.push_back(std::move(entry->records));
    } catch (const std::bad_alloc&) {
        return;  // the solver is gone all the same; only the address guard is lost
    }
    if (retired_.size() > retiredKept_) {
        oldest = std::move(retired_.front());
        retired_.pop_front();
    }
}

void SolverRegistry::clear() {
    std::unordered_map<std::int64_t, std::unique_ptr<Entry>> live;
    std::deque<SolverRecords> retired;
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        live.swap(live_);
        retired.swap(retired_);
    }
}

std::size_t SolverRegistry::size() const {
    const std::lock_guard<std::mutex> lock(mutex_);
    return live_.size();
}

SolverRegistry& solverRegistry() {
    static SolverRegistry* const registry = new SolverRegistry();
    return *registry;
}

}  // namespace kestrafol
