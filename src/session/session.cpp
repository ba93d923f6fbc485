#include "session/session.h"

#include <algorithm>
#include <cstdio>
#include <utility>
#include <vector>

#include "diag/diag.h"
#include "session/log_stream.h"
#include "solver/iterate_cycle.h"
#include "solver/setup.h"

namespace kestrafol {

namespace {

// Length of a host array that is about to be read; nullArrayLength for null.
template <typename T>
std::int64_t lengthOf(const HostArray<T>& array) {
    return array.data == nullptr ? nullArrayLength : array.length;
}

// Length of an array whose count is below 1: not read, so taken as null.
template <typename T>
std::int64_t lengthIfCounted(int count, const HostArray<T>& array) {
    return count >= 1 ? lengthOf(array) : nullArrayLength;
}

// The first `count` values of a host array already checked to hold them.
template <typename T>
std::vector<T> copyOf(const HostArray<T>& array, std::size_t count) {
    std::vector<T> copy(count);
    if (count > 0) std::copy_n(array.data, count, copy.begin());
    return copy;
}

// Checks and copies the 16 settings values of start or update.
ParameterVector copyParameters(const HostArray<double>& parameters) {
    checkParametersLength(lengthOf(parameters));
    ParameterVector copy{};
    std::copy_n(parameters.data, copy.size(), copy.begin());
    return copy;
}

// The two values of a handle; the registry decides whether they name a live solver.
HandleValues readHandle(const HostArray<std::int64_t>& handle) {
    if (handle.data == nullptr) throw InvalidHandle("handle is null; pass the handle that start returned");
    if (handle.length != 2) {
        char message[96];
        std::snprintf(message, sizeof message, "handle has %d elements; a solver handle has 2",
                      static_cast<int>(handle.length));
        throw InvalidHandle(message);
    }
    return HandleValues{handle.data[0], handle.data[1]};
}

SolverRegistry::Lease acquire(const HostArray<std::int64_t>& handle) {
    const HandleValues values = readHandle(handle);
    return solverRegistry().acquire(values[0], values[1]);
}

}  // namespace

namespace session {

void load() { openLogStream(); }

void unload() {
    solverRegistry().clear();
    closeLogStream();
}

HandleValues start(const StartArguments& a) {
    // Counts and lengths first: nothing is copied for a call that cannot succeed.
    MeshShape shape;
    shape.nodeCount = a.nodeCount;
    shape.coordsLength = lengthIfCounted(a.nodeCount, a.coords);
    shape.triangleCount = a.triangleCount;
    shape.trianglesLength = lengthIfCounted(a.triangleCount, a.triangles);
    shape.quadCount = a.quadCount;
    shape.quadsLength = lengthIfCounted(a.quadCount, a.quads);
    shape.boundaryEdgeCount = a.boundaryEdgeCount;
    shape.boundaryEdgesLength = lengthIfCounted(a.boundaryEdgeCount, a.boundaryEdges);
    shape.boundaryKindCount = a.boundaryKindCount;
    shape.boundaryKindsLength = lengthIfCounted(a.boundaryKindCount, a.boundaryKinds);
    const MeshCopySizes sizes = checkMeshShape(shape);
    checkParametersLength(lengthOf(a.parameters));

    // Library-owned copies, in argument order.
    std::vector<double> coords = copyOf(a.coords, sizes.coords);
    std::vector<int> triangles = copyOf(a.triangles, sizes.triangles);
    // Without quadrilaterals the state holds a one-int placeholder that nothing reads.
    std::vector<int> quads = sizes.quads > 0 ? copyOf(a.quads, sizes.quads) : std::vector<int>(1, 0);
    std::vector<int> boundaryEdges = copyOf(a.boundaryEdges, sizes.boundaryEdges);
    std::vector<int> boundaryKinds = copyOf(a.boundaryKinds, sizes.boundaryKinds);
    const ParameterVector parameters = copyParameters(a.parameters);

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

    SolverRecords records = createSolver(a.nodeCount, std::move(coords), a.triangleCount, std::move(triangles),
                                         a.quadCount, std::move(quads), a.boundaryEdgeCount,
                                         std::move(boundaryEdges), a.boundaryKindCount,
                                         std::move(boundaryKinds), parameters);
    // Registered last: until here the records are released with this frame if anything fails.
    // The registry moves them to their lasting addresses, which make the handle.
    return solverRegistry().add(std::move(records));
}

void iterate(HostArray<std::int64_t> handle, const std::function<void(std::span<const double>)>& deliver) {
    const SolverRegistry::Lease solver = acquire(handle);
    deliver(iterateCycle(solver.state(), solver.settings()));
}

std::array<double, 5> analysis(HostArray<std::int64_t> handle) {
    const SolverRegistry::Lease solver = acquire(handle);
    return computeCoefficients(solver.state(), solver.settings());
}

void update(HostArray<std::int64_t> handle, HostArray<double> parameters) {
    const SolverRegistry::Lease solver = acquire(handle);
    // The whole vector is checked before the record is touched: a refused update changes nothing.
    const ParameterVector copy = copyParameters(parameters);
    checkParameters(copy);
    settingsFromParameters(solver.settings(), copy);
}

void cleanup(HostArray<std::int64_t> handle) {
    writeLogLine("Cleanup Started");
    const HandleValues values = readHandle(handle);
    solverRegistry().remove(values[0], values[1]);
    writeLogLine("Cleanup Finished");
}

}  // namespace session

}  // namespace kestrafol
