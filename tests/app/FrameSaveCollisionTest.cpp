// Frame adjustment and manual moves, saving the tool path, and the collision check, driven
// through the window's buttons.
#include "tests/app/AppTestSupport.h"

#include "cutline/ToolPath.h"
#include "geometry/FastOBBTree.h"
#include "tests/support/MeshChecks.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPushButton>
#include <QStatusBar>
#include <QTest>

#include <vtkAppendPolyData.h>
#include <vtkCamera.h>
#include <vtkCellArray.h>
#include <vtkCommand.h>
#include <vtkIdList.h>
#include <vtkMath.h>
#include <vtkRenderWindow.h>
#include <vtkReverseSense.h>
#include <vtkRenderWindowInteractor.h>
#include <vtkMatrix4x4.h>
#include <vtkParametricSpline.h>
#include <vtkPoints.h>
#include <vtkTransform.h>

#include <array>
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
  // Writes the jaw as folder/name with its gum line beside it as folder/gum.txt, and loads
  // both through their open dialogs.
  void LoadJawAndGumLine(
    const testsupport::SyntheticJaw& jaw, const QString& folder, const QString& name)
  {
    LoadModelAndGumLine(jaw.mesh, jaw.gumLine, folder, name);
  }
  void LoadModelAndGumLine(vtkPolyData* mesh, const std::vector<Point3>& gumLine,
    const QString& folder, const QString& name = "jaw.stl")
  {
    QDir().mkpath(folder);
    testsupport::WriteStl(mesh, (folder + "/" + name).toStdString());
    testsupport::WriteGumLineText(gumLine, (folder + "/gum.txt").toStdString());
    Load(folder + "/" + name);
    LoadGumLine(folder + "/gum.txt");
  }
  // Saves the tool path through the save button, answering the dialog with `path`.
  void SaveCutLineAs(const QString& path)
  {
    driver.Clear();
    driver.QueueFile(path);
    Click(probe.ui().saveButton_cutLine);
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

// With no cut line in the window: saving to `target` says so without a save dialog and
// writes nothing, the check says there is nothing to check, and lowering shows no line.
void ExpectNoCutLine(Window& w, const QString& target)
{
  auto& ui = w.probe.ui();
  w.driver.Clear();
  w.driver.QueueFile(target);
  w.Click(ui.saveButton_cutLine);
  ASSERT_EQ(w.driver.boxes().size(), 1u);
  ExpectBox(w.driver.boxes()[0], "警告", "没有切割线可以保存!", QMessageBox::Warning, &w.window);
  EXPECT_TRUE(w.driver.fileDialogs().empty());
  EXPECT_FALSE(QFile::exists(target));

  w.driver.Clear();
  w.Click(ui.pushButton_CollisionCheck);
  ASSERT_EQ(w.driver.boxes().size(), 1u);
  ExpectBox(w.driver.boxes()[0], "警告", "没有切割线可以检测!", QMessageBox::Warning, nullptr);

  w.Click(ui.pushButton_moveDown);
  EXPECT_EQ(w.probe.cutLineRep().GetSpline()->GetPoints()->GetNumberOfPoints(), 0);
}

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

TEST_F(MainWindowTest, TwoPointsOnTheBaseGiveTheFrameAndAllowAnotherGroove)
{
  // Tilted about x, so that the base leaves z = 0; the cutter still reaches into it.
  const auto placed = MakeSyntheticJaw(testsupport::SmallJaw(), RigidMotion(6, 0, 0, 0, 0, 0));
  Window w;
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
  Window w;
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

TEST_F(MainWindowTest, SavingTheCutLineWritesTheToolPathTheUserChose)
{
  const auto jaw = MakeSyntheticJaw();
  const QString folder = Home() + "/models";
  Window w;
  w.LoadJawAndGumLine(jaw, folder, "lower.jaw.stl");
  auto& ui = w.probe.ui();

  // No cut line yet: nothing to save, and no dialog.
  w.driver.Clear();
  w.Click(ui.saveButton_cutLine);
  ASSERT_EQ(w.driver.boxes().size(), 1u);
  ExpectBox(w.driver.boxes()[0], "警告", "没有切割线可以保存!", QMessageBox::Warning, &w.window);
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
    ExpectBox(w.driver.boxes()[0], "提示", "切割线保存成功！", QMessageBox::Information, &w.window);
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
  ExpectBox(w.driver.boxes()[0], "警告", "切割线保存失败", QMessageBox::Warning, &w.window);
}

// The gum line moved up by `dz`.
std::vector<Point3> Lifted(std::vector<Point3> line, double dz)
{
  for (Point3& p : line)
  {
    p.z += dz;
  }
  return line;
}

TEST_F(MainWindowTest, AToolPathThatIsNotOnTheModelIsNotSaved)
{
  const auto jaw = MakeSyntheticJaw();
  // One triangle under the whole arch, far below its gum line.
  const Point3 corner[3] = { { -40, -40, 0 }, { 40, -40, 0 }, { 0, 60, 0 } };
  auto triangle = vtkSmartPointer<vtkPolyData>::New();
  {
    vtkNew<vtkPoints> points;
    for (const auto& c : corner)
    {
      points->InsertNextPoint(c.x, c.y, c.z);
    }
    vtkNew<vtkCellArray> cells;
    const vtkIdType ids[3] = { 0, 1, 2 };
    cells->InsertNextCell(3, ids);
    triangle->SetPoints(points);
    triangle->SetPolys(cells);
  }
  struct Case
  {
    const char* name;
    vtkPolyData* model;
    std::vector<Point3> gumLine;
    double lowerBy; // 0: the cut line is not lowered
    bool saved;
  };
  const Case cases[] = {
    { "on the model", jaw.mesh, jaw.gumLine, 0.0, true },
    { "a one-triangle model", triangle, jaw.gumLine, 0.0, false },
    { "the gum line 50 above the model", jaw.mesh, Lifted(jaw.gumLine, 50.0), 0.0, false },
    { "the cut line lowered by 50, under the base", jaw.mesh, jaw.gumLine, 50.0, false },
  };
  for (const Case& c : cases)
  {
    SCOPED_TRACE(c.name);
    const QString folder = Home() + "/" + c.name;
    Window w;
    auto& ui = w.probe.ui();
    w.LoadModelAndGumLine(c.model, c.gumLine, folder);
    w.Click(ui.pushButton_spline);
    if (c.lowerBy != 0.0)
    {
      ui.doubleSpinBox_move_value->setValue(c.lowerBy);
      w.Click(ui.pushButton_moveDown);
      double bounds[6];
      w.probe.cutLineRep().GetSpline()->GetPoints()->GetBounds(bounds);
      ASSERT_LT(bounds[5], 0.0);
    }
    ASSERT_GT(CutLineGenerator::ResampleClosedSpline(w.probe.cutLineRep().GetSpline(), 0.1)
                ->GetNumberOfPoints(),
      600);

    const QString target = folder + "/path.gbin";
    w.SaveCutLineAs(target);
    ASSERT_EQ(w.driver.boxes().size(), 1u);
    if (c.saved)
    {
      ExpectBox(w.driver.boxes()[0], "提示", "切割线保存成功！", QMessageBox::Information, &w.window);
      EXPECT_GT(QFileInfo(target).size(), 64);
    }
    else
    {
      ExpectBox(w.driver.boxes()[0], "警告", "切割线保存失败", QMessageBox::Warning, &w.window);
      EXPECT_FALSE(QFile::exists(target));
    }
  }
}

// The bytes of a file.
QByteArray Contents(const QString& path)
{
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

TEST_F(MainWindowTest, AClockwiseGumLineGivesTheToolPathOfItsCounterClockwiseOrder)
{
  // Taken as it runs, a clockwise gum line gives a path millimetres off the gum line with
  // tool directions into the arch.
  const auto jaw = MakeSyntheticJaw();
  std::vector<Point3> clockwise = jaw.gumLine;
  std::reverse(clockwise.begin(), clockwise.end());
  struct Case
  {
    const char* name;
    std::vector<Point3> gumLine;
  };
  QByteArray first;
  for (const Case& c : { Case{ "counter-clockwise", jaw.gumLine }, Case{ "clockwise", clockwise } })
  {
    SCOPED_TRACE(c.name);
    const QString folder = Home() + "/" + c.name;
    Window w;
    auto& ui = w.probe.ui();
    w.LoadModelAndGumLine(jaw.mesh, c.gumLine, folder);
    w.Click(ui.pushButton_spline);
    w.SaveCutLineAs(folder + "/path.gbin");
    ASSERT_EQ(w.driver.boxes().size(), 1u);
    EXPECT_EQ(w.driver.boxes()[0].text, "切割线保存成功！");
    const QByteArray bytes = Contents(folder + "/path.gbin");
    ASSERT_GT(bytes.size(), 64);
    if (first.isEmpty())
    {
      first = bytes;
    }
    else
    {
      EXPECT_TRUE(bytes == first);
    }
    // The window keeps the gum line as it was given.
    ASSERT_EQ(w.probe.gumLine().size(), c.gumLine.size());
    EXPECT_NEAR(w.probe.gumLine().front().x, c.gumLine.front().x, 1e-5);
    EXPECT_NEAR(w.probe.gumLine().front().y, c.gumLine.front().y, 1e-5);
  }
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
    Window w;
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

TEST_F(MainWindowTest, ACancelledToolPathSaveChangesNothingAndTheLastSaveFolderComesFirst)
{
  const auto jaw = MakeSyntheticJaw();
  const QString folder = Home() + "/models";
  Window w;
  auto& ui = w.probe.ui();
  w.LoadJawAndGumLine(jaw, folder, "lower.jaw.stl");
  w.Click(ui.pushButton_spline);
  const QStringList before = QDir(folder).entryList(QDir::Files);

  // Cancelled: no message, no file, and the check box's state is not taken over.
  ui.checkBox->setChecked(false);
  w.driver.Clear();
  w.driver.QueueFile(QString());
  w.Click(ui.saveButton_cutLine);
  ASSERT_EQ(w.driver.fileDialogs().size(), 1u);
  EXPECT_EQ(w.driver.fileDialogs()[0].selected.value(0), folder + "/lower.jaw.gbin");
  EXPECT_TRUE(w.driver.boxes().empty());
  EXPECT_TRUE(w.probe.cutTwoLoops());
  EXPECT_EQ(QDir(folder).entryList(QDir::Files), before);

  // Once a model was saved elsewhere, that folder is proposed instead of the model's own.
  const QString saved = Home() + "/saved";
  QDir().mkpath(saved);
  w.driver.QueueFile(saved + "/aligned.stl");
  w.Click(ui.saveButton);
  w.driver.Clear();
  w.driver.QueueFile(QString());
  w.Click(ui.saveButton_cutLine);
  ASSERT_EQ(w.driver.fileDialogs().size(), 1u);
  EXPECT_EQ(w.driver.fileDialogs()[0].selected.value(0), saved + "/lower.jaw.gbin");
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

// The poses the window checks along the shown cut line: its 0.1 samples with their outward
// directions.
std::vector<PoseDir> PosesAlongShownCutLine(MainWindowProbe& probe)
{
  vtkSmartPointer<vtkPoints> samples =
    CutLineGenerator::ResampleClosedSpline(probe.cutLineRep().GetSpline(), 0.1);
  std::vector<Point3> dirs;
  CutLineGenerator::ComputeDirections(samples, 60, dirs);
  std::vector<PoseDir> poses;
  for (size_t j = 0; j < dirs.size(); ++j)
  {
    double p[3];
    samples->GetPoint(static_cast<vtkIdType>(j), p);
    poses.push_back(PoseDir{ Point3{ p[0], p[1], p[2] }, dirs[j] });
  }
  return poses;
}

bool InRenderer(vtkRenderer* renderer, vtkActor* actor)
{
  return renderer->GetActors()->IsItemPresent(actor) != 0;
}

TEST_F(MainWindowTest, TheCollisionCheckMarksExactlyTheCollidingSamples)
{
  const auto jaw = MakeSyntheticJaw();
  const QString folder = Home() + "/m";
  Window w;
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
  const std::vector<PoseDir> poses = PosesAlongShownCutLine(w.probe);
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
  w.LoadGumLine(gum);
  showAgain();
  const std::vector<size_t> colliding = PosesMeetingBox(poses, bump, 0.5);
  ASSERT_FALSE(colliding.empty());
  ASSERT_LT(colliding.size(), 100u);

  vtkActor* clear = w.probe.collisionActor();
  w.driver.Clear();
  w.Click(ui.pushButton_CollisionCheck);
  ASSERT_EQ(w.driver.boxes().size(), 1u);
  ExpectBox(w.driver.boxes()[0], "警告", "检测到碰撞!          ", QMessageBox::Warning, nullptr);
  ExpectOutlinesAt(w.probe.collisionActor(), poses, colliding);
  EXPECT_FALSE(InRenderer(w.probe.renderer(), clear));
  EXPECT_TRUE(InRenderer(w.probe.renderer(), w.probe.collisionActor()));
  EXPECT_TRUE(w.window.isEnabled());
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);

  // Back on the plain jaw the red outlines leave the view for an empty display.
  vtkActor* red = w.probe.collisionActor();
  w.Load(plain);
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

// The check on VTK's own vtkOBBTree and on FastOBBTree: the same answer and the same outlines,
// for the cut line as generated and pulled 3% toward the arch's centre into the model.
TEST_F(MainWindowTest, TheCollisionCheckIsTheSameOnVtkOBBTree)
{
  const auto jaw = MakeSyntheticJaw();
  Window w;
  w.LoadJawAndGumLine(jaw, Home() + "/m", "jaw.stl");
  w.Click(w.probe.ui().pushButton_spline);
  std::vector<PoseDir> generated = PosesAlongShownCutLine(w.probe);
  std::vector<PoseDir> inside = generated;
  for (PoseDir& pose : inside)
  {
    pose.point.x *= 0.97;
    pose.point.y *= 0.97;
  }

  auto check = [&](const std::vector<PoseDir>& poses, bool base) {
    UseBaseOBBTree(base);
    auto model = vtkSmartPointer<vtkPolyData>::New();
    model->DeepCopy(w.probe.model());
    const bool collided = w.probe.computeCollision(model, poses);
    UseBaseOBBTree(false);
    std::vector<double> values{ collided ? 1.0 : 0.0 };
    auto* shown = vtkPolyData::SafeDownCast(w.probe.collisionActor()->GetMapper()->GetInput());
    for (vtkIdType i = 0; i < shown->GetNumberOfPoints(); ++i)
    {
      const double* p = shown->GetPoint(i);
      values.insert(values.end(), p, p + 3);
    }
    return values;
  };
  for (std::vector<PoseDir>* poses : { &generated, &inside })
  {
    const std::vector<double> expected = check(*poses, true);
    EXPECT_TRUE(check(*poses, false) == expected);
  }
  EXPECT_EQ(check(generated, false).size(), 1u);
  EXPECT_GT(check(inside, false).size(), 1000u);
}

TEST_F(MainWindowTest, ACutLineTooShortForPosesIsNeitherSavedNorChecked)
{
  const auto jaw = MakeSyntheticJaw();
  const QString folder = Home() + "/m";
  Window w;
  w.LoadJawAndGumLine(jaw, folder, "jaw.stl");
  auto& ui = w.probe.ui();
  w.Click(ui.pushButton_spline);
  w.Click(ui.pushButton_CollisionCheck);
  vtkActor* lastCheck = w.probe.collisionActor();
  ASSERT_NE(lastCheck, nullptr);

  // A square cut line on the crown: shorter than one 0.1 step, or long enough for some
  // samples but fewer than the 60 that one direction needs.
  struct Case
  {
    const char* what;
    double side;
    bool samples;
  };
  for (const Case& c : { Case{ "shorter than one step", 0.02, false },
         Case{ "fewer than 60 samples", 0.5, true } })
  {
    SCOPED_TRACE(c.what);
    auto square = vtkSmartPointer<vtkPoints>::New();
    for (int k = 0; k < 4; ++k)
    {
      square->InsertNextPoint(((k == 1 || k == 2) ? c.side : 0.0) - 20.0,
        (k >= 2 ? c.side : 0.0) + 10.0, 21.0);
    }
    w.probe.showCutLine(square);
    const vtkIdType samples =
      CutLineGenerator::ResampleClosedSpline(w.probe.cutLineRep().GetSpline(), 0.1)
        ->GetNumberOfPoints();
    ASSERT_EQ(samples > 0, c.samples);
    ASSERT_LT(samples, 60);

    const QString target = folder + "/short.gbin";
    w.driver.Clear();
    w.driver.QueueFile(target);
    w.Click(ui.saveButton_cutLine);
    ASSERT_EQ(w.driver.boxes().size(), 1u);
    if (c.samples)
    {
      EXPECT_EQ(w.driver.fileDialogs().size(), 1u);
      ExpectBox(w.driver.boxes()[0], "警告", "切割线保存失败", QMessageBox::Warning, &w.window);
    }
    else
    {
      EXPECT_TRUE(w.driver.fileDialogs().empty());
      ExpectBox(
        w.driver.boxes()[0], "警告", "没有切割线可以保存!", QMessageBox::Warning, &w.window);
    }
    EXPECT_FALSE(QFile::exists(target));

    // The check says there is nothing to check and leaves the last display in the view.
    w.driver.Clear();
    w.Click(ui.pushButton_CollisionCheck);
    ASSERT_EQ(w.driver.boxes().size(), 1u);
    ExpectBox(w.driver.boxes()[0], "警告", "没有切割线可以检测!", QMessageBox::Warning, nullptr);
    EXPECT_EQ(w.probe.collisionActor(), lastCheck);
    EXPECT_TRUE(InRenderer(w.probe.renderer(), lastCheck));
    EXPECT_TRUE(w.window.isEnabled());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  }
}

TEST_F(MainWindowTest, AGenerationWithoutACutLineDiscardsTheOneBefore)
{
  const auto jaw = MakeSyntheticJaw();
  const QString folder = Home() + "/m";
  Window w;
  w.LoadJawAndGumLine(jaw, folder, "jaw.stl");
  auto& ui = w.probe.ui();
  w.Click(ui.pushButton_spline);
  ASSERT_GT(w.probe.cutLineRep().GetSpline()->GetPoints()->GetNumberOfPoints(), 10);

  // A gum line entirely on the left half of the arch gives no cut line at all.
  std::vector<Point3> leftHalf;
  for (const Point3& p : jaw.gumLine)
  {
    if (p.x < 0.0)
    {
      leftHalf.push_back(p);
    }
  }
  ASSERT_GE(leftHalf.size(), 4u);
  testsupport::WriteGumLineText(leftHalf, (folder + "/left.txt").toStdString());
  w.LoadGumLine(folder + "/left.txt");
  ASSERT_TRUE(ui.pushButton_spline->isEnabled());
  w.Click(ui.pushButton_spline);
  EXPECT_EQ(w.probe.cutLineRep().GetSpline()->GetPoints()->GetNumberOfPoints(), 0);

  // The earlier cut line is gone: nothing to save, check or lower.
  ExpectNoCutLine(w, folder + "/old.gbin");
}

TEST_F(MainWindowTest, ANewModelStartsWithoutTheCutLineOfTheOldOne)
{
  // Model A with its cut line; then model B, in another place, with its gum line but no
  // generation. Nothing of A's cut line may be saved for B or checked against it, by any of
  // the three cut-line actions; generating then gives B its own cut line.
  const auto a = MakeSyntheticJaw();
  const auto b = MakeSyntheticJaw(testsupport::SmallJaw(), RigidMotion(0, 0, 20, 6, -4, 3));
  Window w;
  auto& ui = w.probe.ui();
  w.LoadJawAndGumLine(a, Home() + "/a", "a.stl");
  w.Click(ui.pushButton_spline);
  ASSERT_GT(w.probe.cutLineRep().GetSpline()->GetPoints()->GetNumberOfPoints(), 10);
  const QString saved = Home() + "/a/a.gbin";
  w.driver.QueueFile(saved);
  w.Click(ui.saveButton_cutLine);
  ASSERT_TRUE(QFile::exists(saved));

  w.LoadJawAndGumLine(b, Home() + "/b", "b.stl");
  ASSERT_EQ(w.probe.gumLine().size(), b.gumLine.size());
  ASSERT_TRUE(ui.saveButton_cutLine->isEnabled());
  EXPECT_EQ(w.probe.generator().Model, nullptr);

  const QString target = Home() + "/b/b.gbin";
  ExpectNoCutLine(w, target);

  w.Click(ui.pushButton_spline);
  ASSERT_GT(w.probe.cutLineRep().GetSpline()->GetPoints()->GetNumberOfPoints(), 10);
  w.driver.Clear();
  w.driver.QueueFile(target);
  w.Click(ui.saveButton_cutLine);
  ASSERT_EQ(w.driver.boxes().size(), 1u);
  EXPECT_EQ(w.driver.boxes()[0].text, "切割线保存成功！");
  QFile first(saved);
  QFile second(target);
  ASSERT_TRUE(first.open(QIODevice::ReadOnly));
  ASSERT_TRUE(second.open(QIODevice::ReadOnly));
  EXPECT_NE(first.readAll(), second.readAll());
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
