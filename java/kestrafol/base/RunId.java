package kestrafol.base;

import java.time.Instant;
import java.time.ZoneOffset;
import java.time.format.DateTimeFormatter;
import java.security.SecureRandom;

/**
 * The identity of one run: its start time (UTC, to the second) and 32 random bits, e.g.
 * 20261208T053427Z-9f3a61c2. Every file of a run carries it, so that files of two runs in one
 * folder can always be told apart.
 */
public final class RunId {
    private static final SecureRandom RANDOM = new SecureRandom();
    private static final DateTimeFormatter STAMP =
            DateTimeFormatter.ofPattern("yyyyMMdd'T'HHmmss'Z'").withZone(ZoneOffset.UTC);

    private RunId() {}

    /** A new run id. */
    public static String next() {
        return STAMP.format(Instant.now()) + "-" + String.format("%08x", RANDOM.nextInt());
    }
}
