package kestrafol;

/** Loads libKestrafol. The toolkit extends this to extract the library packed in the JAR. */
public final class NativeLoader {
    private static boolean loaded;

    private NativeLoader() {}

    /** Loads the native library once per class loader. */
    public static synchronized void load() {
        if (loaded) {
            return;
        }
        System.loadLibrary("Kestrafol");
        loaded = true;
    }
}
