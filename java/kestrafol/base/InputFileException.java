package kestrafol.base;

import java.io.IOException;
import java.nio.file.Path;

/**
 * An input file that cannot be read (a mesh, a coordinate file, comparison data): the message
 * names the file, the line and what was expected, as "FILE:LINE: what".
 */
public class InputFileException extends IOException {
    private static final long serialVersionUID = 1L;

    private final transient Path file;
    private final int line;
    private final String reason;

    /**
     * @param line line number from 1, or 0 when the problem belongs to the file as a whole
     */
    public InputFileException(Path file, int line, String message) {
        super(file + (line > 0 ? ":" + line : "") + ": " + message);
        this.file = file;
        this.line = line;
        this.reason = message;
    }

    /** What is wrong, without the file and line. */
    public String reason() {
        return reason;
    }

    public Path file() {
        return file;
    }

    /** Line number from 1, or 0 for the file as a whole (for example a missing section). */
    public int line() {
        return line;
    }
}
