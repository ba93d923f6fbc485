// Detection of the vector path at load time and the hook that overrides it.
#include "base/kernel_path.h"

#include <atomic>

namespace kestrafol {

namespace {

KernelPath detect() {
#if defined(__x86_64__) || defined(__i386__)
    // libgcc's check for avx2 includes the operating system's saving of the upper register
    // halves (XGETBV), so a reported feature is a usable one.
    __builtin_cpu_init();
    if (__builtin_cpu_supports("avx2")) return KernelPath::Avx2;
#endif
    return KernelPath::Scalar;
}

std::atomic<int>& active() {
    static std::atomic<int> path{static_cast<int>(detect())};
    return path;
}

// Detected while the library is loaded rather than on the first iteration.
[[maybe_unused]] const bool detectedAtLoad = (active(), true);

}  // namespace

KernelPath kernelPath() {
    return static_cast<KernelPath>(active().load(std::memory_order_relaxed));
}

KernelPath bestKernelPath() { return detect(); }

const char* kernelPathName(KernelPath path) { return path == KernelPath::Avx2 ? "avx2" : "scalar"; }

bool selectKernelPath(KernelPath path) {
    if (path == KernelPath::Avx2 && bestKernelPath() != KernelPath::Avx2) return false;
    active().store(static_cast<int>(path), std::memory_order_relaxed);
    return true;
}

}  // namespace kestrafol
