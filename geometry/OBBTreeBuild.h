// The tree that vtkOBBTree::BuildLocator builds over a mesh of triangles, node for node and bit
// for bit, built with the same per-node arithmetic on several threads and without cell copies.
#pragma once

#include <vtkType.h>

#include <cstddef>
#include <functional>
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

// The settings of vtkOBBTree that shape its tree, and the threads that build it (at least 1).
struct OBBTreeShape
{
  int maxLevel = 12;
  int cellsPerNode = 32;
  int threads = 1;
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
// destructor free them. The tree is the same for every thread count. `mesh` must hold at least
// one point and one cell.
OBBTreeCounts BuildOBBTree(const TriangleMeshData& mesh, const OBBTreeShape& shape, vtkOBBNode* root);

// Runs body(first, last) on contiguous parts of [0, count) that together cover it once: on up
// to `threads` threads (the calling thread among them), with parts of at least `minPart`
// items. The body must not throw.
void ForEachPart(size_t count, int threads, size_t minPart,
  const std::function<void(size_t first, size_t last)>& body);
