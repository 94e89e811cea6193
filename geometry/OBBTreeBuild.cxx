// vtkOBBTree's tree build (BuildTree with ComputeOBB) over a triangle mesh, faster and with the
// same result. Every node is computed from its own cells as vtkOBBTree computes it: the same
// expressions in the same order, the same vtkMath routines, its points gathered in the order of
// first use and rounded to single precision as vtkOBBTree's point list stores them. What
// changes is the bookkeeping around that arithmetic, each step chosen so that no bit changes:
// - the points and corner ids are read once, and what a triangle adds to a node's moments (a
//   product of its own points only) is computed once per triangle; each node sums those terms
//   in its own cell order, as vtkOBBTree sums them;
// - a node's extent along an axis comes from the extreme numerators of vtkLine::DistanceToLine's
//   parameter, divided once, where that gives the same bits (see ExtentFromNumerators);
// - each point's side of a split plane is decided once per node and plane for all the triangles
//   that share it, with the same expression;
// - a node's cells are a range of one shared id list that each split partitions in place, both
//   kids keeping the list order as vtkOBBTree's two lists do;
// - the points, the triangles' moments and large subtrees are handled side by side through
//   vtkSMPTools, on as many threads as VTK's own setting gives it. A node depends only on its
//   cells, so the tree does not depend on which thread builds what.
// This file is compiled without floating-point contraction and without fast-math, so that the
// arithmetic stays that of vtkOBBTree's own code.
#include "geometry/OBBTreeBuild.h"

#include <vtkCell.h>
#include <vtkCellType.h>
#include <vtkDataSet.h>
#include <vtkIdList.h>
#include <vtkMath.h>
#include <vtkOBBTree.h>
#include <vtkPolyData.h>
#include <vtkSMPThreadLocal.h>
#include <vtkSMPTools.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
#include <vector>

bool ReadTriangleMesh(vtkDataSet* dataSet, TriangleMeshData& mesh)
{
  auto* polyData = vtkPolyData::SafeDownCast(dataSet);
  if (!polyData)
  {
    return false;
  }
  const vtkIdType cells = polyData->GetNumberOfCells();
  mesh.corners.resize(3 * static_cast<size_t>(cells));
  for (vtkIdType c = 0; c < cells; ++c)
  {
    vtkIdType n = 0;
    const vtkIdType* ids = nullptr;
    if (polyData->GetCellType(c) != VTK_TRIANGLE)
    {
      return false;
    }
    polyData->GetCellPoints(c, n, ids);
    if (n != 3)
    {
      return false;
    }
    std::copy(ids, ids + 3, mesh.corners.begin() + 3 * c);
  }
  const vtkIdType points = polyData->GetNumberOfPoints();
  mesh.points.resize(3 * static_cast<size_t>(points));
  for (vtkIdType i = 0; i < points; ++i)
  {
    polyData->GetPoint(i, &mesh.points[3 * static_cast<size_t>(i)]);
  }
  return true;
}

namespace
{

// A node with a kid of at least this many cells has its two kids built side by side; smaller
// subtrees are built by the thread that reaches them.
constexpr vtkIdType kShareCells = 512;
// The fewest coordinates or cells that one parallel task prepares.
constexpr vtkIdType kGrain = 4096;

// A node still to be built: its cells are the range [begin, end) of the builder's id list.
struct NodeTask
{
  vtkOBBNode* node = nullptr;
  int level = 0;
  vtkIdType begin = 0;
  vtkIdType end = 0;
};

// The working memory of one thread.
struct Scratch
{
  Scratch() = default;
  explicit Scratch(vtkIdType points)
    : gathered(static_cast<size_t>(points), 0)
    , below(static_cast<size_t>(points), 0)
  {
  }
  // Per point, the last node (numbered per thread, from 1) that gathered it.
  std::vector<std::uint32_t> gathered;
  std::uint32_t node = 0;
  // The points of the current node in the order of first use.
  std::vector<vtkIdType> nodePoints;
  // Per point of the current node, whether it lies below the split plane being tried.
  std::vector<unsigned char> below;
  // Per cell of the current node, whether it goes to the first kid.
  std::vector<unsigned char> toFirst;
  // The second kid's cells while a range is partitioned.
  std::vector<vtkIdType> second;
  // The nodes of a small subtree still to be built.
  std::vector<NodeTask> pending;
  OBBTreeCounts counts;
};

// A node's mass-weighted moments: the mean of its triangles' centroids and their second
// moments, then (after CovarianceFromMoments) the covariance.
struct Moments
{
  double mean[3] = { 0.0, 0.0, 0.0 };
  double a[3][3] = { { 0.0, 0.0, 0.0 }, { 0.0, 0.0, 0.0 }, { 0.0, 0.0, 0.0 } };
  double totalMass = 0.0;
};

// What a triangle adds to the moments of every node that holds it, computed once as vtkOBBTree
// computes it for each node: its mass (half its cross product's norm), its mass times its
// centroid, and its six terms of the second moments (xx, yy, zz, xy, xz, yz).
struct CellMoments
{
  double mass;
  double weighted[3];
  double second[6];
};

CellMoments TriangleMoments(const double* p, const double* q, const double* r)
{
  double dp0[3];
  double dp1[3];
  double c[3];
  double xp[3];
  for (int k = 0; k < 3; k++)
  {
    dp0[k] = q[k] - p[k];
    dp1[k] = r[k] - p[k];
    c[k] = (p[k] + q[k] + r[k]) / 3;
  }
  vtkMath::Cross(dp0, dp1, xp);
  const double tri_mass = 0.5 * vtkMath::Norm(xp);
  CellMoments m;
  m.mass = tri_mass;
  for (int k = 0; k < 3; k++)
  {
    m.weighted[k] = tri_mass * c[k];
  }
  m.second[0] = tri_mass * (9 * c[0] * c[0] + p[0] * p[0] + q[0] * q[0] + r[0] * r[0]) / 12;
  m.second[1] = tri_mass * (9 * c[1] * c[1] + p[1] * p[1] + q[1] * q[1] + r[1] * r[1]) / 12;
  m.second[2] = tri_mass * (9 * c[2] * c[2] + p[2] * p[2] + q[2] * q[2] + r[2] * r[2]) / 12;
  m.second[3] = tri_mass * (9 * c[0] * c[1] + p[0] * p[1] + q[0] * q[1] + r[0] * r[1]) / 12;
  m.second[4] = tri_mass * (9 * c[0] * c[2] + p[0] * p[2] + q[0] * q[2] + r[0] * r[2]) / 12;
  m.second[5] = tri_mass * (9 * c[1] * c[2] + p[1] * p[2] + q[1] * q[2] + r[1] * r[2]) / 12;
  return m;
}

// vtkLine::DistanceToLine's parametric coordinate t of x on the line from p1 along p21 (its
// p2 - p1), in two steps: the numerator, then t from it with denom = p21 . p21, as it computes
// them. For a positive finite denom, t does not decrease as the numerator grows.
double LineNumerator(const double x[3], const double p1[3], const double p21[3])
{
  return p21[0] * (x[0] - p1[0]) + p21[1] * (x[1] - p1[1]) + p21[2] * (x[2] - p1[2]);
}

double LineParameter(double num, double denom)
{
  if (num == 0.0)
  {
    return 0;
  }
  double tolerance = VTK_TOL * num;
  if (tolerance < 0.0)
  {
    tolerance = -tolerance;
  }
  if (denom < tolerance)
  {
    return num > 0 ? VTK_DOUBLE_MAX : VTK_DOUBLE_MIN;
  }
  return num / denom;
}

void CovarianceFromMoments(Moments& m)
{
  for (int i = 0; i < 3; i++)
  {
    m.mean[i] = m.mean[i] / m.totalMass;
  }
  // The matrix is symmetric.
  m.a[1][0] = m.a[0][1];
  m.a[2][0] = m.a[0][2];
  m.a[2][1] = m.a[1][2];
  for (int i = 0; i < 3; i++)
  {
    for (int j = 0; j < 3; j++)
    {
      m.a[i][j] = m.a[i][j] / m.totalMass - m.mean[i] * m.mean[j];
    }
  }
}

// The eigenvectors of the covariance, largest eigenvalue first, into the node's three axes.
void PrincipalAxes(Moments& m, vtkOBBNode* node)
{
  double* a[3] = { m.a[0], m.a[1], m.a[2] };
  double v0[3];
  double v1[3];
  double v2[3];
  double* v[3] = { v0, v1, v2 };
  double size[3];
  vtkMath::Jacobi(a, size, v);
  for (int j = 0; j < 3; j++)
  {
    for (int i = 0; i < 3; i++)
    {
      node->Axes[j][i] = v[i][j];
    }
  }
}

// Whether a point lies below the split plane through p square to n, as vtkOBBTree decides it
// for each corner of a triangle.
bool Below(const double* x, const double n[3], const double p[3])
{
  const double val = n[0] * (x[0] - p[0]) + n[1] * (x[1] - p[1]) + n[2] * (x[2] - p[2]);
  return val < 0.0;
}

// A triangle with corners on both sides goes by its centroid, as vtkOBBTree decides it.
bool CentroidBelow(const double* x0, const double* x1, const double* x2, const double n[3],
  const double p[3])
{
  double c[3] = { 0.0, 0.0, 0.0 };
  for (const double* x : { x0, x1, x2 })
  {
    c[0] += x[0];
    c[1] += x[1];
    c[2] += x[2];
  }
  c[0] /= 3;
  c[1] /= 3;
  c[2] /= 3;
  return n[0] * (c[0] - p[0]) + n[1] * (c[1] - p[1]) + n[2] * (c[2] - p[2]) < 0.0;
}

// Two new kids below `node`, linked as vtkOBBTree links its own.
void AddKids(vtkOBBNode* node)
{
  auto first = std::make_unique<vtkOBBNode>();
  auto second = std::make_unique<vtkOBBNode>();
  auto kids = std::make_unique<vtkOBBNode*[]>(2);
  first->Parent = node;
  second->Parent = node;
  kids[0] = first.release();
  kids[1] = second.release();
  node->Kids = kids.release();
}

// A leaf's cell list, sized exactly as vtkOBBTree's squeezed list; the node deletes it.
void KeepCells(vtkOBBNode* node, const vtkIdType* cells, vtkIdType count)
{
  node->Cells = vtkIdList::New();
  node->Cells->SetNumberOfIds(count);
  std::copy(cells, cells + count, node->Cells->GetPointer(0));
}

// Moves the cells marked for the first kid to the front of the range; both parts keep the
// order of the range.
void Partition(
  vtkIdType* cells, vtkIdType count, const unsigned char* toFirst, std::vector<vtkIdType>& second)
{
  second.clear();
  vtkIdType first = 0;
  for (vtkIdType i = 0; i < count; ++i)
  {
    if (toFirst[i])
    {
      cells[first++] = cells[i];
    }
    else
    {
      second.push_back(cells[i]);
    }
  }
  std::copy(second.begin(), second.end(), cells + first);
}

// Builds vtkOBBTree's tree over a triangle mesh, large subtrees side by side.
class TreeBuilder
{
public:
  TreeBuilder(const TriangleMeshData& mesh, const OBBTreeShape& shape);
  OBBTreeCounts Build(vtkOBBNode* root);

private:
  const double* Point(vtkIdType id) const { return &mesh_.points[3 * static_cast<size_t>(id)]; }
  const double* SinglePoint(vtkIdType id) const
  {
    return &single_[3 * static_cast<size_t>(id)];
  }
  const vtkIdType* Corners(vtkIdType cell) const
  {
    return &mesh_.corners[3 * static_cast<size_t>(cell)];
  }

  // What every node reads: the points in single precision and the triangles' moments.
  void Prepare();
  // The subtree below a node, its kids side by side while they are large.
  void BuildSubtree(const NodeTask& top);
  // The steps of one node, as vtkOBBTree's BuildTree and ComputeOBB take them.
  bool BuildNode(const NodeTask& task, Scratch& scratch, NodeTask kids[2]);
  void ComputeBox(const vtkIdType* cells, vtkIdType count, Scratch& scratch, vtkOBBNode* node);
  void GatherMoments(const vtkIdType* cells, vtkIdType count, Scratch& scratch, Moments& m);
  void FitBoxToPoints(const Scratch& scratch, const Moments& m, vtkOBBNode* node) const;
  bool ExtentFromNumerators(const Scratch& scratch, const double mean[3], const double p21[3][3],
    const double denom[3], double tMin[3], double tMax[3]) const;
  void ExtentFromPoints(const Scratch& scratch, const double mean[3], const double p21[3][3],
    const double denom[3], double tMin[3], double tMax[3]) const;
  vtkIdType ChooseSplit(
    const vtkIdType* cells, vtkIdType count, const vtkOBBNode* node, Scratch& scratch) const;
  vtkIdType ClassifyCells(const vtkIdType* cells, vtkIdType count, const double n[3],
    const double p[3], Scratch& scratch) const;

  const TriangleMeshData& mesh_;
  const OBBTreeShape shape_;
  // The points rounded to single precision, as vtkOBBTree's point list holds them.
  std::vector<double> single_;
  std::vector<CellMoments> moments_;
  // Every cell id once; each node's cells are one range of it.
  std::vector<vtkIdType> cells_;
  // The working memory of each thread that takes part, made at its first node.
  vtkSMPThreadLocal<Scratch> scratch_;
};

TreeBuilder::TreeBuilder(const TriangleMeshData& mesh, const OBBTreeShape& shape)
  : mesh_(mesh)
  , shape_(shape)
  , scratch_(Scratch(mesh.PointCount()))
{
}

void TreeBuilder::Prepare()
{
  single_.resize(mesh_.points.size());
  vtkSMPTools::For(0, static_cast<vtkIdType>(single_.size()), kGrain,
    [this](vtkIdType first, vtkIdType last) {
      for (auto i = static_cast<size_t>(first); i < static_cast<size_t>(last); ++i)
      {
        single_[i] = static_cast<float>(mesh_.points[i]);
      }
    });
  const auto cellCount = static_cast<size_t>(mesh_.CellCount());
  moments_.resize(cellCount);
  cells_.resize(cellCount);
  vtkSMPTools::For(0, mesh_.CellCount(), kGrain, [this](vtkIdType first, vtkIdType last) {
    for (vtkIdType c = first; c < last; ++c)
    {
      const vtkIdType* ids = Corners(c);
      const auto i = static_cast<size_t>(c);
      moments_[i] = TriangleMoments(Point(ids[0]), Point(ids[1]), Point(ids[2]));
      cells_[i] = c;
    }
  });
}

OBBTreeCounts TreeBuilder::Build(vtkOBBNode* root)
{
  Prepare();
  BuildSubtree({ root, 0, 0, mesh_.CellCount() });
  OBBTreeCounts counts;
  for (const Scratch& s : scratch_)
  {
    counts.deepestLevel = std::max(counts.deepestLevel, s.counts.deepestLevel);
    counts.nodeCount += s.counts.nodeCount;
  }
  return counts;
}

void TreeBuilder::BuildSubtree(const NodeTask& top)
{
  Scratch& scratch = scratch_.Local();
  NodeTask kids[2];
  if (!BuildNode(top, scratch, kids))
  {
    return;
  }
  if (kids[0].end - kids[0].begin >= kShareCells || kids[1].end - kids[1].begin >= kShareCells)
  {
    // The two kids as the two items of a nested parallel loop, which an idle thread may take
    // up. While this thread waits for the loop it may build other subtrees in the same
    // scratch memory: nothing in it is needed after the loop.
    vtkSMPTools::For(0, 2, 1, [this, &kids](vtkIdType first, vtkIdType last) {
      for (vtkIdType k = first; k < last; ++k)
      {
        BuildSubtree(kids[k]);
      }
    });
    return;
  }
  // A small subtree: this thread builds all of it.
  scratch.pending.assign(kids, kids + 2);
  while (!scratch.pending.empty())
  {
    const NodeTask task = scratch.pending.back();
    scratch.pending.pop_back();
    if (BuildNode(task, scratch, kids))
    {
      scratch.pending.insert(scratch.pending.end(), kids, kids + 2);
    }
  }
}

bool TreeBuilder::BuildNode(const NodeTask& task, Scratch& scratch, NodeTask kids[2])
{
  scratch.counts.deepestLevel = std::max(scratch.counts.deepestLevel, task.level);
  ++scratch.counts.nodeCount;
  vtkIdType* cells = cells_.data() + task.begin;
  const vtkIdType count = task.end - task.begin;
  ComputeBox(cells, count, scratch, task.node);
  if (task.level < shape_.maxLevel && count > shape_.cellsPerNode)
  {
    const vtkIdType first = ChooseSplit(cells, count, task.node, scratch);
    if (first >= 0)
    {
      Partition(cells, count, scratch.toFirst.data(), scratch.second);
      AddKids(task.node);
      kids[0] = { task.node->Kids[0], task.level + 1, task.begin, task.begin + first };
      kids[1] = { task.node->Kids[1], task.level + 1, task.begin + first, task.end };
      return true;
    }
  }
  KeepCells(task.node, cells, count);
  return false;
}

void TreeBuilder::ComputeBox(
  const vtkIdType* cells, vtkIdType count, Scratch& scratch, vtkOBBNode* node)
{
  Moments m;
  GatherMoments(cells, count, scratch, m);
  CovarianceFromMoments(m);
  PrincipalAxes(m, node);
  FitBoxToPoints(scratch, m, node);
}

// The moments of the node's triangles, summed in the node's cell order, and its points in the
// order of first use.
void TreeBuilder::GatherMoments(
  const vtkIdType* cells, vtkIdType count, Scratch& scratch, Moments& m)
{
  ++scratch.node;
  scratch.nodePoints.clear();
  for (vtkIdType i = 0; i < count; i++)
  {
    const CellMoments& cell = moments_[static_cast<size_t>(cells[i])];
    m.totalMass += cell.mass;
    for (int k = 0; k < 3; k++)
    {
      m.mean[k] += cell.weighted[k];
    }
    m.a[0][0] += cell.second[0];
    m.a[1][1] += cell.second[1];
    m.a[2][2] += cell.second[2];
    m.a[0][1] += cell.second[3];
    m.a[0][2] += cell.second[4];
    m.a[1][2] += cell.second[5];
    const vtkIdType* ptIds = Corners(cells[i]);
    for (int j = 0; j < 3; j++)
    {
      if (scratch.gathered[static_cast<size_t>(ptIds[j])] != scratch.node)
      {
        scratch.gathered[static_cast<size_t>(ptIds[j])] = scratch.node;
        scratch.nodePoints.push_back(ptIds[j]);
      }
    }
  }
}

// The box: the extent of the node's single-precision points along each axis from the mean,
// then the corner at the minima and the axes scaled to the extents.
void TreeBuilder::FitBoxToPoints(const Scratch& scratch, const Moments& m, vtkOBBNode* node) const
{
  double* max = node->Axes[0];
  double* mid = node->Axes[1];
  double* min = node->Axes[2];
  double p21[3][3];
  double denom[3];
  for (int i = 0; i < 3; i++)
  {
    const double end[3] = { m.mean[0] + node->Axes[i][0], m.mean[1] + node->Axes[i][1],
      m.mean[2] + node->Axes[i][2] };
    for (int k = 0; k < 3; k++)
    {
      p21[i][k] = end[k] - m.mean[k];
    }
    denom[i] = vtkMath::Dot(p21[i], p21[i]);
  }
  double tMin[3];
  double tMax[3];
  if (!ExtentFromNumerators(scratch, m.mean, p21, denom, tMin, tMax))
  {
    ExtentFromPoints(scratch, m.mean, p21, denom, tMin, tMax);
  }
  for (int i = 0; i < 3; i++)
  {
    node->Corner[i] = m.mean[i] + tMin[0] * max[i] + tMin[1] * mid[i] + tMin[2] * min[i];
    max[i] = (tMax[0] - tMin[0]) * max[i];
    mid[i] = (tMax[1] - tMin[1]) * mid[i];
    min[i] = (tMax[2] - tMin[2]) * min[i];
  }
}

// The extremes of t from the extremes of its numerator, one division per axis instead of one
// per point. With a positive finite denominator t does not decrease as its numerator grows,
// so the smallest numerator gives the smallest t, and equal t are equal bits unless they are
// zeros of either sign: false in that case, and for any other denominator.
bool TreeBuilder::ExtentFromNumerators(const Scratch& scratch, const double mean[3],
  const double p21[3][3], const double denom[3], double tMin[3], double tMax[3]) const
{
  for (int i = 0; i < 3; i++)
  {
    if (!(denom[i] > 0.0 && denom[i] <= VTK_DOUBLE_MAX))
    {
      return false;
    }
  }
  double numMin[3] = { 0.0, 0.0, 0.0 };
  double numMax[3] = { 0.0, 0.0, 0.0 };
  bool seen[3] = { false, false, false };
  for (const vtkIdType id : scratch.nodePoints)
  {
    const double* p = SinglePoint(id);
    for (int i = 0; i < 3; i++)
    {
      const double num = LineNumerator(p, mean, p21[i]);
      if (!seen[i])
      {
        // A numerator that is not a number gives a t that is none either, which never
        // counts.
        if (num == num)
        {
          numMin[i] = numMax[i] = num;
          seen[i] = true;
        }
        continue;
      }
      numMin[i] = num < numMin[i] ? num : numMin[i];
      numMax[i] = num > numMax[i] ? num : numMax[i];
    }
  }
  for (int i = 0; i < 3; i++)
  {
    tMin[i] = seen[i] ? LineParameter(numMin[i], denom[i]) : VTK_DOUBLE_MAX;
    tMax[i] = seen[i] ? LineParameter(numMax[i], denom[i]) : -VTK_DOUBLE_MAX;
    if (tMin[i] == 0.0 || tMax[i] == 0.0)
    {
      return false;
    }
  }
  return true;
}

// The extremes of t as vtkOBBTree finds them, point by point.
void TreeBuilder::ExtentFromPoints(const Scratch& scratch, const double mean[3],
  const double p21[3][3], const double denom[3], double tMin[3], double tMax[3]) const
{
  for (int i = 0; i < 3; i++)
  {
    tMin[i] = VTK_DOUBLE_MAX;
    tMax[i] = -VTK_DOUBLE_MAX;
  }
  for (const vtkIdType id : scratch.nodePoints)
  {
    const double* p = SinglePoint(id);
    for (int i = 0; i < 3; i++)
    {
      const double t = LineParameter(LineNumerator(p, mean, p21[i]), denom[i]);
      if (t < tMin[i])
      {
        tMin[i] = t;
      }
      if (t > tMax[i])
      {
        tMax[i] = t;
      }
    }
  }
}

// vtkOBBTree's choice of split plane through the box centre: the first of the three axes that
// splits the cells evenly enough, else the best of them when it is not too uneven. Returns the
// number of cells for the first kid, with the scratch's toFirst marking them, or -1 when the
// node stays a leaf.
vtkIdType TreeBuilder::ChooseSplit(
  const vtkIdType* cells, vtkIdType count, const vtkOBBNode* node, Scratch& scratch) const
{
  double p[3];
  for (int i = 0; i < 3; i++)
  {
    p[i] = node->Corner[i] + node->Axes[0][i] / 2.0 + node->Axes[1][i] / 2.0 +
      node->Axes[2][i] / 2.0;
  }
  double bestRatio = 1.0;
  int bestPlane = 0;
  bool foundBestSplit = false;
  int splitPlane = 0;
  while (splitPlane < 3)
  {
    double n[3] = { node->Axes[splitPlane][0], node->Axes[splitPlane][1],
      node->Axes[splitPlane][2] };
    vtkMath::Normalize(n);
    const vtkIdType first = ClassifyCells(cells, count, n, p, scratch);
    const double ratio = std::fabs(
      (static_cast<double>(count - first) - static_cast<double>(first)) /
      static_cast<double>(count));
    if (ratio < 0.6 || foundBestSplit)
    {
      return first;
    }
    if (ratio < bestRatio)
    {
      bestRatio = ratio;
      bestPlane = splitPlane;
    }
    // At closing time, even the ugly ones look good.
    if (++splitPlane == 3 && bestRatio < 0.95)
    {
      splitPlane = bestPlane;
      foundBestSplit = true;
    }
  }
  return -1;
}

// Marks the cells that go to the first kid: those with a corner below the plane and none on or
// above it, and of those with corners on both sides the ones whose centroid lies below. Each
// point's side is decided once for all cells that share it.
vtkIdType TreeBuilder::ClassifyCells(const vtkIdType* cells, vtkIdType count, const double n[3],
  const double p[3], Scratch& scratch) const
{
  for (const vtkIdType id : scratch.nodePoints)
  {
    scratch.below[static_cast<size_t>(id)] = Below(Point(id), n, p) ? 1 : 0;
  }
  scratch.toFirst.resize(static_cast<size_t>(count));
  vtkIdType first = 0;
  for (vtkIdType i = 0; i < count; ++i)
  {
    const vtkIdType* ids = Corners(cells[i]);
    const int below = scratch.below[static_cast<size_t>(ids[0])] +
      scratch.below[static_cast<size_t>(ids[1])] + scratch.below[static_cast<size_t>(ids[2])];
    const bool toFirst = below == 3 ||
      (below > 0 && CentroidBelow(Point(ids[0]), Point(ids[1]), Point(ids[2]), n, p));
    scratch.toFirst[static_cast<size_t>(i)] = toFirst ? 1 : 0;
    first += toFirst ? 1 : 0;
  }
  return first;
}

} // namespace

OBBTreeCounts BuildOBBTree(const TriangleMeshData& mesh, const OBBTreeShape& shape, vtkOBBNode* root)
{
  TreeBuilder builder(mesh, shape);
  return builder.Build(root);
}
