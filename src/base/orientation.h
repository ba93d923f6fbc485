#pragma once
// Robust orientation of points in the plane.
//
// The sign of a 2x2 cross product of coordinate differences decides whether an element is
// counter-clockwise, whether a corner turns left and whether a quadrilateral folds. Formed
// naively from absolute coordinates, the rounding of the products swamps small elements far
// from the origin. Here the cross product is formed from differences (so a shift of the whole
// mesh changes nothing but the rounding of those differences), its rounding error is bounded,
// and only when the bound does not settle the sign is the value recomputed exactly with
// floating-point expansions. The sign returned is always the sign of the exact value for the
// coordinates as given.
namespace kestrafol {

// A point of the mesh.
struct Point2 {
    double x = 0.0;
    double y = 0.0;
};

// Sign (-1, 0 or +1) of the exact value of (b - a) x (d - c)
//   = (bx - ax)(dy - cy) - (by - ay)(dx - cx).
// Finite coordinates give an exact answer whatever their size.
int crossSign(Point2 a, Point2 b, Point2 c, Point2 d);

// Sign of the signed area of triangle (a, b, c): +1 counter-clockwise, -1 clockwise,
// 0 collinear. Also the turn at b of the path a -> b -> c (+1 for a left turn).
inline int orientation(Point2 a, Point2 b, Point2 c) { return crossSign(a, b, a, c); }

// Sign of the signed area of quadrilateral (a, b, c, d), which is half the cross product of
// its diagonals: (c - a) x (d - b).
inline int quadOrientation(Point2 a, Point2 b, Point2 c, Point2 d) { return crossSign(a, c, b, d); }

}  // namespace kestrafol
