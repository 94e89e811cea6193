// The small generated jaw with its cut-line generator and a realistic cut line, shared by the
// tests of the cut-line editing widget, and small helpers to read points and actors.
#pragma once

#include "cutline/CutLineGenerator.h"
#include "tests/support/SyntheticJaw.h"
#include "widgets/contourRepresentation.h"

#include <vtkMath.h>
#include <vtkNew.h>
#include <vtkPoints.h>
#include <vtkProp.h>
#include <vtkPropCollection.h>
#include <vtkSmartPointer.h>

#include <array>
#include <cmath>
#include <vector>

namespace cutlinetest
{

// The small jaw, its generator and its cut line (about 60 control points on the surface).
struct JawCase
{
  JawCase()
    : jaw(testsupport::MakeSyntheticJaw(testsupport::SmallJaw()))
  {
    generator.SetModel(jaw.mesh);
    auto gum = vtkSmartPointer<vtkPoints>::New();
    for (const Point3& p : jaw.gumLine)
    {
      gum->InsertNextPoint(p.x, p.y, p.z);
    }
    cutLine = generator.RebuildSmoothLoop(gum);
  }

  testsupport::SyntheticJaw jaw;
  CutLineGenerator generator;
  vtkSmartPointer<vtkPoints> cutLine;
};

inline JawCase& Jaw()
{
  static JawCase c;
  return c;
}

inline vtkSmartPointer<vtkPoints> CopyOf(vtkPoints* points)
{
  auto copy = vtkSmartPointer<vtkPoints>::New();
  copy->DeepCopy(points);
  return copy;
}

inline std::array<double, 3> PointOf(vtkPoints* points, vtkIdType i)
{
  std::array<double, 3> p{};
  points->GetPoint(i, p.data());
  return p;
}

// Length of the closed polygon through the points, the closing side included.
inline double ClosedPolygonLength(vtkPoints* points)
{
  double length = 0.0;
  const vtkIdType n = points->GetNumberOfPoints();
  for (vtkIdType k = 0; k < n; ++k)
  {
    const auto a = PointOf(points, k);
    const auto b = PointOf(points, (k + 1) % n);
    length += std::sqrt(vtkMath::Distance2BetweenPoints(a.data(), b.data()));
  }
  return length;
}

inline std::vector<vtkProp*> ActorsOf(contourRepresentation* rep)
{
  vtkNew<vtkPropCollection> props;
  rep->GetActors(props);
  std::vector<vtkProp*> list;
  props->InitTraversal();
  while (vtkProp* prop = props->GetNextProp())
  {
    list.push_back(prop);
  }
  return list;
}

} // namespace cutlinetest
