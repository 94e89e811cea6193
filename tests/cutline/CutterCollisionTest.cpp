// The cutter collision check without a window: which poses meet blocks placed at known
// distances along the tool axis, and where the outlines of the colliding poses lie.
#include "cutline/CutLineRules.h"
#include "cutline/CutterCollision.h"
#include "tests/cutline/CutLineFixtures.h"
#include "tests/support/SyntheticJaw.h"

#include <vtkIdList.h>
#include <vtkMath.h>
#include <vtkNew.h>
#include <vtkOBBTree.h>
#include <vtkPoints.h>
#include <vtkPolyData.h>

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace
{

// Poses at x = 0.1 i (i = 0 ... 100) on the x axis, all facing -y: every tool axis runs from
// its point toward -y and 30 degrees up, and the outline's lines lie at x offsets of 0,
// +-0.424 and +-0.6 (neck) or 0, +-0.831 and +-1.175 (shank) from the pose's own x.
std::vector<PoseDir> RowFacingMinusY()
{
  std::vector<PoseDir> poses;
  for (int i = 0; i <= 100; ++i)
  {
    poses.push_back(PoseDir{ Point3{ 0.1 * i, 0.0, 0.0 }, Point3{ 0.0, -1.0, 0.0 } });
  }
  return poses;
}

// Poses on a circle of radius 10 about the z axis, facing outward, 5 degrees apart.
std::vector<PoseDir> RingFacingOut()
{
  std::vector<PoseDir> poses;
  for (int k = 0; k < 72; ++k)
  {
    const double t = 2.0 * vtkMath::Pi() * k / 72.0;
    poses.push_back(PoseDir{ Point3{ 10.0 * std::cos(t), 10.0 * std::sin(t), 0.0 },
      Point3{ std::cos(t), std::sin(t), 0.0 } });
  }
  return poses;
}

std::vector<size_t> Indices(size_t first, size_t last)
{
  std::vector<size_t> indices;
  for (size_t i = first; i <= last; ++i)
  {
    indices.push_back(i);
  }
  return indices;
}

// The 16 lines from `first` on are the outline at `pose`: eight shank lines at radius 1.175
// from 5 to 15 along the pose's tool axis, then eight neck lines at radius 0.6 from 1 to 5,
// each group starting horizontally beside the axis and going round it in steps of 45 degrees.
void ExpectOutlineAt(vtkPolyData* outlines, vtkIdType first, const PoseDir& pose)
{
  const double direction[3] = { pose.direction.x, pose.direction.y, pose.direction.z };
  double axis[3];
  TiltedToolAxis(direction, axis);
  const double origin[3] = { pose.point.x, pose.point.y, pose.point.z };

  // Distance along the axis from the pose's point, and the offset square to the axis.
  auto split = [&](const double p[3], double offset[3]) {
    double v[3] = { p[0] - origin[0], p[1] - origin[1], p[2] - origin[2] };
    const double along = vtkMath::Dot(v, axis);
    for (int k = 0; k < 3; ++k)
    {
      offset[k] = v[k] - along * axis[k];
    }
    return along;
  };

  double previous[3] = { 0.0, 0.0, 0.0 };
  for (int s = 0; s < 16; ++s)
  {
    SCOPED_TRACE(s);
    const bool shank = s < 8;
    const double radius = shank ? 1.175 : 0.6;
    vtkNew<vtkIdList> ids;
    outlines->GetCellPoints(first + s, ids);
    ASSERT_EQ(ids->GetNumberOfIds(), 2);
    double a[3];
    double b[3];
    outlines->GetPoint(ids->GetId(0), a);
    outlines->GetPoint(ids->GetId(1), b);
    double offsetA[3];
    double offsetB[3];
    EXPECT_NEAR(split(a, offsetA), shank ? 5.0 : 1.0, 1e-4);
    EXPECT_NEAR(split(b, offsetB), shank ? 15.0 : 5.0, 1e-4);
    EXPECT_NEAR(vtkMath::Norm(offsetA), radius, 1e-4);
    EXPECT_NEAR(std::sqrt(vtkMath::Distance2BetweenPoints(offsetA, offsetB)), 0.0, 1e-4);
    if (s % 8 == 0)
    {
      EXPECT_NEAR(offsetA[2], 0.0, 1e-4);
    }
    else
    {
      EXPECT_NEAR(vtkMath::Dot(offsetA, previous), radius * radius * std::sqrt(0.5), 1e-4);
    }
    for (int k = 0; k < 3; ++k)
    {
      previous[k] = offsetA[k];
    }
  }
}

void ExpectOutlinesAt(const CutterCollision::Result& found, const std::vector<PoseDir>& poses)
{
  ASSERT_NE(found.outlines, nullptr);
  ASSERT_EQ(found.outlines->GetNumberOfLines(),
    static_cast<vtkIdType>(16 * found.collidingPoses.size()));
  for (size_t j = 0; j < found.collidingPoses.size(); ++j)
  {
    SCOPED_TRACE(found.collidingPoses[j]);
    ExpectOutlineAt(found.outlines, static_cast<vtkIdType>(16 * j), poses[found.collidingPoses[j]]);
  }
}

} // namespace

TEST(CutterCollision, PosesCollideExactlyWhereTheOutlineCrossesTheModel)
{
  struct Case
  {
    const char* what;
    const std::vector<PoseDir> poses;
    double block[6];
    std::vector<size_t> colliding;
  };
  const std::vector<PoseDir> row = RowFacingMinusY();
  const std::vector<PoseDir> ring = RingFacingOut();
  const Case cases[] = {
    // The shank crosses y = -8; its lines reach 1.175 beside the pose's x.
    { "a wall in reach of the shank", row, { 3.0, 7.0, -8.5, -7.5, -20.0, 20.0 },
      Indices(19, 81) },
    // The neck crosses y = -3 and the shank starts beyond it; the neck reaches 0.6 aside.
    { "a wall in reach of the neck only", row, { 3.05, 6.95, -3.5, -2.5, -20.0, 20.0 },
      Indices(25, 75) },
    { "a wall beyond the end of the outline", row, { 0.0, 10.0, -15.5, -14.5, -20.0, 20.0 },
      {} },
    // Around the point of pose 50, 0.5 along its axis: closer to every point than the outline.
    { "a block within 1 of the point along the axis", row,
      { 4.7, 5.3, -0.733, -0.133, -0.05, 0.55 }, {} },
    // A plate over the ring that every shank crosses, whatever way the pose faces.
    { "a plate crossed at every pose", ring, { -30.0, 30.0, -30.0, 30.0, 5.0, 5.5 },
      Indices(0, 71) },
    { "a plate above the outline's top", ring, { -30.0, 30.0, -30.0, 30.0, 9.0, 9.5 }, {} },
  };
  for (const Case& c : cases)
  {
    SCOPED_TRACE(c.what);
    const CutterCollision::Result found = CutterCollision::FindCollisions(cutlinetest::BoxMesh(c.block), c.poses);
    EXPECT_EQ(found.collidingPoses, c.colliding);
    ExpectOutlinesAt(found, c.poses);
  }
}

TEST(CutterCollision, NoModelOrNoPosesMeetNothing)
{
  const std::vector<PoseDir> row = RowFacingMinusY();
  const double wall[6] = { 3.0, 7.0, -8.5, -7.5, -20.0, 20.0 };
  struct Case
  {
    const char* what;
    vtkSmartPointer<vtkPolyData> model;
    std::vector<PoseDir> poses;
  };
  const Case cases[] = {
    { "no model", nullptr, row },
    { "a model without points", vtkSmartPointer<vtkPolyData>::New(), row },
    { "no poses", cutlinetest::BoxMesh(wall), {} },
  };
  for (const Case& c : cases)
  {
    SCOPED_TRACE(c.what);
    const CutterCollision::Result found = CutterCollision::FindCollisions(c.model, c.poses);
    EXPECT_TRUE(found.collidingPoses.empty());
    ASSERT_NE(found.outlines, nullptr);
    EXPECT_EQ(found.outlines->GetNumberOfPoints(), 0);
    EXPECT_EQ(found.outlines->GetNumberOfLines(), 0);
  }
}

TEST(CutterCollision, APoseWithoutAHorizontalDirectionIsNotChecked)
{
  // Pose 50 of the row in front of a wall that the shank reaches. Its own direction would face
  // the wall; without a horizontal part there is no tool axis, and turned by the preset
  // 999999 degrees (279) its outline would still point at the wall.
  const double wall[6] = { 3.0, 7.0, -8.5, -7.5, -20.0, 20.0 };
  for (const Point3 direction : { Point3{ 0.0, 0.0, 0.0 }, Point3{ 0.0, 0.0, 1.0 },
         Point3{ 0.0, 0.0, -1.0 } })
  {
    SCOPED_TRACE(direction.z);
    std::vector<PoseDir> poses = RowFacingMinusY();
    poses[50].direction = direction;
    const CutterCollision::Result found =
      CutterCollision::FindCollisions(cutlinetest::BoxMesh(wall), poses);
    std::vector<size_t> expected = Indices(19, 49);
    const std::vector<size_t> after = Indices(51, 81);
    expected.insert(expected.end(), after.begin(), after.end());
    EXPECT_EQ(found.collidingPoses, expected);
    ExpectOutlinesAt(found, poses);
  }
}

TEST(CutterCollision, AKeptTreeAnswersAsANewOneAndAChangedModelGetsATreeOfItsOwn)
{
  // The generated cut line on the jaw, pulled 3% toward the arch's centre so that many poses
  // collide.
  const testsupport::SyntheticJaw jaw = testsupport::MakeSyntheticJaw();
  CutLineGenerator generator;
  generator.SetModel(jaw.mesh);
  std::vector<PoseDir> poses = cutlinetest::SampledPoses(cutlinetest::ClosedSpline(
    generator.GenerateCutLine(cutlinetest::MakePoints(jaw.gumLine), 0.2, 0.3, 0.0)));
  for (PoseDir& pose : poses)
  {
    pose.point.x *= 0.97;
    pose.point.y *= 0.97;
  }
  auto copy = [](vtkPolyData* mesh) {
    auto out = vtkSmartPointer<vtkPolyData>::New();
    out->DeepCopy(mesh);
    return out;
  };
  // The colliding poses and their outlines, bit for bit.
  auto found = [](const CutterCollision::Result& result) {
    std::vector<double> values(result.collidingPoses.begin(), result.collidingPoses.end());
    for (vtkIdType i = 0; i < result.outlines->GetNumberOfPoints(); ++i)
    {
      const double* p = result.outlines->GetPoint(i);
      values.insert(values.end(), p, p + 3);
    }
    return values;
  };

  CutterCollision::Checker checker;
  EXPECT_EQ(checker.Tree(), nullptr);
  const vtkSmartPointer<vtkPolyData> model = copy(jaw.mesh);
  const std::vector<double> first = found(checker.Find(model, poses));
  ASSERT_GT(first.size(), 1000u);
  EXPECT_TRUE(first == found(CutterCollision::FindCollisions(model, poses)));
  const vtkSmartPointer<vtkOBBTree> kept = checker.Tree();
  ASSERT_NE(kept, nullptr);

  // Another copy of the same model keeps the tree; the answers are those of a new tree.
  EXPECT_TRUE(found(checker.Find(copy(jaw.mesh), poses)) == first);
  EXPECT_EQ(checker.Tree(), kept);

  // The same model changed in place, and a moved copy: each gets a tree of its own, which
  // answers as a new one does.
  model->GetPoints()->SetPoint(0, 0.0, 0.0, 30.0);
  model->Modified();
  const vtkSmartPointer<vtkPolyData> moved = testsupport::MovedCopy(jaw.mesh, 1.0, 0.0, 0.0);
  for (vtkPolyData* changed : { model.GetPointer(), moved.GetPointer() })
  {
    vtkOBBTree* before = checker.Tree();
    const std::vector<double> answer = found(checker.Find(changed, poses));
    EXPECT_NE(checker.Tree(), before);
    EXPECT_TRUE(answer == found(CutterCollision::FindCollisions(changed, poses)));
  }
  EXPECT_FALSE(found(checker.Find(moved, poses)) == first);
}
