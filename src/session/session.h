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

#include "base/mesh_input.h"
#include "session/solver_registry.h"
#include "session/validate_input.h"

namespace kestrafol {

namespace session {

// Library load: opens the log stream. Library unload: releases every solver, closes the stream.
void load();
void unload();

// Checks and copies the mesh and settings, builds the solver and registers it; returns its
// handle. Arrays whose count is below 1 are not read. A refused start registers nothing.
HandleValues start(const MeshInput& mesh, HostArray<double> parameters);

// Advances the solver one step and hands its state (4 values per node) to `deliver` while the
// solver is still leased, so that no other call can change the values being read.
void iterate(HostArray<std::int64_t> handle,
             const std::function<void(std::span<const double>)>& deliver);

// The five analysis values of the solver's current state.
std::array<double, 5> analysis(HostArray<std::int64_t> handle);

// Replaces the settings; the whole vector is checked first, so a refused update changes nothing.
void update(HostArray<std::int64_t> handle, HostArray<double> parameters);

// Releases the solver; later calls with the same handle are refused.
void cleanup(HostArray<std::int64_t> handle);

}  // namespace session

}  // namespace kestrafol
