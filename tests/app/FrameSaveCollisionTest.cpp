// Frame adjustment and manual moves, saving the tool path, and the collision check, driven
// through the window's buttons.
#include "tests/app/AppTestSupport.h"

#include "cutline/ToolPath.h"
#include "tests/support/MeshChecks.h"

#include <QCheckBox>
#include <QFile>
#include <QFileInfo>
#include <QPushButton>
#include <QStatusBar>
#include <QTest>

#include <vtkCellArray.h>
#include <vtkMath.h>
#include <vtkMatrix4x4.h>
#include <vtkParametricSpline.h>
#include <vtkPoints.h>
#include <vtkTransform.h>

#include <cmath>

namespace
{

using testsupport::MakeSyntheticJaw;
using testsupport::RigidMotion;

struct Window
{
  Window()
    : probe(window)
  {
  }
  void Load(const QString& model)
  {
    driver.QueueFile(model);
    QTest::mouseClick(probe.ui().loadButton, Qt::LeftButton);
  }
  void LoadGumLine(const QString& path)
  {
    driver.QueueFile(path);
    QTest::mouseClick(probe.ui().loadButton_Pts, Qt::LeftButton);
  }
  void Click(QPushButton* button, int times = 1)
  {
    for (int i = 0; i < times; ++i)
    {
      QTest::mouseClick(button, Qt::LeftButton);
    }
  }
  MainWindow window;
  MainWindowProbe probe;
  DialogDriver driver;
};

double MaxDistance(const std::vector<Point3>& a, const std::vector<Point3>& b)
{
  double worst = 0.0;
  for (size_t i = 0; i < a.size(); ++i)
  {
    worst = std::max(worst,
      std::sqrt((a[i].x - b[i].x) * (a[i].x - b[i].x) + (a[i].y - b[i].y) * (a[i].y - b[i].y) +
        (a[i].z - b[i].z) * (a[i].z - b[i].z)));
  }
  return worst;
}

TEST_F(MainWindowTest, AutomaticFrameBringsTheBaseToZeroAndCarriesTheGumLineWhenAsked)
{
  // Tilted by 20 degrees and shifted: the base must come back to z = 0.
  const auto placed = MakeSyntheticJaw(testsupport::SmallJaw(), RigidMotion(20, 0, 0, 3, -4, 7));
  for (bool carry : { true, false })
  {
    SCOPED_TRACE(carry ? "gum line follows" : "gum line stays");
    Window w;
    w.Load(WriteJaw(placed, Home() + "/m", "jaw.stl"));
    w.LoadGumLine(WriteGumLine(placed.gumLine, Home() + "/m/jaw.txt"));
    const std::vector<Point3> before = w.probe.gumLine();
    w.probe.ui().checkBox_tansGunline->setChecked(carry);
    w.Click(w.probe.ui().pushButton_autoAdjust);
    EXPECT_TRUE(w.driver.boxes().empty());
    EXPECT_TRUE(w.window.isEnabled());

    const std::vector<double> b = Bounds(w.probe.model());
    EXPECT_NEAR(b[4], 0.0, 0.05);
    EXPECT_GT(b[5], 15.0);
    EXPECT_NEAR(b[0] + b[1], 0.0, 0.5);

    // The gum line moved with the model exactly when asked: it lies on the moved surface.
    const testsupport::SurfaceDistance toSurface(w.probe.model());
    double worst = 0.0;
    for (const Point3& p : w.probe.gumLine())
    {
      worst = std::max(worst, toSurface(p.x, p.y, p.z));
    }
    if (carry)
    {
      EXPECT_LT(worst, 1e-3);
    }
    else
    {
      EXPECT_EQ(MaxDistance(w.probe.gumLine(), before), 0.0);
      EXPECT_GT(worst, 1.0);
    }
  }
}

TEST_F(MainWindowTest, AThreePointGumLineDoesNotFollowTheFrame)
{
  const auto placed = MakeSyntheticJaw(testsupport::SmallJaw(), RigidMotion(15, 0, 0, 0, 0, 5));
  Window w;
  w.Load(WriteJaw(placed, Home() + "/m", "jaw.stl"));
  std::vector<Point3> three(placed.gumLine.begin(), placed.gumLine.begin() + 3);
  w.LoadGumLine(WriteGumLine(three, Home() + "/m/three.txt"));
  const std::vector<Point3> loaded = w.probe.gumLine();
  ASSERT_EQ(loaded.size(), 3u);
  w.driver.Clear();
  w.Click(w.probe.ui().pushButton_autoAdjust);
  EXPECT_NEAR(Bounds(w.probe.model())[4], 0.0, 0.05);
  EXPECT_EQ(MaxDistance(w.probe.gumLine(), loaded), 0.0);
}

TEST_F(MainWindowTest, ManualMovesShiftAndTurnTheModelOnly)
{
  const auto jaw = MakeSyntheticJaw();
  Window w;
  w.Load(WriteJaw(jaw, Home() + "/m", "jaw.stl"));
  w.LoadGumLine(WriteGumLine(jaw.gumLine, Home() + "/m/jaw.txt"));
  const std::vector<Point3> gum = w.probe.gumLine();
  auto& ui = w.probe.ui();

  vtkIdType probePoint = 17;
  double start[3];
  w.probe.model()->GetPoint(probePoint, start);
  w.Click(ui.pushButton_Left);
  double p[3];
  w.probe.model()->GetPoint(probePoint, p);
  EXPECT_NEAR(p[0], start[0] - 1.0, 1e-5);
  w.Click(ui.pushButton_right, 2);
  w.Click(ui.pushButton_up);
  w.Click(ui.pushButton_down, 3);
  w.probe.model()->GetPoint(probePoint, p);
  EXPECT_NEAR(p[0], start[0] + 1.0, 1e-5);
  EXPECT_NEAR(p[1], start[1] - 2.0, 1e-5);
  EXPECT_FLOAT_EQ(static_cast<float>(p[2]), static_cast<float>(start[2]));

  // Ten presses of Z "+" turn by ten degrees about the z axis through the origin.
  double q0[3];
  w.probe.model()->GetPoint(probePoint, q0);
  w.Click(ui.pushButton_RotateZPlus, 10);
  double q[3];
  w.probe.model()->GetPoint(probePoint, q);
  const double turned = vtkMath::DegreesFromRadians(std::atan2(q[1], q[0]) - std::atan2(q0[1], q0[0]));
  EXPECT_NEAR(turned, 10.0, 1e-3);
  EXPECT_NEAR(std::hypot(q[0], q[1]), std::hypot(q0[0], q0[1]), 1e-4);
  w.Click(ui.pushButton_RotateZMin, 10);
  w.probe.model()->GetPoint(probePoint, q);
  EXPECT_NEAR(q[0], q0[0], 1e-4);

  EXPECT_EQ(MaxDistance(w.probe.gumLine(), gum), 0.0);
}

TEST_F(MainWindowTest, TwoPointToolWithoutClicksRestoresTheWindow)
{
  const auto jaw = MakeSyntheticJaw();
  Window w;
  w.Load(WriteJaw(jaw, Home() + "/m", "jaw.stl"));
  auto& ui = w.probe.ui();
  const std::vector<double> before = Bounds(w.probe.model());
  ui.checkBox_AdjustCoordinate->setChecked(true);
  EXPECT_FALSE(w.probe.baseplateActor()->GetVisibility());
  EXPECT_EQ(ui.statusbar->currentMessage(),
    "请在牙颌模型的底面选择两个点，要求左右对称（磨牙附近为佳）。");
  ui.checkBox_AdjustCoordinate->setChecked(false);
  EXPECT_TRUE(w.probe.baseplateActor()->GetVisibility());
  EXPECT_TRUE(ui.statusbar->currentMessage().isEmpty());
  EXPECT_FALSE(w.probe.twoPointWidget().GetEnabled());
  EXPECT_EQ(Bounds(w.probe.model()), before);
}

TEST_F(MainWindowTest, SavingTheCutLineWritesTheToolPathTheUserChose)
{
  const auto jaw = MakeSyntheticJaw();
  const QString folder = Home() + "/models";
  Window w;
  w.Load(WriteJaw(jaw, folder, "lower.jaw.stl"));
  auto& ui = w.probe.ui();

  // No cut line yet: nothing to save, and no dialog.
  w.LoadGumLine(WriteGumLine(jaw.gumLine, folder + "/gum.txt"));
  w.driver.Clear();
  w.Click(ui.saveButton_cutLine);
  ASSERT_EQ(w.driver.boxes().size(), 1u);
  EXPECT_EQ(w.driver.boxes()[0].text, "没有切割线可以保存!");
  EXPECT_TRUE(w.driver.fileDialogs().empty());

  w.Click(ui.pushButton_spline);
  const vtkIdType samples =
    CutLineGenerator::ResampleClosedSpline(w.probe.cutLineRep().GetSpline(), 0.1)
      ->GetNumberOfPoints();
  ASSERT_GT(samples, 600);

  struct Case
  {
    const char* name;
    bool twoLoops;
    qint64 size;
  };
  const Case cases[] = {
    { "two.gbin", true, 64 + 32 * (2 * samples + 3) },
    { "one.gbin", false, 64 + 32 * (samples + 3) },
  };
  for (const Case& c : cases)
  {
    SCOPED_TRACE(c.name);
    w.driver.Clear();
    ui.checkBox->setChecked(c.twoLoops);
    w.driver.QueueFile(folder + "/" + c.name);
    w.Click(ui.saveButton_cutLine);
    ASSERT_EQ(w.driver.fileDialogs().size(), 1u);
    EXPECT_EQ(w.driver.fileDialogs()[0].caption, "保存切割线数据");
    EXPECT_EQ(w.driver.fileDialogs()[0].selected.value(0), folder + "/lower.jaw.gbin");
    ASSERT_EQ(w.driver.boxes().size(), 1u);
    EXPECT_EQ(w.driver.boxes()[0].text, "切割线保存成功！");
    EXPECT_EQ(QFileInfo(folder + "/" + c.name).size(), c.size);
    EXPECT_EQ(w.probe.cutTwoLoops(), c.twoLoops);
  }

  // A ".txt" name gives the G-code program.
  w.driver.Clear();
  w.driver.QueueFile(folder + "/program.txt");
  w.Click(ui.saveButton_cutLine);
  QFile program(folder + "/program.txt");
  ASSERT_TRUE(program.open(QIODevice::ReadOnly));
  EXPECT_TRUE(program.readLine().startsWith("N100G0G90G54Z"));

  // A folder that cannot be written (no files can be made in /proc, also not by root) ends
  // with the failure message.
  w.driver.Clear();
  w.driver.QueueFile("/proc/x.gbin");
  w.Click(ui.saveButton_cutLine);
  ASSERT_EQ(w.driver.boxes().size(), 1u);
  EXPECT_EQ(w.driver.boxes()[0].title, "警告");
  EXPECT_EQ(w.driver.boxes()[0].text, "切割线保存失败");
}

TEST_F(MainWindowTest, TheCollisionCheckMarksExactlyTheCollidingSamples)
{
  const auto jaw = MakeSyntheticJaw();
  Window w;
  w.Load(WriteJaw(jaw, Home() + "/m", "jaw.stl"));
  auto& ui = w.probe.ui();
  w.LoadGumLine(WriteGumLine(jaw.gumLine, Home() + "/m/gum.txt"));

  // No cut line: the check cannot run and says so rather than giving the all-clear.
  w.driver.Clear();
  w.Click(ui.pushButton_CollisionCheck);
  ASSERT_EQ(w.driver.boxes().size(), 1u);
  EXPECT_EQ(w.driver.boxes()[0].title, "警告");
  EXPECT_EQ(w.driver.boxes()[0].text, "没有切割线可以检测!");
  EXPECT_FALSE(w.driver.boxes()[0].parent);

  // The generated cut line on the walls: the cutter along its tilted axis stays clear.
  w.Click(ui.pushButton_spline);
  w.driver.Clear();
  w.Click(ui.pushButton_CollisionCheck);
  ASSERT_EQ(w.driver.boxes().size(), 1u);
  EXPECT_EQ(w.driver.boxes()[0].title, "提示");
  EXPECT_EQ(w.driver.boxes()[0].text, "没有碰撞!          ");
  EXPECT_FALSE(w.driver.boxes()[0].parent);
  ASSERT_NE(w.probe.collisionActor(), nullptr);
  vtkPolyData* display =
    vtkPolyData::SafeDownCast(w.probe.collisionActor()->GetMapper()->GetInputDataObject(0, 0));
  EXPECT_EQ(display->GetNumberOfPoints(), 0);
  EXPECT_TRUE(w.window.isEnabled());
}

// An axis-aligned box as a closed triangle mesh.
vtkSmartPointer<vtkPolyData> Box(const double centre[3], double half)
{
  auto points = vtkSmartPointer<vtkPoints>::New();
  for (int k = 0; k < 8; ++k)
  {
    points->InsertNextPoint(centre[0] + ((k & 1) ? half : -half),
      centre[1] + ((k & 2) ? half : -half), centre[2] + ((k & 4) ? half : -half));
  }
  const vtkIdType faces[12][3] = { { 0, 2, 1 }, { 1, 2, 3 }, { 4, 5, 6 }, { 5, 7, 6 },
    { 0, 1, 4 }, { 1, 5, 4 }, { 2, 6, 3 }, { 3, 6, 7 }, { 0, 4, 2 }, { 2, 4, 6 }, { 1, 3, 5 },
    { 3, 7, 5 } };
  auto cells = vtkSmartPointer<vtkCellArray>::New();
  for (const auto& f : faces)
  {
    cells->InsertNextCell(3, f);
  }
  auto box = vtkSmartPointer<vtkPolyData>::New();
  box->SetPoints(points);
  box->SetPolys(cells);
  return box;
}

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
  Window w;
  const std::vector<PoseDir> poses = RowOfPoses();
  const double k = ToolAxisSlope();
  const double axis[3] = { 0.0, -1.0 / std::sqrt(1 + k * k), k / std::sqrt(1 + k * k) };

  // A bump 10 along the axis of pose 50: exactly the poses whose outline meets it collide.
  const double bump[3] = { 5.0 + 10.0 * axis[0], 10.0 * axis[1], 10.0 * axis[2] };
  const double half = 0.5;
  std::vector<size_t> expected;
  for (size_t i = 0; i < poses.size(); ++i)
  {
    Pose4 machine;
    ToolPath::ComputeAxisPose(poses[i], machine);
    vtkNew<vtkTransform> t;
    t->Translate(poses[i].point.x, poses[i].point.y, poses[i].point.z);
    t->RotateWXYZ(machine.a, 0, 0, 1);
    t->RotateWXYZ(-30, 0, 1, 0);
    bool hit = false;
    for (double r : { 1.175, 0.6 })
    {
      const double x0 = r > 1.0 ? 5.0 : 1.0;
      const double x1 = r > 1.0 ? 15.0 : 5.0;
      for (int j = 0; j < 8; ++j)
      {
        const double angle = vtkMath::Pi() / 4.0 * j;
        const double a0[3] = { x0, r * std::cos(angle), r * std::sin(angle) };
        const double a1[3] = { x1, r * std::cos(angle), r * std::sin(angle) };
        double b0[3];
        double b1[3];
        t->TransformPoint(a0, b0);
        t->TransformPoint(a1, b1);
        hit = hit || SegmentMeetsBox(b0, b1, bump, half);
      }
    }
    if (hit)
    {
      expected.push_back(i);
    }
  }
  ASSERT_FALSE(expected.empty());
  ASSERT_LT(expected.size(), poses.size());

  EXPECT_TRUE(w.probe.computeCollision(Box(bump, half), poses));
  vtkPolyData* display =
    vtkPolyData::SafeDownCast(w.probe.collisionActor()->GetMapper()->GetInputDataObject(0, 0));
  ASSERT_EQ(display->GetNumberOfLines(), static_cast<vtkIdType>(16 * expected.size()));
  // Each colliding pose's outline starts with its first shank line, 5 along its axis.
  for (size_t n = 0; n < expected.size(); ++n)
  {
    double first[3];
    display->GetPoint(static_cast<vtkIdType>(32 * n), first);
    const Point3& p = poses[expected[n]].point;
    const double along = (first[0] - p.x) * axis[0] + (first[1] - p.y) * axis[1] +
      (first[2] - p.z) * axis[2];
    EXPECT_NEAR(along, 5.0, 1e-6);
  }

  // A touch within 1 of the point along the axis is outside the outline: no collision, and
  // the earlier outlines make way for an empty display.
  const double touch[3] = { 5.0 + 0.5 * axis[0], 0.5 * axis[1], 0.5 * axis[2] };
  EXPECT_FALSE(w.probe.computeCollision(Box(touch, 0.1), poses));
  display =
    vtkPolyData::SafeDownCast(w.probe.collisionActor()->GetMapper()->GetInputDataObject(0, 0));
  EXPECT_EQ(display->GetNumberOfPoints(), 0);
}

} // namespace
