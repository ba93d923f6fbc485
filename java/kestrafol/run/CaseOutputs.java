package kestrafol.run;

import java.io.IOException;
import java.nio.file.AccessDeniedException;
import java.nio.file.DirectoryStream;
import java.nio.file.FileAlreadyExistsException;
import java.nio.file.FileSystemException;
import java.nio.file.Files;
import java.nio.file.NoSuchFileException;
import java.nio.file.Path;
import java.util.ArrayList;
import java.util.LinkedHashMap;
import java.util.List;
import java.util.Locale;
import java.util.Map;
import kestrafol.base.AtomicFiles;
import kestrafol.base.InputFileException;
import kestrafol.base.InputFiles;
import kestrafol.base.Numbers;
import kestrafol.base.OutputFile;
import kestrafol.geometry.AirfoilGeometry;
import kestrafol.meshing.AirfoilElement;
import kestrafol.meshing.MeshQuality;
import kestrafol.base.PropertiesFile;
import kestrafol.output.ConvergencePicture;
import kestrafol.output.CpPicture;
import kestrafol.solver.History;
import kestrafol.output.MachPicture;
import kestrafol.output.Pictures;
import kestrafol.output.SurfaceCsv;
import kestrafol.output.VtuWriter;
import kestrafol.solver.ConvergenceMonitor.Stop;
import kestrafol.solver.WallForces;
import kestrafol.solver.Flow;

/**
 * Every file a case writes into its folder: the names, the order, the writes (all through
 * {@link #write}), and the list of files the run reports. A diverged run writes only its history
 * and summary.
 *
 * <p>The folder never mixes two runs, and never holds a part of a file: before a run writes
 * anything it removes the result files a previous run left (summary.json first), and each file
 * is written to a temporary name, forced to the disk and renamed into place. summary.json comes
 * last and is the run's commit record: it carries the run id, which case.properties and
 * history.csv carry as well. A folder with a summary.json whose run id matches its
 * case.properties holds one complete run; a folder without one holds an incomplete run.
 */
public final class CaseOutputs {
    public static final String HISTORY = "history.csv";
    public static final String SUMMARY = "summary.json";
    public static final String SURFACE = "surface.csv";
    public static final String FLOW = "flow.vtu";
    public static final String MACH = "mach.png";
    public static final String CP = "cp.png";
    public static final String CONVERGENCE = "convergence.png";
    /** The effective options of the case, with the run id in a comment line. */
    public static final String CASE_FILE = "case.properties";
    /**
     * The run's checkpoint (written every so often and when the run stops, when the run takes
     * checkpoints): what "run --resume" continues from. Binary; see {@link Checkpoint}.
     */
    public static final String CHECKPOINT = "checkpoint.bin";
    /** The run's report page, written by the command after the run from the files above. */
    public static final String REPORT = "report.html";
    /** The comment line of case.properties that names the run id. */
    static final String RUN_ID_COMMENT = "run id: ";
    /** The pictures a run may write; removed from the folder of a run without pictures. */
    public static final List<String> PICTURES = List.of(MACH, CP, CONVERGENCE);

    /**
     * Every file a run may leave in its folder with what it holds, the list that "run --help"
     * prints; in the order a new run removes them, summary.json first.
     */
    public static final List<OutputFile> FILES = List.of(
            new OutputFile(SUMMARY, "the answer, the verdict and the settings; written last"),
            new OutputFile(HISTORY, "residual and coefficients per iteration"),
            new OutputFile(SURFACE, "x, y, Cp and Cf along the monitored walls"),
            new OutputFile(FLOW, "the flow field, VTK"),
            new OutputFile(MACH, "the Mach number around the body"),
            new OutputFile(CP, "the pressure coefficient along the walls"),
            new OutputFile(CONVERGENCE, "residual and coefficients against the iteration"),
            new OutputFile(CASE_FILE, "the effective options, for --config"),
            new OutputFile(REPORT, "the run on one page: verdict, coefficients, Cp and"
                    + " convergence charts, settings"),
            new OutputFile(CHECKPOINT, "what --resume continues from"));

    /** Every result file a run may leave, removed before a new run; summary.json first. */
    static final List<String> RESULTS = OutputFile.names(FILES);

    /** The files the report page links to: the data, where the page shows the pictures. */
    public static final List<String> LINKED = List.of(SUMMARY, HISTORY, SURFACE, FLOW,
            CASE_FILE);

    private final Path folder;
    private final boolean pictures;
    /** Comparison points for cp.png, or null. */
    private CpPicture.Points compareCp;
    private final String runId;
    private List<String> caseComments;
    private LinkedHashMap<String, String> caseEntries;

    CaseOutputs(Path folder, boolean pictures, String runId) {
        this.folder = folder;
        this.pictures = pictures;
        this.runId = runId;
    }

    String runId() {
        return runId;
    }

    /** The effective options to record in case.properties (written when the run starts). */
    void caseFile(List<String> comments, LinkedHashMap<String, String> entries) {
        this.caseComments = List.copyOf(comments);
        this.caseEntries = new LinkedHashMap<>(entries);
    }

    void compareCp(CpPicture.Points points) {
        compareCp = points;
    }

    /** The files of a run, in the order they are reported. */
    public static List<String> files(boolean diverged, boolean pictures) {
        List<String> files = new ArrayList<>(List.of(HISTORY, SUMMARY));
        if (!diverged) {
            files.addAll(List.of(SURFACE, FLOW));
            if (pictures) {
                files.addAll(PICTURES);
            }
        }
        return files;
    }

    List<String> files(boolean diverged) {
        return files(diverged, pictures);
    }

    Path folder() {
        return folder.toAbsolutePath().normalize();
    }

    /**
     * Creates the folder, checks that files can be written there, removes every result file and
     * temporary file an earlier run left (summary.json first, so that a kill during the removal
     * leaves a folder that reads as incomplete), and writes case.properties with the run id; says
     * which path is at fault and why. A resumed run keeps its checkpoint, so that a kill before
     * its next checkpoint still leaves one to resume from.
     */
    void prepare(boolean resumed) throws IOException {
        try {
            Files.createDirectories(folder);
            Path probe = Files.createTempFile(folder, ".kestrafol", ".tmp");
            Files.delete(probe);
            for (String name : RESULTS) {
                if (!(resumed && name.equals(CHECKPOINT))) {
                    Files.deleteIfExists(folder.resolve(name));
                }
            }
            try (DirectoryStream<Path> left = Files.newDirectoryStream(folder,
                    AtomicFiles.TEMPORARY_PREFIX + "*")) {
                for (Path p : left) {
                    Files.deleteIfExists(p);
                }
            }
        } catch (FileAlreadyExistsException e) {
            throw new IOException("output folder " + folder() + ": " + e.getFile()
                    + " exists and is not a folder", e);
        } catch (AccessDeniedException e) {
            throw new IOException("output folder " + folder() + ": no permission to write "
                    + e.getFile(), e);
        } catch (NoSuchFileException e) {
            throw new IOException("output folder " + folder() + ": " + e.getFile()
                    + " does not exist", e);
        } catch (FileSystemException e) {
            throw new IOException("output folder " + folder() + ": "
                    + (e.getReason() != null ? e.getReason() : e.getMessage()), e);
        }
        if (caseEntries != null) {
            List<String> comments = new ArrayList<>(caseComments);
            comments.add(RUN_ID_COMMENT + runId);
            write(CASE_FILE, file -> PropertiesFile.write(file, comments, caseEntries));
        }
    }

    /**
     * The files of the finished iterations, before the summary: the history always; the flow,
     * the surface and (unless switched off) the pictures when the run did not diverge.
     */
    void writeResults(CaseDefinition c, CaseSetup s, IterationLoop.Outcome loop, Stop stop)
            throws IOException {
        History history = loop.history();
        write(HISTORY, file -> history.writeCsv(file, runId));
        if (stop == Stop.DIVERGED) {
            return;
        }
        String title = String.format(Locale.ROOT, "%s, Mach %s, alpha %s deg", c.body().caseName(),
                Numbers.format(s.target().mach()), Numbers.format(s.target().alphaDegrees()));
        Flow flow = new Flow(loop.state(), s.target());
        write(FLOW, file -> VtuWriter.write(s.mesh(), flow, file));
        write(SURFACE, file -> SurfaceCsv.write(loop.wall().surface(), s.mesh().boundaryNames(),
                file));
        if (pictures) {
            synchronized (Pictures.DRAWING) {
                writePictures(c, s, loop, flow, title);
            }
        }
    }

    private void writePictures(CaseDefinition c, CaseSetup s, IterationLoop.Outcome loop,
            Flow flow, String title) throws IOException {
        double length = s.reference().length();
        double chord = c.chordKnown() ? length : Double.NaN;
        write(MACH, file -> MachPicture.write(s.mesh(), flow.field(Flow.Quantity.MACH),
                "Mach number, " + title, "Mach", 1.0, chord,
                c.meshing().adaptation().cycles() > 0, file));
        write(CP, file -> CpPicture.write(loop.wall().surface(), s.forces().closedWalls(),
                s.target().mach(), s.target().gamma(), length,
                c.body().meshFile() == null && c.body().circle() ? "x/D" : "x/c",
                "Pressure coefficient, " + title, compareCp, file));
        write(CONVERGENCE, file -> ConvergencePicture.write(loop.history(),
                "Convergence, " + title, loop.switchedAt(), file));
    }

    /** checkpoint.bin, replacing the previous one whole. */
    void writeCheckpoint(Checkpoint checkpoint) throws IOException {
        write(CHECKPOINT, checkpoint::write);
    }

    /** The checkpoint of the folder, checked for damage; null when the folder has none. */
    Checkpoint readCheckpoint() throws IOException {
        Path file = folder.resolve(CHECKPOINT);
        return Files.isRegularFile(file) ? Checkpoint.read(file) : null;
    }

    /** The run id case.properties names, or null for a folder without one. */
    public static String recordedRunId(Path folder) throws IOException {
        Path caseFile = folder.resolve(CASE_FILE);
        return Files.isRegularFile(caseFile) ? runId(caseFile) : null;
    }

    /** summary.json: the answer, how the run ended, and every setting that shaped it. */
    void writeSummary(CaseDefinition c, CaseSetup s, CaseResult r, Stop stop,
            List<Sequencing.Level> coarseLevels, List<Adapting.Cycle> cycles, String mesher,
            List<WallForces.WallShare> walls) throws IOException {
        CaseSummary summary = new CaseSummary(r, c.body().caseName(),
                walls.size() > 1 ? elements(walls, s.mesh().boundaryNames()) : List.of(),
                stop == Stop.CAUCHY ? "mean of the last " + c.answerWindow() + " iterations"
                        : "last iteration", coarseLevels, settings(c, s, mesher),
                quality(MeshQuality.of(s.mesh())), geometry(c.body().airfoils()), cycles);
        write(SUMMARY, summary::write);
    }

    /** The settings that shaped the run, for summary.json. */
    private static Map<String, Object> settings(CaseDefinition c, CaseSetup s, String mesher) {
        Map<String, Object> settings = new LinkedHashMap<>();
        Path meshFile = c.body().meshFile();
        settings.put("mesh", meshFile != null ? meshFile.toString() : c.body().caseName());
        if (mesher != null) {
            settings.put("mesher", mesher);
        }
        settings.put("nodes", s.mesh().nodeCount());
        settings.put("mach", s.target().mach());
        settings.put("alpha", s.target().alphaDegrees());
        settings.put("gamma", s.target().gamma());
        settings.put("viscous", s.target().viscous());
        settings.put("reynolds", c.flow().viscous() ? c.flow().reynolds() : null);
        settings.put("libraryReynolds", c.flow().viscous() ? s.libraryReynolds() : null);
        settings.put("unsteady", s.target().unsteady());
        settings.put("secondOrder", s.target().secondOrder());
        settings.put("reconstructionWeight", s.target().reconstructionWeight());
        settings.put("startupFirstOrder", s.startup());
        settings.put("orders", c.stopping().orders());
        settings.put("cauchyEps", c.stopping().cauchyEps());
        settings.put("cauchyWindow", c.stopping().cauchyWindow());
        settings.put("iterationCap", s.cap());
        settings.put("sequence", c.meshing().sequence());
        settings.put("adapt", c.meshing().adaptation().cycles());
        settings.put("maxNodes", c.meshing().adaptation().maxNodes() > 0
                ? c.meshing().adaptation().maxNodes() : null);
        settings.put("method", c.scheme().method().name());
        Map<String, Object> boundaries = new LinkedHashMap<>();
        for (int t = 0; t < s.monitored().length; t++) {
            boundaries.put(s.mesh().boundaryNames().get(t), s.mesh().boundaryKind(t + 1).label());
        }
        settings.put("boundaries", boundaries);
        settings.put("monitor", s.monitoredNames());
        settings.put("chordLine", c.chordLine());
        settings.put("referenceLength", s.reference().length());
        settings.put("referencePoint", List.of(s.reference().x(), s.reference().y()));
        return settings;
    }

    /**
     * Each wall's cl, cd and cm, over the same iterations as the totals (they add up to them),
     * named by its boundary.
     */
    private static List<CaseSummary.Element> elements(List<WallForces.WallShare> walls,
            List<String> boundaryNames) {
        return walls.stream().map(w -> new CaseSummary.Element(boundaryNames.get(w.tag() - 1),
                w.cl(), w.cd(), w.cm())).toList();
    }

    /** The mesh's shape figures for summary.json. */
    private static Map<String, Object> quality(MeshQuality q) {
        Map<String, Object> m = new LinkedHashMap<>();
        m.put("minAngle", q.minAngle());
        m.put("maxAngle", q.maxAngle());
        m.put("maxAspectRatio", q.maxAspectRatio());
        m.put("maxNeighbourRatio", q.maxNeighbourRatio());
        m.put("minFirstHeight", q.minFirstHeight());
        m.put("maxFirstHeight", q.maxFirstHeight());
        return m;
    }

    /**
     * What each airfoil file measured, for summary.json: chord, leading and trailing edge and
     * chord angle in the file's units and frame; thickness, camber and base in chords, their
     * positions in chords from the leading edge; a placed element's placement.
     */
    private static List<Object> geometry(List<AirfoilElement> elements) {
        List<Object> list = new ArrayList<>();
        for (AirfoilElement e : elements) {
            AirfoilGeometry g = e.airfoil().geometry();
            Map<String, Object> m = new LinkedHashMap<>();
            m.put("file", e.file().toString());
            m.put("chord", g.chord());
            m.put("leadingEdge", List.of(g.leadingEdgeX(), g.leadingEdgeY()));
            m.put("trailingEdge", List.of(g.trailingEdgeX(), g.trailingEdgeY()));
            m.put("chordAngle", g.chordAngleDegrees());
            m.put("maxThickness", g.maxThickness());
            m.put("maxThicknessAt", g.maxThicknessAt());
            m.put("maxCamber", g.maxCamber());
            m.put("maxCamberAt", g.maxCamberAt());
            m.put("baseThickness", g.baseThickness());
            AirfoilElement.Placement p = e.placement();
            if (p != null) {
                m.put("placement", List.of(p.x(), p.y(), p.deflection(), p.chord()));
            }
            list.add(m);
        }
        return list;
    }

    /**
     * The summary of the complete run in folder, when its run id equals the one case.properties
     * names; null for a folder without a complete run (no summary, no case file, an
     * unreadable, oversized, hostile (bounded in size and depth) or damaged summary, or files of
     * two runs).
     */
    public static CaseSummary completeSummary(Path folder) {
        Path summary = folder.resolve(SUMMARY);
        Path caseFile = folder.resolve(CASE_FILE);
        if (!Files.isRegularFile(summary) || !Files.isRegularFile(caseFile)) {
            return null;
        }
        try {
            String id = runId(caseFile);
            CaseSummary s = CaseSummary.read(summary);
            return id != null && id.equals(s.result().runId()) ? s : null;
        } catch (IOException e) {
            return null;
        }
    }

    /** The run id a case file records, or null. */
    private static String runId(Path caseFile) throws IOException {
        String id = null;
        for (String line : InputFiles.text(caseFile, PropertiesFile.MAX_BYTES, "case file", "")
                .split("\n")) {
            if (line.startsWith("# " + RUN_ID_COMMENT)) {
                id = line.substring(2 + RUN_ID_COMMENT.length()).strip();
            }
        }
        return id;
    }

    /**
     * Writes the case file of the run in folder (again) with the given comments and entries.
     * When the caller knows the folder's run ended ({@code ended}), with that run's id, so that
     * the folder holds one complete run: the id its case file records, or, for a run that
     * recorded none, its summary.json's. Otherwise no id (a stale summary of an earlier run
     * must not read as this one's): the folder reads as incomplete.
     */
    public static void rewriteCaseFile(Path folder, List<String> comments,
            LinkedHashMap<String, String> entries, boolean ended) throws IOException {
        Path file = folder.resolve(CASE_FILE);
        List<String> all = new ArrayList<>(comments);
        String id = ended && Files.isRegularFile(file) ? runId(file) : null;
        if (id == null && ended && Files.isRegularFile(folder.resolve(SUMMARY))) {
            try {
                String run = CaseSummary.read(folder.resolve(SUMMARY)).result().runId();
                id = run.isEmpty() ? null : run;
            } catch (InputFileException e) {
                id = null; // a damaged summary is no run's record: the folder reads incomplete
            }
        }
        if (id != null) {
            all.add(RUN_ID_COMMENT + id);
        }
        AtomicFiles.write(file, f -> PropertiesFile.write(f, all, entries));
    }

    /**
     * The result of the complete run in folder, as its summary.json records it; null for a
     * folder without a complete run (see {@link #completeSummary}).
     */
    public static CaseResult completeResult(Path folder) {
        CaseSummary s = completeSummary(folder);
        return s == null ? null : s.result();
    }

    /** The one place a file of the case is written: whole or not at all. */
    private void write(String name, AtomicFiles.Content content) throws IOException {
        AtomicFiles.write(folder.resolve(name), content);
    }
}
