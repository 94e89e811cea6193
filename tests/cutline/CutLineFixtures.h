// Small builders shared by the cut-line tests and benchmarks: point lists from Point3 lines,
// closed cut-line splines, and the cut line sampled into poses as the save path does it.
#pragma once

#include "cutline/CutLineGenerator.h"

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

// The spline sampled every 0.1, one pose per sample with its direction (window 60).
inline std::vector<PoseDir> SampledPoses(vtkParametricSpline* spline)
{
  vtkSmartPointer<vtkPoints> samples = CutLineGenerator::ResampleClosedSpline(spline, 0.1);
  std::vector<Point3> dirs;
  CutLineGenerator::ComputeDirections(samples, 60, dirs);
  std::vector<PoseDir> poses;
  poses.reserve(dirs.size());
  for (size_t j = 0; j < dirs.size(); ++j)
  {
    double p[3];
    samples->GetPoint(static_cast<vtkIdType>(j), p);
    poses.push_back(PoseDir{ Point3{ p[0], p[1], p[2] }, dirs[j] });
  }
  return poses;
}

} // namespace cutlinetest
