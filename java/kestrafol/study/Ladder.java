package kestrafol.study;

import java.nio.file.Path;
import java.util.ArrayList;
import java.util.LinkedHashMap;
import java.util.List;
import java.util.Locale;
import java.util.Map;
import java.util.function.BiFunction;
import kestrafol.meshing.MeshGenerator;
import kestrafol.meshing.SpacingLadder;
import kestrafol.run.CaseDefinition;
import kestrafol.run.CaseResult;
import kestrafol.run.StopReason;

/**
 * A grid-convergence study of one case: the case solved on a ladder of built-in meshes, each
 * level {@code ratio} times coarser than the one before in points per direction (points around
 * the body and layers together), the finest level the resolution asked for; each level runs into
 * a folder of its own ({@code batch.Study}); the coefficients of the three finest levels give, per coefficient, the observed order, the Richardson-extrapolated
 * value and the grid convergence index ({@link GridConvergence}).
 *
 * <p>The spacing of a level is h = sqrt(N1 / N) for a mesh of N nodes, N1 those of the finest
 * level: 1 on the finest, about the ratio on the next.
 */
public final class Ladder {
    /** Default refinement ratio between levels, in points per direction. */
    public static final double DEFAULT_RATIO = Math.sqrt(2);
    /** Default number of levels. */
    public static final int DEFAULT_LEVELS = 3;
    /**
     * Default points around the body of the finest level: one step of the default ratio above
     * the default mesh, which is then the second level (docs/ACCURACY.md).
     */
    public static final int DEFAULT_FINEST = 158;
    /** The fewest points around the body a level may have. */
    public static final int MIN_POINTS = 16;

    /**
     * The far field's share of the lift error: the ladder keeps the domain fixed (the built-in
     * meshes' far field, {@link MeshGenerator#DEFAULT_FAR_FIELD} chords), so its bands hold the
     * mesh error only. Measured on NACA 0012 (Mach 0.5 at 1.25 degrees and Mach 0.3 at 4), CL
     * grows with the domain radius R as 1/R, by 0.22 % and 0.12 % from 100 to 200 chords, which
     * is also what an unbounded domain would add beyond 200: at most 0.44 CL / R.
     */
    public static final double FAR_FIELD_LIFT = 0.44;

    /** The coefficients the study estimates, in the order of every table. */
    public static final List<String> COEFFICIENTS = List.of("cl", "cd", "cm");

    /** How much larger |CL| would be with an unbounded domain, at most (see FAR_FIELD_LIFT). */
    public static double farFieldShare(double cl) {
        return FAR_FIELD_LIFT * Math.abs(cl) / MeshGenerator.DEFAULT_FAR_FIELD;
    }

    /**
     * One level: its number (1 the finest), points around the body, the case, its folder, and
     * the family of adapted meshes it is a member of (null for the built-in mesh of the case).
     */
    public record Level(int number, int points, CaseDefinition definition, Path folder,
            SpacingLadder adapted) {
        /** A level on the built-in mesh of its case. */
        public Level(int number, int points, CaseDefinition definition, Path folder) {
            this(number, points, definition, folder, null);
        }

        /** "adapted" for a member of an adapted family, "built-in" otherwise. */
        public String meshKind() {
            return adapted == null ? BUILT_IN : ADAPTED;
        }
    }

    /** The mesh kind of a level on the built-in mesh of its case. */
    public static final String BUILT_IN = "built-in";
    /** The mesh kind of a level placed by an adapted size field. */
    public static final String ADAPTED = "adapted";

    /**
     * A level's outcome: the nodes of its mesh, its relative spacing, and the run's result (a
     * result stopped by "failed" when the level could not run; its message says why).
     */
    public record Outcome(Level level, int nodes, double h, CaseResult result) {
        /** The outcome of a level that could not run. */
        public static Outcome failed(Level level, String message) {
            return new Outcome(level, 0, Double.NaN,
                    CaseResult.without(StopReason.FAILED, message));
        }

        /** True when the level ran (it may still have diverged or not converged). */
        public boolean ran() {
            return result.stop() != StopReason.FAILED && result.stop() != StopReason.NOT_RUN;
        }

        /** True when the level could not run (no mesh, no solver, no files). */
        public boolean failed() {
            return result.stop() == StopReason.FAILED;
        }

        /** The coefficient by name ("cl", "cd", "cm"); NaN without an answer. */
        public double coefficient(String name) {
            return switch (name) {
                case "cl" -> result.cl();
                case "cd" -> result.cd();
                case "cm" -> result.cm();
                default -> throw new IllegalArgumentException("no coefficient " + name);
            };
        }

        /** A level whose run decided it converged. */
        public boolean converged() {
            return result.converged();
        }
    }

    private Ladder() {}

    /**
     * The levels of a ladder, each in its folder "levelK-nPOINTS" inside the study's folder.
     *
     * @param definition the case of a level from its points and folder
     */
    public static List<Level> levels(Path folder, int[] points,
            BiFunction<Integer, Path, CaseDefinition> definition) {
        return levels(folder, points, definition, null);
    }

    /**
     * As {@link #levels(Path, int[], BiFunction)}, each level a member of the adapted family
     * (null for the built-in meshes).
     */
    public static List<Level> levels(Path folder, int[] points,
            BiFunction<Integer, Path, CaseDefinition> definition, SpacingLadder adapted) {
        List<Level> ladder = new ArrayList<>();
        for (int k = 0; k < points.length; k++) {
            Path level = folder.resolve(String.format(Locale.ROOT, "level%d-n%d", k + 1,
                    points[k]));
            ladder.add(new Level(k + 1, points[k], definition.apply(points[k], level), level,
                    adapted));
        }
        return ladder;
    }

    /**
     * Points around the body of each level, finest first: the finest as given, each next one
     * the previous divided by the ratio, rounded to an even count.
     *
     * @throws IllegalArgumentException when a level would have fewer than {@link #MIN_POINTS}
     *     points or the same points as the level before
     */
    public static int[] ladder(int finest, int levels, double ratio) {
        if (levels < 2) {
            throw new IllegalArgumentException("a study needs at least 2 levels, got " + levels);
        }
        if (!(ratio >= 1.1) || !Double.isFinite(ratio)) {
            throw new IllegalArgumentException("the refinement ratio must be at least 1.1, got "
                    + ratio);
        }
        int[] points = new int[levels];
        for (int k = 0; k < levels; k++) {
            long n = 2 * Math.round(finest / Math.pow(ratio, k) / 2);
            if (n < MIN_POINTS) {
                throw new IllegalArgumentException(String.format(Locale.ROOT, "level %d of %d"
                        + " would have %d points around the body (at least %d): raise"
                        + " --resolution (now %d) or lower --levels or --ratio", k + 1, levels,
                        n, MIN_POINTS, finest));
            }
            if (k > 0 && n >= points[k - 1]) {
                throw new IllegalArgumentException("levels " + k + " and " + (k + 1)
                        + " would both have " + points[k - 1] + " points: raise --ratio");
            }
            points[k] = (int) n;
        }
        return points;
    }

    /** The outcomes with h = sqrt(N1 / N), N1 the nodes of the finest level. */
    public static List<Outcome> withSpacings(List<Outcome> outcomes) {
        int finest = outcomes.get(0).nodes();
        List<Outcome> out = new ArrayList<>();
        for (Outcome o : outcomes) {
            double h = o.nodes() > 0 && finest > 0 ? Math.sqrt((double) finest / o.nodes())
                    : Double.NaN;
            out.add(new Outcome(o.level(), o.nodes(), h, o.result()));
        }
        return out;
    }

    /**
     * The estimate of each coefficient from the finest levels with a value (three or more: the
     * three-grid method, the further levels checking its verdict; two: the two-grid estimate
     * with the assumed order), by name; null for a coefficient when fewer than two levels from
     * the finest on have a value.
     */
    public static Map<String, GridConvergence.Estimate> estimates(List<Outcome> outcomes,
            double assumedOrder) {
        Map<String, GridConvergence.Estimate> m = new LinkedHashMap<>();
        for (String name : COEFFICIENTS) {
            int n = 0;
            while (n < outcomes.size() && Double.isFinite(outcomes.get(n).h())
                    && Double.isFinite(outcomes.get(n).coefficient(name))) {
                n++;
            }
            double[] h = new double[n];
            double[] f = new double[n];
            for (int k = 0; k < n; k++) {
                h[k] = outcomes.get(k).h();
                f[k] = outcomes.get(k).coefficient(name);
            }
            GridConvergence.Estimate e = null;
            if (n >= 3) {
                e = GridConvergence.ladder(h, f);
            } else if (n == 2 && outcomes.size() == 2) {
                e = GridConvergence.twoGrids(h[0], h[1], f[0], f[1], assumedOrder);
            }
            m.put(name, e);
        }
        return m;
    }
}
