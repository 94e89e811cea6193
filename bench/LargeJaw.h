// The full-size generated jaws shared by the benchmarks: built once per run, with the 250k
// jaw's 300-point gum line as a point list.
#pragma once

#include "tests/support/SyntheticJaw.h"

#include <vtkPoints.h>

namespace bench
{

inline const testsupport::SyntheticJaw& Jaw()
{
  static const testsupport::SyntheticJaw jaw =
    testsupport::MakeSyntheticJaw(testsupport::LargeJaw());
  return jaw;
}

// The same jaw at about 1M triangles, for the steps whose cost grows faster than the model.
inline const testsupport::SyntheticJaw& MillionJaw()
{
  static const testsupport::SyntheticJaw jaw =
    testsupport::MakeSyntheticJaw(testsupport::MillionJaw());
  return jaw;
}

// The gum line of a jaw (by default the 250k jaw's) as a point list.
inline vtkSmartPointer<vtkPoints> GumLinePoints(const testsupport::SyntheticJaw& jaw = Jaw())
{
  auto points = vtkSmartPointer<vtkPoints>::New();
  for (const Point3& p : jaw.gumLine)
  {
    points->InsertNextPoint(p.x, p.y, p.z);
  }
  return points;
}

} // namespace bench
