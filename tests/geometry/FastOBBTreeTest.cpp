// FastOBBTree against vtkOBBTree on the same tree: the same points (bit for bit), cell ids,
// order and return value for adversarial segments in both directions, on the generated jaws
// and on small degenerate meshes; the base class answers where the fast queries do not apply.
#include "geometry/FastOBBTree.h"
#include "tests/geometry/TreeMeshes.h"
#include "tests/support/SyntheticJaw.h"

#include <vtkCellType.h>
#include <vtkIdList.h>
#include <vtkMatrix4x4.h>
#include <vtkMath.h>
#include <vtkNew.h>
#include <vtkPoints.h>
#include <vtkPolyData.h>
#include <vtkTriangle.h>

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstring>
#include <functional>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace
{

using treetest::FlatGrid;
using treetest::InDoublePrecision;
using treetest::MovePoints;
using treetest::Slivers;
using treetest::Triangles;
using treetest::WithAQuad;

struct Segment
{
  double from[3];
  double to[3];
};

struct Answer
{
  int result = 0;
  std::vector<double> points;
  std::vector<vtkIdType> cells;
};

bool operator==(const Answer& a, const Answer& b)
{
  return a.result == b.result && a.cells == b.cells && a.points.size() == b.points.size() &&
    std::memcmp(a.points.data(), b.points.data(), a.points.size() * sizeof(double)) == 0;
}

Answer Read(int result, vtkPoints* points, vtkIdList* cells)
{
  Answer answer;
  answer.result = result;
  for (vtkIdType i = 0; i < points->GetNumberOfPoints(); ++i)
  {
    const double* p = points->GetPoint(i);
    answer.points.insert(answer.points.end(), p, p + 3);
  }
  for (vtkIdType i = 0; i < cells->GetNumberOfIds(); ++i)
  {
    answer.cells.push_back(cells->GetId(i));
  }
  return answer;
}

// Single-precision output points (as the callers pass them) or double-precision ones.
struct Lists
{
  explicit Lists(bool doublePoints)
  {
    if (doublePoints)
    {
      points->SetDataTypeToDouble();
    }
  }
  vtkNew<vtkPoints> points;
  vtkNew<vtkIdList> cells;
};

// Every answer of the fast queries equals vtkOBBTree's on the same tree: each direction alone
// and both directions from one traversal, into single- and double-precision point lists.
testing::AssertionResult SameAnswers(FastOBBTree* tree, const Segment& s)
{
  for (const bool doublePoints : { false, true })
  {
    Lists a(doublePoints);
    Lists b(doublePoints);
    Lists c(doublePoints);
    Lists d(doublePoints);
    const Answer baseForward = Read(
      tree->vtkOBBTree::IntersectWithLine(s.from, s.to, a.points, a.cells), a.points, a.cells);
    const Answer baseBackward = Read(
      tree->vtkOBBTree::IntersectWithLine(s.to, s.from, a.points, a.cells), a.points, a.cells);
    const Answer fastForward =
      Read(tree->IntersectWithLine(s.from, s.to, b.points, b.cells), b.points, b.cells);
    const BothWaysResult both = tree->IntersectWithLineBothWays(
      s.from, s.to, c.points, c.cells, d.points, d.cells);
    const Answer bothForward = Read(both.forward, c.points, c.cells);
    const Answer bothBackward = Read(both.backward, d.points, d.cells);
    if (!(fastForward == baseForward) || !(bothForward == baseForward) ||
      !(bothBackward == baseBackward))
    {
      std::ostringstream text;
      text.precision(17);
      text << "segment (" << s.from[0] << ", " << s.from[1] << ", " << s.from[2] << ") -> ("
           << s.to[0] << ", " << s.to[1] << ", " << s.to[2] << "): base " << baseForward.result
           << " with " << baseForward.cells.size() << " hits, fast " << fastForward.result
           << " with " << fastForward.cells.size() << ", both ways " << bothForward.cells.size()
           << " and " << bothBackward.cells.size() << " (base backward "
           << baseBackward.cells.size() << ")";
      return testing::AssertionFailure() << text.str();
    }
  }
  return testing::AssertionSuccess();
}

vtkSmartPointer<FastOBBTree> Build(vtkPolyData* mesh, int cellsPerNode, int maxLevel)
{
  auto tree = vtkSmartPointer<FastOBBTree>::New();
  tree->SetDataSet(mesh);
  tree->SetNumberOfCellsPerNode(cellsPerNode);
  tree->SetMaxLevel(maxLevel);
  tree->SetTolerance(1e-6);
  tree->AutomaticOn();
  tree->BuildLocator();
  return tree;
}

bool FastQueriesOn(FastOBBTree* tree)
{
  std::ostringstream text;
  tree->PrintSelf(text, vtkIndent());
  return text.str().find("Fast queries: on") != std::string::npos;
}

void Corner(vtkPolyData* mesh, vtkIdType cell, int k, double p[3])
{
  vtkIdType n = 0;
  const vtkIdType* ids = nullptr;
  mesh->GetCellPoints(cell, n, ids);
  mesh->GetPoint(ids[k], p);
}

// Segments that come close to the mesh in the ways that decide a hit: through vertices,
// along and beside edges, in and just off a triangle's plane (offsets 0 to 1e-3), ending on a
// plane, grazing the surface over a long way, the tool axis and the base rays of the callers,
// and misses. Each from a random triangle of the mesh.
std::vector<Segment> AdversarialSegments(vtkPolyData* mesh, int perKind, unsigned seed)
{
  std::mt19937 random(seed);
  std::uniform_int_distribution<vtkIdType> anyCell(0, mesh->GetNumberOfCells() - 1);
  std::uniform_real_distribution<double> unit(-1.0, 1.0);
  const double offsets[] = { 0.0, 1e-12, 1e-9, 1e-7, 1e-6, 2e-6, 1e-5, 1e-4, 1.1e-4, 1e-3 };
  double bounds[6];
  mesh->GetBounds(bounds);
  const double size = std::sqrt((bounds[1] - bounds[0]) * (bounds[1] - bounds[0]) +
    (bounds[3] - bounds[2]) * (bounds[3] - bounds[2]) +
    (bounds[5] - bounds[4]) * (bounds[5] - bounds[4]));

  auto randomDirection = [&](double d[3]) {
    do
    {
      d[0] = unit(random);
      d[1] = unit(random);
      d[2] = unit(random);
    } while (vtkMath::Norm(d) < 0.1);
    vtkMath::Normalize(d);
  };
  auto segment = [](const double p[3], const double d[3], double before, double after) {
    Segment s{};
    for (int k = 0; k < 3; ++k)
    {
      s.from[k] = p[k] - before * d[k];
      s.to[k] = p[k] + after * d[k];
    }
    return s;
  };

  std::vector<Segment> segments;
  for (int i = 0; i < perKind; ++i)
  {
    const vtkIdType cell = anyCell(random);
    double a[3];
    double b[3];
    double c[3];
    Corner(mesh, cell, 0, a);
    Corner(mesh, cell, 1, b);
    Corner(mesh, cell, 2, c);
    double normal[3];
    double u[3] = { b[0] - a[0], b[1] - a[1], b[2] - a[2] };
    double v[3] = { c[0] - a[0], c[1] - a[1], c[2] - a[2] };
    vtkMath::Cross(u, v, normal);
    if (vtkMath::Normalize(normal) == 0.0)
    {
      normal[0] = 0.0;
      normal[1] = 0.0;
      normal[2] = 1.0;
    }
    double edge[3] = { b[0] - a[0], b[1] - a[1], b[2] - a[2] };
    const double edgeLength = vtkMath::Normalize(edge);
    double inPlane[3];
    vtkMath::Cross(normal, edge, inPlane);
    double centroid[3];
    for (int k = 0; k < 3; ++k)
    {
      centroid[k] = (a[k] + b[k] + c[k]) / 3.0;
    }
    const double offset = offsets[static_cast<size_t>(i) % std::size(offsets)];
    const double sign = i % 2 ? 1.0 : -1.0;
    double d[3];

    // Through a vertex, any direction.
    randomDirection(d);
    segments.push_back(segment(a, d, 5.0, 5.0));
    // Along an edge (exactly, extended, and moved off it in the plane and along the normal).
    segments.push_back(Segment{ { a[0], a[1], a[2] }, { b[0], b[1], b[2] } });
    double beside[3];
    double above[3];
    for (int k = 0; k < 3; ++k)
    {
      beside[k] = a[k] + sign * offset * inPlane[k];
      above[k] = a[k] + sign * offset * normal[k];
    }
    segments.push_back(segment(beside, edge, 0.5 * edgeLength, 1.5 * edgeLength));
    segments.push_back(segment(above, edge, 0.5 * edgeLength, 1.5 * edgeLength));
    // In the triangle's plane through its centroid, and just off the plane.
    double planeDirection[3];
    for (int k = 0; k < 3; ++k)
    {
      planeDirection[k] = std::cos(i) * edge[k] + std::sin(i) * inPlane[k];
    }
    double offPlane[3];
    for (int k = 0; k < 3; ++k)
    {
      offPlane[k] = centroid[k] + sign * offset * normal[k];
    }
    segments.push_back(segment(centroid, planeDirection, 3.0, 3.0));
    segments.push_back(segment(offPlane, planeDirection, 3.0, 3.0));
    // Ending on the plane, or just before or beyond it, along the normal and slanted.
    double slanted[3];
    randomDirection(d);
    for (int k = 0; k < 3; ++k)
    {
      slanted[k] = normal[k] + 0.7 * d[k];
    }
    vtkMath::Normalize(slanted);
    const double* directions[] = { normal, slanted };
    for (const double* along : directions)
    {
      double end[3];
      for (int k = 0; k < 3; ++k)
      {
        end[k] = centroid[k] + sign * offset * along[k];
      }
      segments.push_back(segment(end, along, -10.0, 0.0));
      segments.push_back(segment(end, along, 0.0, 10.0));
    }
    // Grazing the surface over a long way: nearly in the plane, crossing the whole model.
    for (int k = 0; k < 3; ++k)
    {
      d[k] = planeDirection[k] + sign * offset * normal[k];
    }
    vtkMath::Normalize(d);
    segments.push_back(segment(centroid, d, size, size));
    // A tool axis 30 degrees above a horizontal direction through a point just inside, and a
    // vertical base ray from below the model to its middle.
    double horizontal[3] = { normal[0], normal[1], 0.0 };
    if (vtkMath::Normalize(horizontal) > 0.0)
    {
      double axis[3] = { horizontal[0], horizontal[1], std::sqrt(3.0) / 3.0 };
      vtkMath::Normalize(axis);
      double inside[3];
      for (int k = 0; k < 3; ++k)
      {
        inside[k] = centroid[k] - 0.4 * axis[k];
      }
      segments.push_back(segment(inside, axis, 0.5, 10.0));
      segments.push_back(segment(inside, axis, 10.0, 0.0));
    }
    const double up[3] = { 0.0, 0.0, 1.0 };
    double below[3] = { centroid[0], centroid[1], bounds[4] - 1.0 };
    segments.push_back(segment(below, up, 0.0, 0.5 * (bounds[5] - bounds[4]) + 1.0));
    // A miss: beside the bounding box, and far out.
    double outside[3] = { bounds[1] + offset + 1e-3, centroid[1], centroid[2] };
    randomDirection(d);
    segments.push_back(segment(outside, d, 1.0, 1.0));
    double far[3] = { centroid[0] + 3.0 * size, centroid[1], centroid[2] };
    segments.push_back(segment(far, d, 5.0, 5.0));
  }
  return segments;
}

struct TreeSettings
{
  const char* caller;
  int cellsPerNode;
  int maxLevel;
};

// The settings of the three callers: the cut line, the base-plane search, the collision check.
const TreeSettings kSettings[] = {
  { "cut line", 8, 1000000 },
  { "frame", 32, 15 },
  { "collision", 50, 1000000 },
};

void ExpectSameAnswers(vtkPolyData* mesh, int perKind, const std::string& name)
{
  for (const TreeSettings& settings : kSettings)
  {
    SCOPED_TRACE(name + ", tree as the " + settings.caller + " builds it");
    const vtkSmartPointer<FastOBBTree> tree =
      Build(mesh, settings.cellsPerNode, settings.maxLevel);
    ASSERT_TRUE(FastQueriesOn(tree));
    int failures = 0;
    for (const Segment& s : AdversarialSegments(mesh, perKind, 7u))
    {
      const testing::AssertionResult same = SameAnswers(tree, s);
      EXPECT_TRUE(same);
      if (!same && ++failures == 5)
      {
        return;
      }
    }
  }
}

} // namespace

TEST(FastOBBTree, AnswersAsVtkOBBTreeOnTheGeneratedJaws)
{
  const testsupport::SyntheticJaw small = testsupport::MakeSyntheticJaw();
  ExpectSameAnswers(small.mesh, 400, "small jaw");

  const testsupport::SyntheticJaw placed = testsupport::MakeSyntheticJaw(
    testsupport::SmallJaw(), testsupport::RigidMotion(12.0, -8.0, 25.0, 3.0, -4.0, 6.0));
  ExpectSameAnswers(placed.mesh, 200, "tilted small jaw");
  ExpectSameAnswers(InDoublePrecision(placed.mesh, 1.0000001), 200, "double-precision jaw");
  ExpectSameAnswers(InDoublePrecision(small.mesh, 300.0), 100, "jaw 300 times as large");

  const testsupport::SyntheticJaw large = testsupport::MakeSyntheticJaw(testsupport::LargeJaw());
  ExpectSameAnswers(large.mesh, 60, "large jaw");
}

TEST(FastOBBTree, AnswersAsVtkOBBTreeOnDegenerateMeshes)
{
  const struct
  {
    const char* name;
    vtkSmartPointer<vtkPolyData> mesh;
  } cases[] = {
    { "slivers and needles", Slivers() },
    { "flat grid", FlatGrid() },
    { "one triangle", Triangles({ { 0, 0, 0 }, { 1, 0, 0 }, { 0, 1, 0 } }, { { 0, 1, 2 } }) },
    { "two coincident triangles",
      Triangles({ { 0, 0, 0 }, { 1, 0, 0 }, { 0, 1, 0 } }, { { 0, 1, 2 }, { 2, 1, 0 } }) },
    { "far from the origin", InDoublePrecision(FlatGrid(), 1.0) },
  };
  for (const auto& c : cases)
  {
    ExpectSameAnswers(c.mesh, 300, c.name);
  }
}

// A needle so thin that the normal vtkOBBTree takes at its middle corner is off by about a
// milliradian: vtkOBBTree reports the crossing with its tilted plane, well away from the needle.
// Two small, well-shaped triangles at its ends, in its own plane, give the one leaf a box as
// flat as the needle: only the growth of the boxes above nearly degenerate triangles makes that
// box hold the crossing.
TEST(FastOBBTree, FindsWhatVtkOBBTreeReportsFarFromANeedle)
{
  const double length = 10.0;
  double u[3] = { 1.0, 2.0, 3.0 };
  vtkMath::Normalize(u);
  double across[3] = { 3.0, 0.0, -1.0 };
  vtkMath::Normalize(across);
  std::array<double, 3> a{ 0.3, 0.7, 0.2 };
  std::array<double, 3> b{};
  std::array<double, 3> c{};
  std::array<double, 3> besideA{};
  std::array<double, 3> alongA{};
  std::array<double, 3> besideC{};
  std::array<double, 3> alongC{};
  const double side = 1e-4;
  for (int k = 0; k < 3; ++k)
  {
    b[k] = a[k] + length * u[k];
    c[k] = b[k] + length * u[k] + 1e-12 * across[k];
    besideA[k] = a[k] + side * across[k];
    alongA[k] = a[k] + side * u[k];
    besideC[k] = c[k] + side * across[k];
    alongC[k] = c[k] - side * u[k];
  }
  const vtkSmartPointer<vtkPolyData> needle = Triangles(
    { a, b, c, besideA, alongA, besideC, alongC }, { { 0, 1, 2 }, { 0, 4, 3 }, { 2, 5, 6 } });

  // Where vtkOBBTree's plane (its normal at b, through a) lies above the needle's centroid
  // along the normal's largest axis.
  double n[3];
  vtkTriangle::ComputeNormal(a.data(), b.data(), c.data(), n);
  int axis = 0;
  for (int k = 1; k < 3; ++k)
  {
    axis = std::fabs(n[k]) > std::fabs(n[axis]) ? k : axis;
  }
  double reported[3];
  double offPlane = 0.0;
  for (int k = 0; k < 3; ++k)
  {
    reported[k] = (a[k] + b[k] + c[k]) / 3.0;
    offPlane += n[k] * (reported[k] - a[k]);
  }
  reported[axis] -= offPlane / n[axis];
  // A segment through that crossing, square to the needle and slanted across its plane, so
  // that it overlaps the leaf's box along each of the box's axes (vtkOBBTree's own box test
  // lets it in) and yet passes the box, which lies in the needle's plane within `side` of the
  // needle, far off.
  double trueNormal[3];
  vtkMath::Cross(u, across, trueNormal);
  vtkMath::Normalize(trueNormal);
  double sideways = 0.0;
  double fromPlane = 0.0;
  for (int k = 0; k < 3; ++k)
  {
    sideways += across[k] * (reported[k] - a[k]);
    fromPlane += trueNormal[k] * (reported[k] - a[k]);
  }
  const double slant =
    std::fabs(sideways + fromPlane) > std::fabs(sideways - fromPlane) ? -1.0 : 1.0;
  const double miss = std::fabs(sideways - slant * fromPlane) / std::sqrt(2.0) - side;
  // Five times the margin by which the fast queries keep a box.
  ASSERT_GT(miss, 5e-4) << "the segment comes too near the needle's box to show it";
  Segment s{};
  for (int k = 0; k < 3; ++k)
  {
    const double w = (across[k] + slant * trueNormal[k]) / std::sqrt(2.0);
    s.from[k] = reported[k] - w;
    s.to[k] = reported[k] + w;
  }

  const vtkSmartPointer<FastOBBTree> tree = Build(needle, 8, 1000000);
  ASSERT_TRUE(FastQueriesOn(tree));
  vtkNew<vtkPoints> points;
  ASSERT_NE(tree->vtkOBBTree::IntersectWithLine(s.from, s.to, points, nullptr), 0);
  EXPECT_TRUE(SameAnswers(tree, s));
}

TEST(FastOBBTree, BaseClassAnswersWhereTheFastQueriesDoNotApply)
{
  const testsupport::SyntheticJaw jaw = testsupport::MakeSyntheticJaw();

  // A quad among the triangles.
  const vtkSmartPointer<vtkPolyData> mixed = WithAQuad(jaw.mesh);
  ASSERT_EQ(mixed->GetNumberOfCells(), jaw.mesh->GetNumberOfCells() + 1);
  ASSERT_EQ(mixed->GetCellType(jaw.mesh->GetNumberOfCells()), VTK_QUAD);
  const vtkSmartPointer<FastOBBTree> mixedTree = Build(mixed, 8, 1000000);
  EXPECT_FALSE(FastQueriesOn(mixedTree));

  // Points moved after the build: vtkOBBTree answers on its old tree, and so does the subclass.
  auto moved = vtkSmartPointer<vtkPolyData>::New();
  moved->DeepCopy(jaw.mesh);
  const vtkSmartPointer<FastOBBTree> movedTree = Build(moved, 8, 1000000);
  ASSERT_TRUE(FastQueriesOn(movedTree));
  MovePoints(moved, 7, 2, 0.3);
  EXPECT_FALSE(FastQueriesOn(movedTree));

  // A rebuild takes the new points in.
  const vtkSmartPointer<FastOBBTree> rebuilt = Build(moved, 8, 1000000);
  EXPECT_TRUE(FastQueriesOn(rebuilt));

  for (FastOBBTree* tree : { mixedTree.Get(), movedTree.Get(), rebuilt.Get() })
  {
    for (const Segment& s : AdversarialSegments(jaw.mesh, 40, 11u))
    {
      ASSERT_TRUE(SameAnswers(tree, s));
    }
  }
}

TEST(FastOBBTree, NewModelTreeFollowsTheSwitch)
{
  EXPECT_TRUE(FastOBBTree::SafeDownCast(NewModelTree()));
  UseBaseOBBTree(true);
  const vtkSmartPointer<vtkOBBTree> base = NewModelTree();
  UseBaseOBBTree(false);
  EXPECT_STREQ(base->GetClassName(), "vtkOBBTree");
  EXPECT_TRUE(FastOBBTree::SafeDownCast(NewModelTree()));
}
