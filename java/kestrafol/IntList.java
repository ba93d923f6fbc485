package kestrafol;

import java.util.Arrays;

/** A growable array of ints, for readers that do not know their sizes in advance. */
final class IntList {
    private int[] data = new int[256];
    private int size;

    void add(int v) {
        if (size == data.length) {
            data = Arrays.copyOf(data, 2 * size);
        }
        data[size++] = v;
    }

    int get(int i) {
        return data[i];
    }

    int size() {
        return size;
    }

    int[] toArray() {
        return Arrays.copyOf(data, size);
    }
}
