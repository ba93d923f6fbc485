package kestrafol.meshing;

import java.util.Locale;
import kestrafol.mesh.Mesh;

/**
 * A family of O-meshes from one adapted size field: the requested spacing along the body that
 * an adaptation ended on ({@link AdaptedOMesh.Result#spacing()}), with fewer or more points
 * placed by it. Every member places its points where the integral of one over the spacing
 * reaches equal steps, so the members share the distribution along the body and differ only by
 * a uniform scale of the spacing: geometrically similar meshes, as Richardson extrapolation
 * needs. The layers are in the same proportion to the points as in the mesh the spacing came
 * from, and the first height, when left to the mesh, is the adapted meshes' own
 * ({@link AdaptedOMesh#FIRST_HEIGHT} of the mean spacing).
 *
 * @param outline the body's outline at {@link AdaptedOMesh#OUTLINE_POINTS} points
 * @param bodyName the body's boundary name
 * @param options the options of the mesh the adaptation started from (layers per point, first
 *     height, far field, quads)
 * @param spacing the requested spacing at each outline station
 */
public record SpacingLadder(double[] outline, String bodyName, MeshGenerator.Options options,
        double[] spacing) {
    /** Steps of the softening's power from 1 to 0 ({@link #levels}). */
    public static final int SOFTENING_STEPS = 20;

    public SpacingLadder {
        outline = outline.clone();
        spacing = spacing.clone();
        if (spacing.length != outline.length / 2) {
            throw new IllegalArgumentException("a spacing of " + spacing.length + " stations for"
                    + " an outline of " + outline.length / 2 + " points");
        }
    }

    @Override
    public double[] spacing() {
        return spacing.clone();
    }

    @Override
    public double[] outline() {
        return outline.clone();
    }

    /** The points of a member of n points around the body, x0, y0, ... */
    public double[] body(int n) {
        return AdaptedOMesh.place(outline, AdaptedOMesh.arcLengths(outline), spacing, n);
    }

    /** The member of n points around the body. */
    public Mesh mesh(int n) {
        return MeshGenerator.around(body(n), bodyName,
                AdaptedOMesh.proportioned(options, n, perimeter()));
    }

    /** The nodes of the member of n points, without building it. */
    public int nodes(int n) {
        MeshGenerator.Options o = AdaptedOMesh.proportioned(options, n, perimeter());
        return n * (1 + MeshGenerator.layerHeights(o.firstHeight(), o.layers(), o.farField()).length);
    }

    /** The outline's length, which the first height and the spacing cap are taken over. */
    private double perimeter() {
        double[] arc = AdaptedOMesh.arcLengths(outline);
        return arc[arc.length - 1];
    }

    /**
     * Points around the body of each level, finest first: the finest as given, each next one
     * the even count whose member's nodes come nearest to the finest's nodes over ratio^(2k),
     * so the levels keep the ratio in points per direction as their node counts measure it.
     *
     * @throws IllegalArgumentException when a level would have fewer than minPoints points or
     *     the same as the level above
     */
    public int[] levelPoints(int finest, int levels, double ratio, int minPoints) {
        int[] points = new int[levels];
        points[0] = finest;
        double top = nodes(finest);
        for (int k = 1; k < levels; k++) {
            double target = top / Math.pow(ratio, 2 * k);
            int guess = 2 * (int) Math.round(finest / Math.pow(ratio, k) / 2);
            int best = -1;
            double miss = Double.MAX_VALUE;
            for (int n = Math.max(minPoints, guess - 8); n <= guess + 8; n += 2) {
                double d = Math.abs(Math.log(nodes(n) / target));
                if (d < miss) {
                    miss = d;
                    best = n;
                }
            }
            if (guess < minPoints || best >= points[k - 1]) {
                throw new IllegalArgumentException(String.format(Locale.ROOT, "level %d of %d"
                        + " would have %d points around the body (at least %d, fewer than"
                        + " level %d): raise the finest level's nodes (--max-nodes) or lower"
                        + " --levels or --ratio", k + 1, levels, guess, minPoints, k));
            }
            points[k] = best;
        }
        return points;
    }

    /**
     * The family with the contrast of its spacing taken to the power a: each station's spacing
     * s^a times the geometric mean of the spacing^(1 - a) (1 keeps it, 0 spaces the points
     * evenly along the body).
     */
    public SpacingLadder softened(double a) {
        double logMean = 0;
        for (double h : spacing) {
            logMean += Math.log(h);
        }
        logMean /= spacing.length;
        double[] soft = new double[spacing.length];
        for (int f = 0; f < spacing.length; f++) {
            soft[f] = Math.exp(a * Math.log(spacing[f]) + (1 - a) * logMean);
        }
        return new SpacingLadder(outline, bodyName, options, soft);
    }

    /**
     * A ladder whose every level builds.
     *
     * @param ladder the family (softened when the full contrast folded a level's layers)
     * @param points each level's points around the body, finest first
     * @param contrast the power the family's contrast was taken to (1: the spacing as adapted)
     */
    public record Levels(SpacingLadder ladder, int[] points, double contrast) {
        public Levels {
            points = points.clone();
        }

        @Override
        public int[] points() {
            return points.clone();
        }
    }

    /**
     * The levels of {@link #levelPoints}, each mesh built once to see that its layers do not
     * fold; where one does (the first cell at a sharp trailing edge, at some steps beside it
     * and not at others), the whole family is softened, its contrast taken to the largest power
     * in steps of 1 / {@link #SOFTENING_STEPS} that builds every level, so the levels stay one
     * family. (The NACA 0012 at Mach 0.8 after one cycle on 80 points: the full contrast builds
     * 64 points and more, 0.9 to 0.45 fold at 56 to 112 points, 0.4 and below build all.)
     *
     * @throws IllegalStateException when a level folds even so
     */
    public Levels levels(int finest, int levels, double ratio, int minPoints) {
        IllegalStateException folded = null;
        for (int step = SOFTENING_STEPS; step >= 0; step--) {
            double a = (double) step / SOFTENING_STEPS;
            SpacingLadder l = step == SOFTENING_STEPS ? this : softened(a);
            int[] p = l.levelPoints(finest, levels, ratio, minPoints);
            try {
                for (int n : p) {
                    l.mesh(n);
                }
                return new Levels(l, p, a);
            } catch (IllegalStateException e) {
                folded = e;
            }
        }
        throw folded;
    }
}
