package kestrafol.output;

import static org.junit.jupiter.api.Assertions.assertArrayEquals;
import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertTrue;

import java.awt.image.BufferedImage;
import java.io.IOException;
import java.nio.file.Files;
import java.nio.file.Path;
import java.util.HashSet;
import java.util.List;
import java.util.Set;
import javax.imageio.ImageIO;
import kestrafol.ChildJvm;
import kestrafol.mesh.Mesh;
import kestrafol.meshing.MeshGenerator;
import kestrafol.TestMeshes;
import org.junit.jupiter.api.BeforeAll;
import org.junit.jupiter.api.Test;
import org.junit.jupiter.api.io.TempDir;

/** The pictures are drawn in a child JVM (see ChildJvm) and checked here. */
class PicturesTest {
    @TempDir
    static Path dir;

    @BeforeAll
    static void drawThePictures() throws Exception {
        ChildJvm.Result r = ChildJvm.run(dir, List.of("-cp", ChildJvm.classPath(),
                PictureProbe.class.getName(), dir.toString()));
        assertEquals(0, r.status, r.output);
    }

    /** Distinct colours, and the share of pixels that are not white. */
    private static double[] look(Path file, int width, int height) throws IOException {
        BufferedImage image = ImageIO.read(file.toFile());
        assertEquals(width, image.getWidth());
        assertEquals(height, image.getHeight());
        Set<Integer> colours = new HashSet<>();
        int coloured = 0;
        for (int y = 0; y < image.getHeight(); y++) {
            for (int x = 0; x < image.getWidth(); x++) {
                int rgb = image.getRGB(x, y) & 0xffffff;
                colours.add(rgb);
                if (rgb != 0xffffff) {
                    coloured++;
                }
            }
        }
        return new double[] {colours.size(), (double) coloured / (image.getWidth() * image.getHeight())};
    }

    @Test
    void machContoursFillThePlotWithBandsAndABar() throws IOException {
        Path file = dir.resolve("mach.png");
        double[] look = look(file, 1400, 800);
        assertTrue(look[0] >= 20, "colours " + look[0]);
        assertTrue(look[1] > 0.6, "coloured share " + look[1]);
        // Above and below the airfoil the synthetic flow differs: not one flat colour.
        BufferedImage image = ImageIO.read(file.toFile());
        assertTrue(image.getRGB(300, 200) != image.getRGB(300, 600));
    }

    @Test
    void uniformFieldsAndMeshesWithoutWallsStillGiveAPicture() throws IOException {
        assertTrue(look(dir.resolve("flat.png"), 1400, 800)[1] > 0.3);
    }

    @Test
    void cpPlotHasBothSurfaces() throws IOException {
        double[] look = look(dir.resolve("cp.png"), 1000, 700);
        assertTrue(look[0] > 10 && look[1] > 0.02 && look[1] < 0.9, look[0] + " " + look[1]);
        Mesh mesh = MeshGenerator.naca("2412", MeshGenerator.Options.resolution(64));
        List<int[]> loops = Pictures.wallLoops(mesh);
        assertEquals(1, loops.size());
        assertEquals(64, loops.get(0).length);
    }

    @Test
    void convergencePlotAndHistory() throws IOException {
        double[] look = look(dir.resolve("convergence.png"), 1000, 800);
        assertTrue(look[0] > 10 && look[1] > 0.02, look[0] + " " + look[1]);
        List<String> lines = Files.readAllLines(dir.resolve("history.csv"));
        assertEquals("iteration,residual,cl,cd,cm,cdPressure,cdFriction,seconds", lines.get(0));
        assertEquals(301, lines.size());
        String[] last = lines.get(300).split(",");
        assertEquals(300, Integer.parseInt(last[0]));
        assertEquals(1e-5, Double.parseDouble(last[1]), 1e-15);
        assertEquals(3.0, Double.parseDouble(last[7]), 1e-9);
        assertEquals(-0.05, Double.parseDouble(last[4]), 1e-15);
        assertEquals(0.008, Double.parseDouble(last[6]), 1e-12);
    }

    @Test
    void wallLoopsFollowTheWallWithTheFlowOnTheLeft() {
        List<int[]> loops = Pictures.wallLoops(TestMeshes.square());
        assertEquals(1, loops.size());
        // The bottom side is an open wall from node 0 to node 2 with the flow above it.
        assertArrayEquals(new int[] {0, 1, 2}, loops.get(0));
    }
}
