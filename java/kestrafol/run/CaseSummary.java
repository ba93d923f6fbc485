package kestrafol.run;

import java.io.IOException;
import java.nio.file.Path;
import java.util.ArrayList;
import java.util.Collections;
import java.util.LinkedHashMap;
import java.util.List;
import java.util.Map;
import kestrafol.base.InputFileException;
import kestrafol.base.Json;
import kestrafol.output.SummaryJson;

/**
 * summary.json of a case, the one class that writes it and reads it back: the run's answer and
 * verdict (its {@link CaseResult}), what the coefficients are, each element's forces, the coarse
 * levels of a sequenced run, and the settings, mesh quality and geometry that shaped the run.
 *
 * <p>The descriptive parts (settings, mesh quality, geometry) are ordered JSON objects, held as
 * JSON reads them (numbers as doubles), so that a summary read back equals the one written and
 * writes the same bytes. Non-finite numbers are written as null and read back as NaN.
 *
 * @param result the run's result; its message is not recorded (empty when read)
 * @param caseName what the case is, e.g. "naca0012"
 * @param elements each wall's cl, cd and cm, for a case of several walls (empty otherwise)
 * @param coefficientsAre how the coefficients were formed, e.g. "last iteration"
 * @param coarseLevels the levels a sequenced run solved before its mesh (empty otherwise)
 * @param settings the settings that shaped the run, in order
 * @param meshQuality the mesh's shape figures, in order
 * @param geometry what each airfoil file measured (empty without airfoil files)
 * @param cycles the meshes an adapted run solved, its own last (empty otherwise)
 */
public record CaseSummary(CaseResult result, String caseName, List<Element> elements,
        String coefficientsAre, List<Sequencing.Level> coarseLevels, Map<String, Object> settings,
        Map<String, Object> meshQuality, List<Object> geometry, List<Adapting.Cycle> cycles) {

    /** A summary of a run that did not adapt its mesh. */
    public CaseSummary(CaseResult result, String caseName, List<Element> elements,
            String coefficientsAre, List<Sequencing.Level> coarseLevels,
            Map<String, Object> settings, Map<String, Object> meshQuality, List<Object> geometry) {
        this(result, caseName, elements, coefficientsAre, coarseLevels, settings, meshQuality,
                geometry, List.of());
    }

    /** One wall's share of the forces, named by its boundary. */
    public record Element(String boundary, double cl, double cd, double cm) {}

    public CaseSummary {
        elements = List.copyOf(elements);
        coarseLevels = List.copyOf(coarseLevels);
        cycles = List.copyOf(cycles);
        settings = object(settings);
        meshQuality = object(meshQuality);
        geometry = array(geometry);
    }

    /** Whether the run was viscous, as its settings say. */
    public boolean viscous() {
        return Boolean.TRUE.equals(settings.get("viscous"));
    }

    /** The reference length of the coefficients, NaN when the settings give none. */
    public double referenceLength() {
        return settings.get("referenceLength") instanceof Double d ? d : Double.NaN;
    }

    /** The nodes of the run's mesh, 0 when the settings give none. */
    public int nodes() {
        return settings.get("nodes") instanceof Double d ? (int) Math.round(d) : 0;
    }

    /** Writes the summary, replacing the file. */
    public void write(Path file) throws IOException {
        SummaryJson.write(json(), file);
    }

    /** The summary as summary.json orders it. */
    Map<String, Object> json() {
        CaseResult r = result;
        ErrorBars bars = r.bars();
        Map<String, Object> m = new LinkedHashMap<>();
        m.put("run", r.runId());
        m.put("case", caseName);
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
            m.put("errorEstimate", bars.rule());
            m.put("errorBarsAsymptotic", bars.asymptotic());
        }
        if (!elements.isEmpty()) {
            m.put("elements", elements.stream().map(e -> entries("boundary", e.boundary(),
                    "cl", e.cl(), "cd", e.cd(), "cm", e.cm())).toList());
        }
        m.put("coefficientsAre", coefficientsAre);
        m.put("iterations", r.iterations());
        m.put("stoppedBy", r.stop().key());
        m.put("converged", r.converged());
        m.put("residualDrop", r.residualDrop());
        m.put("wallSeconds", r.seconds());
        if (!coarseLevels.isEmpty()) {
            m.put("coarseLevels", coarseLevels.stream().map(l -> entries("pointsAround",
                    l.pointsAround(), "nodes", l.nodes(), "iterations", l.iterations(),
                    "stoppedBy", l.stoppedBy(), "wallSeconds", l.seconds())).toList());
        }
        if (!cycles.isEmpty()) {
            m.put("cycles", cycles.stream().map(k -> entries("cycle", k.cycle(), "pointsAround",
                    k.pointsAround(), "nodes", k.nodes(), "iterations", k.iterations(),
                    "stoppedBy", k.stoppedBy(), "cl", k.cl(), "cd", k.cd(), "cm", k.cm(),
                    "estimate", k.estimate(), "wallSeconds", k.seconds())).toList());
        }
        m.put("warnings", r.warnings());
        m.put("settings", settings);
        m.put("meshQuality", meshQuality);
        if (!geometry.isEmpty()) {
            m.put("geometry", geometry);
        }
        return m;
    }

    /**
     * The summary a file holds.
     *
     * @throws InputFileException naming the file: unreadable, not JSON, or no case's summary
     *     (not an object, or without a known stop reason)
     */
    public static CaseSummary read(Path file) throws InputFileException {
        try {
            return of(Json.read(file));
        } catch (IllegalArgumentException | ClassCastException e) {
            throw new InputFileException(file, 0, "not a case's summary: " + e.getMessage());
        }
    }

    /**
     * The summary of a JSON value as {@link Json} reads it.
     *
     * @throws IllegalArgumentException for a value that is no case's summary
     */
    static CaseSummary of(Object json) {
        if (!(json instanceof Map<?, ?> s)) {
            throw new IllegalArgumentException("expected a JSON object");
        }
        List<String> warnings = new ArrayList<>();
        for (Object o : list(s.get("warnings"))) {
            warnings.add(String.valueOf(o));
        }
        CaseResult result = new CaseResult(number(s, "cl"), number(s, "cd"),
                number(s, "cdPressure"), number(s, "cdFriction"), number(s, "cm"),
                (int) number(s, "iterations"), StopReason.parse(String.valueOf(s.get("stoppedBy"))),
                number(s, "residualDrop"), number(s, "wallSeconds"),
                Boolean.TRUE.equals(s.get("converged")), warnings,
                s.get("run") instanceof String id ? id : "", "", bars(s));
        List<Element> elements = new ArrayList<>();
        for (Object o : list(s.get("elements"))) {
            Map<?, ?> e = (Map<?, ?>) o;
            elements.add(new Element(String.valueOf(e.get("boundary")), number(e, "cl"),
                    number(e, "cd"), number(e, "cm")));
        }
        List<Sequencing.Level> levels = new ArrayList<>();
        for (Object o : list(s.get("coarseLevels"))) {
            Map<?, ?> l = (Map<?, ?>) o;
            levels.add(new Sequencing.Level((int) number(l, "pointsAround"),
                    (int) number(l, "nodes"), (int) number(l, "iterations"),
                    String.valueOf(l.get("stoppedBy")), number(l, "wallSeconds")));
        }
        List<Adapting.Cycle> cycles = new ArrayList<>();
        for (Object o : list(s.get("cycles"))) {
            Map<?, ?> k = (Map<?, ?>) o;
            cycles.add(new Adapting.Cycle((int) number(k, "cycle"), (int) number(k, "pointsAround"),
                    (int) number(k, "nodes"), (int) number(k, "iterations"),
                    String.valueOf(k.get("stoppedBy")), number(k, "cl"), number(k, "cd"),
                    number(k, "cm"), number(k, "estimate"), number(k, "wallSeconds")));
        }
        return new CaseSummary(result, s.get("case") instanceof String c ? c : "", elements,
                s.get("coefficientsAre") instanceof String a ? a : "", levels,
                map(s.get("settings")), map(s.get("meshQuality")), list(s.get("geometry")),
                cycles);
    }

    /** The bars summary.json records (clError, ..., errorEstimate), or null for none. */
    private static ErrorBars bars(Map<?, ?> s) {
        if (!(s.get("clError") instanceof Number cl && s.get("cdError") instanceof Number cd
                && s.get("cmError") instanceof Number cm)) {
            return null;
        }
        return new ErrorBars(cl.doubleValue(), cd.doubleValue(), cm.doubleValue(),
                !Boolean.FALSE.equals(s.get("errorBarsAsymptotic")),
                s.get("errorEstimate") instanceof String r ? r : "", null);
    }

    private static double number(Map<?, ?> m, String key) {
        return m.get(key) instanceof Number n ? n.doubleValue() : Double.NaN;
    }

    private static List<Object> list(Object v) {
        return v instanceof List<?> l ? Collections.unmodifiableList(l) : List.of();
    }

    @SuppressWarnings("unchecked")
    private static Map<String, Object> map(Object v) {
        return v instanceof Map<?, ?> m ? (Map<String, Object>) m : Map.of();
    }

    private static Map<String, Object> entries(Object... keysAndValues) {
        Map<String, Object> m = new LinkedHashMap<>();
        for (int k = 0; k < keysAndValues.length; k += 2) {
            m.put((String) keysAndValues[k], keysAndValues[k + 1]);
        }
        return m;
    }

    /** A JSON object as JSON reads it: ordered, numbers as doubles, unmodifiable. */
    private static Map<String, Object> object(Map<?, ?> m) {
        Map<String, Object> copy = new LinkedHashMap<>();
        m.forEach((k, v) -> copy.put(String.valueOf(k), value(v)));
        return Collections.unmodifiableMap(copy);
    }

    private static List<Object> array(List<?> l) {
        List<Object> copy = new ArrayList<>();
        l.forEach(v -> copy.add(value(v)));
        return Collections.unmodifiableList(copy);
    }

    private static Object value(Object v) {
        if (v instanceof Number n) {
            return n.doubleValue();
        }
        if (v instanceof Map<?, ?> m) {
            return object(m);
        }
        return v instanceof List<?> l ? array(l) : v;
    }
}
