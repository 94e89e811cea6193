// The angle between two unit vectors from their dot product, as the cut-line code compares
// tool directions and turns a direction into the machine's rotary angle.
#pragma once

#include <vtkMath.h>

#include <cmath>

// Angle in degrees for the dot product `c` of two unit vectors: acos while |c| < 1; where
// rounding takes it to magnitude 1 or beyond, the vectors count as equal (0) only within
// 0.0001 of +1, else as opposite (180).
inline double AngleFromCosine(double c)
{
  if (std::fabs(c) < 1.0)
  {
    return std::acos(c) * 180.0 / vtkMath::Pi();
  }
  return std::fabs(c - 1.0) < 0.0001 ? 0.0 : 180.0;
}
