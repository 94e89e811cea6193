// The gum line in the window (files, drawing) and the cut-line actions (generate, lower).
#include "tests/app/AppTestSupport.h"

#include "cutline/ModelTrees.h"
#include "tests/support/MeshChecks.h"

#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QStatusBar>
#include <QTest>
#include <QTextStream>

#include <algorithm>
#include <array>
#include <cmath>
#include <csignal>

#include <sys/resource.h>

#include <vtkParametricSpline.h>
#include <vtkCommand.h>
#include <vtkPoints.h>
#include <vtkRenderWindowInteractor.h>
#include <vtkRenderer.h>

namespace
{

using testsupport::MakeSyntheticJaw;

QString WriteText(const QString& path, const QByteArray& bytes)
{
  QFile file(path);
  file.open(QIODevice::WriteOnly);
  file.write(bytes);
  return path;
}

// Clicks four crowns counter-clockwise from above, as the gum-line drawing tool expects.
void ClickFourCrowns(TestWindow& w, const testsupport::SyntheticJaw& jaw)
{
  vtkRenderWindowInteractor* interactor = w.probe.view()->interactor();
  vtkRenderer* renderer = w.probe.renderer();
  for (int k : { 10, 50, 94, 134 })
  {
    // The middle of the crown between a buccal point and the lingual point across from it.
    const Point3& outer = jaw.gumLine[static_cast<size_t>(k)];
    const Point3& inner = jaw.gumLine[static_cast<size_t>(150 + 144 - k)];
    renderer->SetWorldPoint(
      0.5 * (outer.x + inner.x), 0.5 * (outer.y + inner.y), 0.5 * (outer.z + inner.z), 1.0);
    renderer->WorldToDisplay();
    const double* display = renderer->GetDisplayPoint();
    interactor->SetEventInformation(static_cast<int>(display[0]), static_cast<int>(display[1]));
    interactor->InvokeEvent(vtkCommand::LeftButtonPressEvent);
    interactor->InvokeEvent(vtkCommand::LeftButtonReleaseEvent);
  }
}

// The cut line's control points as the window's lowering would give them from `points`,
// worked out by a generator of its own on the same model.
std::vector<Point3> LoweredByReference(
  vtkPolyData* model, const std::vector<Point3>& points, double delta)
{
  CutLineGenerator reference;
  auto copy = vtkSmartPointer<vtkPolyData>::New();
  copy->DeepCopy(model);
  reference.SetModel(copy);
  auto control = vtkSmartPointer<vtkPoints>::New();
  for (const Point3& p : points)
  {
    control->InsertNextPoint(p.x, p.y, p.z);
  }
  auto spline = vtkSmartPointer<vtkParametricSpline>::New();
  spline->SetPoints(control);
  spline->ClosedOn();
  vtkSmartPointer<vtkPoints> lowered = reference.MoveDown(spline, delta);
  std::vector<Point3> out;
  for (vtkIdType i = 0; i < lowered->GetNumberOfPoints(); ++i)
  {
    double p[3];
    lowered->GetPoint(i, p);
    out.push_back(Point3{ p[0], p[1], p[2] });
  }
  return out;
}

double Distance(const Point3& a, const Point3& b)
{
  return std::sqrt((a.x - b.x) * (a.x - b.x) + (a.y - b.y) * (a.y - b.y) + (a.z - b.z) * (a.z - b.z));
}

// The largest distance between matching points of two lines of the same length.
double MaxDistance(const std::vector<Point3>& a, const std::vector<Point3>& b)
{
  EXPECT_EQ(a.size(), b.size());
  double worst = 0.0;
  for (size_t i = 0; i < std::min(a.size(), b.size()); ++i)
  {
    worst = std::max(worst, Distance(a[i], b[i]));
  }
  return worst;
}

TEST_F(MainWindowTest, GumLineFilesAreReadLineByLineWithSingleBlanks)
{
  TestWindow w;
  struct Case
  {
    const char* what;
    QByteArray line;
    bool accepted;
    Point3 point;
  };
  const std::vector<Case> cases = {
    { "three numbers", "1 2 3\n", true, { 1, 2, 3 } },
    { "six numbers, the last three ignored", "4 5 6 7 8 9\n", true, { 4, 5, 6 } },
    { "two blanks between numbers", "1  2 3\n", false, {} },
    { "leading blank", " 1 2 3\n", false, {} },
    { "trailing blank", "1 2 3 \n", false, {} },
    { "tabs", "1\t2\t3\n", false, {} },
    { "carriage return and line feed", "7 8 9\r\n", true, { 7, 8, 9 } },
    { "exponent and sign", "-1.5e1 +2 .25", true, { -15, 2, 0.25 } },
    { "six numbers ending in carriage return and line feed", "1 2 3 4 5 6\r\n", true,
      { 1, 2, 3 } },
    { "empty line", "\n", false, {} },
    // A line that is not all numbers is no point: read as zeros it would pull the cut line
    // to the origin.
    { "a header of words", "x y z\n", false, {} },
    { "one word among numbers", "1 2 z\n", false, {} },
    { "an empty piece among six", "1  2 3 4 5\n", false, {} },
    { "a word among the last three of six", "1 2 3 4 5 n\n", false, {} },
    { "a number followed by text", "1 2 3mm\n", false, {} },
    { "not a number", "1 nan 3\n", false, {} },
    { "infinite", "inf 2 3\n", false, {} },
    { "too large for a double", "1 2 1e999\n", false, {} },
  };
  for (const Case& c : cases)
  {
    SCOPED_TRACE(c.what);
    w.probe.readGumLine(WriteText(Home() + "/line.txt", c.line));
    // Each case is judged on its own: a failure here must not hide the cases after it.
    EXPECT_EQ(w.probe.gumLine().size(), c.accepted ? 1u : 0u);
    if (c.accepted && w.probe.gumLine().size() == 1)
    {
      EXPECT_DOUBLE_EQ(w.probe.gumLine()[0].x, c.point.x);
      EXPECT_DOUBLE_EQ(w.probe.gumLine()[0].y, c.point.y);
      EXPECT_DOUBLE_EQ(w.probe.gumLine()[0].z, c.point.z);
    }
  }

  // A scanner's file with a header line: the header is skipped, the points are read as they
  // stand, and the line counts as a gum line of its points only.
  const auto jaw = MakeSyntheticJaw();
  const QString scanned = WriteGumLine(jaw.gumLine, Home() + "/scanned.txt");
  QFile file(scanned);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QByteArray points = file.readAll();
  file.close();
  w.probe.readGumLine(WriteText(Home() + "/headed.txt", "x y z\r\n" + points));
  const std::vector<Point3> headed = w.probe.gumLine();
  w.probe.readGumLine(scanned);
  ASSERT_EQ(headed.size(), jaw.gumLine.size());
  EXPECT_EQ(MaxDistance(headed, w.probe.gumLine()), 0.0);

  // A missing file leaves the gum line as it was.
  w.probe.readGumLine(WriteText(Home() + "/two.txt", "1 2 3\n4 5 6 7 8 9"));
  ASSERT_EQ(w.probe.gumLine().size(), 2u);
  w.probe.readGumLine(Home() + "/missing.txt");
  EXPECT_EQ(w.probe.gumLine().size(), 2u);
}

TEST_F(MainWindowTest, GumLineFilesAreWrittenWithSixSignificantDigits)
{
  TestWindow w;
  w.probe.gumLine() = { { 12.3456789, 0.00001, 100 }, { -1.5, 0, 2e7 } };
  const QString path = Home() + "/out.txt";
  ASSERT_TRUE(w.probe.writeGumLine(path));
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  EXPECT_EQ(file.readAll(), QByteArray("12.3457 1e-05 100\n-1.5 0 2e+07\n"));
  EXPECT_FALSE(w.probe.writeGumLine(Home() + "/no/such/folder/out.txt"));
}

TEST_F(MainWindowTest, AShortGumLineAfterAFullOneWarnsAndTurnsTheCutLineButtonsOff)
{
  const auto jaw = MakeSyntheticJaw();
  TestWindow w;
  w.Load(WriteJaw(jaw, Home() + "/m", "jaw.stl"));
  auto& ui = w.probe.ui();
  const std::vector<QWidget*> cutLineControls = { ui.pushButton_spline, ui.pushButton_moveDown,
    ui.checkBox, ui.pushButton_CollisionCheck, ui.saveButton_cutLine };
  w.driver.Clear();

  w.LoadGumLine(WriteGumLine(jaw.gumLine, Home() + "/m/full.txt"));
  EXPECT_TRUE(w.driver.boxes().empty());
  for (QWidget* control : cutLineControls)
  {
    EXPECT_TRUE(control->isEnabled()) << control->objectName().toStdString();
  }
  EXPECT_EQ(w.window.windowTitle(), "Coravex - full.txt");
  ASSERT_EQ(w.driver.fileDialogs().size(), 1u);
  EXPECT_EQ(w.driver.fileDialogs()[0].caption, "选择牙龈线文件");
  EXPECT_EQ(w.driver.fileDialogs()[0].filters,
    QStringList{ "牙龈线文件 (*.txt *.TXT *.pts *.PTS)" });

  w.LoadGumLine(WriteText(Home() + "/m/three.txt", "1 2 3\n4 5 6\n7 8 9\n"));
  ASSERT_EQ(w.driver.boxes().size(), 1u);
  ExpectBox(w.driver.boxes()[0], "警告", "加载牙龈线存在错误！", QMessageBox::Warning, &w.window);
  EXPECT_EQ(w.probe.gumLine().size(), 3u);
  for (QWidget* control : cutLineControls)
  {
    EXPECT_FALSE(control->isEnabled()) << control->objectName().toStdString();
  }
  // The three points are drawn all the same; the title still names the full file.
  vtkPolyData* shown = vtkPolyData::SafeDownCast(
    w.probe.gumLineActor()->GetMapper()->GetInputDataObject(0, 0));
  ASSERT_NE(shown, nullptr);
  EXPECT_EQ(shown->GetNumberOfPoints(), 3);
  EXPECT_EQ(w.window.windowTitle(), "Coravex - full.txt");
}

TEST_F(MainWindowTest, GeneratingUsesTheFormsKeepFractionsAndNoDrop)
{
  const auto jaw = MakeSyntheticJaw();
  TestWindow w;
  w.Load(WriteJaw(jaw, Home() + "/m", "jaw.stl"));
  w.LoadGumLine(WriteGumLine(jaw.gumLine, Home() + "/m/gum.txt"));
  w.probe.generator().BuccalDrop = 5.0;
  w.probe.ui().doubleSpinBox_Ligual->setValue(0.1);
  w.probe.ui().doubleSpinBox_Buccal->setValue(0.5);
  QTest::mouseClick(w.probe.ui().pushButton_spline, Qt::LeftButton);
  EXPECT_DOUBLE_EQ(w.probe.generator().BuccalDrop, 0.0);
  EXPECT_TRUE(w.probe.cutLineWidget().GetEnabled());

  // The line shown beside the cut line is laid on the model through the generator's tree:
  // every point lies at most its 0.05 lift off the surface (floating beside the cut line, as
  // without the tree, nearly every point lies farther off, 0.13 on average).
  vtkActor* offsetLine = OffsetLineActor(w.probe.cutLineRep());
  ASSERT_NE(offsetLine, nullptr);
  vtkPolyData* offset = vtkPolyData::SafeDownCast(offsetLine->GetMapper()->GetInput());
  ASSERT_NE(offset, nullptr);
  ASSERT_GT(offset->GetNumberOfPoints(), 100);
  const testsupport::SurfaceDistance toSurface(w.probe.model());
  for (vtkIdType i = 0; i < offset->GetNumberOfPoints(); ++i)
  {
    EXPECT_LE(toSurface(offset->GetPoint(i)), 0.05 + 1e-4) << i;
  }

  // The same generation by hand with lingual 0.1 and buccal 0.5 gives the same cut line.
  CutLineGenerator reference;
  auto model = vtkSmartPointer<vtkPolyData>::New();
  model->DeepCopy(w.probe.model());
  reference.SetModel(model);
  auto gum = vtkSmartPointer<vtkPoints>::New();
  for (const Point3& p : w.probe.gumLine())
  {
    gum->InsertNextPoint(p.x, p.y, p.z);
  }
  vtkSmartPointer<vtkPoints> expected = reference.GenerateCutLine(gum, 0.1, 0.5, 0.0);
  const std::vector<Point3> shown = w.CutLinePoints();
  ASSERT_GT(expected->GetNumberOfPoints(), 10);
  ASSERT_EQ(static_cast<vtkIdType>(shown.size()), expected->GetNumberOfPoints());
  for (size_t i = 0; i < shown.size(); ++i)
  {
    double e[3];
    expected->GetPoint(static_cast<vtkIdType>(i), e);
    EXPECT_NEAR(shown[i].x, e[0], 1e-6);
    EXPECT_NEAR(shown[i].y, e[1], 1e-6);
    EXPECT_NEAR(shown[i].z, e[2], 1e-6);
  }
}

TEST_F(MainWindowTest, LoweringStartsFromTheShapeShownAndShowsAHiddenCutLineAgain)
{
  const auto jaw = MakeSyntheticJaw();
  TestWindow w;
  w.Load(WriteJaw(jaw, Home() + "/m", "jaw.stl"));
  const QString gum = WriteGumLine(jaw.gumLine, Home() + "/m/gum.txt");
  w.LoadGumLine(gum);
  QTest::mouseClick(w.probe.ui().pushButton_spline, Qt::LeftButton);
  const std::vector<Point3> generated = w.CutLinePoints();
  ASSERT_GT(generated.size(), 10u);

  // A drag writes into the representation's points (here handle 3 goes 2 down); lowering
  // starts from the dragged shape, not from the generated one.
  vtkPoints* points = w.probe.cutLineRep().GetSpline()->GetPoints();
  double p[3];
  points->GetPoint(3, p);
  points->SetPoint(3, p[0], p[1], p[2] - 2.0);
  points->Modified();
  const std::vector<Point3> dragged = w.CutLinePoints();
  const std::vector<Point3> fromDragged = LoweredByReference(w.probe.model(), dragged, 1.0);
  const std::vector<Point3> fromGenerated = LoweredByReference(w.probe.model(), generated, 1.0);
  ASSERT_GT(Distance(fromDragged[3], fromGenerated[3]), 1.0);

  w.probe.ui().doubleSpinBox_move_value->setValue(1.0);
  QTest::mouseClick(w.probe.ui().pushButton_moveDown, Qt::LeftButton);
  const std::vector<Point3> lowered = w.CutLinePoints();
  EXPECT_LT(MaxDistance(lowered, fromDragged), 1e-5);
  // Every point went down by about the distance and back onto the model.
  const testsupport::SurfaceDistance toSurface(w.probe.model());
  double meanDrop = 0.0;
  for (size_t i = 0; i < lowered.size(); ++i)
  {
    EXPECT_LT(toSurface(lowered[i].x, lowered[i].y, lowered[i].z), 1e-3);
    meanDrop += (generated[i].z - lowered[i].z) / lowered.size();
  }
  EXPECT_GT(meanDrop, 0.5);

  // A gum-line load hides the cut line; lowering shows the previous one again, lowered.
  w.LoadGumLine(gum);
  EXPECT_FALSE(w.probe.cutLineWidget().GetEnabled());
  QTest::mouseClick(w.probe.ui().pushButton_moveDown, Qt::LeftButton);
  EXPECT_TRUE(w.probe.cutLineWidget().GetEnabled());
  const std::vector<Point3> again = w.CutLinePoints();
  ASSERT_EQ(again.size(), lowered.size());
  EXPECT_LT(again[10].z, lowered[10].z);

  // Generating again discards the drag and both lowerings.
  QTest::mouseClick(w.probe.ui().pushButton_spline, Qt::LeftButton);
  EXPECT_EQ(MaxDistance(w.CutLinePoints(), generated), 0.0);
}

// The points of the line an actor shows, copied.
std::vector<Point3> ShownPoints(vtkActor* actor)
{
  std::vector<Point3> out;
  auto* data = vtkPolyData::SafeDownCast(actor->GetMapper()->GetInputDataObject(0, 0));
  for (vtkIdType i = 0; data && i < data->GetNumberOfPoints(); ++i)
  {
    const double* p = data->GetPoint(i);
    out.push_back(Point3{ p[0], p[1], p[2] });
  }
  return out;
}

TEST_F(MainWindowTest, LoweringAndDraggingAfterAMoveWorkOnTheModelAsItStands)
{
  const auto jaw = MakeSyntheticJaw();
  TestWindow w;
  auto& ui = w.probe.ui();
  w.Load(WriteJaw(jaw, Home() + "/m", "jaw.stl"));
  w.Show();
  w.LoadGumLine(WriteGumLine(jaw.gumLine, Home() + "/m/gum.txt"));
  w.Click(ui.pushButton_spline);

  // One unit toward +x; the cut line stays. Lowering lays the line onto the model as it now
  // stands, not where it was at the generation.
  w.Click(ui.pushButton_right);
  const std::vector<Point3> before = w.CutLinePoints();
  ui.doubleSpinBox_move_value->setValue(0.5);
  w.Click(ui.pushButton_moveDown);
  EXPECT_LT(MaxDistance(w.CutLinePoints(), LoweredByReference(w.probe.model(), before, 0.5)), 1e-5);
  EXPECT_GT(MaxDistance(w.CutLinePoints(), LoweredByReference(jaw.mesh, before, 0.5)), 0.1);

  // One more unit, then a handle is dragged along the wall: the offset line of the drag is
  // laid on the model as it stands, as a generator of its own on that model lays it.
  w.Click(ui.pushButton_right);
  ASSERT_FALSE(SameGeometry(w.probe.generator().Model, w.probe.model()));
  vtkRenderer* renderer = w.probe.renderer();
  auto display = [renderer](const Point3& p) {
    renderer->SetWorldPoint(p.x, p.y, p.z, 1.0);
    renderer->WorldToDisplay();
    const double* d = renderer->GetDisplayPoint();
    return std::array<int, 2>{ static_cast<int>(std::lround(d[0])),
      static_cast<int>(std::lround(d[1])) };
  };
  vtkRenderWindowInteractor* interactor = w.probe.view()->interactor();
  auto send = [interactor](const std::array<int, 2>& at, unsigned long event) {
    interactor->SetEventInformation(at[0], at[1]);
    interactor->InvokeEvent(event);
  };
  // The first handle that the pointer finds from this view (a handle that the move left
  // inside the model is hidden), dragged to where the next one shows.
  const std::vector<Point3> shown = w.CutLinePoints();
  size_t handle = 0;
  for (; handle + 1 < shown.size(); ++handle)
  {
    send(display(shown[handle]), vtkCommand::MouseMoveEvent);
    if (w.probe.cutLineRep().GetInteractionState() != 0)
    {
      break;
    }
  }
  ASSERT_LT(handle + 1, shown.size());
  const std::array<int, 2> from = display(shown[handle]);
  const std::array<int, 2> to = display(shown[handle + 1]);
  send(from, vtkCommand::LeftButtonPressEvent);
  ASSERT_EQ(w.probe.cutLineWidget().GetWidgetState(), contourWidget::Dragging);
  send(to, vtkCommand::MouseMoveEvent);
  send(to, vtkCommand::LeftButtonReleaseEvent);
  ASSERT_GT(Distance(w.CutLinePoints()[handle], shown[handle]), 0.1);
  EXPECT_TRUE(SameGeometry(w.probe.generator().Model, w.probe.model()));

  contourRepresentation& rep = w.probe.cutLineRep();
  const std::vector<Point3> dragged = ShownPoints(OffsetLineActor(rep));
  ASSERT_GT(dragged.size(), 100u);
  CutLineGenerator reference;
  auto copy = vtkSmartPointer<vtkPolyData>::New();
  copy->DeepCopy(w.probe.model());
  reference.SetModel(copy);
  CutLineGenerator* own = rep.Generator;
  rep.Generator = &reference;
  rep.BuildOffsetLine(false);
  rep.Generator = own;
  EXPECT_EQ(MaxDistance(dragged, ShownPoints(OffsetLineActor(rep))), 0.0);
}

TEST_F(MainWindowTest, DrawingHidesTheCutLineAndGeneratingMeanwhileUsesTheGumLineBefore)
{
  const auto jaw = MakeSyntheticJaw();
  TestWindow w;
  w.Load(WriteJaw(jaw, Home() + "/m", "jaw.stl"));
  auto& ui = w.probe.ui();
  w.Show();
  w.LoadGumLine(WriteGumLine(jaw.gumLine, Home() + "/m/gum.txt"));
  const std::vector<Point3> loaded = w.probe.gumLine();
  QTest::mouseClick(ui.pushButton_spline, Qt::LeftButton);
  const std::vector<Point3> generated = w.CutLinePoints();
  ASSERT_TRUE(w.probe.cutLineWidget().GetEnabled());

  // Starting to draw takes the cut line out of the view; the representation keeps it.
  ui.checkBox_editCurve->setChecked(true);
  EXPECT_FALSE(w.probe.cutLineWidget().GetEnabled());
  EXPECT_EQ(MaxDistance(w.CutLinePoints(), generated), 0.0);

  // Generating while drawing switches the drawing tool off and works from the loaded gum
  // line; the check box, the hidden base plate and the hint stay.
  ClickFourCrowns(w, jaw);
  QTest::mouseClick(ui.pushButton_spline, Qt::LeftButton);
  EXPECT_FALSE(w.probe.gumLineWidget().GetEnabled());
  EXPECT_TRUE(w.probe.cutLineWidget().GetEnabled());
  EXPECT_EQ(MaxDistance(w.CutLinePoints(), generated), 0.0);
  EXPECT_EQ(MaxDistance(w.probe.gumLine(), loaded), 0.0);
  EXPECT_TRUE(ui.checkBox_editCurve->isChecked());
  EXPECT_EQ(ui.checkBox_editCurve->text(), "(关闭)编辑牙龈线功能");
  EXPECT_FALSE(w.probe.baseplateActor()->GetVisibility());
  EXPECT_EQ(ui.statusbar->currentMessage(), "逆时针(点击)画出一圈牙龈线。");

  // Clearing the check box ends the drawing as usual, with the points clicked before.
  ui.checkBox_editCurve->setChecked(false);
  ASSERT_EQ(w.driver.boxes().size(), 1u);
  ExpectBox(w.driver.boxes()[0], "提示", "编辑牙龈线完成!           ", QMessageBox::Warning, nullptr);
  ASSERT_EQ(w.probe.gumLine().size(), 300u);
  EXPECT_GT(MaxDistance(w.probe.gumLine(), loaded), 1.0);
  EXPECT_TRUE(w.probe.baseplateActor()->GetVisibility());
}

TEST_F(MainWindowTest, DrawingAGumLineWritesItBesideTheModelAndAsksBeforeReplacingAnother)
{
  const auto jaw = MakeSyntheticJaw();
  const QString folder = Home() + "/drawn";
  TestWindow w;
  w.Load(WriteJaw(jaw, folder, "lower.jaw.stl"));
  auto& ui = w.probe.ui();
  const QString file = folder + "/lower.jaw.txt";

  ui.checkBox_editCurve->setChecked(true);
  EXPECT_FALSE(w.probe.baseplateActor()->GetVisibility());
  EXPECT_EQ(ui.statusbar->currentMessage(), "逆时针(点击)画出一圈牙龈线。");

  // Ending with fewer than three points changes nothing.
  ui.checkBox_editCurve->setChecked(false);
  EXPECT_TRUE(w.driver.boxes().empty());
  EXPECT_EQ(ui.statusbar->currentMessage(), "逆时针(点击)画出一圈牙龈线。");
  EXPECT_TRUE(w.probe.gumLine().empty());
  EXPECT_TRUE(w.probe.baseplateActor()->GetVisibility());
  EXPECT_FALSE(ui.pushButton_spline->isEnabled());
  EXPECT_FALSE(QFile::exists(file));

  // Each case draws the same line: four clicks on the crowns, counter-clockwise from above.
  // A file of that name that holds something else (a scanner's gum line) is replaced only when
  // the user says Yes; the drawn line is used either way. A replace that cannot finish (files
  // may grow to 1000 bytes only, as on a full disk) keeps the old file.
  const QByteArray other = "1 2 3\n4 5 6\n7 8 9\n10 11 12\n";
  struct Case
  {
    const char* what;
    bool before;       // a file is there before the drawing ends
    bool beforeIsLine; // ... and it holds the drawn line already
    QMessageBox::StandardButton answer; // NoButton: no question is expected
    bool limited;
    bool replaced;
  };
  const Case cases[] = {
    { "no file yet", false, false, QMessageBox::NoButton, false, true },
    { "another file, kept", true, false, QMessageBox::No, false, false },
    { "another file, replaced", true, false, QMessageBox::Yes, false, true },
    { "a file that holds the drawn line", true, true, QMessageBox::NoButton, false, true },
    { "another file, replaced on a full disk", true, false, QMessageBox::Yes, true, false },
  };
  w.Show();
  QByteArray drawn;
  rlimit saved{};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
  const auto savedHandler = std::signal(SIGXFSZ, SIG_IGN);
  for (const Case& c : cases)
  {
    SCOPED_TRACE(c.what);
    QFile::remove(file);
    const QByteArray before = c.beforeIsLine ? drawn : other;
    if (c.before)
    {
      ASSERT_FALSE(before.isEmpty());
      WriteText(file, before);
    }
    w.driver.Clear();
    if (c.answer != QMessageBox::NoButton)
    {
      w.driver.QueueAnswer(c.answer);
    }
    ui.checkBox_editCurve->setChecked(true);
    // The same view for every drawing, so that the same clicks draw the same line.
    w.probe.renderer()->ResetCamera();
    ClickFourCrowns(w, jaw);
    rlimit small = saved;
    small.rlim_cur = 1000;
    if (c.limited)
    {
      ::setrlimit(RLIMIT_FSIZE, &small);
    }
    ui.checkBox_editCurve->setChecked(false);
    ::setrlimit(RLIMIT_FSIZE, &saved);

    ASSERT_EQ(w.probe.gumLine().size(), 300u);
    EXPECT_TRUE(ui.statusbar->currentMessage().isEmpty());
    EXPECT_TRUE(ui.pushButton_spline->isEnabled());
    EXPECT_TRUE(w.probe.baseplateActor()->GetVisibility());
    const bool asked = c.answer != QMessageBox::NoButton;
    ASSERT_EQ(w.driver.boxes().size(), asked ? 2u : 1u);
    if (asked)
    {
      const ShownBox& question = w.driver.boxes()[0];
      EXPECT_EQ(question.title, "提示");
      EXPECT_EQ(question.text, "牙龈线文件lower.jaw.txt已存在，是否替换？");
      EXPECT_EQ(question.icon, QMessageBox::Question);
      EXPECT_EQ(question.parent, nullptr);
      EXPECT_EQ(question.buttons, QMessageBox::Yes | QMessageBox::No);
    }
    ExpectBox(w.driver.boxes().back(), "提示", "编辑牙龈线完成!           ",
      QMessageBox::Warning, nullptr);

    // The drawn line as the window writes gum-line files: one point per line as x, y and z,
    // every line ended.
    const QString elsewhere = Home() + "/elsewhere.txt";
    ASSERT_TRUE(w.probe.writeGumLine(elsewhere));
    QFile expected(elsewhere);
    ASSERT_TRUE(expected.open(QIODevice::ReadOnly));
    const QByteArray line = expected.readAll();
    const QList<QByteArray> lines = line.split('\n');
    ASSERT_EQ(lines.size(), 301);
    EXPECT_TRUE(lines[300].isEmpty());
    EXPECT_EQ(lines[0].split(' ').size(), 3);
    if (c.beforeIsLine)
    {
      ASSERT_EQ(line, drawn);
    }
    drawn = line;

    QFile written(file);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    EXPECT_EQ(written.readAll(), c.replaced ? line : before);
    EXPECT_EQ(QDir(folder).entryList(QDir::Files | QDir::Hidden),
      (QStringList{ "lower.jaw.stl", "lower.jaw.txt" }));
  }
  std::signal(SIGXFSZ, savedHandler);
}

} // namespace

TEST_F(MainWindowTest, DrawingWithoutARememberedFolderKeepsTheLineAndWritesNoFile)
{
  // The settings folder is a file, so the model folder is never remembered; a second open
  // dialog that is cancelled then leaves the window without one.
  ASSERT_TRUE(QDir(Home()).rmdir("Velmora"));
  WriteText(Home() + "/Velmora", "");
  const auto jaw = MakeSyntheticJaw();
  const QString folder = Home() + "/drawn";
  TestWindow w;
  w.Load(WriteJaw(jaw, folder, "lower.jaw.stl"));
  w.driver.QueueFile(QString());
  QTest::mouseClick(w.probe.ui().loadButton, Qt::LeftButton);
  ASSERT_NE(w.probe.model(), nullptr);
  EXPECT_EQ(w.window.windowTitle(), "Coravex - lower.jaw.stl");

  w.Show();
  auto& ui = w.probe.ui();
  ui.checkBox_editCurve->setChecked(true);
  ClickFourCrowns(w, jaw);
  ui.checkBox_editCurve->setChecked(false);

  // The drawn line is taken and the user told so; no file is written anywhere.
  EXPECT_EQ(w.probe.gumLine().size(), 300u);
  ASSERT_EQ(w.driver.boxes().size(), 1u);
  EXPECT_EQ(w.driver.boxes()[0].text, "编辑牙龈线完成!           ");
  EXPECT_TRUE(ui.pushButton_spline->isEnabled());
  EXPECT_FALSE(QFile::exists(folder + "/lower.jaw.txt"));
  EXPECT_FALSE(QFile::exists("/lower.jaw.txt"));
}
