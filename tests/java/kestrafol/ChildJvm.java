package kestrafol;

import java.io.File;
import java.nio.charset.StandardCharsets;
import java.nio.file.Path;
import java.nio.file.Paths;
import java.util.ArrayList;
import java.util.List;
import java.util.concurrent.TimeUnit;

/**
 * Runs Java in a fresh JVM, as a user would. Tests that draw pictures use it too: the JDK's own
 * font code makes JNI calls that the test runner's -Xcheck:jni reports, and those reports belong
 * to the JDK, not to the library under test.
 */
public final class ChildJvm {
    private ChildJvm() {}

    /** Exit status and the combined output of a child JVM. */
    public static final class Result {
        public final int status;
        public final String output;

        Result(int status, String output) {
            this.status = status;
            this.output = output;
        }
    }

    /** The JAR or folder a class was loaded from (the test runner uses its own class loader). */
    public static String location(Class<?> c) {
        try {
            return Paths.get(c.getProtectionDomain().getCodeSource().getLocation().toURI()).toString();
        } catch (java.net.URISyntaxException e) {
            throw new IllegalStateException(e);
        }
    }

    /** The kestrafol JAR under test. */
    public static String jar() {
        return location(NativeLoader.class);
    }

    /** The class path of the toolkit and the test classes. */
    public static String classPath() {
        return jar() + File.pathSeparator + location(ChildJvm.class);
    }

    /** java with the given arguments; the temporary folder of the child is tmp. */
    public static Result run(Path tmp, List<String> arguments) throws Exception {
        return run(tmp, java.util.Map.of(), arguments);
    }

    /** The same with variables added to the child's environment (e.g. PATH with stubs first). */
    public static Result run(Path tmp, java.util.Map<String, String> environment,
            List<String> arguments) throws Exception {
        List<String> command = new ArrayList<>();
        command.add(Paths.get(System.getProperty("java.home"), "bin", "java").toString());
        command.add("-Djava.io.tmpdir=" + tmp);
        command.add("-Djava.awt.headless=true");
        command.addAll(arguments);
        ProcessBuilder builder = new ProcessBuilder(command).redirectErrorStream(true);
        builder.environment().putAll(environment);
        Process p = builder.start();
        byte[] out = p.getInputStream().readAllBytes();
        if (!p.waitFor(300, TimeUnit.SECONDS)) {
            p.destroyForcibly();
            throw new IllegalStateException("the child JVM did not finish: " + command);
        }
        return new Result(p.exitValue(), new String(out, StandardCharsets.UTF_8));
    }
}
