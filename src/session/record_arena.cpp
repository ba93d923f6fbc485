#include "session/record_arena.h"

#include <sys/mman.h>

#include <cstdint>
#include <new>
#include <utility>

#if defined(__SANITIZE_ADDRESS__)
#define KESTRAFOL_LSAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define KESTRAFOL_LSAN 1
#endif
#endif
#ifdef KESTRAFOL_LSAN
#include <sanitizer/lsan_interface.h>
#endif

namespace kestrafol {

namespace {

constexpr std::size_t alignedTo64(std::size_t bytes) { return (bytes + 63) / 64 * 64; }
constexpr std::size_t stateBytes = alignedTo64(sizeof(SolverState));

// The chunk as mapped: a block more than asked for, so that blocks can start on multiples of
// their size.
std::size_t mappedBytes(std::size_t chunkBytes) { return chunkBytes + RecordArena::blockBytes; }

char* blockOf(const void* address) {
    const auto value = reinterpret_cast<std::uintptr_t>(address);
    return reinterpret_cast<char*>(value - value % RecordArena::blockBytes);
}

}  // namespace

const std::size_t RecordArena::slotBytes = stateBytes + alignedTo64(sizeof(SolverSettings));

RecordArena::RecordArena(std::size_t chunkBytes)
    : chunkBytes_(chunkBytes < blockBytes ? blockBytes : chunkBytes / blockBytes * blockBytes) {}

RecordArena::~RecordArena() {
    for (std::size_t i = 0; i < chunks_.size(); ++i) {
#ifdef KESTRAFOL_LSAN
        __lsan_unregister_root_region(chunks_[i], chunkBytes_);
#endif
        munmap(mappings_[i], mappedBytes(chunkBytes_));
    }
}

void RecordArena::takeChunk() {
    void* const mapped = mmap(nullptr, mappedBytes(chunkBytes_), PROT_NONE,
                              MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    if (mapped == MAP_FAILED) throw std::bad_alloc();
    char* const chunk = blockOf(static_cast<char*>(mapped) + blockBytes - 1);
    try {
        chunks_.reserve(chunks_.size() + 1);
        mappings_.reserve(mappings_.size() + 1);
    } catch (...) {
        munmap(mapped, mappedBytes(chunkBytes_));
        throw;
    }
    chunks_.push_back(chunk);
    mappings_.push_back(static_cast<char*>(mapped));
#ifdef KESTRAFOL_LSAN
    // Solver arrays are reachable only through records in this range; the leak checker scans
    // it like the heap (only its readable pages).
    __lsan_register_root_region(chunk, chunkBytes_);
#endif
    chunkEnd_ = chunk + chunkBytes_;
}

void RecordArena::openBlock(char* block) {
    resident_.emplace(block, 0);  // may throw before anything changes
    if (mprotect(block, blockBytes, PROT_READ | PROT_WRITE) != 0) {
        resident_.erase(block);
        throw std::bad_alloc();
    }
    currentBlock_ = block;
    next_ = block;
    blockEnd_ = block + blockBytes / slotBytes * slotBytes;
}

void RecordArena::returnBlock(char* block) {
    // Mapping the block again, inaccessible, frees its pages and page tables; the range stays
    // ours. Should that fail (too many mappings), the pages are at least given back.
    if (mmap(block, blockBytes, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE | MAP_FIXED, -1, 0) ==
        MAP_FAILED)
        madvise(block, blockBytes, MADV_DONTNEED);
    resident_.erase(block);
}

RecordArena::Slot RecordArena::place(SolverRecords& records) {
    if (next_ + slotBytes > blockEnd_) {
        char* block = currentBlock_ == nullptr ? nullptr : currentBlock_ + blockBytes;
        if (block == nullptr || block >= chunkEnd_) {
            takeChunk();
            block = chunkEnd_ - chunkBytes_;
        }
        char* const previous = currentBlock_;
        openBlock(block);
        if (previous != nullptr && resident_.at(previous) == 0) returnBlock(previous);
    }
    Slot slot;
    slot.state = new (next_) SolverState(std::move(*records.state));
    slot.settings = new (next_ + stateBytes) SolverSettings(std::move(*records.settings));
    records.state.reset();
    records.settings.reset();
    next_ += slotBytes;
    ++resident_.at(currentBlock_);
    ++slotsUsed_;
    return slot;
}

void RecordArena::release(Slot slot) {
    char* const block = blockOf(slot.state);
    slot.state->~SolverState();
    slot.settings->~SolverSettings();
    const auto it = resident_.find(block);
    if (it == resident_.end()) return;
    if (--it->second == 0 && block != currentBlock_) returnBlock(block);
}

}  // namespace kestrafol
