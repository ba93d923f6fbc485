#include <cmath>
#include <cstdint>
#include <limits>
#include <random>

#include <gtest/gtest.h>

#include "base/orientation.h"

using namespace kestrafol;

namespace {

__extension__ typedef __int128 Int128;

// Exact sign of (b - a) x (c - a) for points on the grid of spacing 2^-30 (the spacing of
// doubles between 2^22 and 2^23, around 5e6), in 128-bit integers: an independent path.
int gridSign(Point2 a, Point2 b, Point2 c) {
    auto units = [](double v) { return static_cast<Int128>(std::ldexp(v, 30)); };
    const Int128 value = (units(b.x) - units(a.x)) * (units(c.y) - units(a.y)) -
                           (units(b.y) - units(a.y)) * (units(c.x) - units(a.x));
    return value > 0 ? 1 : value < 0 ? -1 : 0;
}

Point2 shifted(Point2 p, double dx, double dy) { return {p.x + dx, p.y + dy}; }

}  // namespace

TEST(Orientation, SmallElementsFarFromTheOriginAndNearlyDegenerateOnes) {
    // A triangle of size 0.01 at (5e6, 5e6): the shoelace sum of absolute coordinates gets its
    // sign wrong, the difference form does not.
    const Point2 a{5e6, 5e6}, b{5e6 + 0.01, 5e6}, c{5e6, 5e6 + 0.01};
    EXPECT_EQ(orientation(a, b, c), 1);
    EXPECT_EQ(orientation(a, c, b), -1);
    EXPECT_EQ(orientation(b, c, a), 1);  // any rotation
    // The same at 5e15, where the coordinates are 1 apart at best.
    EXPECT_EQ(orientation({5e15, 5e15}, {5e15 + 2, 5e15}, {5e15, 5e15 + 2}), 1);
    EXPECT_EQ(orientation({5e15, 5e15}, {5e15, 5e15 + 2}, {5e15 + 2, 5e15}), -1);

    // Collinear points and their one-ulp perturbations: the rounded determinant is noise here,
    // the sign comes from the exact path.
    const Point2 p{0.5, 0.5}, q{12.0, 12.0};
    EXPECT_EQ(orientation(p, q, {24.0, 24.0}), 0);
    EXPECT_EQ(orientation(p, q, {24.0, std::nextafter(24.0, 25.0)}), 1);
    EXPECT_EQ(orientation(p, q, {24.0, std::nextafter(24.0, 23.0)}), -1);
    EXPECT_EQ(orientation(p, q, {std::nextafter(24.0, 25.0), 24.0}), -1);
    // Coincident points.
    EXPECT_EQ(orientation(p, p, q), 0);

    // Coordinates whose products overflow or underflow in the fast path.
    EXPECT_EQ(orientation({0, 0}, {1e300, 0}, {0, 1e300}), 1);
    EXPECT_EQ(orientation({-1e300, -1e300}, {1e300, -1e300}, {1e300, 1e300}), 1);
    EXPECT_EQ(orientation({0, 0}, {1e-300, 0}, {0, 1e-300}), 1);
    EXPECT_EQ(orientation({0, 0}, {0, 1e-300}, {1e-300, 0}), -1);
    EXPECT_EQ(orientation({1e-310, 0}, {2e-310, 1e-310}, {3e-310, 2e-310}), 0);  // subnormal, collinear

    // Quadrilaterals: the sign of the area is the sign of the diagonals' cross product.
    EXPECT_EQ(quadOrientation({0, 0}, {1, 0}, {1, 1}, {0, 1}), 1);
    EXPECT_EQ(quadOrientation({0, 0}, {0, 1}, {1, 1}, {1, 0}), -1);
    EXPECT_EQ(quadOrientation({0, 0}, {1, 1}, {1, 0}, {0, 1}), 0);  // bow-tie with equal lobes
    const Point2 s{5e6, 5e6};
    EXPECT_EQ(quadOrientation(s, shifted(s, 0.01, 0), shifted(s, 0.01, 0.01), shifted(s, 0, 0.01)), 1);
    EXPECT_EQ(quadOrientation(s, shifted(s, 0, 0.01), shifted(s, 0.01, 0.01), shifted(s, 0.01, 0)), -1);
}

TEST(Orientation, AgreesWithIntegerArithmeticOnNearlyCollinearPointsFarOut) {
    // Points a few grid steps off a line through (5e6, 5e6): every sign, zero included, must
    // match the 128-bit integer determinant, and swapping two points must flip it.
    std::mt19937_64 random(13);
    std::uniform_int_distribution<int> jitter(-3, 3);
    std::uniform_int_distribution<int> step(1, 1 << 20);
    const double unit = std::ldexp(1.0, -30);
    int zero = 0, positive = 0, negative = 0;
    for (int i = 0; i < 20000; ++i) {
        const Point2 a{5e6 + jitter(random) * unit, 5e6 + jitter(random) * unit};
        const int dx = step(random), dy = step(random);
        const int t = 1 + i % 3;
        const int off = i % 5 == 0 ? 0 : 1;  // every fifth case exactly collinear
        const Point2 b{a.x + (dx + off * jitter(random)) * unit, a.y + (dy + off * jitter(random)) * unit};
        const Point2 c{a.x + (t * dx + off * jitter(random)) * unit, a.y + (t * dy + off * jitter(random)) * unit};
        const int expected = gridSign(a, b, c);
        ASSERT_EQ(orientation(a, b, c), expected) << "case " << i;
        ASSERT_EQ(orientation(b, a, c), -expected) << "case " << i;
        ASSERT_EQ(crossSign(a, b, a, c), -crossSign(a, c, a, b)) << "case " << i;
        (expected == 0 ? zero : expected > 0 ? positive : negative) += 1;
    }
    // The table reaches all three answers.
    EXPECT_GT(zero, 100);
    EXPECT_GT(positive, 1000);
    EXPECT_GT(negative, 1000);
}
