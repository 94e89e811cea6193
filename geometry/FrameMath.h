// Vector helpers of the working-frame code: the angle between unit vectors as it compares
// them (also where rounding pushes their dot product to magnitude 1 or beyond), and negation.
#pragma once

#include <vtkMath.h>

#include <cmath>

// The angle in degrees for the dot product s of two unit vectors: acos(s) while |s| < 1;
// beyond that the vectors count as equal (0) only within 0.0001 of +1, else as opposite (180).
inline double AngleDegrees(double s)
{
  if (std::fabs(s) < 1.0)
  {
    return vtkMath::DegreesFromRadians(std::acos(s));
  }
  return std::fabs(s - 1.0) < 0.0001 ? 0.0 : 180.0;
}

inline double AngleDegrees(const double u[3], const double v[3])
{
  return AngleDegrees(vtkMath::Dot(u, v));
}

inline void Negate(double v[3])
{
  v[0] = -v[0];
  v[1] = -v[1];
  v[2] = -v[2];
}
