package kestrafol.base;

import java.io.IOException;
import java.nio.ByteBuffer;
import java.nio.channels.FileChannel;
import java.nio.channels.FileLock;
import java.nio.channels.OverlappingFileLockException;
import java.nio.charset.StandardCharsets;
import java.nio.file.FileAlreadyExistsException;
import java.nio.file.FileSystemException;
import java.nio.file.Files;
import java.nio.file.LinkOption;
import java.nio.file.NoSuchFileException;
import java.nio.file.Path;
import java.nio.file.StandardOpenOption;
import java.nio.file.attribute.BasicFileAttributes;
import java.util.Map;
import java.util.concurrent.ConcurrentHashMap;

/**
 * One owner per output folder: an operating-system lock on the file .kestrafol.lock in the
 * folder, which holds the owner's process id and command. The operating system releases the lock
 * when the process ends in any way (kill -9 included), so a lock file left by a dead process is
 * stale and is simply taken over; a live owner's lock refuses the second process, naming the
 * owner. The lock file is opened without following links and only as a regular file: a link,
 * a FIFO or a device in its place is refused, naming it.
 */
public final class FolderLock implements AutoCloseable {
    /** The lock file's name in the folder. */
    public static final String NAME = ".kestrafol.lock";

    private final FileChannel channel;
    private final FileLock lock;
    private final boolean stale;
    private final Path key;
    /** The lock files this process holds, with what holds them. */
    private static final Map<Path, String> HELD = new ConcurrentHashMap<>();

    private FolderLock(FileChannel channel, FileLock lock, boolean stale, Path key) {
        this.channel = channel;
        this.lock = lock;
        this.stale = stale;
        this.key = key;
    }

    /**
     * Takes the folder (created if missing) for this process.
     *
     * @param what the command, recorded for a refused second process, e.g. "kestrafol polar"
     * @throws IOException "output folder F is in use by process 1234 (kestrafol polar)" when a
     *     live process holds it
     */
    public static FolderLock acquire(Path folder, String what) throws IOException {
        try {
            Files.createDirectories(folder);
        } catch (FileAlreadyExistsException e) {
            throw new IOException("output folder " + folder.toAbsolutePath().normalize() + ": "
                    + e.getFile() + " exists and is not a folder", e);
        } catch (FileSystemException e) {
            throw new IOException("output folder " + folder.toAbsolutePath().normalize() + ": "
                    + AtomicFiles.reason(e), e);
        }
        Path file = folder.resolve(NAME);
        // Folders this process holds are refused before the file is opened: closing any channel
        // of a locked file would release the process's lock on it.
        Path key = folder.toRealPath().resolve(NAME);
        if (HELD.putIfAbsent(key, what) != null) {
            throw inUse(folder, "process " + ProcessHandle.current().pid() + " ("
                    + HELD.get(key) + ")");
        }
        try {
            return open(folder, file, key, what);
        } catch (IOException | RuntimeException e) {
            HELD.remove(key);
            throw e;
        }
    }

    private static IOException inUse(Path folder, String holder) {
        return new IOException("output folder " + folder.toAbsolutePath().normalize()
                + " is in use by " + (holder.isEmpty() ? "another process" : holder)
                + "; wait for it to end or choose another --out");
    }

    private static FolderLock open(Path folder, Path file, Path key, String what)
            throws IOException {
        refuseOther(folder, file);
        FileChannel ch;
        try {
            // Never through a link: a link planted as the lock file would have the lock file
            // emptied and written, or created, wherever it points.
            ch = FileChannel.open(file, StandardOpenOption.CREATE, StandardOpenOption.READ,
                    StandardOpenOption.WRITE, LinkOption.NOFOLLOW_LINKS);
        } catch (FileSystemException e) {
            refuseOther(folder, file);
            throw new IOException("output folder " + folder.toAbsolutePath().normalize()
                    + ": cannot create " + NAME + ": " + AtomicFiles.reason(e), e);
        }
        try {
            refuseOther(folder, file);
        } catch (IOException e) {
            ch.close();
            throw e;
        }
        FileLock lock;
        try {
            lock = ch.tryLock();
        } catch (IOException | OverlappingFileLockException e) {
            ch.close();
            throw e;
        }
        if (lock == null) {
            String holder = holder(ch);
            ch.close();
            throw inUse(folder, holder);
        }
        boolean stale = ch.size() > 0;
        String line = "process " + ProcessHandle.current().pid() + " (" + what + ")\n";
        ch.truncate(0);
        ch.write(ByteBuffer.wrap(line.getBytes(StandardCharsets.UTF_8)), 0);
        ch.force(true);
        return new FolderLock(ch, lock, stale, key);
    }

    /** Refuses a lock file that is there and is no regular file (a link, a FIFO, a folder). */
    private static void refuseOther(Path folder, Path file) throws IOException {
        BasicFileAttributes a;
        try {
            a = Files.readAttributes(file, BasicFileAttributes.class, LinkOption.NOFOLLOW_LINKS);
        } catch (NoSuchFileException e) {
            return;
        }
        if (!a.isRegularFile()) {
            throw new IOException("output folder " + folder.toAbsolutePath().normalize() + ": "
                    + NAME + " is " + (a.isSymbolicLink() ? "a symbolic link"
                    : a.isDirectory() ? "a folder" : "not a regular file (a device or FIFO)")
                    + ", not a lock file; remove it or choose another --out");
        }
    }

    /** Whether a lock file of an ended process was found and taken over. */
    public boolean tookOverStale() {
        return stale;
    }

    private static String holder(FileChannel ch) throws IOException {
        ByteBuffer b = ByteBuffer.allocate(512);
        ch.read(b, 0);
        return new String(b.array(), 0, b.position(), StandardCharsets.UTF_8).strip();
    }

    /** Empties the lock file and releases the lock. */
    @Override
    public void close() throws IOException {
        try {
            if (lock.isValid()) {
                channel.truncate(0);
                lock.release();
            }
        } finally {
            channel.close();
            HELD.remove(key);
        }
    }
}
