#include "session/record_arena.h"

#include <sys/mman.h>

#include <algorithm>
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

char* blockOf(const void* address) {
    const auto value = reinterpret_cast<std::uintptr_t>(address);
    return reinterpret_cast<char*>(value - value % RecordArena::blockBytes);
}

}  // namespace

const std::size_t RecordArena::slotBytes = stateBytes + alignedTo64(sizeof(SolverSettings));

RecordArena::RecordArena(std::size_t maxChunkBytes)
    : maxChunkBytes_(maxChunkBytes < blockBytes ? blockBytes : maxChunkBytes / blockBytes * blockBytes),
      nextChunkBytes_(std::min(maxChunkBytes_, std::size_t{16} << 20)) {}

RecordArena::~RecordArena() {
    for (const Chunk& chunk : chunks_) {
#ifdef KESTRAFOL_LSAN
        __lsan_unregister_root_region(chunk.first, chunk.bytes);
#endif
        munmap(chunk.mapping, chunk.mapped);
    }
}

void RecordArena::takeChunk() {
    chunks_.reserve(chunks_.size() + 1);  // may throw before anything is mapped
    for (std::size_t bytes = nextChunkBytes_;; bytes /= 2) {
        bytes = bytes / blockBytes * blockBytes;
        if (bytes < blockBytes) throw std::bad_alloc();
        // One block more than the chunk, so that blocks can start on multiples of their size.
        const std::size_t mapped = bytes + blockBytes;
        void* const mapping = mmap(nullptr, mapped, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
        if (mapping == MAP_FAILED) continue;
        char* const first = blockOf(static_cast<char*>(mapping) + blockBytes - 1);
        chunks_.push_back(Chunk{static_cast<char*>(mapping), mapped, first, bytes});
#ifdef KESTRAFOL_LSAN
        // Solver arrays are reachable only through records in this range; the leak checker
        // scans it like the heap (only its readable pages).
        __lsan_register_root_region(first, bytes);
#endif
        reserved_ += bytes;
        nextChunkBytes_ = std::min(maxChunkBytes_, 2 * bytes);
        chunkEnd_ = first + bytes;
        return;
    }
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
    if (currentBlock_ == nullptr || static_cast<std::size_t>(blockEnd_ - next_) < slotBytes) {
        char* block = currentBlock_ == nullptr ? nullptr : currentBlock_ + blockBytes;
        if (block == nullptr || block >= chunkEnd_) {
            takeChunk();
            block = chunks_.back().first;
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
