// Small builders shared by the cut-line tests and benchmarks: point lists, boxes, closed
// cut-line splines, the cut line sampled into poses, and projection queries along a gum line.
#pragma once

#include "cutline/CutLineGenerator.h"
#include "cutline/CutLineRules.h"

#include <vtkCubeSource.h>
#include <vtkNew.h>
#include <vtkParametricSpline.h>
#include <vtkPoints.h>
#include <vtkPolyData.h>
#include <vtkTriangleFilter.h>

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

} // namespace cutlinetest
