#pragma once
// The five entry points without JNI: the same checks, copies, registry and log stream, in the
// same order as src/jni/EulerSolver.cpp, on host arrays held as C++ vectors (absent = null).
// The concurrency test and the fuzzer drive the library through these, so they exercise what
// a host exercises, minus only the JNI array calls.
#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <utility>
#include <vector>

#include "core/iterate_cycle.h"
#include "core/setup.h"
#include "diag/diag.h"
#include "jni/log_stream.h"
#include "jni/settings.h"
#include "jni/solver_registry.h"
#include "jni/validate_input.h"

namespace kestrafol::testing {

// A host array: std::nullopt stands for a null reference, otherwise any length.
template <typename T>
using HostArray = std::optional<std::vector<T>>;

// The arguments of start, as a host hands them.
struct StartArguments {
    int nodeCount = 0;
    HostArray<double> coords;
    int triangleCount = 0;
    HostArray<int> triangles;
    int quadCount = 0;
    HostArray<int> quads;
    int boundaryEdgeCount = 0;
    HostArray<int> boundaryEdges;
    int boundaryKindCount = 0;
    HostArray<int> boundaryKinds;
    HostArray<double> parameters;
};

template <typename T>
std::int64_t hostLength(const HostArray<T>& array) {
    return array ? static_cast<std::int64_t>(array->size()) : nullArrayLength;
}

// The first `count` values of a host array that the shape check has found long enough.
template <typename T>
std::vector<T> hostCopy(const HostArray<T>& array, std::size_t count) {
    if (count == 0) return {};
    return std::vector<T>(array->begin(), array->begin() + static_cast<std::ptrdiff_t>(count));
}

inline ParameterVector hostParameters(const HostArray<double>& parameters) {
    checkParametersLength(hostLength(parameters));
    ParameterVector copy{};
    for (std::size_t i = 0; i < copy.size(); ++i) copy[i] = (*parameters)[i];
    return copy;
}

// start: throws InvalidInput for refused input; registers the solver in solverRegistry().
inline HandleValues hostStart(const StartArguments& a) {
    MeshShape shape;
    shape.nodeCount = a.nodeCount;
    shape.coordsLength = a.nodeCount >= 1 ? hostLength(a.coords) : nullArrayLength;
    shape.triangleCount = a.triangleCount;
    shape.trianglesLength = a.triangleCount >= 1 ? hostLength(a.triangles) : nullArrayLength;
    shape.quadCount = a.quadCount;
    shape.quadsLength = a.quadCount >= 1 ? hostLength(a.quads) : nullArrayLength;
    shape.boundaryEdgeCount = a.boundaryEdgeCount;
    shape.boundaryEdgesLength = a.boundaryEdgeCount >= 1 ? hostLength(a.boundaryEdges) : nullArrayLength;
    shape.boundaryKindCount = a.boundaryKindCount;
    shape.boundaryKindsLength = a.boundaryKindCount >= 1 ? hostLength(a.boundaryKinds) : nullArrayLength;
    const MeshCopySizes sizes = checkMeshShape(shape);
    checkParametersLength(hostLength(a.parameters));

    std::vector<double> coords = hostCopy(a.coords, sizes.coords);
    std::vector<int> triangles = hostCopy(a.triangles, sizes.triangles);
    std::vector<int> quads = sizes.quads > 0 ? hostCopy(a.quads, sizes.quads) : std::vector<int>(1, 0);
    std::vector<int> boundaryEdges = hostCopy(a.boundaryEdges, sizes.boundaryEdges);
    std::vector<int> boundaryKinds = hostCopy(a.boundaryKinds, sizes.boundaryKinds);
    const ParameterVector parameters = hostParameters(a.parameters);

    MeshInput mesh;
    mesh.nodeCount = a.nodeCount;
    mesh.coords = coords;
    mesh.triangleCount = a.triangleCount;
    mesh.triangles = triangles;
    mesh.quadCount = a.quadCount;
    mesh.quads = std::span<const int>(quads).first(sizes.quads);
    mesh.boundaryEdgeCount = a.boundaryEdgeCount;
    mesh.boundaryEdges = boundaryEdges;
    mesh.boundaryKindCount = a.boundaryKindCount;
    mesh.boundaryKinds = boundaryKinds;
    checkMeshInput(mesh);
    checkParameters(parameters);

    SolverRecords records = createSolver(a.nodeCount, std::move(coords), a.triangleCount,
                                         std::move(triangles), a.quadCount, std::move(quads),
                                         a.boundaryEdgeCount, std::move(boundaryEdges),
                                         a.boundaryKindCount, std::move(boundaryKinds), parameters);
    return solverRegistry().add(std::move(records));
}

// iterate: throws InvalidHandle for an unknown, stale or busy handle.
inline std::vector<double> hostIterate(const HandleValues& h) {
    const SolverRegistry::Lease solver = solverRegistry().acquire(h[0], h[1]);
    return iterateCycle(solver.state(), solver.settings());
}

// update: a refused vector leaves the settings as they were.
inline void hostUpdate(const HandleValues& h, const HostArray<double>& parameters) {
    const SolverRegistry::Lease solver = solverRegistry().acquire(h[0], h[1]);
    const ParameterVector copy = hostParameters(parameters);
    checkParameters(copy);
    settingsFromParameters(solver.settings(), copy);
}

inline std::array<double, 5> hostAnalysis(const HandleValues& h) {
    const SolverRegistry::Lease solver = solverRegistry().acquire(h[0], h[1]);
    return computeCoefficients(solver.state(), solver.settings());
}

inline void hostCleanup(const HandleValues& h) {
    writeLogLine("Cleanup Started");
    solverRegistry().remove(h[0], h[1]);
    writeLogLine("Cleanup Finished");
}

}  // namespace kestrafol::testing
