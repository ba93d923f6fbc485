package kestrafol.mesh;

/**
 * A bounding-box tree over items given by their boxes (min x, min y, max x, max y each): the
 * items split in halves at the median of their box centres along the wider spread, down to
 * leaves of a few items; every tree node knows the box around its items. It finds the items
 * whose boxes hold a point, and the nearest item when the items are points. Unlike a uniform
 * grid it keeps its speed on graded meshes, whose elements shrink by orders of magnitude
 * towards a wall.
 *
 * <p>Flat arrays: tree node k holds items {@code order[first[k]]} up to before
 * {@code order[first[k] + count[k]]}; an inner node's children are {@code left[k]} and
 * {@code left[k] + 1}.
 */
final class BoxTree {
    private static final int LEAF = 8;

    private final double[] items;
    private final int[] order;
    private final int[] first;
    private final int[] count;
    private final int[] left;
    private final double[] box;

    /** A tree over {@code boxes.length / 4} items; the array is kept, not copied. */
    BoxTree(double[] boxes) {
        items = boxes;
        int n = boxes.length / 4;
        order = new int[n];
        for (int i = 0; i < n; i++) {
            order[i] = i;
        }
        int capacity = 2 * (2 * n / LEAF + 2);
        first = new int[capacity];
        count = new int[capacity];
        left = new int[capacity];
        box = new double[4 * capacity];
        first[0] = 0;
        count[0] = n;
        int nodes = 1;
        for (int k = 0; k < nodes; k++) {
            enclose(k);
            if (count[k] > LEAF) {
                int half = count[k] / 2;
                splitAtMedian(k, half);
                left[k] = nodes;
                first[nodes] = first[k];
                count[nodes] = half;
                first[nodes + 1] = first[k] + half;
                count[nodes + 1] = count[k] - half;
                nodes += 2;
            }
        }
    }

    private void enclose(int k) {
        double x0 = Double.POSITIVE_INFINITY;
        double y0 = Double.POSITIVE_INFINITY;
        double x1 = Double.NEGATIVE_INFINITY;
        double y1 = Double.NEGATIVE_INFINITY;
        for (int i = first[k]; i < first[k] + count[k]; i++) {
            int item = order[i];
            x0 = Math.min(x0, items[4 * item]);
            y0 = Math.min(y0, items[4 * item + 1]);
            x1 = Math.max(x1, items[4 * item + 2]);
            y1 = Math.max(y1, items[4 * item + 3]);
        }
        box[4 * k] = x0;
        box[4 * k + 1] = y0;
        box[4 * k + 2] = x1;
        box[4 * k + 3] = y1;
    }

    /** Reorders node k's items so that the first {@code half} have the smaller centres. */
    private void splitAtMedian(int k, int half) {
        boolean alongX = box[4 * k + 2] - box[4 * k] >= box[4 * k + 3] - box[4 * k + 1];
        int axis = alongX ? 0 : 1;
        int lo = first[k];
        int hi = first[k] + count[k] - 1;
        int target = first[k] + half;
        while (lo < hi) {
            double pivot = centre(order[(lo + hi) >>> 1], axis);
            int i = lo;
            int j = hi;
            while (i <= j) {
                while (centre(order[i], axis) < pivot) {
                    i++;
                }
                while (centre(order[j], axis) > pivot) {
                    j--;
                }
                if (i <= j) {
                    int t = order[i];
                    order[i++] = order[j];
                    order[j--] = t;
                }
            }
            if (target <= j) {
                hi = j;
            } else if (target >= i) {
                lo = i;
            } else {
                return;
            }
        }
    }

    private double centre(int item, int axis) {
        return items[4 * item + axis] + items[4 * item + 2 + axis];
    }

    /** Receives the items of a query. */
    interface Visitor {
        void item(int item);
    }

    /** Calls {@code visitor} with every item whose box holds (x, y), edges included. */
    void itemsAt(double x, double y, Visitor visitor) {
        int[] stack = new int[128];
        int top = 0;
        stack[top++] = 0;
        while (top > 0) {
            int k = stack[--top];
            if (!holds(box, k, x, y)) {
                continue;
            }
            if (count[k] > LEAF) {
                stack[top++] = left[k];
                stack[top++] = left[k] + 1;
                continue;
            }
            for (int i = first[k]; i < first[k] + count[k]; i++) {
                if (holds(items, order[i], x, y)) {
                    visitor.item(order[i]);
                }
            }
        }
    }

    private static boolean holds(double[] boxes, int k, double x, double y) {
        return x >= boxes[4 * k] && x <= boxes[4 * k + 2] && y >= boxes[4 * k + 1]
                && y <= boxes[4 * k + 3];
    }

    /** The item whose box lies nearest to (x, y) (the lowest number among equals). */
    int nearest(double x, double y) {
        int best = -1;
        double bestDistance = Double.POSITIVE_INFINITY;
        int[] stack = new int[128];
        int top = 0;
        stack[top++] = 0;
        while (top > 0) {
            int k = stack[--top];
            if (distance(box, k, x, y) > bestDistance) {
                continue;
            }
            if (count[k] > LEAF) {
                int a = left[k];
                boolean aFirst = distance(box, a, x, y) <= distance(box, a + 1, x, y);
                stack[top++] = aFirst ? a + 1 : a;
                stack[top++] = aFirst ? a : a + 1;
                continue;
            }
            for (int i = first[k]; i < first[k] + count[k]; i++) {
                int item = order[i];
                double d = distance(items, item, x, y);
                if (d < bestDistance || (d == bestDistance && item < best)) {
                    best = item;
                    bestDistance = d;
                }
            }
        }
        return best;
    }

    /** Squared distance from (x, y) to box k (0 inside it). */
    private static double distance(double[] boxes, int k, double x, double y) {
        double dx = Math.max(0, Math.max(boxes[4 * k] - x, x - boxes[4 * k + 2]));
        double dy = Math.max(0, Math.max(boxes[4 * k + 1] - y, y - boxes[4 * k + 3]));
        return dx * dx + dy * dy;
    }
}
