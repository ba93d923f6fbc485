#include "heap_counter.h"

#include <malloc.h>

#include <cstdlib>
#include <new>

namespace kestrafol::bench {

namespace {

// The benchmark is single-threaded; plain counters are enough.
HeapCounts counts;

void* allocate(std::size_t size) {
    void* p = std::malloc(size == 0 ? 1 : size);
    if (p == nullptr) throw std::bad_alloc();
    ++counts.allocations;
    counts.liveBytes += malloc_usable_size(p);
    if (counts.liveBytes > counts.peakBytes) counts.peakBytes = counts.liveBytes;
    return p;
}

void release(void* p) {
    if (p == nullptr) return;
    counts.liveBytes -= malloc_usable_size(p);
    std::free(p);
}

}  // namespace

HeapCounts heapCounts() { return counts; }

void resetHeapPeak() { counts.peakBytes = counts.liveBytes; }

}  // namespace kestrafol::bench

void* operator new(std::size_t size) { return kestrafol::bench::allocate(size); }
void* operator new[](std::size_t size) { return kestrafol::bench::allocate(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    try {
        return kestrafol::bench::allocate(size);
    } catch (...) {
        return nullptr;
    }
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    try {
        return kestrafol::bench::allocate(size);
    } catch (...) {
        return nullptr;
    }
}
void operator delete(void* p) noexcept { kestrafol::bench::release(p); }
void operator delete[](void* p) noexcept { kestrafol::bench::release(p); }
void operator delete(void* p, std::size_t) noexcept { kestrafol::bench::release(p); }
void operator delete[](void* p, std::size_t) noexcept { kestrafol::bench::release(p); }
