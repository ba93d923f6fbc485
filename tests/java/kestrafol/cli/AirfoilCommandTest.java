package kestrafol.cli;

import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertTrue;

import java.nio.file.Files;
import java.nio.file.Path;
import java.util.ArrayList;
import java.util.List;
import java.util.Locale;
import java.util.Map;
import java.util.regex.Matcher;
import java.util.regex.Pattern;
import kestrafol.base.Json;
import kestrafol.cli.RunTest.Out;
import kestrafol.geometry.Naca;
import kestrafol.mesh.Mesh;
import kestrafol.mesh.io.MeshFiles;
import kestrafol.meshing.MeshGenerator;
import kestrafol.meshing.MeshQuality;
import kestrafol.run.Run;
import org.junit.jupiter.api.Test;
import org.junit.jupiter.api.io.TempDir;

/** --airfoil on run and mesh as a user meets it: summary.json, surface.csv, refusals, quality. */
class AirfoilCommandTest {
    @TempDir
    Path dir;

    /**
     * A NACA section from its formula as a Selig file, scaled by chord, turned by turn degrees
     * anticlockwise (trailing edge up) about its leading edge and moved so that the leading
     * edge sits at (x0, y0).
     */
    static Path seligFile(Path file, String code, double chord, double turn, double x0,
            double y0) throws Exception {
        double[] p = Naca.seligPoints(Naca.parse(code), 60);
        double a = Math.toRadians(turn);
        StringBuilder s = new StringBuilder("NACA " + code + "\n");
        for (int i = 0; i < p.length / 2; i++) {
            double x = chord * p[2 * i];
            double y = chord * p[2 * i + 1];
            s.append(String.format(Locale.ROOT, "%.12f %.12f%n", x0 + x * Math.cos(a) - y * Math.sin(a),
                    y0 + x * Math.sin(a) + y * Math.cos(a)));
        }
        return Files.writeString(file, s.toString());
    }

    /** The number after "key": at or after from in a summary.json text. */
    static double number(String json, String key, int from) {
        Matcher m = Pattern.compile("\"" + key + "\":\\s*\\[?\\s*(-?[0-9.eE+-]+)").matcher(json);
        assertTrue(m.find(from), key + " missing in " + json);
        return Double.parseDouble(m.group(1));
    }

    /** The second number of a "key": [a, b] pair. */
    static double second(String json, String key) {
        Matcher m = Pattern.compile("\"" + key + "\":\\s*\\[[^,]+,\\s*(-?[0-9.eE+-]+)\\s*\\]").matcher(json);
        assertTrue(m.find(), key + " missing in " + json);
        return Double.parseDouble(m.group(1));
    }

    @Test
    void aCoordinateFileRunsInItsChordFrameWhereverTheFilePutsIt() throws Exception {
        // The same section once in its chord frame and once with chord 2, leading edge at
        // (3, -1) and turned 5 degrees anticlockwise (nose down): the file's geometry is
        // reported as given, the answer and surface.csv are in chords from the leading edge,
        // the same in both.
        Path plain = seligFile(dir.resolve("n4412.dat"), "4412", 1, 0, 0, 0);
        Path moved = seligFile(dir.resolve("moved.dat"), "4412", 2, 5, 3, -1);
        double[] cl = new double[2];
        String[] jsons = new String[2];
        List<String> surface = null;
        for (int k = 0; k < 2; k++) {
            Path out = dir.resolve("r" + k);
            Out r = RunTest.main("run", "--airfoil", (k == 0 ? plain : moved).toString(),
                    "--resolution", "32", "--mach", "0.5", "--alpha", "2", "--iterations", "30",
                    "--no-pictures", "--out", out.toString());
            assertEquals(Run.EXIT_NOT_CONVERGED, r.status(), r.err()); // capped at 30 iterations
            assertTrue(r.out().contains("alpha is measured from it"), r.out());
            jsons[k] = Files.readString(out.resolve("summary.json"));
            cl[k] = number(jsons[k], "cl", 0);
            surface = Files.readAllLines(out.resolve("surface.csv"));
        }
        assertEquals(cl[0], cl[1], 1e-9 * Math.abs(cl[0]), "same section, same chord frame");
        // The leading edge is the point farthest from the trailing edge, a little above the
        // formula's nose: the chord is 1.0003 and lies 0.1775 degrees nose-up of the formula's
        // axis. The moved file reports the same scaled by 2, turned by 5 degrees and moved.
        String plainJson = jsons[0];
        String json = jsons[1];
        int g0 = plainJson.indexOf("\"geometry\"");
        int g = json.indexOf("\"geometry\"");
        assertTrue(g0 > 0 && g > 0, json);
        assertEquals(1.0003, number(plainJson, "chord", g0), 1e-4);
        assertEquals(-0.1775, number(plainJson, "chordAngle", g0), 2e-3);
        double a = Math.toRadians(5);
        double lx = number(plainJson, "leadingEdge", g0);
        double ly = second(plainJson, "leadingEdge");
        assertEquals(2 * number(plainJson, "chord", g0), number(json, "chord", g), 1e-9);
        assertEquals(3 + 2 * (lx * Math.cos(a) - ly * Math.sin(a)), number(json, "leadingEdge", g), 1e-9);
        assertEquals(-1 + 2 * (lx * Math.sin(a) + ly * Math.cos(a)), second(json, "leadingEdge"), 1e-9);
        assertEquals(3 + 2 * Math.cos(a), number(json, "trailingEdge", g), 1e-9);
        assertEquals(-1 + 2 * Math.sin(a), second(json, "trailingEdge"), 1e-9);
        assertEquals(5 + number(plainJson, "chordAngle", g0), number(json, "chordAngle", g), 1e-7);
        assertEquals(0.12, number(json, "maxThickness", g), 0.002);
        assertEquals(0.04, number(json, "maxCamber", g), 0.002);
        assertEquals(0.4, number(json, "maxCamberAt", g), 0.03);
        assertEquals(1, number(json, "referenceLength", 0));
        assertTrue(json.contains("\"chordLine\": \"the chord line, from the leading edge, the point"
                + " of the section farthest from the trailing edge,"), json);
        assertTrue(number(json, "minAngle", json.indexOf("\"meshQuality\"")) > 0, json);
        double xMin = Double.MAX_VALUE;
        double xMax = -Double.MAX_VALUE;
        for (String line : surface.subList(1, surface.size())) {
            double x = Double.parseDouble(line.split(",")[1]);
            xMin = Math.min(xMin, x);
            xMax = Math.max(xMax, x);
        }
        assertEquals(0, xMin, 1e-9, "surface.csv in x/c");
        assertEquals(1, xMax, 1e-9, "surface.csv in x/c");
    }

    @Test
    void unreadableAirfoilsAndImpossibleMeshesAreRefusedWithWhatToChange() throws Exception {
        Path good = seligFile(dir.resolve("good.dat"), "0012", 1, 0, 0, 0);
        List<String> lines = new ArrayList<>(Files.readAllLines(good));
        lines.set(4, "0.9 oops");
        Path bad = Files.write(dir.resolve("bad.dat"), lines);
        String out = dir.resolve("o").toString();
        Object[][] cases = {
            // arguments, exit status, expected in the message
            {List.of("run", "--airfoil", bad.toString(), "--out", out), 1, bad + ":5: "},
            {List.of("mesh", "--airfoil", bad.toString(), "--out", out + ".su2"), 1, bad + ":5: "},
            {List.of("run", "--airfoil", dir.resolve("none.dat").toString()), 1, "none.dat: no such file"},
            {List.of("run", "--airfoil", good.toString(), "--naca", "0012"), 2, "--airfoil cannot go with --naca"},
            {List.of("run", "--airfoil", good + "@1,2,3"), 2, "FILE[@X,Y,DEFLECTION,CHORD]"},
            {List.of("run", "--airfoil", good + "@1,0,10,0.3"), 2, "the first airfoil sets the frame"},
            {List.of("run", "--naca", "23312"), 2, "--naca expects a four- or five-digit"},
            {List.of("run", "--naca", "0012", "--first-height", "1e-5"), 1, "raise --first-height"},
        };
        for (Object[] c : cases) {
            @SuppressWarnings("unchecked")
            Out r = RunTest.main(((List<String>) c[0]).toArray(new String[0]));
            assertEquals((int) c[1], r.status(), c[0] + ": " + r.err());
            assertTrue(r.err().contains((String) c[2]), c[0] + ": " + r.err());
            assertEquals(1, r.err().strip().lines().count(), r.err());
        }
    }

    @Test
    void aSectionOrHeightTheOMeshCannotTakeFallsBackAndSaysSo() throws Exception {
        // The high-lift section's concave lower surface and thin trailing edge fold the
        // O-mesh's first layer: Gmsh meshes the same outline with the O-mesh's own first-cell
        // height (half the surface spacing: 2.07 chords around over 48 points / 2 = 0.0216),
        // the wall keeps its name, the fallback is said on one line and summary.json names it.
        Path file = Path.of(System.getProperty("kestrafol.readme")).resolveSibling(
                "docs/examples/highlift.dat");
        Out r = RunTest.main("run", "--airfoil", file.toString(), "--mach", "0.3", "--alpha",
                "4", "--resolution", "48", "--iterations", "5", "--no-pictures", "--monitor",
                "airfoil", "--out", dir.resolve("hl").toString());
        assertEquals(Run.EXIT_NOT_CONVERGED, r.status(), r.err());
        assertEquals(List.of("the built-in O-mesh cannot be built around highlift.dat (the"
                + " generated cell 0 of layer 0 is not convex); meshing it with Gmsh instead"
                + " (first-cell height 0.0216, 6 layers)"), r.out().lines()
                .filter(l -> l.contains("O-mesh")).toList());
        String json = Files.readString(dir.resolve("hl/summary.json"));
        assertTrue(json.contains("\"mesher\": \"Gmsh\""), json);
        assertEquals(0.0216, number(json, "minFirstHeight", 0), 1e-4, json);
        // A viscous run at Re 500,000 chooses 0.1 / sqrt(Re) = 1.41e-4, on which this Clark Y's
        // O-mesh folds: it builds the next height of 1.41e-4 x 1.25^k that holds, below three
        // cells across the boundary layer, instead of asking for a height nobody gave.
        r = RunTest.main("run", "--airfoil", file.resolveSibling("clarky.dat").toString(),
                "--viscous", "--reynolds", "5e5", "--mach", "0.3", "--iterations", "1",
                "--no-pictures", "--out", dir.resolve("cy").toString());
        assertEquals(Run.EXIT_NOT_CONVERGED, r.status(), r.err());
        Matcher built = Pattern.compile("^the built-in O-mesh cannot be built around clarky.dat"
                + " with a first-cell height of 0.000141 \\(.*\\); built with ([0-9.e-]+)$",
                Pattern.MULTILINE).matcher(r.out());
        assertTrue(built.find(), r.out());
        double h = Double.parseDouble(built.group(1));
        assertTrue(h > 1.4e-4 && h < 0.3 / Math.sqrt(5e5), r.out());
        json = Files.readString(dir.resolve("cy/summary.json"));
        assertTrue(json.contains("\"mesher\": \"built-in O-mesh\""), json);
        assertEquals(h, number(json, "minFirstHeight", 0), 0.05 * h, json);
    }

    @Test
    void meshPrintsTheQualityOfTheFileItWrites() throws Exception {
        Path file = seligFile(dir.resolve("n2412.dat"), "2412", 1, 0, 0, 0);
        Object[][] cases = {
            {List.of("mesh", "--airfoil", file.toString(), "--resolution", "48", "--quads"), "n2412.su2"},
            {List.of("mesh", "naca", "23012", "--resolution", "48"), "naca23012.su2"},
        };
        for (Object[] c : cases) {
            @SuppressWarnings("unchecked")
            List<String> args = new ArrayList<>((List<String>) c[0]);
            Path su2 = dir.resolve((String) c[1]);
            args.addAll(List.of("--out", su2.toString()));
            Out r = RunTest.main(args.toArray(new String[0]));
            assertEquals(0, r.status(), r.err());
            Mesh mesh = MeshFiles.read(su2);
            assertTrue(r.out().contains("Quality: " + MeshQuality.of(mesh)), r.out());
            if (args.contains("naca")) {
                assertEquals(MeshGenerator.naca("23012", MeshGenerator.Options.resolution(48)), mesh);
            } else {
                assertTrue(r.out().contains("thickness 12.00 % at") && mesh.quadCount() > 0, r.out());
            }
        }
    }

    @Test
    void aMainElementAndAFlapRunFromTheCommandLine() throws Exception {
        // A NACA 0012 and a flap of the same section, 0.3 chords, 20 degrees down, its leading
        // edge just below the main element's trailing edge; first order, 100 iterations.
        Path main = seligFile(dir.resolve("main.dat"), "0012", 1, 0, 0, 0);
        Path out = dir.resolve("two");
        Out r = RunTest.main("run", "--airfoil", main.toString(), "--airfoil",
                main + "@1.02,-0.06,20,0.3", "--resolution", "64", "--mach", "0.3", "--alpha",
                "2", "--first-order", "--iterations", "100", "--no-pictures", "--out",
                out.toString());
        assertEquals(Run.EXIT_NOT_CONVERGED, r.status(), r.err());
        String json = Files.readString(out.resolve("summary.json"));
        assertTrue(json.contains("\"element1\": \"slip\"") && json.contains("\"element2\": \"slip\"")
                && json.contains("\"farfield\": \"farfield\""), json);
        assertTrue(json.replaceAll("\\s+", "").contains("\"monitor\":[\"element1\",\"element2\"]"),
                json);
        assertEquals(1, number(json, "referenceLength", 0));
        // The deflected flap adds lift: more than the section alone at 2 degrees (about 0.24).
        double cl = number(json, "cl", 0);
        assertTrue(cl > 0.5 && cl < 3, "cl " + cl);
        // Each element's forces, named by its boundary, add up to the totals; the flap lifts.
        Map<?, ?> summary = (Map<?, ?>) Json.parse(json);
        List<?> elements = (List<?>) summary.get("elements");
        assertEquals(2, elements.size(), json);
        for (String key : new String[] {"cl", "cd", "cm"}) {
            double sum = 0;
            for (Object e : elements) {
                sum += (Double) ((Map<?, ?>) e).get(key);
            }
            assertEquals((Double) summary.get(key), sum, 1e-12, key);
        }
        Map<?, ?> flap = (Map<?, ?>) elements.get(1);
        assertEquals("element2", flap.get("boundary"));
        assertTrue((Double) flap.get("cl") > 0.05, json);
        // The page: an inviscid run's drag called numerical, and Cp drawn per element.
        String html = Files.readString(out.resolve("report.html"));
        assertTrue(html.contains("<p id=\"drag-note\" class=\"muted\">Drag here is numerical"),
                html);
        assertTrue(html.contains("One curve per element"), html);
        // case.properties holds the two elements as one comma-separated list, the placement's
        // commas included; the run it repeats has the same mesh and the same placement.
        Path again = dir.resolve("again");
        Out repeat = RunTest.main("run", "--config", out.resolve("case.properties").toString(),
                "--iterations", "1", "--out", again.toString());
        assertEquals(Run.EXIT_NOT_CONVERGED, repeat.status(), repeat.err());
        String second = Files.readString(again.resolve("summary.json"));
        assertEquals(number(json, "nodes", 0), number(second, "nodes", 0));
        assertTrue(second.replaceAll("\\s+", "").contains("\"placement\":[1.02,-0.06,20,0.3]"),
                second);
    }
}
