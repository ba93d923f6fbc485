// JNI entry points of kestrafol.engine.FlowModule, the toolkit's flow module: the five calls of
// CFD.Solvers.EulerSolver on the same session layer, plus a start from a given flow field and
// the read-back of a solver's field. Its settings vectors may carry the method options after the
// first 16 values. Each entry point holds the host's arrays for reading, calls
// the matching session function and converts its result back; every check is the session's.
#include "jni/jni_glue.h"
#include "kestrafol_engine_FlowModule.h"

namespace {
// The settings entries after the first 16 select the method options of this module.
constexpr session::ExtraSettings methodOptions = session::ExtraSettings::methodOptions;
}  // namespace

JNIEXPORT jint JNICALL JNI_OnLoad(JavaVM* vm, void* /*reserved*/) { return loadLibrary(vm); }

JNIEXPORT void JNICALL JNI_OnUnload(JavaVM* vm, void* /*reserved*/) { unloadLibrary(vm); }

JNIEXPORT jlongArray JNICALL Java_kestrafol_engine_FlowModule_start(
    JNIEnv* env, jclass /*host*/, jint nodeCount, jdoubleArray coords, jint triangleCount,
    jintArray triangles, jint quadCount, jintArray quads, jint boundaryEdgeCount,
    jintArray boundaryEdges, jint boundaryKindCount, jintArray boundaryKinds,
    jdoubleArray parameters) {
    return guarded<jlongArray>(env, [&]() -> jlongArray {
        const PinnedMesh mesh(env, nodeCount, coords, triangleCount, triangles, quadCount, quads,
                              boundaryEdgeCount, boundaryEdges, boundaryKindCount, boundaryKinds);
        const PinnedDoubles parametersHeld(env, parameters, true);
        return startedHandle(env, [&] {
            return session::start(mesh.input(), parametersHeld.view(), methodOptions);
        });
    });
}

JNIEXPORT jlongArray JNICALL Java_kestrafol_engine_FlowModule_startFromField(
    JNIEnv* env, jclass /*host*/, jint nodeCount, jdoubleArray coords, jint triangleCount,
    jintArray triangles, jint quadCount, jintArray quads, jint boundaryEdgeCount,
    jintArray boundaryEdges, jint boundaryKindCount, jintArray boundaryKinds,
    jdoubleArray parameters, jdoubleArray state, jdoubleArray statePrev, jdoubleArray statePrev2,
    jdoubleArray delta, jdoubleArray memory) {
    return guarded<jlongArray>(env, [&]() -> jlongArray {
        const PinnedMesh mesh(env, nodeCount, coords, triangleCount, triangles, quadCount, quads,
                              boundaryEdgeCount, boundaryEdges, boundaryKindCount, boundaryKinds);
        const PinnedDoubles parametersHeld(env, parameters, true);
        const PinnedDoubles stateHeld(env, state, true);
        const PinnedDoubles statePrevHeld(env, statePrev, true);
        const PinnedDoubles statePrev2Held(env, statePrev2, true);
        const PinnedDoubles deltaHeld(env, delta, true);
        const PinnedDoubles memoryHeld(env, memory, true);
        const session::FieldInput field{stateHeld.view(), statePrevHeld.view(),
                                        statePrev2Held.view(), deltaHeld.view(),
                                        memoryHeld.view()};
        return startedHandle(env, [&] {
            return session::startFromField(mesh.input(), parametersHeld.view(), field,
                                           methodOptions);
        });
    });
}

JNIEXPORT jdoubleArray JNICALL Java_kestrafol_engine_FlowModule_iterate(JNIEnv* env,
                                                                        jclass /*host*/,
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

JNIEXPORT jdoubleArray JNICALL Java_kestrafol_engine_FlowModule_field(JNIEnv* env, jclass /*host*/,
                                                                      jlongArray handle) {
    return guarded<jdoubleArray>(env, [&]() -> jdoubleArray {
        const PinnedHandle handleHeld(env, handle, true);
        jdoubleArray result = nullptr;
        session::readField(handleHeld.view(),
                           [&](const std::array<std::span<const double>, 5>& levels) {
                               std::size_t total = 0;
                               for (const auto& level : levels) total += level.size();
                               result = env->NewDoubleArray(static_cast<jsize>(total));
                               if (result == nullptr) jniCallFailed(env);
                               jsize at = 0;
                               for (const auto& level : levels) {
                                   const auto length = static_cast<jsize>(level.size());
                                   env->SetDoubleArrayRegion(result, at, length, level.data());
                                   at += length;
                               }
                           });
        return result;
    });
}

JNIEXPORT void JNICALL Java_kestrafol_engine_FlowModule_update(JNIEnv* env, jclass /*host*/,
                                                               jlongArray handle,
                                                               jdoubleArray parameters) {
    guarded<void>(env, [&] {
        const PinnedHandle handleHeld(env, handle, true);
        const PinnedDoubles parametersHeld(env, parameters, true);
        session::update(handleHeld.view(), parametersHeld.view(), methodOptions);
    });
}

JNIEXPORT jdoubleArray JNICALL Java_kestrafol_engine_FlowModule_analysis(JNIEnv* env,
                                                                         jclass /*host*/,
                                                                         jlongArray handle) {
    return guarded<jdoubleArray>(env, [&]() -> jdoubleArray {
        const PinnedHandle handleHeld(env, handle, true);
        const std::array<double, 5> coefficients = session::analysis(handleHeld.view());
        return newDoubleArray(env, coefficients.data(), coefficients.size());
    });
}

JNIEXPORT void JNICALL Java_kestrafol_engine_FlowModule_cleanup(JNIEnv* env, jclass /*host*/,
                                                                jlongArray handle) {
    guarded<void>(env, [&] {
        const PinnedHandle handleHeld(env, handle, true);
        session::cleanup(handleHeld.view());
    });
}
