package CFD.Solvers;

/**
 * Quadrilateral O-mesh around a circle of radius 0.5 out to radius 20, radii growing
 * geometrically: tag 1 the wall, tag 2 the far field.
 */
final class CircleMesh {
    final int nodeCount;
    final double[] coords;
    final int[] quads;
    final int[] boundaryEdges;

    CircleMesh(int ni, int nj) {
        nodeCount = ni * nj;
        coords = new double[2 * nodeCount];
        double growth = Math.pow(20.0 / 0.5, 1.0 / (nj - 1));
        for (int j = 0; j < nj; ++j) {
            double r = 0.5 * Math.pow(growth, j);
            for (int i = 0; i < ni; ++i) {
                double t = 2.0 * Math.PI * i / ni;
                coords[2 * (j * ni + i)] = r * Math.cos(t);
                coords[2 * (j * ni + i) + 1] = r * Math.sin(t);
            }
        }
        quads = new int[4 * ni * (nj - 1)];
        int q = 0;
        for (int j = 0; j + 1 < nj; ++j) {
            for (int i = 0; i < ni; ++i) {
                int a = j * ni + i;
                int d = j * ni + (i + 1) % ni;
                // Outward in radius, then forward in angle: counter-clockwise.
                quads[q++] = a + 1;
                quads[q++] = a + ni + 1;
                quads[q++] = d + ni + 1;
                quads[q++] = d + 1;
            }
        }
        boundaryEdges = new int[3 * 2 * ni];
        for (int i = 0; i < ni; ++i) {
            int k = 3 * i;
            boundaryEdges[k] = i;
            boundaryEdges[k + 1] = (i + 1) % ni;
            boundaryEdges[k + 2] = 1;
            k = 3 * (ni + i);
            boundaryEdges[k] = (nj - 1) * ni + i;
            boundaryEdges[k + 1] = (nj - 1) * ni + (i + 1) % ni;
            boundaryEdges[k + 2] = 2;
        }
    }

    /** Starts a solver with the given wall kind (2 slip, 3 no-slip) and settings. */
    long[] start(int wallKind, double[] parameters) {
        return EulerSolver.start(nodeCount, coords, 0, null, quads.length / 4, quads,
                boundaryEdges.length / 3, boundaryEdges, 2, new int[] {wallKind, 1}, parameters);
    }
}
