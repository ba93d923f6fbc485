package kestrafol.mesh.io;

import java.io.IOException;
import java.nio.file.Path;
import java.util.ArrayList;
import java.util.List;
import java.util.Locale;
import kestrafol.mesh.Mesh;

/**
 * Reading and writing meshes by the file's extension: the one place that knows which formats
 * the toolkit reads and writes. Every command goes through it.
 */
public final class MeshFiles {
    private MeshFiles() {
    }

    /** A format: its extension, what it is called, its reader and its writer. */
    private enum Format {
        SU2(".su2", "SU2"),
        GMSH(".msh", "Gmsh 2.2 or 4.1");

        final String extension;
        final String description;

        Format(String extension, String description) {
            this.extension = extension;
            this.description = description;
        }

        Mesh read(Path file) throws IOException {
            return this == SU2 ? Su2Reader.read(file) : GmshReader.read(file);
        }

        void write(Mesh mesh, Path file) throws IOException {
            if (this == SU2) {
                Su2Writer.write(mesh, file);
            } else {
                GmshWriter.write(mesh, file);
            }
        }
    }

    /** The extensions known, with what they are: ".su2 (SU2) or .msh (Gmsh, ...)". */
    public static String known() {
        List<String> parts = new ArrayList<>();
        for (Format f : Format.values()) {
            parts.add(f.extension + " (" + f.description + ")");
        }
        return String.join(" or ", parts);
    }

    /**
     * Reads the mesh in the format its extension names (any case).
     *
     * @throws IllegalArgumentException for an extension no reader knows, listing the known ones
     * @throws MeshFileException for a file that cannot be read as its format
     */
    public static Mesh read(Path file) throws IOException {
        return format(file).read(file);
    }

    /**
     * Writes the mesh in the format its extension names (any case).
     *
     * @throws IllegalArgumentException for an extension no writer knows, listing the known ones
     */
    public static void write(Mesh mesh, Path file) throws IOException {
        format(file).write(mesh, file);
    }

    private static Format format(Path file) {
        Path name = file.getFileName();
        String text = name == null ? "" : name.toString().toLowerCase(Locale.ROOT);
        for (Format f : Format.values()) {
            if (text.endsWith(f.extension)) {
                return f;
            }
        }
        throw new IllegalArgumentException(file + ": expected a mesh file ending in "
                + known());
    }
}
