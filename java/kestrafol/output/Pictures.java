package kestrafol.output;

import java.util.ArrayList;
import javax.imageio.ImageIO;
import java.util.List;
import kestrafol.mesh.Mesh;

/** Shared pieces of the pictures: headless mode, wall contours, axis steps. */
public final class Pictures {
    private Pictures() {}

    /**
     * Held while a picture or chart is drawn, so that cases finishing side by side draw one at
     * a time. The JDK's font code reports its own unchecked JNI calls under -Xcheck:jni; drawn
     * from several threads at once those reports interleave with each other's stack frames.
     * Drawing is a small share of a case's time.
     */
    public static final Object DRAWING = new Object();

    /**
     * Renders without a display unless the caller chose otherwise, and encodes PNGs in memory:
     * ImageIO's default cache file in the temporary folder would be a second place to run out of
     * space, and its closer thread prints a stack trace at exit when that happened.
     */
    public static void headless() {
        if (System.getProperty("java.awt.headless") == null) {
            System.setProperty("java.awt.headless", "true");
        }
        ImageIO.setUseCache(false);
    }

    /**
     * The wall boundary edges chained into node sequences: closed loops around bodies (first node
     * not repeated) or open chains for walls that end at another boundary.
     */
    static List<int[]> wallLoops(Mesh mesh) {
        int n = mesh.nodeCount();
        int[] next = new int[n];
        int[] prev = new int[n];
        java.util.Arrays.fill(next, -1);
        java.util.Arrays.fill(prev, -1);
        // The element on the left of a boundary edge decides its direction, so that chains run
        // consistently; the edge list itself may give either order.
        for (int e = 0; e < mesh.boundaryEdgeCount(); e++) {
            if (!mesh.isWallTag(mesh.edgeTag(e))) {
                continue;
            }
            int a = mesh.edgeNode(e, 0);
            int b = mesh.edgeNode(e, 1);
            if (!mesh.edgeAlongElement(e)) {
                int t = a;
                a = b;
                b = t;
            }
            next[a] = b;
            prev[b] = a;
        }
        List<int[]> loops = new ArrayList<>();
        boolean[] done = new boolean[n];
        // Open chains first (start where no edge arrives), then closed loops.
        for (int pass = 0; pass < 2; pass++) {
            for (int s = 0; s < n; s++) {
                if (done[s] || next[s] < 0 || (pass == 0 && prev[s] >= 0)) {
                    continue;
                }
                List<Integer> chain = new ArrayList<>();
                int v = s;
                while (v >= 0 && !done[v]) {
                    done[v] = true;
                    chain.add(v);
                    v = next[v];
                }
                if (v >= 0 && v != s) {
                    chain.add(v);
                }
                loops.add(chain.stream().mapToInt(Integer::intValue).toArray());
            }
        }
        return loops;
    }

    /** A step of 1, 2 or 5 times a power of ten near the given raw step. */
    static double niceStep(double raw) {
        if (!(raw > 0) || !Double.isFinite(raw)) {
            return 1;
        }
        double p = Math.pow(10, Math.floor(Math.log10(raw)));
        double f = raw / p;
        return (f < 1.5 ? 1 : f < 3.5 ? 2 : f < 7.5 ? 5 : 10) * p;
    }
}
