// Bringing the model into the working frame (automatic or from two points) and the manual
// moves. Every change replaces the model mesh by a transformed copy.
#include "app/MainWindow.h"

#include "geometry/CoordinateAligner.h"
#include "ui_mainwindow.h"
#include "widgets/VectorWidget.h"

#include <QApplication>
#include <QMessageBox>

#include <vtkActor.h>
#include <vtkMapper.h>
#include <vtkPolyData.h>
#include <vtkTransform.h>
#include <vtkTransformPolyDataFilter.h>

namespace
{

// A new polydata: `mesh` moved by `transform`, with no tie to the filter that moved it. The
// filter only reads `mesh`.
vtkSmartPointer<vtkPolyData> TransformedCopy(vtkPolyData* mesh, vtkAbstractTransform* transform)
{
  auto filter = vtkSmartPointer<vtkTransformPolyDataFilter>::New();
  filter->SetInputData(mesh);
  filter->SetTransform(transform);
  filter->Update();
  auto copy = vtkSmartPointer<vtkPolyData>::New();
  copy->DeepCopy(filter->GetOutput());
  return copy;
}

} // namespace

void MainWindow::ApplyFrameTransform(vtkTransform* transform)
{
  SetModelMesh(TransformedCopy(ModelMesh(), transform));

  // The gum line follows only a real, displayed gum line, and only when asked to.
  vtkMapper* gumMapper = gumLineActor ? gumLineActor->GetMapper() : nullptr;
  vtkPolyData* gumLine =
    gumMapper ? vtkPolyData::SafeDownCast(gumMapper->GetInputDataObject(0, 0)) : nullptr;
  if (ui->checkBox_tansGunline->isChecked() && gumLinePoints.size() >= kMinGumLinePoints &&
    gumLine && gumLine->GetNumberOfPoints() > 0)
  {
    for (Point3& p : gumLinePoints)
    {
      double q[3] = { p.x, p.y, p.z };
      transform->TransformPoint(q, q);
      p = Point3{ q[0], q[1], q[2] };
    }
    gumMapper->SetInputDataObject(TransformedCopy(gumLine, transform));
  }
}

void MainWindow::slot_pushButton_autoAdjust()
{
  setEnabled(false);
  QApplication::setOverrideCursor(Qt::WaitCursor);
  AutoAdjustCoordinate();
  QApplication::restoreOverrideCursor();
  setEnabled(true);
}

void MainWindow::AutoAdjustCoordinate()
{
  vtkSmartPointer<vtkPolyData> copy = ModelCopy();
  if (!copy)
  {
    return;
  }
  CoordinateAligner aligner(copy);
  bool ok = false;
  vtkSmartPointer<vtkTransform> transform = aligner.ComputeTransform(&ok);
  if (!ok)
  {
    QMessageBox::information(
      nullptr, tr("提示"), tr("自动调整坐标系失败，请使用手动调整。"), QMessageBox::Ok);
    return;
  }
  ApplyFrameTransform(transform);
  ResetCameraAndRender();
}

void MainWindow::slot_checkBox_AdjustCoordinate(bool bChecked)
{
  ui->checkBox_AdjustCoordinate->setText(bChecked ? "(关闭)手动调整" : "(打开)手动调整");
  vtkPolyData* mesh = ModelMesh();
  if (mesh && mesh->GetNumberOfPoints() > 0)
  {
    AdjustCoordinateByTwoPoints(bChecked);
  }
}

void MainWindow::AdjustCoordinateByTwoPoints(bool on)
{
  if (on)
  {
    baseplateActor->SetVisibility(false);
    twoPointWidget->SetEnabled(1);
    ui->statusbar->showMessage("请在牙颌模型的底面选择两个点，要求左右对称（磨牙附近为佳）。");
    return;
  }

  double second[3];
  if (!twoPointWidget->GetPoint2(second))
  {
    baseplateActor->SetVisibility(true);
    twoPointWidget->SetEnabled(0);
    ui->statusbar->clearMessage();
    return;
  }

  vtkSmartPointer<vtkTransform> transform = twoPointWidget->ComputeAlignTransform();
  grooveAllowed = true;
  if (transform)
  {
    ApplyFrameTransform(transform);
  }
  ResetCameraAndRender();
  baseplateActor->SetVisibility(true);
  twoPointWidget->SetEnabled(0);
  ui->statusbar->clearMessage();
}

void MainWindow::ApplyTransform(vtkSmartPointer<vtkTransform> transform)
{
  vtkPolyData* mesh = ModelMesh();
  if (!mesh || mesh->GetNumberOfPoints() == 0)
  {
    return;
  }
  // Manual moves never carry the gum line along, and build no tree: whatever needs the model
  // next takes it as it then stands.
  SetModelMesh(TransformedCopy(mesh, transform));
  ResetCameraAndRender();
}

namespace
{

vtkSmartPointer<vtkTransform> Rotation(double degrees)
{
  auto transform = vtkSmartPointer<vtkTransform>::New();
  transform->RotateZ(degrees);
  transform->Update();
  return transform;
}

vtkSmartPointer<vtkTransform> Shift(double x, double y)
{
  auto transform = vtkSmartPointer<vtkTransform>::New();
  transform->Translate(x, y, 0.0);
  transform->Update();
  return transform;
}

} // namespace

void MainWindow::onPushButton_RotateZPlus()
{
  ApplyTransform(Rotation(1.0));
}

void MainWindow::onPushButton_RotateZMin()
{
  ApplyTransform(Rotation(-1.0));
}

// The X row's "+" moves the model toward -x and its "-" toward +x.
void MainWindow::onPushButton_Left()
{
  ApplyTransform(Shift(-1.0, 0.0));
}

void MainWindow::onPushButton_right()
{
  ApplyTransform(Shift(1.0, 0.0));
}

void MainWindow::onPushButton_up()
{
  ApplyTransform(Shift(0.0, 1.0));
}

void MainWindow::onPushButton_down()
{
  ApplyTransform(Shift(0.0, -1.0));
}
