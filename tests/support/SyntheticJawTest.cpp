// The generated jaw is what later tests rely on: closed, outward, flat underside, and a
// counter-clockwise gum line on its surface with dips along the teeth. Also the thread limit
// of VTK's parallel tools that the tree tests and benchmarks set.
#include "tests/support/MeshChecks.h"
#include "tests/support/SmpThreads.h"
#include "tests/support/SyntheticJaw.h"

#include <vtkMatrix4x4.h>
#include <vtkPolyData.h>
#include <vtkSMPThreadLocal.h>
#include <vtkSMPTools.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <thread>

using namespace testsupport;

namespace
{

double SignedAreaXY(const std::vector<Point3>& loop)
{
  double area = 0.0;
  for (size_t i = 0; i < loop.size(); ++i)
  {
    const Point3& a = loop[i];
    const Point3& b = loop[(i + 1) % loop.size()];
    area += a.x * b.y - b.x * a.y;
  }
  return 0.5 * area;
}

} // namespace

TEST(SyntheticJaw, SmallJawIsAClosedOutwardArchOnAFlatBase)
{
  const SyntheticJaw jaw = MakeSyntheticJaw(SmallJaw());
  const vtkIdType cells = jaw.mesh->GetNumberOfCells();
  EXPECT_GT(cells, 18000);
  EXPECT_LT(cells, 22000);
  EXPECT_TRUE(IsClosedOrientedManifold(jaw.mesh));
  EXPECT_GT(SignedVolume(jaw.mesh), 0.0);

  double b[6];
  jaw.mesh->GetBounds(b);
  EXPECT_NEAR(b[0] + b[1], 0.0, 1e-4);
  EXPECT_NEAR(b[2] + b[3], 0.0, 1e-4);
  EXPECT_DOUBLE_EQ(b[4], 0.0);
  EXPECT_NEAR(b[1] - b[0], 50.0, 3.0);
  EXPECT_NEAR(b[3] - b[2], 45.0, 4.0);
}

TEST(SyntheticJaw, GumLineIsCounterClockwiseOnTheSurfaceWithValleys)
{
  const SyntheticJaw jaw = MakeSyntheticJaw(SmallJaw());
  ASSERT_EQ(jaw.gumLine.size(), 300u);
  EXPECT_GT(SignedAreaXY(jaw.gumLine), 0.0);

  const SurfaceDistance distance(jaw.mesh);
  for (const Point3& p : jaw.gumLine)
  {
    EXPECT_LT(distance(p.x, p.y, p.z), 1e-4);
  }

  // The margin dips along each tooth and rises over each papilla on both sides.
  double low = 1e9;
  double high = -1e9;
  int valleys = 0;
  for (size_t i = 0; i < jaw.gumLine.size(); ++i)
  {
    if (jaw.gumSide[i] == GumSide::Cap)
    {
      continue;
    }
    low = std::min(low, jaw.gumLine[i].z);
    high = std::max(high, jaw.gumLine[i].z);
    valleys += jaw.gumValley[i] ? 1 : 0;
  }
  EXPECT_GT(high - low, 1.0);
  EXPECT_LT(high - low, 2.0);
  EXPECT_GE(valleys, 2 * 14);
}

TEST(SyntheticJaw, PlacementMovesMeshAndGumLineRigidly)
{
  auto motion = RigidMotion(20.0, -10.0, 35.0, 5.0, -7.0, 3.0);
  const SyntheticJaw still = MakeSyntheticJaw(SmallJaw());
  const SyntheticJaw moved = MakeSyntheticJaw(SmallJaw(), motion);
  double p[3];
  double q[3];
  still.mesh->GetPoint(123, p);
  moved.mesh->GetPoint(123, q);
  double expected[4];
  const double in[4] = { p[0], p[1], p[2], 1.0 };
  motion->MultiplyPoint(in, expected);
  for (int k = 0; k < 3; ++k)
  {
    EXPECT_NEAR(q[k], expected[k], 1e-4);
  }
  EXPECT_NEAR(SignedVolume(moved.mesh), SignedVolume(still.mesh), 1e-2);
  const SurfaceDistance distance(moved.mesh);
  for (const Point3& g : moved.gumLine)
  {
    EXPECT_LT(distance(g.x, g.y, g.z), 1e-3);
  }
}

// The thread limit the tree tests and benchmarks rely on holds every time it is set, also when
// the same limit is set again after VTK's setting was restored.
TEST(SmpThreads, LimitsVtksParallelLoopsEachTime)
{
  // Each thread that runs an item of the loop gets its own counter.
  const auto threadsUsed = [] {
    vtkSMPThreadLocal<int> items(0);
    vtkSMPTools::For(0, 400, 1, [&](vtkIdType first, vtkIdType last) {
      std::this_thread::sleep_for(std::chrono::microseconds(200));
      items.Local() += static_cast<int>(last - first);
    });
    size_t threads = 0;
    for (auto it = items.begin(); it != items.end(); ++it)
    {
      ++threads;
    }
    return threads;
  };
  for (const int limit : { 1, 1, 2, 2, 1 })
  {
    size_t used = 0;
    WithSmpThreads(limit, [&] { used = threadsUsed(); });
    EXPECT_LE(used, static_cast<size_t>(limit)) << "limit " << limit;
  }
  if (std::thread::hardware_concurrency() > 2)
  {
    EXPECT_GT(threadsUsed(), 2u);
  }
}
