package kestrafol.mesh;

import java.util.ArrayList;
import java.util.Collections;
import java.util.List;
import java.util.Locale;

/** What a boundary tag is: far field, inviscid (slip) wall or viscous (no-slip) wall. */
public enum BoundaryKind {
    FAR_FIELD(1, "farfield"),
    SLIP_WALL(2, "slip"),
    NO_SLIP_WALL(3, "noslip");

    private final int code;
    private final String label;

    BoundaryKind(int code, String label) {
        this.code = code;
        this.label = label;
    }

    /** The number the native library takes for this kind. */
    public int code() {
        return code;
    }

    /** "farfield", "slip" or "noslip", as the command line spells it. */
    public String label() {
        return label;
    }

    public boolean isWall() {
        return this != FAR_FIELD;
    }

    /**
     * The kinds of the library's codes, one per tag.
     *
     * @throws IllegalArgumentException naming the first code that is not 1, 2 or 3, in the
     *     library's wording
     */
    public static List<BoundaryKind> fromCodes(int[] codes) {
        List<BoundaryKind> kinds = new ArrayList<>(codes.length);
        for (int t = 0; t < codes.length; t++) {
            int c = codes[t];
            if (c < 1 || c > 3) {
                throw new IllegalArgumentException("boundaryKinds[" + t + "] is " + c
                        + "; a boundary kind is 1 (far field), 2 (slip wall) or 3 (no-slip wall)");
            }
            kinds.add(values()[c - 1]);
        }
        return Collections.unmodifiableList(kinds);
    }

    /**
     * The kind of its label: farfield, slip or noslip, in any case. Nothing else is accepted: a
     * guessed name such as "wall" would silently pick one of two very different walls.
     */
    public static BoundaryKind parse(String text) {
        for (BoundaryKind k : values()) {
            if (k.label.equalsIgnoreCase(text)) {
                return k;
            }
        }
        throw new IllegalArgumentException("unknown boundary kind \"" + text
                + "\": expected farfield, slip or noslip");
    }

    /**
     * The kind a boundary of this name gets when nothing explicit is said about it: a name
     * containing "far", "inlet", "outlet", "inflow", "outflow" or "freestream" is a far field, a
     * name containing "sym" is a slip wall (a symmetry line), every other name is a wall: slip
     * for inviscid runs, no-slip for viscous ones. Names compare without regard to case.
     */
    public static BoundaryKind defaultFor(String name, boolean viscous) {
        String n = name.toLowerCase(Locale.ROOT);
        for (String far : new String[] {"far", "inlet", "outlet", "inflow", "outflow", "freestream"}) {
            if (n.contains(far)) {
                return FAR_FIELD;
            }
        }
        if (n.contains("sym")) {
            return SLIP_WALL;
        }
        return viscous ? NO_SLIP_WALL : SLIP_WALL;
    }
}
