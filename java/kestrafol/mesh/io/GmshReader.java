package kestrafol.mesh.io;

import java.io.IOException;
import java.nio.file.Path;
import java.util.ArrayList;
import java.util.Arrays;
import java.util.HashMap;
import java.util.HashSet;
import java.util.List;
import java.util.Map;
import java.util.Set;
import java.util.TreeMap;
import java.util.regex.Matcher;
import java.util.regex.Pattern;
import kestrafol.mesh.IntList;
import kestrafol.mesh.Mesh;

/**
 * Reads two-dimensional Gmsh meshes in the ASCII formats 2.2 and 4.1: linear triangles (type 2)
 * and quadrilaterals (type 3) are the elements, linear lines (type 1) the boundary; points
 * (type 15) are ignored. A boundary line belongs to the boundary named by its physical group
 * ($PhysicalNames); a line whose physical group has no name is called "physical N", one
 * without a physical group "curve N" after its curve. Boundaries are numbered in the order of
 * their physical tags. Sections other than $MeshFormat, $PhysicalNames, $Entities, $Nodes and
 * $Elements are skipped. Node coordinates must lie in the plane z = 0.
 */
public final class GmshReader {
    private static final Pattern PHYSICAL_NAME =
            Pattern.compile("\\s*(-?\\d+)\\s+(-?\\d+)\\s+\"(.*)\"\\s*");

    private GmshReader() {}

    /** A boundary line before the boundaries are numbered. */
    private static final class Line {
        final long a;
        final long b;
        final String boundary;
        final long order;
        final int line;

        Line(long a, long b, String boundary, long order, int line) {
            this.a = a;
            this.b = b;
            this.boundary = boundary;
            this.order = order;
            this.line = line;
        }
    }

    /** What the sections of one file give. */
    private static final class Content {
        String version;
        final Map<Long, String> curveNames = new HashMap<>();
        final Map<Long, Long> curvePhysical = new HashMap<>();
        /** (dimension, tag) of every entity in $Entities; null when the file has no $Entities. */
        Set<List<Long>> entities;
        final Map<Long, Integer> nodeIndex = new HashMap<>();
        final List<Line> lines = new ArrayList<>();
        final List<long[]> elements = new ArrayList<>();
        final IntList elementLines = new IntList();
        boolean haveNodes;
        boolean haveElements;
    }

    /** Reads a mesh; every problem in the file is reported with its line. */
    public static Mesh read(Path file) throws IOException {
        MeshAssembler mesh = new MeshAssembler(file);
        Content c = new Content();
        try (MeshFileScanner in = new MeshFileScanner(file, null)) {
            String[] t;
            while ((t = in.next()) != null) {
                if (!t[0].startsWith("$") || t[0].startsWith("$End")) {
                    throw in.error("expected a section such as $MeshFormat, $Nodes or $Elements,"
                            + " found \"" + String.join(" ", t) + "\"");
                }
                String section = t[0].substring(1);
                if (c.version == null && !section.equals("MeshFormat")) {
                    throw in.error("expected $MeshFormat first, found $" + section);
                }
                readSection(in, c, mesh, section);
            }
        }
        if (c.version == null) {
            throw new MeshFileException(file, 0, "expected $MeshFormat, found an empty file");
        }
        if (!c.haveNodes || !c.haveElements) {
            throw new MeshFileException(file, 0, "expected $Nodes and $Elements sections, found "
                    + (c.haveNodes ? "no $Elements" : "no $Nodes"));
        }
        addElementsAndBoundaries(file, c, mesh);
        return mesh.build();
    }

    /** Reads one section, the line of its name just read. */
    private static void readSection(MeshFileScanner in, Content c, MeshAssembler mesh,
            String section) throws IOException {
        switch (section) {
            case "MeshFormat":
                readFormat(in, c);
                break;
            case "PhysicalNames":
                readPhysicalNames(in, c);
                break;
            case "Entities":
                if (c.version.equals("4.1")) {
                    c.entities = new HashSet<>();
                    readEntities(in, c);
                } else {
                    skip(in, section);
                }
                break;
            case "Nodes":
                if (c.version.equals("4.1")) {
                    readNodes41(in, c, mesh);
                } else {
                    readNodes22(in, c, mesh);
                }
                c.haveNodes = true;
                break;
            case "Elements":
                if (!c.haveNodes) {
                    throw in.error("expected $Nodes before $Elements");
                }
                if (c.version.equals("4.1")) {
                    readElements41(in, c);
                } else {
                    readElements22(in, c);
                }
                c.haveElements = true;
                break;
            default:
                skip(in, section);
        }
    }

    /**
     * Hands the elements and the boundary lines to the assembler: boundaries in the order of
     * their physical tags (then curves), lines in file order.
     */
    private static void addElementsAndBoundaries(Path file, Content c, MeshAssembler mesh)
            throws MeshFileException {
        for (int e = 0; e < c.elements.size(); e++) {
            long[] tags = c.elements.get(e);
            int[] nodes = new int[tags.length];
            for (int k = 0; k < tags.length; k++) {
                nodes[k] = node(file, c, tags[k], c.elementLines.get(e));
            }
            mesh.addElement(nodes, c.elementLines.get(e));
        }
        TreeMap<Long, String> order = new TreeMap<>();
        for (Line l : c.lines) {
            order.putIfAbsent(l.order, l.boundary);
        }
        Map<String, Integer> tagOf = new HashMap<>();
        for (String name : order.values()) {
            tagOf.putIfAbsent(name, mesh.addMarker(name));
        }
        for (Line l : c.lines) {
            mesh.addBoundaryEdge(node(file, c, l.a, l.line), node(file, c, l.b, l.line),
                    tagOf.get(l.boundary), l.line);
        }
    }

    private static int node(Path file, Content c, long tag, int line) throws MeshFileException {
        Integer i = c.nodeIndex.get(tag);
        if (i == null) {
            throw new MeshFileException(file, line, "expected a node tag listed in $Nodes, found "
                    + tag);
        }
        return i;
    }

    private static void readFormat(MeshFileScanner in, Content c) throws IOException {
        String[] t = in.requireTokens("version, file type and data size (\"4.1 0 8\")", 3, 3);
        if (t[0].equals("2.2") || t[0].equals("4.1")) {
            c.version = t[0];
        } else {
            throw in.error("expected format version 2.2 or 4.1, found " + t[0]);
        }
        if (!t[1].equals("0")) {
            throw in.error("expected an ASCII file (file type 0), found file type " + t[1]
                    + " (binary files are not read)");
        }
        end(in, "MeshFormat");
    }

    private static void readPhysicalNames(MeshFileScanner in, Content c) throws IOException {
        int n = in.parseCount(in.requireTokens("the number of physical names", 1, 1)[0],
                "the number of physical names");
        for (int i = 0; i < n; i++) {
            String[] t = in.require("a physical name (dimension, tag, \"name\")");
            Matcher m = PHYSICAL_NAME.matcher(String.join(" ", t));
            if (!m.matches()) {
                throw in.error("expected dimension, tag and a quoted name, found \""
                        + String.join(" ", t) + "\"");
            }
            int dim = in.parseInt(m.group(1), "a dimension");
            long tag = in.parseLong(m.group(2), "a physical tag");
            if (dim == 1) {
                c.curveNames.put(tag, m.group(3));
            }
        }
        end(in, "PhysicalNames");
    }

    private static void readEntities(MeshFileScanner in, Content c) throws IOException {
        String[] t = in.requireTokens("the numbers of points, curves, surfaces and volumes", 4, 4);
        int[] counts = new int[4];
        for (int k = 0; k < 4; k++) {
            counts[k] = in.parseCount(t[k], "an entity count");
        }
        for (int dim = 0; dim < 4; dim++) {
            for (int i = 0; i < counts[dim]; i++) {
                String[] e = in.require("an entity of dimension " + dim);
                // Points: tag x y z; others: tag and a bounding box of six numbers.
                int physAt = dim == 0 ? 4 : 7;
                if (e.length <= physAt) {
                    throw in.error("expected an entity of dimension " + dim + " with at least "
                            + (physAt + 1) + " values, found " + e.length);
                }
                long tag = in.parseLong(e[0], "an entity tag");
                int nPhys = in.parseCount(e[physAt], "the number of physical tags");
                if (nPhys > e.length - physAt - 1) {
                    throw in.error("expected " + nPhys + " physical tags, found "
                            + (e.length - physAt - 1) + " values");
                }
                c.entities.add(List.of((long) dim, tag));
                if (dim == 1 && nPhys > 0) {
                    c.curvePhysical.put(tag, Math.abs(in.parseLong(e[physAt + 1], "a physical tag")));
                }
            }
        }
        end(in, "Entities");
    }

    private static void readNodes22(MeshFileScanner in, Content c, MeshAssembler mesh)
            throws IOException {
        int n = in.parseCount(in.requireTokens("the number of nodes", 1, 1)[0], "the number of nodes",
                MeshAssembler.MAX_NODES);
        for (int i = 0; i < n; i++) {
            String[] t = in.requireTokens("node " + i + " of " + n + ": tag x y z", 4, 4);
            long tag = in.parseLong(t[0], "a node tag");
            addNode(in, c, mesh, tag, t);
        }
        end(in, "Nodes");
    }

    private static void addNode(MeshFileScanner in, Content c, MeshAssembler mesh, long tag,
            String[] xyz) throws IOException {
        int base = xyz.length == 4 ? 1 : 0;
        double x = in.parseFinite(xyz[base], "an x coordinate");
        double y = in.parseFinite(xyz[base + 1], "a y coordinate");
        double z = in.parseFinite(xyz[base + 2], "a z coordinate");
        if (z != 0) {
            throw in.error("expected a planar mesh with z = 0, found z = " + z);
        }
        if (c.nodeIndex.put(tag, mesh.addNode(x, y)) != null) {
            throw in.error("expected each node tag once, found node " + tag + " again");
        }
    }

    private static void readNodes41(MeshFileScanner in, Content c, MeshAssembler mesh)
            throws IOException {
        String[] h = in.requireTokens("numEntityBlocks numNodes minNodeTag maxNodeTag", 4, 4);
        int blocks = in.parseCount(h[0], "the number of node blocks");
        int total = in.parseCount(h[1], "the number of nodes", MeshAssembler.MAX_NODES);
        int seen = 0;
        for (int b = 0; b < blocks; b++) {
            String[] bh = in.requireTokens("a node block header: entityDim entityTag parametric"
                    + " numNodesInBlock", 4, 4);
            in.parseInt(bh[0], "an entity dimension");
            int parametric = in.parseInt(bh[2], "the parametric flag");
            int n = in.parseCount(bh[3], "the number of nodes in the block");
            if (n > total - seen) {
                throw in.error("expected " + total + " nodes as the header says, found "
                        + ((long) seen + n) + " by the end of this block");
            }
            // The count is the file's claim: the array grows with the tags actually read.
            long[] tags = new long[Math.min(n, 1024)];
            for (int i = 0; i < n; i++) {
                if (i == tags.length) {
                    tags = Arrays.copyOf(tags, (int) Math.min(n, 2L * tags.length));
                }
                tags[i] = in.parseLong(in.requireTokens("a node tag", 1, 1)[0], "a node tag");
            }
            for (int i = 0; i < n; i++) {
                String[] t = in.requireTokens("coordinates x y z of node " + tags[i], 3,
                        parametric != 0 ? 5 : 3);
                addNode(in, c, mesh, tags[i], t);
            }
            seen += n;
        }
        if (seen != total) {
            throw in.error("expected " + total + " nodes as the header says, found " + seen);
        }
        end(in, "Nodes");
    }

    private static void readElements22(MeshFileScanner in, Content c) throws IOException {
        int n = in.parseCount(in.requireTokens("the number of elements", 1, 1)[0],
                "the number of elements", MeshAssembler.MAX_ELEMENTS);
        for (int i = 0; i < n; i++) {
            String[] t = in.require("element " + i + " of " + n);
            if (t.length < 3) {
                throw in.error("expected tag, type, number of tags, tags and nodes, found "
                        + t.length + " values");
            }
            int type = in.parseInt(t[1], "an element type");
            int nTags = in.parseCount(t[2], "the number of tags");
            int corners = corners(in, type);
            if (t.length != 3 + nTags + corners) {
                throw in.error("expected " + nTags + " tags and " + corners + " nodes for element"
                        + " type " + type + ", found " + (t.length - 3) + " values");
            }
            long physical = nTags > 0 ? in.parseLong(t[3], "a physical tag") : 0;
            long elementary = nTags > 1 ? in.parseLong(t[4], "an elementary tag") : 0;
            long[] nodes = new long[corners];
            for (int k = 0; k < corners; k++) {
                nodes[k] = in.parseLong(t[3 + nTags + k], "a node tag");
            }
            add(c, type, nodes, physical, elementary, in.line());
        }
        end(in, "Elements");
    }

    private static void readElements41(MeshFileScanner in, Content c) throws IOException {
        String[] h = in.requireTokens("numEntityBlocks numElements minElementTag maxElementTag", 4, 4);
        int blocks = in.parseCount(h[0], "the number of element blocks");
        int total = in.parseCount(h[1], "the number of elements", MeshAssembler.MAX_ELEMENTS);
        int seen = 0;
        for (int b = 0; b < blocks; b++) {
            String[] bh = in.requireTokens("an element block header: entityDim entityTag"
                    + " elementType numElementsInBlock", 4, 4);
            int dim = in.parseInt(bh[0], "an entity dimension");
            long entity = in.parseLong(bh[1], "an entity tag");
            int type = in.parseInt(bh[2], "an element type");
            // Lines on an entity that $Entities does not declare would lose their boundary (and
            // its kind); elements likewise name an entity that must exist.
            if (c.entities != null && !c.entities.contains(List.of((long) dim, entity))) {
                throw in.error("expected an entity declared in $Entities, found element block on"
                        + " undeclared entity " + entity + " of dimension " + dim);
            }
            int n = in.parseCount(bh[3], "the number of elements in the block");
            if (n > total - seen) {
                throw in.error("expected " + total + " elements as the header says, found "
                        + ((long) seen + n) + " by the end of this block");
            }
            int corners = corners(in, type);
            Long physical = c.curvePhysical.get(entity);
            for (int i = 0; i < n; i++) {
                String[] t = in.requireTokens("an element: tag and " + corners + " node tags",
                        1 + corners, 1 + corners);
                in.parseLong(t[0], "an element tag");
                long[] nodes = new long[corners];
                for (int k = 0; k < corners; k++) {
                    nodes[k] = in.parseLong(t[1 + k], "a node tag");
                }
                add(c, type, nodes, physical == null ? 0 : physical, entity, in.line());
            }
            seen += n;
        }
        if (seen != total) {
            throw in.error("expected " + total + " elements as the header says, found " + seen);
        }
        end(in, "Elements");
    }

    private static int corners(MeshFileScanner in, int type) throws MeshFileException {
        switch (type) {
            case 1:
                return 2;
            case 2:
                return 3;
            case 3:
                return 4;
            case 15:
                return 1;
            default:
                throw in.error("expected element type 1 (line), 2 (triangle), 3 (quadrilateral) or"
                        + " 15 (point), found type " + type);
        }
    }

    private static void add(Content c, int type, long[] nodes, long physical, long entity,
            int line) {
        if (type == 1) {
            String name;
            long order;
            if (physical != 0) {
                String named = c.curveNames.get(physical);
                name = named != null ? named : "physical " + physical;
                order = physical;
            } else {
                name = "curve " + entity;
                order = (1L << 40) + entity;
            }
            c.lines.add(new Line(nodes[0], nodes[1], name, order, line));
        } else if (type == 2 || type == 3) {
            c.elements.add(nodes);
            c.elementLines.add(line);
        }
    }

    private static void end(MeshFileScanner in, String section) throws IOException {
        String[] t = in.require("$End" + section);
        if (t.length != 1 || !t[0].equals("$End" + section)) {
            throw in.error("expected $End" + section + ", found \"" + String.join(" ", t) + "\"");
        }
    }

    private static void skip(MeshFileScanner in, String section) throws IOException {
        while (true) {
            String[] t = in.require("$End" + section);
            if (t[0].equals("$End" + section)) {
                return;
            }
        }
    }
}
