#pragma once
// Four doubles in one 256-bit register, with the scalar operators and the few lane operations
// the vector kernels need. Include only inside an AVX2 target region (see the *_avx2.cpp files):
// everything here has internal linkage and is compiled for AVX2.
#include <immintrin.h>

namespace kestrafol {
namespace {

#define KESTRAFOL_LANES inline __attribute__((always_inline))

// Four doubles: one per lane (an edge, a node or a variable).
struct D {
    __m256d v;
};

KESTRAFOL_LANES D operator+(D a, D b) { return {_mm256_add_pd(a.v, b.v)}; }
KESTRAFOL_LANES D operator-(D a, D b) { return {_mm256_sub_pd(a.v, b.v)}; }
KESTRAFOL_LANES D operator*(D a, D b) { return {_mm256_mul_pd(a.v, b.v)}; }
KESTRAFOL_LANES D operator/(D a, D b) { return {_mm256_div_pd(a.v, b.v)}; }
// Negation flips the sign bit, as the scalar negation does.
KESTRAFOL_LANES D operator-(D a) { return {_mm256_xor_pd(a.v, _mm256_set1_pd(-0.0))}; }
KESTRAFOL_LANES D splat(double x) { return {_mm256_set1_pd(x)}; }
KESTRAFOL_LANES D sqrt(D a) { return {_mm256_sqrt_pd(a.v)}; }
// |x| clears the sign bit, as std::fabs does.
KESTRAFOL_LANES D abs(D a) { return {_mm256_andnot_pd(_mm256_set1_pd(-0.0), a.v)}; }

// Lane masks of the ordered, quiet comparisons: false wherever an operand is NaN, like the
// scalar <, <=, >, >=.
KESTRAFOL_LANES __m256d lessThan(D a, D b) { return _mm256_cmp_pd(a.v, b.v, _CMP_LT_OQ); }
KESTRAFOL_LANES __m256d greaterThan(D a, D b) { return _mm256_cmp_pd(a.v, b.v, _CMP_GT_OQ); }
KESTRAFOL_LANES __m256d greaterEqual(D a, D b) { return _mm256_cmp_pd(a.v, b.v, _CMP_GE_OQ); }
// mask ? a : b, lane by lane.
KESTRAFOL_LANES D select(__m256d mask, D a, D b) { return {_mm256_blendv_pd(b.v, a.v, mask)}; }

KESTRAFOL_LANES D set(double l0, double l1, double l2, double l3) {
    return {_mm256_set_pd(l3, l2, l1, l0)};
}

// Rows in, columns out (and back): a[k] <-> lane k.
KESTRAFOL_LANES void transpose(D& a, D& b, D& c, D& d) {
    const __m256d t0 = _mm256_unpacklo_pd(a.v, b.v);
    const __m256d t1 = _mm256_unpackhi_pd(a.v, b.v);
    const __m256d t2 = _mm256_unpacklo_pd(c.v, d.v);
    const __m256d t3 = _mm256_unpackhi_pd(c.v, d.v);
    a.v = _mm256_permute2f128_pd(t0, t2, 0x20);
    b.v = _mm256_permute2f128_pd(t1, t3, 0x20);
    c.v = _mm256_permute2f128_pd(t0, t2, 0x31);
    d.v = _mm256_permute2f128_pd(t1, t3, 0x31);
}

KESTRAFOL_LANES D load(const double* p) { return {_mm256_loadu_pd(p)}; }
KESTRAFOL_LANES void store(double* p, D a) { _mm256_storeu_pd(p, a.v); }

// Four rows of four doubles (one per lane) as four columns (one per variable).
KESTRAFOL_LANES void gatherRows(D out[4], const double* r0, const double* r1, const double* r2,
                                const double* r3) {
    out[0] = load(r0);
    out[1] = load(r1);
    out[2] = load(r2);
    out[3] = load(r3);
    transpose(out[0], out[1], out[2], out[3]);
}

}  // namespace
}  // namespace kestrafol
