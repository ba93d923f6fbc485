// Regression guard for performance work: fixed cases run for a few dozen calls, then a 64-bit
// digest of every bit of every floating-point array of the record and of the analysis values
// is compared with the digest recorded from the plain, unoptimised implementation. Any change
// of operation order anywhere in the cycle changes some bit and so the digest.
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#include <gtest/gtest.h>

#include "solver/iterate_cycle.h"
#include "solver/setup.h"
#include "diag/diag.h"
#include "support/test_meshes.h"

using namespace kestrafol;
using namespace kestrafol::testing;

namespace {

// FNV-1a over bytes.
class Digest {
public:
    void add(const void* data, std::size_t size) {
        const unsigned char* bytes = static_cast<const unsigned char*>(data);
        for (std::size_t k = 0; k < size; ++k) {
            hash_ ^= bytes[k];
            hash_ *= 0x100000001b3ULL;
        }
    }
    void add(const std::vector<double>& values) {
        const std::uint64_t count = values.size();
        add(&count, sizeof count);
        add(values.data(), values.size() * sizeof(double));
    }
    std::uint64_t value() const { return hash_; }

private:
    std::uint64_t hash_ = 0xcbf29ce484222325ULL;
};

std::uint64_t digestOf(const SolverState& s, const SolverSettings& settings) {
    Digest d;
    for (const std::vector<double>* array :
         {&s.state, &s.statePrev, &s.statePrev2, &s.residual, &s.offDiagBlocks, &s.diagBlocks,
          &s.delta, &s.gradients, &s.velocityGradX, &s.velocityGradY, &s.scalarWork, &s.limiter,
          &s.pressure, &s.timeStep, &s.dualArea, &s.lsqWeights})
        d.add(*array);
    // The per-edge normals; the rest of the array is set-up scratch.
    d.add(s.faceNormals.data(), 2 * static_cast<std::size_t>(s.edgeCount) * sizeof(double));
    // Only the first four entries of the solver's work vector are ever used.
    d.add(s.rhsWork.data(), 4 * sizeof(double));
    const std::array<double, 5> analysis = computeCoefficients(s, settings);
    d.add(analysis.data(), sizeof analysis);
    return d.value();
}

struct Case {
    const char* name;
    MeshArrays mesh;
    ParameterVector parameters;
    int calls;
    std::uint64_t expected;
};

std::vector<Case> cases() {
    std::vector<Case> list;
    // Circle O-mesh, triangles, slip wall and far field.
    list.push_back({"steady first order, slip wall", makeCircle(24, 10, 0.5, 10.0, false, SlipWall),
                    makeParameters(0.5, 2.0, 1, 0), 40, 0xcee8b45d0e0492eULL});
    list.push_back({"steady second order, slip wall, transonic",
                    makeCircle(24, 10, 0.5, 10.0, false, SlipWall), makeParameters(0.8, 1.25, 2, 0),
                    40, 0x4b3473a313be354bULL});
    // Mixed triangles and quadrilaterals; wall at the bottom, far field elsewhere.
    {
        MeshArrays m = makeRectangle(12, 6, 2.0, 1.0, true, Farfield);
        m.boundaryKinds[0] = SlipWall;
        ParameterVector p = makeParameters(0.6, 5.0, 2, 0);
        p[2] = 0.5;  // a blended reconstruction
        list.push_back(
            {"steady second order, mixed cells, weight 0.5", m, p, 30, 0x44bf87d64cfa0de7ULL});
    }
    list.push_back({"unsteady second order, quadrilaterals",
                    makeCircle(20, 8, 0.5, 8.0, true, SlipWall), makeParameters(0.4, 3.0, 2, 1), 30,
                    0x96902303180fa09bULL});
    list.push_back({"viscous second order, no-slip wall",
                    makeCircle(24, 10, 0.5, 10.0, false, NoSlipWall),
                    makeParameters(0.3, 0.0, 2, 0, 1.0, 200.0), 40, 0x5ce21b9484afddbfULL});
    {
        MeshArrays m = makeRectangle(10, 5, 2.0, 1.0, true, Farfield);
        m.boundaryKinds[0] = NoSlipWall;
        m.boundaryKinds[2] = SlipWall;
        list.push_back({"unsteady viscous, no-slip and slip walls", m,
                        makeParameters(0.5, 4.0, 2, 1, 1.0, 100.0), 25, 0x3a025cd3d4eb40a1ULL});
    }
    // Time mode 2 (no time term) with three passes per call, after a first-order start.
    {
        ParameterVector p = makeParameters(0.3, 0.0, 1, 2);
        p[6] = 3.0;
        list.push_back({"no time term, three passes", makeCircle(16, 8, 0.5, 8.0, true, SlipWall),
                        p, 12, 0x7307b465f5505aaaULL});
    }
    return list;
}

// The field a solver hands on: what a new solver needs to continue exactly.
FlowField fieldOf(const SolverState& s) {
    const auto memory = methodMemory(s);
    return FlowField{s.state, s.statePrev, s.statePrev2, s.delta, {memory.begin(), memory.end()}};
}

// Runs a case; with `restartAfter` >= 0 the solver is replaced after that many of the case's
// calls by a new one started from its field (with the case's settings), which runs the rest.
// With `fromField` the first solver, too, starts from a field: the free stream, handed over.
SolverRecords runCase(const Case& c, int restartAfter = -1, bool fromField = false) {
    SolverRecords r = makeSolver(c.mesh, c.parameters);
    if (fromField) {
        const FlowField freeStream = fieldOf(*r.state);
        r = makeSolver(c.mesh, c.parameters);
        loadFlowField(*r.state, *r.settings, freeStream);
    }
    if (c.parameters[5] == 2.0) {
        // Steady first-order calls first, then the switch, as a host would do it.
        ParameterVector start = c.parameters;
        start[5] = 0.0;
        start[6] = 1.0;
        settingsFromParameters(*r.settings, start);
        for (int k = 0; k < 40; ++k) iterateCycle(*r.state, *r.settings);
        settingsFromParameters(*r.settings, c.parameters);
    }
    for (int k = 0; k < c.calls; ++k) {
        if (k == restartAfter) {
            const FlowField field = fieldOf(*r.state);
            r = makeSolver(c.mesh, c.parameters);
            loadFlowField(*r.state, *r.settings, field);
        }
        iterateCycle(*r.state, *r.settings);
    }
    return r;
}

}  // namespace

TEST(RegressionDigest, EveryBitMatchesThePlainImplementation) {
    for (const Case& c : cases()) {
        const SolverRecords r = runCase(c);
        const std::uint64_t digest = digestOf(*r.state, *r.settings);
        EXPECT_EQ(digest, c.expected) << c.name << ": digest 0x" << std::hex << digest;
    }
}

TEST(RegressionDigest, FieldStartsAndRestartsGiveTheSameBits) {
    // A solver started from a handed-over free stream, and one replaced by a solver started
    // from its field after one call, in mid-run, and before its last call: the same digests.
    for (const Case& c : cases()) {
        const SolverRecords handedOver = runCase(c, -1, true);
        EXPECT_EQ(digestOf(*handedOver.state, *handedOver.settings), c.expected)
            << c.name << ": free stream handed over";
        for (const int after : {1, c.calls / 2, c.calls - 1}) {
            const SolverRecords r = runCase(c, after);
            EXPECT_EQ(digestOf(*r.state, *r.settings), c.expected)
                << c.name << ": restarted after call " << after;
        }
    }
}

TEST(RegressionDigest, CasesAreFiniteAndMoving) {
    // The digests would guard nothing if a case blew up or stood still.
    for (const Case& c : cases()) {
        const std::vector<double> initial = makeSolver(c.mesh, c.parameters).state->state;
        const SolverRecords r = runCase(c);
        double change = 0.0;
        for (std::size_t k = 0; k < initial.size(); ++k) {
            ASSERT_TRUE(std::isfinite(r.state->state[k])) << c.name;
            change += std::fabs(r.state->state[k] - initial[k]);
        }
        EXPECT_GT(change, 1e-6) << c.name;
        const std::array<double, 5> a = computeCoefficients(*r.state, *r.settings);
        EXPECT_TRUE(std::isfinite(a[1]) && a[1] > 0.0) << c.name;
    }
}

TEST(RegressionDigest, DigestSeesASingleBit) {
    SolverRecords r = makeSolver(makeCircle(12, 5), makeParameters(0.5, 2.0, 2, 0));
    iterateCycle(*r.state, *r.settings);
    const std::uint64_t before = digestOf(*r.state, *r.settings);
    std::uint64_t bits = 0;
    std::memcpy(&bits, &r.state->limiter[7], sizeof bits);
    bits ^= 1;  // the last bit of one limiter factor
    std::memcpy(&r.state->limiter[7], &bits, sizeof bits);
    EXPECT_NE(digestOf(*r.state, *r.settings), before);
}
