package kestrafol.mesh;

import java.util.Arrays;

/**
 * Reverse Cuthill-McKee renumbering of the nodes of a mesh, so that neighbouring nodes get
 * close numbers: the solver's node and edge loops then touch memory that is close together,
 * and the bandwidth of its block matrix shrinks. Keeps the mapping so that results computed on
 * the renumbered mesh can be mapped back to the original numbering.
 *
 * <p>Each connected component starts from a pseudo-peripheral node (found by repeated
 * breadth-first searches from a node of lowest degree); neighbours are visited in order of
 * increasing degree, and the final order is reversed.
 */
public final class Renumbering {
    /** newToOld[k] is the original number of the node that gets number k. */
    private final int[] newToOld;
    /** oldToNew[i] is the new number of original node i. */
    private final int[] oldToNew;

    private Renumbering(int[] newToOld) {
        this.newToOld = newToOld;
        this.oldToNew = new int[newToOld.length];
        for (int k = 0; k < newToOld.length; k++) {
            oldToNew[newToOld[k]] = k;
        }
    }

    /** A renumbering given by newToOld[new] = old; it must be a permutation. */
    public static Renumbering of(int[] newToOld) {
        boolean[] seen = new boolean[newToOld.length];
        for (int old : newToOld) {
            if (old < 0 || old >= newToOld.length || seen[old]) {
                throw new IllegalArgumentException("not a permutation: " + old);
            }
            seen[old] = true;
        }
        return new Renumbering(newToOld.clone());
    }

    /** The identity on n nodes. */
    public static Renumbering identity(int n) {
        int[] p = new int[n];
        for (int i = 0; i < n; i++) {
            p[i] = i;
        }
        return new Renumbering(p);
    }

    /** Computes the reverse Cuthill-McKee numbering of a mesh's node graph. */
    public static Renumbering reverseCuthillMcKee(Mesh mesh) {
        int n = mesh.nodeCount();
        int[][] adjacency = adjacency(mesh);
        int[] order = new int[n];
        boolean[] placed = new boolean[n];
        int count = 0;
        Integer[] byDegree = new Integer[n];
        for (int i = 0; i < n; i++) {
            byDegree[i] = i;
        }
        Arrays.sort(byDegree, (a, b) -> Integer.compare(adjacency[a].length, adjacency[b].length));
        int[] level = new int[n];
        for (int seed : byDegree) {
            if (placed[seed]) {
                continue;
            }
            int start = peripheralNode(seed, adjacency, level);
            // Breadth-first search, neighbours by increasing degree.
            int head = count;
            order[count++] = start;
            placed[start] = true;
            while (head < count) {
                int node = order[head++];
                int first = count;
                for (int m : adjacency[node]) {
                    if (!placed[m]) {
                        placed[m] = true;
                        order[count++] = m;
                    }
                }
                sortByDegree(order, first, count, adjacency);
            }
        }
        int[] newToOld = new int[n];
        for (int k = 0; k < n; k++) {
            newToOld[k] = order[n - 1 - k];
        }
        return new Renumbering(newToOld);
    }

    private static void sortByDegree(int[] a, int from, int to, int[][] adjacency) {
        for (int i = from + 1; i < to; i++) {
            int v = a[i];
            int j = i - 1;
            while (j >= from && adjacency[a[j]].length > adjacency[v].length) {
                a[j + 1] = a[j];
                j--;
            }
            a[j + 1] = v;
        }
    }

    /** A node far from the seed: the lowest-degree node of the last level, repeated. */
    private static int peripheralNode(int seed, int[][] adjacency, int[] level) {
        int node = seed;
        int depth = -1;
        for (int round = 0; round < 10; round++) {
            int[] result = lastLevel(node, adjacency, level);
            if (result[1] <= depth) {
                break;
            }
            depth = result[1];
            node = result[0];
        }
        return node;
    }

    /** Returns {lowest-degree node of the deepest level, depth} of a search from start. */
    private static int[] lastLevel(int start, int[][] adjacency, int[] level) {
        java.util.ArrayDeque<Integer> queue = new java.util.ArrayDeque<>();
        java.util.List<Integer> visited = new java.util.ArrayList<>();
        level[start] = 1;
        queue.add(start);
        visited.add(start);
        int deepest = start;
        while (!queue.isEmpty()) {
            int v = queue.poll();
            for (int m : adjacency[v]) {
                if (level[m] == 0) {
                    level[m] = level[v] + 1;
                    queue.add(m);
                    visited.add(m);
                    if (level[m] > level[deepest] || (level[m] == level[deepest]
                            && adjacency[m].length < adjacency[deepest].length)) {
                        deepest = m;
                    }
                }
            }
        }
        int depth = level[deepest];
        for (int v : visited) {
            level[v] = 0;
        }
        return new int[] {deepest, depth};
    }

    /** Neighbours of every node through element sides (0-based). */
    static int[][] adjacency(Mesh mesh) {
        int n = mesh.nodeCount();
        int[] degree = new int[n];
        mesh.forEachSide((a, b) -> {
            degree[a]++;
            degree[b]++;
        });
        int[][] adj = new int[n][];
        for (int i = 0; i < n; i++) {
            adj[i] = new int[degree[i]];
        }
        int[] fill = new int[n];
        mesh.forEachSide((a, b) -> {
            adj[a][fill[a]++] = b;
            adj[b][fill[b]++] = a;
        });
        // Each interior side appears twice (once per element): remove duplicates.
        for (int i = 0; i < n; i++) {
            int[] row = adj[i];
            Arrays.sort(row);
            int m = 0;
            for (int k = 0; k < row.length; k++) {
                if (k == 0 || row[k] != row[k - 1]) {
                    row[m++] = row[k];
                }
            }
            adj[i] = Arrays.copyOf(row, m);
        }
        return adj;
    }


    /** Largest difference of node numbers across an element side. */
    public static int bandwidth(Mesh mesh) {
        int[][] adj = adjacency(mesh);
        int b = 0;
        for (int i = 0; i < adj.length; i++) {
            for (int m : adj[i]) {
                b = Math.max(b, Math.abs(m - i));
            }
        }
        return b;
    }

    public int size() {
        return newToOld.length;
    }

    /** New number of original node i. */
    public int newNumber(int oldNode) {
        return oldToNew[oldNode];
    }

    /** Original number of node k of the renumbered mesh. */
    public int oldNumber(int newNode) {
        return newToOld[newNode];
    }

    /** The mesh with its nodes renumbered; elements and boundary edges keep their order. */
    public Mesh apply(Mesh mesh) {
        if (mesh.nodeCount() != size()) {
            throw new IllegalArgumentException("renumbering of " + size() + " nodes applied to a mesh of "
                    + mesh.nodeCount());
        }
        double[] coords = new double[2 * size()];
        for (int k = 0; k < size(); k++) {
            coords[2 * k] = mesh.x(newToOld[k]);
            coords[2 * k + 1] = mesh.y(newToOld[k]);
        }
        return mesh.withNodesNumbered(coords, oldToNew);
    }

    /** Maps a per-node array of `width` values from the new numbering back to the original. */
    public double[] toOriginal(double[] values, int width) {
        if (values.length != width * size()) {
            throw new IllegalArgumentException("expected " + width * size() + " values, got "
                    + values.length);
        }
        double[] out = new double[values.length];
        for (int k = 0; k < size(); k++) {
            System.arraycopy(values, width * k, out, width * newToOld[k], width);
        }
        return out;
    }

    /** Maps a per-node array of `width` values from the original numbering to the new one. */
    public double[] toRenumbered(double[] values, int width) {
        if (values.length != width * size()) {
            throw new IllegalArgumentException("expected " + width * size() + " values, got "
                    + values.length);
        }
        double[] out = new double[values.length];
        for (int k = 0; k < size(); k++) {
            System.arraycopy(values, width * newToOld[k], out, width * k, width);
        }
        return out;
    }
}
