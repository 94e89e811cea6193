// Fitting export poses to the model along the tilted tool axis (at most 0.7 per pose), and
// lowering the cut line's control points with the snap back onto the model.
#include "cutline/CutLineGenerator.h"
#include "tests/cutline/CutLineFixtures.h"

#include <vtkCylinderSource.h>
#include <vtkMath.h>
#include <vtkNew.h>
#include <vtkParametricSpline.h>
#include <vtkPoints.h>
#include <vtkPolyData.h>
#include <vtkTransform.h>
#include <vtkTransformPolyDataFilter.h>
#include <vtkTriangleFilter.h>

#include <gtest/gtest.h>

#include <cmath>

namespace
{

constexpr double kRadius = 10.0;
const double kCos30 = std::sqrt(3.0) / 2.0;

// A closed upright cylinder of radius 10 about the z axis, from z = -20 to z = 20, fine enough
// (720 sides) that its wall lies within 1e-4 of the true circle.
vtkSmartPointer<vtkPolyData> Cylinder()
{
  vtkNew<vtkCylinderSource> source;
  source->SetRadius(kRadius);
  source->SetHeight(40.0);
  source->SetResolution(720);
  source->CappingOn();
  vtkNew<vtkTransform> upright;
  upright->RotateX(90.0);
  vtkNew<vtkTransformPolyDataFilter> turn;
  turn->SetInputConnection(source->GetOutputPort());
  turn->SetTransform(upright);
  vtkNew<vtkTriangleFilter> triangles;
  triangles->SetInputConnection(turn->GetOutputPort());
  triangles->Update();
  auto mesh = vtkSmartPointer<vtkPolyData>::New();
  mesh->DeepCopy(triangles->GetOutput());
  return mesh;
}

// Radial unit vector at `degrees` about +Z.
Point3 Radial(double degrees)
{
  const double t = vtkMath::RadiansFromDegrees(degrees);
  return Point3{ std::cos(t), std::sin(t), 0.0 };
}

// A counter-clockwise ring of poses at height 0 with radial outward directions; pose i lies
// at radius radii[i % radii.size()].
std::vector<PoseDir> Ring(int count, const std::vector<double>& radii)
{
  std::vector<PoseDir> poses;
  for (int i = 0; i < count; ++i)
  {
    const Point3 d = Radial(360.0 * i / count);
    const double r = radii[static_cast<size_t>(i) % radii.size()];
    poses.push_back(PoseDir{ Point3{ r * d.x, r * d.y, 0.0 }, d });
  }
  return poses;
}

// Where a ring pose at radius r ends up on the cylinder: its probe lies 0.4 inward and upward
// square to the axis a = cos30 d + sin30 z, so the probe sits at radius r - 0.2 and meets the
// wall after s = (10 - (r - 0.2)) / cos30 along a; the move is s a, at most 0.7 long; without a
// wall within 10 units the pose stays.
Point3 ExpectedOnCylinder(const PoseDir& pose)
{
  const double r = std::hypot(pose.point.x, pose.point.y);
  double s = (kRadius - (r - 0.2)) / kCos30;
  if (std::fabs(s) > 10.0)
  {
    s = 0.0;
  }
  s = std::max(-0.7, std::min(0.7, s));
  const Point3& d = pose.direction;
  return Point3{ pose.point.x + s * kCos30 * d.x, pose.point.y + s * kCos30 * d.y,
    pose.point.z + s * 0.5 };
}

void ExpectNear(const Point3& actual, const Point3& expected, double tolerance)
{
  EXPECT_NEAR(actual.x, expected.x, tolerance);
  EXPECT_NEAR(actual.y, expected.y, tolerance);
  EXPECT_NEAR(actual.z, expected.z, tolerance);
}

vtkSmartPointer<vtkPoints> Circle(int count, double radius)
{
  auto points = vtkSmartPointer<vtkPoints>::New();
  for (int i = 0; i < count; ++i)
  {
    const Point3 d = Radial(360.0 * i / count);
    points->InsertNextPoint(radius * d.x, radius * d.y, 0.0);
  }
  return points;
}

} // namespace

TEST(AdjustPosesToModel, MovesEachPoseAlongItsAxisUntilItsProbeTouchesTheModelAtMostSevenTenths)
{
  CutLineGenerator generator;
  generator.SetModel(Cylinder());

  // The result says whether every fitted pose lies on the model: the wall within 1.5 of it.
  struct Case
  {
    const char* name;
    int count;
    std::vector<double> radii;
    bool onModel;
  };
  const Case cases[] = {
    { "on the wall: a short move out and up", 360, { 10.0 }, true },
    { "outside: the crossing behind the probe pulls it in", 360, { 10.5 }, true },
    { "1.3 inside: the move stops at 0.7, 0.69 inside", 360, { 8.7 }, true },
    { "2 inside: the move stops at 0.7, 1.39 inside", 360, { 8.0 }, true },
    { "3 inside: the move stops at 0.7, 2.39 inside", 360, { 7.0 }, false },
    { "3 outside: the move stops at 0.7, 2.39 outside", 360, { 13.0 }, false },
    { "no model within 10 units: the pose stays", 360, { 30.0 }, false },
    { "a coarse ring of poses at two radii", 12, { 10.0, 7.0 }, false },
  };
  for (const Case& c : cases)
  {
    SCOPED_TRACE(c.name);
    const std::vector<PoseDir> before = Ring(c.count, c.radii);
    std::vector<PoseDir> poses = before;
    EXPECT_EQ(generator.AdjustPosesToModel(poses), c.onModel);
    ASSERT_EQ(poses.size(), before.size());
    for (size_t i = 0; i < poses.size(); ++i)
    {
      SCOPED_TRACE(i);
      ExpectNear(poses[i].point, ExpectedOnCylinder(before[i]), 1e-3);
      EXPECT_EQ(poses[i].direction.x, before[i].direction.x);
      EXPECT_EQ(poses[i].direction.y, before[i].direction.y);
      EXPECT_EQ(poses[i].direction.z, before[i].direction.z);
    }
  }

  // One pose lifted 50 above the others, beyond the reach of its probe, is enough.
  std::vector<PoseDir> lifted = Ring(360, { 10.0 });
  lifted[90].point.z += 50.0;
  EXPECT_FALSE(generator.AdjustPosesToModel(lifted));
}

TEST(LiesOnModel, MeasuresToTheNearestPointOfTheSurfaceInAnyDirection)
{
  // A box of side 20: the middle of a face lies 10 from every corner, and a point beside an
  // edge is nearest to the edge, not to a face or a corner.
  const double bounds[6] = { -10.0, 10.0, -10.0, 10.0, -10.0, 10.0 };
  CutLineGenerator generator;
  EXPECT_FALSE(generator.LiesOnModel(Point3{ 0.0, 0.0, 10.0 }));
  generator.SetModel(cutlinetest::BoxMesh(bounds));
  const double nan = std::nan("");
  struct Case
  {
    const char* name;
    Point3 p;
    bool onModel;
  };
  const Case cases[] = {
    { "on a face", { 3.0, -2.0, 10.0 }, true },
    { "1.4 above the middle of a face", { 0.0, 0.0, 11.4 }, true },
    { "1.6 above the middle of a face", { 0.0, 0.0, 11.6 }, false },
    { "1.4 inside", { 0.0, 8.6, 0.0 }, true },
    { "1.6 inside", { 0.0, 8.4, 0.0 }, false },
    { "the centre, 10 from every face", { 0.0, 0.0, 0.0 }, false },
    { "1.27 beside an edge, 0.9 off both faces", { 10.9, 10.9, 0.0 }, true },
    { "1.56 beside an edge, 1.1 off both faces", { 11.1, 11.1, 0.0 }, false },
    { "not a number", { nan, 0.0, 10.0 }, false },
  };
  for (const Case& c : cases)
  {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(generator.LiesOnModel(c.p), c.onModel);
  }
  generator.SetModel(nullptr);
  EXPECT_FALSE(generator.LiesOnModel(Point3{ 0.0, 0.0, 10.0 }));
}

TEST(AdjustPosesToModel, PosesWithoutATangentKeepTheirPositionsAndAreJudgedWhereTheyStand)
{
  CutLineGenerator generator;
  generator.SetModel(Cylinder());

  // Fewer than three poses: both neighbours are the same point, there is no tangent.
  for (int n : { 0, 1, 2 })
  {
    for (double radius : { 10.0, 30.0 })
    {
      SCOPED_TRACE(n);
      SCOPED_TRACE(radius);
      const std::vector<PoseDir> before = Ring(n, { radius });
      std::vector<PoseDir> poses = before;
      EXPECT_EQ(generator.AdjustPosesToModel(poses), n == 0 || radius == 10.0);
      ASSERT_EQ(poses.size(), before.size());
      for (size_t i = 0; i < poses.size(); ++i)
      {
        ExpectNear(poses[i].point, before[i].point, 0.0);
      }
    }
  }

  // Coincident neighbours of pose 1: it stays, unprobed. The others have a tangent: 2 inside
  // the wall, each moves the full 0.7 out and up along its axis, to 1.39 inside. Pose 1 counts
  // where it stands: 2 inside is off the model, 1 inside on it.
  for (double y : { 8.0, 9.0 })
  {
    SCOPED_TRACE(y);
    std::vector<PoseDir> poses = {
      { Point3{ 8.0, 0.0, 0.0 }, Radial(0.0) },
      { Point3{ 0.0, y, 0.0 }, Radial(90.0) },
      { Point3{ 8.0, 0.0, 0.0 }, Radial(0.0) },
    };
    EXPECT_EQ(generator.AdjustPosesToModel(poses), y == 9.0);
    ExpectNear(poses[1].point, Point3{ 0.0, y, 0.0 }, 0.0);
    for (size_t i : { 0u, 2u })
    {
      SCOPED_TRACE(i);
      ExpectNear(poses[i].point, Point3{ 8.0 + 0.7 * kCos30, 0.0, 0.7 * 0.5 }, 1e-6);
    }
  }

  // A pose without a usable direction also stays and is judged where it stands; one whose
  // position is undefined is off the model.
  const double nan = std::nan("");
  std::vector<PoseDir> undirected = Ring(360, { 10.0 });
  undirected[7].direction = Point3{ nan, nan, 0.0 };
  const Point3 kept = undirected[7].point;
  EXPECT_TRUE(generator.AdjustPosesToModel(undirected));
  ExpectNear(undirected[7].point, kept, 0.0);
  std::vector<PoseDir> nowhere = Ring(360, { 10.0 });
  nowhere[7].point.x = nan;
  EXPECT_FALSE(generator.AdjustPosesToModel(nowhere));
}

TEST(MoveDown, LowersTheSplineInPlaceAndSnapsEachPointOntoTheModelAlongItsAxis)
{
  CutLineGenerator generator;
  generator.SetModel(Cylinder());

  for (double delta : { 0.0, 1.0, -0.5 })
  {
    SCOPED_TRACE(delta);
    // 24 control points 0.5 inside the wall, about 2.5 apart.
    auto control = Circle(24, kRadius - 0.5);
    auto spline = cutlinetest::ClosedSpline(control);
    double start[3];
    double u0[3] = { 0.0, 0.0, 0.0 };
    spline->Evaluate(u0, start, nullptr);

    vtkSmartPointer<vtkPoints> moved = generator.MoveDown(spline, delta);
    ASSERT_NE(moved, nullptr);
    ASSERT_EQ(moved->GetNumberOfPoints(), 24);
    ASSERT_EQ(spline->GetPoints(), control.GetPointer());

    // The spline's own points went down, and the spline follows them.
    double lowered[3];
    spline->Evaluate(u0, lowered, nullptr);
    EXPECT_NEAR(lowered[2], start[2] - delta, 1e-5);

    for (vtkIdType i = 0; i < 24; ++i)
    {
      SCOPED_TRACE(i);
      double own[3];
      control->GetPoint(i, own);
      EXPECT_NEAR(own[2], -delta, 1e-6);

      // Out along the 30-degree axis to the wall: 0.5 / cos30 along it, so up 0.5 tan30.
      double p[3];
      moved->GetPoint(i, p);
      const Point3 d = Radial(360.0 * i / 24);
      EXPECT_NEAR(p[0], kRadius * d.x, 1e-3);
      EXPECT_NEAR(p[1], kRadius * d.y, 1e-3);
      EXPECT_NEAR(p[2], -delta + 0.5 * std::sqrt(3.0) / 3.0, 1e-3);
    }
  }
}

TEST(MoveDown, NullSplineGivesNullAndFourOrFewerPointsAreOnlyLowered)
{
  CutLineGenerator generator;
  generator.SetModel(Cylinder());
  EXPECT_EQ(generator.MoveDown(nullptr, 1.0), nullptr);

  vtkNew<vtkParametricSpline> empty;
  vtkSmartPointer<vtkPoints> none = generator.MoveDown(empty.GetPointer(), 1.0);
  ASSERT_NE(none, nullptr);
  EXPECT_EQ(none->GetNumberOfPoints(), 0);

  // Too few points for a direction per point: lowered, not projected, nothing undefined.
  for (int n : { 1, 3, 4 })
  {
    SCOPED_TRACE(n);
    auto control = Circle(n, kRadius - 0.5);
    auto spline = cutlinetest::ClosedSpline(control);
    vtkSmartPointer<vtkPoints> moved = generator.MoveDown(spline, 2.0);
    ASSERT_NE(moved, nullptr);
    ASSERT_EQ(moved->GetNumberOfPoints(), n);
    for (vtkIdType i = 0; i < n; ++i)
    {
      double own[3];
      double p[3];
      control->GetPoint(i, own);
      moved->GetPoint(i, p);
      EXPECT_NEAR(own[2], -2.0, 1e-6);
      EXPECT_EQ(p[0], own[0]);
      EXPECT_EQ(p[1], own[1]);
      EXPECT_EQ(p[2], own[2]);
    }
  }
}
