package kestrafol.geometry;

import java.nio.file.Path;
import kestrafol.base.InputFileException;

/** An airfoil coordinate file that cannot be read: the file, the line and what is wrong. */
public final class CoordinateFileException extends InputFileException {
    private static final long serialVersionUID = 1L;

    /**
     * @param line line number from 1, or 0 when the problem belongs to the file as a whole
     */
    public CoordinateFileException(Path file, int line, String message) {
        super(file, line, message);
    }
}
