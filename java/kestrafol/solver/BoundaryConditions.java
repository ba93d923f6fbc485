package kestrafol.solver;

import java.util.ArrayList;
import java.util.LinkedHashMap;
import java.util.List;
import java.util.Locale;
import java.util.Map;
import kestrafol.mesh.BoundaryKind;
import kestrafol.mesh.Mesh;

/**
 * Maps the named boundaries of a mesh to boundary kinds. Explicit choices (NAME=kind) win;
 * otherwise the name decides ({@link BoundaryKind#defaultFor}). Names compare without regard
 * to case.
 */
public final class BoundaryConditions {
    private final boolean viscous;
    private final Map<String, BoundaryKind> explicit;

    private BoundaryConditions(boolean viscous, Map<String, BoundaryKind> explicit) {
        this.viscous = viscous;
        this.explicit = explicit;
    }

    /** The default mapping for an inviscid or a viscous run, without explicit choices. */
    public static BoundaryConditions defaults(boolean viscous) {
        return new BoundaryConditions(viscous, new LinkedHashMap<>());
    }

    /** Returns a mapping that also gives the named boundary the given kind. */
    public BoundaryConditions with(String name, BoundaryKind kind) {
        if (kind == null) {
            throw new IllegalArgumentException("a boundary kind is required");
        }
        Map<String, BoundaryKind> m = new LinkedHashMap<>(explicit);
        m.put(name.toLowerCase(Locale.ROOT), kind);
        return new BoundaryConditions(viscous, m);
    }

    /** Parses "NAME=kind" with kind one of {@link BoundaryKind#labels()}. */
    public BoundaryConditions with(String assignment) {
        int eq = assignment.lastIndexOf('=');
        if (eq <= 0 || eq == assignment.length() - 1) {
            throw new IllegalArgumentException("expected NAME=KIND with KIND " + BoundaryKind.labels()
                    + ", got \"" + assignment + "\"");
        }
        return with(assignment.substring(0, eq), BoundaryKind.parse(assignment.substring(eq + 1)));
    }

    /** Kind of the named boundary. */
    public BoundaryKind kindOf(String name) {
        BoundaryKind k = explicit.get(name.toLowerCase(Locale.ROOT));
        return k != null ? k : BoundaryKind.defaultFor(name, viscous);
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
        List<BoundaryKind> kinds = new ArrayList<>();
        for (String name : names) {
            kinds.add(kindOf(name));
        }
        return mesh.withBoundaryKinds(kinds);
    }
}
