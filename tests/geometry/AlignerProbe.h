// Test access to the aligner's search steps and fields, and the small meshes that the frame
// tests are built on.
#pragma once

#include "geometry/CoordinateAligner.h"

#include <vtkSmartPointer.h>

#include <functional>
#include <vector>

class vtkPolyData;

// Opens the aligner's protected steps and fields to the tests.
class AlignerProbe : public CoordinateAligner
{
public:
  using CoordinateAligner::CoordinateAligner;
  using CoordinateAligner::ComputeInPlaneAxes;
  using CoordinateAligner::FindLargestPlanarGroup;
  using CoordinateAligner::FitBasePlane;
  using CoordinateAligner::ProjectSegments;

  using CoordinateAligner::axes;
  using CoordinateAligner::extent;
  using CoordinateAligner::heightAxis;
  using CoordinateAligner::hitsA;
  using CoordinateAligner::hitsB;
  using CoordinateAligner::longAxis;
  using CoordinateAligner::midAxis;
  using CoordinateAligner::planeNormal;
  using CoordinateAligner::planeOrigin;

  // Coordinate axes with the given height, long and middle indexes, and the extents of the
  // mesh's bounding box, as the automatic frame sets them before the base-plane search.
  void UseAxes(int height, int longIndex, int mid);
};

struct Vec3
{
  double x;
  double y;
  double z;
};

// A polydata of triangles (three point indexes each) over the given points.
vtkSmartPointer<vtkPolyData> TriangleMesh(
  const std::vector<Vec3>& points, const std::vector<std::vector<vtkIdType>>& triangles);

// A height field over an nx x ny grid of points (i, j, height(i, j)) with unit spacing; each
// grid square is split into two triangles along its (i, j)-(i + 1, j + 1) diagonal, ordered
// counter-clockwise seen from +z.
vtkSmartPointer<vtkPolyData> HeightField(
  int nx, int ny, const std::function<double(int, int)>& height);

// A closed, outward-oriented box: each face an n x n grid of squares split into triangles
// (the bottom face bottomN x bottomN), top and bottom split along the same diagonals.
vtkSmartPointer<vtkPolyData> GridBox(const Vec3& lo, const Vec3& hi, int n, int bottomN = 0);

// The triangles of a and b in one polydata.
vtkSmartPointer<vtkPolyData> Merge(vtkPolyData* a, vtkPolyData* b);
