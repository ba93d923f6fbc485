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

    @Test
    void fromJavaExampleCompilesAndRuns() throws Exception {
        String text = Files.readString(readme());
        int section = text.indexOf("### From Java");
        assertTrue(section >= 0, "no From Java section");
        int start = text.indexOf("```java\n", section) + "```java\n".length();
        int end = text.indexOf("```", start);
        String source = text.substring(start, end);
        assertTrue(source.contains("class Example"), source);
        Path file = dir.resolve("Example.java");
        Files.writeString(file, source);
        JavaCompiler javac = ToolProvider.getSystemJavaCompiler();
        ByteArrayOutputStream err = new ByteArrayOutputStream();
        int status = javac.run(null, null, err, "-d", dir.toString(), "-cp", ChildJvm.jar(),
                file.toString());
        assertEquals(0, status, err.toString(StandardCharsets.UTF_8));
        ChildJvm.Result run = ChildJvm.run(dir, List.of("-cp", ChildJvm.jar()
                + java.io.File.pathSeparator + dir, "Example", dir.resolve("flow.vtu").toString()));
        assertEquals(0, run.status, run.output);
        assertTrue(Files.size(dir.resolve("flow.vtu")) > 1000, run.output);
        String[] numbers = run.output.strip().split(" ");
        assertEquals(4, numbers.length, run.output);
        for (String n : numbers) {
            assertTrue(Double.isFinite(Double.parseDouble(n)), run.output);
        }
    }
}
