// JNI entry points of CFD.Solvers.EulerSolver. Each one converts the host's arrays into
// library-owned copies, checks them, delegates to the solver and converts the result back.
// No C++ exception leaves an entry point: refused input becomes IllegalArgumentException, a
// bad or busy handle IllegalStateException, a failed allocation OutOfMemoryError.
#include <jni.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <new>
#include <stdexcept>
#include <type_traits>
#include <utility>
#include <vector>

#include "CFD_Solvers_EulerSolver.h"
#include "core/iterate_cycle.h"
#include "core/setup.h"
#include "diag/diag.h"
#include "jni/log_stream.h"
#include "jni/settings.h"
#include "jni/solver_registry.h"
#include "jni/validate_input.h"

namespace {

using namespace kestrafol;

// Exception classes, held as global references from load to unload.
jclass illegalArgumentClass = nullptr;
jclass illegalStateClass = nullptr;
jclass outOfMemoryClass = nullptr;

// A JNI call failed and left its Java exception pending; it goes to the host as it is.
struct JavaExceptionPending {};

// After a JNI call that returned null: pass its pending exception on, or report memory.
[[noreturn]] void jniCallFailed(JNIEnv* env) {
    if (env->ExceptionCheck()) throw JavaExceptionPending{};
    throw std::bad_alloc();
}

void raise(JNIEnv* env, jclass type, const char* message) noexcept {
    if (env->ExceptionCheck() || type == nullptr) return;  // a pending exception goes first
    env->ThrowNew(type, message);
}

// Runs `body` and turns every C++ exception into a Java exception; the entry point then returns
// null (or nothing), which the host never sees because the exception is pending.
template <typename Result, typename Body>
Result guarded(JNIEnv* env, Body&& body) noexcept {
    try {
        return body();
    } catch (const JavaExceptionPending&) {
    } catch (const InvalidInput& error) {
        raise(env, illegalArgumentClass, error.what());
    } catch (const InvalidHandle& error) {
        raise(env, illegalStateClass, error.what());
    } catch (const std::bad_alloc&) {
        raise(env, outOfMemoryClass, "Kestrafol: out of native memory");
    } catch (const std::length_error&) {
        raise(env, outOfMemoryClass, "Kestrafol: requested native array is too large");
    } catch (const std::exception& error) {
        char message[512];
        std::snprintf(message, sizeof message, "Kestrafol internal error: %s", error.what());
        raise(env, illegalStateClass, message);
    } catch (...) {
        raise(env, illegalStateClass, "Kestrafol internal error");
    }
    if constexpr (!std::is_void_v<Result>) return nullptr;
}

// Length of a host array that is about to be read; nullArrayLength for null.
std::int64_t lengthOf(JNIEnv* env, jarray array) {
    return array == nullptr ? nullArrayLength : env->GetArrayLength(array);
}

// Copies the first `count` values of a host array (already checked to hold them) and releases
// the host array before returning.
std::vector<double> copyDoubles(JNIEnv* env, jdoubleArray array, std::size_t count) {
    std::vector<double> copy(count);
    if (count == 0) return copy;
    jdouble* const elements = env->GetDoubleArrayElements(array, nullptr);
    if (elements == nullptr) jniCallFailed(env);
    std::copy_n(elements, count, copy.begin());
    env->ReleaseDoubleArrayElements(array, elements, 0);
    return copy;
}

std::vector<int> copyInts(JNIEnv* env, jintArray array, std::size_t count) {
    std::vector<int> copy(count);
    if (count == 0) return copy;
    jint* const elements = env->GetIntArrayElements(array, nullptr);
    if (elements == nullptr) jniCallFailed(env);
    std::copy_n(elements, count, copy.begin());
    env->ReleaseIntArrayElements(array, elements, 0);
    return copy;
}

// Checks and copies the 16 settings values of start or update.
ParameterVector copyParameters(JNIEnv* env, jdoubleArray parameters) {
    checkParametersLength(lengthOf(env, parameters));
    ParameterVector copy{};
    jdouble* const elements = env->GetDoubleArrayElements(parameters, nullptr);
    if (elements == nullptr) jniCallFailed(env);
    std::copy_n(elements, copy.size(), copy.begin());
    env->ReleaseDoubleArrayElements(parameters, elements, 0);
    return copy;
}

// Reads the two values of a handle; the registry decides whether they name a live solver.
HandleValues readHandle(JNIEnv* env, jlongArray handle) {
    if (handle == nullptr) throw InvalidHandle("handle is null; pass the handle that start returned");
    const jsize length = env->GetArrayLength(handle);
    if (length != 2) {
        char message[96];
        std::snprintf(message, sizeof message, "handle has %d elements; a solver handle has 2",
                      static_cast<int>(length));
        throw InvalidHandle(message);
    }
    jlong* const elements = env->GetLongArrayElements(handle, nullptr);
    if (elements == nullptr) jniCallFailed(env);
    const HandleValues values{elements[0], elements[1]};
    env->ReleaseLongArrayElements(handle, elements, 0);
    return values;
}

jdoubleArray newDoubleArray(JNIEnv* env, const double* values, std::size_t count) {
    const auto length = static_cast<jsize>(count);
    jdoubleArray result = env->NewDoubleArray(length);
    if (result == nullptr) jniCallFailed(env);
    env->SetDoubleArrayRegion(result, 0, length, values);
    return result;
}

jclass globalClass(JNIEnv* env, const char* name) {
    const jclass local = env->FindClass(name);
    if (local == nullptr) return nullptr;
    const auto global = static_cast<jclass>(env->NewGlobalRef(local));
    env->DeleteLocalRef(local);
    return global;
}

void releaseClasses(JNIEnv* env) {
    for (jclass* type : {&illegalArgumentClass, &illegalStateClass, &outOfMemoryClass}) {
        if (*type != nullptr) env->DeleteGlobalRef(*type);
        *type = nullptr;
    }
}

}  // namespace

JNIEXPORT jint JNICALL JNI_OnLoad(JavaVM* vm, void* /*reserved*/) {
    JNIEnv* env = nullptr;
    if (vm->GetEnv(reinterpret_cast<void**>(&env), JNI_VERSION_1_8) != JNI_OK) return JNI_ERR;
    illegalArgumentClass = globalClass(env, "java/lang/IllegalArgumentException");
    illegalStateClass = globalClass(env, "java/lang/IllegalStateException");
    outOfMemoryClass = globalClass(env, "java/lang/OutOfMemoryError");
    if (illegalArgumentClass == nullptr || illegalStateClass == nullptr || outOfMemoryClass == nullptr) {
        releaseClasses(env);
        return JNI_ERR;
    }
    try {
        openLogStream();
    } catch (...) {
        releaseClasses(env);
        return JNI_ERR;
    }
    return JNI_VERSION_1_8;
}

JNIEXPORT void JNICALL JNI_OnUnload(JavaVM* vm, void* /*reserved*/) {
    // The class loader is gone, so no call can reach the library any more.
    solverRegistry().clear();
    closeLogStream();
    JNIEnv* env = nullptr;
    if (vm->GetEnv(reinterpret_cast<void**>(&env), JNI_VERSION_1_8) == JNI_OK) releaseClasses(env);
}

JNIEXPORT jlongArray JNICALL Java_CFD_Solvers_EulerSolver_start(
    JNIEnv* env, jclass /*host*/, jint nodeCount, jdoubleArray coords, jint triangleCount,
    jintArray triangles, jint quadCount, jintArray quads, jint boundaryEdgeCount,
    jintArray boundaryEdges, jint boundaryKindCount, jintArray boundaryKinds, jdoubleArray parameters) {
    return guarded<jlongArray>(env, [&]() -> jlongArray {
        // Counts and lengths first: nothing is copied for a call that cannot succeed. An array
        // whose count is below 1 is not touched.
        MeshShape shape;
        shape.nodeCount = nodeCount;
        shape.coordsLength = nodeCount >= 1 ? lengthOf(env, coords) : nullArrayLength;
        shape.triangleCount = triangleCount;
        shape.trianglesLength = triangleCount >= 1 ? lengthOf(env, triangles) : nullArrayLength;
        shape.quadCount = quadCount;
        shape.quadsLength = quadCount >= 1 ? lengthOf(env, quads) : nullArrayLength;
        shape.boundaryEdgeCount = boundaryEdgeCount;
        shape.boundaryEdgesLength = boundaryEdgeCount >= 1 ? lengthOf(env, boundaryEdges) : nullArrayLength;
        shape.boundaryKindCount = boundaryKindCount;
        shape.boundaryKindsLength = boundaryKindCount >= 1 ? lengthOf(env, boundaryKinds) : nullArrayLength;
        const MeshCopySizes sizes = checkMeshShape(shape);
        checkParametersLength(lengthOf(env, parameters));

        // Library-owned copies, in argument order, each host array released right after.
        std::vector<double> coordsCopy = copyDoubles(env, coords, sizes.coords);
        std::vector<int> trianglesCopy = copyInts(env, triangles, sizes.triangles);
        // Without quadrilaterals the state holds a one-int placeholder that nothing reads.
        std::vector<int> quadsCopy = sizes.quads > 0 ? copyInts(env, quads, sizes.quads) : std::vector<int>(1, 0);
        std::vector<int> boundaryEdgesCopy = copyInts(env, boundaryEdges, sizes.boundaryEdges);
        std::vector<int> boundaryKindsCopy = copyInts(env, boundaryKinds, sizes.boundaryKinds);
        const ParameterVector parameterCopy = copyParameters(env, parameters);

        MeshInput mesh;
        mesh.nodeCount = nodeCount;
        mesh.coords = coordsCopy;
        mesh.triangleCount = triangleCount;
        mesh.triangles = trianglesCopy;
        mesh.quadCount = quadCount;
        mesh.quads = std::span<const int>(quadsCopy).first(sizes.quads);
        mesh.boundaryEdgeCount = boundaryEdgeCount;
        mesh.boundaryEdges = boundaryEdgesCopy;
        mesh.boundaryKindCount = boundaryKindCount;
        mesh.boundaryKinds = boundaryKindsCopy;
        checkMeshInput(mesh);
        checkParameters(parameterCopy);

        SolverRecords records = createSolver(
            nodeCount, std::move(coordsCopy), triangleCount, std::move(trianglesCopy), quadCount,
            std::move(quadsCopy), boundaryEdgeCount, std::move(boundaryEdgesCopy), boundaryKindCount,
            std::move(boundaryKindsCopy), parameterCopy);

        jlongArray handle = env->NewLongArray(2);
        if (handle == nullptr) jniCallFailed(env);
        // Registered last: until here the records are released with this frame if anything fails.
        // The registry moves them to their lasting addresses, which make the handle.
        const HandleValues values = solverRegistry().add(std::move(records));
        const std::array<jlong, 2> elements{values[0], values[1]};
        env->SetLongArrayRegion(handle, 0, 2, elements.data());
        return handle;
    });
}

JNIEXPORT jdoubleArray JNICALL Java_CFD_Solvers_EulerSolver_iterate(JNIEnv* env, jclass /*host*/,
                                                                    jlongArray handle) {
    return guarded<jdoubleArray>(env, [&]() -> jdoubleArray {
        const HandleValues values = readHandle(env, handle);
        const SolverRegistry::Lease solver = solverRegistry().acquire(values[0], values[1]);
        const std::vector<double>& state = iterateCycle(solver.state(), solver.settings());
        return newDoubleArray(env, state.data(), state.size());
    });
}

JNIEXPORT void JNICALL Java_CFD_Solvers_EulerSolver_update(JNIEnv* env, jclass /*host*/,
                                                           jlongArray handle, jdoubleArray parameters) {
    guarded<void>(env, [&] {
        const HandleValues values = readHandle(env, handle);
        const SolverRegistry::Lease solver = solverRegistry().acquire(values[0], values[1]);
        // The whole vector is checked before the record is touched: a refused update changes nothing.
        const ParameterVector parameterCopy = copyParameters(env, parameters);
        checkParameters(parameterCopy);
        settingsFromParameters(solver.settings(), parameterCopy);
    });
}

JNIEXPORT jdoubleArray JNICALL Java_CFD_Solvers_EulerSolver_analysis(JNIEnv* env, jclass /*host*/,
                                                                     jlongArray handle) {
    return guarded<jdoubleArray>(env, [&]() -> jdoubleArray {
        const HandleValues values = readHandle(env, handle);
        const SolverRegistry::Lease solver = solverRegistry().acquire(values[0], values[1]);
        const std::array<double, 5> coefficients = computeCoefficients(solver.state(), solver.settings());
        return newDoubleArray(env, coefficients.data(), coefficients.size());
    });
}

JNIEXPORT void JNICALL Java_CFD_Solvers_EulerSolver_cleanup(JNIEnv* env, jclass /*host*/,
                                                            jlongArray handle) {
    guarded<void>(env, [&] {
        writeLogLine("Cleanup Started");
        const HandleValues values = readHandle(env, handle);
        solverRegistry().remove(values[0], values[1]);
        writeLogLine("Cleanup Finished");
    });
}
