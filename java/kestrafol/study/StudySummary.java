package kestrafol.study;

import java.io.IOException;
import java.nio.file.Path;
import java.util.ArrayList;
import java.util.LinkedHashMap;
import java.util.List;
import java.util.Locale;
import java.util.Map;
import kestrafol.base.InputFileException;
import kestrafol.base.Json;
import kestrafol.base.Numbers;
import kestrafol.meshing.MeshGenerator;
import kestrafol.output.SummaryJson;
import kestrafol.run.StopReason;

/**
 * A study's summary.json, the one class that writes it and reads it back: the case, the ladder,
 * whether every level converged, per coefficient its finest value and estimate, the levels, the
 * warnings. A summary read back equals the one written and writes the same bytes; non-finite
 * numbers are written as null and read back as NaN.
 *
 * @param caseName what the case is
 * @param ratio the refinement ratio between levels
 * @param finestRule which level is the finest, in one line
 * @param spacingRule how h is formed, in one line
 * @param farField what the far field's distance means for the bands, in one line
 * @param converged whether every level converged
 * @param coefficients per coefficient of {@link Ladder#COEFFICIENTS}, in that order
 * @param levels the levels, finest first
 * @param warnings the study's warnings
 */
public record StudySummary(String caseName, double ratio, String finestRule, String spacingRule,
        String farField, boolean converged, Map<String, Coefficient> coefficients,
        List<Level> levels, List<String> warnings) {

    /**
     * One coefficient: its value on the finest level, its estimate (null when the study gave
     * none) and, for cl, how much an unbounded domain would add (NaN otherwise).
     */
    public record Coefficient(double finest, GridConvergence.Estimate estimate,
            double farFieldShare) {}

    /** One level: its row of study.csv and its folder. */
    public record Level(StudyCsv.Row row, String folder) {}

    public StudySummary {
        coefficients = java.util.Collections.unmodifiableMap(new LinkedHashMap<>(coefficients));
        levels = List.copyOf(levels);
        warnings = List.copyOf(warnings);
    }

    /** The summary of a finished study. */
    public static StudySummary of(String caseName, double ratio, List<Ladder.Outcome> outcomes,
            Map<String, GridConvergence.Estimate> estimates, List<String> warnings) {
        return of(caseName, ratio, outcomes, estimates, warnings, null);
    }

    /**
     * The summary of a finished study whose levels are placed by one adapted size field, the
     * adaptation in words (null for the built-in meshes).
     */
    public static StudySummary of(String caseName, double ratio, List<Ladder.Outcome> outcomes,
            Map<String, GridConvergence.Estimate> estimates, List<String> warnings,
            String adaptation) {
        boolean converged = !outcomes.isEmpty();
        for (Ladder.Outcome o : outcomes) {
            converged &= o.converged();
        }
        Map<String, Coefficient> coefficients = new LinkedHashMap<>();
        for (Map.Entry<String, GridConvergence.Estimate> e : estimates.entrySet()) {
            double finest = outcomes.get(0).coefficient(e.getKey());
            coefficients.put(e.getKey(), new Coefficient(finest, e.getValue(),
                    e.getValue() != null && e.getKey().equals("cl") ? Ladder.farFieldShare(finest)
                            : Double.NaN));
        }
        String finest = adaptation == null ? "the level of --resolution; each further level"
                + " is coarser by the ratio in points per direction" : "placed by the size field"
                + " of " + adaptation + "; each further level places fewer points by the same"
                + " size field, its nodes coarser by the ratio squared";
        return new StudySummary(caseName, ratio, finest,
                "h = sqrt(nodes of the finest level / nodes of the level)",
                String.format(Locale.ROOT, "Every level's far field lies %s chords away, so the"
                        + " bands hold the mesh error only; |CL| grows as 1/R with the domain, and"
                        + " an unbounded one would add at most %s |CL| / R (cl.farFieldShare)",
                        Numbers.format(MeshGenerator.DEFAULT_FAR_FIELD),
                        Numbers.format(Ladder.FAR_FIELD_LIFT)), converged, coefficients,
                outcomes.stream().map(o -> new Level(StudyCsv.Row.of(o),
                        o.level().folder().toString())).toList(), warnings);
    }

    /** The estimate of a coefficient, or null when the study gave none. */
    public GridConvergence.Estimate estimate(String name) {
        Coefficient c = coefficients.get(name);
        return c == null ? null : c.estimate();
    }

    /** Writes the summary, replacing the file. */
    public void write(Path file) throws IOException {
        Map<String, Object> m = new LinkedHashMap<>();
        m.put("case", caseName);
        m.put("levels", levels.size());
        m.put("ratio", ratio);
        m.put("finest", finestRule);
        m.put("spacing", spacingRule);
        m.put("farField", farField);
        m.put("converged", converged);
        coefficients.forEach((name, c) -> m.put(name, json(c)));
        List<Map<String, Object>> list = new ArrayList<>();
        for (Level level : levels) {
            StudyCsv.Row r = level.row();
            Map<String, Object> l = new LinkedHashMap<>();
            l.put("level", r.level());
            l.put("points", r.points());
            l.put("nodes", r.nodes());
            l.put("h", r.h());
            for (int k = 0; k < Ladder.COEFFICIENTS.size(); k++) {
                l.put(Ladder.COEFFICIENTS.get(k), r.values()[k]);
            }
            l.put("iterations", r.iterations() < 0 ? null : r.iterations());
            l.put("stoppedBy", r.stop().key());
            l.put("converged", r.converged());
            l.put("mesh", r.mesh());
            l.put("folder", level.folder());
            list.add(l);
        }
        m.put("perLevel", list);
        m.put("warnings", warnings);
        SummaryJson.write(m, file);
    }

    private static Map<String, Object> json(Coefficient c) {
        Map<String, Object> m = new LinkedHashMap<>();
        m.put("finest", c.finest());
        GridConvergence.Estimate g = c.estimate();
        if (g != null) {
            m.put(Double.isNaN(g.observedOrder()) ? "assumedOrder" : "observedOrder",
                    Double.isNaN(g.observedOrder()) ? g.order() : g.observedOrder());
            m.put("order", g.order());
            m.put("safetyFactor", g.safety());
            m.put("extrapolated", g.extrapolated());
            m.put("gci", g.gci());
            m.put("asymptotic", g.asymptotic());
            m.put("note", g.note());
            m.put("rule", g.rule());
            if (!Double.isNaN(c.farFieldShare())) {
                m.put("farFieldShare", c.farFieldShare());
            }
        }
        return m;
    }

    /**
     * The summary a study's summary.json holds.
     *
     * @throws InputFileException naming the file: unreadable, not JSON, or no study's summary
     */
    public static StudySummary read(Path file) throws InputFileException {
        try {
            Map<?, ?> s = (Map<?, ?>) Json.read(file);
            Map<String, Coefficient> coefficients = new LinkedHashMap<>();
            for (String name : Ladder.COEFFICIENTS) {
                if (s.get(name) instanceof Map<?, ?> c) {
                    coefficients.put(name, coefficient(c));
                }
            }
            List<Level> levels = new ArrayList<>();
            for (Object o : (List<?>) s.get("perLevel")) {
                Map<?, ?> l = (Map<?, ?>) o;
                levels.add(new Level(new StudyCsv.Row((int) number(l, "level"),
                        (int) number(l, "points"), (int) number(l, "nodes"), number(l, "h"),
                        Ladder.COEFFICIENTS.stream().mapToDouble(c -> number(l, c)).toArray(),
                        l.get("iterations") == null ? -1 : (int) number(l, "iterations"),
                        StopReason.parse(String.valueOf(l.get("stoppedBy"))),
                        Boolean.TRUE.equals(l.get("converged")), (String) l.get("mesh")),
                        (String) l.get("folder")));
            }
            List<String> warnings = new ArrayList<>();
            for (Object w : (List<?>) s.get("warnings")) {
                warnings.add(String.valueOf(w));
            }
            return new StudySummary((String) s.get("case"), number(s, "ratio"),
                    (String) s.get("finest"), (String) s.get("spacing"),
                    (String) s.get("farField"), Boolean.TRUE.equals(s.get("converged")),
                    coefficients, levels, warnings);
        } catch (ClassCastException | NullPointerException | IllegalArgumentException e) {
            throw new InputFileException(file, 0, "not a study's summary: " + e.getMessage());
        }
    }

    private static Coefficient coefficient(Map<?, ?> c) {
        GridConvergence.Estimate e = null;
        if (c.containsKey("order")) {
            e = new GridConvergence.Estimate(number(c, "observedOrder"), number(c, "order"),
                    number(c, "safetyFactor"), number(c, "extrapolated"), number(c, "gci"),
                    Boolean.TRUE.equals(c.get("asymptotic")), (String) c.get("note"));
        }
        return new Coefficient(number(c, "finest"), e, number(c, "farFieldShare"));
    }

    private static double number(Map<?, ?> m, String key) {
        return m.get(key) instanceof Number n ? n.doubleValue() : Double.NaN;
    }
}
