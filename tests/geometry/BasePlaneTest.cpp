// The base-plane search: which ray hits are accepted (first hit only, each triangle once,
// facing the height axis, inside a flat patch), which pass wins, the retried middle row, and
// the grouping of the accepted triangles by plane.
#include "tests/geometry/AlignerProbe.h"

#include <vtkIdList.h>
#include <vtkNew.h>
#include <vtkOBBTree.h>
#include <vtkPolyData.h>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

namespace
{

// The locator and links as the search builds them.
vtkSmartPointer<vtkOBBTree> Locator(vtkPolyData* mesh)
{
  auto locator = vtkSmartPointer<vtkOBBTree>::New();
  locator->SetMaxLevel(15);
  locator->SetDataSet(mesh);
  locator->SetTolerance(1e-6);
  locator->AutomaticOn();
  locator->BuildLocator();
  mesh->BuildLinks();
  return locator;
}

// A ray from below the plane z = 0 up to z = 0.5 at (x, y).
Segment Upward(double x, double y)
{
  return Segment{ { x, y, -1.0 }, { x, y, 0.5 } };
}

const double kUp[3] = { 0.0, 0.0, 1.0 };

// The triangle of a height field that holds (x, y): square (i, j), lower or upper half.
vtkIdType FieldTriangle(int nx, double x, double y)
{
  const int i = static_cast<int>(x);
  const int j = static_cast<int>(y);
  const bool upper = (y - j) > (x - i);
  return 2 * (j * (nx - 1) + i) + (upper ? 1 : 0);
}

auto Flat = [](int, int) { return 0.0; };

// The hits of one upward ray at (x, y) on `mesh`, in a pass whose list is `used`.
std::vector<Hit> UpwardRayHits(vtkPolyData* mesh, double x, double y, vtkIdList* used)
{
  AlignerProbe probe(mesh);
  auto locator = Locator(mesh);
  std::vector<Hit> hits;
  probe.ProjectSegments({ Upward(x, y) }, kUp, locator, used, hits);
  return hits;
}

} // namespace

TEST(ProjectSegments, RecordsATriangleOncePerPassForItsFirstHit)
{
  auto field = HeightField(5, 5, Flat);
  AlignerProbe probe(field);
  auto locator = Locator(field);
  vtkNew<vtkIdList> used;
  std::vector<Hit> hits;

  probe.ProjectSegments(
    { Upward(1.2, 1.1), Upward(1.3, 1.15), Upward(2.7, 2.2) }, kUp, locator, used, hits);
  ASSERT_EQ(hits.size(), 2u);
  EXPECT_EQ(hits[0].cell, FieldTriangle(5, 1.2, 1.1));
  EXPECT_NEAR(hits[0].p[0], 1.2, 1e-12);
  EXPECT_NEAR(hits[0].p[1], 1.1, 1e-12);
  EXPECT_NEAR(hits[0].p[2], 0.0, 1e-12);
  EXPECT_EQ(hits[1].cell, FieldTriangle(5, 2.7, 2.2));
  ASSERT_EQ(used->GetNumberOfIds(), 2);
  EXPECT_EQ(used->GetId(0), hits[0].cell);
  EXPECT_EQ(used->GetId(1), hits[1].cell);

  // A later row of the same pass adds nothing for a triangle already taken; the old hits
  // are replaced by the new (empty) list.
  probe.ProjectSegments({ Upward(1.25, 1.12) }, kUp, locator, used, hits);
  EXPECT_TRUE(hits.empty());
  EXPECT_EQ(used->GetNumberOfIds(), 2);

  // Each pass keeps its own list: a new one takes the triangle again.
  vtkNew<vtkIdList> fresh;
  probe.ProjectSegments(
    { Segment{ { 1.25, 1.12, 3.0 }, { 1.25, 1.12, -3.0 } } }, kUp, locator, fresh, hits);
  ASSERT_EQ(hits.size(), 1u);
  EXPECT_EQ(hits[0].cell, FieldTriangle(5, 1.2, 1.1));
}

TEST(ProjectSegments, TakesTheCrossingNearestToTheStart)
{
  // Two flat sheets, z = 0 and z = 2; a ray from above meets the upper one first.
  auto lower = HeightField(5, 5, Flat);
  auto upper = HeightField(5, 5, [](int, int) { return 2.0; });
  auto sheets = Merge(lower, upper);
  AlignerProbe probe(sheets);
  auto locator = Locator(sheets);
  vtkNew<vtkIdList> used;
  std::vector<Hit> hits;
  const double down[3] = { 0.0, 0.0, -1.0 };
  probe.ProjectSegments(
    { Segment{ { 2.3, 1.6, 5.0 }, { 2.3, 1.6, -1.0 } } }, down, locator, used, hits);
  ASSERT_EQ(hits.size(), 1u);
  EXPECT_NEAR(hits[0].p[2], 2.0, 1e-12);
  EXPECT_EQ(hits[0].cell, lower->GetNumberOfCells() + FieldTriangle(5, 2.3, 1.6));
}

TEST(ProjectSegments, NeedsTwoCoplanarNeighbours)
{
  // A flat middle inside a raised rim: with 4 x 4 points the flat part is one square, so each
  // of its triangles has one coplanar neighbour (the border of the patch); with 5 x 5 points
  // it is 2 x 2 squares and each triangle has two.
  struct Case
  {
    int n;
    bool accepted;
  };
  for (const Case c : { Case{ 4, false }, Case{ 5, true } })
  {
    SCOPED_TRACE(testing::Message() << c.n << " x " << c.n << " points");
    const int n = c.n;
    auto field = HeightField(n, n, [n](int i, int j) {
      return (i == 0 || j == 0 || i == n - 1 || j == n - 1) ? 1.0 : 0.0;
    });
    vtkNew<vtkIdList> used;
    const std::vector<Hit> hits = UpwardRayHits(field, 1.6, 1.3, used);
    EXPECT_EQ(hits.size(), c.accepted ? 1u : 0u);
    EXPECT_EQ(used->GetNumberOfIds(), c.accepted ? 1 : 0);
  }
}

TEST(ProjectSegments, NeighboursTiltedByATenthOfADegreeAreNotInThePlane)
{
  // The flat triangle (0, 0), (2, 0), (0, 2) at z = 0 with one neighbour across each edge,
  // turned about that edge by its tilt: the outer corner is raised by its distance from the
  // edge times tan(tilt), so the neighbour's normal is the tilt away from the triangle's. A
  // neighbour counts as in the plane within 0.05 degrees, and the triangle needs two.
  struct Case
  {
    const char* what;
    double tilts[3]; // degrees, across the edges (0, 0)-(2, 0), (2, 0)-(0, 2), (0, 2)-(0, 0)
    bool accepted;
  };
  const Case cases[] = {
    { "all three at 0.1 degrees", { 0.1, 0.1, 0.1 }, false },
    { "0.1, 0.2 and 0.4 degrees", { 0.1, 0.2, 0.4 }, false },
    { "one within 0.05 degrees", { 0.04, 0.3, 0.2 }, false },
    { "two within 0.05 degrees", { 0.04, 0.4, 0.04 }, true },
  };
  for (const Case& c : cases)
  {
    SCOPED_TRACE(c.what);
    auto raise = [&c](int edge, double distance) {
      return distance * std::tan(c.tilts[edge] * M_PI / 180.0);
    };
    const std::vector<Vec3> points = { { 0.0, 0.0, 0.0 }, { 2.0, 0.0, 0.0 }, { 0.0, 2.0, 0.0 },
      { 1.0, -1.0, raise(0, 1.0) }, { 2.0, 2.0, raise(1, std::sqrt(2.0)) },
      { -1.0, 1.0, raise(2, 1.0) } };
    // Counter-clockwise seen from +z, each neighbour running the shared edge the other way.
    auto fan = TriangleMesh(points, { { 0, 1, 2 }, { 1, 0, 3 }, { 2, 1, 4 }, { 0, 2, 5 } });
    vtkNew<vtkIdList> used;
    const std::vector<Hit> hits = UpwardRayHits(fan, 0.6, 0.7, used);
    EXPECT_EQ(hits.size(), c.accepted ? 1u : 0u);
    if (c.accepted && !hits.empty())
    {
      EXPECT_EQ(hits[0].cell, 0);
    }
  }
}

TEST(ProjectSegments, AcceptsTrianglesWithinThirtyDegreesOfEitherSense)
{
  // The flat field's inward normal is (0, 0, -1); the reference direction r is chosen so
  // that their dot product is exactly s.
  struct Case
  {
    const char* what;
    double s;
    bool accepted;
  };
  const double cos30 = std::cos(M_PI / 6.0); // acos gives 29.999999999999993 degrees
  const Case cases[] = {
    { "along", 1.0, true },
    { "against", -1.0, true },
    { "30 degrees", cos30, true },
    { "just over 30 degrees", std::nextafter(cos30, 0.0), false },
    { "45 degrees", std::sqrt(0.5), false },
    { "90 degrees", 0.0, false },
    { "135 degrees", -std::sqrt(0.5), false },
    { "exactly 150 degrees", -0.86602540378443871, true },
    { "just under 150 degrees", -0.86602540378443849, false },
  };
  auto field = HeightField(5, 5, Flat);
  auto locator = Locator(field);
  for (const Case& c : cases)
  {
    SCOPED_TRACE(c.what);
    AlignerProbe probe(field);
    vtkNew<vtkIdList> used;
    std::vector<Hit> hits;
    const double r[3] = { std::sqrt(1.0 - c.s * c.s), 0.0, -c.s };
    probe.ProjectSegments({ Upward(2.3, 1.6) }, r, locator, used, hits);
    EXPECT_EQ(hits.size(), c.accepted ? 1u : 0u);
  }
}

TEST(ProjectSegments, SkipsACellThatIsNotATriangleSilently)
{
  // A sheet at z = 2 whose middle square is one quad, above a flat sheet at z = 0. A ray from
  // above that meets the quad first takes nothing, not even the triangle below it; the row
  // goes on with the next ray.
  std::vector<Vec3> points;
  for (int j = 0; j < 5; ++j)
  {
    for (int i = 0; i < 5; ++i)
    {
      points.push_back({ static_cast<double>(i), static_cast<double>(j), 2.0 });
    }
  }
  auto at = [](int i, int j) { return static_cast<vtkIdType>(j * 5 + i); };
  std::vector<std::vector<vtkIdType>> cells;
  for (int j = 0; j < 4; ++j)
  {
    for (int i = 0; i < 4; ++i)
    {
      if (i == 2 && j == 2)
      {
        cells.push_back({ at(i, j), at(i + 1, j), at(i + 1, j + 1), at(i, j + 1) });
        continue;
      }
      cells.push_back({ at(i, j), at(i + 1, j), at(i + 1, j + 1) });
      cells.push_back({ at(i, j), at(i + 1, j + 1), at(i, j + 1) });
    }
  }
  auto sheets = Merge(HeightField(5, 5, Flat), TriangleMesh(points, cells));
  AlignerProbe probe(sheets);
  auto locator = Locator(sheets);
  vtkNew<vtkIdList> used;
  std::vector<Hit> hits;
  const double down[3] = { 0.0, 0.0, -1.0 };
  testing::internal::CaptureStderr();
  probe.ProjectSegments({ Segment{ { 2.5, 2.4, 5.0 }, { 2.5, 2.4, -1.0 } },
                          Segment{ { 1.3, 1.2, 5.0 }, { 1.3, 1.2, -1.0 } } },
    down, locator, used, hits);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
  ASSERT_EQ(hits.size(), 1u);
  EXPECT_NEAR(hits[0].p[0], 1.3, 1e-12);
  EXPECT_NEAR(hits[0].p[2], 2.0, 1e-12);
  ASSERT_EQ(used->GetNumberOfIds(), 1);
  EXPECT_EQ(used->GetId(0), hits[0].cell);
}

TEST(FitBasePlane, TieBetweenPassesGoesToThePassFromAbove)
{
  // Top and bottom meshed alike: both passes accept as many triangles, and the top wins, its
  // normal pointing down into the box. A finer bottom wins by count.
  struct Case
  {
    const char* what;
    int bottomN;
    double normalZ;
    double originZ;
  };
  for (const Case c : { Case{ "alike", 5, -1.0, 1.5 }, Case{ "finer bottom", 10, 1.0, -1.5 } })
  {
    SCOPED_TRACE(c.what);
    AlignerProbe probe(GridBox({ -5.0, -4.0, -1.5 }, { 5.0, 4.0, 1.5 }, 5, c.bottomN));
    probe.UseAxes(2, 0, 1);
    double normal[3];
    double origin[3];
    ASSERT_TRUE(probe.FitBasePlane(normal, origin));
    EXPECT_NEAR(normal[0], 0.0, 1e-9);
    EXPECT_NEAR(normal[1], 0.0, 1e-9);
    EXPECT_NEAR(normal[2], c.normalZ, 1e-9);
    EXPECT_NEAR(origin[0], 0.0, 1e-9);
    EXPECT_NEAR(origin[1], 0.0, 1e-9);
    EXPECT_NEAR(origin[2], c.originZ, 1e-6);
    ASSERT_FALSE(probe.hitsA.empty());
    ASSERT_FALSE(probe.hitsB.empty());
    for (const Hit& h : probe.hitsA)
    {
      EXPECT_NEAR(h.p[2], c.originZ, 1e-6);
    }
  }
}

TEST(FitBasePlane, RetriesAnEmptyMiddleRowBesideTheCentre)
{
  // Two boxes with a gap around x = 0: the middle row through the centre meets nothing and is
  // cast again 4.0 along the long axis (x); the long row meets both boxes.
  auto left = GridBox({ -10.0, -3.0, 0.0 }, { -1.0, 3.0, 2.0 }, 4);
  auto right = GridBox({ 1.0, -3.0, 0.0 }, { 10.0, 3.0, 2.0 }, 4);
  AlignerProbe probe(Merge(left, right));
  probe.UseAxes(2, 0, 1);
  double normal[3];
  double origin[3];
  ASSERT_TRUE(probe.FitBasePlane(normal, origin));
  ASSERT_FALSE(probe.hitsB.empty());
  for (const Hit& h : probe.hitsB)
  {
    EXPECT_DOUBLE_EQ(h.p[0], 4.0);
  }
  bool onLeft = false;
  bool onRight = false;
  for (const Hit& h : probe.hitsA)
  {
    onLeft = onLeft || h.p[0] < -1.0;
    onRight = onRight || h.p[0] > 1.0;
  }
  EXPECT_TRUE(onLeft);
  EXPECT_TRUE(onRight);
}

TEST(FitBasePlane, FailsWithoutAFlatPatchOrWithOnlySliversAndLeavesItsOutputs)
{
  // Without a flat patch neither pass accepts a triangle and the hit lists stay as they
  // were. A bottom of slivers (0.005 x 0.0033, twice the area below 0.00005) is accepted by
  // the rays, so the lists already hold the winning pass's hits, but the grouping drops every
  // sliver. In both boxes each face but the bottom is two triangles, each with one coplanar
  // neighbour only.
  struct Case
  {
    const char* what;
    vtkSmartPointer<vtkPolyData> model;
    bool hitsReplaced;
  };
  const Case cases[] = {
    { "no flat patch", GridBox({ 0.0, 0.0, 0.0 }, { 10.0, 8.0, 3.0 }, 1), false },
    { "only slivers", GridBox({ 0.0, 0.0, 0.0 }, { 0.3, 0.2, 0.1 }, 1, 60), true },
  };
  const Hit before{ { 7.0, 7.0, 7.0 }, 99 };
  for (const Case& c : cases)
  {
    SCOPED_TRACE(c.what);
    AlignerProbe probe(c.model);
    probe.UseAxes(2, 0, 1);
    probe.hitsA = { before };
    probe.hitsB = { before };
    double normal[3] = { 7.0, 7.0, 7.0 };
    double origin[3] = { 9.0, 9.0, 9.0 };
    EXPECT_FALSE(probe.FitBasePlane(normal, origin));
    EXPECT_EQ(normal[0], 7.0);
    EXPECT_EQ(origin[2], 9.0);
    if (!c.hitsReplaced)
    {
      ASSERT_EQ(probe.hitsA.size(), 1u);
      EXPECT_EQ(probe.hitsA[0].cell, before.cell);
      ASSERT_EQ(probe.hitsB.size(), 1u);
      EXPECT_EQ(probe.hitsB[0].cell, before.cell);
      continue;
    }
    // The pass from below won: its hits lie on the bottom.
    ASSERT_FALSE(probe.hitsA.empty());
    ASSERT_FALSE(probe.hitsB.empty());
    for (const std::vector<Hit>* row : { &probe.hitsA, &probe.hitsB })
    {
      for (const Hit& h : *row)
      {
        EXPECT_NE(h.cell, before.cell);
        EXPECT_NEAR(h.p[2], 0.0, 1e-12);
      }
    }
  }

  AlignerProbe probe(GridBox({ 0.0, 0.0, 0.0 }, { 10.0, 8.0, 3.0 }, 1));
  probe.UseAxes(3, 0, 1);
  double normal[3];
  double origin[3];
  EXPECT_FALSE(probe.FitBasePlane(normal, origin));
}

TEST(FitBasePlane, RowsSpanAnyModelWithinTheLoadBoundAndStayBoundedBeyondIt)
{
  // A flat strip along x at z = 0, 8 wide, of 500 squares, and one small triangle at z = 3 in
  // a corner, which gives the model its height and stays clear of the rows: the pass from
  // below wins with hits on the strip. The strip is 34 641 long: a model within 10 000 of the
  // origin spans no more along any axis, however it is turned.
  const double half = 17320.5;
  const int squares = 500;
  std::vector<Vec3> points;
  std::vector<std::vector<vtkIdType>> triangles;
  for (int k = 0; k <= squares; ++k)
  {
    const double x = -half + 2.0 * half * k / squares;
    points.push_back({ x, -4.0, 0.0 });
    points.push_back({ x, 4.0, 0.0 });
  }
  for (vtkIdType k = 0; k < squares; ++k)
  {
    triangles.push_back({ 2 * k, 2 * k + 2, 2 * k + 3 });
    triangles.push_back({ 2 * k, 2 * k + 3, 2 * k + 1 });
  }
  const auto top = static_cast<vtkIdType>(points.size());
  for (const Vec3& corner : { Vec3{ half - 1.0, 3.0, 3.0 }, Vec3{ half, 3.0, 3.0 },
         Vec3{ half, 4.0, 3.0 } })
  {
    points.push_back(corner);
  }
  triangles.push_back({ top, top + 1, top + 2 });
  const auto strip = TriangleMesh(points, triangles);

  // The long row reaches from one end of the strip to the other: the last square's upper
  // triangle is hit (its lower one has one coplanar neighbour only).
  const double square = 2.0 * half / squares;
  {
    AlignerProbe probe(strip);
    probe.UseAxes(2, 0, 1);
    double normal[3];
    double origin[3];
    ASSERT_TRUE(probe.FitBasePlane(normal, origin));
    ASSERT_FALSE(probe.hitsA.empty());
    EXPECT_LT(probe.hitsA.front().p[0], -half + square);
    EXPECT_GT(probe.hitsA.back().p[0], half - square);
  }

  // A damaged model's size (huge, infinite or undefined) gives a bounded long row, which here
  // meets nothing; the middle row still finds the base.
  struct Case
  {
    const char* what;
    double length;
  };
  for (const Case c : { Case{ "1e30", 1e30 },
         Case{ "infinite", std::numeric_limits<double>::infinity() },
         Case{ "NaN", std::numeric_limits<double>::quiet_NaN() } })
  {
    SCOPED_TRACE(c.what);
    AlignerProbe probe(strip);
    probe.UseAxes(2, 0, 1);
    probe.extent[0] = c.length;
    double normal[3];
    double origin[3];
    ASSERT_TRUE(probe.FitBasePlane(normal, origin));
    EXPECT_TRUE(probe.hitsA.empty());
    EXPECT_FALSE(probe.hitsB.empty());
    EXPECT_NEAR(std::fabs(normal[2]), 1.0, 1e-9);
    EXPECT_NEAR(origin[2], 0.0, 1e-9);
  }
}

TEST(FindLargestPlanarGroup, GroupsByPlaneWithinTheTolerances)
{
  // A triangle on the plane z = height; `reversed` runs it the other way round, `size` scales
  // it, `slope` tilts it (z rises by slope along x).
  struct Tri
  {
    double height;
    bool reversed;
    double size;
    double slope = 0.0;
  };
  struct Case
  {
    const char* what;
    std::vector<Tri> triangles;
    std::vector<vtkIdType> expected;
  };
  const Case cases[] = {
    { "planes 0.004 apart are one",
      { { 0, false, 1 }, { 0.004, false, 1 }, { 0, false, 1 }, { 0.004, false, 1 },
        { 0.004, false, 1 } },
      { 0, 1, 2, 3, 4 } },
    { "planes 0.006 apart are two, the larger wins",
      { { 0, false, 1 }, { 0.006, false, 1 }, { 0, false, 1 }, { 0.006, false, 1 },
        { 0.006, false, 1 } },
      { 1, 3, 4 } },
    { "either winding joins", { { 0, false, 1 }, { 0.006, false, 1 }, { 0, true, 1 } }, { 0, 2 } },
    { "equal groups: the first made",
      { { 0.006, false, 1 }, { 0, false, 1 }, { 0, false, 1 }, { 0.006, true, 1 } }, { 0, 3 } },
    { "slivers are skipped",
      { { 0.006, false, 1 }, { 0, false, 0.004 }, { 0, false, 0.004 } }, { 0 } },
    // Its normal (-1e-5, 0, 1) turns to +x first, then back to agree with the group's.
    { "a normal within the tolerance joins whatever its first component",
      { { 0, false, 1 }, { 0, false, 1, 1e-5 }, { 0.006, false, 1 } }, { 0, 1 } },
    { "a normal beyond the tolerance does not",
      { { 0, false, 1 }, { 0, false, 1, 2e-4 }, { 0.006, false, 1 } }, { 0 } },
  };
  for (const Case& c : cases)
  {
    SCOPED_TRACE(c.what);
    std::vector<Vec3> points;
    std::vector<std::vector<vtkIdType>> triangles;
    for (const Tri& t : c.triangles)
    {
      const auto base = static_cast<vtkIdType>(points.size());
      points.push_back({ 0.0, 0.0, t.height });
      points.push_back({ t.size, 0.0, t.height + t.slope * t.size });
      points.push_back({ 0.0, t.size, t.height });
      triangles.push_back(t.reversed ? std::vector<vtkIdType>{ base, base + 2, base + 1 }
                                     : std::vector<vtkIdType>{ base, base + 1, base + 2 });
    }
    AlignerProbe probe(TriangleMesh(points, triangles));
    vtkNew<vtkIdList> candidates;
    for (vtkIdType i = 0; i < static_cast<vtkIdType>(triangles.size()); ++i)
    {
      candidates->InsertNextId(i);
    }
    vtkNew<vtkIdList> bottom;
    bottom->InsertNextId(99); // emptied first
    probe.FindLargestPlanarGroup(candidates, 0.00015, 0.005, bottom);
    std::vector<vtkIdType> got;
    for (vtkIdType i = 0; i < bottom->GetNumberOfIds(); ++i)
    {
      got.push_back(bottom->GetId(i));
    }
    EXPECT_EQ(got, c.expected);
  }
}

TEST(FindLargestPlanarGroup, ReportsAMissingOutputList)
{
  AlignerProbe probe(HeightField(2, 2, Flat));
  vtkNew<vtkIdList> candidates;
  candidates->InsertNextId(0);
  testing::internal::CaptureStderr();
  probe.FindLargestPlanarGroup(candidates, 0.00015, 0.005, nullptr);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "Error: bottomCells is null!\n");
}
