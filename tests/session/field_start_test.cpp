// The start from a given flow field and the read-back of a solver's field: a solver continued
// from the field another one handed out steps exactly as the original, and every faulty field
// is refused with a message naming the array, the index and the value, leaving nothing behind.
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/session_calls.h"
#include "support/test_meshes.h"

using namespace kestrafol;
using namespace kestrafol::testing;

TEST(FieldStart, ContinuesBitForBitFromTheFieldOfAnotherSolver) {
    // Unsteady and viscous: all three time levels and the increment matter.
    const MeshArrays mesh = makeCircle(16, 6, 0.5, 10.0, true, NoSlipWall);
    const ParameterVector p = makeParameters(0.3, 2.0, 2, 1, 1.0, 200.0);
    const OwnedStart start = startArguments(mesh, p);
    const HandleValues original = hostStart(start);
    for (int call = 0; call < 5; ++call) hostIterate(original);
    const HandleValues resumed = hostStartFromField(start, hostReadField(original));
    for (int call = 0; call < 4; ++call)
        ASSERT_EQ(hostIterate(resumed), hostIterate(original)) << "call " << call;
    const std::array<double, 5> a = hostAnalysis(original);
    const std::array<double, 5> b = hostAnalysis(resumed);
    for (std::size_t k = 1; k < 5; ++k) EXPECT_EQ(a[k], b[k]) << "value " << k;

    // Without the increment the first solve starts from zero: a different step, so the
    // increment is part of what carries over.
    OwnedField noIncrement = hostReadField(original);
    noIncrement.delta = std::nullopt;
    const HandleValues cold = hostStartFromField(start, noIncrement);
    EXPECT_NE(hostIterate(cold), hostIterate(original));
    for (const HandleValues& h : {original, resumed, cold}) hostCleanup(h);
}

TEST(FieldStart, FreeStreamFieldStepsAsAPlainStart) {
    const MeshArrays mesh = makeCircle(12, 5, 0.5, 10.0, false, SlipWall);
    const ParameterVector p = makeParameters(0.5, 1.25, 2, 0);
    const OwnedStart start = startArguments(mesh, p);
    const HandleValues plain = hostStart(start);
    const OwnedField freeStream = hostReadField(plain);
    OwnedField stateOnly;
    stateOnly.state = freeStream.state;
    const HandleValues fromField = hostStartFromField(start, stateOnly);
    EXPECT_EQ(hostReadField(fromField).statePrev2, freeStream.statePrev2);
    for (int call = 0; call < 3; ++call) ASSERT_EQ(hostIterate(fromField), hostIterate(plain));
    hostCleanup(fromField);
    hostCleanup(plain);
}

TEST(FieldStart, RefusesEveryFaultyFieldNamingIndexAndValue) {
    const MeshArrays mesh = makeCircle(8, 3);
    const ParameterVector p = makeParameters(0.5);
    const OwnedStart start = startArguments(mesh, p);
    const HandleValues h = hostStart(start);
    const OwnedField good = hostReadField(h);
    hostCleanup(h);
    const std::size_t values = good.state->size();
    const std::string count = std::to_string(values);

    struct Fault {
        const char* what;
        void (*apply)(OwnedField&, OwnedStart&);
        std::string message;
    };
    const std::vector<Fault> faults{
        {"no state", [](OwnedField& f, OwnedStart&) { f.state = std::nullopt; },
         "state is null; it must hold 4 values per node, " + count},
        {"short state", [](OwnedField& f, OwnedStart&) { f.state->pop_back(); },
         "state has " + std::to_string(values - 1) + " values; it must hold 4 values per node, " +
             count},
        {"long earlier level", [](OwnedField& f, OwnedStart&) { f.statePrev->push_back(1.0); },
         "statePrev has " + std::to_string(values + 1) +
             " values; it must hold 4 values per node, " + count},
        {"NaN", [](OwnedField& f, OwnedStart&) { (*f.state)[5] = std::nan(""); },
         "state[5] is NaN; a flow field must be finite"},
        {"infinite increment",
         [](OwnedField& f, OwnedStart&) {
             (*f.delta)[2] = std::numeric_limits<double>::infinity();
         },
         "delta[2] is Infinity; a flow field must be finite"},
        {"zero density", [](OwnedField& f, OwnedStart&) { (*f.statePrev2)[8] = 0.0; },
         "statePrev2[8] is 0 (node 2); density must be above 0"},
        {"negative density", [](OwnedField& f, OwnedStart&) { (*f.state)[12] = -1.0; },
         "state[12] is -1 (node 3); density must be above 0"},
        {"negative pressure", [](OwnedField& f, OwnedStart&) { (*f.state)[7] = 0.1; },
         "state[7] is 0.1 (node 1), which gives pressure -"},
        {"bad mesh first", [](OwnedField&, OwnedStart& s) { s.coords->pop_back(); },
         "coords has"},
    };
    const std::size_t live = solverRegistry().size();
    for (const Fault& fault : faults) {
        OwnedField field = good;
        OwnedStart arguments = start;
        fault.apply(field, arguments);
        std::string message = "accepted";
        try {
            hostCleanup(hostStartFromField(arguments, field));
        } catch (const InvalidInput& error) {
            message = error.what();
        }
        EXPECT_EQ(message.substr(0, fault.message.size()), fault.message) << fault.what;
    }
    EXPECT_EQ(solverRegistry().size(), live);
}
