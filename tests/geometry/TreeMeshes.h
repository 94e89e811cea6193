// Small meshes for the model-tree tests: triangles from lists, the generated jaw in double
// precision, needles and slivers, and a flat grid.
#pragma once

#include <vtkPolyData.h>
#include <vtkSmartPointer.h>

#include <array>
#include <vector>

namespace treetest
{

// A poly data of the given triangles over the given points (stored in double precision).
vtkSmartPointer<vtkPolyData> Triangles(
  const std::vector<std::array<double, 3>>& points, const std::vector<std::array<int, 3>>& cells);

// The mesh with its points in double precision, scaled and then moved by amounts below float
// resolution, so that vtkOBBTree's single-precision copy no longer holds the exact vertices.
vtkSmartPointer<vtkPolyData> InDoublePrecision(vtkPolyData* mesh, double scale);

// A fan of needles and slivers around the origin: triangles with a tiny angle at each of their
// corners in turn (vtkOBBTree takes the normal at the second corner), nearly collinear ones and
// exactly collinear ones, mixed with ordinary triangles.
vtkSmartPointer<vtkPolyData> Slivers();

// A flat grid: every box is flat, with one zero axis.
vtkSmartPointer<vtkPolyData> FlatGrid();

// A copy of the mesh with a quad over its first four points appended, through the data set's
// own cell insertion so that its cell types know it.
vtkSmartPointer<vtkPolyData> WithAQuad(vtkPolyData* mesh);

// Moves every n-th point of the mesh by `by` along the coordinate axis `axis`, and marks the
// points modified.
void MovePoints(vtkPolyData* mesh, vtkIdType n, int axis, double by);

} // namespace treetest
