// The in-plane axes: y follows the row that met the model in one place and points from its
// first hit toward the centre; with a row of fewer than two hits the model's long and middle
// axes are turned into the base plane.
#include "tests/geometry/AlignerProbe.h"

#include <vtkMath.h>
#include <vtkPolyData.h>

#include <gtest/gtest.h>

#include <cmath>

namespace
{

std::vector<Hit> Row(std::initializer_list<Vec3> points)
{
  std::vector<Hit> hits;
  for (const Vec3& p : points)
  {
    hits.push_back(Hit{ { p.x, p.y, p.z }, 0 });
  }
  return hits;
}

struct Case
{
  const char* what;
  std::vector<Hit> hitsA;
  std::vector<Hit> hitsB;
  int height, longAxis, mid;
  Vec3 normal;
  Vec3 x;
  Vec3 y;
};

void ExpectVec(const double* v, const Vec3& e)
{
  EXPECT_NEAR(v[0], e.x, 1e-12);
  EXPECT_NEAR(v[1], e.y, 1e-12);
  EXPECT_NEAR(v[2], e.z, 1e-12);
}

// Runs the in-plane axes for a case, on a model whose bounding-box centre is (0, 0, 5).
void Axes(const Case& c, double x[3], double y[3])
{
  AlignerProbe probe(
    TriangleMesh({ { -30, -30, 0 }, { 30, -30, 0 }, { 30, 30, 10 } }, { { 0, 1, 2 } }));
  probe.UseAxes(c.height, c.longAxis, c.mid);
  probe.hitsA = c.hitsA;
  probe.hitsB = c.hitsB;
  probe.planeNormal[0] = c.normal.x;
  probe.planeNormal[1] = c.normal.y;
  probe.planeNormal[2] = c.normal.z;
  probe.ComputeInPlaneAxes(x, y);
}

void ExpectAxes(const Case& c)
{
  SCOPED_TRACE(c.what);
  double x[3];
  double y[3];
  Axes(c, x, y);
  ExpectVec(x, c.x);
  ExpectVec(y, c.y);
}

} // namespace

TEST(ComputeInPlaneAxes, FollowsTheOneSidedRowTowardTheCentre)
{
  const std::vector<Hit> acrossBothArms = Row({ { -20, 0, 0 }, { 0, 0, 0 }, { 20, 0, 0 } });
  const Case cases[] = {
    { "middle row at the front", acrossBothArms,
      Row({ { 0, -20, 0 }, { 0, -19, 0 }, { 0, -18, 0 } }), 2, 0, 1, { 0, 0, 1 }, { 1, 0, 0 },
      { 0, 1, 0 } },
    { "middle row at the back", acrossBothArms, Row({ { 0, 18, 0 }, { 0, 20, 0 } }), 2, 0, 1,
      { 0, 0, 1 }, { -1, 0, 0 }, { 0, -1, 0 } },
    { "one-sided long row", Row({ { 0, -25, 0 }, { 0, -20, 0 } }),
      Row({ { -5, 0, 0 }, { 5, 0, 0 } }), 2, 1, 0, { 0, 0, 1 }, { 1, 0, 0 }, { 0, 1, 0 } },
    { "base normal pointing down", acrossBothArms, Row({ { 0, -20, 0 }, { 0, -18, 0 } }), 2, 0,
      1, { 0, 0, -1 }, { -1, 0, 0 }, { 0, 1, 0 } },
  };
  for (const Case& c : cases)
  {
    ExpectAxes(c);
  }
}

TEST(ComputeInPlaneAxes, FallsBackToTheModelAxesInTheBasePlane)
{
  const std::vector<Hit> acrossBothArms = Row({ { -20, 0, 0 }, { 20, 0, 0 } });
  const std::vector<Hit> single = Row({ { 0, -20, 0 } });
  const Case cases[] = {
    { "middle row of one hit", acrossBothArms, single, 2, 0, 1, { 0, 0, 1 }, { 1, 0, 0 },
      { 0, 1, 0 } },
    { "normal pointing down", acrossBothArms, single, 2, 0, 1, { 0, 0, -1 }, { 1, 0, 0 },
      { 0, -1, 0 } },
    { "no long row", {}, Row({ { 0, -20, 0 }, { 0, -18, 0 } }), 2, 0, 1, { 0, 0, 1 },
      { 1, 0, 0 }, { 0, 1, 0 } },
    { "one-sided long row swaps the axes", Row({ { 0, -25, 0 }, { 0, -20, 0 } }), single, 2, 0,
      1, { 0, 0, 1 }, { 0, 1, 0 }, { -1, 0, 0 } },
    { "height along x", {}, {}, 0, 2, 1, { 1, 0, 0 }, { 0, 0, 1 }, { 0, -1, 0 } },
  };
  for (const Case& c : cases)
  {
    ExpectAxes(c);
  }
}

TEST(ComputeInPlaneAxes, FallbackTurnsTheAxesWithATiltedBase)
{
  // Height z, long y, middle x: the coordinate axes y and x turned by the tilt. That order is
  // not cyclic, so the frame's z is -n.
  const double a = vtkMath::RadiansFromDegrees(20.0);
  const Vec3 n{ std::sin(a), 0.0, std::cos(a) };
  const Case c{ "tilted", Row({ { -20, 0, 0 }, { 20, 0, 0 } }), Row({ { 0, -20, 0 } }), 2, 1, 0,
    n, { 0, 1, 0 }, { std::cos(a), 0, -std::sin(a) } };
  double x[3];
  double y[3];
  Axes(c, x, y);
  ExpectVec(x, c.x);
  ExpectVec(y, c.y);
  double z[3];
  vtkMath::Cross(x, y, z);
  ExpectVec(z, { -n.x, -n.y, -n.z });
}
