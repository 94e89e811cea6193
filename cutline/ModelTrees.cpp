// Building model trees, and telling when a kept one still serves.
#include "cutline/ModelTrees.h"

#include "geometry/FastOBBTree.h"

#include <vtkCellArray.h>
#include <vtkDataArray.h>
#include <vtkOBBTree.h>
#include <vtkPoints.h>
#include <vtkPolyData.h>

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

} // namespace

vtkSmartPointer<vtkOBBTree> BuildModelTree(vtkPolyData* model, const ModelTreeSettings& settings)
{
  vtkSmartPointer<vtkOBBTree> tree = NewModelTree();
  tree->SetDataSet(model);
  tree->SetNumberOfCellsPerNode(settings.cellsPerNode);
  tree->SetMaxLevel(settings.maxLevel);
  tree->SetTolerance(settings.tolerance);
  tree->AutomaticOn();
  tree->BuildLocator();
  return tree;
}

bool SameGeometry(vtkPolyData* a, vtkPolyData* b)
{
  if (a == b)
  {
    return true;
  }
  if (!a || !b)
  {
    return false;
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

bool TreeServes(vtkPolyData* kept, vtkOBBTree* tree, vtkPolyData* offered)
{
  return kept && tree && offered && kept->GetMTime() <= tree->GetBuildTime() &&
    SameGeometry(offered, kept);
}
