// SurfacePickLocator lets a vtkCellPicker pick a triangle mesh without testing every cell,
// and gives the same cell, point and parametric coordinates as the picker's own full scan.
#pragma once

#include <vtkAbstractCellLocator.h>
#include <vtkSmartPointer.h>

#include <cstdint>
#include <vector>

class SurfacePickLocator : public vtkAbstractCellLocator
{
public:
  static SurfacePickLocator* New();
  vtkTypeMacro(SurfacePickLocator, vtkAbstractCellLocator);
  void PrintSelf(ostream& os, vtkIndent indent) override;

  // The locator over `data` shared by every caller while one of them holds it, or a new one
  // over `data` when none is held. Its data set is never changed afterwards.
  static vtkSmartPointer<SurfacePickLocator> Shared(vtkDataSet* data);

  // The tolerance of the picker that uses this locator (vtkCellPicker::GetTolerance). The
  // full scan keeps, among the hits no further along the ray than the nearest one so far plus
  // this much, the one whose point lies most inside its cell; the search here does the same.
  // A query setting, not part of the structure: setting it never makes it build again, so
  // pickers of other tolerances can share the locator.
  void SetPickTolerance(double tolerance) { this->PickTolerance = tolerance; }
  vtkGetMacro(PickTolerance, double);

  // True when the structure is built and every cell of the data set is a triangle. Other
  // cells (strips, polygons, lines) are not searched here: leave the picker to its full scan.
  bool CanPick() const { return this->Built && this->AllTriangles; }

  // The pick of the segment p1 -> p2 with the picker's world tolerance `tol`, exactly as the
  // picker's full scan over all cells finds it: the cells within `tol` of the segment are
  // tried in the order of their ids, with the full scan's rule for near and tied hits.
  // `cell` holds the picked cell afterwards. 0 when no cell is hit. Builds the structure
  // first when the data set or this locator changed since the last build.
  using vtkAbstractCellLocator::IntersectWithLine;
  int IntersectWithLine(const double p1[3], const double p2[3], double tol, double& t,
    double x[3], double pcoords[3], int& subId, vtkIdType& cellId, vtkGenericCell* cell) override;

  // A bounding-box tree over the cells of the data set: the cells ordered along a Morton curve
  // through the data set's box, and every run of that order halved until a leaf holds four.
  void BuildLocator() override;
  void FreeSearchStructure() override;
  // Draws nothing: the tree has no representation.
  void GenerateRepresentation(int level, vtkPolyData* pd) override;

protected:
  SurfacePickLocator();
  ~SurfacePickLocator() override;

private:
  SurfacePickLocator(const SurfacePickLocator&) = delete;
  void operator=(const SurfacePickLocator&) = delete;

  // A tree node: a box around its cells in single precision (rounded outward); a leaf holds
  // Count cells from Cells[First], an inner node (Count 0) has its two children at First and
  // First + 1.
  struct Node
  {
    float Box[6];
    uint32_t First;
    uint32_t Count;
  };

  // The steps of BuildLocator: the order of the cells from their boxes, the nodes that halve
  // it, and the nodes' boxes from the leaves up.
  void OrderCells(const std::vector<float>& boxes);
  void SplitNodes();
  void BoxNodes(const std::vector<float>& boxes);
  // Ids of the cells whose boxes, grown by `grow`, meet the segment, in ascending order.
  void CollectCandidates(const double p1[3], const double p2[3], double grow);

  double PickTolerance;
  bool Built;
  bool AllTriangles;
  std::vector<Node> Nodes;
  // The cell ids in the tree's order.
  std::vector<uint32_t> Cells;
  // Scratch lists of one query.
  std::vector<uint32_t> Stack;
  std::vector<vtkIdType> Candidates;
};
