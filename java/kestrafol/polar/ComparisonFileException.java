package kestrafol.polar;

import java.nio.file.Path;
import kestrafol.base.InputFileException;

/** A comparison-data file that cannot be read: the file, the line and what is wrong. */
public final class ComparisonFileException extends InputFileException {
    private static final long serialVersionUID = 1L;

    /**
     * @param line line number from 1, or 0 when the problem belongs to the file as a whole
     */
    public ComparisonFileException(Path file, int line, String message) {
        super(file, line, message);
    }
}
