// The full-size generated jaw shared by the cut-line benchmarks: built once per run, with its
// 300-point gum line as a point list.
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

inline vtkSmartPointer<vtkPoints> GumLinePoints()
{
  auto points = vtkSmartPointer<vtkPoints>::New();
  for (const Point3& p : Jaw().gumLine)
  {
    points->InsertNextPoint(p.x, p.y, p.z);
  }
  return points;
}

} // namespace bench
