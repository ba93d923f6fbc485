package kestrafol.output;

import java.io.BufferedWriter;
import java.io.IOException;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;
import java.util.List;
import java.util.Locale;
import kestrafol.solver.WallForces;

/**
 * Writes surface.csv: one row per node of the monitored walls, in order along each wall
 * (marker, x, y, cp, cf, pressure; pressure non-dimensional, free stream 1/gamma).
 */
public final class SurfaceCsv {
    private SurfaceCsv() {
    }

    /**
     * @param points the wall nodes in order, as {@link WallForces.Result#surface()} lists them
     * @param markerNames names of the boundary tags (tag t at index t-1)
     */
    public static void write(List<WallForces.SurfacePoint> points, List<String> markerNames,
            Path file) throws IOException {
        try (BufferedWriter w = Files.newBufferedWriter(file, StandardCharsets.UTF_8)) {
            w.write("marker,x,y,cp,cf,pressure\n");
            for (WallForces.SurfacePoint p : points) {
                String name = markerNames.get(p.tag() - 1);
                w.write(String.format(Locale.ROOT, "%s,%.10g,%.10g,%.10g,%.10g,%.10g%n",
                        name.contains(",") || name.contains("\"")
                                ? '"' + name.replace("\"", "\"\"") + '"' : name,
                        p.x(), p.y(), p.cp(), p.cf(), p.pressure()));
            }
        }
    }
}
