package kestrafol.geometry;

import java.io.IOException;
import java.nio.file.Path;

/** An airfoil coordinate file that cannot be read: the file, the line and what is wrong. */
public final class CoordinateFileException extends IOException {
    private static final long serialVersionUID = 1L;

    private final transient Path file;
    private final int line;

    /**
     * @param line line number from 1, or 0 when the problem belongs to the file as a whole
     */
    public CoordinateFileException(Path file, int line, String message) {
        super(file + (line > 0 ? ":" + line : "") + ": " + message);
        this.file = file;
        this.line = line;
    }

    public Path file() {
        return file;
    }

    /** Line number from 1, or 0 for the file as a whole. */
    public int line() {
        return line;
    }
}
