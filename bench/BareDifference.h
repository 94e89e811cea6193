// The bare corefinement difference of the generated jaw and the cutter body on a chosen exact
// kernel, so that exact number types can be compared; each benchmark program that includes
// this header picks one kernel.
#pragma once

#include "tests/support/FixedBodies.h"
#include "tests/support/SyntheticJaw.h"

#include <CGAL/Polygon_mesh_processing/corefinement.h>
#include <CGAL/Surface_mesh.h>

#include <vtkCellArray.h>
#include <vtkPoints.h>
#include <vtkPolyData.h>

#include <benchmark/benchmark.h>

#include <chrono>
#include <vector>

namespace groovebench
{

// The generated jaw of the given size (made once per size).
inline vtkPolyData* Jaw(bool large)
{
  static const auto small = testsupport::MakeSyntheticJaw(testsupport::SmallJaw()).mesh;
  static const auto big = testsupport::MakeSyntheticJaw(testsupport::LargeJaw()).mesh;
  return large ? big : small;
}

inline vtkPolyData* Cutter()
{
  static const auto cutter = testsupport::ReadFixedBody("cross_2.2.stl");
  return cutter;
}

// The triangles of a closed, consistently oriented polydata as a surface mesh.
template <class Point>
CGAL::Surface_mesh<Point> ToSurfaceMesh(vtkPolyData* data)
{
  using Mesh = CGAL::Surface_mesh<Point>;
  Mesh mesh;
  std::vector<typename Mesh::Vertex_index> vertices;
  for (vtkIdType i = 0; i < data->GetNumberOfPoints(); ++i)
  {
    double p[3];
    data->GetPoint(i, p);
    vertices.push_back(mesh.add_vertex(Point(p[0], p[1], p[2])));
  }
  vtkIdType size = 0;
  const vtkIdType* ids = nullptr;
  vtkCellArray* polys = data->GetPolys();
  for (polys->InitTraversal(); polys->GetNextCell(size, ids);)
  {
    mesh.add_face(vertices[ids[0]], vertices[ids[1]], vertices[ids[2]]);
  }
  return mesh;
}

// Times corefine_and_compute_difference(jaw, cutter, result) alone; the meshes are rebuilt
// outside the timed part for every iteration, since the call corefines its inputs.
template <class Point>
void BareDifference(benchmark::State& state, bool large)
{
  using Mesh = CGAL::Surface_mesh<Point>;
  for (auto _ : state)
  {
    Mesh jaw = ToSurfaceMesh<Point>(Jaw(large));
    Mesh cutter = ToSurfaceMesh<Point>(Cutter());
    Mesh result;
    const auto start = std::chrono::steady_clock::now();
    const bool ok = CGAL::Polygon_mesh_processing::corefine_and_compute_difference(jaw, cutter, result);
    state.SetIterationTime(
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    if (!ok || result.is_empty())
    {
      state.SkipWithError("the difference failed");
      break;
    }
  }
  state.counters["triangles"] = static_cast<double>(Jaw(large)->GetNumberOfPolys());
}

} // namespace groovebench
