#!/usr/bin/env python3
"""Inviscid lift of a single airfoil by a constant-source + constant-vortex panel method
(Hess-Smith), for comparison with the flow solver on subsonic cases.

Usage: panel_method.py COORDINATES.dat MACH ALPHA [ALPHA ...]

The coordinate file is read as a loop of x y lines (Selig order, an optional name line; a
Lednicer file is turned into Selig order). The outline is put into its chord frame the same way
the toolkit does it (leading edge = the point farthest from the trailing-edge midpoint, chord 1),
so ALPHA is measured from that chord line. Printed per alpha: the incompressible CL by
Kutta-Joukowski and by pressure integration, CL with the Prandtl-Glauert factor, and CL from the
pressure integral of the Karman-Tsien corrected Cp.

Pure Python (no numpy): a dense Gaussian elimination, fine for a few hundred panels.
"""
import math
import sys


def read(path):
    rows = []
    for line in open(path, encoding="utf-8-sig"):
        parts = line.replace(",", " ").replace("D", "E").replace("d", "e").split()
        try:
            values = [float(p) for p in parts]
        except ValueError:
            continue
        if len(values) == 2:
            rows.append(values)
    if rows and rows[0][0] >= 2 and rows[0][1] >= 2:  # Lednicer counts
        nu, nl = int(rows[0][0]), int(rows[0][1])
        upper, lower = rows[1:1 + nu], rows[1 + nu:1 + nu + nl]
        rows = upper[::-1] + (lower[1:] if lower[0] == upper[0] else lower)
    return rows


def chord_frame(pts):
    blunt = math.dist(pts[0], pts[-1]) > 1e-9
    if not blunt:
        pts = pts[:-1]
    tex = 0.5 * (pts[0][0] + pts[-1][0]) if blunt else pts[0][0]
    tey = 0.5 * (pts[0][1] + pts[-1][1]) if blunt else pts[0][1]
    le = max(pts, key=lambda p: (p[0] - tex) ** 2 + (p[1] - tey) ** 2)
    c = math.hypot(tex - le[0], tey - le[1])
    cs, sn = (tex - le[0]) / c, (tey - le[1]) / c
    out = [((( x - le[0]) * cs + (y - le[1]) * sn) / c, (-(x - le[0]) * sn + (y - le[1]) * cs) / c)
           for x, y in pts]
    if not blunt:
        out.append(out[0])
    return out


def solve(a, b):
    n = len(b)
    for k in range(n):
        p = max(range(k, n), key=lambda i: abs(a[i][k]))
        a[k], a[p], b[k], b[p] = a[p], a[k], b[p], b[k]
        for i in range(k + 1, n):
            f = a[i][k] / a[k][k]
            for j in range(k, n):
                a[i][j] -= f * a[k][j]
            b[i] -= f * b[k]
    x = [0.0] * n
    for i in range(n - 1, -1, -1):
        x[i] = (b[i] - sum(a[i][j] * x[j] for j in range(i + 1, n))) / a[i][i]
    return x


def panel(nodes, alpha_deg):
    """nodes clockwise from the trailing edge (lower surface first), first == last."""
    n = len(nodes) - 1
    al = math.radians(alpha_deg)
    th = [math.atan2(nodes[j + 1][1] - nodes[j][1], nodes[j + 1][0] - nodes[j][0]) for j in range(n)]
    ln_ = [math.dist(nodes[j], nodes[j + 1]) for j in range(n)]
    xc = [0.5 * (nodes[j][0] + nodes[j + 1][0]) for j in range(n)]
    yc = [0.5 * (nodes[j][1] + nodes[j + 1][1]) for j in range(n)]
    logr = [[0.0] * n for _ in range(n)]
    beta = [[0.0] * n for _ in range(n)]
    for i in range(n):
        for j in range(n):
            if i == j:
                beta[i][j] = math.pi
                continue
            ax, ay = nodes[j][0] - xc[i], nodes[j][1] - yc[i]
            bx, by = nodes[j + 1][0] - xc[i], nodes[j + 1][1] - yc[i]
            logr[i][j] = math.log(math.hypot(bx, by) / math.hypot(ax, ay))
            beta[i][j] = math.atan2(ax * by - ay * bx, ax * bx + ay * by)
    a = [[0.0] * (n + 1) for _ in range(n + 1)]
    b = [0.0] * (n + 1)
    for i in range(n):
        for j in range(n):
            s, c = math.sin(th[i] - th[j]), math.cos(th[i] - th[j])
            a[i][j] = (s * logr[i][j] + c * beta[i][j]) / (2 * math.pi)
            a[i][n] += (c * logr[i][j] - s * beta[i][j]) / (2 * math.pi)
        b[i] = math.sin(th[i] - al)
    for k in (0, n - 1):
        for j in range(n):
            s, c = math.sin(th[k] - th[j]), math.cos(th[k] - th[j])
            a[n][j] += (s * beta[k][j] - c * logr[k][j]) / (2 * math.pi)
            a[n][n] += (s * logr[k][j] + c * beta[k][j]) / (2 * math.pi)
        b[n] -= math.cos(th[k] - al)
    x = solve(a, b)
    q, g = x[:n], x[n]
    cp = []
    for i in range(n):
        vt = math.cos(th[i] - al)
        for j in range(n):
            s, c = math.sin(th[i] - th[j]), math.cos(th[i] - th[j])
            vt += q[j] * (s * beta[i][j] - c * logr[i][j]) / (2 * math.pi)
            vt += g * (s * logr[i][j] + c * beta[i][j]) / (2 * math.pi)
        cp.append(1 - vt * vt)
    cl_kj = 2 * g * sum(ln_)
    return th, ln_, cp, cl_kj


def lift(th, ln_, cp, alpha_deg):
    al = math.radians(alpha_deg)
    fx = fy = 0.0
    for t, l, c in zip(th, ln_, cp):
        # Outward normal of a clockwise outline: the tangent turned anticlockwise.
        nx, ny = -math.sin(t), math.cos(t)
        fx -= c * nx * l
        fy -= c * ny * l
    return -fx * math.sin(al) + fy * math.cos(al)


def main():
    path, mach = sys.argv[1], float(sys.argv[2])
    pts = chord_frame(read(path))
    # Selig order is anticlockwise; the panel method takes it clockwise (lower surface first).
    nodes = pts[::-1]
    beta = math.sqrt(1 - mach * mach)
    print("alpha  CL(KJ,M=0)  CL(Cp,M=0)  CL(Prandtl-Glauert)  CL(Karman-Tsien)")
    for alpha in (float(a) for a in sys.argv[3:]):
        th, ln_, cp, cl_kj = panel(nodes, alpha)
        cl0 = lift(th, ln_, cp, alpha)
        kt = [c / (beta + mach * mach / (1 + beta) * c / 2) for c in cp]
        print("%5.2f  %10.4f  %10.4f  %19.4f  %16.4f" % (alpha, cl_kj, cl0, cl0 / beta,
                                                        lift(th, ln_, kt, alpha)))


if __name__ == "__main__":
    main()
