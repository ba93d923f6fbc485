// Gauss-Jordan elimination of a 4x4 system, no row exchanges.
#include "time/time.h"

namespace kestrafol {

void solveBlock4(Block4& matrix, double* rhs) {
    Block4& a = matrix;
    for (int k = 0; k < 4; ++k) {
        const double s = 1.0 / a[5 * k];
        a[5 * k] = 1.0;
        for (int j = k + 1; j < 4; ++j) a[4 * k + j] *= s;
        rhs[k] *= s;
        for (int m = k + 1; m < 4; ++m) {
            const double f = a[4 * m + k];
            a[4 * m + k] = 0.0;
            for (int j = k + 1; j < 4; ++j) a[4 * m + j] -= f * a[4 * k + j];
            rhs[m] -= f * rhs[k];
        }
    }
    for (int c = 3; c >= 1; --c) {
        for (int j = c - 1; j >= 0; --j) {
            rhs[j] -= a[4 * j + c] * rhs[c];
            a[4 * j + c] = 0.0;
        }
    }
}

}  // namespace kestrafol
