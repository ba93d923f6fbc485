package kestrafol.run;

import java.io.IOException;
import java.io.PrintStream;
import java.nio.file.Path;
import java.util.ArrayList;
import java.util.Arrays;
import java.util.LinkedHashMap;
import java.util.List;
import java.util.Map;
import java.util.stream.Collectors;
import java.util.Locale;
import java.util.concurrent.atomic.AtomicBoolean;
import kestrafol.base.PropertiesFile;
import kestrafol.mesh.Mesh;
import kestrafol.meshing.AdaptedOMesh;
import kestrafol.meshing.AirfoilMeshes;
import kestrafol.meshing.SpacingLadder;

/**
 * Meshes of a study or an error estimate on adapted meshes: the adaptation cycles of a case run
 * once ({@link Adapting}), and the family of O-meshes its last size field places
 * ({@link SpacingLadder}), one member per level.
 */
public final class AdaptedLevels {
    private AdaptedLevels() {}

    /**
     * The outcome of the cycles.
     *
     * @param ladder the family of meshes placed by the last size field
     * @param finestPoints points around the body of the last adapted mesh (the finest member)
     * @param startPoints points around the body of the mesh the cycles started from
     * @param cycles the cycles as run (their solves; the last mesh is not solved here)
     * @param contrast the power the size field's contrast was softened to so that every level
     *     builds (1: as adapted; {@link SpacingLadder#levels})
     */
    public record Family(SpacingLadder ladder, int finestPoints, int startPoints,
            List<Cycle> cycles, double contrast) {
        public Family {
            cycles = List.copyOf(cycles);
        }

        /** The family with the ladder of levels that every level builds from. */
        public Family with(SpacingLadder.Levels levels) {
            return new Family(levels.ladder(), finestPoints, startPoints, cycles,
                    contrast * levels.contrast());
        }

        /**
         * "2 cycles of solve and remesh from 112 points around the body (3,920 nodes); the
         * finest level is its last mesh", or the softening when there was one.
         */
        public String describe() {
            return String.format(Locale.ROOT, "%d cycle%s of solve and remesh from %d points"
                    + " around the body (%,d nodes)%s", cycles.size(), cycles.size() == 1 ? ""
                    : "s", startPoints, cycles.isEmpty() ? 0 : cycles.get(0).nodes(),
                    contrast == 1 ? "; the finest level is its last mesh" : "; its contrast"
                    + " softened to the power " + contrast + " so that every level's layers"
                    + " build, the finest level with the last mesh's points");
        }
    }

    /** One cycle as the family records it. */
    public record Cycle(int nodes, double cl, double cd, double estimate) {}

    /**
     * Runs the case's adaptation cycles (its {@link CaseDefinition.Adaptation}: cycles and node
     * budget) from its built-in O-mesh, their progress lines to out.
     *
     * @throws IllegalArgumentException when the body's mesh is not the built-in O-mesh, the
     *     budget is below its nodes, or a cycle diverged or was interrupted
     */
    public static Family adapt(CaseDefinition c, PrintStream out) throws IOException {
        AirfoilMeshes.Built built = Run.meshed(c, out::println);
        if (!Adapting.applies(c, built.mesher()) || Adapting.byGmsh(c, built.mesher())) {
            throw new IllegalArgumentException("a study's adapted levels place the points of"
                    + " the built-in O-mesh; this body's mesh is by " + built.mesher());
        }
        long start = System.nanoTime();
        Progress progress = new Progress(out, false);
        progress.header(0);
        Adapting.Outcome o = Adapting.run(c, built.mesh(), built.mesher(), progress, new AtomicBoolean(), start);
        if (o.spacing() == null) {
            throw new IllegalArgumentException("the adaptation stopped in cycle "
                    + o.cycles().size() + " (" + o.cycles().get(o.cycles().size() - 1).stoppedBy()
                    + "), so there is no adapted size field for the levels");
        }
        return new Family(ladderOf(c, built.mesh(), o.spacing()), Adapting.wallNodes(o.mesh()),
                c.meshing().meshOptions().pointsAround(), o.cycles().stream()
                        .map(k -> new Cycle(k.nodes(), k.cl(), k.cd(), k.estimate())).toList(), 1);
    }

    /**
     * Records a family in a file (whole or not at all), so that other processes (the array
     * tasks of a Slurm study, its gathering) take the same levels without adapting again: the
     * spacing as the shortest decimals that read back as the same doubles, so every process
     * builds the same meshes bit for bit.
     */
    public static void record(Family f, Path file) throws IOException {
        LinkedHashMap<String, String> e = new LinkedHashMap<>();
        e.put("startPoints", Integer.toString(f.startPoints()));
        e.put("finestPoints", Integer.toString(f.finestPoints()));
        e.put("body", f.ladder().bodyName());
        e.put("contrast", Double.toString(f.contrast()));
        e.put("cycles", Integer.toString(f.cycles().size()));
        for (int k = 0; k < f.cycles().size(); k++) {
            Cycle c = f.cycles().get(k);
            e.put("cycle." + (k + 1), c.nodes() + "," + c.cl() + "," + c.cd() + ","
                    + c.estimate());
        }
        e.put("spacing", Arrays.stream(f.ladder().spacing()).mapToObj(Double::toString)
                .collect(Collectors.joining(",")));
        PropertiesFile.write(file, List.of("kestrafol study --adapt: the adaptation whose last"
                + " size field places every level's points along the body (requested spacing"
                + " at each of " + AdaptedOMesh.OUTLINE_POINTS + " outline stations)."), e);
    }

    /**
     * The family a file records, for the case the adaptation started from (its outline and
     * mesh options).
     *
     * @throws IOException naming the file when it is missing or damaged
     */
    public static Family recorded(Path file, CaseDefinition start) throws IOException {
        Map<String, String> e = PropertiesFile.read(file);
        try {
            int cycles = Integer.parseInt(e.get("cycles"));
            List<Cycle> list = new ArrayList<>();
            for (int k = 1; k <= cycles; k++) {
                String[] v = e.get("cycle." + k).split(",");
                list.add(new Cycle(Integer.parseInt(v[0]), Double.parseDouble(v[1]),
                        Double.parseDouble(v[2]), Double.parseDouble(v[3])));
            }
            double[] spacing = Arrays.stream(e.get("spacing").split(","))
                    .mapToDouble(Double::parseDouble).toArray();
            int startPoints = Integer.parseInt(e.get("startPoints"));
            if (startPoints != start.meshing().meshOptions().pointsAround()) {
                throw new IllegalArgumentException("an adaptation from " + startPoints
                        + " points, not the study's " + start.meshing().meshOptions()
                        .pointsAround());
            }
            return new Family(new SpacingLadder(Adapting.outline(start), e.get("body"),
                    start.meshing().meshOptions(), spacing),
                    Integer.parseInt(e.get("finestPoints")), startPoints, list,
                    Double.parseDouble(e.get("contrast")));
        } catch (RuntimeException x) {
            throw new IOException(file + ": not the adaptation of this study: " + x.getMessage(),
                    x);
        }
    }

    /** The member of the family with the given points, with the case's boundary kinds. */
    public static Mesh mesh(CaseDefinition level, SpacingLadder ladder, int points) {
        try {
            return Run.withBoundaries(level, ladder.mesh(points));
        } catch (IllegalStateException e) {
            // Softening the spacing here would leave the family: the level is refused.
            throw new IllegalArgumentException("the O-mesh of " + points + " points placed by"
                    + " the adapted size field folds (" + e.getMessage() + "): raise --resolution"
                    + " or --max-nodes, or lower --ratio", e);
        }
    }

    /** The family placed by a spacing of the case's body, its O-mesh's options and name. */
    static SpacingLadder ladderOf(CaseDefinition c, Mesh mesh, double[] spacing) {
        return new SpacingLadder(Adapting.outline(c), mesh.boundaryNames().get(0),
                c.meshing().meshOptions(), spacing);
    }
}
