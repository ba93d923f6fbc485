#pragma once
// Heap accounting for the benchmark binary: the global operator new and delete are replaced
// so that every allocation of the process is counted, with the live byte count and its peak.
#include <cstddef>

namespace kestrafol::bench {

struct HeapCounts {
    std::size_t allocations = 0;  // operator new calls so far
    std::size_t liveBytes = 0;    // usable bytes currently allocated
    std::size_t peakBytes = 0;    // highest liveBytes since the last resetHeapPeak
};

HeapCounts heapCounts();

// Restarts the peak from the current live byte count.
void resetHeapPeak();

}  // namespace kestrafol::bench
