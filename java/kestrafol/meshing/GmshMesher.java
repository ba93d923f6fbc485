package kestrafol.meshing;

import java.io.IOException;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;
import java.util.ArrayList;
import java.util.Comparator;
import java.util.List;
import java.util.Locale;
import java.util.concurrent.TimeUnit;
import java.util.stream.Stream;
import kestrafol.geometry.Airfoil;
import kestrafol.geometry.Polygons;
import kestrafol.mesh.Mesh;
import kestrafol.mesh.io.GmshReader;

/**
 * Meshes several bodies (a slat, a main element and a flap, or any closed outlines) with Gmsh:
 * writes a .geo script (each body a spline through its points, split at sharp corners such as
 * a trailing edge; a far-field circle; a boundary-layer field of quadrilateral or triangle
 * layers on every body; sizes growing from the bodies to the far field), runs {@code gmsh -2}
 * in a temporary folder with a time limit, and reads the result (format 2.2) with the toolkit's
 * own reader. The boundaries are named element1, element2, ... in the order given, and
 * farfield. Bodies that overlap, contain one another, or come closer than
 * {@link #MIN_GAP_FRACTION} of the larger one's size are refused before Gmsh runs.
 */
public final class GmshMesher {
    /** Closest two bodies may come, as a fraction of the larger body's size. */
    public static final double MIN_GAP_FRACTION = 1e-3;
    /** Interior angle (degrees) below which an outline point is a corner that splits its spline. */
    private static final double CORNER_ANGLE = 150;
    /** The file name of a size view beside the .geo script. */
    static final String VIEW_FILE = "sizes.pos";
    /** Sides of a body outline per Gmsh spline. */
    private static final int CHUNK = 4;

    private GmshMesher() {}

    /**
     * Gmsh ran but could not mesh the geometry (an error reported, no mesh written, or a mesh
     * with cells folded flat); {@link #firstError} is the first error line Gmsh printed, or what
     * was wrong with its mesh.
     */
    public static final class Failure extends IOException {
        private static final long serialVersionUID = 1L;
        private final String firstError;

        Failure(String message, String firstError) {
            super(message);
            this.firstError = firstError;
        }

        public String firstError() {
            return firstError;
        }
    }

    /**
     * Largest angle (degrees) a triangle of a Gmsh mesh may have: Gmsh's boundary layers can
     * leave cells folded flat where they meet at a thin gap or a blunt base (seen: 180.0).
     */
    static final double MAX_ANGLE = 179;

    /**
     * One body: a closed outline (x0, y0, x1, y1, ..., the first point not repeated), in either
     * direction, in the frame of the whole configuration.
     */
    public record Body(double[] points) {
        public Body {
            if (points == null || points.length < 6 || points.length % 2 != 0) {
                throw new IllegalArgumentException("a body needs at least three points");
            }
            points = points.clone();
        }

        @Override
        public double[] points() {
            return points.clone();
        }

        /**
         * An airfoil placed in the configuration: its outline re-panelled to {@code n} points,
         * scaled to {@code chord}, turned by {@code deflectionDegrees} about its leading edge
         * (positive trailing edge down, as a flap deflection) and moved so that its leading edge
         * sits at (x, y).
         */
        public static Body of(Airfoil airfoil, int n, double chord, double deflectionDegrees,
                double x, double y) {
            double[] c = airfoil.contour(n);
            double a = Math.toRadians(-deflectionDegrees);
            double cos = Math.cos(a);
            double sin = Math.sin(a);
            for (int i = 0; i < n; i++) {
                double px = chord * c[2 * i];
                double py = chord * c[2 * i + 1];
                c[2 * i] = x + px * cos - py * sin;
                c[2 * i + 1] = y + px * sin + py * cos;
            }
            return new Body(c);
        }
    }

    /**
     * Mesh options.
     *
     * @param firstHeight height of the first layer on the bodies
     * @param layers number of boundary layers: the layer region is as thick as this many
     *     layers growing by {@code growth} from {@code firstHeight}; 0 for none (the cells at
     *     the walls then take the size of the outline's sides)
     * @param growth growth ratio of the boundary layers (1 to 2)
     * @param farField far-field radius in units of the configuration's size, at least 20
     * @param quads boundary layers of quadrilaterals (triangles otherwise)
     * @param timeoutSeconds longest Gmsh may run
     * @param executable the Gmsh program ("gmsh" to search the PATH)
     */
    public record Options(double firstHeight, int layers, double growth, double farField,
            boolean quads, long timeoutSeconds, String executable) {
        public Options {
            if (!(firstHeight > 0) || !Double.isFinite(firstHeight)) {
                throw new IllegalArgumentException("firstHeight = " + firstHeight + ": must be above 0");
            }
            if (layers < 0 || layers > 200) {
                throw new IllegalArgumentException("layers = " + layers + ": must be 0 to 200");
            }
            if (!(growth >= 1 && growth <= 2)) {
                throw new IllegalArgumentException("growth = " + growth + ": must be 1 to 2");
            }
            if (!(farField >= 20) || !Double.isFinite(farField)) {
                throw new IllegalArgumentException("farField = " + farField + ": must be at least 20");
            }
            if (timeoutSeconds < 1) {
                throw new IllegalArgumentException("timeoutSeconds = " + timeoutSeconds + ": must be at least 1");
            }
        }

        /** Inviscid defaults: first height 2e-3, 6 layers growing by 1.3, far field 25, 120 s. */
        public static Options defaults() {
            return new Options(2e-3, 6, 1.3, 25, false, 120, "gmsh");
        }

        public Options withFirstHeight(double value) {
            return new Options(value, layers, growth, farField, quads, timeoutSeconds, executable);
        }

        public Options withQuads(boolean value) {
            return new Options(firstHeight, layers, growth, farField, value, timeoutSeconds, executable);
        }

        public Options withLayers(int value) {
            return new Options(firstHeight, value, growth, farField, quads, timeoutSeconds, executable);
        }

        public Options withExecutable(String value) {
            return new Options(firstHeight, layers, growth, farField, quads, timeoutSeconds, value);
        }
    }

    /**
     * Meshes the bodies.
     *
     * @throws IllegalArgumentException when bodies overlap, touch or nearly touch
     * @throws IOException when Gmsh is missing, fails, times out or writes an unreadable mesh;
     *     the message says which, with the end of Gmsh's output
     */
    public static Mesh mesh(List<Body> bodies, Options options) throws IOException {
        return mesh(bodies, options, null);
    }

    /**
     * Meshes the bodies with the sizes of a view over a present mesh of them (null: the
     * default sizes): the size is the smaller of the view and the default one everywhere
     * ({@link #defaultSizes}), each outline point the smaller of its own spacing and the size
     * of the wall node nearest to it; the boundary layers, corners, far field and names stay
     * as without it.
     */
    public static Mesh mesh(List<Body> bodies, Options options, SizeView view) throws IOException {
        if (bodies.isEmpty()) {
            throw new IllegalArgumentException("no bodies to mesh");
        }
        requireApart(bodies);
        Path dir = Files.createTempDirectory("kestrafol-gmsh");
        try {
            Path geo = dir.resolve("bodies.geo");
            Path msh = dir.resolve("bodies.msh");
            Path log = dir.resolve("gmsh.log");
            if (view != null) {
                Files.writeString(dir.resolve(VIEW_FILE), view.pos(), StandardCharsets.UTF_8);
            }
            Files.writeString(geo, geoScript(bodies, options, view), StandardCharsets.UTF_8);
            run(options, dir, geo, msh, log);
            Mesh mesh;
            try {
                mesh = GmshReader.read(msh);
            } catch (kestrafol.mesh.io.MeshFileException e) {
                // Boundary layers folded over each other: cells that overlap.
                throw new Failure("Gmsh wrote an invalid mesh: " + e.getMessage(),
                        "it wrote cells that overlap");
            }
            double widest = MeshQuality.of(mesh).maxAngle();
            if (widest > MAX_ANGLE) {
                String what = String.format(Locale.ROOT, "a cell with an angle of %.1f degrees",
                        widest);
                throw new Failure("Gmsh left " + what, what);
            }
            return mesh;
        } finally {
            deleteTree(dir);
        }
    }

    private static void run(Options o, Path dir, Path geo, Path msh, Path log) throws IOException {
        ProcessBuilder pb = new ProcessBuilder(o.executable(), "-2", "-format", "msh22",
                "-o", msh.toString(), geo.toString())
                .directory(dir.toFile()).redirectErrorStream(true).redirectOutput(log.toFile());
        Process p;
        try {
            p = pb.start();
        } catch (IOException e) {
            throw new IOException(o.executable() + " could not be started (" + e.getMessage()
                    + "); install Gmsh: apt-get install gmsh");
        }
        boolean done;
        try {
            done = p.waitFor(o.timeoutSeconds(), TimeUnit.SECONDS);
        } catch (InterruptedException e) {
            p.destroyForcibly();
            Thread.currentThread().interrupt();
            throw new IOException("interrupted while Gmsh was meshing");
        }
        if (!done) {
            p.destroyForcibly();
            throw new IOException("Gmsh did not finish within " + o.timeoutSeconds() + " s"
                    + tail(log));
        }
        if (p.exitValue() != 0 || !Files.isRegularFile(msh)) {
            throw new Failure("Gmsh failed (exit status " + p.exitValue() + ")" + tail(log),
                    firstError(log));
        }
        String out = Files.readString(log, StandardCharsets.UTF_8);
        if (out.contains("Error")) {
            throw new Failure("Gmsh reported an error" + tail(log), firstError(log));
        }
    }

    /** The first error line of Gmsh's output without its "Error :" prefix, or "no mesh". */
    private static String firstError(Path log) throws IOException {
        if (Files.isRegularFile(log)) {
            for (String l : Files.readAllLines(log, StandardCharsets.UTF_8)) {
                if (l.contains("Error")) {
                    return l.replaceFirst(".*Error\\s*:\\s*", "").strip();
                }
            }
        }
        return "no mesh written";
    }

    /** ": " and the last error lines (or last lines) of Gmsh's output. */
    private static String tail(Path log) throws IOException {
        if (!Files.isRegularFile(log)) {
            return "";
        }
        List<String> lines = Files.readAllLines(log, StandardCharsets.UTF_8);
        List<String> errors = new ArrayList<>();
        for (String l : lines) {
            if (l.contains("Error")) {
                errors.add(l.strip());
            }
        }
        List<String> pick = errors.isEmpty() ? lines.subList(Math.max(0, lines.size() - 3), lines.size())
                : errors.subList(0, Math.min(3, errors.size()));
        return pick.isEmpty() ? "" : ": " + String.join(" | ", pick);
    }

    private static void deleteTree(Path dir) throws IOException {
        try (Stream<Path> s = Files.walk(dir)) {
            for (Path p : s.sorted(Comparator.reverseOrder()).toList()) {
                Files.deleteIfExists(p);
            }
        }
    }

    /** Largest extent of a body's points. */
    private static double size(double[] p) {
        double xMin = Double.MAX_VALUE;
        double xMax = -Double.MAX_VALUE;
        double yMin = Double.MAX_VALUE;
        double yMax = -Double.MAX_VALUE;
        for (int i = 0; i < p.length; i += 2) {
            xMin = Math.min(xMin, p[i]);
            xMax = Math.max(xMax, p[i]);
            yMin = Math.min(yMin, p[i + 1]);
            yMax = Math.max(yMax, p[i + 1]);
        }
        return Math.max(xMax - xMin, yMax - yMin);
    }

    /**
     * Refuses bodies that cross, contain one another or come within the minimum gap; each
     * outline on its own must not cross itself either.
     */
    static void requireApart(List<Body> bodies) {
        for (int i = 0; i < bodies.size(); i++) {
            double[] a = bodies.get(i).points;
            int[] self = Polygons.firstSelfCrossing(a, a.length / 2);
            if (self != null) {
                throw new IllegalArgumentException("element" + (i + 1) + ": its side from point "
                        + self[1] + " crosses its side from point " + self[0]);
            }
            for (int j = 0; j < i; j++) {
                double[] b = bodies.get(j).points;
                String where = "element" + (j + 1) + " and element" + (i + 1);
                if (Polygons.sidesCross(a, b)) {
                    throw new IllegalArgumentException(where + " overlap: their outlines cross");
                }
                if (Polygons.inside(a[0], a[1], b) || Polygons.inside(b[0], b[1], a)) {
                    throw new IllegalArgumentException(where + " overlap: one lies inside the other");
                }
                double gap = Polygons.gap(a, b);
                double limit = MIN_GAP_FRACTION * Math.max(size(a), size(b));
                if (gap < limit) {
                    throw new IllegalArgumentException(String.format(Locale.ROOT,
                            "%s nearly touch: gap %.3g, less than %.3g (%.3g of the larger);"
                            + " move them apart", where, gap, limit, MIN_GAP_FRACTION));
                }
            }
        }
    }

    /** The .geo script: the bodies, the far-field circle, the physical groups, the size fields. */
    public static String geoScript(List<Body> bodies, Options o) {
        return geoScript(bodies, o, null);
    }

    /** The .geo script with the sizes of a view (written beside it as {@link #VIEW_FILE}). */
    static String geoScript(List<Body> bodies, Options o, SizeView view) {
        Script g = new Script(view);
        double[] box = bounds(bodies);
        double cx = 0.5 * (box[0] + box[1]);
        double cy = 0.5 * (box[2] + box[3]);
        double radius = o.farField() * Math.max(box[1] - box[0], box[3] - box[2]);
        double farSize = 2 * Math.PI * radius / 64;
        List<List<Integer>> bodyCurves = new ArrayList<>();
        List<Integer> loops = new ArrayList<>();
        for (Body b : bodies) {
            List<Integer> curves = g.body(b.points);
            bodyCurves.add(curves);
            g.text.append("Curve Loop(").append(g.curve + 1000).append(") = {")
                    .append(join(curves)).append("};\n");
            loops.add(g.curve + 1000);
        }
        List<Integer> arcs = g.farField(cx, cy, radius, farSize);
        g.text.append("Curve Loop(1) = {").append(join(arcs)).append("};\n");
        g.text.append("Plane Surface(1) = {1, ").append(join(loops)).append("};\n");
        List<Integer> walls = g.physicalGroups(bodyCurves, arcs);
        g.sizeFields(walls, o, g.largest, farSize, radius);
        if (view != null) {
            // The smaller of the view and the default growth from the walls: no region gets
            // coarser than the default mesh has it (two cycles that could coarsen it raised the
            // spurious drag of a main element with a flap from 0.0083 to 0.0112).
            g.text.append("Merge \"").append(VIEW_FILE).append("\";\n")
                    .append("Field[4] = PostView;\n")
                    .append("Field[4].ViewIndex = 0;\n")
                    .append("Field[5] = Min;\n")
                    .append("Field[5].FieldsList = {3, 4};\n")
                    .append("Background Field = 5;\n");
        }
        return g.text.toString();
    }

    /**
     * The size the default mesh of the bodies asks for at each node of a mesh: the growth
     * from the largest outline spacing at the walls to the far field's size half the far-field
     * radius away (the distance taken to the nearest outline point), as {@link #geoScript}
     * writes it.
     */
    public static double[] defaultSizes(List<Body> bodies, Options o, Mesh mesh) {
        double[] box = bounds(bodies);
        double radius = o.farField() * Math.max(box[1] - box[0], box[3] - box[2]);
        double farSize = 2 * Math.PI * radius / 64;
        double largest = 0;
        for (Body b : bodies) {
            double[] p = b.points;
            int n = p.length / 2;
            for (int i = 0; i < n; i++) {
                int a = (i + n - 1) % n;
                int c = (i + 1) % n;
                largest = Math.max(largest, 0.5 * (Math.hypot(p[2 * i] - p[2 * a],
                        p[2 * i + 1] - p[2 * a + 1]) + Math.hypot(p[2 * c] - p[2 * i],
                        p[2 * c + 1] - p[2 * i + 1])));
            }
        }
        double[] sizes = new double[mesh.nodeCount()];
        for (int k = 0; k < sizes.length; k++) {
            double d = Double.MAX_VALUE;
            for (Body b : bodies) {
                for (int i = 0; i < b.points.length; i += 2) {
                    d = Math.min(d, Math.hypot(b.points[i] - mesh.x(k),
                            b.points[i + 1] - mesh.y(k)));
                }
            }
            sizes[k] = largest + (farSize - largest) * Math.min(1, d / (0.5 * radius));
        }
        return sizes;
    }

    /** The bodies' bounding box: x min, x max, y min, y max. */
    private static double[] bounds(List<Body> bodies) {
        double[] box = {Double.MAX_VALUE, -Double.MAX_VALUE, Double.MAX_VALUE, -Double.MAX_VALUE};
        for (Body b : bodies) {
            for (int i = 0; i < b.points.length; i += 2) {
                box[0] = Math.min(box[0], b.points[i]);
                box[1] = Math.max(box[1], b.points[i]);
                box[2] = Math.min(box[2], b.points[i + 1]);
                box[3] = Math.max(box[3], b.points[i + 1]);
            }
        }
        return box;
    }

    /** A .geo script being written, with the numbers of its last point and curve. */
    private static final class Script {
        final StringBuilder text =
                new StringBuilder("// Written by kestrafol: bodies, far field, sizes.\n");
        int point;
        int curve;
        /** The largest surface spacing of any body point. */
        double largest;
        /** The sizes asked for, or null for the outline's own spacing. */
        final SizeView view;

        Script(SizeView view) {
            this.view = view;
        }

        /** One body's points (sized by their spacing) and curves; gives the curves. */
        List<Integer> body(double[] p) {
            int n = p.length / 2;
            int firstPoint = point + 1;
            for (int i = 0; i < n; i++) {
                int a = (i + n - 1) % n;
                int c = (i + 1) % n;
                double h = 0.5 * (Math.hypot(p[2 * i] - p[2 * a], p[2 * i + 1] - p[2 * a + 1])
                        + Math.hypot(p[2 * c] - p[2 * i], p[2 * c + 1] - p[2 * i + 1]));
                if (view != null) {
                    h = view.nearWall(p[2 * i], p[2 * i + 1]);
                }
                largest = Math.max(largest, h);
                text.append(String.format(Locale.ROOT, "Point(%d) = {%.17g, %.17g, 0, %.17g};%n",
                        ++point, p[2 * i], p[2 * i + 1], h));
            }
            List<Integer> corners = splineEnds(p);
            List<Integer> curves = new ArrayList<>();
            for (int k = 0; k < corners.size(); k++) {
                int from = corners.get(k);
                int to = corners.get((k + 1) % corners.size());
                int span = Math.floorMod(to - from - 1, n) + 1;
                StringBuilder ids = new StringBuilder();
                for (int s = 0; s <= span; s++) {
                    ids.append(s > 0 ? ", " : "").append(firstPoint + (from + s) % n);
                }
                text.append(span == 1 ? "Line(" : "Spline(").append(++curve).append(") = {")
                        .append(ids).append("};\n");
                curves.add(curve);
            }
            return curves;
        }

        /** The far-field circle about (cx, cy): its centre, four rim points and arcs. */
        List<Integer> farField(double cx, double cy, double radius, double farSize) {
            int center = ++point;
            text.append(String.format(Locale.ROOT, "Point(%d) = {%.17g, %.17g, 0, %.17g};%n",
                    center, cx, cy, farSize));
            int[] rim = new int[4];
            for (int k = 0; k < 4; k++) {
                double a = 0.5 * Math.PI * k;
                rim[k] = ++point;
                text.append(String.format(Locale.ROOT, "Point(%d) = {%.17g, %.17g, 0, %.17g};%n",
                        rim[k], cx + radius * Math.cos(a), cy + radius * Math.sin(a), farSize));
            }
            List<Integer> arcs = new ArrayList<>();
            for (int k = 0; k < 4; k++) {
                text.append("Circle(").append(++curve).append(") = {").append(rim[k])
                        .append(", ").append(center).append(", ").append(rim[(k + 1) % 4])
                        .append("};\n");
                arcs.add(curve);
            }
            return arcs;
        }

        /** One physical curve per body, the far field and the fluid; gives every wall curve. */
        List<Integer> physicalGroups(List<List<Integer>> bodyCurves, List<Integer> arcs) {
            List<Integer> walls = new ArrayList<>();
            for (int b = 0; b < bodyCurves.size(); b++) {
                walls.addAll(bodyCurves.get(b));
                text.append("Physical Curve(\"element").append(b + 1).append("\", ").append(b + 1)
                        .append(") = {").append(join(bodyCurves.get(b))).append("};\n");
            }
            text.append("Physical Curve(\"farfield\", ").append(bodyCurves.size() + 1)
                    .append(") = {").append(join(arcs)).append("};\n");
            text.append("Physical Surface(\"fluid\", ").append(bodyCurves.size() + 2)
                    .append(") = {1};\n");
            return walls;
        }

        /** The boundary layer (when it has layers) and the size growing away from the walls. */
        void sizeFields(List<Integer> walls, Options o, double largest, double farSize,
                double radius) {
            double thickness = o.firstHeight() * (o.growth() == 1 ? o.layers()
                    : (Math.pow(o.growth(), o.layers()) - 1) / (o.growth() - 1));
            if (o.layers() > 0) {
                text.append("Field[1] = BoundaryLayer;\n")
                    .append("Field[1].CurvesList = {").append(join(walls)).append("};\n")
                    .append(String.format(Locale.ROOT, "Field[1].Size = %.17g;%n", o.firstHeight()))
                    .append(String.format(Locale.ROOT, "Field[1].Ratio = %.17g;%n", o.growth()))
                    .append(String.format(Locale.ROOT, "Field[1].Thickness = %.17g;%n", thickness))
                    .append("Field[1].Quads = ").append(o.quads() ? 1 : 0).append(";\n")
                    .append("BoundaryLayer Field = 1;\n");
            }
            text.append("Field[2] = Distance;\n")
                    .append("Field[2].CurvesList = {").append(join(walls)).append("};\n")
                    .append("Field[2].NumPointsPerCurve = 20;\n")
                    .append("Field[3] = Threshold;\n")
                    .append("Field[3].InField = 2;\n")
                    .append(String.format(Locale.ROOT, "Field[3].SizeMin = %.17g;%n", largest))
                    .append(String.format(Locale.ROOT, "Field[3].SizeMax = %.17g;%n", farSize))
                    .append(String.format(Locale.ROOT, "Field[3].DistMin = %.17g;%n", 0.0))
                    .append(String.format(Locale.ROOT, "Field[3].DistMax = %.17g;%n",
                            0.5 * radius))
                    .append("Background Field = 3;\n")
                    .append("Mesh.MeshSizeExtendFromBoundary = 0;\n")
                    .append("Mesh.MeshSizeFromPoints = 1;\n")
                    .append("Mesh.Algorithm = 6;\n");
        }
    }

    /**
     * Where a body's splines end: Gmsh takes the mesh size only at the ends of curves, so each
     * body is a chain of short splines (CHUNK sides each) broken at its corners.
     */
    private static List<Integer> splineEnds(double[] p) {
        int n = p.length / 2;
        List<Integer> sharp = Polygons.corners(p, CORNER_ANGLE);
        List<Integer> corners = new ArrayList<>();
        int start = sharp.isEmpty() ? 0 : sharp.get(0);
        for (int k = 0, last = -CHUNK; k < n; k++) {
            int i = (start + k) % n;
            if (sharp.contains(i) || k - last >= CHUNK) {
                corners.add(i);
                last = k;
            }
        }
        if (n - 1 - (corners.size() > 1 ? Math.floorMod(corners.get(corners.size() - 1) - start, n) : 0)
                < CHUNK / 2 && corners.size() > 2 && !sharp.contains(corners.get(corners.size() - 1))) {
            corners.remove(corners.size() - 1);
        }
        return corners;
    }

    private static String join(List<Integer> ids) {
        StringBuilder s = new StringBuilder();
        for (int id : ids) {
            s.append(s.length() > 0 ? ", " : "").append(id);
        }
        return s.toString();
    }
}
