package kestrafol.geometry;

/**
 * What an airfoil outline measures, as an engineer defines it. The leading edge is the point of
 * the outline farthest from the trailing-edge midpoint; the chord runs from there to the
 * trailing-edge midpoint. Chord, leading and trailing edge are in the units and frame of the
 * input; thickness, camber and base are fractions of the chord, their positions fractions of
 * the chord from the leading edge, measured perpendicular to the chord line.
 *
 * @param chord chord length (input units): the reference length of the coefficients
 * @param leadingEdgeX leading edge x (input frame)
 * @param leadingEdgeY leading edge y (input frame)
 * @param trailingEdgeX trailing-edge midpoint x (input frame)
 * @param trailingEdgeY trailing-edge midpoint y (input frame)
 * @param chordAngleDegrees angle of the chord line in the input frame, anticlockwise from the
 *     x axis towards the trailing edge (a nose-up input gives a negative angle)
 * @param maxThickness largest distance between upper and lower surface (chords)
 * @param maxThicknessAt where it is (chords from the leading edge)
 * @param maxCamber largest mean-line height above the chord (chords; negative for a section
 *     cambered downwards)
 * @param maxCamberAt where it is
 * @param baseThickness trailing-edge base height (chords); 0 for a sharp trailing edge
 */
public record AirfoilGeometry(double chord, double leadingEdgeX, double leadingEdgeY,
        double trailingEdgeX, double trailingEdgeY, double chordAngleDegrees,
        double maxThickness, double maxThicknessAt, double maxCamber, double maxCamberAt,
        double baseThickness) {

    /** Whether the trailing edge is blunt (has a base). */
    public boolean blunt() {
        return baseThickness > 0;
    }
}
