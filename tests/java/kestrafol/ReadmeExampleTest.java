package kestrafol;

import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertTrue;

import java.io.ByteArrayOutputStream;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;
import java.nio.file.Paths;
import java.util.List;
import javax.tools.JavaCompiler;
import javax.tools.ToolProvider;
import org.junit.jupiter.api.Test;
import org.junit.jupiter.api.io.TempDir;

/** The README's "From Java" example compiles against the toolkit as written, and runs. */
class ReadmeExampleTest {
    @TempDir
    Path dir;

    /** The README of the source tree: from the property, or up from the working directory. */
    static Path readme() {
        String p = System.getProperty("kestrafol.readme");
        if (p != null) {
            return Paths.get(p);
        }
        for (Path d = Paths.get("").toAbsolutePath(); d != null; d = d.getParent()) {
            if (Files.isRegularFile(d.resolve("README.md")) && Files.isDirectory(d.resolve("java"))) {
                return d.resolve("README.md");
            }
        }
        throw new IllegalStateException("README.md not found");
    }

    /** Compiles the first Java block after the heading as the named class and runs it. */
    private ChildJvm.Result compileAndRun(String heading, String className, String... args)
            throws Exception {
        String text = Files.readString(readme());
        int section = text.indexOf(heading);
        assertTrue(section >= 0, "no section " + heading);
        int start = text.indexOf("```java\n", section) + "```java\n".length();
        int end = text.indexOf("```", start);
        String source = text.substring(start, end);
        assertTrue(source.contains("class " + className), source);
        Path file = dir.resolve(className + ".java");
        Files.writeString(file, source);
        JavaCompiler javac = ToolProvider.getSystemJavaCompiler();
        ByteArrayOutputStream err = new ByteArrayOutputStream();
        int status = javac.run(null, null, err, "-d", dir.toString(), "-cp", ChildJvm.jar(),
                file.toString());
        assertEquals(0, status, err.toString(StandardCharsets.UTF_8));
        List<String> command = new java.util.ArrayList<>(List.of("-cp", ChildJvm.jar()
                + java.io.File.pathSeparator + dir, className));
        command.addAll(List.of(args));
        ChildJvm.Result run = ChildJvm.run(dir, command);
        assertEquals(0, run.status, run.output);
        return run;
    }

    @Test
    void fromJavaExampleCompilesAndRuns() throws Exception {
        ChildJvm.Result run = compileAndRun("### From Java", "Example",
                dir.resolve("flow.vtu").toString());
        assertTrue(Files.size(dir.resolve("flow.vtu")) > 1000, run.output);
        String[] numbers = run.output.strip().split(" ");
        assertEquals(4, numbers.length, run.output);
        for (String n : numbers) {
            assertTrue(Double.isFinite(Double.parseDouble(n)), run.output);
        }
    }

    /** The transfer example prints what the README says it prints. */
    @Test
    void transferExamplePrintsWhatTheReadmeSays() throws Exception {
        ChildJvm.Result run = compileAndRun("#### Carrying a flow field", "Transfer");
        String text = Files.readString(readme()).replaceAll("\\s+", " ");
        assertTrue(text.contains("It prints `" + run.output.strip() + "`"), run.output);
    }
}
