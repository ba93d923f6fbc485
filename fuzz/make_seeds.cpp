// Writes the seed corpus of the set-up fuzzer: a handful of valid solver sessions on small
// meshes (the mutations start from these) and a few inputs that the checks refuse.
// Usage: make_seeds <directory>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "fuzz_input.h"
#include "support/test_meshes.h"

using namespace kestrafol;
using namespace kestrafol::testing;
using namespace kestrafol::fuzzing;

namespace {

std::vector<double> vectorOf(const ParameterVector& p) {
    return std::vector<double>(p.begin(), p.end());
}

FuzzInput seedSession(const MeshArrays& m, const ParameterVector& p, OwnedArray<double> update,
                      int before, int after) {
    FuzzInput f;
    f.iterationsBefore = before;
    f.iterationsAfter = after;
    f.start = startArguments(m, p);
    f.update = std::move(update);
    return f;
}

// One triangle and one quadrilateral sharing a side, plus a node that belongs to no element.
MeshArrays triangleQuadAndLoneNode() {
    MeshArrays m;
    m.nodeCount = 6;
    m.coords = {0.0, 0.0, 1.0, 0.0, 1.0, 1.0, 0.0, 1.0, 0.5, 1.6, 5.0, 5.0};
    m.triangleCount = 1;
    m.triangles = {4, 3, 5};
    m.quadCount = 1;
    m.quads = {1, 2, 3, 4};
    m.boundaryEdgeCount = 5;
    m.boundaryEdges = {0, 1, 1, 1, 2, 1, 2, 4, 2, 4, 3, 2, 3, 0, 1};
    m.boundaryKindCount = 2;
    m.boundaryKinds = {Farfield, SlipWall};
    return m;
}

void writeSeed(const std::string& directory, const std::string& name, const FuzzInput& f) {
    const std::vector<std::uint8_t> bytes = encodeFuzzInput(f);
    const std::string path = directory + "/" + name;
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr || std::fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size()) {
        std::perror(path.c_str());
        std::exit(1);
    }
    std::fclose(file);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <directory>\n", argv[0]);
        return 2;
    }
    const std::string dir = argv[1];

    writeSeed(dir, "rectangle-mixed-farfield",
              seedSession(makeRectangle(3, 2), makeParameters(0.5),
                          vectorOf(makeParameters(0.6, 2.0)), 2, 2));
    ParameterVector nanGamma = makeParameters(0.5, 1.0, 2);
    nanGamma[11] = std::numeric_limits<double>::quiet_NaN();
    writeSeed(dir, "circle-triangles-second-order-refused-update",
              seedSession(makeCircle(8, 3), makeParameters(0.5, 1.0, 2), vectorOf(nanGamma), 2, 1));
    std::vector<double> shortVector = vectorOf(makeParameters(0.3));
    shortVector.resize(10);
    writeSeed(dir, "circle-quads-viscous-short-update",
              seedSession(makeCircle(8, 3, 0.5, 5.0, true, NoSlipWall),
                          makeParameters(0.2, 0.0, 2, 0, 1.0, 50.0), shortVector, 3, 1));
    ParameterVector modeTwo = makeParameters(0.4, 0.0, 1, 2);
    modeTwo[6] = 3.0;
    writeSeed(dir, "rectangle-unsteady-then-mode-two",
              seedSession(makeRectangle(2, 2, 1.0, 1.0, false), makeParameters(0.4, 0.0, 1, 1),
                          vectorOf(modeTwo), 2, 2));
    writeSeed(
        dir, "triangle-quad-lone-node",
        seedSession(triangleQuadAndLoneNode(), makeParameters(0.3, 5.0, 2), std::nullopt, 1, 3));
    ParameterVector mach5 = makeParameters(5.0, 0.0, 2);
    writeSeed(dir, "circle-blow-up-to-mach-5",
              seedSession(makeCircle(8, 3), makeParameters(0.5), vectorOf(mach5), 2, 3));

    // Refused at once: a negative count, a short coordinate array.
    FuzzInput negative = seedSession(makeRectangle(1, 1), makeParameters(0.5), std::nullopt, 1, 0);
    negative.start.triangleCount = -2;
    writeSeed(dir, "refused-negative-count", negative);
    FuzzInput shortCoords =
        seedSession(makeRectangle(1, 1), makeParameters(0.5), std::nullopt, 1, 0);
    shortCoords.start.coords->resize(5);
    writeSeed(dir, "refused-short-coords", shortCoords);

    // The topology refusals, each on the mixed rectangle (nodes from 1, four per row).
    auto refusedMesh = [&](const std::string& name, auto change) {
        MeshArrays m = makeRectangle(3, 2);
        change(m);
        writeSeed(dir, name, seedSession(m, makeParameters(0.5), std::nullopt, 1, 0));
    };
    auto addTriangle = [](MeshArrays& m, std::vector<int> nodes, double x, double y) {
        m.nodeCount += 1;
        m.coords.insert(m.coords.end(), {x, y});
        m.triangles.insert(m.triangles.end(), nodes.begin(), nodes.end());
        ++m.triangleCount;
    };
    refusedMesh("refused-repeated-triangle", [&](MeshArrays& m) {
        addTriangle(m, {6, 1, 2}, 5.0, 5.0);
    });
    refusedMesh("refused-side-of-three-elements", [&](MeshArrays& m) {
        addTriangle(m, {1, 13, 6}, 0.3, 0.1);
    });
    refusedMesh("refused-overlapping-triangles", [&](MeshArrays& m) {
        addTriangle(m, {1, 2, 13}, 0.2, 0.2);
    });
    refusedMesh("refused-open-boundary", [](MeshArrays& m) {
        m.boundaryEdges.resize(m.boundaryEdges.size() - 3);
        --m.boundaryEdgeCount;
    });
    // A small triangle far from the origin: accepted counter-clockwise, refused clockwise.
    MeshArrays far;
    far.nodeCount = 3;
    far.coords = {5e6, 5e6, 5e6 + 0.01, 5e6, 5e6, 5e6 + 0.01};
    far.triangleCount = 1;
    far.triangles = {1, 2, 3};
    far.boundaryEdgeCount = 3;
    far.boundaryEdges = {0, 1, 1, 1, 2, 1, 2, 0, 1};
    far.boundaryKindCount = 1;
    far.boundaryKinds = {Farfield};
    writeSeed(dir, "far-small-triangle", seedSession(far, makeParameters(0.5), std::nullopt, 1, 1));
    far.triangles = {1, 3, 2};
    writeSeed(dir, "refused-far-small-triangle-clockwise",
              seedSession(far, makeParameters(0.5), std::nullopt, 1, 0));
    ParameterVector nanWeight = makeParameters(0.5, 0.0, 2);
    nanWeight[2] = std::numeric_limits<double>::quiet_NaN();
    writeSeed(
        dir, "refused-update-nan-reconstruction-weight",
        seedSession(makeRectangle(3, 2), makeParameters(0.5, 0.0, 2), vectorOf(nanWeight), 1, 1));
    return 0;
}
