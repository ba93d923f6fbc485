package kestrafol.run;

import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertThrows;
import static org.junit.jupiter.api.Assertions.assertTrue;

import java.io.ByteArrayOutputStream;
import java.io.IOException;
import java.io.PrintStream;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;
import java.util.LinkedHashMap;
import java.util.List;
import java.util.Map;
import kestrafol.base.InputFileException;
import kestrafol.base.OutputFile;
import kestrafol.cli.Main;
import kestrafol.output.SurfaceCsv;
import kestrafol.polar.PolarOutputs;
import kestrafol.solver.History;
import kestrafol.study.GridConvergence;
import kestrafol.study.Ladder;
import kestrafol.study.StudyCsv;
import kestrafol.study.StudyOutputs;
import kestrafol.study.StudySummary;
import org.junit.jupiter.api.BeforeAll;
import org.junit.jupiter.api.Test;
import org.junit.jupiter.api.io.TempDir;

/**
 * The case and study files, each written and read back by its one class: the files of a real
 * run read and written again give the same bytes (a reader that drifts from its writer fails here), a record
 * written reads back equal, a damaged row is refused with its line; and the help of each command
 * lists every file its folder's owner declares.
 */
class CaseFilesTest {
    @TempDir
    static Path dir;
    private static Path run;

    /** Rewrites a file through its class: read it, write what was read. */
    interface Rewrite {
        void apply(Path from, Path to) throws IOException;
    }

    @BeforeAll
    static void realRun() {
        run = dir.resolve("run");
        // Settles on the coefficients, but the verdict refuses it: exit 4.
        assertEquals(4, main("run", "--resolution", "16", "--cauchy", "0.5/5",
                "--startup-first-order", "0", "--out", run.toString()).status);
    }

    @Test
    void filesOfARunReadBackToTheSameBytes() throws IOException {
        String id = CaseSummary.read(run.resolve(CaseOutputs.SUMMARY)).result().runId();
        Map<String, Rewrite> formats = new LinkedHashMap<>();
        formats.put(CaseOutputs.HISTORY, (from, to) -> History.read(from).writeCsv(to, id));
        formats.put(CaseOutputs.SURFACE, (from, to) -> SurfaceCsv.write(SurfaceCsv.read(from),
                to));
        formats.put(CaseOutputs.SUMMARY, (from, to) -> CaseSummary.read(from).write(to));
        for (Map.Entry<String, Rewrite> f : formats.entrySet()) {
            Path again = dir.resolve("again-" + f.getKey());
            f.getValue().apply(run.resolve(f.getKey()), again);
            assertEquals(-1, Files.mismatch(run.resolve(f.getKey()), again), f.getKey());
        }
        CaseSummary s = CaseSummary.read(run.resolve(CaseOutputs.SUMMARY));
        assertEquals(StopReason.CAUCHY, s.result().stop());
        assertTrue(!s.result().converged() && s.nodes() > 0 && !s.viscous(), s.toString());
        // The report page links the data files the folder owner names.
        String page = Files.readString(run.resolve(CaseOutputs.REPORT));
        for (String f : CaseOutputs.LINKED) {
            assertTrue(page.contains("<a href=\"" + f + "\">"), f);
        }
    }

    @Test
    void recordsReadBackEqual() throws IOException {
        ErrorBars bars = new ErrorBars(0.012, 0.0004, 0.003, false, "two meshes", null);
        CaseResult result = new CaseResult(0.25, 0.0125, 0.01, 0.0025, -0.0625, 1200,
                StopReason.CAUCHY, 2.5, 12.75, true, List.of("a, \"quoted\" warning"), "id-1",
                "", bars);
        CaseSummary summary = new CaseSummary(result, "naca0012", List.of(
                new CaseSummary.Element("main", 0.5, 0.01, -0.1),
                new CaseSummary.Element("flap", -0.25, 0.0025, 0.05)), "last iteration",
                List.of(new Sequencing.Level(48, 800, 300, "cauchy", 1.5)),
                Map.of("nodes", 3168, "viscous", true, "referencePoint", List.of(0.25, 0.0)),
                Map.of("minAngle", 20.5), List.of(Map.of("chord", 1)));
        Path file = dir.resolve("summary.json");
        summary.write(file);
        assertEquals(summary, CaseSummary.read(file));
        assertEquals(3168, summary.nodes());

        History h = new History();
        h.add(1, 1.0, 0.125, 0.0375, -0.5, 0.03, 0.0075, 0.5);
        h.add(2, 2.5e-7, -1.5e-3, 1e-12, 3.25, 0, 0, 12.25);
        h.writeCsv(dir.resolve("history.csv"));
        History back = History.read(dir.resolve("history.csv"));
        assertEquals(h.size(), back.size());
        for (int k = 0; k < h.size(); k++) {
            assertEquals(List.of(h.iteration(k), h.residual(k), h.lift(k), h.drag(k),
                    h.moment(k), h.dragPressure(k), h.dragFriction(k), h.seconds(k)),
                    List.of(back.iteration(k), back.residual(k), back.lift(k), back.drag(k),
                            back.moment(k), back.dragPressure(k), back.dragFriction(k),
                            back.seconds(k)));
        }

        List<SurfaceCsv.Row> surface = List.of(new SurfaceCsv.Row("flap, \"aft\"", 1.25, -0.5,
                -1.125, 0.0025, 0.71875), new SurfaceCsv.Row("main", 0, 0, 1, 0, 0.8125));
        SurfaceCsv.write(surface, dir.resolve("surface.csv"));
        assertEquals(surface, SurfaceCsv.read(dir.resolve("surface.csv")));

        Ladder.Level fine = new Ladder.Level(1, 158, null, dir.resolve("level1"));
        Ladder.Level coarse = new Ladder.Level(2, 112, null, dir.resolve("level2"));
        List<Ladder.Outcome> outcomes = List.of(new Ladder.Outcome(fine, 6400, 1, result),
                Ladder.Outcome.failed(coarse, "no mesh"));
        StudyOutputs.writeCsv(outcomes, dir.resolve("study.csv"));
        assertEquals(outcomes.stream().map(StudyCsv.Row::of).toList(),
                StudyCsv.read(dir.resolve("study.csv")));
        Map<String, GridConvergence.Estimate> estimates = new LinkedHashMap<>();
        estimates.put("cl", new GridConvergence.Estimate(1.75, 1.75, 1.25, 0.26, 0.004, true,
                null));
        estimates.put("cd", new GridConvergence.Estimate(Double.NaN, 2, 2.5, 0.0125, 0.001,
                false, "two levels"));
        estimates.put("cm", null);
        StudySummary study = StudySummary.of("naca0012", 1.25, outcomes, estimates,
                List.of("a level failed"));
        study.write(dir.resolve("study.json"));
        assertEquals(study, StudySummary.read(dir.resolve("study.json")));
        StudySummary.read(dir.resolve("study.json")).write(dir.resolve("again.json"));
        assertEquals(-1, Files.mismatch(dir.resolve("study.json"), dir.resolve("again.json")));
    }

    @Test
    void aDamagedRowIsRefusedWithItsLine() throws IOException {
        // A short row, a word for a number, an unknown stop reason.
        Object[][] damaged = {
            {"# run x\n" + "iteration,residual,cl,cd,cm,cdPressure,cdFriction,seconds\n"
                + "1,1,0.3,0.02,0,0,0\n", 3, (Rewrite) (f, t) -> History.read(f)},
            {"marker,x,y,cp,cf,pressure\nmain,2,0,oops,0,1\n", 2,
                (Rewrite) (f, t) -> SurfaceCsv.read(f)},
            {"level,points,nodes,h,cl,cd,cm,iterations,stoppedBy,converged,mesh\n"
                + "1,158,6400,1,0.3,0.01,0,100,settled,true,adapted\n", 2,
                (Rewrite) (f, t) -> StudyCsv.read(f)},
        };
        for (Object[] d : damaged) {
            Path file = Files.writeString(dir.resolve("damaged.csv"), (String) d[0]);
            InputFileException e = assertThrows(InputFileException.class,
                    () -> ((Rewrite) d[2]).apply(file, null));
            assertEquals(d[1], e.line(), e.getMessage());
        }
    }

    @Test
    void helpAndReadmeListEveryFileOfTheFolderOwner() throws IOException {
        Map<String, List<OutputFile>> owners = Map.of("run", CaseOutputs.FILES, "polar",
                PolarOutputs.FILES, "study", StudyOutputs.FILES);
        String readme = Files.readString(Path.of(System.getProperty("kestrafol.readme",
                "README.md")));
        for (Map.Entry<String, List<OutputFile>> o : owners.entrySet()) {
            String help = main(o.getKey(), "--help").out.replaceAll("\\s+", " ");
            for (OutputFile f : o.getValue()) {
                assertTrue(help.contains(f.name() + " (" + f.holds() + ")"), o.getKey() + ": "
                        + f.name() + " in " + help);
                assertTrue(readme.contains("`" + f.name() + "`"), f.name() + " in README");
            }
        }
    }

    private record Out(int status, String out) {}

    private static Out main(String... args) {
        ByteArrayOutputStream out = new ByteArrayOutputStream();
        int status = Main.run(args, new PrintStream(out, true, StandardCharsets.UTF_8),
                new PrintStream(new ByteArrayOutputStream(), true, StandardCharsets.UTF_8),
                false);
        return new Out(status, out.toString(StandardCharsets.UTF_8));
    }
}
