// The frames against ground truth: the generated jaw, placed by rigid motions, must come back
// with its base on z = 0, the model on +z, the arch split by x = 0 through the bounding-box
// centre and its open ends toward +y, from its base alone and from two points on its base.
#include "geometry/CoordinateAligner.h"
#include "geometry/FastOBBTree.h"
#include "tests/geometry/AlignerProbe.h"
#include "tests/support/SyntheticJaw.h"

#include <vtkCellArray.h>
#include <vtkCellLocator.h>
#include <vtkIdList.h>
#include <vtkMatrix4x4.h>
#include <vtkNew.h>
#include <vtkPolyData.h>
#include <vtkReverseSense.h>
#include <vtkTransform.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <ostream>
#include <vector>

using namespace testsupport;

namespace
{

// How much of a placement a frame undoes beyond the invariants of the working frame.
enum class Undoes
{
  Nothing,
  Rotation,   // the working frame's axes come back; the origin may move within the base
  Everything, // the working frame comes back, origin included
};

struct Motion
{
  const char* name;
  double rx, ry, rz, tx, ty, tz;
  // What the automatic frame undoes: rows of rays along the current axes cannot see a turn
  // about the height axis, and the origin is the current bounding-box centre.
  Undoes automatic;
};

std::ostream& operator<<(std::ostream& out, const Motion& m)
{
  return out << m.name << " (" << m.rx << ", " << m.ry << ", " << m.rz << "; " << m.tx << ", "
             << m.ty << ", " << m.tz << ")";
}

// Where the jaw's landmarks lie in its working frame.
struct Landmarks
{
  std::vector<vtkIdType> base; // points of the flat underside
  double leftEnd[3];           // the most distal point of the half with x < 0
  double rightEnd[3];
  double front[3];             // the most frontal point of the arch
};

const SyntheticJaw& StillJaw()
{
  static const SyntheticJaw jaw = MakeSyntheticJaw(SmallJaw());
  return jaw;
}

Landmarks FindLandmarks()
{
  vtkPolyData* mesh = StillJaw().mesh;
  Landmarks marks{};
  double leftBest = -1e9;
  double rightBest = -1e9;
  double frontBest = 1e9;
  for (vtkIdType i = 0; i < mesh->GetNumberOfPoints(); ++i)
  {
    double p[3];
    mesh->GetPoint(i, p);
    if (p[2] == 0.0)
    {
      marks.base.push_back(i);
    }
    double* end = p[0] < 0.0 ? marks.leftEnd : marks.rightEnd;
    double& best = p[0] < 0.0 ? leftBest : rightBest;
    if (p[1] > best)
    {
      best = p[1];
      std::copy(p, p + 3, end);
    }
    if (p[1] < frontBest)
    {
      frontBest = p[1];
      std::copy(p, p + 3, marks.front);
    }
  }
  return marks;
}

// Applies the working-frame-to-model placement and then the frame found.
struct Composite
{
  vtkMatrix4x4* placement;
  vtkTransform* frame;
  void operator()(const double p[3], double out[3]) const
  {
    const double in[4] = { p[0], p[1], p[2], 1.0 };
    double placed[4];
    placement->MultiplyPoint(in, placed);
    frame->TransformPoint(placed, out);
  }
};

// The invariants of the working frame for a jaw placed by `jaw.placement` and a frame found.
void ExpectWorkingFrame(const SyntheticJaw& jaw, vtkTransform* frame, Undoes undoes)
{
  static const Landmarks marks = FindLandmarks();
  const Composite map{ jaw.placement, frame };

  // The frame is a rigid, right-handed motion.
  vtkMatrix4x4* m = frame->GetMatrix();
  double r[3][3];
  for (int i = 0; i < 3; ++i)
  {
    for (int j = 0; j < 3; ++j)
    {
      r[i][j] = m->GetElement(i, j);
    }
  }
  for (int i = 0; i < 3; ++i)
  {
    for (int j = 0; j < 3; ++j)
    {
      const double dot = r[i][0] * r[j][0] + r[i][1] * r[j][1] + r[i][2] * r[j][2];
      EXPECT_NEAR(dot, i == j ? 1.0 : 0.0, 1e-9);
    }
  }
  EXPECT_NEAR(m->Determinant(), 1.0, 1e-9);

  // Base on z = 0, model on +z.
  vtkPolyData* still = StillJaw().mesh;
  double worstBase = 0.0;
  for (const vtkIdType i : marks.base)
  {
    double p[3];
    double q[3];
    still->GetPoint(i, p);
    map(p, q);
    worstBase = std::max(worstBase, std::fabs(q[2]));
  }
  EXPECT_LT(worstBase, 1e-4);
  double lowest = 1e9;
  for (vtkIdType i = 0; i < still->GetNumberOfPoints(); ++i)
  {
    double p[3];
    double q[3];
    still->GetPoint(i, p);
    map(p, q);
    lowest = std::min(lowest, q[2]);
  }
  EXPECT_GT(lowest, -1e-4);

  // The bounding-box centre of the placed model lies on the +Z axis.
  double c[3];
  jaw.mesh->GetCenter(c);
  double cf[3];
  frame->TransformPoint(c, cf);
  EXPECT_NEAR(cf[0], 0.0, 1e-4);
  EXPECT_NEAR(cf[1], 0.0, 1e-4);
  EXPECT_GT(cf[2], 0.0);

  // x = 0 splits the arch into its halves; the front lies at -y, the ends at +y.
  double left[3];
  double right[3];
  double front[3];
  map(marks.leftEnd, left);
  map(marks.rightEnd, right);
  map(marks.front, front);
  EXPECT_LT(left[0], 0.0);
  EXPECT_GT(right[0], 0.0);
  EXPECT_GT(left[1], 0.0);
  EXPECT_GT(right[1], 0.0);
  EXPECT_LT(front[1], 0.0);

  if (undoes == Undoes::Rotation)
  {
    vtkNew<vtkMatrix4x4> composite;
    vtkMatrix4x4::Multiply4x4(m, jaw.placement, composite);
    for (int i = 0; i < 3; ++i)
    {
      for (int j = 0; j < 3; ++j)
      {
        EXPECT_NEAR(composite->GetElement(i, j), i == j ? 1.0 : 0.0, 1e-5);
      }
    }
  }
  if (undoes == Undoes::Everything)
  {
    for (int i = 0; i < 3; ++i)
    {
      EXPECT_NEAR(left[i], marks.leftEnd[i], 1e-4);
      EXPECT_NEAR(right[i], marks.rightEnd[i], 1e-4);
      EXPECT_NEAR(front[i], marks.front[i], 1e-4);
    }
  }
}

const Motion kMotions[] = {
  { "in the working frame", 0, 0, 0, 0, 0, 0, Undoes::Everything },
  { "moved", 0, 0, 0, 12.5, -40.0, 7.25, Undoes::Everything },
  { "quarter turn", 0, 0, 90, 3, 4, 5, Undoes::Everything },
  { "half turn", 0, 0, 180, 0, 0, -20, Undoes::Everything },
  { "three quarter turn", 0, 0, 270, -8, 0, 0, Undoes::Everything },
  { "turned 15", 0, 0, 15, 0, 0, 0, Undoes::Nothing },
  { "turned -30", 0, 0, -30, 5, 5, 5, Undoes::Nothing },
  { "turned 150", 0, 0, 150, 0, 0, 0, Undoes::Nothing },
  { "upside down", 180, 0, 0, 0, 0, 0, Undoes::Everything },
  { "on its front", 90, 0, 0, 1, 2, 3, Undoes::Everything },
  { "on its back", -90, 0, 0, 0, 0, 0, Undoes::Everything },
  { "on its right side", 0, 90, 0, 0, 0, 0, Undoes::Everything },
  { "on its left side", 0, -90, 0, 10, 0, 0, Undoes::Everything },
  { "on its side and turned", 90, 0, 90, 0, 0, 0, Undoes::Everything },
  { "tilted 10 about x", 10, 0, 0, 0, 0, 0, Undoes::Rotation },
  { "tilted 25 about x", -25, 0, 0, 0, 0, 0, Undoes::Rotation },
  { "tilted 20 about y", 0, 20, 0, 0, 0, 0, Undoes::Rotation },
  { "tilted 28 about y", 0, -28, 0, 0, 0, 0, Undoes::Rotation },
  { "tilted about both", 15, -18, 0, 4, -3, 9, Undoes::Nothing },
  { "tilted and turned", 20, 0, 35, 0, 0, 0, Undoes::Nothing },
  { "on its side, tilted", 90, 15, 0, 0, 0, 0, Undoes::Nothing },
  { "on its side, tilted 2", 0, 90, 20, 0, 0, 0, Undoes::Nothing },
};

// Bases tilted more than 30 degrees from every coordinate axis: the automatic frame accepts
// only triangles within 30 degrees of the height axis, so only the two-point frame takes them.
const Motion kSteepTilts[] = {
  { "tilted 35 about x", 35, 0, 0, 0, 0, 0, Undoes::Nothing },
  { "tilted 40 about y", 0, 40, 0, 0, 0, 0, Undoes::Nothing },
  { "tilted 40 and turned", 40, 0, 70, -6, 2, 1, Undoes::Nothing },
  { "tilted about both, 41 in all", 30, 30, 0, 0, 0, 0, Undoes::Nothing },
};

std::vector<Motion> AllMotions()
{
  std::vector<Motion> all(std::begin(kMotions), std::end(kMotions));
  all.insert(all.end(), std::begin(kSteepTilts), std::end(kSteepTilts));
  return all;
}

class AutomaticFrame : public testing::TestWithParam<Motion>
{
};

TEST_P(AutomaticFrame, BringsThePlacedJawIntoTheWorkingFrame)
{
  const Motion& m = GetParam();
  const SyntheticJaw jaw =
    MakeSyntheticJaw(SmallJaw(), RigidMotion(m.rx, m.ry, m.rz, m.tx, m.ty, m.tz));
  CoordinateAligner aligner(jaw.mesh);
  bool ok = false;
  vtkSmartPointer<vtkTransform> frame = aligner.ComputeTransform(&ok);
  ASSERT_TRUE(ok);
  ExpectWorkingFrame(jaw, frame, m.automatic);
}

namespace
{

// The frame and the base-row hits it came from, with the rays cast on VTK's own vtkOBBTree
// (`base`) or on FastOBBTree.
std::vector<double> FrameAndHits(vtkPolyData* mesh, bool base)
{
  UseBaseOBBTree(base);
  AlignerProbe aligner(mesh);
  bool ok = false;
  vtkSmartPointer<vtkTransform> frame = aligner.ComputeTransform(&ok);
  UseBaseOBBTree(false);
  std::vector<double> values{ ok ? 1.0 : 0.0 };
  for (int i = 0; i < 16; ++i)
  {
    values.push_back(frame->GetMatrix()->GetElement(i / 4, i % 4));
  }
  for (const std::vector<Hit>* row : { &aligner.hitsA, &aligner.hitsB })
  {
    values.push_back(static_cast<double>(row->size()));
    for (const Hit& hit : *row)
    {
      values.insert(values.end(), { hit.p[0], hit.p[1], hit.p[2], static_cast<double>(hit.cell) });
    }
  }
  return values;
}

} // namespace

TEST_P(AutomaticFrame, IsTheSameOnVtkOBBTree)
{
  const Motion& m = GetParam();
  const SyntheticJaw jaw =
    MakeSyntheticJaw(SmallJaw(), RigidMotion(m.rx, m.ry, m.rz, m.tx, m.ty, m.tz));
  const std::vector<double> expected = FrameAndHits(jaw.mesh, true);
  EXPECT_TRUE(FrameAndHits(jaw.mesh, false) == expected);
}

INSTANTIATE_TEST_SUITE_P(Motions, AutomaticFrame, testing::ValuesIn(kMotions));

TEST(AutomaticFrame, IsTheSameOnVtkOBBTreeForTheLargeTiltedJaw)
{
  const SyntheticJaw jaw =
    MakeSyntheticJaw(LargeJaw(), RigidMotion(12.0, -8.0, 25.0, 3.0, -4.0, 6.0));
  const std::vector<double> expected = FrameAndHits(jaw.mesh, true);
  ASSERT_EQ(expected[0], 1.0);
  EXPECT_TRUE(FrameAndHits(jaw.mesh, false) == expected);
}

TEST(AutomaticFrame, FindsNoBaseTiltedBeyondThirtyDegrees)
{
  const SyntheticJaw jaw = MakeSyntheticJaw(SmallJaw(), RigidMotion(35, 0, 0, 0, 0, 0));
  CoordinateAligner aligner(jaw.mesh);
  bool ok = true;
  vtkSmartPointer<vtkTransform> frame = aligner.ComputeTransform(&ok);
  EXPECT_FALSE(ok);
  ASSERT_NE(frame, nullptr);
  EXPECT_TRUE(frame->GetMatrix()->IsIdentity());
}

// The same triangles, each with its corners in the opposite order.
vtkSmartPointer<vtkPolyData> FacingTheOtherWay(vtkPolyData* mesh)
{
  vtkNew<vtkReverseSense> reverse;
  reverse->SetInputData(mesh);
  reverse->ReverseCellsOn();
  reverse->Update();
  auto out = vtkSmartPointer<vtkPolyData>::New();
  out->DeepCopy(reverse->GetOutput());
  return out;
}

// `mesh` without the triangles that lie in the plane z = `z`.
vtkSmartPointer<vtkPolyData> WithoutFaceAt(vtkPolyData* mesh, double z)
{
  auto out = vtkSmartPointer<vtkPolyData>::New();
  out->SetPoints(mesh->GetPoints());
  vtkNew<vtkCellArray> kept;
  for (vtkIdType c = 0; c < mesh->GetNumberOfCells(); ++c)
  {
    vtkNew<vtkIdList> ids;
    mesh->GetCellPoints(c, ids);
    bool inPlane = true;
    for (vtkIdType k = 0; k < ids->GetNumberOfIds(); ++k)
    {
      inPlane = inPlane && mesh->GetPoint(ids->GetId(k))[2] == z;
    }
    if (!inPlane)
    {
      kept->InsertNextCell(ids);
    }
  }
  out->SetPolys(kept);
  return out;
}

// z range of a mesh after a transform.
std::pair<double, double> HeightRange(vtkPolyData* mesh, vtkTransform* frame)
{
  double low = 1e300;
  double high = -1e300;
  for (vtkIdType i = 0; i < mesh->GetNumberOfPoints(); ++i)
  {
    double q[3];
    frame->TransformPoint(mesh->GetPoint(i), q);
    low = std::min(low, q[2]);
    high = std::max(high, q[2]);
  }
  return { low, high };
}

TEST(AutomaticFrame, PutsAClosedModelOnPlusZWhicheverWayItsTrianglesFace)
{
  // A closed model with every triangle reversed: into the model is where its triangles face,
  // and the frame must not turn it upside down under its base.
  for (const Motion& m : { kMotions[0], kMotions[2], kMotions[8], kMotions[14] })
  {
    SCOPED_TRACE(m);
    SyntheticJaw jaw =
      MakeSyntheticJaw(SmallJaw(), RigidMotion(m.rx, m.ry, m.rz, m.tx, m.ty, m.tz));
    jaw.mesh = FacingTheOtherWay(jaw.mesh);
    CoordinateAligner aligner(jaw.mesh);
    bool ok = false;
    vtkSmartPointer<vtkTransform> frame = aligner.ComputeTransform(&ok);
    ASSERT_TRUE(ok);
    ExpectWorkingFrame(jaw, frame, m.automatic);
  }

  // An open surface has no inside to go by: its triangles' winding still decides, as for a
  // closed one that faces outward. The box from z = 2 to 5, alike on top and bottom.
  const auto box = GridBox({ -6.0, -4.0, 2.0 }, { 6.0, 4.0, 5.0 }, 4);
  struct Case
  {
    const char* what;
    vtkSmartPointer<vtkPolyData> mesh;
    double low;
    double high;
  };
  const Case cases[] = {
    { "closed, outward", box, 0.0, 3.0 },
    { "closed, inward", FacingTheOtherWay(box), 0.0, 3.0 },
    { "open at the bottom, outward", WithoutFaceAt(box, 2.0), 0.0, 3.0 },
    { "open at the bottom, inward", FacingTheOtherWay(WithoutFaceAt(box, 2.0)), -3.0, 0.0 },
  };
  for (const Case& c : cases)
  {
    SCOPED_TRACE(c.what);
    CoordinateAligner aligner(c.mesh);
    bool ok = false;
    vtkSmartPointer<vtkTransform> frame = aligner.ComputeTransform(&ok);
    ASSERT_TRUE(ok);
    const auto [low, high] = HeightRange(c.mesh, frame);
    EXPECT_NEAR(low, c.low, 1e-9);
    EXPECT_NEAR(high, c.high, 1e-9);
  }
}

// Two points on the base, left and right alike at (+-x, y) in the working frame, placed.
void Picks(const SyntheticJaw& jaw, double x, double y, double right[3], double left[3])
{
  vtkNew<vtkCellLocator> locator;
  locator->SetDataSet(StillJaw().mesh);
  locator->BuildLocator();
  const double targets[2][3] = { { x, y, 0.0 }, { -x, y, 0.0 } };
  double* out[2] = { right, left };
  for (int k = 0; k < 2; ++k)
  {
    double closest[3];
    vtkIdType cell;
    int subId;
    double d2;
    locator->FindClosestPoint(targets[k], closest, cell, subId, d2);
    ASSERT_LT(d2, 1e-12) << "the pick target must lie on the base";
    const double in[4] = { closest[0], closest[1], closest[2], 1.0 };
    double placed[4];
    jaw.placement->MultiplyPoint(in, placed);
    std::copy(placed, placed + 3, out[k]);
  }
}

class TwoPointFrame : public testing::TestWithParam<Motion>
{
};

TEST_P(TwoPointFrame, BringsThePlacedJawIntoTheWorkingFrame)
{
  const Motion& m = GetParam();
  const SyntheticJaw jaw =
    MakeSyntheticJaw(SmallJaw(), RigidMotion(m.rx, m.ry, m.rz, m.tx, m.ty, m.tz));
  double right[3];
  double left[3];
  Picks(jaw, 17.0, 10.0, right, left); // near the molars

  for (const bool rightFirst : { true, false })
  {
    SCOPED_TRACE(rightFirst ? "right molar first" : "left molar first");
    CoordinateAligner aligner(jaw.mesh);
    vtkSmartPointer<vtkTransform> frame = rightFirst
      ? aligner.ComputeTransformFromPoints(right, left)
      : aligner.ComputeTransformFromPoints(left, right);
    ASSERT_NE(frame, nullptr);
    // The pair gives x and the first point's triangle z, so the axes always come back; the
    // origin too where the placed bounding box stays axis-aligned.
    ExpectWorkingFrame(
      jaw, frame, m.automatic == Undoes::Everything ? Undoes::Everything : Undoes::Rotation);
  }
}

INSTANTIATE_TEST_SUITE_P(Motions, TwoPointFrame, testing::ValuesIn(AllMotions()));

TEST(TwoPointFrame, PicksInFrontOfTheCentreStillTurnTheEndsTowardPlusY)
{
  // Near the canines the pair's midpoint lies in front of the bounding-box centre; the cut
  // through the mid-plane meets the front of the arch, and y is turned away from it.
  const Motion still{ "in the working frame", 0, 0, 0, 0, 0, 0, Undoes::Everything };
  const Motion tilted{ "tilted and moved", -25, 10, 0, 3, 2, 1, Undoes::Nothing };
  for (const Motion& m : { still, tilted })
  {
    SCOPED_TRACE(testing::Message() << m);
    const SyntheticJaw jaw =
      MakeSyntheticJaw(SmallJaw(), RigidMotion(m.rx, m.ry, m.rz, m.tx, m.ty, m.tz));
    double right[3];
    double left[3];
    Picks(jaw, 10.5, -9.0, right, left);
    CoordinateAligner aligner(jaw.mesh);
    vtkSmartPointer<vtkTransform> frame = aligner.ComputeTransformFromPoints(right, left);
    ASSERT_NE(frame, nullptr);
    ExpectWorkingFrame(jaw, frame, Undoes::Rotation);
  }
}

} // namespace
