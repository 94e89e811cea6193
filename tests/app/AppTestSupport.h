// Support for main-window tests: access to the window's state, a driver that answers file
// dialogs and message boxes the way a user would, a temporary home folder, and jaw files.
#pragma once

#include "app/MainWindow.h"
#include "cutline/CutLineGenerator.h"
#include "tests/app/MainWindowDriver.h"
#include "tests/support/ModalCloser.h"
#include "tests/support/SyntheticJaw.h"
#include "ui_mainwindow.h"
#include "widgets/EditContourSplineWidget.h"
#include "widgets/VectorWidget.h"
#include "widgets/contourRepresentation.h"
#include "widgets/contourWidget.h"

#include <QAbstractButton>
#include <QVTKOpenGLNativeWidget.h>
#include <QApplication>
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTimer>

#include <vtkActor.h>
#include <vtkCellArray.h>
#include <vtkMapper.h>
#include <vtkMath.h>
#include <vtkNew.h>
#include <vtkPoints.h>
#include <vtkPolyData.h>
#include <vtkRenderer.h>

#include <gtest/gtest.h>

#include <cmath>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

// A fresh home folder (with its Velmora folder) for the settings files, for each test.
class MainWindowTest : public testing::Test
{
protected:
  void SetUp() override
  {
    QApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
    ASSERT_TRUE(home_.isValid());
    oldHome_ = qgetenv("HOME");
    qputenv("HOME", home_.path().toUtf8());
    QDir(home_.path()).mkdir("Velmora");
  }
  void TearDown() override { qputenv("HOME", oldHome_); }

  QString Home() const { return home_.path(); }

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

  QTemporaryDir home_;
  QByteArray oldHome_;
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

// A groove that failed: the one "开槽失败" box, the model as it was, the groove still allowed,
// and the window usable again.
inline void ExpectGrooveFailed(MainWindowProbe& probe, const DialogDriver& driver,
  const vtkPolyData* before)
{
  ASSERT_EQ(driver.boxes().size(), 1u);
  ExpectBox(driver.boxes()[0], "错误", "开槽失败", QMessageBox::Warning, &probe.w);
  EXPECT_EQ(probe.model(), before);
  EXPECT_TRUE(probe.grooveAllowed());
  EXPECT_TRUE(probe.w.isEnabled());
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

// A closed, outward-facing bipyramid: `sides` points on a circle of radius 1 about `centre`
// and two apexes 1 above and below it, so 2 * `sides` triangles.
inline vtkSmartPointer<vtkPolyData> Bipyramid(int sides, const double centre[3])
{
  auto points = vtkSmartPointer<vtkPoints>::New();
  for (int i = 0; i < sides; ++i)
  {
    const double angle = 2.0 * vtkMath::Pi() * i / sides;
    points->InsertNextPoint(centre[0] + std::cos(angle), centre[1] + std::sin(angle), centre[2]);
  }
  const vtkIdType top = points->InsertNextPoint(centre[0], centre[1], centre[2] + 1.0);
  const vtkIdType bottom = points->InsertNextPoint(centre[0], centre[1], centre[2] - 1.0);
  auto triangles = vtkSmartPointer<vtkCellArray>::New();
  for (vtkIdType i = 0; i < sides; ++i)
  {
    const vtkIdType next = (i + 1) % sides;
    const vtkIdType upper[3] = { i, next, top };
    const vtkIdType lower[3] = { next, i, bottom };
    triangles->InsertNextCell(3, upper);
    triangles->InsertNextCell(3, lower);
  }
  auto mesh = vtkSmartPointer<vtkPolyData>::New();
  mesh->SetPoints(points);
  mesh->SetPolys(triangles);
  return mesh;
}

// An axis-aligned box as a closed triangle mesh.
inline vtkSmartPointer<vtkPolyData> Box(const double centre[3], double half)
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

// Bounds of a polydata.
inline std::vector<double> Bounds(vtkPolyData* mesh)
{
  double b[6];
  mesh->GetBounds(b);
  return { b[0], b[1], b[2], b[3], b[4], b[5] };
}
