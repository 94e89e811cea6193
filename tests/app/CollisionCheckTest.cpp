// The collision check in the window: exactly the colliding poses are marked with the cutter's
// outline, on either model tree, and the display is replaced by the next check.
#include "tests/app/AppTestSupport.h"

#include "cutline/CutLineGenerator.h"
#include "cutline/CutterCollision.h"
#include "tests/cutline/CutLineFixtures.h"
#include "geometry/FastOBBTree.h"

#include <QPushButton>
#include <QTest>

#include <vtkAppendPolyData.h>
#include <vtkIdList.h>
#include <vtkMath.h>
#include <vtkNew.h>
#include <vtkParametricSpline.h>
#include <vtkPoints.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>

namespace
{

using testsupport::MakeSyntheticJaw;

// Whether the segment a-b meets the axis-aligned box (slab test).
bool SegmentMeetsBox(const double a[3], const double b[3], const double c[3], double half)
{
  double t0 = 0.0;
  double t1 = 1.0;
  for (int k = 0; k < 3; ++k)
  {
    const double d = b[k] - a[k];
    const double lo = c[k] - half - a[k];
    const double hi = c[k] + half - a[k];
    if (std::fabs(d) < 1e-15)
    {
      if (lo > 0.0 || hi < 0.0)
      {
        return false;
      }
      continue;
    }
    double u0 = lo / d;
    double u1 = hi / d;
    if (u0 > u1)
    {
      std::swap(u0, u1);
    }
    t0 = std::max(t0, u0);
    t1 = std::min(t1, u1);
    if (t0 > t1)
    {
      return false;
    }
  }
  return true;
}

// The unit tool axis of a pose: its direction lifted 30 degrees.
std::array<double, 3> ToolAxis(const PoseDir& pose)
{
  const double k = ToolAxisSlope();
  const double n = std::sqrt(1.0 + k * k);
  return { pose.direction.x / n, pose.direction.y / n, k / n };
}

// The cutter outline at a pose, one segment per entry (both ends): in the cutter's frame x runs
// along the tool axis, y horizontally to the left of the direction, z completes a right-handed
// frame; eight shank lines at radius 1.175 from x = 5 to 15, then eight neck lines at radius
// 0.6 from x = 1 to 5, each group at 0, 45, ..., 315 degrees from y toward z.
std::vector<std::array<double, 6>> OutlineAt(const PoseDir& pose)
{
  const std::array<double, 3> e1 = ToolAxis(pose);
  const double e2[3] = { -pose.direction.y, pose.direction.x, 0.0 };
  double e3[3];
  vtkMath::Cross(e1.data(), e2, e3);
  const double p[3] = { pose.point.x, pose.point.y, pose.point.z };
  std::vector<std::array<double, 6>> segments;
  for (const auto& [radius, x0, x1] : { std::array<double, 3>{ 1.175, 5.0, 15.0 },
         std::array<double, 3>{ 0.6, 1.0, 5.0 } })
  {
    for (int j = 0; j < 8; ++j)
    {
      const double y = radius * std::cos(vtkMath::Pi() / 4.0 * j);
      const double z = radius * std::sin(vtkMath::Pi() / 4.0 * j);
      std::array<double, 6> ends;
      for (int c = 0; c < 3; ++c)
      {
        ends[c] = p[c] + x0 * e1[c] + y * e2[c] + z * e3[c];
        ends[3 + c] = p[c] + x1 * e1[c] + y * e2[c] + z * e3[c];
      }
      segments.push_back(ends);
    }
  }
  return segments;
}

// Indices of the poses whose outline meets the box.
std::vector<size_t> PosesMeetingBox(
  const std::vector<PoseDir>& poses, const double centre[3], double half)
{
  std::vector<size_t> meeting;
  for (size_t i = 0; i < poses.size(); ++i)
  {
    for (const auto& ends : OutlineAt(poses[i]))
    {
      if (SegmentMeetsBox(&ends[0], &ends[3], centre, half))
      {
        meeting.push_back(i);
        break;
      }
    }
  }
  return meeting;
}

// The collision display: one block of 16 lines per colliding pose, in pose order, each line
// exactly a segment of that pose's outline.
void ExpectOutlinesAt(vtkActor* display, const std::vector<PoseDir>& poses,
  const std::vector<size_t>& colliding)
{
  ASSERT_NE(display, nullptr);
  vtkPolyData* lines = vtkPolyData::SafeDownCast(display->GetMapper()->GetInputDataObject(0, 0));
  ASSERT_NE(lines, nullptr);
  ASSERT_EQ(lines->GetNumberOfLines(), static_cast<vtkIdType>(16 * colliding.size()));
  vtkIdType line = 0;
  for (size_t pose : colliding)
  {
    SCOPED_TRACE(pose);
    for (const auto& ends : OutlineAt(poses[pose]))
    {
      vtkNew<vtkIdList> ids;
      lines->GetCellPoints(line++, ids);
      ASSERT_EQ(ids->GetNumberOfIds(), 2);
      double a[3];
      double b[3];
      lines->GetPoint(ids->GetId(0), a);
      lines->GetPoint(ids->GetId(1), b);
      for (int c = 0; c < 3; ++c)
      {
        EXPECT_NEAR(a[c], ends[c], 1e-4);
        EXPECT_NEAR(b[c], ends[3 + c], 1e-4);
      }
    }
  }
}

TEST_F(MainWindowTest, TheCollisionCheckMarksExactlyTheCollidingSamples)
{
  const auto jaw = MakeSyntheticJaw();
  const QString folder = Home() + "/m";
  TestWindow w;
  w.LoadJawAndGumLine(jaw, folder, "jaw.stl");
  auto& ui = w.probe.ui();
  const QString plain = folder + "/jaw.stl";
  const QString gum = folder + "/gum.txt";

  // No cut line: the check cannot run and says so rather than giving the all-clear.
  w.driver.Clear();
  w.Click(ui.pushButton_CollisionCheck);
  ASSERT_EQ(w.driver.boxes().size(), 1u);
  ExpectBox(w.driver.boxes()[0], "警告", "没有切割线可以检测!", QMessageBox::Warning, nullptr);
  EXPECT_EQ(w.probe.collisionActor(), nullptr);

  // The generated cut line on the walls: the cutter along its tilted axis stays clear.
  w.Click(ui.pushButton_spline);
  w.driver.Clear();
  w.Click(ui.pushButton_CollisionCheck);
  ASSERT_EQ(w.driver.boxes().size(), 1u);
  ExpectBox(w.driver.boxes()[0], "提示", "没有碰撞!          ", QMessageBox::Warning, nullptr);
  const std::vector<PoseDir> poses = cutlinetest::SampledPoses(w.probe.cutLineRep().GetSpline());
  ExpectOutlinesAt(w.probe.collisionActor(), poses, {});
  EXPECT_TRUE(w.window.isEnabled());

  // The same jaw with a bump 10 along the tool axis of one pose. The model is loaded anew
  // and the gum line again, which brings the buttons back; a load discards the cut line, so
  // the same cut line is shown again on the new model.
  auto control = vtkSmartPointer<vtkPoints>::New();
  control->DeepCopy(w.probe.cutLineRep().GetSpline()->GetPoints());
  auto showAgain = [&w, &control] {
    auto copy = vtkSmartPointer<vtkPoints>::New();
    copy->DeepCopy(control);
    w.probe.showCutLine(copy);
  };
  const PoseDir& near = poses[poses.size() / 4];
  const std::array<double, 3> axis = ToolAxis(near);
  const double bump[3] = { near.point.x + 10.0 * axis[0], near.point.y + 10.0 * axis[1],
    near.point.z + 10.0 * axis[2] };
  vtkNew<vtkAppendPolyData> bumped;
  bumped->AddInputData(jaw.mesh);
  bumped->AddInputData(Box(bump, 0.5));
  bumped->Update();
  w.Load(WriteModel(bumped->GetOutput(), folder, "bumped.stl"));
  EXPECT_EQ(w.probe.collisionActor(), nullptr);
  w.LoadGumLine(gum);
  showAgain();
  const std::vector<size_t> colliding = PosesMeetingBox(poses, bump, 0.5);
  ASSERT_FALSE(colliding.empty());
  ASSERT_LT(colliding.size(), 100u);

  w.driver.Clear();
  w.Click(ui.pushButton_CollisionCheck);
  ASSERT_EQ(w.driver.boxes().size(), 1u);
  ExpectBox(w.driver.boxes()[0], "警告", "检测到碰撞!          ", QMessageBox::Warning, nullptr);
  ExpectOutlinesAt(w.probe.collisionActor(), poses, colliding);
  EXPECT_TRUE(InRenderer(w.probe.renderer(), w.probe.collisionActor()));
  EXPECT_TRUE(w.window.isEnabled());
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);

  // Loading the plain jaw takes the red outlines out of the view: their cut line is gone. The
  // check of the cut line shown again there gives an empty display.
  const vtkSmartPointer<vtkActor> red = w.probe.collisionActor();
  w.Load(plain);
  EXPECT_FALSE(InRenderer(w.probe.renderer(), red));
  EXPECT_EQ(w.probe.collisionActor(), nullptr);
  w.LoadGumLine(gum);
  showAgain();
  w.driver.Clear();
  w.Click(ui.pushButton_CollisionCheck);
  ASSERT_EQ(w.driver.boxes().size(), 1u);
  EXPECT_EQ(w.driver.boxes()[0].text, "没有碰撞!          ");
  EXPECT_FALSE(InRenderer(w.probe.renderer(), red));
  EXPECT_TRUE(InRenderer(w.probe.renderer(), w.probe.collisionActor()));
  ExpectOutlinesAt(w.probe.collisionActor(), poses, {});
}

// What a check found: whether anything collided, then the points of the outlines.
std::vector<double> Found(bool collided, vtkPolyData* outlines)
{
  std::vector<double> values{ collided ? 1.0 : 0.0 };
  for (vtkIdType i = 0; i < outlines->GetNumberOfPoints(); ++i)
  {
    const double* p = outlines->GetPoint(i);
    values.insert(values.end(), p, p + 3);
  }
  return values;
}

// The check on VTK's own vtkOBBTree and on FastOBBTree, each on a tree of its own, and the
// window's check on the tree it keeps: the same answer and the same outlines, for the cut line
// as generated and pulled 3% toward the arch's centre into the model. The window builds its
// tree once for the model, and again only once the model has moved.
TEST_F(MainWindowTest, TheCollisionCheckIsTheSameOnVtkOBBTreeAndOnTheTreeTheWindowKeeps)
{
  const auto jaw = MakeSyntheticJaw();
  TestWindow w;
  w.LoadJawAndGumLine(jaw, Home() + "/m", "jaw.stl");
  w.Click(w.probe.ui().pushButton_spline);
  std::vector<PoseDir> generated = cutlinetest::SampledPoses(w.probe.cutLineRep().GetSpline());
  std::vector<PoseDir> inside = generated;
  for (PoseDir& pose : inside)
  {
    pose.point.x *= 0.97;
    pose.point.y *= 0.97;
  }

  auto fresh = [&](const std::vector<PoseDir>& poses, bool base) {
    UseBaseOBBTree(base);
    const CutterCollision::Result found = CutterCollision::FindCollisions(w.probe.model(), poses);
    UseBaseOBBTree(false);
    return Found(!found.collidingPoses.empty(), found.outlines);
  };
  auto inWindow = [&](const std::vector<PoseDir>& poses) {
    const bool collided = w.probe.computeCollision(w.probe.model(), poses);
    return Found(collided,
      vtkPolyData::SafeDownCast(w.probe.collisionActor()->GetMapper()->GetInput()));
  };

  vtkOBBTree* kept = nullptr;
  for (std::vector<PoseDir>* poses : { &generated, &inside })
  {
    const std::vector<double> base = fresh(*poses, true);
    EXPECT_TRUE(fresh(*poses, false) == base);
    EXPECT_TRUE(inWindow(*poses) == base);
    ASSERT_NE(w.probe.collisionTree(), nullptr);
    if (kept)
    {
      EXPECT_EQ(w.probe.collisionTree(), kept);
    }
    kept = w.probe.collisionTree();
  }
  EXPECT_EQ(fresh(generated, false).size(), 1u);
  EXPECT_GT(fresh(inside, false).size(), 1000u);

  // One unit toward +x: a tree of the moved model, answering as a new one.
  w.Click(w.probe.ui().pushButton_right);
  EXPECT_TRUE(inWindow(inside) == fresh(inside, false));
  EXPECT_NE(w.probe.collisionTree(), kept);
}

TEST_F(MainWindowTest, ALoadAGenerationAndALoweringTakeTheRedOutlinesAway)
{
  const auto jaw = MakeSyntheticJaw();
  const QString folder = Home() + "/m";
  TestWindow w;
  auto& ui = w.probe.ui();
  w.LoadJawAndGumLine(jaw, folder, "jaw.stl");
  w.Click(ui.pushButton_spline);
  auto generated = vtkSmartPointer<vtkPoints>::New();
  generated->DeepCopy(w.probe.cutLineRep().GetSpline()->GetPoints());

  // The cut line pulled 3% toward the arch's centre runs the cutter into the model: red
  // outlines in the view. Each action below is done right after such a check.
  auto checkInside = [&] {
    auto inside = vtkSmartPointer<vtkPoints>::New();
    for (vtkIdType i = 0; i < generated->GetNumberOfPoints(); ++i)
    {
      const double* p = generated->GetPoint(i);
      inside->InsertNextPoint(0.97 * p[0], 0.97 * p[1], p[2]);
    }
    w.probe.showCutLine(inside);
    w.Click(ui.pushButton_CollisionCheck);
    vtkSmartPointer<vtkActor> red = w.probe.collisionActor();
    EXPECT_TRUE(red && InRenderer(w.probe.renderer(), red));
    auto* lines = vtkPolyData::SafeDownCast(red->GetMapper()->GetInputDataObject(0, 0));
    EXPECT_GT(lines->GetNumberOfLines(), 16);
    return red;
  };
  struct Case
  {
    const char* action;
    std::function<void()> run;
  };
  const Case cases[] = {
    { "a generation", [&] { w.Click(ui.pushButton_spline); } },
    { "a lowering", [&] { w.Click(ui.pushButton_moveDown); } },
    { "a model load", [&] { w.Load(folder + "/jaw.stl"); } },
  };
  for (const Case& c : cases)
  {
    SCOPED_TRACE(c.action);
    const vtkSmartPointer<vtkActor> red = checkInside();
    c.run();
    EXPECT_FALSE(InRenderer(w.probe.renderer(), red));
    EXPECT_EQ(w.probe.collisionActor(), nullptr);
  }
}

// Poses along x at y = 0, z = 0, all facing -y; their tool axis leans 30 degrees up.
std::vector<PoseDir> RowOfPoses()
{
  std::vector<PoseDir> poses;
  for (int i = 0; i <= 100; ++i)
  {
    poses.push_back(PoseDir{ Point3{ 0.1 * i, 0.0, 0.0 }, Point3{ 0.0, -1.0, 0.0 } });
  }
  return poses;
}

TEST_F(MainWindowTest, CollisionOutlinesStandExactlyAtThePosesThatTouch)
{
  TestWindow w;
  const std::vector<PoseDir> poses = RowOfPoses();
  const std::array<double, 3> axis = ToolAxis(poses[0]);

  // A bump 10 along the axis of pose 50: exactly the poses whose outline meets it collide.
  const double bump[3] = { 5.0 + 10.0 * axis[0], 10.0 * axis[1], 10.0 * axis[2] };
  const std::vector<size_t> expected = PosesMeetingBox(poses, bump, 0.5);
  ASSERT_FALSE(expected.empty());
  ASSERT_LT(expected.size(), poses.size());

  EXPECT_TRUE(w.probe.computeCollision(Box(bump, 0.5), poses));
  ExpectOutlinesAt(w.probe.collisionActor(), poses, expected);

  // A touch within 1 of the point along the axis is outside the outline: no collision, and
  // the earlier outlines leave the view for an empty display.
  vtkActor* earlier = w.probe.collisionActor();
  const double touch[3] = { 5.0 + 0.5 * axis[0], 0.5 * axis[1], 0.5 * axis[2] };
  EXPECT_FALSE(w.probe.computeCollision(Box(touch, 0.1), poses));
  EXPECT_FALSE(InRenderer(w.probe.renderer(), earlier));
  ExpectOutlinesAt(w.probe.collisionActor(), poses, {});
}

} // namespace
