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

// What a settings vector longer than 16 values carries after them. The host class ignores the
// extra values; the flow module reads them as the method options, entries 16 to 22 in the order
// of methodOptionsFromEntries, checked by checkMethodEntries (a vector of 16 gives the library's
// own method).
enum class ExtraSettings { ignored, methodOptions };

// Library load: opens the log stream. Library unload: releases every solver, closes the stream.
void load();
void unload();

// Checks and copies the mesh and settings, builds the solver and registers it; returns its
// handle. Arrays whose count is below 1 are not read. A refused start registers nothing.
HandleValues start(const MeshInput& mesh, HostArray<double> parameters,
                   ExtraSettings extra = ExtraSettings::ignored);

// Advances the solver one step and hands its state (4 values per node) to `deliver` while the
// solver is still leased, so that no other call can change the values being read.
void iterate(HostArray<std::int64_t> handle,
             const std::function<void(std::span<const double>)>& deliver);

// The five analysis values of the solver's current state.
std::array<double, 5> analysis(HostArray<std::int64_t> handle);

// Replaces the settings; the whole vector is checked first, so a refused update changes nothing.
void update(HostArray<std::int64_t> handle, HostArray<double> parameters,
            ExtraSettings extra = ExtraSettings::ignored);

// Releases the solver; later calls with the same handle are refused.
void cleanup(HostArray<std::int64_t> handle);

// A flow field as the host hands it to startFromField, 4 values per node each: the conserved
// state, the two earlier time levels (null: equal to the state, as after set-up) and the
// increment of the last implicit solve (null: zero, as after set-up); and the method options'
// memory, methodMemorySize values as readField hands them (null: none yet, as after set-up).
struct FieldInput {
    HostArray<double> state;
    HostArray<double> statePrev;
    HostArray<double> statePrev2;
    HostArray<double> delta;
    HostArray<double> memory;
};

// As start, but the solver begins from the given field instead of the free stream. The field is
// checked completely (lengths, finite values, density and pressure above 0) on the library's
// copies before anything is built.
HandleValues startFromField(const MeshInput& mesh, HostArray<double> parameters,
                            const FieldInput& field, ExtraSettings extra = ExtraSettings::ignored);

// Hands the solver's field, what startFromField takes, to `deliver` while the solver is leased:
// state, statePrev, statePrev2 and delta, 4 values per node each, and the method memory.
void readField(HostArray<std::int64_t> handle,
               const std::function<void(const std::array<std::span<const double>, 5>&)>& deliver);

}  // namespace session

}  // namespace kestrafol
