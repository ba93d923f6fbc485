package kestrafol;

import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertTrue;

import java.nio.file.Files;
import java.nio.file.Path;
import java.util.ArrayList;
import java.util.List;
import java.util.stream.Stream;
import org.junit.jupiter.api.Test;
import org.junit.jupiter.api.io.TempDir;

/** Loads the library in fresh JVMs that have only the class path (the JAR carries the library). */
class NativeLoaderTest {
    @TempDir
    Path tmp;

    private static String[] probe(Path tmpDir, String... properties) throws Exception {
        List<String> arguments = new ArrayList<>();
        arguments.add("-Djava.library.path=" + tmpDir);
        arguments.addAll(List.of(properties));
        arguments.addAll(List.of("-cp", ChildJvm.classPath(), "kestrafol.NativeLoaderProbe"));
        ChildJvm.Result r = ChildJvm.run(tmpDir, arguments);
        return new String[] {String.valueOf(r.status), r.output};
    }

    @Test
    void theJarCarriesTheLibraryAndTheExtractedCopyIsRemoved() throws Exception {
        assertTrue(ChildJvm.jar().endsWith("kestrafol.jar"), ChildJvm.jar());
        String[] result = probe(tmp);
        assertEquals("0", result[0], result[1]);
        assertTrue(result[1].contains("finite true"), result[1]);
        assertTrue(result[1].contains("source jar:/linux/x86_64/libKestrafol.so"), result[1]);
        try (Stream<Path> left = Files.list(tmp)) {
            assertEquals(0, left.count(), "the extracted library and its folder are deleted");
        }
    }

    @Test
    void anExplicitPathWinsAndAWrongOneSaysSo() throws Exception {
        String[] wrong = probe(tmp, "-Dkestrafol.library.path=" + tmp.resolve("nowhere.so"));
        assertEquals("1", wrong[0], wrong[1]);
        assertTrue(wrong[1].contains("nowhere.so"), wrong[1]);
    }
}
