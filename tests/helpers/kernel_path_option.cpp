// Lets a run of the test binary choose the kernel path of the library:
// KESTRAFOL_TEST_KERNEL_PATH=scalar runs every test on the portable scalar loops even where the
// processor has AVX2 (the library itself reads no environment; this is the test binary's hook).
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "base/kernel_path.h"

namespace {

class KernelPathOption : public ::testing::Environment {
public:
    void SetUp() override {
        const char* requested = std::getenv("KESTRAFOL_TEST_KERNEL_PATH");
        if (requested == nullptr || *requested == '\0') return;
        const bool scalar = std::strcmp(requested, "scalar") == 0;
        const bool avx2 = std::strcmp(requested, "avx2") == 0;
        ASSERT_TRUE(scalar || avx2) << "KESTRAFOL_TEST_KERNEL_PATH must be scalar or avx2";
        const auto path = scalar ? kestrafol::KernelPath::Scalar : kestrafol::KernelPath::Avx2;
        ASSERT_TRUE(kestrafol::selectKernelPath(path)) << "this processor cannot run " << requested;
        ASSERT_EQ(kestrafol::kernelPath(), path);
        std::printf("kernel path: %s\n", kestrafol::kernelPathName(path));
    }
};

const auto* const registered = ::testing::AddGlobalTestEnvironment(new KernelPathOption);

}  // namespace
