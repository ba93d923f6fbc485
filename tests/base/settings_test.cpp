#include <cmath>

#include <gtest/gtest.h>

#include "base/settings.h"

using namespace kestrafol;

namespace {
ParameterVector baseVector() {
    ParameterVector p{};
    p[1] = 2.0;
    p[2] = 0.5;
    p[5] = 0.0;
    p[6] = 1.0;
    p[10] = 0.5;
    p[11] = 1.4;
    p[12] = 2.0;
    return p;
}
}  // namespace

TEST(SettingsFromParameters, TruncatesIntegerEntriesTowardZero) {
    ParameterVector p = baseVector();
    SolverSettings s;
    p[1] = 1.999;
    p[3] = 2.9;
    p[5] = -1.5;
    p[6] = 5.7;
    settingsFromParameters(s, p);
    EXPECT_EQ(s.spatialOrder, 1);
    EXPECT_EQ(s.localStepping, 2);
    EXPECT_EQ(s.timeMode, -1);
    EXPECT_EQ(s.passesPerCall, 5);
    p[1] = 2.0;
    settingsFromParameters(s, p);
    EXPECT_EQ(s.spatialOrder, 2);
}

TEST(SettingsFromParameters, MapsRealEntriesAndConvertsDegrees) {
    ParameterVector p = baseVector();
    p[7] = 3.5;
    p[9] = 0.01;
    p[14] = 40.0;
    SolverSettings s;
    settingsFromParameters(s, p);
    EXPECT_EQ(s.reconstructionWeight, 0.5);
    EXPECT_EQ(s.cfl, 3.5);
    EXPECT_EQ(s.globalTimeStep, 0.01);
    EXPECT_EQ(s.mach, 0.5);   // entry 10
    EXPECT_EQ(s.gamma, 1.4);  // entry 11
    EXPECT_EQ(s.reynolds, 40.0);
    EXPECT_EQ(s.alpha, std::atan(1.0) * 4.0 / 180.0 * 2.0);
    EXPECT_NEAR(s.alpha, 2.0 * M_PI / 180.0, 1e-16);
}

TEST(SettingsFromParameters, ViscousKeepsOnlyTheIntegerPart) {
    ParameterVector p = baseVector();
    SolverSettings s;
    p[13] = 0.5;
    settingsFromParameters(s, p);
    EXPECT_EQ(s.viscous, 0.0);
    p[13] = 0.7;
    settingsFromParameters(s, p);
    EXPECT_EQ(s.viscous, 0.0);
    p[13] = -1.2;
    settingsFromParameters(s, p);
    EXPECT_EQ(s.viscous, -1.0);
    p[13] = 1.0;
    settingsFromParameters(s, p);
    EXPECT_EQ(s.viscous, 1.0);
}

TEST(SettingsFromParameters, IgnoredEntriesChangeNothing) {
    ParameterVector p = baseVector();
    SolverSettings a, b;
    settingsFromParameters(a, p);
    p[0] = 99.0;
    p[4] = -3.0;
    p[8] = 1e9;
    p[15] = 7.0;
    settingsFromParameters(b, p);
    EXPECT_EQ(a.spatialOrder, b.spatialOrder);
    EXPECT_EQ(a.reconstructionWeight, b.reconstructionWeight);
    EXPECT_EQ(a.timeMode, b.timeMode);
    EXPECT_EQ(a.passesPerCall, b.passesPerCall);
    EXPECT_EQ(a.gamma, b.gamma);
    EXPECT_EQ(a.mach, b.mach);
    EXPECT_EQ(a.alpha, b.alpha);
    EXPECT_EQ(a.viscous, b.viscous);
    EXPECT_EQ(a.reynolds, b.reynolds);
}

TEST(SettingsFromParameters, MethodOptionsComeOnlyFromTheEntriesAfterTheSixteen) {
    SolverSettings s;
    const double entries[] = {1.0, 3.0, 400.0, 1.0, 1.0, 2.5, 1.0};
    methodOptionsFromEntries(s.method, entries);
    EXPECT_EQ(s.method.stepControl, 1);
    EXPECT_EQ(s.method.courantStart, 3.0);
    EXPECT_EQ(s.method.courantMax, 400.0);
    EXPECT_EQ(s.method.symmetricSweeps, 1);
    EXPECT_EQ(s.method.limiter, 1);
    EXPECT_EQ(s.method.limiterThreshold, 2.5);
    EXPECT_EQ(s.method.vortexFarField, 1);
    // The 16-entry vector leaves them; entries left out give the library's method.
    settingsFromParameters(s, baseVector());
    EXPECT_EQ(s.method.vortexFarField, 1);
    methodOptionsFromEntries(s.method, std::span<const double>(entries, 2));
    EXPECT_EQ(s.method.courantStart, 3.0);
    EXPECT_EQ(s.method.courantMax, MethodOptions{}.courantMax);
    EXPECT_EQ(s.method.limiter, 0);
    EXPECT_EQ(s.method.vortexFarField, 0);
}
