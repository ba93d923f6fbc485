package kestrafol.polar;

import java.io.IOException;
import java.nio.file.Path;

/** A comparison file that cannot be read; the message names the file, the line and the fault. */
public final class ComparisonFileException extends IOException {
    private static final long serialVersionUID = 1L;

    private final transient Path file;
    private final int line;

    /**
     * @param line line number from 1, or 0 when the fault belongs to the file as a whole
     */
    public ComparisonFileException(Path file, int line, String message) {
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
