// The angle rule shared by the working frame and the cut line: acos inside [-1, 1], fixed
// answers where rounding leaves that range, and each side's own conversion to degrees.
#include "geometry/UnitVectorAngle.h"

#include <gtest/gtest.h>

#include <cmath>

TEST(UnitVectorAngle, DotProductsAtOrBeyondMagnitudeOneGiveZeroOrAHalfTurn)
{
  struct Case
  {
    double s;
    double degrees;
  };
  const Case cases[] = {
    { 1.0, 0.0 },
    { 1.00009, 0.0 },
    { 1.0002, 180.0 }, // beyond rounding: not the same direction
    { -1.0, 180.0 },
    { -1.3, 180.0 },
    { 0.0, 90.0 },
  };
  for (const Case& c : cases)
  {
    SCOPED_TRACE(c.s);
    EXPECT_EQ(AngleDegrees(c.s), c.degrees);
    EXPECT_EQ(AngleFromCosine(c.s), c.degrees);
  }
}

TEST(UnitVectorAngle, EachSideKeepsItsConversionToDegrees)
{
  // For this dot product the two conversions round one bit apart. The working frame's angles
  // use vtkMath's factor, the cut line's (poses, rotary angles, tool paths) 180 / pi.
  const double s = 0.6;
  const double radians = std::acos(s);
  ASSERT_NE(vtkMath::DegreesFromRadians(radians), radians * 180.0 / vtkMath::Pi());
  EXPECT_EQ(AngleDegrees(s), vtkMath::DegreesFromRadians(radians));
  EXPECT_EQ(AngleFromCosine(s), radians * 180.0 / vtkMath::Pi());
}
