package kestrafol;

import java.util.LinkedHashMap;
import java.util.List;
import java.util.Locale;
import java.util.Map;

/**
 * Maps the named boundaries of a mesh to boundary kinds. Explicit choices (NAME=kind) win;
 * otherwise a name containing "far", "inlet", "outlet", "inflow", "outflow" or "freestream" is
 * a far field, a name containing "sym" is a slip wall (a symmetry line), and every other name is
 * a wall: slip for inviscid runs, no-slip for viscous ones. Names compare without regard to case.
 */
public final class BoundaryConditions {
    private final boolean viscous;
    private final Map<String, Integer> explicit;

    private BoundaryConditions(boolean viscous, Map<String, Integer> explicit) {
        this.viscous = viscous;
        this.explicit = explicit;
    }

    /** The default mapping for an inviscid or a viscous run, without explicit choices. */
    public static BoundaryConditions defaults(boolean viscous) {
        return new BoundaryConditions(viscous, new LinkedHashMap<>());
    }

    /** Returns a mapping that also gives the named boundary the given kind. */
    public BoundaryConditions with(String name, int kind) {
        if (kind < Mesh.FARFIELD || kind > Mesh.NO_SLIP_WALL) {
            throw new IllegalArgumentException("boundary kind " + kind + " is not 1, 2 or 3");
        }
        Map<String, Integer> m = new LinkedHashMap<>(explicit);
        m.put(name.toLowerCase(Locale.ROOT), kind);
        return new BoundaryConditions(viscous, m);
    }

    /** Parses "NAME=kind" with kind farfield, slip or noslip (or 1, 2, 3). */
    public BoundaryConditions with(String assignment) {
        int eq = assignment.lastIndexOf('=');
        if (eq <= 0 || eq == assignment.length() - 1) {
            throw new IllegalArgumentException("expected NAME=farfield|slip|noslip, got \""
                    + assignment + "\"");
        }
        return with(assignment.substring(0, eq), parseKind(assignment.substring(eq + 1)));
    }

    /** farfield / far / 1, slip / euler / 2, noslip / no-slip / wall / 3. */
    public static int parseKind(String text) {
        switch (text.toLowerCase(Locale.ROOT)) {
            case "farfield":
            case "far":
            case "1":
                return Mesh.FARFIELD;
            case "slip":
            case "euler":
            case "2":
                return Mesh.SLIP_WALL;
            case "noslip":
            case "no-slip":
            case "wall":
            case "3":
                return Mesh.NO_SLIP_WALL;
            default:
                throw new IllegalArgumentException("unknown boundary kind \"" + text
                        + "\": expected farfield, slip or noslip");
        }
    }

    /** The kind a boundary of this name gets when nothing explicit is said about it. */
    public static int defaultKind(String name, boolean viscous) {
        String n = name.toLowerCase(Locale.ROOT);
        for (String far : new String[] {"far", "inlet", "outlet", "inflow", "outflow", "freestream"}) {
            if (n.contains(far)) {
                return Mesh.FARFIELD;
            }
        }
        if (n.contains("sym")) {
            return Mesh.SLIP_WALL;
        }
        return viscous ? Mesh.NO_SLIP_WALL : Mesh.SLIP_WALL;
    }

    /** Kind of the named boundary. */
    public int kindOf(String name) {
        Integer k = explicit.get(name.toLowerCase(Locale.ROOT));
        return k != null ? k : defaultKind(name, viscous);
    }

    /**
     * Returns the mesh with every tag's kind set from its name.
     *
     * @throws IllegalArgumentException when an explicit choice names no boundary of the mesh
     */
    public Mesh apply(Mesh mesh) {
        List<String> names = mesh.boundaryNames();
        for (String name : explicit.keySet()) {
            boolean found = false;
            for (String n : names) {
                found |= n.toLowerCase(Locale.ROOT).equals(name);
            }
            if (!found) {
                throw new IllegalArgumentException("the mesh has no boundary named \"" + name
                        + "\"; its boundaries are " + String.join(", ", names));
            }
        }
        int[] kinds = new int[names.size()];
        for (int t = 0; t < kinds.length; t++) {
            kinds[t] = kindOf(names.get(t));
        }
        return mesh.withBoundaryKinds(kinds);
    }
}
