// 4x4 block times a 4-vector, in place.
#include "time/time.h"

namespace kestrafol {

void multiplyBlock4(const Block4& matrix, double* vector) {
    const Block4& a = matrix;
    Vec4 t{};
    for (int r = 0; r < 4; ++r) {
        t[r] = a[4 * r] * vector[0] + a[4 * r + 1] * vector[1] + a[4 * r + 2] * vector[2] +
               a[4 * r + 3] * vector[3];
    }
    for (int r = 0; r < 4; ++r) vector[r] = t[r];
}

}  // namespace kestrafol
