// Helpers of the working-frame code: the angle between unit vectors as it compares them (also
// where rounding pushes their dot product to magnitude 1 or beyond), negation, triangle corners.
#pragma once

#include "geometry/UnitVectorAngle.h"

#include <vtkMath.h>
#include <vtkPolyData.h>

// The angle in degrees between the unit vectors u and v.
inline double AngleDegrees(const double u[3], const double v[3])
{
  return AngleDegrees(vtkMath::Dot(u, v));
}

// How the angle between the unit vectors u and v compares with a right angle: negative below
// 90 degrees, 0 at exactly 90, positive beyond (the vectors are apart). Exactly perpendicular
// vectors do give 90, so each caller's comparison states whether its test is strict.
inline int CompareWithRightAngle(const double u[3], const double v[3])
{
  const double angle = AngleDegrees(u, v);
  return angle < 90.0 ? -1 : (angle > 90.0 ? 1 : 0);
}

inline void Negate(double v[3])
{
  v[0] = -v[0];
  v[1] = -v[1];
  v[2] = -v[2];
}

// The corner points of the triangle cellId of mesh, in its point order; the caller has made
// sure that the cell is a triangle.
inline void TrianglePoints(vtkPolyData* mesh, vtkIdType cellId, double p0[3], double p1[3], double p2[3])
{
  vtkIdType count = 0;
  const vtkIdType* ids = nullptr;
  mesh->GetCellPoints(cellId, count, ids);
  mesh->GetPoint(ids[0], p0);
  mesh->GetPoint(ids[1], p1);
  mesh->GetPoint(ids[2], p2);
}
