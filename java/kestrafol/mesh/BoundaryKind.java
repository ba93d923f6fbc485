package kestrafol.mesh;

import java.util.ArrayList;
import java.util.Collections;
import java.util.List;
import java.util.Locale;

/**
 * What a boundary tag is: far field, inviscid (slip) wall or viscous (no-slip) wall. Each kind
 * has a {@link Role}: every part of the toolkit that treats walls and open boundaries apart
 * (forces, pictures, mesh quality, messages) asks for it, so a new kind decides once, in
 * {@link #role()}, whether it is one or the other.
 */
public enum BoundaryKind {
    FAR_FIELD(1, "farfield", "far field"),
    SLIP_WALL(2, "slip", "slip wall"),
    NO_SLIP_WALL(3, "noslip", "no-slip wall");

    private final int code;
    private final String label;
    private final String description;

    BoundaryKind(int code, String label, String description) {
        this.code = code;
        this.label = label;
        this.description = description;
    }

    /** The number the native library takes for this kind. */
    public int code() {
        return code;
    }

    /** The name the command line uses for this kind ({@link #labels()}). */
    public String label() {
        return label;
    }

    /** "far field", "slip wall" or "no-slip wall", as messages spell it. */
    public String description() {
        return description;
    }

    /** What a boundary is to the flow: a wall the forces act on, or open to the free stream. */
    public enum Role {
        WALL,
        OPEN
    }

    /**
     * This kind's role. The switch names every kind and has no default: a new kind does not
     * compile until it is given one.
     */
    public Role role() {
        return switch (this) {
            case FAR_FIELD -> Role.OPEN;
            case SLIP_WALL, NO_SLIP_WALL -> Role.WALL;
        };
    }

    /** True when this kind's role is {@link Role#WALL}. */
    public boolean isWall() {
        return switch (role()) {
            case WALL -> true;
            case OPEN -> false;
        };
    }

    /**
     * True for a wall with friction: the toolkit integrates skin friction on it and measures
     * its first cells. Every kind is named, as in {@link #role()}.
     */
    public boolean hasFriction() {
        return switch (this) {
            case NO_SLIP_WALL -> true;
            case FAR_FIELD, SLIP_WALL -> false;
        };
    }

    /** The kind of a library code, or null for a code that names no kind. */
    public static BoundaryKind ofCode(int code) {
        for (BoundaryKind k : values()) {
            if (k.code == code) {
                return k;
            }
        }
        return null;
    }

    /** The descriptions of the open kinds, joined with "or": "far field". */
    public static String openKinds() {
        List<String> open = new ArrayList<>();
        for (BoundaryKind k : values()) {
            if (k.role() == Role.OPEN) {
                open.add(k.description);
            }
        }
        return String.join(" or ", open);
    }

    /** The labels in order, the last joined with "or": "farfield, slip or noslip". */
    public static String labels() {
        return listed(false);
    }

    /**
     * The codes with their descriptions: "1 (far field), 2 (slip wall) or 3 (no-slip wall)".
     */
    public static String codes() {
        return listed(true);
    }

    private static String listed(boolean codes) {
        StringBuilder s = new StringBuilder();
        BoundaryKind[] all = values();
        for (int i = 0; i < all.length; i++) {
            s.append(i == 0 ? "" : i == all.length - 1 ? " or " : ", ");
            s.append(codes ? all[i].code + " (" + all[i].description + ")" : all[i].label);
        }
        return s.toString();
    }

    /** The labels in order, for picocli's list of candidates in the help of --bc. */
    public static final class Labels implements Iterable<String> {
        @Override
        public java.util.Iterator<String> iterator() {
            List<String> labels = new ArrayList<>();
            for (BoundaryKind k : values()) {
                labels.add(k.label);
            }
            return labels.iterator();
        }
    }

    /**
     * The kinds of the library's codes, one per tag.
     *
     * @throws IllegalArgumentException naming the first code that names no kind, in the
     *     library's wording
     */
    public static List<BoundaryKind> fromCodes(int[] codes) {
        List<BoundaryKind> kinds = new ArrayList<>(codes.length);
        for (int t = 0; t < codes.length; t++) {
            BoundaryKind k = ofCode(codes[t]);
            if (k == null) {
                throw new IllegalArgumentException("boundaryKinds[" + t + "] is " + codes[t]
                        + "; a boundary kind is " + codes());
            }
            kinds.add(k);
        }
        return Collections.unmodifiableList(kinds);
    }

    /**
     * The kind of its label ({@link #labels()}), in any case. Nothing else is accepted: a
     * guessed name such as "wall" would silently pick one of two very different walls.
     */
    public static BoundaryKind parse(String text) {
        for (BoundaryKind k : values()) {
            if (k.label.equalsIgnoreCase(text)) {
                return k;
            }
        }
        throw new IllegalArgumentException("unknown boundary kind \"" + text
                + "\": expected " + labels());
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
