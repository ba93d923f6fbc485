#pragma once
// What the JNI entry points of both libraries share: the exception mapping (no C++ exception
// leaves an entry point: refused input becomes IllegalArgumentException, a bad or busy handle
// IllegalStateException, a failed allocation OutOfMemoryError), the host arrays held for
// reading while a session call runs, and the load and unload hooks. Everything is in an
// anonymous namespace: each library includes this header from its one JNI file and keeps its
// own copy, and nothing of it is exported.
#include <jni.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <new>
#include <stdexcept>
#include <type_traits>
#include <utility>
#include <vector>

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

// The five mesh arrays of a start call, held for reading; an array whose count is below 1 is not
// touched.
class PinnedMesh {
public:
    PinnedMesh(JNIEnv* env, jint nodeCount, jdoubleArray coords, jint triangleCount,
               jintArray triangles, jint quadCount, jintArray quads, jint boundaryEdgeCount,
               jintArray boundaryEdges, jint boundaryKindCount, jintArray boundaryKinds)
        : coords_(env, coords, nodeCount >= 1),
          triangles_(env, triangles, triangleCount >= 1),
          quads_(env, quads, quadCount >= 1),
          boundaryEdges_(env, boundaryEdges, boundaryEdgeCount >= 1),
          boundaryKinds_(env, boundaryKinds, boundaryKindCount >= 1),
          input_(meshInput(nodeCount, coords_.view(), triangleCount, triangles_.view(), quadCount,
                           quads_.view(), boundaryEdgeCount, boundaryEdges_.view(),
                           boundaryKindCount, boundaryKinds_.view())) {}

    const MeshInput& input() const { return input_; }

private:
    PinnedDoubles coords_;
    PinnedInts triangles_;
    PinnedInts quads_;
    PinnedInts boundaryEdges_;
    PinnedInts boundaryKinds_;
    MeshInput input_;
};

// A start call: the host's handle array is made first, so that once `start` has registered a
// solver nothing can fail before the handle reaches the host.
template <typename Start>
jlongArray startedHandle(JNIEnv* env, Start&& start) {
    jlongArray handle = env->NewLongArray(2);
    if (handle == nullptr) jniCallFailed(env);
    const HandleValues values = start();
    const std::array<jlong, 2> elements{values[0], values[1]};
    env->SetLongArrayRegion(handle, 0, 2, elements.data());
    return handle;
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

// The library's load hook: the exception classes, then the session. JNI_ERR when either fails.
jint loadLibrary(JavaVM* vm) {
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

// The unload hook: the class loader is gone, so no call can reach the library any more.
void unloadLibrary(JavaVM* vm) {
    session::unload();
    JNIEnv* env = nullptr;
    if (vm->GetEnv(reinterpret_cast<void**>(&env), JNI_VERSION_1_8) == JNI_OK) releaseClasses(env);
}

}  // namespace
