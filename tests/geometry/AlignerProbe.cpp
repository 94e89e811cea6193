// Test access to the aligner and the small meshes of the frame tests.
#include "tests/geometry/AlignerProbe.h"

#include <vtkAppendPolyData.h>
#include <vtkCellArray.h>
#include <vtkCleanPolyData.h>
#include <vtkNew.h>
#include <vtkPoints.h>
#include <vtkPolyData.h>

void AlignerProbe::UseAxes(int height, int longIndex, int mid)
{
  double b[6];
  mesh->GetBounds(b);
  for (int i = 0; i < 3; ++i)
  {
    extent[i] = b[2 * i + 1] - b[2 * i];
    for (int j = 0; j < 3; ++j)
    {
      axes[i][j] = i == j ? 1.0 : 0.0;
    }
  }
  heightAxis = height;
  longAxis = longIndex;
  midAxis = mid;
}

vtkSmartPointer<vtkPolyData> TriangleMesh(
  const std::vector<Vec3>& points, const std::vector<std::vector<vtkIdType>>& triangles)
{
  vtkNew<vtkPoints> pts;
  for (const Vec3& p : points)
  {
    pts->InsertNextPoint(p.x, p.y, p.z);
  }
  vtkNew<vtkCellArray> cells;
  for (const std::vector<vtkIdType>& t : triangles)
  {
    cells->InsertNextCell(static_cast<vtkIdType>(t.size()), t.data());
  }
  auto mesh = vtkSmartPointer<vtkPolyData>::New();
  mesh->SetPoints(pts);
  mesh->SetPolys(cells);
  return mesh;
}

namespace
{

// Appends an n x n grid of squares over the face corner + s u + t v (s, t in [0, 1]); the
// triangles face u x v.
void AddFace(std::vector<Vec3>& points, std::vector<std::vector<vtkIdType>>& triangles,
  const Vec3& corner, const Vec3& u, const Vec3& v, int n)
{
  const auto base = static_cast<vtkIdType>(points.size());
  for (int j = 0; j <= n; ++j)
  {
    for (int i = 0; i <= n; ++i)
    {
      const double s = static_cast<double>(i) / n;
      const double t = static_cast<double>(j) / n;
      points.push_back({ corner.x + s * u.x + t * v.x, corner.y + s * u.y + t * v.y,
        corner.z + s * u.z + t * v.z });
    }
  }
  auto at = [&](int i, int j) { return base + j * (n + 1) + i; };
  for (int j = 0; j < n; ++j)
  {
    for (int i = 0; i < n; ++i)
    {
      triangles.push_back({ at(i, j), at(i + 1, j), at(i + 1, j + 1) });
      triangles.push_back({ at(i, j), at(i + 1, j + 1), at(i, j + 1) });
    }
  }
}

vtkSmartPointer<vtkPolyData> Cleaned(vtkPolyData* mesh)
{
  vtkNew<vtkCleanPolyData> clean;
  clean->SetInputData(mesh);
  clean->PointMergingOn();
  clean->SetTolerance(0.0);
  clean->Update();
  auto out = vtkSmartPointer<vtkPolyData>::New();
  out->DeepCopy(clean->GetOutput());
  return out;
}

} // namespace

vtkSmartPointer<vtkPolyData> HeightField(
  int nx, int ny, const std::function<double(int, int)>& height)
{
  std::vector<Vec3> points;
  for (int j = 0; j < ny; ++j)
  {
    for (int i = 0; i < nx; ++i)
    {
      points.push_back({ static_cast<double>(i), static_cast<double>(j), height(i, j) });
    }
  }
  auto at = [nx](int i, int j) { return static_cast<vtkIdType>(j * nx + i); };
  std::vector<std::vector<vtkIdType>> triangles;
  for (int j = 0; j + 1 < ny; ++j)
  {
    for (int i = 0; i + 1 < nx; ++i)
    {
      triangles.push_back({ at(i, j), at(i + 1, j), at(i + 1, j + 1) });
      triangles.push_back({ at(i, j), at(i + 1, j + 1), at(i, j + 1) });
    }
  }
  return TriangleMesh(points, triangles);
}

vtkSmartPointer<vtkPolyData> GridBox(const Vec3& lo, const Vec3& hi, int n, int bottomN)
{
  const Vec3 dx{ hi.x - lo.x, 0.0, 0.0 };
  const Vec3 dy{ 0.0, hi.y - lo.y, 0.0 };
  const Vec3 dz{ 0.0, 0.0, hi.z - lo.z };
  std::vector<Vec3> points;
  std::vector<std::vector<vtkIdType>> triangles;
  // Top and bottom run their diagonals the same way in x and y.
  AddFace(points, triangles, { lo.x, lo.y, hi.z }, dx, dy, n);
  AddFace(points, triangles, lo, dy, dx, bottomN > 0 ? bottomN : n);
  AddFace(points, triangles, lo, dz, dy, n);                    // x = lo, facing -x
  AddFace(points, triangles, { hi.x, lo.y, lo.z }, dy, dz, n); // x = hi, facing +x
  AddFace(points, triangles, lo, dx, dz, n);                    // y = lo, facing -y
  AddFace(points, triangles, { lo.x, hi.y, lo.z }, dz, dx, n); // y = hi, facing +y
  return Cleaned(TriangleMesh(points, triangles));
}

vtkSmartPointer<vtkPolyData> Merge(vtkPolyData* a, vtkPolyData* b)
{
  vtkNew<vtkAppendPolyData> append;
  append->AddInputData(a);
  append->AddInputData(b);
  append->Update();
  auto out = vtkSmartPointer<vtkPolyData>::New();
  out->DeepCopy(append->GetOutput());
  return out;
}
