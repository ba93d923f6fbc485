package kestrafol;

import java.io.IOException;
import java.io.InputStream;
import java.nio.file.Files;
import java.nio.file.Path;
import java.nio.file.Paths;
import java.nio.file.StandardCopyOption;
import java.util.ArrayList;
import java.util.List;
import java.util.Locale;

/**
 * Loads the native library libKestrafol.so, trying in this order:
 * <ol>
 *   <li>the file named by the system property {@code kestrafol.library.path} (a file, or a
 *       directory holding libKestrafol.so), if set; nothing else is tried then;</li>
 *   <li>the copy packed in the JAR under /linux/x86_64/, extracted to a private temporary
 *       directory (owner-only access), loaded, and deleted again;</li>
 *   <li>{@code System.loadLibrary("Kestrafol")}, which searches {@code java.library.path}.</li>
 * </ol>
 */
public final class NativeLoader {
    /** System property that names the library file (or its directory) explicitly. */
    public static final String PATH_PROPERTY = "kestrafol.library.path";
    static final String FILE_NAME = "libKestrafol.so";

    private static boolean loaded;
    private static String source;

    private NativeLoader() {}

    /** Loads the library once per class loader. */
    public static synchronized void load() {
        if (loaded) {
            return;
        }
        String explicit = System.getProperty(PATH_PROPERTY);
        if (explicit != null && !explicit.isEmpty()) {
            Path p = Paths.get(explicit);
            if (Files.isDirectory(p)) {
                p = p.resolve(FILE_NAME);
            }
            System.load(p.toAbsolutePath().toString());
            source = p.toAbsolutePath().toString();
            loaded = true;
            return;
        }
        List<String> tried = new ArrayList<>();
        String resource = bundledResource();
        if (resource != null) {
            try (InputStream in = NativeLoader.class.getResourceAsStream(resource)) {
                if (in != null) {
                    loadExtracted(in);
                    source = "jar:" + resource;
                    loaded = true;
                    return;
                }
                tried.add(resource + " is not in the JAR");
            } catch (IOException | UnsatisfiedLinkError e) {
                tried.add("bundled " + resource + ": " + e.getMessage());
            }
        } else {
            tried.add("no bundled library for " + System.getProperty("os.name") + "/"
                    + System.getProperty("os.arch"));
        }
        try {
            System.loadLibrary("Kestrafol");
            source = "java.library.path";
            loaded = true;
        } catch (UnsatisfiedLinkError e) {
            UnsatisfiedLinkError error = new UnsatisfiedLinkError("cannot load the Kestrafol native library: "
                    + String.join("; ", tried) + "; java.library.path: " + e.getMessage()
                    + " (set -D" + PATH_PROPERTY + "=FILE to name it)");
            error.initCause(e);
            throw error;
        }
    }

    /** Where the library came from: a file path, "jar:/linux/x86_64/..." or "java.library.path". */
    public static synchronized String source() {
        return source;
    }

    private static String bundledResource() {
        String os = System.getProperty("os.name", "").toLowerCase(Locale.ROOT);
        String arch = System.getProperty("os.arch", "").toLowerCase(Locale.ROOT);
        if (os.contains("linux") && (arch.equals("amd64") || arch.equals("x86_64"))) {
            return "/linux/x86_64/" + FILE_NAME;
        }
        return null;
    }

    private static void loadExtracted(InputStream in) throws IOException {
        // createTempDirectory gives an owner-only directory on POSIX systems, so nobody else
        // can swap the file between writing and loading it.
        Path dir = Files.createTempDirectory("kestrafol-native");
        Path file = dir.resolve(FILE_NAME);
        try {
            Files.copy(in, file, StandardCopyOption.REPLACE_EXISTING);
            System.load(file.toAbsolutePath().toString());
        } finally {
            // The loaded library stays mapped; the file is no longer needed.
            Files.deleteIfExists(file);
            Files.deleteIfExists(dir);
        }
    }
}
