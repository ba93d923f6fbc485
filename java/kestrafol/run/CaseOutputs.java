package kestrafol.run;

import java.io.IOException;
import java.nio.file.AccessDeniedException;
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
import kestrafol.base.Numbers;
import kestrafol.output.ConvergencePicture;
import kestrafol.output.CpPicture;
import kestrafol.output.History;
import kestrafol.output.MachPicture;
import kestrafol.output.SummaryJson;
import kestrafol.output.SurfaceCsv;
import kestrafol.output.VtuWriter;
import kestrafol.solver.ConvergenceMonitor.Stop;
import kestrafol.solver.Flow;

/**
 * Every file a case writes into its folder: the names, the order, the writes (all through
 * {@link #write}), the removal of old pictures from a folder of a run without pictures, and the
 * list of files the run reports. A diverged run writes only its history and summary.
 */
public final class CaseOutputs {
    public static final String HISTORY = "history.csv";
    public static final String SUMMARY = "summary.json";
    public static final String SURFACE = "surface.csv";
    public static final String FLOW = "flow.vtu";
    public static final String MACH = "mach.png";
    public static final String CP = "cp.png";
    public static final String CONVERGENCE = "convergence.png";
    /** The pictures a run may write; removed from the folder of a run without pictures. */
    public static final List<String> PICTURES = List.of(MACH, CP, CONVERGENCE);

    private final Path folder;
    private final boolean pictures;

    /** One file's content, written to the path it is given. */
    @FunctionalInterface
    private interface Content {
        void writeTo(Path file) throws IOException;
    }

    CaseOutputs(Path folder, boolean pictures) {
        this.folder = folder;
        this.pictures = pictures;
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
     * Creates the folder, checks that files can be written there, and removes the pictures of an
     * earlier run when this one writes none; says which path is at fault and why.
     */
    void prepare() throws IOException {
        try {
            Files.createDirectories(folder);
            Path probe = Files.createTempFile(folder, ".kestrafol", ".tmp");
            Files.delete(probe);
            if (!pictures) {
                for (String name : PICTURES) {
                    Files.deleteIfExists(folder.resolve(name));
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
    }

    /**
     * The files of the finished iterations, before the summary: the history always; the flow,
     * the surface and (unless switched off) the pictures when the run did not diverge.
     */
    void writeResults(CaseDefinition c, CaseSetup s, IterationLoop.Outcome loop, Stop stop)
            throws IOException {
        History history = loop.history();
        write(HISTORY, history::writeCsv);
        if (stop == Stop.DIVERGED) {
            return;
        }
        String title = String.format(Locale.ROOT, "%s, Mach %s, alpha %s deg", c.caseName(),
                Numbers.format(s.target().mach()), Numbers.format(s.target().alphaDegrees()));
        Flow flow = new Flow(loop.state(), s.target());
        write(FLOW, file -> VtuWriter.write(s.mesh(), flow, file));
        write(SURFACE, file -> SurfaceCsv.write(loop.wall().surface(), s.mesh().boundaryNames(),
                file));
        if (pictures) {
            double length = s.reference().length();
            double chord = c.chordKnown() ? length : Double.NaN;
            write(MACH, file -> MachPicture.write(s.mesh(), flow.field(Flow.Quantity.MACH),
                    "Mach number, " + title, "Mach", 1.0, chord, file));
            write(CP, file -> CpPicture.write(loop.wall().surface(), s.forces().closedWalls(),
                    s.target().mach(), s.target().gamma(), length,
                    c.meshFile() == null && c.circle() ? "x/D" : "x/c",
                    "Pressure coefficient, " + title, null, file));
            write(CONVERGENCE, file -> ConvergencePicture.write(history, "Convergence, " + title,
                    loop.switchedAt(), file));
        }
    }

    /** summary.json: the answer, how the run ended, and every setting that shaped it. */
    void writeSummary(CaseDefinition c, CaseSetup s, Run.Result r, Stop stop, ErrorBars bars)
            throws IOException {
        Map<String, Object> m = new LinkedHashMap<>();
        m.put("case", c.caseName());
        m.put("cl", r.cl());
        if (bars != null) {
            m.put("clError", bars.clError());
        }
        m.put("cd", r.cd());
        if (bars != null) {
            m.put("cdError", bars.cdError());
        }
        m.put("cdPressure", r.cdPressure());
        m.put("cdFriction", r.cdFriction());
        m.put("cm", r.cm());
        if (bars != null) {
            m.put("cmError", bars.cmError());
            m.put("errorEstimate", String.format(Locale.ROOT, "grid convergence index of two"
                    + " meshes (safety factor 3), this one and a coarser one of %d points around"
                    + " the body (%d nodes), with an assumed order of %s", bars.coarsePoints(),
                    bars.coarseNodes(), Numbers.format(bars.assumedOrder())));
        }
        m.put("coefficientsAre", stop == Stop.CAUCHY
                ? "mean of the last " + c.cauchyWindow() + " iterations" : "last iteration");
        m.put("iterations", r.iterations());
        m.put("stoppedBy", r.stoppedBy());
        m.put("converged", r.converged());
        m.put("residualDrop", r.residualDrop());
        m.put("wallSeconds", r.wallSeconds());
        m.put("warnings", r.warnings());
        Map<String, Object> settings = new LinkedHashMap<>();
        settings.put("mesh", c.meshFile() != null ? c.meshFile().toString() : c.caseName());
        settings.put("nodes", s.mesh().nodeCount());
        settings.put("mach", s.target().mach());
        settings.put("alpha", s.target().alphaDegrees());
        settings.put("gamma", s.target().gamma());
        settings.put("viscous", s.target().viscous());
        settings.put("reynolds", c.viscous() ? c.reynolds() : null);
        settings.put("libraryReynolds", c.viscous() ? r.libraryReynolds() : null);
        settings.put("unsteady", s.target().unsteady());
        settings.put("secondOrder", s.target().secondOrder());
        settings.put("reconstructionWeight", s.target().reconstructionWeight());
        settings.put("startupFirstOrder", s.startup());
        settings.put("orders", c.orders());
        settings.put("cauchyEps", c.cauchyEps());
        settings.put("cauchyWindow", c.cauchyWindow());
        settings.put("iterationCap", s.cap());
        Map<String, Object> boundaries = new LinkedHashMap<>();
        for (int t = 0; t < s.monitored().length; t++) {
            boundaries.put(s.mesh().boundaryNames().get(t), s.mesh().boundaryKind(t + 1).label());
        }
        settings.put("boundaries", boundaries);
        settings.put("monitor", s.monitoredNames());
        settings.put("referenceLength", s.reference().length());
        settings.put("referencePoint", List.of(s.reference().x(), s.reference().y()));
        m.put("settings", settings);
        write(SUMMARY, file -> SummaryJson.write(m, file));
    }

    /** The one place a file of the case is written. */
    private void write(String name, Content content) throws IOException {
        content.writeTo(folder.resolve(name));
    }
}
