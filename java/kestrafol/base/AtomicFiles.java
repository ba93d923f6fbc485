package kestrafol.base;

import java.io.IOException;
import java.nio.channels.FileChannel;
import java.nio.file.AccessDeniedException;
import java.nio.file.FileSystemException;
import java.nio.file.Files;
import java.nio.file.Path;
import java.nio.file.StandardCopyOption;
import java.nio.file.StandardOpenOption;
import java.util.concurrent.ThreadLocalRandom;

/**
 * Files that appear whole or not at all: the content goes to a temporary name in the same
 * folder, is forced to the disk (fsync), and is renamed over the final name; then the folder
 * itself is forced, so the rename survives a power cut. A reader, or a process killed at any
 * moment, sees the old file or the new one, never a part of one. A failure (a full disk, a
 * folder without write permission) removes the temporary file and names the final one.
 */
public final class AtomicFiles {
    private AtomicFiles() {}

    /** Writes content to a path it is given (a temporary name); the writers of the toolkit. */
    @FunctionalInterface
    public interface Content {
        void writeTo(Path file) throws IOException;
    }

    /** Prefix of the temporary names; a run removes any it finds left by a killed process. */
    public static final String TEMPORARY_PREFIX = ".tmp-";

    /**
     * Writes file through a temporary name in its folder. The temporary name keeps the final
     * extension, so writers that choose a format by extension choose the same one.
     *
     * @throws IOException naming file and the reason, e.g. "cannot write /x/flow.vtu: No space
     *     left on device"
     */
    public static void write(Path file, Content content) throws IOException {
        Path name = file.getFileName();
        Path tmp = file.resolveSibling(TEMPORARY_PREFIX
                + Long.toHexString(ThreadLocalRandom.current().nextLong() & Long.MAX_VALUE) + "-"
                + name);
        try {
            content.writeTo(tmp);
            force(tmp, false);
            Files.move(tmp, file, StandardCopyOption.REPLACE_EXISTING,
                    StandardCopyOption.ATOMIC_MOVE);
        } catch (IOException | RuntimeException e) {
            try {
                Files.deleteIfExists(tmp);
            } catch (IOException ignored) {
                // The first fault is the one to report.
            }
            throw new IOException("cannot write " + file.toAbsolutePath() + ": "
                    + reason(e).replace(tmp + ": ", ""), e);
        }
        Path folder = file.toAbsolutePath().getParent();
        if (folder != null) {
            try {
                force(folder, true);
            } catch (IOException e) {
                // Some file systems cannot open a folder for syncing; the file itself is whole.
            }
        }
    }

    private static void force(Path path, boolean folder) throws IOException {
        try (FileChannel ch = FileChannel.open(path, folder ? StandardOpenOption.READ
                : StandardOpenOption.WRITE)) {
            ch.force(true);
        }
    }

    /** The operating system's reason without the file name the message already carries. */
    static String reason(Throwable e) {
        if (e instanceof AccessDeniedException) {
            return "permission denied";
        }
        if (e instanceof FileSystemException f && f.getReason() != null) {
            return f.getReason();
        }
        Throwable t = e;
        while (t.getCause() != null && t.getCause() != t) {
            t = t.getCause();
        }
        String m = t.getMessage() != null ? t.getMessage() : t.toString();
        // ImageIO and the writers wrap the operating system's message with the path.
        int paren = m.lastIndexOf(" (");
        return paren >= 0 && m.endsWith(")") ? m.substring(paren + 2, m.length() - 1) : m;
    }
}
