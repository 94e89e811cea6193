// The main-window tests' common ground: a window with its probe and dialog driver, driven through
// its buttons and dialogs, a fresh home folder per test, and the check of a message box.
#pragma once

#include "tests/support/MainWindowDriver.h"
#include "tests/support/SyntheticJaw.h"
#include "tests/support/TempFolder.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QTest>

#include <vtkParametricSpline.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

// A main window with its probe and a driver for its dialogs.
struct TestWindow
{
  TestWindow()
    : probe(window)
  {
  }
  // Opens the model through the load button's file dialog.
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
  void Click(QAbstractButton* button, int times = 1)
  {
    for (int i = 0; i < times; ++i)
    {
      QTest::mouseClick(button, Qt::LeftButton);
    }
  }
  // Clicks can reach the view only once the window is on screen.
  void Show()
  {
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  }
  // The control points of the cut line shown.
  std::vector<Point3> CutLinePoints()
  {
    std::vector<Point3> out;
    vtkParametricSpline* spline = probe.cutLineRep().GetSpline();
    vtkPoints* points = spline ? spline->GetPoints() : nullptr;
    for (vtkIdType i = 0; points && i < points->GetNumberOfPoints(); ++i)
    {
      double p[3];
      points->GetPoint(i, p);
      out.push_back(Point3{ p[0], p[1], p[2] });
    }
    return out;
  }

  MainWindow window;
  MainWindowProbe probe;
  DialogDriver driver;
};

// A fresh home folder (with its Velmora folder) for the settings files, for each test.
class MainWindowTest : public testing::Test
{
protected:
  void SetUp() override
  {
    QApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
    ASSERT_TRUE(home_.IsValid());
    std::filesystem::create_directory(home_.File("Velmora"));
  }

  QString Home() const { return QString::fromStdString(home_.Path()); }

  // Writes the jaw as a binary STL file in `folder` (made when missing).
  static QString WriteJaw(const testsupport::SyntheticJaw& jaw, const QString& folder,
    const QString& name)
  {
    return WriteModel(jaw.mesh, folder, name);
  }
  static QString WriteModel(vtkPolyData* mesh, const QString& folder, const QString& name)
  {
    QDir().mkpath(folder);
    const QString path = folder + "/" + name;
    testsupport::WriteStl(mesh, path.toStdString());
    return path;
  }

  // Writes a gum line as a text file, one point per line.
  static QString WriteGumLine(const std::vector<Point3>& line, const QString& path)
  {
    testsupport::WriteGumLineText(line, path.toStdString());
    return path;
  }

  testsupport::TempHome home_;
};

// Checks a recorded message box: title, text, kind, parent (null: none) and the single Ok button.
inline void ExpectBox(const ShownBox& box, const QString& title, const QString& text,
  QMessageBox::Icon icon, const QWidget* parent)
{
  EXPECT_EQ(box.title, title);
  EXPECT_EQ(box.text, text);
  EXPECT_EQ(box.icon, icon);
  EXPECT_EQ(box.parent, parent);
  EXPECT_EQ(box.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
}
