// The build and the fast segment queries of FastOBBTree. The tree is vtkOBBTree's own, node
// for node: over triangles it is built by geometry/OBBTreeBuild (the same arithmetic, in
// parallel through vtkSMPTools), over anything else by vtkOBBTree itself. An index beside it
// keeps, per node, the box as a centre, unit axes and half extents, and, per leaf, its
// triangles with their planes.
// A query walks the nodes in vtkOBBTree's order and visits a node only when vtkOBBTree itself
// would (its own box test) and the segment comes near the node's box; in a visited leaf it
// keeps every triangle the segment may hit. Those cells, in visiting order, then go through
// vtkOBBTree's own code on a one-leaf tree, which computes, sorts and thins out the hits. A
// cell that cannot be hit never enters vtkOBBTree's hit list, so skipping it changes nothing of
// the answer.
//
// Why a skipped box or triangle cannot be hit. vtkOBBTree reports a triangle when the segment
// crosses the triangle's plane inside the triangle, or passes within its tolerance of an edge.
// Every such point lies, up to rounding far below the margin used here, on the triangle. So a
// segment that keeps more than the margin away from a node's box, or from a triangle's plane
// at both ends, or from all three edge lines while passing the triangle outside, meets
// nothing there. The margin (at least 1e-4, a hundred times the tolerance) dwarfs the rounding
// of these tests. Two things need more room:
// - vtkOBBTree measures its boxes on single-precision copies of the points, so a vertex may
//   stick out of its box by its float rounding: the boxes are grown by that much.
// - a nearly degenerate triangle (tiny angle at the corner where vtkOBBTree takes the normal,
//   or tiny area) gets an inaccurate normal, and its crossing may be reported up to about 2.24
//   times its longest edge away from it. Such a triangle is never skipped, and the boxes above
//   it are grown by 2.5 times its longest edge.
// This file is compiled without floating-point contraction and without fast-math: the bounds
// above assume plain IEEE arithmetic.
#include "geometry/FastOBBTree.h"

#include "geometry/OBBTreeBuild.h"

#include <vtkCellType.h>
#include <vtkDataSet.h>
#include <vtkIdList.h>
#include <vtkMath.h>
#include <vtkObjectFactory.h>
#include <vtkPoints.h>
#include <vtkPolyData.h>
#include <vtkSMPTools.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <optional>
#include <vector>

vtkStandardNewMacro(FastOBBTree);

namespace
{

// The smallest distance by which a segment must miss a box or a triangle to skip it.
constexpr double kMinMargin = 1e-4;
// A triangle whose normal corner has a sine below this, or whose doubled area is below this
// share of its longest edge squared, is nearly degenerate.
constexpr double kMinCornerSine = 1e-3;
constexpr double kMinAreaShare = 1e-9;
// How far from a nearly degenerate triangle, in longest edges, its crossing may be reported.
constexpr double kDegenerateReach = 2.5;
// Bound on the relative rounding of the box projections and plane distances.
constexpr double kRounding = 1e-11;
// The fewest triangles or nodes of the index that one parallel task works on.
constexpr vtkIdType kGrain = 4096;

bool g_useBaseTree = false;
bool g_useBaseBuild = false;

double Dot(const double a[3], const double b[3])
{
  return a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
}

void Cross(const double a[3], const double b[3], double out[3])
{
  out[0] = a[1] * b[2] - a[2] * b[1];
  out[1] = a[2] * b[0] - a[0] * b[2];
  out[2] = a[0] * b[1] - a[1] * b[0];
}

void Difference(const double a[3], const double b[3], double out[3])
{
  out[0] = a[0] - b[0];
  out[1] = a[1] - b[1];
  out[2] = a[2] - b[2];
}

} // namespace

// vtkOBBTree's own segment query on a tree of one leaf: the given cells, in their order.
class FastOBBTree::LeafTree : public vtkOBBTree
{
public:
  static LeafTree* New();
  vtkTypeMacro(LeafTree, vtkOBBTree);

  int Intersect(vtkDataSet* dataSet, double tolerance, vtkIdList* cells, const double p1[3],
    const double p2[3], vtkPoints* points, vtkIdList* cellIds)
  {
    if (cells->GetNumberOfIds() == 0)
    {
      // What vtkOBBTree answers when nothing is hit.
      if (points)
      {
        points->SetNumberOfPoints(0);
      }
      if (cellIds)
      {
        cellIds->SetNumberOfIds(0);
      }
      return 0;
    }
    if (this->DataSet != dataSet)
    {
      this->SetDataSet(dataSet);
    }
    this->Tolerance = tolerance;
    this->Root.Cells = cells;
    const int result = this->vtkOBBTree::IntersectWithLine(p1, p2, points, cellIds);
    this->Root.Cells = nullptr;
    return result;
  }

protected:
  LeafTree()
  {
    // A box with zero axes passes vtkOBBTree's box test for every segment.
    for (int i = 0; i < 3; ++i)
    {
      this->Root.Corner[i] = 0.0;
      for (int j = 0; j < 3; ++j)
      {
        this->Root.Axes[i][j] = 0.0;
      }
    }
    this->Tree = &this->Root;
    this->Level = 0;
  }
  ~LeafTree() override
  {
    // The root is a member, and its cell list belongs to the caller.
    this->Root.Cells = nullptr;
    this->Tree = nullptr;
  }

private:
  vtkOBBNode Root;
};

vtkStandardNewMacro(FastOBBTree::LeafTree);

struct FastOBBTree::Index
{
  struct Node
  {
    double centre[3];
    double axis[3][3];
    // Half extents, grown by the float rounding and for nearly degenerate triangles below.
    double half[3];
    // False when the box is too degenerate to skip anything by.
    bool separable;
    vtkOBBNode* node;
    // The index of the first node after this node's subtree.
    int skip;
    // The node's cells in leafCells (leaves only).
    int firstCell;
    int endCell;
  };
  // A triangle's plane: its unit normal and offset (normal . centroid).
  struct Plane
  {
    double normal[3];
    double offset;
    // False for nearly degenerate triangles, which are always handed on.
    bool skippable;
  };

  // The points, three doubles each, and per cell its three point ids and its plane.
  std::vector<double> xyz;
  std::vector<vtkIdType> corners;
  std::vector<Plane> planes;
  // The nodes in vtkOBBTree's visiting order, and the cells of the leaves in that order.
  std::vector<Node> nodes;
  std::vector<vtkIdType> leafCells;
  // The largest coordinate magnitude of the data set.
  double maxAbs = 0.0;
  // The tree build this index describes.
  vtkMTimeType builtAt = 0;
  vtkDataSet* dataSet = nullptr;

  const double* Point(vtkIdType cell, int corner) const
  {
    return &xyz[3 * static_cast<size_t>(corners[3 * static_cast<size_t>(cell) + corner])];
  }
  // The steps of the index build: the triangles and their points (false when a point is not
  // finite), the triangle planes, the nodes in visiting order (false when a leaf lacks its
  // cell list), and their boxes.
  bool TakeTriangles(TriangleMeshData& mesh);
  std::vector<double> ComputePlanes();
  bool ListNodes(vtkOBBNode* root, int nodeCount, const std::vector<double>& reach,
    std::vector<int>& parent, std::vector<double>& growth);
  void ComputeBoxes(const std::vector<int>& parent, std::vector<double>& growth);
  // Two edges from the second corner and their lengths, and the longest edge.
  struct Edges
  {
    double a[3];
    double b[3];
    double la;
    double lb;
    double longest;
  };
  Edges TriangleEdges(vtkIdType cell) const;
  void SetPlane(vtkIdType cell);
  static void SetBox(Node& entry, double floatSlack, double growth);

  // Whether the segment m - w .. m + w comes within `margin` of the node's box.
  static bool NearBox(const Node& node, const double m[3], const double w[3], double margin);
  // Whether the line through m along w passes the triangle outside, farther than `margin` from
  // each of its three edge lines.
  bool PassesOutside(vtkIdType cell, const double m[3], const double w[3], double margin) const;
};

FastOBBTree::FastOBBTree()
  : Leaf(vtkSmartPointer<LeafTree>::New())
{
}

FastOBBTree::~FastOBBTree() = default;

void FastOBBTree::PrintSelf(ostream& os, vtkIndent indent)
{
  this->Superclass::PrintSelf(os, indent);
  os << indent << "Fast queries: " << (this->IndexIsCurrent() ? "on" : "off") << "\n";
}

void FastOBBTree::FreeSearchStructure()
{
  this->Fast.reset();
  this->Superclass::FreeSearchStructure();
}

void FastOBBTree::BuildLocator()
{
  if (!this->DataSet)
  {
    // vtkOBBTree's own build reads the data set before it checks that there is one.
    vtkErrorMacro(<< "Can't build OBB tree - no data available!");
    return;
  }
  // The data set is read once for the tree and the index.
  TriangleMeshData mesh;
  std::optional<bool> triangles;
  const auto readTriangles = [&] {
    if (!triangles)
    {
      triangles = ReadTriangleMesh(this->DataSet, mesh);
    }
    return *triangles;
  };

  if (!this->TreeIsCurrent())
  {
    this->Fast.reset();
    if (this->FastBuildApplies() && readTriangles())
    {
      this->BuildTreeFromTriangles(mesh);
    }
    else
    {
      this->Superclass::BuildLocator();
    }
  }
  if (this->IndexIsCurrent())
  {
    return;
  }
  this->Fast.reset();
  if (this->Tree && readTriangles())
  {
    this->BuildIndex(mesh);
  }
}

bool FastOBBTree::TreeIsCurrent()
{
  // vtkOBBTree's own test at the start of its build.
  return (this->Tree != nullptr) && (this->BuildTime > this->MTime) &&
    (this->BuildTime > this->DataSet->GetMTime());
}

bool FastOBBTree::FastBuildApplies()
{
  // vtkOBBTree's build prints its tree in debug mode, drops the cell lists when asked to, and
  // reports a data set without points or cells: those builds stay its own.
  return !g_useBaseBuild && this->RetainCellLists && !this->GetDebug() &&
    this->DataSet->GetNumberOfPoints() > 0 && this->DataSet->GetNumberOfCells() > 0;
}

void FastOBBTree::BuildTreeFromTriangles(const TriangleMeshData& mesh)
{
  // What vtkOBBTree::BuildLocator does around its recursive build: the old tree is freed by
  // vtkOBBTree's own code, the new root is a plain vtkOBBNode as its own.
  this->OBBCount = 0;
  this->vtkOBBTree::FreeSearchStructure();
  this->Tree = std::make_unique<vtkOBBNode>().release();
  this->Level = 0;
  OBBTreeShape shape;
  shape.maxLevel = this->MaxLevel;
  shape.cellsPerNode = this->NumberOfCellsPerNode;
  const OBBTreeCounts counts = BuildOBBTree(mesh, shape, this->Tree);
  this->Level = counts.deepestLevel;
  this->OBBCount = counts.nodeCount;
  this->BuildTime.Modified();
}

void FastOBBTree::BuildIndex(TriangleMeshData& mesh)
{
  auto index = std::make_unique<Index>();
  if (!index->TakeTriangles(mesh))
  {
    return;
  }
  const std::vector<double> reach = index->ComputePlanes();
  std::vector<int> parent;
  std::vector<double> growth;
  if (!index->ListNodes(this->Tree, this->OBBCount, reach, parent, growth))
  {
    return;
  }
  index->ComputeBoxes(parent, growth);
  index->builtAt = this->BuildTime.GetMTime();
  index->dataSet = this->DataSet;
  this->Fast = std::move(index);
}

bool FastOBBTree::Index::TakeTriangles(TriangleMeshData& mesh)
{
  xyz = std::move(mesh.points);
  corners = std::move(mesh.corners);
  for (const double c : xyz)
  {
    if (!std::isfinite(c))
    {
      return false;
    }
    maxAbs = std::max(maxAbs, std::fabs(c));
  }
  return true;
}

FastOBBTree::Index::Edges FastOBBTree::Index::TriangleEdges(vtkIdType c) const
{
  const double* p0 = Point(c, 0);
  const double* p1 = Point(c, 1);
  const double* p2 = Point(c, 2);
  Edges edges;
  Difference(p2, p1, edges.a);
  Difference(p0, p1, edges.b);
  double e[3];
  Difference(p2, p0, e);
  edges.la = std::sqrt(Dot(edges.a, edges.a));
  edges.lb = std::sqrt(Dot(edges.b, edges.b));
  edges.longest = std::max({ edges.la, edges.lb, std::sqrt(Dot(e, e)) });
  return edges;
}

void FastOBBTree::Index::SetPlane(vtkIdType c)
{
  // From the normal at the second corner, as vtkOBBTree computes it.
  const Edges edges = TriangleEdges(c);
  double n[3];
  Cross(edges.a, edges.b, n);
  const double twiceArea = std::sqrt(Dot(n, n));
  Plane& plane = planes[static_cast<size_t>(c)];
  plane.skippable = twiceArea > kMinCornerSine * edges.la * edges.lb &&
    twiceArea > kMinAreaShare * edges.longest * edges.longest;
  if (plane.skippable)
  {
    const double* p0 = Point(c, 0);
    const double* p1 = Point(c, 1);
    const double* p2 = Point(c, 2);
    double centroid[3];
    for (int k = 0; k < 3; ++k)
    {
      plane.normal[k] = n[k] / twiceArea;
      centroid[k] = (p0[k] + p1[k] + p2[k]) / 3.0;
    }
    plane.offset = Dot(plane.normal, centroid);
  }
}

std::vector<double> FastOBBTree::Index::ComputePlanes()
{
  // Triangle planes, and how far a box must grow to hold what a nearly degenerate triangle may
  // report (empty when no triangle is nearly degenerate).
  const auto cellCount = static_cast<vtkIdType>(corners.size() / 3);
  planes.resize(static_cast<size_t>(cellCount));
  vtkSMPTools::For(0, cellCount, kGrain, [this](vtkIdType first, vtkIdType last) {
    for (vtkIdType c = first; c < last; ++c)
    {
      SetPlane(c);
    }
  });
  std::vector<double> reach;
  for (vtkIdType c = 0; c < cellCount; ++c)
  {
    if (!planes[static_cast<size_t>(c)].skippable)
    {
      reach.resize(static_cast<size_t>(cellCount), 0.0);
      reach[static_cast<size_t>(c)] = kDegenerateReach * TriangleEdges(c).longest;
    }
  }
  return reach;
}

bool FastOBBTree::Index::ListNodes(vtkOBBNode* root, int nodeCount,
  const std::vector<double>& reach, std::vector<int>& parent, std::vector<double>& growth)
{
  nodes.reserve(static_cast<size_t>(std::max(nodeCount, 1)));
  parent.reserve(nodes.capacity());
  growth.reserve(nodes.capacity());
  // The nodes in vtkOBBTree's visiting order: depth first, the second child first; per node
  // its parent and the reach of its own cells.
  const auto cellCount = static_cast<vtkIdType>(planes.size());
  std::vector<std::pair<vtkOBBNode*, int>> stack{ { root, -1 } };
  leafCells.reserve(static_cast<size_t>(cellCount));
  while (!stack.empty())
  {
    const auto [node, up] = stack.back();
    stack.pop_back();
    const int self = static_cast<int>(nodes.size());
    Node entry{};
    entry.node = node;
    entry.firstCell = entry.endCell = static_cast<int>(leafCells.size());
    double grow = 0.0;
    if (!node->Kids)
    {
      if (!node->Cells)
      {
        // Cell lists not kept: vtkOBBTree cannot answer either; leave it to the base class.
        return false;
      }
      const vtkIdType n = node->Cells->GetNumberOfIds();
      const vtkIdType* ids = node->Cells->GetPointer(0);
      for (vtkIdType k = 0; k < n; ++k)
      {
        if (ids[k] < 0 || ids[k] >= cellCount)
        {
          return false;
        }
        if (!reach.empty())
        {
          grow = std::max(grow, reach[static_cast<size_t>(ids[k])]);
        }
      }
      leafCells.insert(leafCells.end(), ids, ids + n);
      entry.endCell = static_cast<int>(leafCells.size());
    }
    else
    {
      stack.emplace_back(node->Kids[0], self);
      stack.emplace_back(node->Kids[1], self);
    }
    nodes.push_back(entry);
    parent.push_back(up);
    growth.push_back(grow);
  }
  return true;
}

void FastOBBTree::Index::ComputeBoxes(
  const std::vector<int>& parent, std::vector<double>& growth)
{
  // Children follow their parents, so a backward pass carries growth and subtree sizes up.
  const int nodeCount = static_cast<int>(nodes.size());
  std::vector<int> size(static_cast<size_t>(nodeCount), 1);
  for (int i = nodeCount - 1; i > 0; --i)
  {
    const auto up = static_cast<size_t>(parent[static_cast<size_t>(i)]);
    growth[up] = std::max(growth[up], growth[static_cast<size_t>(i)]);
    size[up] += size[static_cast<size_t>(i)];
  }
  // Vertices may stick out of their boxes by their float rounding (2^-24 of a coordinate).
  const double floatSlack = std::ldexp(maxAbs, -22) + kRounding * (maxAbs + 1.0);
  vtkSMPTools::For(0, nodeCount, kGrain, [&](vtkIdType first, vtkIdType last) {
    for (auto i = static_cast<size_t>(first); i < static_cast<size_t>(last); ++i)
    {
      Node& entry = nodes[i];
      entry.skip = static_cast<int>(i) + size[i];
      SetBox(entry, floatSlack, growth[i]);
    }
  });
}

void FastOBBTree::Index::SetBox(Node& entry, double floatSlack, double growth)
{
  // Unit axes; a box flat along one axis gets the normal of its plane there.
  const vtkOBBNode* node = entry.node;
  double length[3];
  int flat = -1;
  int flatCount = 0;
  for (int j = 0; j < 3; ++j)
  {
    length[j] = std::sqrt(Dot(node->Axes[j], node->Axes[j]));
    if (length[j] > 0.0 && std::isfinite(length[j]))
    {
      for (int k = 0; k < 3; ++k)
      {
        entry.axis[j][k] = node->Axes[j][k] / length[j];
      }
    }
    else
    {
      flat = j;
      ++flatCount;
      length[j] = 0.0;
    }
  }
  if (flatCount == 1)
  {
    // All points in one plane: its normal is square to the other two axes.
    Cross(entry.axis[(flat + 1) % 3], entry.axis[(flat + 2) % 3], entry.axis[flat]);
    const double n = std::sqrt(Dot(entry.axis[flat], entry.axis[flat]));
    for (double& c : entry.axis[flat])
    {
      c /= n;
    }
  }
  entry.separable = flatCount <= 1 && std::fabs(Dot(entry.axis[0], entry.axis[1])) < 1e-9 &&
    std::fabs(Dot(entry.axis[0], entry.axis[2])) < 1e-9 &&
    std::fabs(Dot(entry.axis[1], entry.axis[2])) < 1e-9;
  for (int k = 0; k < 3; ++k)
  {
    entry.centre[k] =
      node->Corner[k] + 0.5 * (node->Axes[0][k] + node->Axes[1][k] + node->Axes[2][k]);
  }
  for (int j = 0; j < 3; ++j)
  {
    entry.half[j] = 0.5 * length[j] + floatSlack + growth;
  }
}

bool FastOBBTree::IndexIsCurrent()
{
  return this->Fast && this->Tree && this->DataSet == this->Fast->dataSet &&
    this->Fast->builtAt == this->BuildTime.GetMTime() &&
    this->DataSet->GetMTime() <= this->Fast->builtAt;
}

// Separating axes: the three box axes and their cross products with the segment.
bool FastOBBTree::Index::NearBox(const Node& node, const double m[3], const double w[3],
  double margin)
{
  if (!node.separable)
  {
    return true;
  }
  double d[3];
  Difference(m, node.centre, d);
  double b[3];
  double a[3];
  double h[3];
  for (int j = 0; j < 3; ++j)
  {
    b[j] = Dot(d, node.axis[j]);
    a[j] = Dot(w, node.axis[j]);
    h[j] = node.half[j] + margin;
    if (std::fabs(b[j]) > h[j] + std::fabs(a[j]))
    {
      return false;
    }
  }
  for (int i = 0; i < 3; ++i)
  {
    const int j = (i + 1) % 3;
    const int k = (i + 2) % 3;
    if (std::fabs(b[k] * a[j] - b[j] * a[k]) > h[j] * std::fabs(a[k]) + h[k] * std::fabs(a[j]))
    {
      return false;
    }
  }
  return true;
}

bool FastOBBTree::Index::PassesOutside(
  vtkIdType cell, const double m[3], const double w[3], double margin) const
{
  const double w2 = Dot(w, w);
  double toCorner[3][3];
  double reach2[3];
  for (int v = 0; v < 3; ++v)
  {
    Difference(this->Point(cell, v), m, toCorner[v]);
    reach2[v] = Dot(toCorner[v], toCorner[v]);
  }
  int positive = 0;
  for (int e = 0; e < 3; ++e)
  {
    const int f = (e + 1) % 3;
    double across[3];
    Cross(toCorner[e], toCorner[f], across);
    // Signed volume spanned by the line and the edge: the line's distance from the edge line
    // times the length of w x edge.
    const double volume = Dot(w, across);
    double edge[3];
    Difference(toCorner[f], toCorner[e], edge);
    double skew[3];
    Cross(w, edge, skew);
    // Rounding of the volume: far below 1e-13 |w| |a - m| |b - m|.
    const double rounding2 = 1e-26 * w2 * reach2[e] * reach2[f];
    if (!(volume * volume > 2.0 * (margin * margin * Dot(skew, skew) + rounding2)))
    {
      return false;
    }
    positive += volume > 0.0 ? 1 : 0;
  }
  // The same side of all three edges means through the triangle.
  return positive != 0 && positive != 3;
}

void FastOBBTree::CollectCandidates(const double p1[3], const double p2[3])
{
  const Index& index = *this->Fast;
  double m[3];
  double w[3];
  for (int k = 0; k < 3; ++k)
  {
    m[k] = 0.5 * (p1[k] + p2[k]);
    w[k] = 0.5 * (p2[k] - p1[k]);
  }
  // The rounding of every test grows with the distances involved.
  const double reach = std::sqrt(Dot(m, m)) + std::sqrt(Dot(w, w)) + 2.0 * index.maxAbs;
  const double margin = std::max(kMinMargin, 100.0 * this->Tolerance) + kRounding * reach;

  this->Candidates->Reset();
  const int count = static_cast<int>(index.nodes.size());
  int i = 0;
  while (i < count)
  {
    const Index::Node& node = index.nodes[static_cast<size_t>(i)];
    if (!Index::NearBox(node, m, w, margin) || !this->LineIntersectsNode(node.node, p1, p2))
    {
      i = node.skip;
      continue;
    }
    for (int k = node.firstCell; k < node.endCell; ++k)
    {
      const vtkIdType cell = index.leafCells[static_cast<size_t>(k)];
      const Index::Plane& plane = index.planes[static_cast<size_t>(cell)];
      if (plane.skippable)
      {
        const double s1 = Dot(plane.normal, p1) - plane.offset;
        const double s2 = Dot(plane.normal, p2) - plane.offset;
        if ((s1 > margin && s2 > margin) || (s1 < -margin && s2 < -margin) ||
          index.PassesOutside(cell, m, w, margin))
        {
          continue;
        }
      }
      this->Candidates->InsertNextId(cell);
    }
    ++i;
  }
}

int FastOBBTree::IntersectWithLine(
  const double p1[3], const double p2[3], vtkPoints* points, vtkIdList* cellIds)
{
  if (!this->IndexIsCurrent())
  {
    return this->Superclass::IntersectWithLine(p1, p2, points, cellIds);
  }
  this->CollectCandidates(p1, p2);
  return this->Leaf->Intersect(
    this->DataSet, this->Tolerance, this->Candidates, p1, p2, points, cellIds);
}

BothWaysResult FastOBBTree::IntersectWithLineBothWays(const double p1[3], const double p2[3],
  vtkPoints* forwardPoints, vtkIdList* forwardCells, vtkPoints* backwardPoints,
  vtkIdList* backwardCells)
{
  BothWaysResult result;
  if (!this->IndexIsCurrent())
  {
    result.forward = this->Superclass::IntersectWithLine(p1, p2, forwardPoints, forwardCells);
    result.backward = this->Superclass::IntersectWithLine(p2, p1, backwardPoints, backwardCells);
    return result;
  }
  // Every test of the traversal gives the same answer for both directions.
  this->CollectCandidates(p1, p2);
  result.forward = this->Leaf->Intersect(
    this->DataSet, this->Tolerance, this->Candidates, p1, p2, forwardPoints, forwardCells);
  result.backward = this->Leaf->Intersect(
    this->DataSet, this->Tolerance, this->Candidates, p2, p1, backwardPoints, backwardCells);
  return result;
}

BothWaysResult IntersectWithLineBothWays(vtkOBBTree* tree, const double p1[3], const double p2[3],
  vtkPoints* forwardPoints, vtkIdList* forwardCells, vtkPoints* backwardPoints,
  vtkIdList* backwardCells)
{
  if (auto* fast = FastOBBTree::SafeDownCast(tree))
  {
    return fast->IntersectWithLineBothWays(
      p1, p2, forwardPoints, forwardCells, backwardPoints, backwardCells);
  }
  BothWaysResult result;
  result.forward = tree->IntersectWithLine(p1, p2, forwardPoints, forwardCells);
  result.backward = tree->IntersectWithLine(p2, p1, backwardPoints, backwardCells);
  return result;
}

vtkSmartPointer<vtkOBBTree> NewModelTree()
{
  if (g_useBaseTree)
  {
    return vtkSmartPointer<vtkOBBTree>::New();
  }
  return vtkSmartPointer<FastOBBTree>::New();
}

void UseBaseOBBTree(bool base)
{
  g_useBaseTree = base;
}

void UseBaseOBBTreeBuild(bool base)
{
  g_useBaseBuild = base;
}
