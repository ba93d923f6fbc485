// The angle of attack is converted as atan(1) * 4 / 180 * degrees, left to right. For 3 degrees
// the other groupings round differently, so this input tells the orders apart.
#include <cmath>

#include <gtest/gtest.h>

#include "base/settings.h"

using namespace kestrafol;

TEST(SettingsAngleOrder, DegreesAreMultipliedLast) {
    ParameterVector p{};
    p[11] = 1.4;
    p[12] = 3.0;
    SolverSettings s;
    settingsFromParameters(s, p);
    const double quarterPi = std::atan(1.0);
    EXPECT_EQ(s.alpha, quarterPi * 4.0 / 180.0 * 3.0);
    // The input is only useful while these groupings differ from the one above.
    EXPECT_NE(s.alpha, 3.0 * quarterPi * 4.0 / 180.0);
    EXPECT_NE(s.alpha, 3.0 * M_PI / 180.0);
}
