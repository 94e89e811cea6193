#include "tests/support/MeshChecks.h"

#include <vtkCellArray.h>
#include <vtkCellLocator.h>
#include <vtkIdList.h>
#include <vtkMath.h>
#include <vtkNew.h>
#include <vtkPolyData.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <set>
#include <utility>
#include <vector>

namespace testsupport
{

bool IsClosedOrientedManifold(vtkPolyData* mesh)
{
  if (!mesh || mesh->GetNumberOfPolys() == 0)
  {
    return false;
  }
  // Directed edge -> number of uses; a closed oriented manifold uses each once, and its
  // reverse exactly once too.
  std::map<std::pair<vtkIdType, vtkIdType>, int> directed;
  vtkCellArray* polys = mesh->GetPolys();
  vtkNew<vtkIdList> ids;
  for (polys->InitTraversal(); polys->GetNextCell(ids);)
  {
    if (ids->GetNumberOfIds() != 3)
    {
      return false;
    }
    for (int k = 0; k < 3; ++k)
    {
      ++directed[{ ids->GetId(k), ids->GetId((k + 1) % 3) }];
    }
  }
  for (const auto& [edge, uses] : directed)
  {
    if (uses != 1)
    {
      return false;
    }
    auto reverse = directed.find({ edge.second, edge.first });
    if (reverse == directed.end() || reverse->second != 1)
    {
      return false;
    }
  }
  return true;
}

SurfaceTopology Topology(vtkPolyData* mesh)
{
  SurfaceTopology topology;
  if (!mesh || !mesh->GetPolys())
  {
    return topology;
  }
  // Each undirected edge with the first cell that ran it; cells sharing an edge are joined.
  std::map<std::pair<vtkIdType, vtkIdType>, size_t> edges;
  std::set<vtkIdType> usedPoints;
  std::vector<size_t> parent;
  auto root = [&parent](size_t cell) {
    while (parent[cell] != cell)
    {
      cell = parent[cell] = parent[parent[cell]];
    }
    return cell;
  };
  vtkCellArray* polys = mesh->GetPolys();
  vtkNew<vtkIdList> ids;
  for (polys->InitTraversal(); polys->GetNextCell(ids);)
  {
    const size_t cell = parent.size();
    parent.push_back(cell);
    const vtkIdType n = ids->GetNumberOfIds();
    for (vtkIdType k = 0; k < n; ++k)
    {
      const vtkIdType a = ids->GetId(k);
      const vtkIdType b = ids->GetId((k + 1) % n);
      usedPoints.insert(a);
      const auto [edge, added] =
        edges.emplace(std::make_pair(std::min(a, b), std::max(a, b)), cell);
      if (!added)
      {
        parent[root(cell)] = root(edge->second);
      }
    }
  }
  for (size_t cell = 0; cell < parent.size(); ++cell)
  {
    topology.pieces += root(cell) == cell ? 1 : 0;
  }
  topology.eulerCharacteristic = static_cast<int>(usedPoints.size()) -
    static_cast<int>(edges.size()) + static_cast<int>(parent.size());
  return topology;
}

double SignedVolume(vtkPolyData* mesh)
{
  double volume = 0.0;
  vtkCellArray* polys = mesh->GetPolys();
  vtkNew<vtkIdList> ids;
  for (polys->InitTraversal(); polys->GetNextCell(ids);)
  {
    if (ids->GetNumberOfIds() != 3)
    {
      continue;
    }
    double a[3];
    double b[3];
    double c[3];
    mesh->GetPoint(ids->GetId(0), a);
    mesh->GetPoint(ids->GetId(1), b);
    mesh->GetPoint(ids->GetId(2), c);
    double bc[3];
    vtkMath::Cross(b, c, bc);
    volume += vtkMath::Dot(a, bc) / 6.0;
  }
  return volume;
}

SurfaceDistance::SurfaceDistance(vtkPolyData* mesh)
  : locator_(vtkSmartPointer<vtkCellLocator>::New())
{
  locator_->SetDataSet(mesh);
  locator_->BuildLocator();
}

SurfaceDistance::~SurfaceDistance() = default;

double SurfaceDistance::operator()(const double p[3]) const
{
  double closest[3];
  vtkIdType cell;
  int subId;
  double d2;
  locator_->FindClosestPoint(p, closest, cell, subId, d2);
  return std::sqrt(d2);
}

double SurfaceDistance::operator()(double x, double y, double z) const
{
  const double p[3] = { x, y, z };
  return (*this)(p);
}

} // namespace testsupport
