// The two fixed bodies beside the executable and the T-slot groove action.
#include "app/MainWindow.h"

#include "geometry/MeshBooleanTool.h"

#include <QApplication>
#include <QCoreApplication>
#include <QFile>
#include <QMessageBox>

#include <vtkActor.h>
#include <vtkMapper.h>
#include <vtkPolyData.h>
#include <vtkSTLReader.h>

void MainWindow::LoadCrossModel(bool visible)
{
  // The cutter body is also the groove tool: its mesh is kept for the cut.
  LoadFixedBody(crossActor, "cross_2.2.stl", grooveToolData, visible);
}

void MainWindow::LoadBaseplateModel(bool visible)
{
  LoadFixedBody(baseplateActor, "baseplate1.stl", nullptr, visible);
}

void MainWindow::LoadFixedBody(
  vtkActor* actor, const char* fileName, vtkPolyData* meshCopy, bool visible)
{
  if (!actor)
  {
    return;
  }
  const QString path = QCoreApplication::applicationDirPath() + "/" + fileName;
  if (!QFile::exists(path))
  {
    return;
  }
  const QByteArray utf8 = path.toUtf8();
  auto reader = vtkSmartPointer<vtkSTLReader>::New();
  reader->SetFileName(utf8.constData());
  reader->Update();
  if (meshCopy)
  {
    meshCopy->DeepCopy(reader->GetOutput());
  }
  actor->GetMapper()->SetInputDataObject(reader->GetOutput());
  actor->SetVisibility(visible);
  ResetCameraAndRender();
}

void MainWindow::onAddGrooveButton()
{
  if (!modelActor || !crossActor || !grooveAllowed)
  {
    return;
  }
  setEnabled(false);
  QApplication::setOverrideCursor(Qt::WaitCursor);

  // The methods change the copy they are given.
  vtkSmartPointer<vtkPolyData> jaw = ModelCopy();
  auto out = vtkSmartPointer<vtkPolyData>::New();
  MeshBooleanTool tool;
  // A difference that takes nothing from the model is no groove, and the groove stays allowed
  // (a model not yet in the working frame does not reach the cutter). A cutter apart from the
  // model is told before the exact difference; one within the model's bounds that touches
  // nothing took something only when the result holds its surface (a hollow inside).
  using Placement = MeshBooleanTool::CutterPlacement;
  const Placement placement = tool.PlaceCutter(jaw, grooveToolData);
  // A result of fewer than 10 cells is no real model: the other method is tried.
  const auto isGroove = [&](bool cut) {
    return cut && out->GetNumberOfCells() >= 10 &&
      (placement != Placement::Within || tool.HoldsPointOf(out, grooveToolData));
  };
  const bool accepted = placement != Placement::Apart &&
    (isGroove(tool.CutGrooveMethod1(jaw, grooveToolData, out)) ||
      isGroove(tool.CutGrooveMethod2(jaw, grooveToolData, out)));

  if (!accepted)
  {
    QMessageBox::warning(this, tr("错误"), tr("开槽失败"), QMessageBox::Ok);
  }
  else
  {
    SetModelMesh(out);
    grooveAllowed = false;
    RenderView();
  }

  QApplication::restoreOverrideCursor();
  setEnabled(true);
}
