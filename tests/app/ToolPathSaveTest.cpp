// Saving the tool path through the window: the files the user chooses, paths that are not
// saved, and a cut line that is gone after a new model or an empty generation.
#include "tests/app/AppTestSupport.h"

#include "cutline/CutLineRules.h"
#include "cutline/ToolPath.h"
#include "tests/cutline/CutLineFixtures.h"
#include "tests/support/SecondSurfaces.h"

#include <QCheckBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QFile>
#include <QFileInfo>
#include <QPushButton>
#include <QTest>

#include <vtkCellArray.h>
#include <vtkMatrix4x4.h>
#include <vtkNew.h>
#include <vtkParametricSpline.h>
#include <vtkPoints.h>

#include <algorithm>

namespace
{

using testsupport::MakeSyntheticJaw;
using testsupport::RigidMotion;

// With no cut line in the window: saving to `target` says so without a save dialog and
// writes nothing, the check says there is nothing to check, and lowering shows no line.
void ExpectNoCutLine(TestWindow& w, const QString& target)
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

TEST_F(MainWindowTest, SavingTheCutLineWritesTheToolPathTheUserChose)
{
  const auto jaw = MakeSyntheticJaw();
  const QString folder = Home() + "/models";
  TestWindow w;
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
    CutLineGenerator::ResampleClosedSpline(w.probe.cutLineRep().GetSpline(), CutLineRules::kSampleSpacing)
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

// The bytes of a file.
QByteArray Contents(const QString& path)
{
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The tool path that the export writes for the window's cut line fitted to `model` by a
// generator of its own, as the file's bytes; `fitted` receives the fitted poses.
QByteArray ExportedByReference(TestWindow& w, vtkPolyData* model, const QString& scratch,
  CutLineGenerator& reference, std::vector<PoseDir>* before = nullptr,
  std::vector<PoseDir>* fitted = nullptr)
{
  auto copy = vtkSmartPointer<vtkPolyData>::New();
  copy->DeepCopy(model);
  reference.SetModel(copy);
  std::vector<PoseDir> poses = cutlinetest::SampledPoses(w.probe.cutLineRep().GetSpline());
  if (before)
  {
    *before = poses;
  }
  reference.AdjustPosesToModel(poses);
  if (fitted)
  {
    *fitted = poses;
  }
  if (!ToolPath::Export(poses, scratch.toStdString(), w.probe.ui().checkBox->isChecked()))
  {
    return QByteArray();
  }
  return Contents(scratch);
}

TEST_F(MainWindowTest, AToolPathIsSavedWhenItIsOnTheModelAndOnlyThen)
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
  // The jaw with second surfaces beside its cut line, which the tool axis through the probes
  // of poses on the surface meets 1.5 to 5 farther out; the cut line generated there is that
  // of the plain jaw.
  const std::vector<PoseDir> sampled =
    cutlinetest::SampledPoses(cutlinetest::ClosedSpline(cutlinetest::GeneratedCutLine(jaw)));
  using testsupport::SecondSurface;
  using testsupport::WithSecondSurfaces;
  const auto bumps = WithSecondSurfaces(jaw.mesh, sampled, SecondSurface::Bumps);
  const auto walls = WithSecondSurfaces(jaw.mesh, sampled, SecondSurface::GapWalls);
  struct Case
  {
    const char* name;
    vtkPolyData* model;
    std::vector<Point3> gumLine;
    double lowerBy; // 0: the cut line is not lowered
    int movedBy;    // presses of the X row's "-" after the generation
    bool saved;
  };
  const Case cases[] = {
    { "on the model", jaw.mesh, jaw.gumLine, 0.0, 0, true },
    { "beside the bulges of neighbouring teeth", bumps, jaw.gumLine, 0.0, 0, true },
    { "beside the far walls of gaps", walls, jaw.gumLine, 0.0, 0, true },
    { "a one-triangle model", triangle, jaw.gumLine, 0.0, 0, false },
    { "the gum line 50 above the model", jaw.mesh, Lifted(jaw.gumLine, 50.0), 0.0, 0, false },
    { "the cut line lowered by 50, under the base", jaw.mesh, jaw.gumLine, 50.0, 0, false },
    { "the model moved 8 away from the cut line", jaw.mesh, jaw.gumLine, 0.0, 8, false },
    { "beside bulges, the model moved 8 away", bumps, jaw.gumLine, 0.0, 8, false },
  };
  for (const Case& c : cases)
  {
    SCOPED_TRACE(c.name);
    const QString folder = Home() + "/" + c.name;
    TestWindow w;
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
    w.Click(ui.pushButton_right, c.movedBy);
    ASSERT_GT(CutLineGenerator::ResampleClosedSpline(w.probe.cutLineRep().GetSpline(), CutLineRules::kSampleSpacing)
                ->GetNumberOfPoints(),
      600);

    const QString target = folder + "/path.gbin";
    w.SaveCutLineAs(target);
    ASSERT_EQ(w.driver.boxes().size(), 1u);
    if (c.saved)
    {
      ExpectBox(w.driver.boxes()[0], "提示", "切割线保存成功！", QMessageBox::Information, &w.window);
      // The file is what the export writes for the poses fitted to the model shown, whichever
      // crossing each probe moved its pose toward.
      CutLineGenerator reference;
      std::vector<PoseDir> before;
      std::vector<PoseDir> fitted;
      const QByteArray expected = ExportedByReference(
        w, w.probe.model(), folder + "/reference.gbin", reference, &before, &fitted);
      ASSERT_GT(expected.size(), 64);
      EXPECT_TRUE(Contents(target) == expected);
      const std::vector<double> gaps = cutlinetest::PickedCrossingGaps(reference, before, fitted);
      const double widest = *std::max_element(gaps.begin(), gaps.end());
      EXPECT_EQ(widest > 1.5, c.model != jaw.mesh.GetPointer());
      EXPECT_LE(widest, 5.0);
    }
    else
    {
      ExpectBox(w.driver.boxes()[0], "警告", "切割线保存失败", QMessageBox::Warning, &w.window);
      EXPECT_FALSE(QFile::exists(target));
    }
  }
}

TEST_F(MainWindowTest, TheSaveFitsTheCutLineToTheModelAsItStandsAfterTheMoves)
{
  const auto jaw = MakeSyntheticJaw();
  const QString folder = Home() + "/m";
  TestWindow w;
  auto& ui = w.probe.ui();
  w.LoadJawAndGumLine(jaw, folder, "jaw.stl");
  w.Click(ui.pushButton_spline);
  const QString target = folder + "/path.gbin";
  w.SaveCutLineAs(target);
  ASSERT_EQ(w.driver.boxes().size(), 1u);
  ASSERT_EQ(w.driver.boxes()[0].text, "切割线保存成功！");
  const QByteArray first = Contents(target);
  const std::vector<double> where = Bounds(w.probe.model());

  // Saving over the file: the dialog asks before it takes the name, and the user agrees.
  auto saveOver = [&] {
    w.driver.Clear();
    w.driver.QueueAnswer(QMessageBox::Yes);
    w.driver.QueueFile(target);
    w.Click(ui.saveButton_cutLine);
    EXPECT_EQ(w.driver.boxes().size(), 2u);
  };

  // Eight units toward +x: the cut line stays where it was, off the model now. Nothing is
  // saved and the file of the first save stays as it was.
  w.Click(ui.pushButton_right, 8);
  ASSERT_NEAR(Bounds(w.probe.model())[0], where[0] + 8.0, 1e-4);
  saveOver();
  ExpectBox(w.driver.boxes().back(), "警告", "切割线保存失败", QMessageBox::Warning, &w.window);
  EXPECT_TRUE(Contents(target) == first);

  // Back by eight: the path is saved again, fitted to the model as it now stands.
  w.Click(ui.pushButton_Left, 8);
  saveOver();
  ExpectBox(
    w.driver.boxes().back(), "提示", "切割线保存成功！", QMessageBox::Information, &w.window);
  CutLineGenerator reference;
  EXPECT_TRUE(
    Contents(target) == ExportedByReference(w, w.probe.model(), folder + "/ref.gbin", reference));
}

// After a small move every pose of the cut line still lies within 1.5 of the moved model: the
// save fits the path to the model as it stands and writes it. Larger moves take it too far
// away (on this jaw, three units of shift or five degrees of turn).
TEST_F(MainWindowTest, AfterASmallMoveTheSaveFitsThePathToTheMovedModel)
{
  const auto jaw = MakeSyntheticJaw();
  struct Case
  {
    const char* name;
    QPushButton* Ui::MainWindow::*button;
    int presses;
    bool saved;
  };
  const Case cases[] = {
    { "one press of the X row's +", &Ui::MainWindow::pushButton_Left, 1, true },
    { "one press of the Z row's +", &Ui::MainWindow::pushButton_RotateZPlus, 1, true },
    { "three presses of the X row's +", &Ui::MainWindow::pushButton_Left, 3, false },
    { "five presses of the Z row's +", &Ui::MainWindow::pushButton_RotateZPlus, 5, false },
  };
  for (const Case& c : cases)
  {
    SCOPED_TRACE(c.name);
    const QString folder = Home() + "/" + c.name;
    TestWindow w;
    auto& ui = w.probe.ui();
    w.LoadJawAndGumLine(jaw, folder, "jaw.stl");
    w.Click(ui.pushButton_spline);
    w.Click(ui.*c.button, c.presses);
    const QString target = folder + "/path.gbin";
    w.SaveCutLineAs(target);
    ASSERT_EQ(w.driver.boxes().size(), 1u);
    if (c.saved)
    {
      ExpectBox(w.driver.boxes()[0], "提示", "切割线保存成功！", QMessageBox::Information, &w.window);
      CutLineGenerator reference;
      EXPECT_TRUE(Contents(target) ==
        ExportedByReference(w, w.probe.model(), folder + "/reference.gbin", reference));
    }
    else
    {
      ExpectBox(w.driver.boxes()[0], "警告", "切割线保存失败", QMessageBox::Warning, &w.window);
      EXPECT_FALSE(QFile::exists(target));
    }
  }
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
    TestWindow w;
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

TEST_F(MainWindowTest, ACancelledToolPathSaveChangesNothingAndTheLastSaveFolderComesFirst)
{
  const auto jaw = MakeSyntheticJaw();
  const QString folder = Home() + "/models";
  TestWindow w;
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

TEST_F(MainWindowTest, ACutLineTooShortForPosesIsNeitherSavedNorChecked)
{
  const auto jaw = MakeSyntheticJaw();
  const QString folder = Home() + "/m";
  TestWindow w;
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
      CutLineGenerator::ResampleClosedSpline(w.probe.cutLineRep().GetSpline(), CutLineRules::kSampleSpacing)
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
  TestWindow w;
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
  TestWindow w;
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

} // namespace
