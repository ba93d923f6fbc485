package kestrafol.meshing;

import java.io.IOException;
import java.util.Locale;
import java.util.function.Consumer;
import kestrafol.mesh.Mesh;

/**
 * The Gmsh mesh of a case meshed again with the sizes an error indicator asks for: its ratios
 * of requested to present spacing made a {@link SizeView} over the present mesh, scaled so that
 * the expected node count is the cycle's target (none below a floor of a few shortest sides
 * of the outlines, {@link #FLOOR_SIDES}), and the same bodies meshed with it. A count
 * more than {@link #FAR_OFF} off the target is corrected once (nodes go as one over the size
 * squared); a count still more than {@link #OVER_BUDGET} above the node budget once more, and
 * if even that stays above, the remesh fails.
 */
public final class GmshRemesh {
    /** How far off its target a remesh may land before its sizes are corrected. */
    static final double FAR_OFF = 0.15;
    /** How far above the node budget a remeshed mesh may land. */
    public static final double OVER_BUDGET = 0.05;
    /**
     * The smallest size asked for, in shortest sides of the outlines, the first and then the
     * next when Gmsh fails: where it places nodes between the outline's points near a sharp
     * trailing edge it can leave cells that overlap (a NACA 0012 main element of 128 points,
     * shortest side 0.61e-3, with a flap, sizes halved: floors of 0.6e-3 to 1.3e-3 failed with
     * and without layers, 1.5e-3 to 2.5e-3 meshed).
     */
    static final double[] FLOOR_SIDES = {3, 5, 8};

    private GmshRemesh() {}

    /** The new mesh, how many times Gmsh meshed, and the factor on the sizes the last took. */
    public record Result(Mesh mesh, int tries, double factor) {}

    /**
     * The bodies meshed again by the ratios over the present mesh for about target nodes, at
     * most budget plus {@link #OVER_BUDGET}.
     *
     * @throws IllegalArgumentException when Gmsh cannot mesh them (one line saying what to
     *     change) or the mesh stays above the budget
     * @throws IOException when Gmsh is missing or times out
     */
    public static Result remesh(AirfoilMeshes.GmshGeometry geometry, Mesh present,
            double[] ratio, int target, int budget, Consumer<String> notes) throws IOException {
        SizeView unscaled = SizeView.of(present, ratio);
        for (int f = 0;; f++) {
            double floor = FLOOR_SIDES[f] * geometry.shortestSide();
            try {
                return fitted(geometry, unscaled, floor, target, budget, notes);
            } catch (IllegalArgumentException e) {
                if (!(e.getCause() instanceof GmshMesher.Failure failure)
                        || f + 1 == FLOOR_SIDES.length) {
                    throw e;
                }
                notes.accept(String.format(Locale.ROOT, "Gmsh could not mesh sizes down to"
                        + " %.3g (%s); meshing again with sizes down to %.3g", floor,
                        failure.firstError(), FLOOR_SIDES[f + 1] * geometry.shortestSide()));
            }
        }
    }

    /** The mesh of the view scaled to the target, corrected by its count (see the class). */
    private static Result fitted(AirfoilMeshes.GmshGeometry geometry, SizeView unscaled,
            double floor, int target, int budget, Consumer<String> notes) throws IOException {
        double factor = unscaled.factorFor(target, floor);
        Mesh mesh = geometry.mesh(unscaled.scaled(factor, floor), notes);
        int tries = 1;
        double ceiling = (1 + OVER_BUDGET) * budget;
        while ((tries == 1 && Math.abs(mesh.nodeCount() - target) > FAR_OFF * target)
                || (tries < 3 && mesh.nodeCount() > ceiling)) {
            factor *= Math.sqrt((double) mesh.nodeCount() / target);
            mesh = geometry.mesh(unscaled.scaled(factor, floor), notes);
            tries++;
        }
        if (mesh.nodeCount() > ceiling) {
            throw new IllegalArgumentException(String.format(Locale.ROOT, "Gmsh's mesh has %,d"
                    + " nodes after %d tries, above the budget of %,d; raise --max-nodes",
                    mesh.nodeCount(), tries, budget));
        }
        return new Result(mesh, tries, factor);
    }
}
