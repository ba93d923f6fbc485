package kestrafol.meshing;

import java.io.IOException;
import java.nio.file.Files;
import java.nio.file.Path;
import java.util.Locale;
import kestrafol.base.Numbers;
import kestrafol.geometry.Airfoil;
import kestrafol.geometry.AirfoilGeometry;
import kestrafol.geometry.CoordinateFile;

/**
 * One airfoil of a case, read from its coordinate file, with where it sits: either the file's
 * coordinates as given (placement null), or placed by the user in the frame of the first
 * element's chord (leading edge at the origin, trailing edge at (1, 0)): its leading edge at
 * (X, Y), turned by DEFLECTION degrees about it (positive trailing edge down, as a flap) and
 * scaled to CHORD first-element chords. On the command line: {@code FILE} or
 * {@code FILE@X,Y,DEFLECTION,CHORD}.
 */
public record AirfoilElement(Path file, Placement placement, Airfoil airfoil) {
    /** The syntax as the help and the messages show it. */
    public static final String SYNTAX = "FILE[@X,Y,DEFLECTION,CHORD]";

    /** Leading edge (x, y), deflection (degrees, trailing edge down) and chord of a placed element. */
    public record Placement(double x, double y, double deflection, double chord) {
        public Placement {
            if (!Double.isFinite(x) || !Double.isFinite(y) || !Double.isFinite(deflection)
                    || !(chord > 0) || !Double.isFinite(chord)) {
                throw new IllegalArgumentException("a placement needs finite X, Y, DEFLECTION"
                        + " and a CHORD above 0");
            }
        }
    }

    public AirfoilElement {
        if (file == null || airfoil == null) {
            throw new IllegalArgumentException("an airfoil element needs its file and outline");
        }
    }

    /**
     * Splits "FILE" or "FILE@X,Y,DEFLECTION,CHORD" (a file whose own name contains "@" is taken
     * whole when it exists) and reads the file.
     *
     * @throws IllegalArgumentException for a placement that is not four numbers
     * @throws IOException naming the file, the line and the reason when it cannot be read
     */
    public static AirfoilElement read(String text) throws IOException {
        Path file = fileOf(text);
        return new AirfoilElement(file, placementOf(text), CoordinateFile.read(file));
    }

    /** The file part of the text. */
    public static Path fileOf(String text) {
        int at = placementStart(text);
        return Path.of(at < 0 ? text : text.substring(0, at));
    }

    /**
     * The placement of the text, or null without one.
     *
     * @throws IllegalArgumentException for a placement that is not four finite numbers with a
     *     chord above 0
     */
    public static Placement placementOf(String text) {
        int at = placementStart(text);
        if (at < 0) {
            return null;
        }
        String[] parts = text.substring(at + 1).split(",", -1);
        double[] v = new double[parts.length];
        try {
            if (parts.length != 4) {
                throw new NumberFormatException();
            }
            for (int k = 0; k < 4; k++) {
                v[k] = Double.parseDouble(parts[k].strip());
            }
            return new Placement(v[0], v[1], v[2], v[3]);
        } catch (IllegalArgumentException e) { // NumberFormatException included
            throw new IllegalArgumentException("expected " + SYNTAX + " with four numbers after"
                    + " @ and a chord above 0, got \"" + text + "\"");
        }
    }

    /**
     * One line of what the file measured: "main.dat: chord 1 from (0, 0) to (1, 0) at 0 deg,
     * thickness 12.0 % at 30.0 %, camber 0.0 % at 0.0 %, sharp trailing edge" and a placed
     * element's placement.
     */
    public String describe() {
        AirfoilGeometry g = airfoil.geometry();
        String text = String.format(Locale.ROOT, "%s: chord %s from (%s, %s) to (%s, %s) at %s deg,"
                + " thickness %.2f %% at %.1f %%, camber %.2f %% at %.1f %%, %s",
                file.getFileName(), brief(g.chord()), brief(snap(g.leadingEdgeX(), g.chord())),
                brief(snap(g.leadingEdgeY(), g.chord())), brief(snap(g.trailingEdgeX(), g.chord())),
                brief(snap(g.trailingEdgeY(), g.chord())), brief(snap(g.chordAngleDegrees(), 1)),
                100 * g.maxThickness(), 100 * g.maxThicknessAt(),
                // A camber that prints as 0.00 % is printed without a sign.
                Math.abs(g.maxCamber()) < 5e-5 ? 0 : 100 * g.maxCamber(), 100 * g.maxCamberAt(),
                g.blunt() ? String.format(Locale.ROOT,
                        "blunt trailing edge %.3g %% thick", 100 * g.baseThickness())
                        : "sharp trailing edge");
        if (placement != null) {
            text += String.format(Locale.ROOT, "; placed at (%s, %s), deflected %s deg, chord %s",
                    brief(placement.x()), brief(placement.y()), brief(placement.deflection()),
                    brief(placement.chord()));
        }
        return text;
    }

    /** 0 for a value below a billionth of the scale: rounding noise of a symmetric file. */
    private static double snap(double v, double scale) {
        return Math.abs(v) < 1e-9 * scale ? 0 : v;
    }

    /** Five significant digits, without trailing zeros or a negative zero. */
    private static String brief(double v) {
        return Numbers.format(Double.parseDouble(String.format(Locale.ROOT, "%.5g", v)) + 0.0);
    }

    /** Index of the "@" that starts a placement, or -1. */
    private static int placementStart(String text) {
        int at = text.lastIndexOf('@');
        if (at < 0 || text.indexOf('/', at) >= 0 || Files.exists(Path.of(text))) {
            return -1;
        }
        return at;
    }
}
