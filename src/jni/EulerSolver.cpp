// JNI entry points of CFD.Solvers.EulerSolver. Each one holds the host's arrays for reading,
// calls the matching session function and converts its result back.
// No C++ exception leaves an entry point: refused input becomes IllegalArgumentException, a
// bad or busy handle IllegalStateException, a failed allocation OutOfMemoryError.
#include "CFD_Solvers_EulerSolver.h"
#include "jni/jni_glue.h"


JNIEXPORT jint JNICALL JNI_OnLoad(JavaVM* vm, void* /*reserved*/) { return loadLibrary(vm); }

JNIEXPORT void JNICALL JNI_OnUnload(JavaVM* vm, void* /*reserved*/) { unloadLibrary(vm); }

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
