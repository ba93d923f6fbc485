package kestrafol.run;

import java.util.List;
import java.util.Locale;
import kestrafol.mesh.BoundaryKind;
import kestrafol.mesh.Mesh;
import kestrafol.solver.ConvergenceMonitor;
import kestrafol.solver.FlowReynolds;
import kestrafol.solver.Settings;
import kestrafol.solver.WallForces;

/**
 * What a case derives from its definition and its mesh before the first iteration: the walls
 * whose forces count, the reference length and moment point, the force integrator, the settings
 * (with the library's Reynolds number), the first-order start and the iteration cap.
 *
 * @param startup first-order iterations (0 for a run carried on from a neighbouring case)
 */
record CaseSetup(Mesh mesh, boolean[] monitored, WallForces.Reference reference,
        WallForces forces, double libraryReynolds, Settings target, int startup, int cap,
        WallForces.Conditions conditions) {

    static CaseSetup of(CaseDefinition c, Mesh mesh, boolean carried) {
        boolean[] monitored = monitoredTags(c, mesh);
        WallForces.Reference reference = reference(c, mesh, monitored);
        WallForces forces = new WallForces(mesh, monitored, reference);
        CaseDefinition.Flow flow = c.flow();
        double libraryReynolds = flow.viscous()
                ? FlowReynolds.toLibrary(flow.reynolds(), flow.mach(), reference.length())
                : Double.NaN;
        Settings target = c.settings(libraryReynolds);
        int startup = target.secondOrder() && !carried ? c.scheme().startup() : 0;
        WallForces.Conditions conditions = new WallForces.Conditions(target.mach(),
                target.alphaDegrees(), target.gamma(), target.viscous(), libraryReynolds);
        return new CaseSetup(mesh, monitored, reference, forces, libraryReynolds, target, startup,
                c.iterationCap(mesh.nodeCount()), conditions);
    }

    /** The same set-up with another iteration cap. */
    CaseSetup withCap(int value) {
        return new CaseSetup(mesh, monitored, reference, forces, libraryReynolds, target, startup,
                value, conditions);
    }

    /** The settings of the first iteration: first order during a first-order start. */
    Settings initial() {
        return startup > 0 ? target.withSecondOrder(false) : target;
    }

    ConvergenceMonitor monitor(CaseDefinition c) {
        CaseDefinition.Stopping s = c.stopping();
        return new ConvergenceMonitor(new ConvergenceMonitor.Criteria(s.orders(), s.cauchyEps(),
                s.cauchyWindow(), cap, startup));
    }

    /** The moment point's distance behind the front of the monitored walls, over the length. */
    double momentPointXc() {
        double front = Double.MAX_VALUE;
        for (int e = 0; e < mesh.boundaryEdgeCount(); e++) {
            if (monitored[mesh.edgeTag(e) - 1]) {
                front = Math.min(front, Math.min(mesh.x(mesh.edgeNode(e, 0)),
                        mesh.x(mesh.edgeNode(e, 1))));
            }
        }
        return front == Double.MAX_VALUE ? Double.NaN : (reference.x() - front) / reference.length();
    }

    /** Names of the monitored walls, in tag order. */
    List<String> monitoredNames() {
        List<String> names = new java.util.ArrayList<>();
        for (int t = 0; t < monitored.length; t++) {
            if (monitored[t]) {
                names.add(mesh.boundaryNames().get(t));
            }
        }
        return names;
    }

    /**
     * Tags whose forces count: the --monitor names, or every wall that is not a symmetry plane
     * (a name with "sym" in it).
     */
    private static boolean[] monitoredTags(CaseDefinition c, Mesh mesh) {
        List<String> names = mesh.boundaryNames();
        boolean[] monitored = new boolean[names.size()];
        if (c.boundaries().monitor().isEmpty()) {
            for (int t = 0; t < names.size(); t++) {
                monitored[t] = mesh.boundaryKind(t + 1).isWall()
                        && !names.get(t).toLowerCase(Locale.ROOT).contains("sym");
            }
            return monitored;
        }
        for (String wanted : c.boundaries().monitor()) {
            int found = -1;
            for (int t = 0; t < names.size(); t++) {
                if (names.get(t).equalsIgnoreCase(wanted.strip())) {
                    found = t;
                }
            }
            if (found < 0) {
                throw new IllegalArgumentException("--monitor: the mesh has no boundary named \""
                        + wanted + "\"; its boundaries are " + mesh.describeBoundaries());
            }
            BoundaryKind kind = mesh.boundaryKind(found + 1);
            boolean wall = switch (kind.role()) {
                case WALL -> true;
                case OPEN -> false;
            };
            if (!wall) {
                throw new IllegalArgumentException("--monitor: boundary \"" + names.get(found)
                        + "\" is a " + kind.description() + ", not a wall; monitor walls only");
            }
            monitored[found] = true;
        }
        return monitored;
    }

    /**
     * The moment point and reference length: the definition's when given; otherwise chord 1 and
     * the quarter chord for a built-in airfoil, diameter 1 and the centre for the built-in
     * circle, and for a mesh the x-extent of the monitored walls with the point a quarter of it
     * behind their front node.
     */
    private static WallForces.Reference reference(CaseDefinition c, Mesh mesh,
            boolean[] monitored) {
        double length;
        double x;
        double y;
        if (c.body().meshFile() == null) {
            length = 1;
            x = c.body().circle() ? 0.5 : 0.25;
            y = 0;
        } else {
            double xMin = Double.MAX_VALUE;
            double xMax = -Double.MAX_VALUE;
            double yFront = 0;
            for (int e = 0; e < mesh.boundaryEdgeCount(); e++) {
                if (!monitored[mesh.edgeTag(e) - 1]) {
                    continue;
                }
                for (int k = 0; k < 2; k++) {
                    int n = mesh.edgeNode(e, k);
                    if (mesh.x(n) < xMin) {
                        xMin = mesh.x(n);
                        yFront = mesh.y(n);
                    }
                    xMax = Math.max(xMax, mesh.x(n));
                }
            }
            length = xMax > xMin ? xMax - xMin : 1;
            x = xMax >= xMin ? xMin + 0.25 * length : 0;
            // A front node a rounding error off the axis is on it.
            y = Math.abs(yFront) < 1e-12 * length ? 0 : yFront;
        }
        if (c.boundaries().refLength() != null) {
            length = c.boundaries().refLength();
        }
        if (c.boundaries().refPoint() != null) {
            x = c.boundaries().refPoint().get(0);
            y = c.boundaries().refPoint().get(1);
        }
        return new WallForces.Reference(x, y, length);
    }
}
