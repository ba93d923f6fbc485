#include "base/orientation.h"

#include <algorithm>
#include <array>
#include <cfloat>
#include <cmath>

namespace kestrafol {

namespace {

// Half an ulp of 1: the relative rounding error of one operation.
constexpr double unitRoundoff = DBL_EPSILON / 2;
// Bound on the error of the difference form, relative to |left| + |right|: four rounded
// differences, two rounded products and one rounded subtraction.
constexpr double crossErrorBound = (3.0 + 16.0 * unitRoundoff) * unitRoundoff;
// Below this size of |left| + |right| a product may have lost bits to underflow, so the
// bound above no longer holds and the exact path decides.
constexpr double underflowGuard = 0x1p-900;

// a + b = sum + error exactly (round-to-nearest, no extended precision).
void twoSum(double a, double b, double& sum, double& error) {
    sum = a + b;
    const double bVirtual = sum - a;
    const double aVirtual = sum - bVirtual;
    error = (a - aVirtual) + (b - bVirtual);
}

// Splits a into two halves of 26 bits each so that their products are exact.
void split(double a, double& high, double& low) {
    constexpr double splitter = 134217729.0;  // 2^27 + 1
    const double c = splitter * a;
    const double big = c - a;
    high = c - big;
    low = a - high;
}

// a * b = product + error exactly, without a fused multiply-add.
void twoProduct(double a, double b, double& product, double& error) {
    product = a * b;
    double aHigh = 0.0, aLow = 0.0, bHigh = 0.0, bLow = 0.0;
    split(a, aHigh, aLow);
    split(b, bHigh, bLow);
    const double e1 = product - aHigh * bHigh;
    const double e2 = e1 - aLow * bHigh;
    const double e3 = e2 - aHigh * bLow;
    error = aLow * bLow - e3;
}

// A sum of doubles kept exactly as non-overlapping components of increasing magnitude.
class Expansion {
public:
    void add(double value) {
        double carry = value;
        int kept = 0;
        for (int i = 0; i < size_; ++i) {
            double sum = 0.0, error = 0.0;
            twoSum(carry, parts_[i], sum, error);
            carry = sum;
            if (error != 0.0) parts_[kept++] = error;
        }
        if (carry != 0.0) parts_[kept++] = carry;
        size_ = kept;
    }
    // The sign of the sum is the sign of its largest component, the last one.
    int sign() const {
        if (size_ == 0) return 0;
        return parts_[size_ - 1] > 0.0 ? 1 : -1;
    }

private:
    std::array<double, 16> parts_{};  // 8 exact products of 2 components each
    int size_ = 0;
};

// Exact sign of (bx - ax)(dy - cy) - (by - ay)(dx - cx), expanded into eight products of
// coordinates. All coordinates are first scaled by one power of two (exactly) so that none
// exceeds 1 in magnitude and no product can overflow; products of coordinates smaller than
// 2^-500 times the largest may underflow, which only matters for such extreme spreads.
int exactCrossSign(Point2 a, Point2 b, Point2 c, Point2 d) {
    double largest = 0.0;
    for (const double v : {a.x, a.y, b.x, b.y, c.x, c.y, d.x, d.y}) largest = std::max(largest, std::fabs(v));
    if (largest == 0.0) return 0;
    int exponent = 0;
    std::frexp(largest, &exponent);
    auto scaled = [exponent](Point2 p) { return Point2{std::ldexp(p.x, -exponent), std::ldexp(p.y, -exponent)}; };
    a = scaled(a);
    b = scaled(b);
    c = scaled(c);
    d = scaled(d);

    const std::array<std::array<double, 2>, 8> products{{
        {b.x, d.y}, {-b.x, c.y}, {-a.x, d.y}, {a.x, c.y},
        {-b.y, d.x}, {b.y, c.x}, {a.y, d.x}, {-a.y, c.x}}};
    Expansion sum;
    for (const auto& [p, q] : products) {
        double product = 0.0, error = 0.0;
        twoProduct(p, q, product, error);
        sum.add(error);
        sum.add(product);
    }
    return sum.sign();
}

}  // namespace

int crossSign(Point2 a, Point2 b, Point2 c, Point2 d) {
    const double left = (b.x - a.x) * (d.y - c.y);
    const double right = (b.y - a.y) * (d.x - c.x);
    const double value = left - right;
    const double size = std::fabs(left) + std::fabs(right);
    // The comparisons are false for NaN and infinite values, which go to the exact path.
    if (size >= underflowGuard) {
        const double bound = crossErrorBound * size;
        if (value > bound) return 1;
        if (-value > bound) return -1;
    }
    return exactCrossSign(a, b, c, d);
}

}  // namespace kestrafol
