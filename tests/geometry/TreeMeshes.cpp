// The small meshes of the model-tree tests.
#include "tests/geometry/TreeMeshes.h"

#include <vtkCellArray.h>
#include <vtkCellType.h>
#include <vtkPoints.h>

#include <iterator>
#include <random>

namespace treetest
{

vtkSmartPointer<vtkPolyData> InDoublePrecision(vtkPolyData* mesh, double scale)
{
  auto copy = vtkSmartPointer<vtkPolyData>::New();
  copy->DeepCopy(mesh);
  auto points = vtkSmartPointer<vtkPoints>::New();
  points->SetDataTypeToDouble();
  for (vtkIdType i = 0; i < mesh->GetNumberOfPoints(); ++i)
  {
    const double* p = mesh->GetPoint(i);
    points->InsertNextPoint(p[0] * scale + 1e-9, p[1] * scale - 1e-9, p[2] * scale + 3e-9);
  }
  copy->SetPoints(points);
  return copy;
}

vtkSmartPointer<vtkPolyData> Triangles(
  const std::vector<std::array<double, 3>>& points, const std::vector<std::array<int, 3>>& cells)
{
  auto mesh = vtkSmartPointer<vtkPolyData>::New();
  auto list = vtkSmartPointer<vtkPoints>::New();
  list->SetDataTypeToDouble();
  for (const auto& p : points)
  {
    list->InsertNextPoint(p.data());
  }
  auto polys = vtkSmartPointer<vtkCellArray>::New();
  for (const auto& c : cells)
  {
    const vtkIdType ids[3] = { c[0], c[1], c[2] };
    polys->InsertNextCell(3, ids);
  }
  mesh->SetPoints(list);
  mesh->SetPolys(polys);
  return mesh;
}

vtkSmartPointer<vtkPolyData> Slivers()
{
  std::vector<std::array<double, 3>> points;
  std::vector<std::array<int, 3>> cells;
  std::mt19937 random(3u);
  std::uniform_real_distribution<double> unit(-1.0, 1.0);
  const double thin[] = { 0.0, 1e-12, 1e-9, 1e-6, 1e-4, 1e-2, 0.5 };
  for (int i = 0; i < 60; ++i)
  {
    const std::array<double, 3> a{ 3.0 * unit(random), 3.0 * unit(random), unit(random) };
    const std::array<double, 3> b{ a[0] + 2.0 + unit(random), a[1] + unit(random), a[2] };
    const double h = thin[static_cast<size_t>(i) % std::size(thin)];
    const double t = 0.5 + 0.45 * unit(random);
    const std::array<double, 3> c{ a[0] + t * (b[0] - a[0]) + h * unit(random),
      a[1] + t * (b[1] - a[1]) + h, a[2] + h * unit(random) };
    const int first = static_cast<int>(points.size());
    points.push_back(a);
    points.push_back(b);
    points.push_back(c);
    const int k = i % 3;
    cells.push_back({ first + k, first + (k + 1) % 3, first + (k + 2) % 3 });
  }
  return Triangles(points, cells);
}

vtkSmartPointer<vtkPolyData> FlatGrid()
{
  std::vector<std::array<double, 3>> points;
  std::vector<std::array<int, 3>> cells;
  const int n = 30;
  for (int j = 0; j <= n; ++j)
  {
    for (int i = 0; i <= n; ++i)
    {
      points.push_back({ 0.37 * i, 0.41 * j, 2.0 });
    }
  }
  for (int j = 0; j < n; ++j)
  {
    for (int i = 0; i < n; ++i)
    {
      const int p = j * (n + 1) + i;
      cells.push_back({ p, p + 1, p + n + 2 });
      cells.push_back({ p, p + n + 2, p + n + 1 });
    }
  }
  return Triangles(points, cells);
}

vtkSmartPointer<vtkPolyData> WithAQuad(vtkPolyData* mesh)
{
  auto mixed = vtkSmartPointer<vtkPolyData>::New();
  mixed->DeepCopy(mesh);
  const vtkIdType quad[4] = { 0, 1, 2, 3 };
  mixed->InsertNextCell(VTK_QUAD, 4, quad);
  return mixed;
}

void MovePoints(vtkPolyData* mesh, vtkIdType n, int axis, double by)
{
  for (vtkIdType i = 0; i < mesh->GetNumberOfPoints(); i += n)
  {
    double p[3];
    mesh->GetPoint(i, p);
    p[axis] += by;
    mesh->GetPoints()->SetPoint(i, p);
  }
  mesh->GetPoints()->Modified();
}

} // namespace treetest
