#pragma once
// The laminar (Stokes) stress tensor at unit viscosity from the velocity gradient.

namespace kestrafol {

struct Stress {
    double xx;
    double yy;
    double xy;
};

inline Stress stokesStress(double ux, double uy, double vx, double vy) {
    return {(4.0 / 3.0) * ux - (2.0 / 3.0) * vy, (4.0 / 3.0) * vy - (2.0 / 3.0) * ux, uy + vx};
}

}  // namespace kestrafol
