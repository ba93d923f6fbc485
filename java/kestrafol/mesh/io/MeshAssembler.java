package kestrafol.mesh.io;

import java.nio.file.Path;
import java.util.ArrayList;
import java.util.Arrays;
import java.util.List;
import kestrafol.mesh.BoundaryKind;
import kestrafol.mesh.IntList;
import kestrafol.mesh.Mesh;
import kestrafol.mesh.MeshFault;
import kestrafol.mesh.Orientation;

/**
 * Collects what a mesh reader finds (nodes, elements and boundary lines, each with the line of
 * the file it came from) and turns it into a {@link Mesh}: node numbers are checked, clockwise
 * elements are turned counter-clockwise, the mesh's checks run once and what they refuse
 * (degenerate or folded elements, boundary lines that are not a side of exactly one element,
 * sides of one element without a boundary line, overlaps) is reported with its line, nodes that
 * no element uses are dropped, and boundaries get their default kinds for an inviscid run.
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
     * The mesh: node numbers and corners checked, elements turned counter-clockwise, the mesh's
     * own checks (orientation, sides, boundary edges, overlap) run once and their refusal
     * pointed at the line, unused nodes dropped.
     */
    public Mesh build() throws MeshFileException {
        if (elementStart.size() == 0) {
            throw new MeshFileException(file, 0, "expected triangles or quadrilaterals, found none");
        }
        checkCorners();
        turnClockwiseElements();
        checkBoundaryLines();
        return checkedMesh().withoutUnusedNodes();
    }

    /** Node numbers within the file's nodes, no node twice in an element. */
    private void checkCorners() throws MeshFileException {
        for (int e = 0; e < elementStart.size(); e++) {
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

    /**
     * Turns clockwise elements around (files list either way round); degenerate and folded
     * elements are left to the mesh's check.
     */
    private void turnClockwiseElements() {
        for (int e = 0; e < elementStart.size(); e++) {
            int s = elementStart.get(e);
            int c = elementCorners.get(e);
            if (Orientation.elementOrientation(xy, elementNodes, s, c) < 0) {
                for (int k = 0; k < c / 2; k++) {
                    int t = elementNodes[s + k];
                    elementNodes[s + k] = elementNodes[s + c - 1 - k];
                    elementNodes[s + c - 1 - k] = t;
                }
            }
        }
    }

    /** Each boundary line joins two distinct nodes of the file. */
    private void checkBoundaryLines() throws MeshFileException {
        for (int b = 0; b < edgeLine.size(); b++) {
            int p = edges.get(3 * b);
            int q = edges.get(3 * b + 1);
            for (int node : new int[] {p, q}) {
                if (node < 0 || node >= nodeCount) {
                    throw error(edgeLine.get(b), "expected node numbers of 0.." + (nodeCount - 1)
                            + " (the nodes of the file), found " + node);
                }
            }
            if (p == q) {
                throw error(edgeLine.get(b), "expected a boundary line between two nodes, found"
                        + " node " + p + " twice");
            }
        }
    }

    /**
     * The mesh of every node of the file (their numbers kept, so that messages name the file's
     * nodes), triangles first, default boundary kinds; the mesh's refusal is reported at the
     * line of the element or boundary line it names.
     */
    private Mesh checkedMesh() throws MeshFileException {
        IntList tri = new IntList();
        IntList quad = new IntList();
        IntList triLine = new IntList();
        IntList quadLine = new IntList();
        for (int e = 0; e < elementStart.size(); e++) {
            boolean triangle = elementCorners.get(e) == 3;
            for (int k = 0; k < elementCorners.get(e); k++) {
                (triangle ? tri : quad).add(elementNodes[elementStart.get(e) + k] + 1);
            }
            (triangle ? triLine : quadLine).add(elementLine.get(e));
        }
        List<BoundaryKind> kinds = new ArrayList<>();
        for (String marker : markers) {
            kinds.add(BoundaryKind.defaultFor(marker, false));
        }
        int[] triangles = tri.toArray();
        int[] quads = quad.toArray();
        try {
            return new Mesh(Arrays.copyOf(xy, 2 * nodeCount), triangles, quads, edges.toArray(),
                    kinds, markers);
        } catch (MeshFault f) {
            int[] lines = Arrays.copyOf(triLine.toArray(), triLine.size() + quadLine.size());
            System.arraycopy(quadLine.toArray(), 0, lines, triLine.size(), quadLine.size());
            throw fault(f, lines, triangles, quads);
        } catch (IllegalArgumentException e) {
            throw error(0, "invalid mesh: " + e.getMessage());
        }
    }

    /** The mesh's refusal at the line of its element or boundary line, in the file's numbers. */
    private MeshFileException fault(MeshFault f, int[] elementLines, int[] triangles,
            int[] quads) {
        if (f.edge() >= 0) {
            int b = f.edge();
            String reason = f.otherEdge() >= 0 ? "it repeats the boundary line on line "
                    + edgeLine.get(f.otherEdge()) : f.reason();
            return error(edgeLine.get(b), "boundary line " + edges.get(3 * b) + "-"
                    + edges.get(3 * b + 1) + ": " + reason);
        }
        String other = f.otherElement() >= 0
                ? "; the other element is on line " + elementLines[f.otherElement()] : "";
        if (f.element() < 0) {
            return error(0, "invalid mesh: " + f.getMessage());
        }
        int g = f.element();
        int t = triangles.length / 3;
        int c = g < t ? 3 : 4;
        int[] nodes = g < t ? triangles : quads;
        int first = g < t ? 3 * g : 4 * (g - t);
        StringBuilder corners = new StringBuilder();
        for (int k = 0; k < c; k++) {
            corners.append(k > 0 ? " " : "").append(nodes[first + k] - 1);
        }
        return error(elementLines[g], "element " + corners + ": " + f.reason() + other);
    }

    private MeshFileException error(int line, String message) {
        return new MeshFileException(file, line, message);
    }
}
