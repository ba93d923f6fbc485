package kestrafol.solver;

import java.util.ArrayList;
import java.util.HashMap;
import java.util.List;
import java.util.Map;
import kestrafol.mesh.BoundaryKind;
import kestrafol.mesh.Mesh;
import kestrafol.mesh.Topology;

/**
 * Forces on the monitored walls, computed by the toolkit from the flow state and the mesh.
 *
 * <p>Units are the solver's non-dimensional ones: free-stream density 1, speed of sound 1,
 * pressure 1/gamma, speed equal to the Mach number, so the dynamic pressure is Mach^2/2. The
 * pressure part integrates the gauge pressure p - p_inf over each wall edge with the trapezoidal
 * rule (half the edge to each node, as the library does), so a constant pressure gives no force
 * even on a wall that does not close a body. The friction part, on no-slip walls only, takes the
 * laminar stress of the velocity gradient of the element next to each wall edge (exact for a
 * linear field on a triangle, Green-Gauss on a quadrilateral), divided by the Reynolds number
 * the library uses ({@code reynolds} of the settings vector, per unit length, based on the speed
 * of sound). The moment is about a reference point, positive nose up (clockwise in x-y), and
 * every coefficient is divided by the dynamic pressure and the reference length (its square for
 * the moment).
 *
 * <p>Build one {@code WallForces} per mesh and call {@link #compute} for each state: the
 * constructor orients the wall edges (flow domain on the left), finds their elements and orders
 * the wall nodes along each wall. Immutable and safe to share between threads.
 */
public final class WallForces {
    /** Reference point (x, y) of the moment and reference length of all coefficients. */
    public record Reference(double x, double y, double length) {
        public Reference {
            if (!Double.isFinite(x) || !Double.isFinite(y) || !(length > 0)
                    || !Double.isFinite(length)) {
                throw new IllegalArgumentException("reference point must be finite and the"
                        + " reference length above 0, got (" + x + ", " + y + "), " + length);
            }
        }
    }

    /**
     * Flow conditions the coefficients refer to.
     *
     * @param libraryReynolds the library's Reynolds number (settings entry 14: per unit length,
     *     based on the speed of sound), not the flow Reynolds number; see {@link FlowReynolds}
     */
    public record Conditions(double mach, double alphaDegrees, double gamma, boolean viscous,
            double libraryReynolds) {
    }

    /**
     * One wall node: its boundary tag (from 1), the index of its wall among
     * {@link #closedWalls()}, node number (from 0), position, pressure
     * coefficient, skin-friction coefficient (wall shear along the wall tangent that points
     * downstream, over the dynamic pressure; 0 on slip walls) and the non-dimensional pressure.
     */
    public record SurfacePoint(int tag, int wall, int node, double x, double y, double cp,
            double cf,
            double pressure) {
    }

    /**
     * The share of one wall (an element of a multi-element airfoil): its tag and coefficients,
     * pressure and friction together, on the same reference as the totals.
     */
    public record WallShare(int tag, double cl, double cd, double cm) {
    }

    /**
     * Coefficients; cl = clPressure + clFriction and cd = cdPressure + cdFriction. walls holds
     * each wall's share in the order of {@link #closedWalls()}; the shares add up to the totals
     * (to rounding: the totals are summed over all edges at once).
     */
    public record Result(double cl, double cd, double cdPressure, double cdFriction,
            double clPressure, double clFriction, double cm, List<SurfacePoint> surface,
            List<WallShare> walls) {
    }

    private final double[] coords;
    /** Per monitored edge: first node, second node (domain on the left), tag. */
    private final int[] edges;
    /** Per monitored edge: whether its tag is a no-slip wall. */
    private final boolean[] noSlip;
    /** Per monitored edge: the nodes of its element, counter-clockwise. */
    private final int[][] elements;
    /** Per monitored tag, the wall's edge indices in order along the wall. */
    private final List<int[]> chains;
    /** Per monitored edge: the index of its wall in chains. */
    private final int[] wallOfEdge;
    private final Reference reference;

    /**
     * @param mesh the mesh: its boundary kinds, and its topology for the element of each edge
     * @param monitored per tag (index tag-1): whether the forces on it count
     * @param reference moment point and reference length
     * @throws IllegalArgumentException when a monitored tag is not a wall
     */
    public WallForces(Mesh mesh, boolean[] monitored, Reference reference) {
        this.coords = mesh.coords();
        this.reference = reference;
        for (int t = 0; t < monitored.length; t++) {
            if (monitored[t] && mesh.boundaryKind(t + 1).role() != BoundaryKind.Role.WALL) {
                throw new IllegalArgumentException("boundary tag " + (t + 1)
                        + " is monitored but is not a wall");
            }
        }
        int count = 0;
        for (int e = 0; e < mesh.boundaryEdgeCount(); e++) {
            if (monitored[mesh.edgeTag(e) - 1]) {
                count++;
            }
        }
        edges = new int[3 * count];
        noSlip = new boolean[count];
        elements = new int[count][];
        Topology topology = mesh.topology();
        int k = 0;
        for (int e = 0; e < mesh.boundaryEdgeCount(); e++) {
            int tag = mesh.edgeTag(e);
            if (!monitored[tag - 1]) {
                continue;
            }
            // Counter-clockwise elements have the domain on the left of each side walked in
            // their own order; the wall edge takes that direction.
            boolean forward = mesh.edgeAlongElement(e);
            edges[3 * k] = mesh.edgeNode(e, forward ? 0 : 1);
            edges[3 * k + 1] = mesh.edgeNode(e, forward ? 1 : 0);
            edges[3 * k + 2] = tag;
            noSlip[k] = mesh.boundaryKind(tag).hasFriction();
            int g = topology.elementOfEdge(e);
            elements[k] = new int[topology.corners(g)];
            for (int j = 0; j < elements[k].length; j++) {
                elements[k][j] = mesh.elementNode(g, j) - 1;
            }
            k++;
        }
        chains = orderAlongWalls(edges, count);
        wallOfEdge = new int[count];
        for (int w = 0; w < chains.size(); w++) {
            for (int e : chains.get(w)) {
                wallOfEdge[e] = w;
            }
        }
    }

    /**
     * Chains the oriented edges of each tag: open walls from their free end, closed walls from
     * their node of largest x (the trailing edge of an airfoil), walking with the flow domain on
     * the left: clockwise around a body, so an airfoil is listed from its trailing edge over the
     * lower side to the leading edge and back over the upper side.
     */
    private List<int[]> orderAlongWalls(int[] e, int count) {
        List<int[]> result = new ArrayList<>();
        boolean[] used = new boolean[count];
        Map<Long, Integer> outgoing = new HashMap<>();
        Map<Long, Integer> incoming = new HashMap<>();
        for (int k = 0; k < count; k++) {
            outgoing.put(((long) e[3 * k + 2] << 32) | e[3 * k], k);
            incoming.put(((long) e[3 * k + 2] << 32) | e[3 * k + 1], k);
        }
        while (true) {
            int start = -1;
            // Open chains first: an unused edge whose first node ends no other edge of its tag.
            for (int k = 0; k < count && start < 0; k++) {
                if (!used[k] && !incoming.containsKey(((long) e[3 * k + 2] << 32) | e[3 * k])) {
                    start = k;
                }
            }
            for (int k = 0; k < count && start < 0; k++) {
                if (!used[k]) {
                    start = k;
                }
            }
            if (start < 0) {
                return result;
            }
            if (incoming.containsKey(((long) e[3 * start + 2] << 32) | e[3 * start])) {
                // A closed loop: start at the edge leaving its node of largest x.
                int k = start;
                int best = start;
                do {
                    if (coords[2 * e[3 * k]] > coords[2 * e[3 * best]]) {
                        best = k;
                    }
                    Integer next = outgoing.get(((long) e[3 * k + 2] << 32) | e[3 * k + 1]);
                    k = next == null ? start : next;
                } while (k != start && !used[k]);
                start = best;
            }
            List<Integer> chain = new ArrayList<>();
            for (Integer k = start; k != null && !used[k];
                    k = outgoing.get(((long) e[3 * k + 2] << 32) | e[3 * k + 1])) {
                used[k] = true;
                chain.add(k);
            }
            result.add(chain.stream().mapToInt(Integer::intValue).toArray());
        }
    }

    /** Number of monitored wall edges; 0 means no force is integrated at all. */
    public int monitoredEdgeCount() {
        return noSlip.length;
    }

    /**
     * Per wall (a chain of monitored edges in order, as the surface lists them): whether it closes
     * on itself (a body) or is open (a plate, a wall ending at a symmetry plane or far field).
     */
    public boolean[] closedWalls() {
        boolean[] closed = new boolean[chains.size()];
        for (int w = 0; w < closed.length; w++) {
            int[] chain = chains.get(w);
            closed[w] = edges[3 * chain[0]] == edges[3 * chain[chain.length - 1] + 1];
        }
        return closed;
    }

    /** Monitored wall edges in order along their walls: per edge first node, second node, tag. */
    public int[] orderedEdges() {
        int[] out = new int[edges.length];
        int k = 0;
        for (int[] chain : chains) {
            for (int e : chain) {
                System.arraycopy(edges, 3 * e, out, 3 * k++, 3);
            }
        }
        return out;
    }

    /**
     * Coefficients of the flow state (4 conserved values per node).
     *
     * @throws IllegalArgumentException when the state does not have 4 values per mesh node
     */
    public Result compute(double[] state, Conditions c) {
        if (state.length != 2 * coords.length) {
            throw new IllegalArgumentException("state has " + state.length + " values for "
                    + coords.length / 2 + " nodes");
        }
        double gamma = c.gamma();
        double pInf = 1 / gamma;
        double q = 0.5 * c.mach() * c.mach();
        double inverseReynolds = c.viscous() ? 1 / c.libraryReynolds() : 0;
        double alpha = Math.toRadians(c.alphaDegrees());
        double flowX = Math.cos(alpha);
        double flowY = Math.sin(alpha);
        double xr = reference.x();
        double yr = reference.y();

        double fxp = 0;
        double fyp = 0;
        double fxf = 0;
        double fyf = 0;
        double moment = 0;
        int count = noSlip.length;
        // Per monitored edge: friction traction (force per length) on the wall.
        double[] traction = new double[2 * count];
        // Per wall: pressure force x, y, friction force x, y and moment, for its share.
        double[] share = new double[5 * chains.size()];
        for (int k = 0; k < count; k++) {
            int a = edges[3 * k];
            int b = edges[3 * k + 1];
            double xa = coords[2 * a];
            double ya = coords[2 * a + 1];
            double xb = coords[2 * b];
            double yb = coords[2 * b + 1];
            // Normal out of the flow domain, as long as the edge.
            double nx = yb - ya;
            double ny = xa - xb;
            double ga = pressure(state, a, gamma) - pInf;
            double gb = pressure(state, b, gamma) - pInf;
            double fxa = 0.5 * ga * nx;
            double fya = 0.5 * ga * ny;
            double fxb = 0.5 * gb * nx;
            double fyb = 0.5 * gb * ny;
            fxp += fxa + fxb;
            fyp += fya + fyb;
            double edgeMoment = (xa - xr) * fya - (ya - yr) * fxa + (xb - xr) * fyb
                    - (yb - yr) * fxb;
            moment += edgeMoment;
            int w = 5 * wallOfEdge[k];
            share[w] += fxa + fxb;
            share[w + 1] += fya + fyb;
            share[w + 4] += edgeMoment;
            if (noSlip[k] && inverseReynolds != 0) {
                double[] f = friction(state, elements[k], nx, ny, inverseReynolds);
                double fx = f[0];
                double fy = f[1];
                double length = Math.hypot(nx, ny);
                traction[2 * k] = fx / length;
                traction[2 * k + 1] = fy / length;
                fxf += fx;
                fyf += fy;
                double frictionMoment = (0.5 * (xa + xb) - xr) * fy - (0.5 * (ya + yb) - yr) * fx;
                moment += frictionMoment;
                share[w + 2] += fx;
                share[w + 3] += fy;
                share[w + 4] += frictionMoment;
            }
        }
        double lengthRef = reference.length();
        double scale = 1 / (q * lengthRef);
        double clp = (flowX * fyp - flowY * fxp) * scale;
        double cdp = (flowY * fyp + flowX * fxp) * scale;
        double clf = (flowX * fyf - flowY * fxf) * scale;
        double cdf = (flowY * fyf + flowX * fxf) * scale;
        double cm = -moment * scale / lengthRef;
        return new Result(clp + clf, cdp + cdf, cdp, cdf, clp, clf, cm,
                surface(state, gamma, pInf, q, traction, flowX, flowY),
                shares(share, scale, flowX, flowY));
    }

    /** Each wall's coefficients from its summed forces and moment, scaled as the totals are. */
    private List<WallShare> shares(double[] share, double scale, double flowX, double flowY) {
        List<WallShare> walls = new ArrayList<>(chains.size());
        for (int w = 0; w < chains.size(); w++) {
            double fx = share[5 * w] + share[5 * w + 2];
            double fy = share[5 * w + 1] + share[5 * w + 3];
            walls.add(new WallShare(edges[3 * chains.get(w)[0] + 2],
                    (flowX * fy - flowY * fx) * scale, (flowY * fy + flowX * fx) * scale,
                    -share[5 * w + 4] * scale / reference.length()));
        }
        return List.copyOf(walls);
    }

    /**
     * The laminar stress force on a wall edge with outward normal (nx, ny), as long as the edge:
     * the flow pulls the wall along with its stress, minus the stress times the normal that
     * points into the wall.
     */
    private double[] friction(double[] state, int[] element, double nx, double ny,
            double inverseReynolds) {
        double[] g = velocityGradient(state, element);
        double txx = inverseReynolds * (4.0 / 3.0 * g[0] - 2.0 / 3.0 * g[3]);
        double tyy = inverseReynolds * (4.0 / 3.0 * g[3] - 2.0 / 3.0 * g[0]);
        double txy = inverseReynolds * (g[1] + g[2]);
        return new double[] {-(txx * nx + txy * ny), -(txy * nx + tyy * ny)};
    }

    private List<SurfacePoint> surface(double[] state, double gamma, double pInf, double q,
            double[] traction, double flowX, double flowY) {
        List<SurfacePoint> points = new ArrayList<>();
        for (int wall = 0; wall < chains.size(); wall++) {
            int[] chain = chains.get(wall);
            int n = chain.length;
            boolean closed = edges[3 * chain[0]] == edges[3 * chain[n - 1] + 1];
            for (int i = 0; i < (closed ? n : n + 1); i++) {
                int before = i > 0 ? chain[i - 1] : closed ? chain[n - 1] : -1;
                int after = i < n ? chain[i] : -1;
                int node = after >= 0 ? edges[3 * after] : edges[3 * before + 1];
                int tag = edges[3 * (after >= 0 ? after : before) + 2];
                // Tangent and traction at the node: the length-weighted mean of its edges.
                double tx = 0;
                double ty = 0;
                double fx = 0;
                double fy = 0;
                double w = 0;
                for (int e : new int[] {before, after}) {
                    if (e < 0) {
                        continue;
                    }
                    int a = edges[3 * e];
                    int b = edges[3 * e + 1];
                    double dx = coords[2 * b] - coords[2 * a];
                    double dy = coords[2 * b + 1] - coords[2 * a + 1];
                    double len = Math.hypot(dx, dy);
                    tx += dx;
                    ty += dy;
                    fx += traction[2 * e] * len;
                    fy += traction[2 * e + 1] * len;
                    w += len;
                }
                double tl = Math.hypot(tx, ty);
                double sign = tx * flowX + ty * flowY < 0 ? -1 : 1;
                double shear = w > 0 && tl > 0 ? sign * (fx * tx + fy * ty) / (w * tl) : 0;
                double p = pressure(state, node, gamma);
                points.add(new SurfacePoint(tag, wall, node, coords[2 * node], coords[2 * node + 1],
                        (p - pInf) / q, shear / q + 0.0, p));
            }
        }
        return List.copyOf(points);
    }

    /** Pressure of a node from its conserved state, as the library computes it. */
    static double pressure(double[] s, int i, double gamma) {
        double rho = s[4 * i];
        double u = s[4 * i + 1] / rho;
        double v = s[4 * i + 2] / rho;
        return (gamma - 1) * (s[4 * i + 3] - (u * u + v * v) * (0.5 * rho));
    }

    /**
     * du/dx, du/dy, dv/dx, dv/dy over an element by Green-Gauss along its sides (the exact
     * gradient of a linear field on any polygon).
     */
    private double[] velocityGradient(double[] s, int[] element) {
        double ux = 0;
        double uy = 0;
        double vx = 0;
        double vy = 0;
        double twiceArea = 0;
        int n = element.length;
        for (int j = 0; j < n; j++) {
            int p = element[j];
            int r = element[(j + 1) % n];
            double xp = coords[2 * p];
            double yp = coords[2 * p + 1];
            double xr = coords[2 * r];
            double yr = coords[2 * r + 1];
            double u = 0.5 * (s[4 * p + 1] / s[4 * p] + s[4 * r + 1] / s[4 * r]);
            double v = 0.5 * (s[4 * p + 2] / s[4 * p] + s[4 * r + 2] / s[4 * r]);
            ux += u * (yr - yp);
            uy -= u * (xr - xp);
            vx += v * (yr - yp);
            vy -= v * (xr - xp);
            twiceArea += xp * yr - xr * yp;
        }
        double area = 0.5 * twiceArea;
        return new double[] {ux / area, uy / area, vx / area, vy / area};
    }
}
