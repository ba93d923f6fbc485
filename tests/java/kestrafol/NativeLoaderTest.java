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
        assertTrue(result[1].contains("\nsource jar:/linux/x86_64/libKestrafol.so"), result[1]);
        assertTrue(result[1].contains("flow source jar:/linux/x86_64/libKestrafolFlow.so"),
                result[1]);
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

    @Test
    void withoutAPackedCopyTheLibraryPathIsUsed() throws Exception {
        // The test runner names the freshly built library; a copy of the JAR without the packed
        // library must then find it through java.library.path.
        String built = System.getProperty(NativeLoader.PATH_PROPERTY);
        org.junit.jupiter.api.Assumptions.assumeTrue(built != null, "run by ctest, which names the library");
        Path jar = tmp.resolve("bare.jar");
        try (java.util.zip.ZipInputStream in = new java.util.zip.ZipInputStream(
                Files.newInputStream(Path.of(ChildJvm.jar())));
                java.util.zip.ZipOutputStream out = new java.util.zip.ZipOutputStream(
                        Files.newOutputStream(jar))) {
            for (java.util.zip.ZipEntry e; (e = in.getNextEntry()) != null;) {
                if (!e.getName().startsWith("linux/")) {
                    out.putNextEntry(new java.util.zip.ZipEntry(e.getName()));
                    in.transferTo(out);
                    out.closeEntry();
                }
            }
        }
        Path work = Files.createDirectory(tmp.resolve("work"));
        ChildJvm.Result r = ChildJvm.run(work, List.of(
                "-Djava.library.path=" + Path.of(built).getParent(), "-cp",
                jar + java.io.File.pathSeparator + ChildJvm.location(NativeLoaderProbe.class),
                "kestrafol.NativeLoaderProbe"));
        assertEquals(0, r.status, r.output);
        assertTrue(r.output.contains("\nsource java.library.path")
                && r.output.contains("flow source java.library.path"), r.output);

        ChildJvm.Result none = ChildJvm.run(work, List.of("-Djava.library.path=" + work, "-cp",
                jar + java.io.File.pathSeparator + ChildJvm.location(NativeLoaderProbe.class),
                "kestrafol.NativeLoaderProbe"));
        assertEquals(1, none.status, none.output);
        assertTrue(none.output.contains("is not in the JAR") && none.output.contains(NativeLoader.PATH_PROPERTY),
                none.output);
    }
}
