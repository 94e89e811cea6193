// Small builders shared by the cut-line tests and benchmarks: point lists from Point3 lines,
// closed cut-line splines, and the cut line sampled into poses as the window does it.
#pragma once

#include "cutline/CutLineGenerator.h"
#include "cutline/CutLineRules.h"

#include <vtkParametricSpline.h>
#include <vtkPoints.h>

#include <vector>

namespace cutlinetest
{

// A point list of VTK's default (single-precision) type, or of doubles when asked.
inline vtkSmartPointer<vtkPoints> MakePoints(
  const std::vector<Point3>& points, bool doublePrecision = false)
{
  auto list = vtkSmartPointer<vtkPoints>::New();
  if (doublePrecision)
  {
    list->SetDataTypeToDouble();
  }
  for (const Point3& p : points)
  {
    list->InsertNextPoint(p.x, p.y, p.z);
  }
  return list;
}

// A closed spline through the points, parameterised by length, as the cut-line widget makes it.
inline vtkSmartPointer<vtkParametricSpline> ClosedSpline(vtkPoints* points)
{
  auto spline = vtkSmartPointer<vtkParametricSpline>::New();
  spline->SetPoints(points);
  spline->ParameterizeByLengthOn();
  spline->ClosedOn();
  return spline;
}

// The spline sampled every 0.1, one pose per sample with its direction, as the window does it.
inline std::vector<PoseDir> SampledPoses(vtkParametricSpline* spline)
{
  return CutLineRules::PosesAlong(
    CutLineGenerator::ResampleClosedSpline(spline, CutLineRules::kSampleSpacing));
}

} // namespace cutlinetest
