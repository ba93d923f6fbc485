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

// The first `count` values of a host array already checked to hold them.
template <typename T>
std::vector<T> copyOf(const HostArray<T>& array, std::size_t count) {
    const std::span<const T> values = array.first(count);
    return std::vector<T>(values.begin(), values.end());
}

// Library-owned copies of the values the checked shape says the solver reads.
MeshArrays copyMesh(const MeshInput& m, const MeshCopySizes& sizes) {
    return MeshArrays{m.nodeCount,
                      copyOf(m.coords, sizes.coords),
                      m.triangleCount,
                      copyOf(m.triangles, sizes.triangles),
                      m.quadCount,
                      copyOf(m.quads, sizes.quads),
                      m.boundaryEdgeCount,
                      copyOf(m.boundaryEdges, sizes.boundaryEdges),
                      m.boundaryKindCount,
                      copyOf(m.boundaryKinds, sizes.boundaryKinds)};
}

// Checks and copies the 16 settings values of start or update.
ParameterVector copyParameters(const HostArray<double>& parameters) {
    checkParametersLength(parameters.checkedLength());
    ParameterVector copy{};
    std::copy_n(parameters.data, copy.size(), copy.begin());
    return copy;
}

// The method options a settings vector selects, checked on a copy of the extra entries; the
// library's method when they are ignored. The vector's length is checked to hold 16 values.
MethodOptions copyMethodOptions(const HostArray<double>& parameters, session::ExtraSettings extra) {
    MethodOptions options;
    if (extra == session::ExtraSettings::ignored) return options;
    const std::size_t count = static_cast<std::size_t>(parameters.checkedLength());
    const std::size_t extraCount = count - methodEntriesFirst;
    std::array<double, methodEntryCount> copy{};
    if (extraCount > copy.size()) {
        checkMethodEntries(parameters.first(count).subspan(methodEntriesFirst));  // refuses
    }
    std::copy_n(parameters.data + methodEntriesFirst, extraCount, copy.begin());
    const std::span<const double> entries(copy.data(), extraCount);
    checkMethodEntries(entries);
    methodOptionsFromEntries(options, entries);
    return options;
}

// The two values of a handle; the registry decides whether they name a live solver.
HandleValues readHandle(const HostArray<std::int64_t>& handle) {
    if (handle.data == nullptr)
        throw InvalidHandle("handle is null; pass the handle that start returned");
    if (handle.length != 2) {
        char message[96];
        std::snprintf(message, sizeof message, "handle has %d elements; a solver handle has 2",
                      static_cast<int>(handle.length));
        throw InvalidHandle(message);
    }
    return HandleValues{handle.data[0], handle.data[1]};
}

// Copies one level of a field, checked for its length; a null optional level is `fallback`.
std::vector<double> copyLevel(const char* name, const HostArray<double>& level, int nodeCount,
                              const std::vector<double>* fallback) {
    if (level.data == nullptr && fallback != nullptr) return *fallback;
    checkFieldLength(name, level.checkedLength(), nodeCount);
    return copyOf(level, 4 * static_cast<std::size_t>(nodeCount));
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

HandleValues start(const MeshInput& host, HostArray<double> hostParameters, ExtraSettings extra) {
    // Counts and lengths first: nothing is copied for a call that cannot succeed.
    const MeshCopySizes sizes = checkMeshShape(host);
    checkParametersLength(hostParameters.checkedLength());

    // The contents are checked on the library's copies, which the host cannot change under
    // the checks, and the same copies become the solver's.
    MeshArrays mesh = copyMesh(host, sizes);
    const ParameterVector parameters = copyParameters(hostParameters);
    const MethodOptions method = copyMethodOptions(hostParameters, extra);
    checkMeshContents(viewOf(mesh));
    checkParameters(parameters);

    SolverRecords records = createSolver(std::move(mesh), parameters);
    records.settings->method = method;
    // Registered last: until here the records are released with this frame if anything fails.
    // The registry moves them to their lasting addresses, which make the handle.
    return solverRegistry().add(std::move(records));
}

HandleValues startFromField(const MeshInput& host, HostArray<double> hostParameters,
                            const FieldInput& field, ExtraSettings extra) {
    const MeshCopySizes sizes = checkMeshShape(host);
    checkParametersLength(hostParameters.checkedLength());
    const int n = host.nodeCount;
    checkFieldLength("state", field.state.checkedLength(), n);
    for (const auto& [name, level] :
         {std::pair{"statePrev", field.statePrev}, std::pair{"statePrev2", field.statePrev2},
          std::pair{"delta", field.delta}})
        if (level.data != nullptr) checkFieldLength(name, level.checkedLength(), n);

    MeshArrays mesh = copyMesh(host, sizes);
    const ParameterVector parameters = copyParameters(hostParameters);
    const MethodOptions method = copyMethodOptions(hostParameters, extra);
    FlowField copy;
    copy.state = copyLevel("state", field.state, n, nullptr);
    copy.statePrev = copyLevel("statePrev", field.statePrev, n, &copy.state);
    copy.statePrev2 = copyLevel("statePrev2", field.statePrev2, n, &copy.state);
    const std::vector<double> zero(4 * static_cast<std::size_t>(n), 0.0);
    copy.delta = copyLevel("delta", field.delta, n, &zero);
    if (field.memory.data != nullptr) {
        checkMethodMemoryLength(field.memory.checkedLength(), methodMemorySize);
        copy.memory = copyOf(field.memory, methodMemorySize);
    }

    checkMeshContents(viewOf(mesh));
    checkParameters(parameters);
    const double gamma = parameters[parameter::gamma];
    checkFieldLevel("state", copy.state, gamma);
    checkFieldLevel("statePrev", copy.statePrev, gamma);
    checkFieldLevel("statePrev2", copy.statePrev2, gamma);
    checkFieldIncrement("delta", copy.delta);
    checkMethodMemory(copy.memory);

    SolverRecords records = createSolver(std::move(mesh), parameters);
    records.settings->method = method;
    loadFlowField(*records.state, *records.settings, std::move(copy));
    return solverRegistry().add(std::move(records));
}

void readField(HostArray<std::int64_t> handle,
               const std::function<void(const std::array<std::span<const double>, 5>&)>& deliver) {
    const SolverRegistry::Lease solver = acquire(handle);
    const SolverState& s = solver.state();
    const std::array<double, methodMemorySize> memory = methodMemory(s);
    deliver({std::span<const double>(s.state), std::span<const double>(s.statePrev),
             std::span<const double>(s.statePrev2), std::span<const double>(s.delta),
             std::span<const double>(memory)});
}

void iterate(HostArray<std::int64_t> handle,
             const std::function<void(std::span<const double>)>& deliver) {
    const SolverRegistry::Lease solver = acquire(handle);
    deliver(iterateCycle(solver.state(), solver.settings()));
}

std::array<double, 5> analysis(HostArray<std::int64_t> handle) {
    const SolverRegistry::Lease solver = acquire(handle);
    return computeCoefficients(solver.state(), solver.settings());
}

void update(HostArray<std::int64_t> handle, HostArray<double> parameters, ExtraSettings extra) {
    const SolverRegistry::Lease solver = acquire(handle);
    // The whole vector is checked before the record is touched: a refused update changes nothing.
    const ParameterVector copy = copyParameters(parameters);
    const MethodOptions method = copyMethodOptions(parameters, extra);
    checkParameters(copy);
    settingsFromParameters(solver.settings(), copy);
    solver.settings().method = method;
}

void cleanup(HostArray<std::int64_t> handle) {
    writeLogLine("Cleanup Started");
    const HandleValues values = readHandle(handle);
    solverRegistry().remove(values[0], values[1]);
    writeLogLine("Cleanup Finished");
}

}  // namespace session

}  // namespace kestrafol
