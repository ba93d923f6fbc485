#pragma once
// The message of a refused input check, for tests: a failure when the input is accepted.
#include <functional>
#include <string>

#include <gtest/gtest.h>

#include "session/validate_input.h"

namespace kestrafol::testing {

// The message of the InvalidInput that `call` throws, or a failure when it throws none.
inline std::string rejection(const std::function<void()>& call) {
    try {
        call();
    } catch (const InvalidInput& error) {
        return error.what();
    }
    ADD_FAILURE() << "input was accepted";
    return {};
}

inline std::string meshRejection(const MeshArrays& m) {
    return rejection([&] { checkMeshInput(viewOf(m)); });
}

}  // namespace kestrafol::testing
