package kestrafol.mesh.io;

import java.io.BufferedReader;
import java.io.IOException;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;

/**
 * Line-by-line reading of a text mesh file with line numbers, token splitting and number
 * parsing that reports failures as {@link MeshFileException}. Lines are bounded
 * ({@link #MAX_LINE} characters), so a binary or endless file (/dev/zero) is refused after
 * reading a bounded amount; a NUL character is refused at once. A UTF-8 byte-order mark at the
 * start of the file is skipped.
 */
final class MeshFileScanner implements AutoCloseable {
    /** Longest line read, in characters: far more than any mesh line needs. */
    static final int MAX_LINE = 1 << 20;

    private final Path file;
    private final BufferedReader reader;
    private final char[] buffer = new char[8192];
    private int bufferPosition;
    private int bufferEnd;
    private boolean skipLineFeed;
    private final StringBuilder lineBuffer = new StringBuilder();
    private final String commentStart;
    private int lineNumber;
    private String[] pushedBack;
    private int pushedBackLine;

    /**
     * @param commentStart text that starts a comment running to the end of the line, or null
     */
    MeshFileScanner(Path file, String commentStart) throws IOException {
        this.file = file;
        this.commentStart = commentStart;
        try {
            this.reader = Files.newBufferedReader(file, StandardCharsets.UTF_8);
        } catch (IOException e) {
            throw new MeshFileException(file, 0, "cannot open: " + e.getMessage());
        }
    }

    Path file() {
        return file;
    }

    /** Line number of the last line returned. */
    int line() {
        return lineNumber;
    }

    /** The tokens of the next line that is not blank (or only a comment), or null at the end. */
    String[] next() throws IOException {
        if (pushedBack != null) {
            String[] t = pushedBack;
            pushedBack = null;
            lineNumber = pushedBackLine;
            return t;
        }
        while (true) {
            String text;
            try {
                text = readLine();
            } catch (java.nio.charset.MalformedInputException e) {
                throw error(lineNumber + 1, "not a text file (invalid UTF-8)");
            }
            if (text == null) {
                return null;
            }
            lineNumber++;
            if (lineNumber == 1 && text.startsWith("\uFEFF")) {
                text = text.substring(1); // UTF-8 byte-order mark
            }
            if (commentStart != null) {
                int c = text.indexOf(commentStart);
                if (c >= 0) {
                    text = text.substring(0, c);
                }
            }
            text = text.strip();
            if (!text.isEmpty()) {
                return text.split("\\s+");
            }
        }
    }

    /**
     * The next line without its terminator (\n, \r\n or \r), or null at the end of the file;
     * refuses NUL characters and lines longer than MAX_LINE.
     */
    private String readLine() throws IOException {
        lineBuffer.setLength(0);
        boolean any = false;
        while (true) {
            if (bufferPosition == bufferEnd) {
                int read = reader.read(buffer, 0, buffer.length);
                if (read <= 0) {
                    return any ? lineBuffer.toString() : null;
                }
                bufferPosition = 0;
                bufferEnd = read;
            }
            char ch = buffer[bufferPosition++];
            if (skipLineFeed) {
                skipLineFeed = false;
                if (ch == '\n') {
                    continue;
                }
            }
            if (ch == '\n' || ch == '\r') {
                skipLineFeed = ch == '\r';
                return lineBuffer.toString();
            }
            any = true;
            if (ch == 0) {
                throw error(lineNumber + 1, "expected a text mesh file, found a NUL character"
                        + " (binary data)");
            }
            if (lineBuffer.length() == MAX_LINE) {
                throw error(lineNumber + 1, "expected a line of at most " + MAX_LINE
                        + " characters, found a longer one (not a text mesh file?)");
            }
            lineBuffer.append(ch);
        }
    }

    /** The next non-blank line; what is expected is named in the error at the end of the file. */
    String[] require(String expected) throws IOException {
        String[] t = next();
        if (t == null) {
            throw error(lineNumber + 1, "expected " + expected + ", found the end of the file");
        }
        return t;
    }

    /** Returns the tokens of the last line so that the next call of next() gives them again. */
    void pushBack(String[] tokens) {
        pushedBack = tokens;
        pushedBackLine = lineNumber;
    }

    /** Exactly the given number of tokens (at least min and at most max). */
    String[] requireTokens(String expected, int min, int max) throws IOException {
        String[] t = require(expected);
        if (t.length < min || t.length > max) {
            throw error("expected " + expected + " (" + (min == max ? min : min + " to " + max)
                    + " values), found " + t.length + " values: " + String.join(" ", t));
        }
        return t;
    }

    int parseInt(String token, String what) throws MeshFileException {
        try {
            return Integer.parseInt(token);
        } catch (NumberFormatException e) {
            throw error("expected " + what + " (an integer), found \"" + token + "\"");
        }
    }

    long parseLong(String token, String what) throws MeshFileException {
        try {
            return Long.parseLong(token);
        } catch (NumberFormatException e) {
            throw error("expected " + what + " (an integer), found \"" + token + "\"");
        }
    }

    int parseCount(String token, String what) throws MeshFileException {
        int n = parseInt(token, what);
        if (n < 0) {
            throw error("expected " + what + " (a count of 0 or more), found " + n);
        }
        return n;
    }

    /**
     * A count the file declares, at most {@code max}: checked before anything of that size is
     * read or built.
     */
    int parseCount(String token, String what, long max) throws MeshFileException {
        int n = parseCount(token, what);
        if (n > max) {
            throw error(String.format(java.util.Locale.ROOT, "%s is %,d; a mesh may have at most"
                    + " %,d (%s); on a machine with more memory, raise it with java -D%s=N",
                    what, n, max, MeshAssembler.LIMIT_REASON, MeshAssembler.LIMIT_PROPERTY));
        }
        return n;
    }

    double parseFinite(String token, String what) throws MeshFileException {
        double v;
        try {
            v = Double.parseDouble(token);
        } catch (NumberFormatException e) {
            throw error("expected " + what + " (a number), found \"" + token + "\"");
        }
        if (!Double.isFinite(v) || token.endsWith("d") || token.endsWith("D") || token.endsWith("f")
                || token.endsWith("F")) {
            throw error("expected " + what + " (a finite number), found \"" + token + "\"");
        }
        return v;
    }

    MeshFileException error(String message) {
        return error(lineNumber, message);
    }

    MeshFileException error(int line, String message) {
        return new MeshFileException(file, line, message);
    }

    @Override
    public void close() throws IOException {
        reader.close();
    }
}
