package kestrafol.geometry;

import static org.junit.jupiter.api.Assertions.assertArrayEquals;
import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertThrows;
import static org.junit.jupiter.api.Assertions.assertTrue;

import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;
import java.util.Locale;
import kestrafol.mesh.Mesh;
import kestrafol.meshing.MeshGenerator;
import org.junit.jupiter.api.Test;
import org.junit.jupiter.api.io.TempDir;

/** Coordinate files as engineers write them: both layouts, their variants and refusals. */
class CoordinateFileTest {
    @TempDir
    Path dir;

    /** "x y" lines of points from..to (inclusive, step +1 or -1) of a Selig point array. */
    static String lines(double[] xy, int from, int to, String sep, String eol) {
        StringBuilder s = new StringBuilder();
        int step = to >= from ? 1 : -1;
        for (int i = from; i != to + step; i += step) {
            s.append(String.format(Locale.ROOT, "%.15e%s%.15e%s", xy[2 * i], sep, xy[2 * i + 1], eol));
        }
        return s.toString();
    }

    /** The NACA 4412 from its formula, 41 points a side, cosine spacing, as a Selig file. */
    static String selig(double[] xy) {
        return "NACA 4412\n" + lines(xy, 0, xy.length / 2 - 1, " ", "\n");
    }

    /** The same points as a Lednicer file: counts, upper then lower from the leading edge. */
    static String lednicer(double[] xy) {
        int le = xy.length / 4;
        return "NACA 4412\n41. 41.\n\n" + lines(xy, le, 0, " ", "\n") + "\n"
                + lines(xy, le, xy.length / 2 - 1, " ", "\n");
    }

    private Airfoil read(String name, String content) throws Exception {
        Path f = dir.resolve(name);
        Files.write(f, content.getBytes(StandardCharsets.UTF_8));
        return CoordinateFile.read(f);
    }

    @Test
    void everyLayoutAndSpellingOfOneSectionGivesTheSameRepanelledOutline() throws Exception {
        double[] xy = Naca.seligPoints(Naca.parse("4412"), 40);
        int last = xy.length / 2 - 1;
        String plain = selig(xy);
        String fortran = plain.replace("e-", "D-").replace("e+", "d+");
        String[][] files = {
            {"selig.dat", plain},
            {"lednicer.dat", lednicer(xy)},
            {"crlf-bom-tabs.dat", "\uFEFFNACA 4412\r\n" + lines(xy, 0, last, "\t", "\r\n")},
            {"commas-blank-lines.csv", "\n" + lines(xy, 0, 20, ", ", "\n") + "\n\n"
                    + lines(xy, 21, last, ",", "\n")},
            {"fortran.dat", fortran},
            {"clockwise-no-name.dat", lines(xy, last, 0, "  ", "\n")},
        };
        double[] reference = read(files[0][0], files[0][1]).contour(64);
        for (String[] f : files) {
            Airfoil a = read(f[0], f[1]);
            double[] c = a.contour(64);
            for (int i = 0; i < c.length; i++) {
                assertEquals(reference[i], c[i], 1e-12, f[0] + " coordinate " + i);
            }
            assertTrue(!a.blunt(), f[0]);
        }
        // The whole O-mesh, not only its wall, agrees between the two layouts.
        MeshGenerator.Options o = MeshGenerator.Options.resolution(64);
        Mesh fromSelig = MeshGenerator.airfoil(read(files[0][0], files[0][1]), o);
        Mesh fromLednicer = MeshGenerator.airfoil(read(files[1][0], files[1][1]), o);
        assertArrayEquals(fromSelig.triangles(), fromLednicer.triangles());
        double[] a = fromSelig.coords();
        double[] b = fromLednicer.coords();
        for (int i = 0; i < a.length; i++) {
            assertEquals(a[i], b[i], 1e-12, "mesh coordinate " + i);
        }
        assertEquals("NACA 4412", read("n.dat", plain).name());
        assertEquals("clockwise-no-name", read("clockwise-no-name.dat", files[5][1]).name());
    }

    @Test
    void chordFrameAndMeasuresOfAMovedTurnedScaledSection() throws Exception {
        // A NACA 0012 turned 5 degrees nose up, scaled to chord 2 and moved: the chord frame
        // undoes all three, and the measures are those of the section.
        double[] xy = Naca.seligPoints(Naca.parse("0012"), 60);
        double a = Math.toRadians(5);
        double[] moved = new double[xy.length];
        for (int i = 0; i < xy.length; i += 2) {
            double x = 2 * xy[i];
            double y = 2 * xy[i + 1];
            moved[i] = 3 + x * Math.cos(a) + y * Math.sin(a);
            moved[i + 1] = -1 - x * Math.sin(a) + y * Math.cos(a);
        }
        Airfoil f = Airfoil.of("moved", moved);
        AirfoilGeometry g = f.geometry();
        assertEquals(2, g.chord(), 1e-9);
        assertEquals(-5, g.chordAngleDegrees(), 1e-7);
        assertEquals(3, g.leadingEdgeX(), 1e-9);
        assertEquals(-1, g.leadingEdgeY(), 1e-9);
        assertEquals(3 + 2 * Math.cos(a), g.trailingEdgeX(), 1e-12);
        assertEquals(0.12, g.maxThickness(), 2e-4);
        assertEquals(0.30, g.maxThicknessAt(), 0.01);
        assertEquals(0, g.maxCamber(), 1e-9);
        assertEquals(0, g.baseThickness());
        double[] back = f.points();
        double[] original = Airfoil.of("plain", xy).points();
        assertEquals(original.length, back.length);
        for (int i = 0; i < back.length; i++) {
            assertEquals(original[i], back[i], 1e-12, "chord-frame coordinate " + i);
        }
    }

    @Test
    void aBluntTrailingEdgeKeepsItsBaseWithPointsAcrossIt() throws Exception {
        // NACA 0012 cut at 95 % of the chord: a base of 2 * yt(0.95), which is the
        // thickness there (the section is symmetric), over the cut chord 0.95.
        Naca.Section s = Naca.parse("0012");
        int n = 40;
        double[] xy = new double[2 * (2 * n + 1)];
        for (int i = 0; i <= 2 * n; i++) {
            int k = Math.abs(n - i);
            double x = 0.95 * 0.5 * (1 - Math.cos(Math.PI * k / n));
            double[] p = s.point(x, i < n ? 1 : i > n ? -1 : 0);
            xy[2 * i] = p[0];
            xy[2 * i + 1] = p[1];
        }
        Airfoil f = read("blunt.dat", "cut 0012\n" + lines(xy, 0, 2 * n, " ", "\n"));
        double base = 2 * s.halfThickness(0.95) / 0.95;
        assertTrue(f.blunt());
        assertEquals(base, f.geometry().baseThickness(), 1e-12);
        assertEquals(0.95, f.geometry().chord(), 1e-12);
        double[] c = f.contour(96);
        int onBase = 0;
        for (int i = 0; i < 96; i++) {
            if (Math.abs(c[2 * i] - 1) < 1e-12) {
                onBase++;
                assertTrue(Math.abs(c[2 * i + 1]) <= base / 2 + 1e-12);
            }
        }
        assertEquals(0, c[1], 1e-15, "point 0 is the base midpoint");
        assertTrue(onBase >= 3, onBase + " points on the base");
    }

    @Test
    void anyUnitGivesTheSameSection() throws Exception {
        double[] xy = Naca.seligPoints(Naca.parse("4412"), 40);
        Airfoil ref = read("unit.dat", selig(xy));
        AirfoilGeometry r = ref.geometry();
        // Powers of two scale exactly: the same section bit for bit, the chord in file units.
        for (int k : new int[] {1000, -1000}) {
            double[] s = xy.clone();
            for (int i = 0; i < s.length; i++) {
                s[i] = Math.scalb(s[i], k);
            }
            Airfoil a = Airfoil.of("scaled", s);
            Airfoil b = Airfoil.of("unit", xy);
            assertArrayEquals(b.contour(64), a.contour(64), "2^" + k);
            assertEquals(Math.scalb(b.geometry().chord(), k), a.geometry().chord(), "2^" + k);
        }
        // Written in decimal, any scale up to the largest double reads as the same section.
        for (double f : new double[] {1e300, 1e-300, 1e308}) {
            double[] s = xy.clone();
            for (int i = 0; i < s.length; i++) {
                s[i] *= f;
            }
            AirfoilGeometry g = read("scaled.dat", selig(s)).geometry();
            assertEquals(1, g.chord() / (r.chord() * f), 1e-12, "scale " + f);
            assertEquals(r.chordAngleDegrees(), g.chordAngleDegrees(), 1e-9, "scale " + f);
            assertEquals(r.maxThickness(), g.maxThickness(), 1e-9, "scale " + f);
            assertEquals(r.maxCamber(), g.maxCamber(), 1e-9, "scale " + f);
        }
    }

    @Test
    void refusalsNameTheLineAndTheReason() throws Exception {
        double[] xy = Naca.seligPoints(Naca.parse("0012"), 10);
        int last = xy.length / 2 - 1;
        String good = lines(xy, 0, last, " ", "\n");
        String[] g = good.split("\n");
        double[] crossed = xy.clone();
        // Point 3 of the upper surface moved below the lower surface: two sides cross.
        crossed[7] = -0.2;
        Object[][] cases = {
            {"not numbers", "name\n" + good.replace(g[4], "0.5 abc"), 6, "expected two numbers"},
            {"three values", "name\n" + good.replace(g[4], g[4] + " 1"), 6, "found 3"},
            {"few points", "name\n" + lines(xy, 0, 8, " ", "\n"), 10, "at least 10"},
            {"repeated point", "name\n" + good.replace(g[4], g[4] + "\n" + g[4]), 7,
                "equal to the point before"},
            {"crossing", "name\n" + lines(crossed, 0, last, " ", "\n"), 0, "intersects itself"},
            {"counts", "name\n11. 13.\n" + lines(xy, 10, 0, " ", "\n")
                + lines(xy, 10, last, " ", "\n"), 2, "announces 11 upper and 13 lower"},
            {"surfaces", "name\n12. 10.\n" + lines(xy, 10, 0, " ", "\n")
                + lines(xy, 10, last, " ", "\n"), 15, "does not start at the leading edge"},
            {"second loop", "one\n" + good + good, 2 + last + 1, "second element"},
            {"second name", "one\n" + good + "two\n" + good, 2 + last + 1, "second element"},
            {"empty", "\n \n", 0, "empty"},
            {"cut short", "name\n" + lines(xy, 0, 12, " ", "\n"), 14, "a base that wide"},
            {"nan", "name\n" + good.replace(g[4], "0.5 NaN"), 6, "two finite numbers x y, found \"NaN\""},
            {"infinite", "name\n" + good.replace(g[4], "-Infinity 0"), 6, "found \"-Infinity\""},
            {"overflow", "name\n" + good.replace(g[4], "0.5 1e999"), 6, "found \"1e999\""},
            {"all equal", "name\n" + "0.5 0.1\n".repeat(40), 41, "all 40 points are the same point"},
            {"too many", "name\n" + good.repeat(100_001 / g.length + 1), 100_003,
                "more than 100000 points"},
        };
        for (Object[] c : cases) {
            CoordinateFileException e = assertThrows(CoordinateFileException.class,
                    () -> read(c[0] + ".dat", (String) c[1]), (String) c[0]);
            String m = e.getMessage();
            assertTrue(m.contains((String) c[3]) && m.contains(c[0] + ".dat"), c[0] + ": " + m);
            if ((int) c[2] > 0) {
                assertEquals((int) c[2], e.line(), c[0] + ": " + m);
            }
        }
        byte[] latin = ("name\n" + good).getBytes(StandardCharsets.UTF_8);
        latin[latin.length - 3] = (byte) 0xff;
        Files.write(dir.resolve("latin.dat"), latin);
        CoordinateFileException bad = assertThrows(CoordinateFileException.class,
                () -> CoordinateFile.read(dir.resolve("latin.dat")));
        assertEquals(last + 2, bad.line(), bad.getMessage());
        assertTrue(bad.getMessage().contains("byte 0xFF"), bad.getMessage());
        CoordinateFileException zero = assertThrows(CoordinateFileException.class,
                () -> CoordinateFile.read(Path.of("/dev/zero")));
        assertTrue(zero.getMessage().startsWith("/dev/zero: larger than 16 MB"), zero.getMessage());
        CoordinateFileException missing = assertThrows(CoordinateFileException.class,
                () -> CoordinateFile.read(dir.resolve("none.dat")));
        assertTrue(missing.getMessage().endsWith("none.dat: no such file"), missing.getMessage());
        // The crossing names both sides by their lines.
        CoordinateFileException x = assertThrows(CoordinateFileException.class,
                () -> read("x.dat", lines(crossed, 0, last, " ", "\n")));
        assertTrue(x.getMessage().matches(".*x\\.dat:\\d+: the outline intersects itself: the side"
                + " from this point crosses the side from line \\d+"), x.getMessage());
    }
}
