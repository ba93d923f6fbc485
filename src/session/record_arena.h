#pragma once
// Storage for the two records of every solver at addresses that are never handed out again.
//
// The host names a solver by the addresses of its SolverState and SolverSettings. If a new
// solver could receive the addresses of one cleaned up earlier, a stale handle would name it.
// The arena therefore reserves address ranges (chunks) that only move forward: every solver's
// records are placed in the next unused slot and no slot is ever used twice. Memory stays
// bounded: the pages of a block whose slots have all been released are returned to the system
// (the range is mapped again as inaccessible, which also drops its page tables), while the
// range itself stays reserved, so nothing else in the process can be given those addresses.
// A used-up chunk stays reserved too and a new one is taken; each solver costs about 1 KiB of
// address space, so a billion cleanups use about a TiB of the 128 TiB a 64-bit process has,
// and no memory.
//
// Not thread-safe: the solver registry calls it under its lock.
#include <cstddef>
#include <cstdint>
#include <vector>
#include <unordered_map>

#include "solver/setup.h"

namespace kestrafol {

class RecordArena {
public:
    // The two records of one solver, inside the arena.
    struct Slot {
        SolverState* state = nullptr;
        SolverSettings* settings = nullptr;
    };

    // maxChunkBytes: the largest address range reserved at a time (rounded to whole blocks,
    // at least one). The first chunk is at most 16 MiB and each next one twice the last, up
    // to this; when the system refuses a range (an address-space limit), smaller ones are tried
    // down to a single block.
    explicit RecordArena(std::size_t maxChunkBytes = std::size_t{1} << 30);
    RecordArena(const RecordArena&) = delete;
    RecordArena& operator=(const RecordArena&) = delete;
    // Unmaps every chunk; every slot must have been released. The process-wide registry never
    // destroys its arena, so its addresses are never reused.
    ~RecordArena();

    // Moves both records into a fresh slot. Throws std::bad_alloc when no address range or page
    // can be had; the records are then untouched.
    Slot place(SolverRecords& records);

    // Destroys the records of a slot and returns the pages of its block once no slot of the
    // block is in use and no later slot will come from it.
    void release(Slot slot);

    // Bytes of blocks that hold pages now (in use, or the block being filled).
    std::size_t residentBytes() const { return resident_.size() * blockBytes; }
    // Address range reserved so far.
    std::size_t reservedBytes() const { return reserved_; }
    // Slots handed out so far.
    std::uint64_t slotsUsed() const { return slotsUsed_; }

    static constexpr std::size_t blockBytes = 64 * 1024;
    static const std::size_t slotBytes;

private:
    void takeChunk();
    void openBlock(char* block);
    void returnBlock(char* block);

    std::size_t maxChunkBytes_;
    std::size_t nextChunkBytes_;
    std::size_t reserved_ = 0;
    struct Chunk {
        char* mapping;         // where the mapping begins
        std::size_t mapped;    // its length
        char* first;           // its first block
        std::size_t bytes;     // the blocks' length
    };
    std::vector<Chunk> chunks_;      // reserved, never reused while the arena exists
    char* next_ = nullptr;           // next slot of the current block
    char* blockEnd_ = nullptr;       // end of the slots of the current block
    char* currentBlock_ = nullptr;
    char* chunkEnd_ = nullptr;
    std::unordered_map<char*, int> resident_;  // block -> slots in use, for blocks holding pages
    std::uint64_t slotsUsed_ = 0;
};

}  // namespace kestrafol
