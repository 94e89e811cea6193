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
#include <vtkRenderWindow.h>
#include <vtkRenderWindowInteractor.h>
#include <vtkRenderer.h>
#include <vtkSTLReader.h>

namespace
{

// Reads an STL file from the executable's folder; null when there is no such file.
vtkSmartPointer<vtkSTLReader> ReadBesideExecutable(const char* name)
{
  const QString path = QCoreApplication::applicationDirPath() + "/" + name;
  if (!QFile::exists(path))
  {
    return nullptr;
  }
  const QByteArray utf8 = path.toUtf8();
  auto reader = vtkSmartPointer<vtkSTLReader>::New();
  reader->SetFileName(utf8.constData());
  reader->Update();
  return reader;
}

} // namespace

void MainWindow::LoadCrossModel(bool visible)
{
  if (!crossActor)
  {
    return;
  }
  vtkSmartPointer<vtkSTLReader> reader = ReadBesideExecutable("cross_2.2.stl");
  if (!reader)
  {
    return;
  }
  if (grooveToolData)
  {
    grooveToolData->DeepCopy(reader->GetOutput());
  }
  crossActor->GetMapper()->SetInputDataObject(reader->GetOutput());
  crossActor->SetVisibility(visible);
  renderer->ResetCamera();
  renderer->ResetCameraClippingRange();
  renderWindow->Render();
  renderWindow->GetInteractor()->Render();
}

void MainWindow::LoadBaseplateModel(bool visible)
{
  if (!baseplateActor)
  {
    return;
  }
  vtkSmartPointer<vtkSTLReader> reader = ReadBesideExecutable("baseplate1.stl");
  if (!reader)
  {
    return;
  }
  baseplateActor->GetMapper()->SetInputDataObject(reader->GetOutput());
  baseplateActor->SetVisibility(visible);
  renderer->ResetCamera();
  renderer->ResetCameraClippingRange();
  renderWindow->Render();
  renderWindow->GetInteractor()->Render();
}

void MainWindow::onAddGrooveButton()
{
  if (!modelActor || !crossActor || !grooveAllowed)
  {
    return;
  }
  setEnabled(false);
  QApplication::setOverrideCursor(Qt::WaitCursor);

  auto jaw = vtkSmartPointer<vtkPolyData>::New();
  jaw->DeepCopy(ModelMesh());
  auto out = vtkSmartPointer<vtkPolyData>::New();
  MeshBooleanTool tool;
  // A result of fewer than 10 cells is no real model: try the other method.
  bool accepted = tool.CutGrooveMethod1(jaw, grooveToolData, out) && out->GetNumberOfCells() >= 10;
  if (!accepted)
  {
    accepted = tool.CutGrooveMethod2(jaw, grooveToolData, out) && out->GetNumberOfCells() >= 10;
  }

  if (!accepted)
  {
    QMessageBox::warning(this, tr("错误"), tr("开槽失败"), QMessageBox::Ok);
  }
  else
  {
    modelActor->GetMapper()->SetInputDataObject(out);
    grooveAllowed = false;
    RenderView();
  }

  QApplication::restoreOverrideCursor();
  setEnabled(true);
}
