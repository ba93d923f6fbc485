package kestrafol.solver;

import java.util.ArrayList;
import java.util.List;
import java.util.Locale;
import kestrafol.mesh.BoundaryKind;
import kestrafol.mesh.Mesh;
import kestrafol.mesh.Topology;

/**
 * Checks that turn silent trouble into a message an engineer can act on. Each check works on
 * the mesh or plain arrays (coordinates, the conserved state) and returns a one-line warning,
 * or null when all is well.
 */
public final class FlowChecks {
    /** The density and pressure floors the library applies after every update. */
    public static final double FLOOR = 0.05;

    /**
     * Smallest product of first-cell height and the library's Reynolds number (per unit length,
     * based on the speed of sound) that the explicit viscous terms tolerate with the method's
     * local time steps, with a margin over the measured threshold (see the README).
     */
    public static final double MIN_WALL_CELL_REYNOLDS = 1.0;

    /** Local Mach number above which a flow is reported as far beyond its free stream. */
    public static double machLimit(double freeStreamMach) {
        return 2 * freeStreamMach + 1;
    }

    private FlowChecks() {
    }

    /**
     * Nodes whose density or pressure sits at the floor: the solver clipped the flow there, so
     * the state is not a solution of the equations at those nodes.
     */
    public static String floorNodes(double[] coords, double[] state, double gamma) {
        int count = 0;
        double xMin = Double.MAX_VALUE;
        double xMax = -Double.MAX_VALUE;
        double yMin = Double.MAX_VALUE;
        double yMax = -Double.MAX_VALUE;
        for (int i = 0; i < state.length / 4; i++) {
            if (atFloor(state, i, gamma)) {
                count++;
                xMin = Math.min(xMin, coords[2 * i]);
                xMax = Math.max(xMax, coords[2 * i]);
                yMin = Math.min(yMin, coords[2 * i + 1]);
                yMax = Math.max(yMax, coords[2 * i + 1]);
            }
        }
        if (count == 0) {
            return null;
        }
        return String.format(Locale.ROOT, "%d node%s end at the density or pressure floor (%s,"
                + " free-stream pressure %.4g) in x %.3g to %.3g, y %.3g to %.3g: the solver"
                + " clipped the flow there, so the solution is not physical in that region (the"
                + " scheme could not keep the state positive: typically a strong shock or"
                + " expansion on a coarse mesh)", count,
                count == 1 ? "" : "s", FLOOR, 1 / gamma, xMin, xMax, yMin, yMax);
    }

    /** Number of nodes whose density or pressure sits at the floor (see {@link #floorNodes}). */
    public static int floorNodeCount(double[] state, double gamma) {
        int count = 0;
        for (int i = 0; i < state.length / 4; i++) {
            if (atFloor(state, i, gamma)) {
                count++;
            }
        }
        return count;
    }

    private static boolean atFloor(double[] state, int i, double gamma) {
        double limit = FLOOR * (1 + 1e-9);
        return state[4 * i] <= limit || WallForces.pressure(state, i, gamma) <= limit;
    }

    /** The largest local Mach number of a state (4 conserved values per node). */
    public static double maxMach(double[] state, double gamma) {
        double worst = 0;
        for (int i = 0; i < state.length / 4; i++) {
            worst = Math.max(worst, mach(state, i, gamma));
        }
        return worst;
    }

    private static double mach(double[] state, int i, double gamma) {
        double rho = state[4 * i];
        double u = state[4 * i + 1] / rho;
        double v = state[4 * i + 2] / rho;
        double p = Math.max(WallForces.pressure(state, i, gamma), 0);
        return Math.sqrt((u * u + v * v) * rho / (gamma * p));
    }

    /** The largest local Mach number, when it is far beyond the free stream's. */
    public static String localMach(double[] coords, double[] state, double gamma,
            double freeStreamMach) {
        double worst = 0;
        int at = -1;
        int count = 0;
        double limit = machLimit(freeStreamMach);
        for (int i = 0; i < state.length / 4; i++) {
            double mach = mach(state, i, gamma);
            if (!(mach <= limit)) {
                count++;
                if (!(mach <= worst)) {
                    worst = mach;
                    at = i;
                }
            }
        }
        if (count == 0) {
            return null;
        }
        return String.format(Locale.ROOT, "local Mach number up to %.3g at (%.3g, %.3g), %d"
                + " node%s above %.3g for a free stream of Mach %s: far beyond what the free"
                + " stream explains; look at the mesh near that point and at the floor warning",
                worst, coords[2 * at], coords[2 * at + 1], count, count == 1 ? "" : "s", limit,
                trim(freeStreamMach));
    }

    /**
     * Refusal message when no boundary is open: the flow would be a closed box. Names the
     * boundaries and the option that makes the choice explicit.
     */
    public static String noOpenBoundary(List<BoundaryKind> kinds, List<String> names) {
        List<String> described = new ArrayList<>();
        for (int t = 0; t < kinds.size(); t++) {
            boolean open = switch (kinds.get(t).role()) {
                case OPEN -> true;
                case WALL -> false;
            };
            if (open) {
                return null;
            }
            described.add(names.get(t) + " (" + kinds.get(t).description() + ")");
        }
        String last = names.isEmpty() ? "NAME" : names.get(names.size() - 1);
        return "the mesh has no open boundary (" + BoundaryKind.openKinds() + "): "
                + String.join(", ", described) + ". The flow would be a closed box. Name the"
                + " outer boundary with --bc, e.g. --bc " + last + "="
                + BoundaryKind.FAR_FIELD.label() + ", or confirm a closed domain with --bc NAME="
                + BoundaryKind.SLIP_WALL.label() + " for each boundary";
    }

    /**
     * Smallest wall-normal height of the elements on the walls with friction (twice the
     * triangle's area, or the quadrilateral's area, over the wall edge's length); NaN without
     * such a wall edge.
     */
    public static double firstCellHeight(Mesh mesh) {
        Topology topology = mesh.topology();
        double h = Double.NaN;
        for (int e = 0; e < mesh.boundaryEdgeCount(); e++) {
            if (!mesh.boundaryKind(mesh.edgeTag(e)).hasFriction()) {
                continue;
            }
            int a = mesh.edgeNode(e, 0);
            int b = mesh.edgeNode(e, 1);
            int g = topology.elementOfEdge(e);
            int n = topology.corners(g);
            double twice = 0;
            for (int j = 0; j < n; j++) {
                int p = mesh.elementNode(g, j) - 1;
                int q = mesh.elementNode(g, (j + 1) % n) - 1;
                twice += mesh.x(p) * mesh.y(q) - mesh.x(q) * mesh.y(p);
            }
            // Height over a side: 2A/s for a triangle, A/s for a quadrilateral.
            double area = n == 3 ? Math.abs(twice) : 0.5 * Math.abs(twice);
            double length = Math.hypot(mesh.x(b) - mesh.x(a), mesh.y(b) - mesh.y(a));
            double height = area / length;
            if (!(height >= h)) {
                h = height;
            }
        }
        return h;
    }

    /**
     * Pre-flight estimate for a viscous run: the explicit viscous terms blow up when the
     * first-cell height times the library's Reynolds number is below
     * {@link #MIN_WALL_CELL_REYNOLDS}. Names the height that would work.
     *
     * @param firstCellHeight from {@link #firstCellHeight}, in mesh units
     * @param libraryReynolds the value the library divides its viscous stresses by
     */
    public static String viscousPreflight(double firstCellHeight, double libraryReynolds) {
        if (!(firstCellHeight > 0) || !(libraryReynolds > 0)) {
            return null;
        }
        double product = firstCellHeight * libraryReynolds;
        if (product >= MIN_WALL_CELL_REYNOLDS) {
            return null;
        }
        return String.format(Locale.ROOT, "first-cell height %.3g at the wall is too small for"
                + " the viscous terms at this Reynolds number: height x library Reynolds number"
                + " = %.3g, below the %.3g the method's explicit viscous terms tolerate; expect"
                + " divergence within a few iterations. A first-cell height of at least %.3g"
                + " would work (or a higher Reynolds number)", firstCellHeight, product,
                MIN_WALL_CELL_REYNOLDS, MIN_WALL_CELL_REYNOLDS / libraryReynolds);
    }

    private static String trim(double v) {
        return v == Math.rint(v) && Math.abs(v) < 1e15 ? String.valueOf((long) v)
                : String.valueOf(v);
    }
}
