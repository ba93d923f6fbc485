package kestrafol.mesh.io;

import java.io.IOException;
import java.nio.file.Path;

/** A mesh file that cannot be read; the message names the file, the line and what was expected. */
public final class MeshFileException extends IOException {
    private static final long serialVersionUID = 1L;

    private final transient Path file;
    private final int line;

    /**
     * @param line line number from 1, or 0 when the problem belongs to the file as a whole
     */
    public MeshFileException(Path file, int line, String message) {
        super(file + (line > 0 ? ":" + line : "") + ": " + message);
        this.file = file;
        this.line = line;
    }

    public Path file() {
        return file;
    }

    /** Line number from 1, or 0 for the file as a whole (for example a missing section). */
    public int line() {
        return line;
    }
}
