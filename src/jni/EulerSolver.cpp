// JNI entry points of CFD.Solvers.EulerSolver (placeholder until the entry points land).
#include <jni.h>

#include "CFD_Solvers_EulerSolver.h"
