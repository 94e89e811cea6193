// The angle between two unit vectors from their dot product: one rule for the working frame
// and the cut line, with the conversion to degrees each of them computes its results with.
#pragma once

#include <vtkMath.h>

#include <cmath>

// Radians to degrees, two ways that round differently: vtkMath's single factor
// (x * 57.29577951308232) and x * 180 / pi, rounded twice. About a quarter of all angles come
// out one bit apart, so each caller keeps the conversion its frames, poses and files were
// made with.
inline double DegreesByVtkFactor(double radians)
{
  return vtkMath::DegreesFromRadians(radians);
}

inline double DegreesByHalfTurnOverPi(double radians)
{
  return radians * 180.0 / vtkMath::Pi();
}

// The angle in degrees for the dot product s of two unit vectors: acos(s) while |s| < 1;
// where rounding takes s to magnitude 1 or beyond, the vectors count as equal (0) only within
// 0.0001 of +1, else as opposite (180).
template <double (*ToDegrees)(double)>
inline double AngleFromDotProduct(double s)
{
  if (std::fabs(s) < 1.0)
  {
    return ToDegrees(std::acos(s));
  }
  return std::fabs(s - 1.0) < 0.0001 ? 0.0 : 180.0;
}

// The working frame's angles (base-plane search, in-plane axes, frame orientation).
inline double AngleDegrees(double s)
{
  return AngleFromDotProduct<DegreesByVtkFactor>(s);
}

// The cut line's angles (tool directions turned toward each other, the rotary axis angle,
// the start of the tool path).
inline double AngleFromCosine(double c)
{
  return AngleFromDotProduct<DegreesByHalfTurnOverPi>(c);
}
