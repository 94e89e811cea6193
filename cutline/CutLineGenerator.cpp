// The generator object, its model locator and the projection onto the model along an axis.
#include "cutline/CutLineGenerator.h"

#include "cutline/ModelTrees.h"
#include "geometry/FastOBBTree.h"

#include <vtkIdList.h>
#include <vtkMath.h>
#include <vtkNew.h>
#include <vtkOBBTree.h>
#include <vtkPoints.h>
#include <vtkPolyData.h>
#include <vtkRenderer.h>
#include <vtkStaticCellLocator.h>

#include <cmath>

namespace
{

// The projection tree: fine leaves, since every projection queries it.
constexpr ModelTreeSettings kProjectionTree{ 8, 1000000, 1e-6 };

// A fitted pose counts as on the model when the model's surface lies this close to it.
constexpr double kOnModelDistance = 1.5;

bool IsFinite(const double p[3])
{
  return std::isfinite(p[0]) && std::isfinite(p[1]) && std::isfinite(p[2]);
}

} // namespace

CutLineGenerator::CutLineGenerator()
  : BuccalDrop(0.2)
{
}

CutLineGenerator::~CutLineGenerator() = default;

void CutLineGenerator::SetModel(vtkSmartPointer<vtkPolyData> model)
{
  // The window hands over a fresh copy of the model at every generation. A model equal in its
  // points and cells to the one the tree was built on, which has not changed since, keeps that
  // copy and its tree: the tree would come out the same.
  if (TreeServes(Model, ModelTree, model))
  {
    return;
  }
  Model = model;
  ModelTree = nullptr;
  SurfaceLocator = nullptr;
  if (!Model)
  {
    // Nothing to lay points on: projections return their input, as before the first model.
    return;
  }
  ModelTree = BuildModelTree(Model, kProjectionTree);
  ModelTree->Update();
}

bool CutLineGenerator::LiesOnModel(const Point3& p)
{
  double x[3] = { p.x, p.y, p.z };
  if (!Model || Model->GetNumberOfCells() == 0 || !IsFinite(x))
  {
    return false;
  }
  // Built on the first question about a model, and kept with the model's tree.
  if (!SurfaceLocator)
  {
    SurfaceLocator = vtkSmartPointer<vtkStaticCellLocator>::New();
    SurfaceLocator->SetDataSet(Model);
    SurfaceLocator->BuildLocator();
  }
  double nearest[3];
  vtkIdType cell = -1;
  int subId = 0;
  double distance2 = 0.0;
  return SurfaceLocator->FindClosestPointWithinRadius(
           x, kOnModelDistance, nearest, cell, subId, distance2) != 0;
}

void CutLineGenerator::SetRenderer(vtkSmartPointer<vtkRenderer> renderer)
{
  Renderer = renderer;
}

Point3 CutLineGenerator::ProjectAlongAxis(const double q[3], const double axis[3], bool* hit)
{
  Point3 result{ q[0], q[1], q[2] };
  if (hit)
  {
    *hit = false;
  }
  if (!ModelTree)
  {
    return result;
  }

  double outer[3];
  double inner[3];
  for (int k = 0; k < 3; ++k)
  {
    outer[k] = q[k] + 10.0 * axis[k];
    inner[k] = q[k] - 10.0 * axis[k];
  }

  vtkNew<vtkPoints> hits;
  vtkNew<vtkPoints> towardQ;
  vtkNew<vtkPoints> fromQ;
  vtkNew<vtkIdList> towardQCells;
  vtkNew<vtkIdList> fromQCells;
  auto append = [&](int found, vtkPoints* points) {
    if (found != 0)
    {
      for (vtkIdType i = 0; i < points->GetNumberOfPoints(); ++i)
      {
        hits->InsertNextPoint(points->GetPoint(i));
      }
    }
  };
  // The crossings of end -> q, then those of q -> end.
  auto collect = [&](const double* end) {
    const BothWaysResult found =
      IntersectWithLineBothWays(ModelTree, end, q, towardQ, towardQCells, fromQ, fromQCells);
    append(found.forward, towardQ);
    append(found.backward, fromQ);
  };

  // Crossings on the outer half always win; the inner half is searched only without them.
  collect(outer);
  if (hits->GetNumberOfPoints() == 0)
  {
    collect(inner);
  }

  if (hit)
  {
    *hit = hits->GetNumberOfPoints() > 0;
  }
  double best = 1e299;
  for (vtkIdType i = 0; i < hits->GetNumberOfPoints(); ++i)
  {
    double p[3];
    hits->GetPoint(i, p);
    const double d = std::sqrt(vtkMath::Distance2BetweenPoints(p, outer));
    if (d < best)
    {
      best = d;
      result = Point3{ p[0], p[1], p[2] };
    }
  }
  return result;
}
