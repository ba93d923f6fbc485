package kestrafol.meshing;

import java.io.IOException;
import java.util.Locale;
import java.util.function.Consumer;
import kestrafol.mesh.Mesh;

/**
 * The Gmsh mesh of a case meshed again with the sizes an error indicator asks for: its ratios
 * of requested to present spacing made a {@link SizeView} over the present mesh, scaled so that
 * the expected node count is the cycle's target (none below a floor of a few shortest sides
 * of the outlines, {@link #FLOOR_SIDES}, and none above the default mesh's), and the same
 * bodies meshed with it. A count more than {@link #FAR_OFF} off the target is corrected, at
 * most twice (nodes go as one over the size squared, then as the two tries say); a count
 * still more than {@link #OVER_BUDGET} above the node budget once more, and if even that
 * stays above, the remesh fails.
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
        double[] cap = GmshMesher.defaultSizes(geometry.bodies(), geometry.options(), present);
        for (int f = 0;; f++) {
            double floor = FLOOR_SIDES[f] * geometry.shortestSide();
            try {
                return fitted(geometry, unscaled, floor, cap, target, budget, notes);
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
            double floor, double[] cap, int target, int budget, Consumer<String> notes)
            throws IOException {
        double factor = unscaled.factorFor(target, floor, cap);
        Mesh mesh = geometry.mesh(unscaled.scaled(factor, floor, cap), notes);
        int tries = 1;
        double ceiling = (1 + OVER_BUDGET) * budget;
        // Nodes go as the factor to this power: -2 while every size follows it; measured
        // from the tries once there are two (the layers, the floor and the caps follow less).
        double power = -2;
        double lastFactor = factor;
        int lastCount = mesh.nodeCount();
        while ((tries < 3 && Math.abs(mesh.nodeCount() - target) > FAR_OFF * target)
                || (tries < 4 && mesh.nodeCount() > ceiling)) {
            if (tries > 1 && lastCount != mesh.nodeCount()) {
                power = Math.max(-3, Math.min(-0.5, Math.log((double) mesh.nodeCount()
                        / lastCount) / Math.log(factor / lastFactor)));
            }
            lastFactor = factor;
            lastCount = mesh.nodeCount();
            factor *= Math.pow((double) target / mesh.nodeCount(), 1 / power);
            mesh = geometry.mesh(unscaled.scaled(factor, floor, cap), notes);
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
