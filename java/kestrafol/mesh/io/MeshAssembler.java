package kestrafol.mesh.io;

import java.nio.file.Path;
import java.util.ArrayList;
import java.util.Arrays;
import java.util.HashMap;
import java.util.List;
import java.util.Map;
import kestrafol.mesh.BoundaryKind;
import kestrafol.mesh.IntList;
import kestrafol.mesh.Mesh;
import kestrafol.mesh.Orientation;

/**
 * Collects what a mesh reader finds (nodes, elements and boundary lines, each with the line of
 * the file it came from) and turns it into a {@link Mesh}: node numbers are checked, clockwise
 * elements are turned counter-clockwise, degenerate and self-intersecting elements and boundary lines
 * that are not a side of exactly one element are reported with their line, nodes that no
 * element uses are dropped, and boundaries get their default kinds for an inviscid run.
 */
public final class MeshAssembler {
    /** The system property that raises {@link #MAX_NODES}. */
    static final String LIMIT_PROPERTY = "kestrafol.maxMeshNodes";
    /**
     * Most nodes a mesh file may declare: 20 million, above the largest mesh this 23 GB machine
     * can solve (the library holds about 1.6 kB per node, the toolkit about 1 kB more, so some
     * 9 million nodes fit).
     */
    public static final long MAX_NODES = Long.getLong(LIMIT_PROPERTY, 20_000_000L);
    /** Most elements (and boundary lines) a mesh file may declare: two per node. */
    public static final long MAX_ELEMENTS = 2 * MAX_NODES;
    /** Why the limit is what it is, for the refusal. */
    static final String LIMIT_REASON = "20 million nodes need some 50 GB of memory to solve";
    private final Path file;
    private double[] xy = new double[1024];
    private int nodeCount;
    private int[] elementNodes = new int[4096];
    private int elementNodesUsed;
    /** Per element: start in elementNodes, corner count, line. */
    private final IntList elementStart = new IntList();
    private final IntList elementCorners = new IntList();
    private final IntList elementLine = new IntList();
    private final IntList edges = new IntList();
    private final IntList edgeLine = new IntList();
    private final List<String> markers = new ArrayList<>();

    public MeshAssembler(Path file) {
        this.file = file;
    }

    /** Adds a node; returns its number from 0. */
    public int addNode(double x, double y) {
        if (2 * nodeCount + 2 > xy.length) {
            xy = Arrays.copyOf(xy, 2 * xy.length);
        }
        xy[2 * nodeCount] = x;
        xy[2 * nodeCount + 1] = y;
        return nodeCount++;
    }

    public int nodeCount() {
        return nodeCount;
    }

    /** Adds a triangle or quadrilateral with node numbers from 0 (checked in build). */
    public void addElement(int[] nodes, int line) {
        while (elementNodesUsed + nodes.length > elementNodes.length) {
            elementNodes = Arrays.copyOf(elementNodes, 2 * elementNodes.length);
        }
        elementStart.add(elementNodesUsed);
        elementCorners.add(nodes.length);
        elementLine.add(line);
        System.arraycopy(nodes, 0, elementNodes, elementNodesUsed, nodes.length);
        elementNodesUsed += nodes.length;
    }

    /** Adds a named boundary; returns its tag (from 1). Names are unique. */
    public int addMarker(String name) {
        int i = markers.indexOf(name);
        if (i >= 0) {
            return i + 1;
        }
        markers.add(name);
        return markers.size();
    }

    /** Adds a boundary line with node numbers from 0 and a tag from addMarker. */
    public void addBoundaryEdge(int a, int b, int tag, int line) {
        edges.add(a);
        edges.add(b);
        edges.add(tag);
        edgeLine.add(line);
    }

    /**
     * The mesh: node numbers and corners checked, elements turned counter-clockwise, every side
     * on the boundary given once by a boundary line, unused nodes dropped.
     */
    public Mesh build() throws MeshFileException {
        int elementCount = elementStart.size();
        if (elementCount == 0) {
            throw new MeshFileException(file, 0, "expected triangles or quadrilaterals, found none");
        }
        checkCorners(elementCount);
        orientElements(elementCount);
        checkBoundarySides(elementCount);
        int[] newNumber = usedNodeNumbers();
        return assemble(elementCount, newNumber);
    }

    /** Node numbers within the file's nodes, no node twice in an element. */
    private void checkCorners(int elementCount) throws MeshFileException {
        for (int e = 0; e < elementCount; e++) {
            int s = elementStart.get(e);
            int c = elementCorners.get(e);
            for (int k = 0; k < c; k++) {
                int node = elementNodes[s + k];
                if (node < 0 || node >= nodeCount) {
                    throw error(elementLine.get(e), "expected node numbers of 0.." + (nodeCount - 1)
                            + " (the nodes of the file), found " + node);
                }
                for (int m = 0; m < k; m++) {
                    if (elementNodes[s + m] == node) {
                        throw error(elementLine.get(e), "expected distinct corner nodes, node "
                                + node + " appears twice");
                    }
                }
            }
        }
    }

    /** Turns clockwise elements around; rejects degenerate and self-intersecting ones. */
    private void orientElements(int elementCount) throws MeshFileException {
        for (int e = 0; e < elementCount; e++) {
            int s = elementStart.get(e);
            int c = elementCorners.get(e);
            int sign = Orientation.elementOrientation(xy, elementNodes, s, c);
            if (sign == 0) {
                throw error(elementLine.get(e), "expected an element of positive area, found a"
                        + " degenerate one (zero area)");
            }
            if (sign < 0) {
                for (int k = 0; k < c / 2; k++) {
                    int t = elementNodes[s + k];
                    elementNodes[s + k] = elementNodes[s + c - 1 - k];
                    elementNodes[s + c - 1 - k] = t;
                }
            }
            if (c == 4) {
                int bent = 0;
                for (int k = 0; k < 4; k++) {
                    if (Orientation.orientation(xy, elementNodes[s + (k + 3) % 4], elementNodes[s + k],
                            elementNodes[s + (k + 1) % 4]) <= 0) {
                        bent++;
                    }
                }
                if (bent > 1) {
                    throw error(elementLine.get(e), "expected a simple quadrilateral, found one"
                            + " that is self-intersecting or folded (" + bent + " corners turn the"
                            + " wrong way or go straight)");
                }
            }
        }
    }

    /**
     * Each boundary line is a side of exactly one element and given once; each side of one
     * element only is a boundary line.
     */
    private void checkBoundarySides(int elementCount) throws MeshFileException {
        Map<Long, Integer> sideCount = new HashMap<>();
        Map<Long, Integer> sideElement = new HashMap<>();
        for (int e = 0; e < elementCount; e++) {
            int s = elementStart.get(e);
            int c = elementCorners.get(e);
            for (int k = 0; k < c; k++) {
                long key = key(elementNodes[s + k], elementNodes[s + (k + 1) % c]);
                sideCount.merge(key, 1, Integer::sum);
                sideElement.putIfAbsent(key, e);
            }
        }
        Map<Long, Integer> edgeOfSide = new HashMap<>();
        int edgeCount = edgeLine.size();
        for (int b = 0; b < edgeCount; b++) {
            int line = edgeLine.get(b);
            int p = edges.get(3 * b);
            int q = edges.get(3 * b + 1);
            for (int node : new int[] {p, q}) {
                if (node < 0 || node >= nodeCount) {
                    throw error(line, "expected node numbers of 0.." + (nodeCount - 1)
                            + " (the nodes of the file), found " + node);
                }
            }
            if (p == q) {
                throw error(line, "expected a boundary line between two nodes, found node " + p
                        + " twice");
            }
            long key = key(p, q);
            Integer n = sideCount.get(key);
            if (n == null || n != 1) {
                throw error(line, "expected a boundary line on a side of exactly one element,"
                        + " the line " + p + "-" + q + " is a side of " + (n == null ? 0 : n)
                        + " elements");
            }
            Integer before = edgeOfSide.put(key, b);
            if (before != null) {
                throw error(line, "expected each boundary side once, the side " + p + "-" + q
                        + " was already given on line " + edgeLine.get(before));
            }
        }
        for (Map.Entry<Long, Integer> side : sideCount.entrySet()) {
            if (side.getValue() == 1 && !edgeOfSide.containsKey(side.getKey())) {
                long key = side.getKey();
                int e = sideElement.get(key);
                throw error(elementLine.get(e), "expected every side on the mesh boundary to"
                        + " belong to a boundary marker, the side " + (key >>> 32) + "-"
                        + (key & 0xffffffffL) + " of this element belongs to none");
            }
        }
    }

    /** Per node of the file its number among the nodes some element uses (in order), or -1. */
    private int[] usedNodeNumbers() {
        int[] newNumber = new int[nodeCount];
        Arrays.fill(newNumber, -1);
        for (int i = 0; i < elementNodesUsed; i++) {
            newNumber[elementNodes[i]] = 0;
        }
        int used = 0;
        for (int i = 0; i < nodeCount; i++) {
            if (newNumber[i] == 0) {
                newNumber[i] = used++;
            }
        }
        return newNumber;
    }

    /** The mesh of the used nodes, its elements and boundary lines, default boundary kinds. */
    private Mesh assemble(int elementCount, int[] newNumber) throws MeshFileException {
        int used = (int) Arrays.stream(newNumber).filter(n -> n >= 0).count();
        double[] coords = new double[2 * used];
        for (int i = 0; i < nodeCount; i++) {
            if (newNumber[i] >= 0) {
                coords[2 * newNumber[i]] = xy[2 * i];
                coords[2 * newNumber[i] + 1] = xy[2 * i + 1];
            }
        }
        IntList tri = new IntList();
        IntList quad = new IntList();
        for (int e = 0; e < elementCount; e++) {
            int s = elementStart.get(e);
            IntList target = elementCorners.get(e) == 3 ? tri : quad;
            for (int k = 0; k < elementCorners.get(e); k++) {
                target.add(newNumber[elementNodes[s + k]] + 1);
            }
        }
        int edgeCount = edgeLine.size();
        int[] boundary = new int[3 * edgeCount];
        for (int b = 0; b < edgeCount; b++) {
            boundary[3 * b] = newNumber[edges.get(3 * b)];
            boundary[3 * b + 1] = newNumber[edges.get(3 * b + 1)];
            boundary[3 * b + 2] = edges.get(3 * b + 2);
        }
        List<BoundaryKind> kinds = new ArrayList<>();
        for (String marker : markers) {
            kinds.add(BoundaryKind.defaultFor(marker, false));
        }
        try {
            return new Mesh(coords, tri.toArray(), quad.toArray(), boundary, kinds, markers);
        } catch (IllegalArgumentException e) {
            throw new MeshFileException(file, 0, "invalid mesh: " + e.getMessage());
        }
    }

    private static long key(int a, int b) {
        return ((long) Math.min(a, b) << 32) | Math.max(a, b);
    }

    private MeshFileException error(int line, String message) {
        return new MeshFileException(file, line, message);
    }
}
