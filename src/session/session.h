#pragma once
// The five host calls without JNI: start, iterate, analysis, update and cleanup over plain host
// arrays, plus the load and unload of the library. Each call checks what the host hands it,
// copies what it keeps, works on a leased solver from the registry and throws C++ exceptions:
// InvalidInput for refused input, InvalidHandle for a bad or busy handle, std::bad_alloc or
// std::length_error when memory runs out. The JNI entry points and every C++ test or fuzzer that
// drives the library as a host would call these.
#include <array>
#include <cstdint>
#include <functional>
#include <span>

#include "session/solver_registry.h"
#include "session/validate_input.h"

namespace kestrafol {

// A host array as the host hands it: `data` null with `length` nullArrayLength is a null
// reference; otherwise `length` values at `data`.
template <typename T>
struct HostArray {
    const T* data = nullptr;
    std::int64_t length = nullArrayLength;

    HostArray() = default;
    HostArray(const T* values, std::int64_t count) : data(values), length(count) {}
    HostArray(std::span<const T> values)
        : data(values.data()), length(static_cast<std::int64_t>(values.size())) {}
};

// The arguments of start, in the host's order.
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

namespace session {

// Library load: opens the log stream. Library unload: releases every solver, closes the stream.
void load();
void unload();

// Checks and copies the mesh and settings, builds the solver and registers it; returns its
// handle. Arrays whose count is below 1 are not read. A refused start registers nothing.
HandleValues start(const StartArguments& arguments);

// Advances the solver one step and hands its state (4 values per node) to `deliver` while the
// solver is still leased, so that no other call can change the values being read.
void iterate(HostArray<std::int64_t> handle, const std::function<void(std::span<const double>)>& deliver);

// The five analysis values of the solver's current state.
std::array<double, 5> analysis(HostArray<std::int64_t> handle);

// Replaces the settings; the whole vector is checked first, so a refused update changes nothing.
void update(HostArray<std::int64_t> handle, HostArray<double> parameters);

// Releases the solver; later calls with the same handle are refused.
void cleanup(HostArray<std::int64_t> handle);

}  // namespace session

}  // namespace kestrafol
