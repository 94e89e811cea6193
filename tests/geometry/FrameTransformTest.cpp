// The frame transform and the automatic frame's first steps: the point-count guard and the
// choice of height, long and middle axes from the bounding box.
#include "tests/geometry/AlignerProbe.h"

#include <vtkMatrix4x4.h>
#include <vtkPolyData.h>
#include <vtkTransform.h>

#include <gtest/gtest.h>

namespace
{

void ExpectVector(const double* v, double x, double y, double z, double tol = 1e-12)
{
  EXPECT_NEAR(v[0], x, tol);
  EXPECT_NEAR(v[1], y, tol);
  EXPECT_NEAR(v[2], z, tol);
}

} // namespace

TEST(MakeFrameTransform, MapsTheOriginToZeroAndTheAxesOntoXYZ)
{
  const double origin[3] = { 1.0, 2.0, 3.0 };
  const double x[3] = { 0.0, 1.0, 0.0 };
  const double y[3] = { -1.0, 0.0, 0.0 };
  vtkSmartPointer<vtkTransform> frame = MakeFrameTransform(origin, x, y);

  ExpectVector(frame->TransformPoint(1.0, 2.0, 3.0), 0.0, 0.0, 0.0);
  ExpectVector(frame->TransformPoint(1.0, 3.0, 3.0), 1.0, 0.0, 0.0);
  ExpectVector(frame->TransformPoint(0.0, 2.0, 3.0), 0.0, 1.0, 0.0);
  vtkMatrix4x4* m = frame->GetMatrix();
  const double zRow[3] = { m->GetElement(2, 0), m->GetElement(2, 1), m->GetElement(2, 2) };
  ExpectVector(zRow, 0.0, 0.0, 1.0);
}

TEST(MakeFrameTransform, NormalisesOnlyTheThirdAxis)
{
  const double origin[3] = { 0.0, 0.0, 0.0 };
  const double x[3] = { 2.0, 0.0, 0.0 };
  const double y[3] = { 0.0, 3.0, 0.0 };
  vtkMatrix4x4* m = MakeFrameTransform(origin, x, y)->GetMatrix();
  EXPECT_DOUBLE_EQ(m->GetElement(0, 0), 2.0);
  EXPECT_DOUBLE_EQ(m->GetElement(1, 1), 3.0);
  EXPECT_DOUBLE_EQ(m->GetElement(2, 2), 1.0);
}

TEST(NormalizeCopy, DividesInPlaceAndCopies)
{
  double v[3] = { 3.0, 0.0, -4.0 };
  double out[3];
  EXPECT_EQ(NormalizeCopy(v, out), out);
  ExpectVector(v, 0.6, 0.0, -0.8);
  ExpectVector(out, 0.6, 0.0, -0.8);
}

// A tent of nine points: a flat strip of three squares (unequal, so that no search row runs
// along an edge) closed by an apex; `extraPoint` adds a tenth point that no triangle uses.
vtkSmartPointer<vtkPolyData> Tent(bool extraPoint)
{
  const double xs[4] = { 0.0, 3.0, 7.0, 10.0 };
  std::vector<Vec3> points;
  for (const double y : { 0.0, 10.0 })
  {
    for (const double x : xs)
    {
      points.push_back({ x, y, 0.0 });
    }
  }
  auto at = [](int i, int j) { return static_cast<vtkIdType>(4 * j + i); };
  std::vector<std::vector<vtkIdType>> triangles;
  for (int i = 0; i < 3; ++i)
  {
    // Facing -z: the underside.
    triangles.push_back({ at(i, 0), at(i + 1, 1), at(i + 1, 0) });
    triangles.push_back({ at(i, 0), at(i, 1), at(i + 1, 1) });
  }
  // Walls 45 degrees steep: the pass from above rejects them.
  points.push_back({ 5.0, 5.0, 5.0 });
  const vtkIdType apex = 8;
  const vtkIdType ring[8] = { at(0, 0), at(1, 0), at(2, 0), at(3, 0), at(3, 1), at(2, 1),
    at(1, 1), at(0, 1) };
  for (int k = 0; k < 8; ++k)
  {
    triangles.push_back({ ring[k], ring[(k + 1) % 8], apex });
  }
  if (extraPoint)
  {
    points.push_back({ 5.0, 5.0, 1.0 });
  }
  return TriangleMesh(points, triangles);
}

TEST(AutomaticFrame, NeedsTenPoints)
{
  // Nine points: refused before any search, although the search would find this base.
  {
    AlignerProbe probe(Tent(false));
    bool ok = true;
    vtkSmartPointer<vtkTransform> frame = probe.ComputeTransform(&ok);
    EXPECT_FALSE(ok);
    ASSERT_NE(frame, nullptr);
    EXPECT_TRUE(frame->GetMatrix()->IsIdentity());

    probe.UseAxes(2, 1, 0);
    double normal[3];
    double origin[3];
    EXPECT_TRUE(probe.FitBasePlane(normal, origin));
  }
  // Ten points: the search runs and finds the underside.
  {
    AlignerProbe probe(Tent(true));
    bool ok = false;
    vtkSmartPointer<vtkTransform> frame = probe.ComputeTransform(&ok);
    EXPECT_TRUE(ok);
    ExpectVector(probe.planeNormal, 0.0, 0.0, 1.0);
    ExpectVector(probe.planeOrigin, 5.0, 5.0, 0.0);
    ExpectVector(frame->TransformPoint(5.0, 5.0, 5.0), 0.0, 0.0, 5.0, 1e-9);
  }
}

TEST(AutomaticFrame, NoModelGivesIdentityAndFalse)
{
  CoordinateAligner aligner(nullptr);
  bool ok = true;
  vtkSmartPointer<vtkTransform> frame = aligner.ComputeTransform(&ok);
  EXPECT_FALSE(ok);
  ASSERT_NE(frame, nullptr);
  EXPECT_TRUE(frame->GetMatrix()->IsIdentity());
}

TEST(AutomaticFrame, ChoosesTheAxesFromTheBoundingBox)
{
  struct Case
  {
    double dx, dy, dz;
    int height, longAxis, mid;
  };
  // 0 = x, 1 = y, 2 = z. Ties: the height prefers x, then y; the long axis the later axis.
  const Case cases[] = {
    { 10, 10, 10, 0, 2, 1 },
    { 10, 10, 30, 0, 2, 1 },
    { 30, 10, 10, 1, 0, 2 },
    { 10, 30, 10, 0, 1, 2 },
    { 10, 20, 20, 0, 2, 1 },
    { 20, 10, 30, 1, 2, 0 },
    { 20, 10, 20, 1, 2, 0 },
    { 30, 20, 10, 2, 0, 1 },
    { 20, 30, 10, 2, 1, 0 },
    { 20, 20, 10, 2, 1, 0 },
  };
  for (const Case& c : cases)
  {
    SCOPED_TRACE(testing::Message() << c.dx << " x " << c.dy << " x " << c.dz);
    AlignerProbe probe(GridBox({ 0, 0, 0 }, { c.dx, c.dy, c.dz }, 2));
    bool ok = false;
    probe.ComputeTransform(&ok);
    EXPECT_EQ(probe.heightAxis, c.height);
    EXPECT_EQ(probe.longAxis, c.longAxis);
    EXPECT_EQ(probe.midAxis, c.mid);
    EXPECT_DOUBLE_EQ(probe.extent[0], c.dx);
    EXPECT_DOUBLE_EQ(probe.extent[1], c.dy);
    EXPECT_DOUBLE_EQ(probe.extent[2], c.dz);
  }
}
