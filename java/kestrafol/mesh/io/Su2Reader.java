package kestrafol.mesh.io;

import java.io.IOException;
import java.nio.file.Path;
import kestrafol.mesh.Mesh;

/**
 * Reads two-dimensional meshes in the SU2 native text format: NDIME= 2, NELEM= with triangles
 * (type 5) and quadrilaterals (type 9), NPOIN= with the coordinates, NMARK= with the boundary
 * markers (MARKER_TAG=, MARKER_ELEMS=, lines of type 3). Node numbers in the file count from 0.
 * Text after % is a comment. The sections may come in any order after NDIME=.
 *
 * <p>Boundaries get the default kinds of an inviscid run; see {@link BoundaryConditions}.
 */
public final class Su2Reader {
    private Su2Reader() {}

    /** Reads a mesh; every problem in the file is reported with its line. */
    public static Mesh read(Path file) throws IOException {
        MeshAssembler mesh = new MeshAssembler(file);
        boolean haveElements = false;
        boolean havePoints = false;
        boolean haveMarkers = false;
        try (MeshFileScanner in = new MeshFileScanner(file, "%")) {
            String[] first = in.require("NDIME= 2");
            String[] dim = keyword(first);
            if (dim == null || !dim[0].equals("NDIME")) {
                throw in.error("expected NDIME= 2 as the first entry, found \""
                        + String.join(" ", first) + "\"");
            }
            if (!dim[1].equals("2")) {
                throw in.error("expected NDIME= 2 (a two-dimensional mesh), found NDIME= " + dim[1]);
            }
            String[] t;
            while ((t = in.next()) != null) {
                String[] kv = keyword(t);
                if (kv == null) {
                    throw in.error("expected a section keyword (NELEM=, NPOIN= or NMARK=), found \""
                            + String.join(" ", t) + "\"");
                }
                switch (kv[0]) {
                    case "NELEM":
                        if (haveElements) {
                            throw in.error("expected one NELEM= section, found a second one");
                        }
                        readElements(in, in.parseCount(firstWord(kv[1]), "the element count",
                                MeshAssembler.MAX_ELEMENTS), mesh);
                        haveElements = true;
                        break;
                    case "NPOIN":
                        if (havePoints) {
                            throw in.error("expected one NPOIN= section, found a second one");
                        }
                        readPoints(in, in.parseCount(firstWord(kv[1]), "the point count",
                                MeshAssembler.MAX_NODES), mesh);
                        havePoints = true;
                        break;
                    case "NMARK":
                        if (haveMarkers) {
                            throw in.error("expected one NMARK= section, found a second one");
                        }
                        readMarkers(in, in.parseCount(firstWord(kv[1]), "the marker count"), mesh);
                        haveMarkers = true;
                        break;
                    case "NZONE":
                    case "IZONE":
                        throw in.error("expected a single-zone mesh, found " + kv[0] + "=");
                    default:
                        throw in.error("expected a section keyword (NELEM=, NPOIN= or NMARK=), found "
                                + kv[0] + "=");
                }
            }
        }
        if (!haveElements) {
            throw new MeshFileException(file, 0, "expected a NELEM= section, found none");
        }
        if (!havePoints) {
            throw new MeshFileException(file, 0, "expected a NPOIN= section, found none");
        }
        if (!haveMarkers) {
            throw new MeshFileException(file, 0, "expected a NMARK= section, found none");
        }
        return mesh.build();
    }

    /** {KEY, value} of a line "KEY= value" or "KEY=value", or null for other lines. */
    private static String[] keyword(String[] tokens) {
        String line = String.join(" ", tokens);
        int eq = line.indexOf('=');
        if (eq <= 0) {
            return null;
        }
        String key = line.substring(0, eq).strip();
        if (!key.matches("[A-Z_]+")) {
            return null;
        }
        return new String[] {key, line.substring(eq + 1).strip()};
    }

    private static String firstWord(String value) {
        String[] w = value.split("\\s+");
        return w[0];
    }

    private static void readElements(MeshFileScanner in, int count, MeshAssembler mesh)
            throws IOException {
        for (int e = 0; e < count; e++) {
            String[] t = in.require("element " + e + " of " + count);
            int type = in.parseInt(t[0], "an element type (5 triangle, 9 quadrilateral)");
            int corners;
            if (type == 5) {
                corners = 3;
            } else if (type == 9) {
                corners = 4;
            } else {
                throw in.error("expected element type 5 (triangle) or 9 (quadrilateral), found "
                        + type);
            }
            if (t.length != corners + 1 && t.length != corners + 2) {
                throw in.error("expected " + corners + " node numbers after element type " + type
                        + " (and an optional index), found " + (t.length - 1) + " values");
            }
            int[] nodes = new int[corners];
            for (int k = 0; k < corners; k++) {
                nodes[k] = in.parseInt(t[k + 1], "a node number");
            }
            mesh.addElement(nodes, in.line());
        }
    }

    private static void readPoints(MeshFileScanner in, int count, MeshAssembler mesh)
            throws IOException {
        for (int i = 0; i < count; i++) {
            String[] t = in.require("point " + i + " of " + count);
            if (t.length != 2 && t.length != 3) {
                throw in.error("expected x y and an optional index for point " + i + ", found "
                        + t.length + " values");
            }
            mesh.addNode(in.parseFinite(t[0], "an x coordinate"),
                    in.parseFinite(t[1], "a y coordinate"));
        }
    }

    private static void readMarkers(MeshFileScanner in, int count, MeshAssembler mesh)
            throws IOException {
        for (int m = 0; m < count; m++) {
            String[] tag = keyword(in.require("MARKER_TAG= for marker " + m + " of " + count));
            if (tag == null || !tag[0].equals("MARKER_TAG") || tag[1].isEmpty()) {
                throw in.error("expected MARKER_TAG= NAME for marker " + m + " of " + count);
            }
            String name = tag[1];
            int marker = mesh.addMarker(name);
            String[] elems = keyword(in.require("MARKER_ELEMS= for marker " + name));
            if (elems == null || !elems[0].equals("MARKER_ELEMS")) {
                throw in.error("expected MARKER_ELEMS= COUNT for marker " + name);
            }
            int n = in.parseCount(firstWord(elems[1]), "the line count of marker " + name,
                    MeshAssembler.MAX_ELEMENTS);
            for (int b = 0; b < n; b++) {
                String[] t = in.require("line " + b + " of marker " + name);
                if (t.length != 3) {
                    throw in.error("expected a boundary line \"3 NODE NODE\" of marker " + name
                            + ", found " + t.length + " values");
                }
                int type = in.parseInt(t[0], "element type 3 (line)");
                if (type != 3) {
                    throw in.error("expected element type 3 (line) in marker " + name + ", found "
                            + type);
                }
                mesh.addBoundaryEdge(in.parseInt(t[1], "a node number"),
                        in.parseInt(t[2], "a node number"), marker, in.line());
            }
        }
    }
}
