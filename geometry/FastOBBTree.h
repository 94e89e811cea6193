// FastOBBTree is a vtkOBBTree that builds exactly vtkOBBTree's tree, faster, and whose segment
// queries give exactly vtkOBBTree's answers, faster, by skipping what a segment cannot reach.
#pragma once

#include <vtkIdList.h>
#include <vtkNew.h>
#include <vtkOBBTree.h>
#include <vtkSmartPointer.h>

#include <memory>

class vtkPoints;
struct TriangleMeshData;

// The answers of IntersectWithLine(p1, p2, ...) and of IntersectWithLine(p2, p1, ...).
struct BothWaysResult
{
  int forward = 0;
  int backward = 0;
};

class FastOBBTree : public vtkOBBTree
{
public:
  static FastOBBTree* New();
  vtkTypeMacro(FastOBBTree, vtkOBBTree);
  void PrintSelf(ostream& os, vtkIndent indent) override;

  using vtkOBBTree::IntersectWithLine;

  // Contract: the tree vtkOBBTree::BuildLocator builds, node for node and bit for bit, with
  // the same Level, OBBCount and BuildTime, plus the data the fast queries need. Triangle
  // meshes are built in parallel through vtkSMPTools, on as many threads as VTK's setting
  // allows; other data sets, debug mode and trees without cell lists are built by vtkOBBTree
  // itself.
  void BuildLocator() override;
  void FreeSearchStructure() override;

  // Contract: exactly vtkOBBTree::IntersectWithLine (points, cell ids, their order, the return
  // value). The base class answers when the tree is missing or older than the data set, or
  // when the data set is not all triangles with finite points and kept cell lists.
  int IntersectWithLine(
    const double p1[3], const double p2[3], vtkPoints* points, vtkIdList* cellIds) override;

  // Both directions of one segment from one traversal, exactly as IntersectWithLine(p1, p2,
  // forwardPoints, forwardCells) followed by IntersectWithLine(p2, p1, backwardPoints,
  // backwardCells).
  BothWaysResult IntersectWithLineBothWays(const double p1[3], const double p2[3],
    vtkPoints* forwardPoints, vtkIdList* forwardCells, vtkPoints* backwardPoints,
    vtkIdList* backwardCells);

protected:
  FastOBBTree();
  ~FastOBBTree() override;

private:
  FastOBBTree(const FastOBBTree&) = delete;
  void operator=(const FastOBBTree&) = delete;

  struct Index;
  class LeafTree;

  // The steps of BuildLocator: whether the tree describes the data set as it stands, whether
  // the fast build applies, the fast build, and the index.
  bool TreeIsCurrent();
  bool FastBuildApplies();
  void BuildTreeFromTriangles(const TriangleMeshData& mesh);
  void BuildIndex(TriangleMeshData& mesh);
  // Whether the index describes the current tree and data set.
  bool IndexIsCurrent();
  // Puts into Candidates, in vtkOBBTree's visiting order, every cell that the segment may hit.
  void CollectCandidates(const double p1[3], const double p2[3]);

  std::unique_ptr<Index> Fast;
  vtkNew<vtkIdList> Candidates;
  vtkSmartPointer<LeafTree> Leaf;
};

// Both directions of a segment on any vtkOBBTree: one traversal on a FastOBBTree, the two
// calls of vtkOBBTree::IntersectWithLine otherwise.
BothWaysResult IntersectWithLineBothWays(vtkOBBTree* tree, const double p1[3], const double p2[3],
  vtkPoints* forwardPoints, vtkIdList* forwardCells, vtkPoints* backwardPoints,
  vtkIdList* backwardCells);

// A new, empty tree for the model queries: a FastOBBTree, or VTK's own vtkOBBTree while
// UseBaseOBBTree(true) is in force (tests and benchmarks compare the two).
vtkSmartPointer<vtkOBBTree> NewModelTree();
void UseBaseOBBTree(bool base);
// FastOBBTree builds its tree with vtkOBBTree's own BuildLocator while UseBaseOBBTreeBuild(true)
// is in force. For the tests and the benchmarks; the tree is the same in either case.
void UseBaseOBBTreeBuild(bool base);
