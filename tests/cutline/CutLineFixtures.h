// Small builders shared by the cut-line tests and benchmarks: point lists, boxes, closed
// cut-line splines, the cut line sampled into poses, projection queries along a gum line, the
// generated cut line of a jaw, and the crossings that the fit of the poses moves toward.
#pragma once

#include "cutline/CutLineGenerator.h"
#include "cutline/CutLineRules.h"
#include "tests/support/SyntheticJaw.h"

#include <vtkCubeSource.h>
#include <vtkMath.h>
#include <vtkNew.h>
#include <vtkParametricSpline.h>
#include <vtkPoints.h>
#include <vtkPolyData.h>
#include <vtkTriangleFilter.h>

#include <cmath>
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

// A closed triangulated box with the bounds x0..x1, y0..y1, z0..z1.
inline vtkSmartPointer<vtkPolyData> BoxMesh(const double bounds[6])
{
  vtkNew<vtkCubeSource> cube;
  cube->SetBounds(bounds[0], bounds[1], bounds[2], bounds[3], bounds[4], bounds[5]);
  vtkNew<vtkTriangleFilter> triangles;
  triangles->SetInputConnection(cube->GetOutputPort());
  triangles->Update();
  auto mesh = vtkSmartPointer<vtkPolyData>::New();
  mesh->DeepCopy(triangles->GetOutput());
  return mesh;
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

// A point to project and its axis.
struct AxisQuery
{
  double q[3];
  double axis[3];
};

// One query per gum-line point along its tilted outward tool axis (directions with window 4),
// from (k mod depths) - depths / 2 inside the surface at point k: on, inside, outside and far
// from it.
inline std::vector<AxisQuery> QueriesAlongGumLine(const std::vector<Point3>& gumLine, int depths)
{
  std::vector<Point3> dirs;
  CutLineGenerator::ComputeDirections(MakePoints(gumLine), 4, dirs);
  std::vector<AxisQuery> queries(dirs.size());
  for (size_t k = 0; k < dirs.size(); ++k)
  {
    AxisQuery& query = queries[k];
    const double horizontal[3] = { dirs[k].x, dirs[k].y, dirs[k].z };
    TiltedToolAxis(horizontal, query.axis);
    const Point3& g = gumLine[k];
    const double depth = static_cast<double>(k % static_cast<size_t>(depths)) -
      static_cast<double>(depths / 2);
    query.q[0] = g.x - depth * query.axis[0];
    query.q[1] = g.y - depth * query.axis[1];
    query.q[2] = g.z - depth * query.axis[2];
  }
  return queries;
}

// The cut line's control points that the window generates for the jaw with the form's keep
// fractions (lingual 0.2, buccal 0.3).
inline vtkSmartPointer<vtkPoints> GeneratedCutLine(const testsupport::SyntheticJaw& jaw)
{
  CutLineGenerator generator;
  generator.SetModel(jaw.mesh);
  return generator.GenerateCutLine(MakePoints(jaw.gumLine), 0.2, 0.3, 0.0);
}

// How far each fitted pose lies from the crossing its probe moved it toward: the probe 0.4 on
// the inner upper side of the pose as it came in (`before`), square to the tool axis and to
// the line through its neighbours, projected along the axis. A check that wants that crossing
// within 1.5 of the pose refuses the path when one of these exceeds 1.5.
inline std::vector<double> PickedCrossingGaps(CutLineGenerator& generator,
  const std::vector<PoseDir>& before, const std::vector<PoseDir>& fitted)
{
  const size_t n = before.size();
  std::vector<double> gaps;
  for (size_t i = 0; i < n; ++i)
  {
    const Point3& next = before[(i + 1) % n].point;
    const Point3& prev = before[(i + n - 1) % n].point;
    double tangent[3] = { next.x - prev.x, next.y - prev.y, next.z - prev.z };
    vtkMath::Normalize(tangent);
    const Point3& d = before[i].direction;
    const double direction[3] = { d.x, d.y, d.z };
    double axis[3];
    TiltedToolAxis(direction, axis);
    double side[3];
    SideAcross(axis, tangent, side);
    const Point3& p = before[i].point;
    const double probe[3] = { p.x + CutLineRules::kProbeOffset * side[0],
      p.y + CutLineRules::kProbeOffset * side[1], p.z + CutLineRules::kProbeOffset * side[2] };
    const Point3 c = generator.ProjectAlongAxis(probe, axis);
    const Point3& f = fitted[i].point;
    gaps.push_back(std::sqrt((c.x - f.x) * (c.x - f.x) + (c.y - f.y) * (c.y - f.y) +
      (c.z - f.z) * (c.z - f.z)));
  }
  return gaps;
}

} // namespace cutlinetest
