// The tree that vtkOBBTree::BuildLocator builds over a mesh of triangles, node for node and bit
// for bit, built with the same per-node arithmetic through vtkSMPTools and without cell copies.
#pragma once

#include <vtkType.h>

#include <vector>

class vtkDataSet;
class vtkOBBNode;

// A poly data made of triangles only: its points as the data set's GetPoint gives them (three
// doubles each) and the three point ids of every cell, in cell order.
struct TriangleMeshData
{
  std::vector<double> points;
  std::vector<vtkIdType> corners;

  vtkIdType PointCount() const { return static_cast<vtkIdType>(points.size() / 3); }
  vtkIdType CellCount() const { return static_cast<vtkIdType>(corners.size() / 3); }
};

// Reads the data set into `mesh`. False when it is no vtkPolyData or holds a cell that is not a
// triangle; `mesh` is then incomplete.
bool ReadTriangleMesh(vtkDataSet* dataSet, TriangleMeshData& mesh);

// The settings of vtkOBBTree that shape its tree.
struct OBBTreeShape
{
  int maxLevel = 12;
  int cellsPerNode = 32;
};

// What vtkOBBTree's build leaves beside the nodes: the deepest level reached (Level) and the
// number of boxes computed (OBBCount).
struct OBBTreeCounts
{
  int deepestLevel = 0;
  int nodeCount = 0;
};

// Builds below `root` (a new, empty vtkOBBNode) the tree vtkOBBTree::BuildLocator builds over
// `mesh` with `shape`, keeping the cell lists of the leaves. Every node, kid array and cell list
// is allocated as vtkOBBTree allocates its own, so vtkOBBTree's DeleteTree and the node's
// destructor free them. Large subtrees are built side by side in nested vtkSMPTools loops, on
// as many threads as VTK's setting allows (vtkSMPTools::Initialize, VTK_SMP_MAX_THREADS); the
// tree is the same for every thread count. `mesh` must hold at least one point and one cell.
OBBTreeCounts BuildOBBTree(const TriangleMeshData& mesh, const OBBTreeShape& shape, vtkOBBNode* root);
