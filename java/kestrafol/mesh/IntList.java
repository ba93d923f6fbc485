package kestrafol.mesh;

import java.util.Arrays;

/** A growable array of ints, for readers that do not know their sizes in advance. */
public final class IntList {
    private int[] data = new int[256];
    private int size;

    public void add(int v) {
        if (size == data.length) {
            data = Arrays.copyOf(data, 2 * size);
        }
        data[size++] = v;
    }

    public int get(int i) {
        return data[i];
    }

    public int size() {
        return size;
    }

    public int[] toArray() {
        return Arrays.copyOf(data, size);
    }
}
