// The two-point frame's refusals (a point off the model, a point on a cell that is not a
// triangle, two coincident points), its z toward the model whichever way the triangles run,
// and its front check without a mid-plane cut.
#include "tests/geometry/AlignerProbe.h"

#include <vtkCellArray.h>
#include <vtkNew.h>
#include <vtkPoints.h>
#include <vtkPolyData.h>
#include <vtkReverseSense.h>
#include <vtkTransform.h>

#include <gtest/gtest.h>

#include <string>

namespace
{

auto Flat = [](int, int) { return 0.0; };

} // namespace

TEST(TwoPointFrame, RefusesAPointMoreThanATenthFromTheModel)
{
  struct Case
  {
    const char* what;
    double p1[3];
    double p2[3];
    bool placed;
    std::string message;
  };
  const std::string tooFar = "未找到包含目标点的Cell，距离过大：0.1001\n";
  const Case cases[] = {
    // (-0.06, -0.08) from the corner (0, 0, 0): the squared distance comes out as 0.01 exactly.
    { "squared distance exactly 0.01", { -0.06, -0.08, 0.0 }, { 3.0, 2.0, 0.0 }, true, "" },
    { "first point 0.1001 away", { 2.2, 1.3, 0.1001 }, { 3.0, 2.0, 0.0 }, false, tooFar },
    { "second point 0.1001 away", { 3.0, 2.0, 0.0 }, { 2.2, 1.3, -0.1001 }, false, tooFar },
    { "both away: one message", { 2.2, 1.3, 0.1001 }, { 2.2, 1.3, 0.5 }, false, tooFar },
  };
  for (const Case& c : cases)
  {
    SCOPED_TRACE(c.what);
    CoordinateAligner aligner(HeightField(5, 5, Flat));
    testing::internal::CaptureStderr();
    vtkSmartPointer<vtkTransform> frame = aligner.ComputeTransformFromPoints(c.p1, c.p2);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), c.message);
    EXPECT_EQ(frame != nullptr, c.placed);
  }
}

TEST(TwoPointFrame, RefusesAPointOnACellThatIsNotATriangle)
{
  vtkNew<vtkPoints> points;
  points->InsertNextPoint(0, 0, 0);
  points->InsertNextPoint(4, 0, 0);
  points->InsertNextPoint(4, 4, 0);
  points->InsertNextPoint(0, 4, 0);
  vtkNew<vtkCellArray> cells;
  const vtkIdType quad[4] = { 0, 1, 2, 3 };
  cells->InsertNextCell(4, quad);
  auto mesh = vtkSmartPointer<vtkPolyData>::New();
  mesh->SetPoints(points);
  mesh->SetPolys(cells);

  CoordinateAligner aligner(mesh);
  const double p1[3] = { 1.0, 1.0, 0.0 };
  const double p2[3] = { 3.0, 1.0, 0.0 };
  testing::internal::CaptureStderr();
  EXPECT_EQ(aligner.ComputeTransformFromPoints(p1, p2), nullptr);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "牙齿模型非三角网格，Cell类型：9\n");
}

TEST(TwoPointFrame, RefusesCoincidentPoints)
{
  CoordinateAligner aligner(HeightField(5, 5, Flat));
  const double p[3] = { 2.2, 1.3, 0.0 };
  EXPECT_EQ(aligner.ComputeTransformFromPoints(p, p), nullptr);
}

TEST(TwoPointFrame, PointsZIntoTheModelWhicheverWayItsTrianglesRun)
{
  auto outward = GridBox({ -5.0, -4.0, 0.0 }, { 5.0, 4.0, 3.0 }, 4);
  vtkNew<vtkReverseSense> reverse;
  reverse->SetInputData(outward);
  reverse->ReverseCellsOn();
  reverse->Update();
  auto inward = vtkSmartPointer<vtkPolyData>::New();
  inward->DeepCopy(reverse->GetOutput());
  for (vtkPolyData* box : { outward.GetPointer(), inward.GetPointer() })
  {
    SCOPED_TRACE(box == outward ? "outward" : "inward");
    AlignerProbe probe(box);
    const double p1[3] = { 3.0, 1.5, 0.0 };
    const double p2[3] = { -3.0, 1.5, 0.0 };
    vtkSmartPointer<vtkTransform> frame = probe.ComputeTransformFromPoints(p1, p2);
    ASSERT_NE(frame, nullptr);
    EXPECT_NEAR(probe.planeNormal[2], 1.0, 1e-12);
    const double topCentre[3] = { 0.0, 0.0, 3.0 };
    double top[3];
    frame->TransformPoint(topCentre, top);
    EXPECT_NEAR(top[2], 3.0, 1e-9);
  }
}

TEST(TwoPointFrame, WithoutMidPlaneCutYPointsTowardThePairsMidpoint)
{
  // Two boxes apart: the plane through the centre across the pair meets neither, so y keeps
  // the direction from the centre (dropped onto the base) toward the pair's midpoint.
  auto left = GridBox({ -10.0, -3.0, 0.0 }, { -1.0, 3.0, 2.0 }, 4);
  auto right = GridBox({ 1.0, -3.0, 0.0 }, { 10.0, 3.0, 2.0 }, 4);
  auto model = Merge(left, right);
  for (const double side : { 1.0, -1.0 })
  {
    SCOPED_TRACE(side > 0 ? "pair behind the centre" : "pair in front of the centre");
    AlignerProbe probe(model);
    const double p1[3] = { 5.0, side, 0.0 };
    const double p2[3] = { -5.0, side, 0.0 };
    vtkSmartPointer<vtkTransform> frame = probe.ComputeTransformFromPoints(p1, p2);
    ASSERT_NE(frame, nullptr);
    const double towardMidpoint[3] = { 0.0, side, 0.0 };
    double y[3];
    frame->TransformVector(towardMidpoint, y);
    EXPECT_NEAR(y[0], 0.0, 1e-9);
    EXPECT_NEAR(y[1], 1.0, 1e-9);
    EXPECT_NEAR(y[2], 0.0, 1e-9);
    const double up[3] = { 0.0, 0.0, 1.0 };
    double z[3];
    frame->TransformVector(up, z);
    EXPECT_NEAR(z[2], 1.0, 1e-9);
    for (int k = 0; k < 3; ++k)
    {
      EXPECT_DOUBLE_EQ(probe.planeOrigin[k], p1[k]);
    }
    EXPECT_NEAR(probe.planeNormal[2], 1.0, 1e-12);
  }
}
