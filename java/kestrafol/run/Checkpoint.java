package kestrafol.run;

import java.io.BufferedInputStream;
import java.io.BufferedOutputStream;
import java.io.DataInputStream;
import java.io.DataOutputStream;
import java.io.EOFException;
import java.io.IOException;
import java.io.InputStream;
import java.io.OutputStream;
import java.nio.ByteBuffer;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;
import java.security.MessageDigest;
import java.security.NoSuchAlgorithmException;
import java.util.HexFormat;
import java.util.zip.CRC32C;
import java.util.zip.CheckedInputStream;
import java.util.zip.CheckedOutputStream;
import kestrafol.mesh.Mesh;
import kestrafol.solver.History;
import kestrafol.solver.FlowField;
import kestrafol.solver.Settings;

/**
 * Everything a run needs to continue exactly where it stopped: the run id, fingerprints of the
 * mesh and of every setting that shapes the iterations (the cap aside, so a capped run can be
 * continued with a higher one), the iterations done, the iteration after which the order switched,
 * the time spent, every history row with its exact values (the stopping rule's windows and the
 * answer are rebuilt from them; history.csv rounds them to 11 digits) and the solver's
 * {@link FlowField} with its method memory. Binary, big-endian, with a CRC-32C of everything
 * before it at the end.
 *
 * @param carried the run began on a carried flow (the previous case of a polar chain, or the
 *     coarser meshes of a sequenced run), without a first-order start; a resumed run keeps it
 * @param switchedAt iteration after which the first-order start switched (0 before or without)
 * @param solverSeconds time spent in the library so far
 */
public record Checkpoint(String runId, String meshFingerprint, String settingsFingerprint,
        boolean carried, int iterations, int switchedAt, double solverSeconds, History history,
        FlowField field) {
    private static final String MAGIC = "kestrafol checkpoint";
    /**
     * Version 2 records whether the run began on a carried flow (version 1 never did); version 3
     * adds the method memory of the field (earlier ones have none).
     */
    private static final int VERSION = 3;

    /**
     * The fingerprint of a mesh: SHA-256 of its coordinates (every bit), elements, boundary
     * edges, kinds and names.
     */
    static String fingerprint(Mesh mesh) {
        Fingerprint f = new Fingerprint();
        f.doubles(mesh.coords());
        f.ints(mesh.triangles());
        f.ints(mesh.quads());
        f.ints(mesh.boundaryEdges());
        f.ints(mesh.boundaryKindCodes());
        f.text(String.join("\n", mesh.boundaryNames()));
        return f.hex();
    }

    /**
     * The fingerprint of what shapes the iterations of a case: both settings vectors, the
     * first-order start, the renumbering, the monitored walls and reference (the forces the
     * stopping rule follows) and the stopping rule without the cap.
     */
    static String fingerprint(CaseDefinition c, CaseSetup s) {
        Fingerprint f = new Fingerprint();
        f.doubles(s.initial().toVector());
        f.doubles(s.target().toVector());
        f.doubles(c.scheme().method().entries());
        CaseDefinition.Stopping stop = c.stopping();
        f.ints(new int[] {s.startup(), c.meshing().renumber() ? 1 : 0, stop.cauchyWindow()});
        f.doubles(new double[] {stop.orders(), stop.cauchyEps(), s.reference().x(),
            s.reference().y(), s.reference().length()});
        for (boolean m : s.monitored()) {
            f.ints(new int[] {m ? 1 : 0});
        }
        return f.hex();
    }

    /** The settings the solver runs with after the checkpoint's iterations. */
    Settings settingsNow(CaseSetup s) {
        return iterations > s.startup() ? s.target() : s.initial();
    }

    /** Writes the checkpoint to file (the caller makes the write atomic). */
    void write(Path file) throws IOException {
        try (OutputStream raw = new BufferedOutputStream(Files.newOutputStream(file), 1 << 16)) {
            CheckedOutputStream checked = new CheckedOutputStream(raw, new CRC32C());
            DataOutputStream out = new DataOutputStream(checked);
            out.writeUTF(MAGIC);
            out.writeInt(VERSION);
            out.writeUTF(runId);
            out.writeUTF(meshFingerprint);
            out.writeUTF(settingsFingerprint);
            out.writeBoolean(carried);
            out.writeInt(iterations);
            out.writeInt(switchedAt);
            out.writeDouble(solverSeconds);
            out.writeInt(history.size());
            for (int k = 0; k < history.size(); k++) {
                out.writeInt(history.iteration(k));
                for (double v : new double[] {history.residual(k), history.lift(k),
                    history.drag(k), history.moment(k), history.dragPressure(k),
                    history.dragFriction(k), history.seconds(k)}) {
                    out.writeDouble(v);
                }
            }
            out.writeInt(field.nodeCount());
            for (double[] level : new double[][] {field.state(), field.previous(),
                field.previous2(), field.increment()}) {
                doubles(out, level);
            }
            double[] memory = field.memory();
            out.writeInt(memory.length);
            doubles(out, memory);
            out.flush();
            new DataOutputStream(raw).writeLong(checked.getChecksum().getValue());
        }
    }

    /**
     * Reads a checkpoint file; a file that is not one, is cut short or whose checksum fails is
     * refused with an {@link IllegalArgumentException} naming it.
     */
    static Checkpoint read(Path file) throws IOException {
        long size = Files.size(file);
        try (InputStream raw = new BufferedInputStream(Files.newInputStream(file), 1 << 16)) {
            CheckedInputStream checked = new CheckedInputStream(raw, new CRC32C());
            DataInputStream in = new DataInputStream(checked);
            int version = MAGIC.equals(in.readUTF()) ? in.readInt() : 0;
            if (version < 1 || version > VERSION) {
                throw damaged(file, "not a checkpoint of this version");
            }
            String runId = in.readUTF();
            String mesh = in.readUTF();
            String settings = in.readUTF();
            boolean carried = version >= 2 && in.readBoolean();
            int iterations = in.readInt();
            int switchedAt = in.readInt();
            double solverSeconds = in.readDouble();
            int rows = in.readInt();
            if (rows < 0 || rows != iterations) {
                throw damaged(file, "its history does not match its iterations");
            }
            if (64L * rows > size) {
                throw new EOFException();
            }
            History history = new History();
            for (int k = 0; k < rows; k++) {
                int it = in.readInt();
                double[] v = new double[7];
                for (int c = 0; c < 7; c++) {
                    v[c] = in.readDouble();
                }
                history.add(it, v[0], v[1], v[2], v[3], v[4], v[5], v[6]);
            }
            int nodes = in.readInt();
            if (nodes < 1) {
                throw damaged(file, "its flow field has " + nodes + " nodes");
            }
            if (128L * nodes > size) {
                throw new EOFException();
            }
            double[][] levels = new double[4][];
            for (int k = 0; k < 4; k++) {
                levels[k] = doubles(in, 4 * nodes);
            }
            int memoryLength = version >= 3 ? in.readInt() : 0;
            if (memoryLength != 0 && memoryLength != FlowField.MEMORY_LENGTH) {
                throw damaged(file, "its method memory has " + memoryLength + " values");
            }
            double[] memory = doubles(in, memoryLength);
            long expected = checked.getChecksum().getValue();
            if (new DataInputStream(raw).readLong() != expected || raw.read() != -1) {
                throw damaged(file, "its checksum does not match its content");
            }
            return new Checkpoint(runId, mesh, settings, carried, iterations, switchedAt,
                    solverSeconds, history, new FlowField(levels[0], levels[1], levels[2],
                            levels[3], memory));
        } catch (EOFException e) {
            throw damaged(file, "it is cut short");
        }
    }

    private static IllegalArgumentException damaged(Path file, String why) {
        return new IllegalArgumentException("checkpoint " + file + " is damaged (" + why
                + "); it is not used (remove it to start the run afresh)");
    }

    private static void doubles(DataOutputStream out, double[] values) throws IOException {
        ByteBuffer b = ByteBuffer.allocate(8 * values.length);
        b.asDoubleBuffer().put(values);
        out.write(b.array());
    }

    private static double[] doubles(DataInputStream in, int count) throws IOException {
        byte[] bytes = new byte[8 * count];
        in.readFully(bytes);
        double[] values = new double[count];
        ByteBuffer.wrap(bytes).asDoubleBuffer().get(values);
        return values;
    }

    /** A SHA-256 over numbers and text, as hex. */
    private static final class Fingerprint {
        private final MessageDigest digest;

        Fingerprint() {
            try {
                digest = MessageDigest.getInstance("SHA-256");
            } catch (NoSuchAlgorithmException e) {
                throw new IllegalStateException(e);
            }
        }

        void doubles(double[] values) {
            ByteBuffer b = ByteBuffer.allocate(8 * values.length + 4);
            b.putInt(values.length);
            for (double v : values) {
                b.putLong(Double.doubleToLongBits(v));
            }
            digest.update(b.array());
        }

        void ints(int[] values) {
            ByteBuffer b = ByteBuffer.allocate(4 * values.length + 4);
            b.putInt(values.length);
            for (int v : values) {
                b.putInt(v);
            }
            digest.update(b.array());
        }

        void text(String s) {
            byte[] bytes = s.getBytes(StandardCharsets.UTF_8);
            ints(new int[] {bytes.length});
            digest.update(bytes);
        }

        String hex() {
            return HexFormat.of().formatHex(digest.digest());
        }
    }
}
