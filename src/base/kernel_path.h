#pragma once
// Which implementation the edge and node loops run: the portable scalar code, or the same
// arithmetic on four lanes of 256-bit AVX2 registers. Both give bit-identical results; the
// choice is made once, when the library is loaded, from what the processor reports.
namespace kestrafol {

enum class KernelPath : int { Scalar = 0, Avx2 = 1 };

// The path the loops take.
KernelPath kernelPath();

// The fastest path this processor (and its operating system) can run.
KernelPath bestKernelPath();

// "scalar" or "avx2".
const char* kernelPathName(KernelPath path);

// Hook for tests and benchmarks: makes the loops take `path` from now on. Returns false and
// changes nothing when this processor cannot run it. Not meant to be called while another
// thread is iterating a solver (the switch itself is safe, the timing would be meaningless).
bool selectKernelPath(KernelPath path);

}  // namespace kestrafol
