// Sampling closed splines, outward tool directions and the smoothed cut line.
#include "cutline/CutLineGenerator.h"
#include "tests/cutline/CutLineFixtures.h"
#include "tests/support/MeshChecks.h"
#include "tests/support/SyntheticJaw.h"

#include <vtkMath.h>
#include <vtkNew.h>
#include <vtkParametricSpline.h>
#include <vtkPoints.h>
#include <vtkPolyData.h>

#include <gtest/gtest.h>

#include <array>
#include <cmath>

namespace
{

vtkSmartPointer<vtkPoints> Circle(int n, double radius, bool counterClockwise)
{
  auto points = vtkSmartPointer<vtkPoints>::New();
  for (int i = 0; i < n; ++i)
  {
    const double t = 2.0 * vtkMath::Pi() * i / n * (counterClockwise ? 1.0 : -1.0);
    points->InsertNextPoint(radius * std::cos(t), radius * std::sin(t), 3.0);
  }
  return points;
}

using cutlinetest::ClosedSpline;
using cutlinetest::MakePoints;

double Angle(const Point3& a, const Point3& b)
{
  return vtkMath::DegreesFromRadians(std::atan2(a.x * b.y - a.y * b.x, a.x * b.x + a.y * b.y));
}

} // namespace

TEST(ResampleClosedSpline, SpacingComesFromTheControlPolygon)
{
  // Two control points 0.125 apart: a closed control polygon 0.25 long gives, with step 0.1,
  // two samples, at u = 0 and u = 0.5.
  vtkNew<vtkPoints> line;
  line->InsertNextPoint(0.0, 0.0, 0.0);
  line->InsertNextPoint(0.125, 0.0, 0.0);
  auto spline = ClosedSpline(line);
  auto samples = CutLineGenerator::ResampleClosedSpline(spline, 0.1);
  ASSERT_EQ(samples->GetNumberOfPoints(), 2);
  double first[3];
  double expected[3];
  samples->GetPoint(0, first);
  spline->Evaluate(std::array<double, 3>{ 0.0, 0.0, 0.0 }.data(), expected, nullptr);
  EXPECT_NEAR(vtkMath::Distance2BetweenPoints(first, expected), 0.0, 1e-12);
  double second[3];
  samples->GetPoint(1, second);
  double u[3] = { 0.5, 0.0, 0.0 };
  spline->Evaluate(u, expected, nullptr);
  EXPECT_NEAR(vtkMath::Distance2BetweenPoints(second, expected), 0.0, 1e-12);

  // Shorter than one step, no control points at all, or no spline: no samples.
  EXPECT_EQ(CutLineGenerator::ResampleClosedSpline(spline, 0.3)->GetNumberOfPoints(), 0);
  vtkNew<vtkPoints> none;
  EXPECT_EQ(CutLineGenerator::ResampleClosedSpline(ClosedSpline(none), 0.1)->GetNumberOfPoints(), 0);
  EXPECT_EQ(CutLineGenerator::ResampleClosedSpline(nullptr, 0.1)->GetNumberOfPoints(), 0);
}

TEST(ComputeDirections, CircleDirectionsAreRadialOutwardForCounterClockwise)
{
  for (bool ccw : { true, false })
  {
    SCOPED_TRACE(ccw ? "counter-clockwise" : "clockwise");
    auto circle = Circle(360, 10.0, ccw);
    std::vector<Point3> dirs;
    CutLineGenerator::ComputeDirections(circle, 60, dirs);
    ASSERT_EQ(dirs.size(), 360u);
    for (vtkIdType i = 0; i < 360; ++i)
    {
      double p[3];
      circle->GetPoint(i, p);
      const double sign = ccw ? 1.0 : -1.0;
      EXPECT_NEAR(dirs[i].x, sign * p[0] / 10.0, 1e-5);
      EXPECT_NEAR(dirs[i].y, sign * p[1] / 10.0, 1e-5);
      EXPECT_DOUBLE_EQ(dirs[i].z, 0.0);
    }
  }
}

TEST(ComputeDirections, InterpolatesBetweenSamplesAndClosesWithTheShortStretch)
{
  // 100 points, window 60: samples at 0 and 60; 0..59 turn from D[0] toward D[1] over 60
  // steps, 60..99 from D[1] back to D[0] over 40.
  auto circle = Circle(100, 10.0, true);
  std::vector<Point3> dirs;
  CutLineGenerator::ComputeDirections(circle, 60, dirs);
  ASSERT_EQ(dirs.size(), 100u);
  const Point3 d0 = dirs[0];
  const Point3 d1 = dirs[60];
  const double total01 = Angle(d0, d1);
  EXPECT_NEAR(Angle(d0, dirs[59]), total01 * 59.0 / 60.0, 1e-6);
  EXPECT_NEAR(Angle(d0, dirs[30]), total01 * 30.0 / 60.0, 1e-6);
  const double total10 = Angle(d1, d0);
  EXPECT_NEAR(Angle(d1, dirs[80]), total10 * 20.0 / 40.0, 1e-6);
  EXPECT_NEAR(Angle(d1, dirs[99]), total10 * 39.0 / 40.0, 1e-6);
}

TEST(ComputeDirections, FewerPointsThanTheWindowGiveNothingAndExactlyOneWindowIsDefined)
{
  std::vector<Point3> dirs;
  CutLineGenerator::ComputeDirections(Circle(59, 10.0, true), 60, dirs);
  EXPECT_TRUE(dirs.empty());
  CutLineGenerator::ComputeDirections(nullptr, 60, dirs);
  EXPECT_TRUE(dirs.empty());

  // One window: a single sample, whose neighbours a window away are itself. Every point gets
  // that sample's direction, from its immediate neighbours; nothing is undefined.
  auto circle = Circle(60, 10.0, true);
  CutLineGenerator::ComputeDirections(circle, 60, dirs);
  ASSERT_EQ(dirs.size(), 60u);
  for (const Point3& d : dirs)
  {
    EXPECT_TRUE(std::isfinite(d.x) && std::isfinite(d.y));
    EXPECT_NEAR(d.x, 1.0, 1e-9);
    EXPECT_NEAR(d.y, 0.0, 1e-9);
  }

  // The list is appended to, not replaced: the 60 directions above stay, and the radial
  // directions of a circle long enough for the window follow them.
  CutLineGenerator::ComputeDirections(Circle(360, 10.0, true), 60, dirs);
  ASSERT_EQ(dirs.size(), 420u);
  EXPECT_NEAR(dirs[59].x, 1.0, 1e-9);
  EXPECT_NEAR(dirs[60].x, 1.0, 1e-9);
  EXPECT_NEAR(dirs[150].y, 1.0, 1e-5);
}

TEST(InterpolateDirection, TurnsByTheFractionOfTheAngle)
{
  const double up[3] = { 0.0, 0.0, 1.0 };
  const double x[3] = { 1.0, 0.0, 0.0 };
  const double y[3] = { 0.0, 1.0, 0.0 };
  const double minusX[3] = { -1.0, 0.0, 0.0 };

  Point3 r = CutLineGenerator::InterpolateDirection(x, y, 4, 0, up);
  EXPECT_DOUBLE_EQ(r.x, 1.0);
  r = CutLineGenerator::InterpolateDirection(x, y, 4, 1, up);
  EXPECT_NEAR(Angle(Point3{ 1, 0, 0 }, r), 22.5, 1e-9);
  r = CutLineGenerator::InterpolateDirection(x, x, 4, 3, up);
  EXPECT_DOUBLE_EQ(r.x, 1.0);
  EXPECT_DOUBLE_EQ(r.y, 0.0);

  // Opposite directions turn about the given axis: +Z turns counter-clockwise from above.
  r = CutLineGenerator::InterpolateDirection(x, minusX, 2, 1, up);
  EXPECT_NEAR(r.x, 0.0, 1e-9);
  EXPECT_NEAR(r.y, 1.0, 1e-9);
  const double down[3] = { 0.0, 0.0, -1.0 };
  r = CutLineGenerator::InterpolateDirection(x, minusX, 2, 1, down);
  EXPECT_NEAR(r.y, -1.0, 1e-9);
}

TEST(RebuildSmoothLoop, ShortLoopsGiveNothingAndLongOnesAControlPointPerOneAndAHalf)
{
  CutLineGenerator generator;
  // Perimeter of the control polygon 5.0: fewer than 60 samples, no cut line.
  auto small = Circle(50, 5.0 / (2.0 * vtkMath::Pi()), true);
  EXPECT_EQ(generator.RebuildSmoothLoop(small)->GetNumberOfPoints(), 0);
  vtkNew<vtkPoints> empty;
  EXPECT_EQ(generator.RebuildSmoothLoop(empty)->GetNumberOfPoints(), 0);

  // Length 150 without a model: about 100 points, each 0.4 from the circle, below it.
  const double radius = 150.0 / (2.0 * vtkMath::Pi());
  auto big = Circle(600, radius, true);
  auto control = generator.RebuildSmoothLoop(big);
  EXPECT_NEAR(control->GetNumberOfPoints(), 100, 1);
  for (vtkIdType i = 0; i < control->GetNumberOfPoints(); ++i)
  {
    double p[3];
    control->GetPoint(i, p);
    const double r = std::hypot(p[0], p[1]);
    // -0.4 * u with u square to the 30-degree axis, pointing inward and upward.
    EXPECT_NEAR(r - radius, 0.4 * 0.5, 1e-3);
    EXPECT_NEAR(p[2] - 3.0, -0.4 * std::sqrt(3.0) / 2.0, 1e-3);
  }
}

TEST(RebuildSmoothLoop, OnTheJawTheControlPointsLieOnTheSurfaceNearTheGumLine)
{
  const testsupport::SyntheticJaw jaw = testsupport::MakeSyntheticJaw();
  CutLineGenerator generator;
  generator.SetModel(jaw.mesh);
  auto control = generator.RebuildSmoothLoop(MakePoints(jaw.gumLine));

  double perimeter = 0.0;
  for (size_t i = 0; i < jaw.gumLine.size(); ++i)
  {
    const Point3& a = jaw.gumLine[i];
    const Point3& b = jaw.gumLine[(i + 1) % jaw.gumLine.size()];
    perimeter += std::sqrt((a.x - b.x) * (a.x - b.x) + (a.y - b.y) * (a.y - b.y) +
      (a.z - b.z) * (a.z - b.z));
  }
  EXPECT_NEAR(control->GetNumberOfPoints(), perimeter / 1.5, 3.0);

  const testsupport::SurfaceDistance toSurface(jaw.mesh);
  for (vtkIdType i = 0; i < control->GetNumberOfPoints(); ++i)
  {
    double p[3];
    control->GetPoint(i, p);
    EXPECT_LT(toSurface(p), 1e-3);
    double nearest = 1e9;
    for (const Point3& g : jaw.gumLine)
    {
      const double q[3] = { g.x, g.y, g.z };
      nearest = std::min(nearest, std::sqrt(vtkMath::Distance2BetweenPoints(p, q)));
    }
    EXPECT_LT(nearest, 1.0);
  }
}
