#include <cmath>
#include <random>

#include <gtest/gtest.h>

#include "time/time.h"

using namespace kestrafol;

namespace {

Block4 identity() {
    Block4 a{};
    for (int k = 0; k < 4; ++k) a[5 * k] = 1.0;
    return a;
}

void expectIdentity(const Block4& a) {
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) EXPECT_EQ(a[4 * r + c], r == c ? 1.0 : 0.0) << r << "," << c;
}

}  // namespace

TEST(SolveBlock4, IdentityReturnsRightHandSideUnchanged) {
    Block4 a = identity();
    double b[4] = {0.3, -1.7, 2.5e-9, 4.0e7};
    solveBlock4(a, b);
    EXPECT_EQ(b[0], 0.3);
    EXPECT_EQ(b[1], -1.7);
    EXPECT_EQ(b[2], 2.5e-9);
    EXPECT_EQ(b[3], 4.0e7);
    expectIdentity(a);
}

TEST(SolveBlock4, SolvesGeneralSystemsAndLeavesIdentity) {
    std::mt19937 gen(12345);
    std::uniform_real_distribution<double> dist(-2.0, 2.0);
    for (int trial = 0; trial < 50; ++trial) {
        Block4 a{};
        for (double& x : a) x = dist(gen);
        for (int k = 0; k < 4; ++k) a[5 * k] += (k % 2 == 0 ? 3.0 : -3.0);  // non-zero pivots
        double b[4];
        for (double& x : b) x = dist(gen);
        const Block4 original = a;
        double x[4] = {b[0], b[1], b[2], b[3]};
        solveBlock4(a, x);
        expectIdentity(a);
        for (int r = 0; r < 4; ++r) {
            double ax = 0.0;
            for (int c = 0; c < 4; ++c) ax += original[4 * r + c] * x[c];
            EXPECT_NEAR(ax, b[r], 1e-13) << "trial " << trial << " row " << r;
        }
    }
}

TEST(SolveBlock4, ZeroFirstPivotGivesNonFiniteWithoutRowExchange) {
    // Non-singular (a permutation of the identity), but the leading pivot is zero.
    Block4 a{};
    a[1] = 1.0;
    a[4] = 1.0;
    a[10] = 1.0;
    a[15] = 1.0;
    double b[4] = {1.0, 2.0, 3.0, 4.0};
    solveBlock4(a, b);
    bool anyNonFinite = false;
    for (double x : b) anyNonFinite = anyNonFinite || !std::isfinite(x);
    EXPECT_TRUE(anyNonFinite);
}

TEST(MultiplyBlock4, FormsAllProductsBeforeOverwriting) {
    // A cyclic shift: writing component 0 early would corrupt the later rows.
    Block4 shift{};
    shift[1] = 1.0;
    shift[6] = 1.0;
    shift[11] = 1.0;
    shift[12] = 1.0;
    double v[4] = {1.0, 2.0, 3.0, 4.0};
    multiplyBlock4(shift, v);
    EXPECT_EQ(v[0], 2.0);
    EXPECT_EQ(v[1], 3.0);
    EXPECT_EQ(v[2], 4.0);
    EXPECT_EQ(v[3], 1.0);

    const Block4 a{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
    double w[4] = {1.0, -1.0, 0.5, 2.0};
    multiplyBlock4(a, w);
    EXPECT_EQ(w[0], 1 - 2 + 1.5 + 8);
    EXPECT_EQ(w[1], 5 - 6 + 3.5 + 16);
    EXPECT_EQ(w[2], 9 - 10 + 5.5 + 24);
    EXPECT_EQ(w[3], 13 - 14 + 7.5 + 32);
    EXPECT_EQ(a[0], 1.0);  // the matrix is read only
}
