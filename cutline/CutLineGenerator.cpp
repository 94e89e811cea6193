// The generator object, its model locator and the projection onto the model along an axis.
#include "cutline/CutLineGenerator.h"

#include "geometry/FastOBBTree.h"

#include <vtkCellArray.h>
#include <vtkDataArray.h>
#include <vtkIdList.h>
#include <vtkMath.h>
#include <vtkNew.h>
#include <vtkOBBTree.h>
#include <vtkPoints.h>
#include <vtkPolyData.h>
#include <vtkRenderer.h>

#include <cmath>
#include <cstring>

namespace
{

// Whether two arrays hold the same values of the same type, byte for byte (both null counts).
bool SameArray(vtkDataArray* a, vtkDataArray* b)
{
  if (!a || !b)
  {
    return a == b;
  }
  if (a->GetDataType() != b->GetDataType() ||
    a->GetNumberOfComponents() != b->GetNumberOfComponents() ||
    a->GetNumberOfTuples() != b->GetNumberOfTuples())
  {
    return false;
  }
  const size_t bytes = static_cast<size_t>(a->GetNumberOfValues()) *
    static_cast<size_t>(a->GetDataTypeSize());
  return bytes == 0 || std::memcmp(a->GetVoidPointer(0), b->GetVoidPointer(0), bytes) == 0;
}

bool SameCells(vtkCellArray* a, vtkCellArray* b)
{
  if (!a || !b)
  {
    return a == b;
  }
  return SameArray(a->GetOffsetsArray(), b->GetOffsetsArray()) &&
    SameArray(a->GetConnectivityArray(), b->GetConnectivityArray());
}

// Whether two meshes have the same points and cells, byte for byte.
bool SameGeometry(vtkPolyData* a, vtkPolyData* b)
{
  if (a == b)
  {
    return true;
  }
  vtkPoints* pa = a->GetPoints();
  vtkPoints* pb = b->GetPoints();
  if (!pa || !pb)
  {
    return pa == pb;
  }
  return SameArray(pa->GetData(), pb->GetData()) && SameCells(a->GetVerts(), b->GetVerts()) &&
    SameCells(a->GetLines(), b->GetLines()) && SameCells(a->GetPolys(), b->GetPolys()) &&
    SameCells(a->GetStrips(), b->GetStrips());
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
  if (model && Model && ModelTree && Model->GetMTime() <= ModelTree->GetBuildTime() &&
    SameGeometry(model, Model))
  {
    return;
  }
  Model = model;
  ModelTree = nullptr;
  if (!Model)
  {
    // Nothing to lay points on: projections return their input, as before the first model.
    return;
  }
  ModelTree = NewModelTree();
  ModelTree->SetDataSet(Model);
  ModelTree->SetNumberOfCellsPerNode(8);
  ModelTree->SetMaxLevel(1000000);
  ModelTree->SetTolerance(1e-6);
  ModelTree->AutomaticOn();
  ModelTree->BuildLocator();
  ModelTree->Update();
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
