// The working frame in the window: the automatic frame, the two-point tool and the manual
// moves, driven through the window's buttons.
#include "tests/app/AppTestSupport.h"

#include "tests/support/MeshChecks.h"

#include <QCheckBox>
#include <QPushButton>
#include <QStatusBar>
#include <QTest>

#include <vtkCamera.h>
#include <vtkCommand.h>
#include <vtkMath.h>
#include <vtkMatrix4x4.h>
#include <vtkRenderWindow.h>
#include <vtkRenderWindowInteractor.h>
#include <vtkReverseSense.h>

#include <algorithm>
#include <cmath>

namespace
{

using testsupport::MakeSyntheticJaw;
using testsupport::RigidMotion;

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
    TestWindow w;
    w.LoadJawAndGumLine(placed, Home() + "/m", "jaw.stl");
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
  TestWindow w;
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
  TestWindow w;
  w.LoadJawAndGumLine(jaw, Home() + "/m", "jaw.stl");
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
  TestWindow w;
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

TEST_F(MainWindowTest, TwoPointsOnTheBaseGiveTheFrameAndAllowAnotherGroove)
{
  // Tilted about x, so that the base leaves z = 0; the cutter still reaches into it.
  const auto placed = MakeSyntheticJaw(testsupport::SmallJaw(), RigidMotion(6, 0, 0, 0, 0, 0));
  TestWindow w;
  auto& ui = w.probe.ui();
  w.Load(WriteJaw(placed, Home() + "/m", "jaw.stl"));
  w.window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&w.window));
  w.Click(ui.addGrooveButton);
  ASSERT_TRUE(w.driver.boxes().empty());
  ASSERT_FALSE(w.probe.grooveAllowed());
  w.LoadGumLine(WriteGumLine(placed.gumLine, Home() + "/m/jaw.txt"));
  ASSERT_EQ(w.probe.gumLine().size(), 300u);
  ASSERT_LT(Bounds(w.probe.model())[4], -1.0);

  ui.checkBox_AdjustCoordinate->setChecked(true);
  ASSERT_TRUE(w.probe.twoPointWidget().GetEnabled());

  // Seen from below, a click on the flat base under the left molars and one under the right.
  vtkRenderer* renderer = w.probe.renderer();
  vtkCamera* camera = renderer->GetActiveCamera();
  double centre[3];
  w.probe.model()->GetCenter(centre);
  camera->SetFocalPoint(centre);
  camera->SetPosition(centre[0], centre[1], centre[2] - 300.0);
  camera->SetViewUp(0.0, 1.0, 0.0);
  renderer->ResetCamera();
  renderer->GetRenderWindow()->Render();
  // In the working frame: below the middle of the arm, between a buccal gum-line point and the
  // lingual one across from it, and the same on the other arm.
  const testsupport::SyntheticJaw working = MakeSyntheticJaw();
  const double mid[2] = { 0.5 * (working.gumLine[10].x + working.gumLine[284].x),
    0.5 * (working.gumLine[10].y + working.gumLine[284].y) };
  vtkRenderWindowInteractor* interactor = w.probe.view()->interactor();
  for (double side : { 1.0, -1.0 })
  {
    const double base[4] = { side * mid[0], mid[1], 0.0, 1.0 };
    double world[4];
    placed.placement->MultiplyPoint(base, world);
    renderer->SetWorldPoint(world[0], world[1], world[2], 1.0);
    renderer->WorldToDisplay();
    const double* display = renderer->GetDisplayPoint();
    interactor->SetEventInformation(
      static_cast<int>(std::lround(display[0])), static_cast<int>(std::lround(display[1])));
    interactor->InvokeEvent(vtkCommand::LeftButtonPressEvent);
    interactor->InvokeEvent(vtkCommand::LeftButtonReleaseEvent);
  }
  double second[3];
  ASSERT_TRUE(w.probe.twoPointWidget().GetPoint2(second));

  ui.checkBox_AdjustCoordinate->setChecked(false);

  // The base lies on z = 0 with the model above it, and the gum line went along: it lies on
  // the moved surface, and its displayed polyline shows the moved points.
  // (The picked point may lie a little off the surface, and the plane goes through it.)
  const std::vector<double> b = Bounds(w.probe.model());
  EXPECT_NEAR(b[4], 0.0, 0.02);
  EXPECT_GT(b[5], 15.0);
  int onBase = 0;
  for (vtkIdType i = 0; i < w.probe.model()->GetNumberOfPoints(); ++i)
  {
    double q[3];
    w.probe.model()->GetPoint(i, q);
    if (q[2] < b[4] + 0.1)
    {
      ++onBase;
      EXPECT_NEAR(q[2], b[4], 1e-4);
    }
  }
  EXPECT_GT(onBase, 1000);
  const testsupport::SurfaceDistance toSurface(w.probe.model());
  vtkPolyData* shown =
    vtkPolyData::SafeDownCast(w.probe.gumLineActor()->GetMapper()->GetInputDataObject(0, 0));
  ASSERT_NE(shown, nullptr);
  ASSERT_EQ(shown->GetNumberOfPoints(), 300);
  for (size_t i = 0; i < w.probe.gumLine().size(); ++i)
  {
    const Point3& p = w.probe.gumLine()[i];
    EXPECT_LT(toSurface(p.x, p.y, p.z), 1e-3) << i;
    double q[3];
    shown->GetPoint(static_cast<vtkIdType>(i), q);
    EXPECT_NEAR(q[0], p.x, 1e-4);
    EXPECT_NEAR(q[1], p.y, 1e-4);
    EXPECT_NEAR(q[2], p.z, 1e-4);
  }

  // The tool is closed, the window as before it, and a groove may be cut again.
  EXPECT_TRUE(w.probe.grooveAllowed());
  EXPECT_FALSE(w.probe.twoPointWidget().GetEnabled());
  EXPECT_TRUE(w.probe.baseplateActor()->GetVisibility());
  EXPECT_TRUE(ui.statusbar->currentMessage().isEmpty());
  EXPECT_EQ(ui.checkBox_AdjustCoordinate->text(), "(打开)手动调整");
}

TEST_F(MainWindowTest, AnAutomaticFrameThatCannotBeFoundSaysSoAndMovesNothing)
{
  // Six points are too few for a base plane.
  const double centre[3] = { 3.0, -2.0, 5.0 };
  TestWindow w;
  w.Load(WriteModel(Bipyramid(4, centre), Home() + "/m", "small.stl"));
  vtkPolyData* before = w.probe.model();
  ASSERT_NE(before, nullptr);
  const std::vector<double> bounds = Bounds(before);

  w.Click(w.probe.ui().pushButton_autoAdjust);
  ASSERT_EQ(w.driver.boxes().size(), 1u);
  ExpectBox(w.driver.boxes()[0], "提示", "自动调整坐标系失败，请使用手动调整。",
    QMessageBox::Information, nullptr);
  EXPECT_EQ(w.probe.model(), before);
  EXPECT_EQ(Bounds(w.probe.model()), bounds);
  EXPECT_TRUE(w.window.isEnabled());
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(MainWindowTest, AnInwardFacingModelComesOutOnItsBaseAndItsPathIsSaved)
{
  // Every triangle reversed, and tilted: the automatic frame must still put the model on +z,
  // its base on z = 0, the gum line on it, and the tool path on the model.
  const auto placed = MakeSyntheticJaw(testsupport::SmallJaw(), RigidMotion(10, 0, 0, 2, -3, 4));
  vtkNew<vtkReverseSense> reverse;
  reverse->SetInputData(placed.mesh);
  reverse->ReverseCellsOn();
  reverse->Update();
  struct Case
  {
    const char* name;
    vtkPolyData* mesh;
  };
  for (const Case& c : { Case{ "outward", placed.mesh }, Case{ "inward", reverse->GetOutput() } })
  {
    SCOPED_TRACE(c.name);
    const QString folder = Home() + "/" + c.name;
    TestWindow w;
    auto& ui = w.probe.ui();
    w.LoadModelAndGumLine(c.mesh, placed.gumLine, folder);
    ui.checkBox_tansGunline->setChecked(true);
    w.driver.Clear();
    w.Click(ui.pushButton_autoAdjust);
    EXPECT_TRUE(w.driver.boxes().empty());
    const std::vector<double> b = Bounds(w.probe.model());
    EXPECT_NEAR(b[4], 0.0, 0.05);
    EXPECT_NEAR(b[5], 21.0, 0.1);
    w.Click(ui.pushButton_spline);
    w.SaveCutLineAs(folder + "/path.gbin");
    ASSERT_EQ(w.driver.boxes().size(), 1u);
    EXPECT_EQ(w.driver.boxes()[0].text, "切割线保存成功！");
    EXPECT_TRUE(QFile::exists(folder + "/path.gbin"));
  }
}

} // namespace
