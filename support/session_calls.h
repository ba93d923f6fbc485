#pragma once
// Host arrays owned by a test or the fuzzer (library kestrafol_support) (std::nullopt = a null reference) and the session
// calls made with them: each function only turns the owned arrays into views and calls the
// session, the same path the JNI entry points take.
#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "session/session.h"
#include "base/settings.h"
#include "support/omesh.h"

namespace kestrafol::testing {

template <typename T>
using OwnedArray = std::optional<std::vector<T>>;

// The arguments of start, as a host owns them.
struct OwnedStart {
    int nodeCount = 0;
    OwnedArray<double> coords;
    int triangleCount = 0;
    OwnedArray<int> triangles;
    int quadCount = 0;
    OwnedArray<int> quads;
    int boundaryEdgeCount = 0;
    OwnedArray<int> boundaryEdges;
    int boundaryKindCount = 0;
    OwnedArray<int> boundaryKinds;
    OwnedArray<double> parameters;
};

// The arguments of start for a built mesh and a settings vector.
inline OwnedStart startArguments(const MeshArrays& m, const ParameterVector& p) {
    OwnedStart a;
    a.nodeCount = m.nodeCount;
    a.coords = m.coords;
    a.triangleCount = m.triangleCount;
    if (m.triangleCount > 0) a.triangles = m.triangles;
    a.quadCount = m.quadCount;
    if (m.quadCount > 0) a.quads = m.quads;
    a.boundaryEdgeCount = m.boundaryEdgeCount;
    a.boundaryEdges = m.boundaryEdges;
    a.boundaryKindCount = m.boundaryKindCount;
    a.boundaryKinds = m.boundaryKinds;
    a.parameters = std::vector<double>(p.begin(), p.end());
    return a;
}

template <typename T>
HostArray<T> view(const OwnedArray<T>& array) {
    return array ? HostArray<T>(std::span<const T>(*array)) : HostArray<T>();
}

inline HostArray<std::int64_t> view(const HandleValues& handle) {
    return HostArray<std::int64_t>(handle);
}

inline HandleValues hostStart(const OwnedStart& a) {
    return session::start(meshInput(a.nodeCount, view(a.coords), a.triangleCount,
                                    view(a.triangles), a.quadCount, view(a.quads),
                                    a.boundaryEdgeCount, view(a.boundaryEdges),
                                    a.boundaryKindCount, view(a.boundaryKinds)),
                          view(a.parameters));
}

inline std::vector<double> hostIterate(const HandleValues& h) {
    std::vector<double> state;
    session::iterate(view(h), [&](std::span<const double> values) {
        state.assign(values.begin(), values.end());
    });
    return state;
}

inline void hostUpdate(const HandleValues& h, const OwnedArray<double>& parameters) {
    session::update(view(h), view(parameters));
}

inline std::array<double, 5> hostAnalysis(const HandleValues& h) {
    return session::analysis(view(h));
}

inline void hostCleanup(const HandleValues& h) { session::cleanup(view(h)); }

// The four levels of a flow field and the method memory as a host owns them (std::nullopt =
// null).
struct OwnedField {
    OwnedArray<double> state;
    OwnedArray<double> statePrev;
    OwnedArray<double> statePrev2;
    OwnedArray<double> delta;
    OwnedArray<double> memory;
};

inline HandleValues hostStartFromField(const OwnedStart& a, const OwnedField& f) {
    return session::startFromField(
        meshInput(a.nodeCount, view(a.coords), a.triangleCount, view(a.triangles), a.quadCount,
                  view(a.quads), a.boundaryEdgeCount, view(a.boundaryEdges), a.boundaryKindCount,
                  view(a.boundaryKinds)),
        view(a.parameters),
        session::FieldInput{view(f.state), view(f.statePrev), view(f.statePrev2), view(f.delta),
                            view(f.memory)},
        session::ExtraSettings::methodOptions);
}

inline OwnedField hostReadField(const HandleValues& h) {
    OwnedField f;
    session::readField(view(h), [&](const std::array<std::span<const double>, 5>& levels) {
        f.state = std::vector<double>(levels[0].begin(), levels[0].end());
        f.statePrev = std::vector<double>(levels[1].begin(), levels[1].end());
        f.statePrev2 = std::vector<double>(levels[2].begin(), levels[2].end());
        f.delta = std::vector<double>(levels[3].begin(), levels[3].end());
        f.memory = std::vector<double>(levels[4].begin(), levels[4].end());
    });
    return f;
}

}  // namespace kestrafol::testing
