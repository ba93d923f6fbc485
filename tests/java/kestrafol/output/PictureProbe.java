package kestrafol.output;

import java.nio.file.Path;
import java.nio.file.Paths;
import kestrafol.mesh.Mesh;
import kestrafol.meshing.MeshGenerator;
import kestrafol.TestMeshes;
import kestrafol.solver.WallForces;
import kestrafol.solver.BoundaryConditions;
import kestrafol.solver.Flow;
import kestrafol.solver.History;
import kestrafol.solver.Settings;

/** Run in a separate JVM by PicturesTest: draws the pictures of a synthetic flow into a folder. */
public final class PictureProbe {
    private PictureProbe() {}

    /** A flow around the body that varies smoothly: faster above, slower below. */
    static Flow syntheticFlow(Mesh mesh, Settings s) {
        return new Flow(syntheticState(mesh, s), s);
    }

    static double[] syntheticState(Mesh mesh, Settings s) {
        double[] state = Flow.freeStream(mesh.nodeCount(), s);
        for (int i = 0; i < mesh.nodeCount(); i++) {
            double r = Math.hypot(mesh.x(i) - 0.5, mesh.y(i));
            double speed = s.mach() * (1 + 0.6 * Math.exp(-r * r) * Math.signum(mesh.y(i)));
            double p = 1 / s.gamma() * (1 - 0.3 * Math.exp(-r * r) * Math.signum(mesh.y(i)));
            state[4 * i + 1] = speed;
            state[4 * i + 2] = 0;
            state[4 * i + 3] = p / (s.gamma() - 1) + 0.5 * speed * speed;
        }
        return state;
    }

    public static void main(String[] args) throws Exception {
        Path dir = Paths.get(args[0]);
        Settings s = Settings.defaults();
        Mesh naca = MeshGenerator.naca("0012", MeshGenerator.Options.resolution(48));
        Flow flow = syntheticFlow(naca, s);
        MachPicture.write(naca, flow.field(Flow.Quantity.MACH), "Mach number", "Mach", 1.0,
                dir.resolve("mach.png"));
        Mesh square = BoundaryConditions.defaults(false).with("wall=farfield").apply(TestMeshes.square());
        MachPicture.write(square, new double[square.nodeCount()], "flat", "Mach", Double.NaN,
                dir.resolve("flat.png"));
        Mesh cambered = MeshGenerator.naca("2412", MeshGenerator.Options.resolution(64));
        WallForces forces = new WallForces(cambered, new boolean[] {true, false},
                new WallForces.Reference(0.25, 0, 1));
        WallForces.Result r = forces.compute(syntheticState(cambered, s),
                new WallForces.Conditions(s.mach(), s.alphaDegrees(), s.gamma(), false, 1));
        CpPicture.write(r.surface(), forces.closedWalls(), s.mach(), s.gamma(), 1, "Cp",
                dir.resolve("cp.png"));
        History h = new History();
        for (int it = 1; it <= 300; it++) {
            h.add(it, Math.pow(10, -it / 60.0), 0.3 * (1 - Math.exp(-it / 50.0)),
                    0.02 + 0.01 * Math.exp(-it / 40.0), -0.05, 0.015, 0.005 + 1e-5 * it,
                    it * 0.01);
        }
        ConvergencePicture.write(h, "Convergence", 50, dir.resolve("convergence.png"));
        h.writeCsv(dir.resolve("history.csv"));
        System.out.println("pictures written");
    }
}
