// JNI entry points of CFD.Solvers.EulerSolver. Each one holds the host's arrays for reading,
// calls the matching session function and converts its result back.
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
#include "session/session.h"

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

// The element type JNI uses for each array type.
template <typename Array>
struct NativeOf;
template <>
struct NativeOf<jdoubleArray> {
    using Type = jdouble;
};
template <>
struct NativeOf<jintArray> {
    using Type = jint;
};
template <>
struct NativeOf<jlongArray> {
    using Type = jlong;
};

// A host array held for reading while a session call runs: its elements are fetched only when
// its count says it is read, and released (unchanged) when the call ends.
template <typename Array, typename Element>
class Pinned {
public:
    Pinned(JNIEnv* env, Array array, bool read) : env_(env), array_(array) {
        if (array_ == nullptr || !read) return;
        length_ = env_->GetArrayLength(array_);
        if (length_ == 0) return;
        elements_ = fetch(env_, array_);
        if (elements_ == nullptr) jniCallFailed(env_);
    }
    Pinned(const Pinned&) = delete;
    Pinned& operator=(const Pinned&) = delete;
    ~Pinned() {
        if (elements_ != nullptr) release(env_, array_, elements_);
    }

    // The view the session reads: null stays null, an empty array is an empty (non-null) one.
    HostArray<Element> view() const {
        if (array_ == nullptr || length_ < 0) return {};
        static const Element none{};
        return HostArray<Element>(
            elements_ != nullptr ? reinterpret_cast<const Element*>(elements_) : &none, length_);
    }

private:
    using Native = typename NativeOf<Array>::Type;
    static Native* fetch(JNIEnv* env, Array array);
    static void release(JNIEnv* env, Array array, Native* elements);

    JNIEnv* env_;
    Array array_;
    jsize length_ = -1;
    Native* elements_ = nullptr;
};

template <>
jdouble* Pinned<jdoubleArray, double>::fetch(JNIEnv* env, jdoubleArray array) {
    return env->GetDoubleArrayElements(array, nullptr);
}
template <>
void Pinned<jdoubleArray, double>::release(JNIEnv* env, jdoubleArray array, jdouble* elements) {
    env->ReleaseDoubleArrayElements(array, elements, JNI_ABORT);
}
template <>
jint* Pinned<jintArray, int>::fetch(JNIEnv* env, jintArray array) {
    return env->GetIntArrayElements(array, nullptr);
}
template <>
void Pinned<jintArray, int>::release(JNIEnv* env, jintArray array, jint* elements) {
    env->ReleaseIntArrayElements(array, elements, JNI_ABORT);
}
template <>
jlong* Pinned<jlongArray, std::int64_t>::fetch(JNIEnv* env, jlongArray array) {
    return env->GetLongArrayElements(array, nullptr);
}
template <>
void Pinned<jlongArray, std::int64_t>::release(JNIEnv* env, jlongArray array, jlong* elements) {
    env->ReleaseLongArrayElements(array, elements, JNI_ABORT);
}

using PinnedDoubles = Pinned<jdoubleArray, double>;
using PinnedInts = Pinned<jintArray, int>;
using PinnedHandle = Pinned<jlongArray, std::int64_t>;

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
    if (illegalArgumentClass == nullptr || illegalStateClass == nullptr ||
        outOfMemoryClass == nullptr) {
        releaseClasses(env);
        return JNI_ERR;
    }
    try {
        session::load();
    } catch (...) {
        releaseClasses(env);
        return JNI_ERR;
    }
    return JNI_VERSION_1_8;
}

JNIEXPORT void JNICALL JNI_OnUnload(JavaVM* vm, void* /*reserved*/) {
    // The class loader is gone, so no call can reach the library any more.
    session::unload();
    JNIEnv* env = nullptr;
    if (vm->GetEnv(reinterpret_cast<void**>(&env), JNI_VERSION_1_8) == JNI_OK) releaseClasses(env);
}

JNIEXPORT jlongArray JNICALL Java_CFD_Solvers_EulerSolver_start(
    JNIEnv* env, jclass /*host*/, jint nodeCount, jdoubleArray coords, jint triangleCount,
    jintArray triangles, jint quadCount, jintArray quads, jint boundaryEdgeCount,
    jintArray boundaryEdges, jint boundaryKindCount, jintArray boundaryKinds,
    jdoubleArray parameters) {
    return guarded<jlongArray>(env, [&]() -> jlongArray {
        // An array whose count is below 1 is not touched.
        const PinnedDoubles coordsHeld(env, coords, nodeCount >= 1);
        const PinnedInts trianglesHeld(env, triangles, triangleCount >= 1);
        const PinnedInts quadsHeld(env, quads, quadCount >= 1);
        const PinnedInts boundaryEdgesHeld(env, boundaryEdges, boundaryEdgeCount >= 1);
        const PinnedInts boundaryKindsHeld(env, boundaryKinds, boundaryKindCount >= 1);
        const PinnedDoubles parametersHeld(env, parameters, true);
        const MeshInput mesh = meshInput(nodeCount, coordsHeld.view(), triangleCount,
                                         trianglesHeld.view(), quadCount, quadsHeld.view(),
                                         boundaryEdgeCount, boundaryEdgesHeld.view(),
                                         boundaryKindCount, boundaryKindsHeld.view());

        jlongArray handle = env->NewLongArray(2);
        if (handle == nullptr) jniCallFailed(env);
        const HandleValues values = session::start(mesh, parametersHeld.view());
        const std::array<jlong, 2> elements{values[0], values[1]};
        env->SetLongArrayRegion(handle, 0, 2, elements.data());
        return handle;
    });
}

JNIEXPORT jdoubleArray JNICALL Java_CFD_Solvers_EulerSolver_iterate(JNIEnv* env, jclass /*host*/,
                                                                    jlongArray handle) {
    return guarded<jdoubleArray>(env, [&]() -> jdoubleArray {
        const PinnedHandle handleHeld(env, handle, true);
        jdoubleArray result = nullptr;
        session::iterate(handleHeld.view(), [&](std::span<const double> state) {
            result = newDoubleArray(env, state.data(), state.size());
        });
        return result;
    });
}

JNIEXPORT void JNICALL Java_CFD_Solvers_EulerSolver_update(JNIEnv* env, jclass /*host*/,
                                                           jlongArray handle,
                                                           jdoubleArray parameters) {
    guarded<void>(env, [&] {
        const PinnedHandle handleHeld(env, handle, true);
        const PinnedDoubles parametersHeld(env, parameters, true);
        session::update(handleHeld.view(), parametersHeld.view());
    });
}

JNIEXPORT jdoubleArray JNICALL Java_CFD_Solvers_EulerSolver_analysis(JNIEnv* env, jclass /*host*/,
                                                                     jlongArray handle) {
    return guarded<jdoubleArray>(env, [&]() -> jdoubleArray {
        const PinnedHandle handleHeld(env, handle, true);
        const std::array<double, 5> coefficients = session::analysis(handleHeld.view());
        return newDoubleArray(env, coefficients.data(), coefficients.size());
    });
}

JNIEXPORT void JNICALL Java_CFD_Solvers_EulerSolver_cleanup(JNIEnv* env, jclass /*host*/,
                                                            jlongArray handle) {
    guarded<void>(env, [&] {
        const PinnedHandle handleHeld(env, handle, true);
        session::cleanup(handleHeld.view());
    });
}
