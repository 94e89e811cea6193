// Model trees shared by the cut line and the collision check: one built with given settings,
// and whether a tree built on a kept copy of a model still serves the model offered now.
#pragma once

#include <vtkSmartPointer.h>

class vtkOBBTree;
class vtkPolyData;

// The settings a model tree is built with.
struct ModelTreeSettings
{
  int cellsPerNode;
  int maxLevel;
  double tolerance;
};

// A new model tree (NewModelTree) over `model`: data set, cells per node, maximum level,
// tolerance and automatic depth set in this order, then built.
vtkSmartPointer<vtkOBBTree> BuildModelTree(vtkPolyData* model, const ModelTreeSettings& settings);

// Whether two meshes have the same points and cells, byte for byte (two null meshes count as
// the same, a null one and another not).
bool SameGeometry(vtkPolyData* a, vtkPolyData* b);

// Whether `tree`, built on `kept`, answers for `offered` exactly as a new tree would: `kept`
// has not changed since the build and `offered` has its points and cells. False when any of
// the three is null.
bool TreeServes(vtkPolyData* kept, vtkOBBTree* tree, vtkPolyData* offered);
