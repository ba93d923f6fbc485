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
 * Loads the native libraries: libKestrafol.so (the host class {@code CFD.Solvers.EulerSolver})
 * and libKestrafolFlow.so (the toolkit's flow module {@code kestrafol.engine.FlowModule}), each
 * trying in this order:
 * <ol>
 *   <li>the file named by its system property ({@code kestrafol.library.path}, or
 *       {@code kestrafol.flow.library.path}), a file or a directory holding the library, if set;
 *       for the flow module without its own property, the file beside
 *       {@code kestrafol.library.path} if there is one (a build folder holds both); nothing else
 *       is tried then;</li>
 *   <li>the copy packed in the JAR under /linux/x86_64/, extracted to a private temporary
 *       directory (owner-only access), loaded, and deleted again;</li>
 *   <li>{@code System.loadLibrary}, which searches {@code java.library.path}.</li>
 * </ol>
 */
public final class NativeLoader {
    /** System property that names the library file (or its directory) explicitly. */
    public static final String PATH_PROPERTY = "kestrafol.library.path";
    /** System property that names the flow module's file (or its directory) explicitly. */
    public static final String FLOW_PATH_PROPERTY = "kestrafol.flow.library.path";
    static final String FILE_NAME = "libKestrafol.so";
    static final String FLOW_FILE_NAME = "libKestrafolFlow.so";

    /** One native library: its name, its property and what loading it found. */
    private static final class Library {
        final String name;
        final String fileName;
        final String property;
        boolean loaded;
        String source;

        Library(String name, String property) {
            this.name = name;
            this.fileName = "lib" + name + ".so";
            this.property = property;
        }
    }

    private static final Library HOST = new Library("Kestrafol", PATH_PROPERTY);
    private static final Library FLOW = new Library("KestrafolFlow", FLOW_PATH_PROPERTY);

    private NativeLoader() {}

    /** Loads libKestrafol.so once per class loader. */
    public static synchronized void load() {
        load(HOST, null);
    }

    /** Loads libKestrafolFlow.so once per class loader. */
    public static synchronized void loadFlow() {
        String host = System.getProperty(PATH_PROPERTY);
        Path beside = null;
        if (host != null && !host.isEmpty()) {
            Path p = Paths.get(host);
            beside = (Files.isDirectory(p) ? p : p.toAbsolutePath().getParent())
                    .resolve(FLOW.fileName);
            if (!Files.isRegularFile(beside)) {
                beside = null;
            }
        }
        load(FLOW, beside);
    }

    private static void load(Library library, Path fallback) {
        if (library.loaded) {
            return;
        }
        String explicit = System.getProperty(library.property);
        Path named = explicit != null && !explicit.isEmpty() ? Paths.get(explicit) : fallback;
        if (named != null) {
            Path p = Files.isDirectory(named) ? named.resolve(library.fileName) : named;
            System.load(p.toAbsolutePath().toString());
            library.source = p.toAbsolutePath().toString();
            library.loaded = true;
            return;
        }
        List<String> tried = new ArrayList<>();
        String resource = bundledResource(library.fileName);
        if (resource != null) {
            try (InputStream in = NativeLoader.class.getResourceAsStream(resource)) {
                if (in != null) {
                    loadExtracted(in, library.fileName);
                    library.source = "jar:" + resource;
                    library.loaded = true;
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
            System.loadLibrary(library.name);
            library.source = "java.library.path";
            library.loaded = true;
        } catch (UnsatisfiedLinkError e) {
            UnsatisfiedLinkError error = new UnsatisfiedLinkError("cannot load the "
                    + library.name + " native library: " + String.join("; ", tried)
                    + "; java.library.path: " + e.getMessage() + " (set -D" + library.property
                    + "=FILE to name it)");
            error.initCause(e);
            throw error;
        }
    }

    /** Where libKestrafol.so came from: a file path, "jar:/linux/x86_64/..." or "java.library.path". */
    public static synchronized String source() {
        return HOST.source;
    }

    /** Where libKestrafolFlow.so came from, as {@link #source()}. */
    public static synchronized String flowSource() {
        return FLOW.source;
    }

    private static String bundledResource(String fileName) {
        String os = System.getProperty("os.name", "").toLowerCase(Locale.ROOT);
        String arch = System.getProperty("os.arch", "").toLowerCase(Locale.ROOT);
        if (os.contains("linux") && (arch.equals("amd64") || arch.equals("x86_64"))) {
            return "/linux/x86_64/" + fileName;
        }
        return null;
    }

    private static void loadExtracted(InputStream in, String fileName) throws IOException {
        // createTempDirectory gives an owner-only directory on POSIX systems, so nobody else
        // can swap the file between writing and loading it.
        Path dir = Files.createTempDirectory("kestrafol-native");
        Path file = dir.resolve(fileName);
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
