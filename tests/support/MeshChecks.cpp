#include "tests/support/MeshChecks.h"

#include <vtkCellArray.h>
#include <vtkCellLocator.h>
#include <vtkIdList.h>
#include <vtkMath.h>
#include <vtkNew.h>
#include <vtkPolyData.h>

#include <cmath>
#include <map>
#include <utility>

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
