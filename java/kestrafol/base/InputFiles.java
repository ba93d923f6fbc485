package kestrafol.base;

import java.io.IOException;
import java.io.InputStream;
import java.nio.ByteBuffer;
import java.nio.CharBuffer;
import java.nio.charset.CharsetDecoder;
import java.nio.charset.CoderResult;
import java.nio.charset.CodingErrorAction;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.NoSuchFileException;
import java.nio.file.Path;
import java.util.Locale;

/**
 * Input files read whole, but never more than a stated number of bytes, and text decoded
 * strictly as UTF-8. A file over its limit is refused after reading at most the limit and one
 * byte (a device such as /dev/zero or a file of gigabytes costs no memory and no time); a byte
 * that is not UTF-8 is refused naming its line, instead of being read as a replacement
 * character that a number parser or a path would then misread.
 */
public final class InputFiles {
    private InputFiles() {}

    /**
     * The bytes of a file of at most {@code limit} bytes.
     *
     * @param what what the file is, for the message ("coordinate file")
     * @param beyond how to go past the limit, or "" when no real input needs more
     * @throws InputFileException naming the file and the limit, or why it cannot be read
     */
    public static byte[] bytes(Path file, int limit, String what, String beyond)
            throws InputFileException {
        byte[] b;
        try (InputStream in = Files.newInputStream(file)) {
            b = in.readNBytes(limit + 1);
        } catch (NoSuchFileException e) {
            throw new InputFileException(file, 0, "no such file");
        } catch (IOException e) {
            throw new InputFileException(file, 0, "cannot be read (" + AtomicFiles.reason(e) + ")");
        }
        if (b.length > limit) {
            throw new InputFileException(file, 0, "larger than " + size(limit) + ", the most a "
                    + what + " may hold" + (beyond.isEmpty() ? "" : "; " + beyond));
        }
        return b;
    }

    /**
     * The text of a file of at most {@code limit} bytes, decoded as UTF-8, without a leading
     * byte-order mark.
     *
     * @throws InputFileException for a file over the limit or a byte that is not UTF-8 (naming
     *     its line)
     */
    public static String text(Path file, int limit, String what, String beyond)
            throws InputFileException {
        String t = utf8(file, bytes(file, limit, what, beyond));
        return t.startsWith("\uFEFF") ? t.substring(1) : t;
    }

    /**
     * The largest results file read back (polar.csv, history.csv, surface.csv, study.csv):
     * a polar's million cases or a run's two million iterations fit.
     */
    public static final int MAX_RESULTS_BYTES = 256 << 20;

    /**
     * The lines of a results file the toolkit wrote (at most {@link #MAX_RESULTS_BYTES}, strict
     * UTF-8), split at \n, \r\n or \r.
     */
    public static java.util.List<String> resultLines(Path file) throws InputFileException {
        return text(file, MAX_RESULTS_BYTES, "results file", "").lines().toList();
    }

    /**
     * Bytes decoded as UTF-8, refusing the first byte that is not.
     *
     * @throws InputFileException naming the file and the line of that byte
     */
    public static String utf8(Path file, byte[] bytes) throws InputFileException {
        CharsetDecoder d = StandardCharsets.UTF_8.newDecoder()
                .onMalformedInput(CodingErrorAction.REPORT)
                .onUnmappableCharacter(CodingErrorAction.REPORT);
        ByteBuffer in = ByteBuffer.wrap(bytes);
        CharBuffer out = CharBuffer.allocate(bytes.length);
        CoderResult r = d.decode(in, out, true);
        if (!r.isError()) {
            r = d.flush(out);
        }
        if (r.isError()) {
            int at = in.position();
            int line = 1;
            for (int i = 0; i < at; i++) {
                line += bytes[i] == '\n' ? 1 : 0;
            }
            throw new InputFileException(file, line, String.format(Locale.ROOT,
                    "byte 0x%02X (byte %,d of the file) is not UTF-8 text; save the file as UTF-8",
                    bytes[at] & 0xff, at + 1));
        }
        return out.flip().toString();
    }

    /** A byte count as "16 MB (16,777,216 bytes)". */
    public static String size(long bytes) {
        String exact = String.format(Locale.ROOT, "%,d bytes", bytes);
        return bytes % (1 << 20) == 0 ? (bytes >> 20) + " MB (" + exact + ")" : exact;
    }
}
