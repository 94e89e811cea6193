// FastOBBTree is a vtkOBBTree whose segment queries give exactly vtkOBBTree's answers, faster:
// it skips the boxes and triangles that a segment provably cannot reach.
#pragma once

#include <vtkIdList.h>
#include <vtkNew.h>
#include <vtkOBBTree.h>
#include <vtkSmartPointer.h>

#include <memory>

class vtkPoints;

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

  // vtkOBBTree's tree, built as vtkOBBTree builds it, plus the data the fast queries need.
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
