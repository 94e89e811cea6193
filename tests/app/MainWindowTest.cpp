// The main window as a user meets it: the controls after start, loading and saving models,
// the fixed bodies and the T-slot groove.
#include "tests/app/AppTestSupport.h"

#include "data/FixedBodyDimensions.h"
#include "settings/Settings.h"
#include "tests/support/ConsoleCapture.h"
#include "tests/support/MeshChecks.h"

#include <QCheckBox>
#include <QElapsedTimer>
#include <QDoubleSpinBox>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTest>
#include <QtEndian>

#include <vtkAppendPolyData.h>
#include <vtkCamera.h>
#include <vtkMatrix4x4.h>
#include <vtkSTLReader.h>
#include <vtkSTLWriter.h>

#include <sys/resource.h>

#include <array>
#include <csignal>
#include <limits>
#include <optional>
#include <random>

namespace
{

using testsupport::MakeSyntheticJaw;

// Collects the lines written to Qt's debug log while it lives.
class DebugLog
{
public:
  DebugLog() { previous_ = qInstallMessageHandler(&DebugLog::Record); }
  ~DebugLog()
  {
    qInstallMessageHandler(previous_);
    Lines().clear();
  }
  static QStringList& Lines()
  {
    static QStringList lines;
    return lines;
  }

private:
  static void Record(QtMsgType, const QMessageLogContext&, const QString& message)
  {
    Lines().push_back(message);
  }
  QtMessageHandler previous_ = nullptr;
};

// One triangle of an STL file: its three corners, x, y, z each.
using StlTriangle = std::array<float, 9>;

// A closed tetrahedron with its corners at the origin and 10 along each axis.
std::vector<StlTriangle> Tetrahedron()
{
  return { { 0, 0, 0, 0, 10, 0, 10, 0, 0 }, { 0, 0, 0, 10, 0, 0, 0, 0, 10 },
    { 0, 0, 0, 0, 0, 10, 0, 10, 0 }, { 10, 0, 0, 0, 10, 0, 0, 0, 10 } };
}

// A binary STL file: an 80-byte header, the triangle count (that of the triangles unless set),
// 50 bytes per triangle (normal left zero) and any bytes after them.
struct StlFile
{
  explicit StlFile(std::vector<StlTriangle> t)
    : triangles(std::move(t))
  {
  }
  QByteArray Bytes() const
  {
    QByteArray bytes = header.leftJustified(80, ' ', true);
    auto append = [&bytes](const void* data, int size) {
      bytes.append(static_cast<const char*>(data), size);
    };
    const quint32 n = qToLittleEndian(count ? *count : quint32(triangles.size()));
    append(&n, 4);
    for (const StlTriangle& t : triangles)
    {
      const float normal[3] = { 0, 0, 0 };
      append(normal, 12);
      for (float v : t)
      {
        const float little = qToLittleEndian(v);
        append(&little, 4);
      }
      append("\0\0", 2);
    }
    return bytes + trailing;
  }

  std::vector<StlTriangle> triangles;
  QByteArray header = "binary";
  std::optional<quint32> count;
  QByteArray trailing;
};

// The same triangles as an ASCII STL file.
QByteArray AsciiStl(const std::vector<StlTriangle>& triangles)
{
  QByteArray text = "solid test\n";
  for (const StlTriangle& t : triangles)
  {
    text += " facet normal 0 0 0\n  outer loop\n";
    for (int k = 0; k < 3; ++k)
    {
      text += QString("   vertex %1 %2 %3\n")
                .arg(t[3 * k])
                .arg(t[3 * k + 1])
                .arg(t[3 * k + 2])
                .toUtf8();
    }
    text += "  endloop\n endfacet\n";
  }
  return text + "endsolid test\n";
}

QString WriteBytes(const QString& path, const QByteArray& bytes)
{
  QFile file(path);
  EXPECT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(bytes);
  return path;
}

TEST_F(MainWindowTest, AfterStartOnlyLoadingAndTheOptionsAcceptInput)
{
  TestWindow w;
  auto& ui = w.probe.ui();

  const std::vector<QWidget*> enabled = { ui.loadButton, ui.checkBox_tansGunline,
    ui.doubleSpinBox_Buccal, ui.doubleSpinBox_Ligual, ui.doubleSpinBox_move_value };
  for (QWidget* control : enabled)
  {
    EXPECT_TRUE(control->isEnabled()) << control->objectName().toStdString();
  }
  const std::vector<QWidget*> disabled = { ui.checkBox_AdjustCoordinate, ui.addGrooveButton,
    ui.saveButton, ui.pushButton_autoAdjust, ui.pushButton_RotateZPlus, ui.pushButton_RotateZMin,
    ui.pushButton_Left, ui.pushButton_right, ui.pushButton_up, ui.pushButton_down,
    ui.loadButton_Pts, ui.checkBox_editCurve, ui.pushButton_spline, ui.pushButton_moveDown,
    ui.checkBox, ui.pushButton_CollisionCheck, ui.saveButton_cutLine };
  for (QWidget* control : disabled)
  {
    EXPECT_FALSE(control->isEnabled()) << control->objectName().toStdString();
  }
  EXPECT_TRUE(ui.checkBox_tansGunline->isChecked());
  EXPECT_EQ(w.window.windowTitle(), "Coravex");

  // The version stays at the right end of the status bar, also beside status messages.
  const QList<QLabel*> labels = ui.statusbar->findChildren<QLabel*>();
  const bool hasVersion = std::any_of(labels.begin(), labels.end(),
    [](QLabel* l) { return l->text() == "Version: 0.0.6" && l->margin() == 3; });
  EXPECT_TRUE(hasVersion);

  // Nothing is in the scene but the two hidden fixed bodies; no widget is on.
  EXPECT_EQ(w.probe.modelActor(), nullptr);
  EXPECT_FALSE(w.probe.crossActor()->GetVisibility());
  EXPECT_FALSE(w.probe.baseplateActor()->GetVisibility());
  EXPECT_FALSE(w.probe.cutLineWidget().GetEnabled());
  EXPECT_FALSE(w.probe.gumLineWidget().GetEnabled());
  EXPECT_FALSE(w.probe.twoPointWidget().GetEnabled());
}

TEST_F(MainWindowTest, ButtonsAndCheckBoxesReachTheirSlotsOnce)
{
  const auto jaw = MakeSyntheticJaw();
  TestWindow w;
  ASSERT_TRUE(w.probe.loadStl(WriteJaw(jaw, Home() + "/models", "jaw.stl")));
  w.probe.modelLoaded();
  auto& ui = w.probe.ui();

  // The X row reads "X平移：", "+" (pushButton_Left), "-" (pushButton_right); "+" moves to -x.
  EXPECT_EQ(ui.label_2->text(), "X平移：");
  EXPECT_EQ(ui.pushButton_Left->text(), "+");
  EXPECT_EQ(ui.pushButton_right->text(), "-");
  const double xmin = Bounds(w.probe.model())[0];
  QTest::mouseClick(ui.pushButton_Left, Qt::LeftButton);
  EXPECT_NEAR(Bounds(w.probe.model())[0], xmin - 1.0, 1e-5);

  // Toggling passes the new state: the check box text follows it, once per toggle.
  QSignalSpy toggles(ui.checkBox_AdjustCoordinate, &QCheckBox::toggled);
  ui.checkBox_AdjustCoordinate->setChecked(true);
  EXPECT_EQ(ui.checkBox_AdjustCoordinate->text(), "(关闭)手动调整");
  EXPECT_TRUE(w.probe.twoPointWidget().GetEnabled());
  ui.checkBox_AdjustCoordinate->setChecked(false);
  EXPECT_EQ(ui.checkBox_AdjustCoordinate->text(), "(打开)手动调整");
  EXPECT_FALSE(w.probe.twoPointWidget().GetEnabled());
  EXPECT_EQ(toggles.count(), 2);

  ui.checkBox_editCurve->setChecked(true);
  EXPECT_EQ(ui.checkBox_editCurve->text(), "(关闭)编辑牙龈线功能");
  EXPECT_TRUE(w.probe.gumLineWidget().GetEnabled());
  ui.checkBox_editCurve->setChecked(false);
  EXPECT_EQ(ui.checkBox_editCurve->text(), "(打开)编辑牙龈线功能");
  EXPECT_FALSE(w.probe.gumLineWidget().GetEnabled());
}

TEST_F(MainWindowTest, LoadingAModelResetsTheWindowAndRemembersTheFolder)
{
  const auto jaw = MakeSyntheticJaw();
  const QString folder = Home() + "/模型 folder";
  const QString path = WriteJaw(jaw, folder, "lower.jaw.stl");

  TestWindow w;
  w.driver.QueueFile(path);
  {
    DebugLog log;
    QTest::mouseClick(w.probe.ui().loadButton, Qt::LeftButton);
    EXPECT_TRUE(log.Lines().contains("加载STL路径（UTF-8）：" + path)) << log.Lines().join('\n').toStdString();
  }

  ASSERT_NE(w.probe.model(), nullptr);
  EXPECT_EQ(w.probe.model()->GetNumberOfCells(), jaw.mesh->GetNumberOfCells());
  EXPECT_EQ(w.window.windowTitle(), "Coravex - lower.jaw.stl");
  EXPECT_EQ(w.probe.lastOpenDir(), QFileInfo(path).absolutePath());
  ASSERT_EQ(w.driver.fileDialogs().size(), 1u);
  EXPECT_EQ(w.driver.fileDialogs()[0].caption, "选择STL模型文件");
  EXPECT_EQ(w.driver.fileDialogs()[0].filters, QStringList{ "STL模型文件 (*.stl *.STL)" });

  // Both fixed bodies appear; the model's twelve controls come on, the cut-line ones stay off.
  EXPECT_TRUE(w.probe.crossActor()->GetVisibility());
  EXPECT_TRUE(w.probe.baseplateActor()->GetVisibility());
  auto& ui = w.probe.ui();
  for (QWidget* control : std::vector<QWidget*>{ ui.checkBox_AdjustCoordinate, ui.addGrooveButton,
         ui.saveButton, ui.pushButton_autoAdjust, ui.pushButton_RotateZPlus,
         ui.pushButton_RotateZMin, ui.pushButton_Left, ui.pushButton_right, ui.pushButton_up,
         ui.pushButton_down, ui.loadButton_Pts, ui.checkBox_editCurve })
  {
    EXPECT_TRUE(control->isEnabled()) << control->objectName().toStdString();
  }
  for (QWidget* control : std::vector<QWidget*>{ ui.pushButton_spline, ui.pushButton_moveDown,
         ui.checkBox, ui.pushButton_CollisionCheck, ui.saveButton_cutLine })
  {
    EXPECT_FALSE(control->isEnabled()) << control->objectName().toStdString();
  }
  EXPECT_TRUE(w.probe.grooveAllowed());

  // The next open starts in the remembered folder, also in a new window (a new run); a
  // cancelled open leaves the stored folder as it was.
  MainWindow second;
  MainWindowProbe secondProbe(second);
  w.driver.QueueFile(QString());
  QTest::mouseClick(secondProbe.ui().loadButton, Qt::LeftButton);
  ASSERT_EQ(w.driver.fileDialogs().size(), 2u);
  EXPECT_EQ(w.driver.fileDialogs()[1].directory, QFileInfo(path).absolutePath());
  EXPECT_EQ(second.windowTitle(), "Coravex");
  QString stored;
  loadGcodeFileDirPath(stored);
  EXPECT_EQ(stored, QFileInfo(path).absolutePath());
}

TEST_F(MainWindowTest, AFailedLoadChangesNeitherTheModelNorItsNameNorTheFolders)
{
  const auto jaw = MakeSyntheticJaw();
  const QString good = WriteJaw(jaw, Home() + "/a", "good.stl");
  QDir().mkpath(Home() + "/b");
  QByteArray truncated = StlFile(Tetrahedron()).Bytes();
  truncated.chop(60);
  struct Case
  {
    const char* what;
    QString path;
  };
  const std::vector<Case> cases = {
    { "no triangles", WriteBytes(Home() + "/b/broken.stl", "solid nothing\nendsolid nothing\n") },
    { "a truncated binary file", WriteBytes(Home() + "/b/truncated.stl", truncated) },
  };

  TestWindow w;
  w.Load(good);
  vtkActor* first = w.probe.modelActor();
  ASSERT_NE(first, nullptr);
  const QString goodFolder = QFileInfo(good).absolutePath();

  for (const Case& c : cases)
  {
    SCOPED_TRACE(c.what);
    w.driver.Clear();
    w.Load(c.path);
    ASSERT_EQ(w.driver.boxes().size(), 1u);
    ExpectBox(w.driver.boxes()[0], "错误", QString("STL文件读取失败：%1").arg(c.path),
      QMessageBox::Critical, &w.window);
    EXPECT_EQ(w.probe.modelActor(), first);
    EXPECT_EQ(w.window.windowTitle(), "Coravex - good.stl");
    EXPECT_EQ(w.probe.lastOpenDir(), goodFolder);
    QString stored;
    loadGcodeFileDirPath(stored);
    EXPECT_EQ(stored, goodFolder);

    // The next save proposes the model on screen, not the file that failed; the next open
    // starts in the model's folder.
    w.driver.QueueFile(QString());
    QTest::mouseClick(w.probe.ui().saveButton, Qt::LeftButton);
    w.Load(QString());
    ASSERT_EQ(w.driver.fileDialogs().size(), 3u);
    EXPECT_EQ(w.driver.fileDialogs()[1].selected.value(0), good);
    EXPECT_EQ(w.driver.fileDialogs()[2].directory, goodFolder);
  }

  // A path that is missing or not a file gives no box, only a log line.
  w.driver.Clear();
  EXPECT_FALSE(w.probe.loadStl(Home() + "/missing.stl"));
  EXPECT_FALSE(w.probe.loadStl(Home()));
  EXPECT_TRUE(w.driver.boxes().empty());
  EXPECT_EQ(w.probe.modelActor(), first);
}

TEST_F(MainWindowTest, OnlyFilesThatHoldAWholeModelOfSaneSizeLoad)
{
  // Binary files are checked against their triangle count before they are read, and every
  // coordinate of what was read must be finite and within 10 000 of the origin. The count
  // may be smaller than what the file holds (bytes after the last triangle, or the 0 some
  // writers leave), and a triangle that the reader drops as degenerate is no fault.
  const auto tetrahedron = Tetrahedron();
  auto withVertex = [&tetrahedron](float value) {
    std::vector<StlTriangle> triangles = tetrahedron;
    triangles[2][4] = value;
    return StlFile(triangles).Bytes();
  };
  auto degenerate = tetrahedron;
  degenerate.push_back({ 1, 1, 1, 1, 1, 1, 5, 5, 5 });
  StlFile trailing(tetrahedron);
  trailing.trailing = QByteArray(30, '\x7f');
  StlFile noCount(tetrahedron);
  noCount.count = 0;
  StlFile overCounted(tetrahedron);
  overCounted.count = 5;
  StlFile huge(tetrahedron);
  huge.count = 0x7FFFFFFF;
  StlFile solidHeader(tetrahedron);
  solidHeader.header = "solid written as binary";
  std::mt19937 random(7);
  QByteArray noise(4000, '\0');
  for (char& byte : noise)
  {
    byte = static_cast<char>(random() & 0xFF);
  }
  const QByteArray ascii = AsciiStl(tetrahedron);
  QByteArray asciiFar = ascii;
  asciiFar.replace("vertex 0 0 10", "vertex 0 0 1e30");
  QByteArray asciiNan = ascii;
  asciiNan.replace("vertex 0 0 10", "vertex 0 0 nan");
  QByteArray asciiCut = ascii;
  asciiCut.truncate(asciiCut.indexOf("endloop"));
  const float inf = std::numeric_limits<float>::infinity();

  struct Case
  {
    const char* what;
    QByteArray bytes;
    vtkIdType cells; // 0: refused
  };
  const std::vector<Case> cases = {
    { "a whole binary file", StlFile(tetrahedron).Bytes(), 4 },
    { "a binary header that starts with solid", solidHeader.Bytes(), 4 },
    { "bytes after the last triangle", trailing.Bytes(), 4 },
    { "a count of 0", noCount.Bytes(), 4 },
    { "a degenerate triangle", StlFile(degenerate).Bytes(), 4 },
    { "a vertex at 10 000", withVertex(10000.0f), 4 },
    { "an ASCII file", ascii, 4 },
    { "one triangle fewer than counted", overCounted.Bytes(), 0 },
    { "a count of 0x7FFFFFFF", huge.Bytes(), 0 },
    { "cut off inside the count", StlFile(tetrahedron).Bytes().left(82), 0 },
    { "random bytes", noise, 0 },
    { "a vertex at NaN", withVertex(std::numeric_limits<float>::quiet_NaN()), 0 },
    { "a vertex at +inf", withVertex(inf), 0 },
    { "a vertex at -inf", withVertex(-inf), 0 },
    { "a vertex at 1e30", withVertex(1e30f), 0 },
    { "a vertex just beyond 10 000", withVertex(-10000.5f), 0 },
    { "an ASCII vertex at 1e30", asciiFar, 0 },
    { "an ASCII vertex at nan", asciiNan, 0 },
    { "an ASCII file cut off in a facet", asciiCut, 0 },
  };

  TestWindow w;
  const QString folder = Home() + "/files";
  QDir().mkpath(folder);
  int index = 0;
  for (const Case& c : cases)
  {
    SCOPED_TRACE(c.what);
    const QString path = WriteBytes(folder + QString("/model%1.stl").arg(index++), c.bytes);
    vtkActor* before = w.probe.modelActor();
    w.driver.Clear();
    w.Load(path);
    // Each case is judged on its own: a failure here must not hide the cases after it.
    if (c.cells > 0)
    {
      EXPECT_TRUE(w.driver.boxes().empty());
      EXPECT_NE(w.probe.modelActor(), before);
      EXPECT_EQ(w.probe.model() ? w.probe.model()->GetNumberOfCells() : 0, c.cells);
      EXPECT_EQ(w.window.windowTitle(), "Coravex - " + QFileInfo(path).fileName());
      continue;
    }
    EXPECT_EQ(w.driver.boxes().size(), 1u);
    if (w.driver.boxes().size() == 1)
    {
      ExpectBox(w.driver.boxes()[0], "错误", QString("STL文件读取失败：%1").arg(path),
        QMessageBox::Critical, &w.window);
    }
    EXPECT_EQ(w.probe.modelActor(), before);
  }
}

TEST_F(MainWindowTest, LoadingAModelSwitchesOffTheCutLineAndTheGumLineTools)
{
  const auto jaw = MakeSyntheticJaw();
  const QString path = WriteJaw(jaw, Home() + "/m", "jaw.stl");
  TestWindow w;
  w.Load(path);

  const QString gum = WriteGumLine(jaw.gumLine, Home() + "/m/jaw.txt");
  w.LoadGumLine(gum);
  ASSERT_EQ(w.probe.gumLine().size(), 300u);
  QTest::mouseClick(w.probe.ui().pushButton_spline, Qt::LeftButton);
  ASSERT_TRUE(w.probe.cutLineWidget().GetEnabled());
  w.probe.ui().checkBox_editCurve->setChecked(true);
  ASSERT_TRUE(w.probe.gumLineWidget().GetEnabled());

  w.Load(path);
  EXPECT_TRUE(w.probe.gumLine().empty());
  EXPECT_FALSE(w.probe.cutLineWidget().GetEnabled());
  EXPECT_FALSE(w.probe.gumLineWidget().GetEnabled());
  auto& ui = w.probe.ui();
  for (QWidget* control : std::vector<QWidget*>{ ui.pushButton_spline, ui.pushButton_moveDown,
         ui.checkBox, ui.pushButton_CollisionCheck, ui.saveButton_cutLine })
  {
    EXPECT_FALSE(control->isEnabled()) << control->objectName().toStdString();
  }
  vtkPolyData* shown = vtkPolyData::SafeDownCast(
    w.probe.gumLineActor()->GetMapper()->GetInputDataObject(0, 0));
  ASSERT_NE(shown, nullptr);
  EXPECT_EQ(shown->GetNumberOfPoints(), 0);
}

TEST_F(MainWindowTest, SavingWritesOnlyToStlNamesAndReportsWhatHappened)
{
  const auto jaw = MakeSyntheticJaw();
  const QString path = WriteJaw(jaw, Home() + "/in", "lower.jaw.stl");
  TestWindow w;

  // No model yet: nothing to save (the button is disabled; the slot says so).
  QMetaObject::invokeMethod(&w.window, "onSaveModel");
  ASSERT_EQ(w.driver.boxes().size(), 1u);
  ExpectBox(w.driver.boxes()[0], "错误", "没有模型可以保存", QMessageBox::Warning, &w.window);
  w.driver.Clear();

  w.Load(path);

  struct Case
  {
    QString name;
    bool written;
  };
  const QDir out(Home() + "/out");
  out.mkpath(".");
  const std::vector<Case> cases = {
    { "model", false }, { "model.obj", false }, { "upper.STL", true }, { "lower.stl", true } };
  for (const Case& c : cases)
  {
    SCOPED_TRACE(c.name.toStdString());
    w.driver.Clear();
    const QString target = out.filePath(c.name);
    w.driver.QueueFile(target);
    QTest::mouseClick(w.probe.ui().saveButton, Qt::LeftButton);
    ASSERT_EQ(w.driver.boxes().size(), 1u);
    if (c.written)
    {
      ExpectBox(w.driver.boxes()[0], "成功", "模型保存成功！", QMessageBox::Information, &w.window);
    }
    else
    {
      ExpectBox(w.driver.boxes()[0], "错误", "保存失败", QMessageBox::Warning, &w.window);
    }
    EXPECT_EQ(QFile::exists(target), c.written);
  }

  // The first save after a load proposed the model's own name in its folder.
  ASSERT_FALSE(w.driver.fileDialogs().empty());

  // A folder where no file can be made (/proc, also for root): the save fails, and says so.
  // The folder chosen for an ".stl" name is proposed next time all the same; a name without
  // ".stl" leaves the proposal where it was.
  w.driver.Clear();
  w.driver.QueueFile("/proc/x.stl");
  QTest::mouseClick(w.probe.ui().saveButton, Qt::LeftButton);
  ASSERT_EQ(w.driver.boxes().size(), 1u);
  ExpectBox(w.driver.boxes()[0], "错误", "保存失败", QMessageBox::Warning, &w.window);
  w.driver.QueueFile(Home() + "/model.obj");
  QTest::mouseClick(w.probe.ui().saveButton, Qt::LeftButton);
  w.driver.QueueFile(QString());
  QTest::mouseClick(w.probe.ui().saveButton, Qt::LeftButton);
  ASSERT_EQ(w.driver.fileDialogs().size(), 3u);
  EXPECT_EQ(w.driver.fileDialogs()[1].selected.value(0), "/proc/lower.jaw.stl");
  EXPECT_EQ(w.driver.fileDialogs()[2].selected.value(0), "/proc/lower.jaw.stl");

  // What was written is the current model, moves included, as ASCII STL.
  QTest::mouseClick(w.probe.ui().pushButton_up, Qt::LeftButton);
  w.driver.Clear();
  w.driver.QueueFile(out.filePath("moved.stl"));
  QTest::mouseClick(w.probe.ui().saveButton, Qt::LeftButton);
  QFile written(out.filePath("moved.stl"));
  ASSERT_TRUE(written.open(QIODevice::ReadOnly));
  EXPECT_TRUE(written.read(5) == "solid");
  vtkNew<vtkSTLReader> reader;
  const QByteArray utf8 = out.filePath("moved.stl").toUtf8();
  reader->SetFileName(utf8.constData());
  reader->Update();
  EXPECT_NEAR(Bounds(reader->GetOutput())[2], Bounds(jaw.mesh)[2] + 1.0, 1e-4);
}

TEST_F(MainWindowTest, AModelSaveThatCannotFinishKeepsTheFileThatWasThere)
{
  const auto jaw = MakeSyntheticJaw();
  TestWindow w;
  w.Load(WriteJaw(jaw, Home() + "/in", "jaw.stl"));
  ASSERT_NE(w.probe.model(), nullptr);

  // A good save writes exactly what vtkSTLWriter writes for the model.
  const QString reference = Home() + "/reference.stl";
  {
    vtkNew<vtkSTLWriter> writer;
    const QByteArray utf8 = reference.toUtf8();
    writer->SetFileName(utf8.constData());
    writer->SetInputData(w.probe.model());
    ASSERT_EQ(writer->Write(), 1);
  }
  QFile referenceFile(reference);
  ASSERT_TRUE(referenceFile.open(QIODevice::ReadOnly));
  const QByteArray expected = referenceFile.readAll();
  ASSERT_GT(expected.size(), 100000);

  const QDir out(Home() + "/out");
  out.mkpath(".");
  const QString target = out.filePath("jaw.stl");
  const QByteArray previous = "solid the model saved before\nendsolid\n";
  WriteBytes(target, previous);

  // Files may grow to 64 KiB only, as on a disk that fills up during the write (this holds
  // for root too); the write then fails with EFBIG instead of the signal.
  struct Case
  {
    const char* what;
    rlim_t limit;
    bool saved;
  };
  rlimit saved{};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
  const auto savedHandler = std::signal(SIGXFSZ, SIG_IGN);
  for (const Case& c :
    { Case{ "a file-size limit", 65536, false }, Case{ "no limit", saved.rlim_cur, true } })
  {
    SCOPED_TRACE(c.what);
    w.driver.Clear();
    w.driver.QueueFile(target);
    // The save dialog asks before it offers an existing name.
    w.driver.QueueAnswer(QMessageBox::Yes);
    rlimit small = saved;
    small.rlim_cur = c.limit;
    ::setrlimit(RLIMIT_FSIZE, &small);
    QTest::mouseClick(w.probe.ui().saveButton, Qt::LeftButton);
    ::setrlimit(RLIMIT_FSIZE, &saved);

    ASSERT_EQ(w.driver.boxes().size(), 2u);
    EXPECT_EQ(w.driver.boxes()[0].buttons, QMessageBox::Yes | QMessageBox::No);
    QFile written(target);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    if (c.saved)
    {
      ExpectBox(w.driver.boxes()[1], "成功", "模型保存成功！", QMessageBox::Information, &w.window);
      EXPECT_TRUE(written.readAll() == expected);
    }
    else
    {
      ExpectBox(w.driver.boxes()[1], "错误", "保存失败", QMessageBox::Warning, &w.window);
      EXPECT_EQ(written.readAll(), previous);
    }
    // No scratch or half-written file is left beside it.
    EXPECT_EQ(out.entryList(QDir::Files | QDir::Hidden), QStringList{ "jaw.stl" });
  }
  std::signal(SIGXFSZ, savedHandler);
}

TEST_F(MainWindowTest, SaveProposesTheModelNameInTheLastFolder)
{
  const auto jaw = MakeSyntheticJaw();
  const QString path = WriteJaw(jaw, Home() + "/in", "lower.jaw.stl");
  TestWindow w;
  w.Load(path);

  w.driver.QueueFile(QString());
  QTest::mouseClick(w.probe.ui().saveButton, Qt::LeftButton);
  ASSERT_EQ(w.driver.fileDialogs().size(), 2u);
  EXPECT_EQ(w.driver.fileDialogs()[1].caption, "保存模型");
  EXPECT_EQ(w.driver.fileDialogs()[1].filters, QStringList{ "STL文件 (*.stl)" });
  ASSERT_FALSE(w.driver.fileDialogs()[1].selected.isEmpty());
  EXPECT_EQ(w.driver.fileDialogs()[1].selected[0], Home() + "/in/lower.jaw.stl");

  QDir().mkpath(Home() + "/saved");
  w.driver.QueueFile(Home() + "/saved/a.stl");
  QTest::mouseClick(w.probe.ui().saveButton, Qt::LeftButton);
  w.driver.QueueFile(QString());
  QTest::mouseClick(w.probe.ui().saveButton, Qt::LeftButton);
  ASSERT_EQ(w.driver.fileDialogs().size(), 4u);
  EXPECT_EQ(w.driver.fileDialogs()[3].selected[0], Home() + "/saved/lower.jaw.stl");
}

TEST_F(MainWindowTest, TheGrooveIsCutOncePerLoadAndReplacesTheModel)
{
  // The cutter runs along y under the arch's middle through the base of the aligned jaw.
  const auto jaw = MakeSyntheticJaw();
  const QString path = WriteJaw(jaw, Home() + "/g", "jaw.stl");
  TestWindow w;
  ASSERT_NE(w.probe.crossActor()->GetMapper()->GetInputDataObject(0, 0), nullptr);
  w.Load(path);
  const double before = testsupport::SignedVolume(w.probe.model());
  vtkPolyData* original = w.probe.model();
  // The view is turned away from where the load put it; the groove leaves it there.
  vtkCamera* camera = w.probe.renderer()->GetActiveCamera();
  camera->Azimuth(40.0);
  camera->Elevation(-25.0);
  camera->Zoom(1.7);
  double eye[3];
  double focus[3];
  camera->GetPosition(eye);
  camera->GetFocalPoint(focus);

  QTest::mouseClick(w.probe.ui().addGrooveButton, Qt::LeftButton);
  EXPECT_TRUE(w.driver.boxes().empty());
  vtkPolyData* cut = w.probe.model();
  ASSERT_NE(cut, original);
  EXPECT_FALSE(w.probe.grooveAllowed());
  EXPECT_TRUE(testsupport::IsClosedOrientedManifold(cut));
  EXPECT_LT(testsupport::SignedVolume(cut), before - 1.0);
  EXPECT_TRUE(w.window.isEnabled());
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  double eyeAfter[3];
  double focusAfter[3];
  camera->GetPosition(eyeAfter);
  camera->GetFocalPoint(focusAfter);
  for (int k = 0; k < 3; ++k)
  {
    EXPECT_EQ(eyeAfter[k], eye[k]);
    EXPECT_EQ(focusAfter[k], focus[k]);
  }

  // A second press does nothing until the next load.
  QTest::mouseClick(w.probe.ui().addGrooveButton, Qt::LeftButton);
  EXPECT_EQ(w.probe.model(), cut);
  EXPECT_TRUE(w.driver.boxes().empty());
}

// How many times the groove ran each method, and how many of its differences succeeded.
struct GrooveRuns
{
  long methods = 0;
  long differences = 0;
};

// Presses "开T形槽" and counts, from the console, what the groove ran.
GrooveRuns PressGroove(MainWindowProbe& probe)
{
  testsupport::ConsoleCapture console;
  QTest::mouseClick(probe.ui().addGrooveButton, Qt::LeftButton);
  const std::vector<std::string> lines = console.OutLines();
  return { std::count(lines.begin(), lines.end(), "转换牙颌模型..."),
    std::count(lines.begin(), lines.end(), "corefine_and_compute_difference 成功") };
}

TEST_F(MainWindowTest, AGrooveResultOfFewerThanTenCellsIsNoGroove)
{
  // A small model whose apex pokes 0.2 up into the cutter's stem through its underside: the
  // difference cuts the apex off. Cut so, a tetrahedron leaves 8 triangles (each side in two,
  // the base and the cap), which is no groove after either method; a bipyramid on three sides
  // leaves 10, which is.
  const double centre[3] = { -0.6, 10.0, fixedbodies::kStemBottom - 0.8 };
  struct Case
  {
    const char* name;
    vtkSmartPointer<vtkPolyData> model;
    bool accepted;
  };
  const Case cases[] = {
    { "tetrahedron", Pyramid(3, centre), false },
    { "bipyramid", Bipyramid(3, centre), true },
  };
  for (const Case& c : cases)
  {
    SCOPED_TRACE(c.name);
    TestWindow w;
    w.Load(WriteModel(c.model, Home() + "/small", "small.stl"));
    vtkPolyData* before = w.probe.model();
    ASSERT_NE(before, nullptr);
    const double volume = testsupport::SignedVolume(before);

    const GrooveRuns runs = PressGroove(w.probe);
    if (c.accepted)
    {
      EXPECT_TRUE(w.driver.boxes().empty());
      EXPECT_NE(w.probe.model(), before);
      EXPECT_EQ(w.probe.model()->GetNumberOfCells(), 10);
      EXPECT_LT(testsupport::SignedVolume(w.probe.model()), volume);
      EXPECT_FALSE(w.probe.grooveAllowed());
      EXPECT_EQ(runs.methods, 1);
    }
    else
    {
      // Both differences succeeded; their results were too small.
      ExpectGrooveFailed(w.probe, w.driver, before);
      EXPECT_EQ(runs.methods, 2);
      EXPECT_EQ(runs.differences, 2);
    }
  }
}

TEST_F(MainWindowTest, AGrooveThatTakesNothingFromTheModelIsNoGroove)
{
  // The cutter runs along y, |x| <= 2.5 and |y| <= 40, through the base of a model in the
  // working frame. Beside it: two long slabs with the cutter in the gap between them, and the
  // block that holds them both, which holds the cutter inside.
  const double bottom = fixedbodies::kStemBottom - 1.0;
  const double top = fixedbodies::kHeadTop + 1.0;
  const double far[3] = { 100.0, 100.0, 100.0 };
  const auto slabs = [&] {
    vtkNew<vtkAppendPolyData> both;
    both->AddInputData(Box({ -8.0, -45.0, bottom }, { -4.0, 45.0, top }));
    both->AddInputData(Box({ 4.0, -45.0, bottom }, { 8.0, 45.0, top }));
    both->Update();
    auto mesh = vtkSmartPointer<vtkPolyData>::New();
    mesh->DeepCopy(both->GetOutput());
    return mesh;
  };
  struct Case
  {
    const char* name;
    vtkSmartPointer<vtkPolyData> model;
    long methods;
    bool accepted;
  };
  const Case cases[] = {
    // Told before the difference: no method runs.
    { "a bipyramid far away", Bipyramid(5, far), 0, false },
    { "the jaw lifted 5 above the frame",
      MakeSyntheticJaw(testsupport::SmallJaw(), testsupport::RigidMotion(0, 0, 0, 0, 0, 5)).mesh,
      0, false },
    // Within the model's bounds the difference tells: it takes nothing from the slabs, and
    // hollows the block out.
    { "two slabs with the cutter between them", slabs(), 2, false },
    { "a block holding the cutter", Box({ -8.0, -45.0, bottom }, { 8.0, 45.0, top }), 1, true },
  };
  for (const Case& c : cases)
  {
    SCOPED_TRACE(c.name);
    TestWindow w;
    w.Load(WriteModel(c.model, Home() + "/apart", "apart.stl"));
    vtkPolyData* before = w.probe.model();
    ASSERT_NE(before, nullptr);

    EXPECT_EQ(PressGroove(w.probe).methods, c.methods);
    if (c.accepted)
    {
      EXPECT_TRUE(w.driver.boxes().empty());
      EXPECT_NE(w.probe.model(), before);
      EXPECT_FALSE(w.probe.grooveAllowed());
    }
    else
    {
      ExpectGrooveFailed(w.probe, w.driver, before);
    }
  }
}

TEST_F(MainWindowTest, AGrooveBeforeTheFrameFailsAndIsCutAfterIt)
{
  // The jaw as it was scanned, tilted, turned and above the working frame, where the cutter
  // lies: the groove is refused at once and stays allowed; the automatic frame brings the jaw
  // onto the cutter, and the groove is cut.
  const auto scanned = MakeSyntheticJaw(
    testsupport::SmallJaw(), testsupport::RigidMotion(12.0, -8.0, 25.0, 3.0, -4.0, 30.0));
  TestWindow w;
  w.Load(WriteJaw(scanned, Home() + "/scan", "jaw.stl"));
  vtkPolyData* asScanned = w.probe.model();
  EXPECT_EQ(PressGroove(w.probe).methods, 0);
  ExpectGrooveFailed(w.probe, w.driver, asScanned);

  w.driver.Clear();
  w.Click(w.probe.ui().pushButton_autoAdjust);
  ASSERT_TRUE(w.driver.boxes().empty());
  vtkPolyData* framed = w.probe.model();
  const double volume = testsupport::SignedVolume(framed);
  QTest::mouseClick(w.probe.ui().addGrooveButton, Qt::LeftButton);
  EXPECT_TRUE(w.driver.boxes().empty());
  vtkPolyData* cut = w.probe.model();
  ASSERT_NE(cut, framed);
  EXPECT_FALSE(w.probe.grooveAllowed());
  EXPECT_TRUE(testsupport::IsClosedOrientedManifold(cut));
  EXPECT_LT(testsupport::SignedVolume(cut), volume - 1.0);
}

// The triangles of `mesh` and of its copy moved by `dx` along x, in one mesh: two closed
// shells through each other.
vtkSmartPointer<vtkPolyData> WithShiftedCopy(vtkPolyData* mesh, double dx)
{
  const vtkSmartPointer<vtkPolyData> moved = testsupport::MovedCopy(mesh, dx, 0.0, 0.0);
  vtkNew<vtkAppendPolyData> both;
  both->AddInputData(mesh);
  both->AddInputData(moved);
  both->Update();
  auto out = vtkSmartPointer<vtkPolyData>::New();
  out->DeepCopy(both->GetOutput());
  return out;
}

TEST_F(MainWindowTest, AGrooveIntoAModelOfOverlappingShellsFailsWithinAMinute)
{
  // The groove's method 1 stops at the crossings; refining two whole overlapping jaw shells
  // (thousands of crossing triangle pairs) and cutting them would block the window for many
  // minutes. Two boxes through each other under the cutter cross in few places: they are
  // refined and tried, and fail as quickly.
  struct Case
  {
    const char* name;
    vtkSmartPointer<vtkPolyData> model;
  };
  const double centre[3] = { 0.0, -15.0, 2.0 };
  const Case cases[] = {
    { "two overlapping jaws", WithShiftedCopy(MakeSyntheticJaw().mesh, 0.5) },
    { "two overlapping boxes", WithShiftedCopy(Box(centre, 3.0), 3.0) },
  };
  for (const Case& c : cases)
  {
    SCOPED_TRACE(c.name);
    TestWindow w;
    w.Load(WriteModel(c.model, Home() + "/" + c.name, "shells.stl"));
    vtkPolyData* before = w.probe.model();
    ASSERT_EQ(before->GetNumberOfCells(), c.model->GetNumberOfCells());

    testsupport::ConsoleCapture console;
    QElapsedTimer clock;
    clock.start();
    QTest::mouseClick(w.probe.ui().addGrooveButton, Qt::LeftButton);
    EXPECT_LT(clock.elapsed(), 60000);
    ExpectGrooveFailed(w.probe, w.driver, before);
  }
}

TEST_F(MainWindowTest, ScreenshotOfTheWindowWithAModel)
{
  const char* docs = std::getenv("CORAVEX_SCREENSHOT");
  if (!docs)
  {
    GTEST_SKIP() << "set CORAVEX_SCREENSHOT to a PNG path to take the screenshot";
  }
  const auto jaw = MakeSyntheticJaw();
  const QString path = WriteJaw(jaw, Home() + "/s", "jaw.stl");
  TestWindow w;
  w.window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&w.window));
  w.Load(path);
  w.LoadGumLine(WriteGumLine(jaw.gumLine, Home() + "/s/jaw.txt"));
  w.probe.ui().editTabWidget->setCurrentIndex(1);
  QTest::mouseClick(w.probe.ui().pushButton_spline, Qt::LeftButton);
  QTest::qWait(200);
  EXPECT_TRUE(w.window.grab().save(QString::fromUtf8(docs)));
}

} // namespace
