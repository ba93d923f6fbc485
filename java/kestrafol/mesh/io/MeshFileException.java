package kestrafol.mesh.io;

import java.nio.file.Path;
import kestrafol.base.InputFileException;

/** A mesh file that cannot be read; the message names the file, the line and what was expected. */
public final class MeshFileException extends InputFileException {
    private static final long serialVersionUID = 1L;

    /**
     * @param line line number from 1, or 0 when the problem belongs to the file as a whole
     */
    public MeshFileException(Path file, int line, String message) {
        super(file, line, message);
    }
}
