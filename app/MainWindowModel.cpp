// Loading the jaw model from STL and saving it back.
#include "app/MainWindow.h"

#include "app/Settings.h"
#include "ui_mainwindow.h"
#include "widgets/EditContourSplineWidget.h"
#include "widgets/VectorWidget.h"
#include "widgets/contourWidget.h"

#include <QDebug>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

#include <vtkActor.h>
#include <vtkErrorCode.h>
#include <vtkPolyData.h>
#include <vtkPolyDataMapper.h>
#include <vtkProperty.h>
#include <vtkRenderWindow.h>
#include <vtkRenderer.h>
#include <vtkSTLReader.h>
#include <vtkSTLWriter.h>

void MainWindow::onLoadModel()
{
  loadGcodeFileDirPath(lastOpenDir);
  const QString startFolder = lastOpenDir.isEmpty() ? QDir::homePath() : lastOpenDir;
  const QString path = QFileDialog::getOpenFileName(
    this, "选择STL模型文件", startFolder, tr("STL模型文件 (*.stl *.STL)"));
  if (path.isEmpty())
  {
    return;
  }

  // The folder is remembered before the read, so a failed load still offers it next time.
  lastOpenDir = QFileInfo(path).absolutePath();
  saveGcodeFileDirPath(lastOpenDir);

  if (LoadStlFile(path))
  {
    OnModelLoaded();
  }
  modelFileName = QFileInfo(path).fileName();
  setWindowTitle(QString("Coravex - %1").arg(modelFileName));
}

bool MainWindow::LoadStlFile(QString path)
{
  const QFileInfo info(path);
  if (!info.exists())
  {
    qWarning().noquote() << QString("STL文件不存在：%1").arg(path);
    return false;
  }
  if (!info.isFile())
  {
    qWarning().noquote() << QString("路径不是有效文件：%1").arg(path);
    return false;
  }

  const QByteArray utf8 = path.toUtf8();
  auto reader = vtkSmartPointer<vtkSTLReader>::New();
  reader->SetFileName(utf8.constData());
  reader->Update();
  qDebug().noquote().nospace() << "加载STL路径（UTF-8）：" << utf8;

  vtkPolyData* mesh = reader->GetOutput();
  if (!mesh || mesh->GetNumberOfCells() == 0)
  {
    QMessageBox::critical(this, "错误", QString("STL文件读取失败：%1").arg(path), QMessageBox::Ok);
    return false;
  }

  auto mapper = vtkSmartPointer<vtkPolyDataMapper>::New();
  mapper->SetInputData(mesh);
  if (modelActor)
  {
    renderer->RemoveActor(modelActor);
  }
  modelActor = vtkSmartPointer<vtkActor>::New();
  modelActor->SetMapper(mapper);
  modelActor->GetProperty()->SetColor(0.96, 0.93, 0.88);
  renderer->AddActor(modelActor);

  if (twoPointWidget)
  {
    twoPointWidget->SetArchActor(modelActor);
  }
  if (renderWindow)
  {
    ResetCameraAndRender();
  }
  return true;
}

void MainWindow::OnModelLoaded()
{
  crossActor->SetVisibility(true);
  baseplateActor->SetVisibility(true);

  SetModelControlsEnabled(true);
  SetCutLineControlsEnabled(false);
  grooveAllowed = true;

  gumLinePoints.clear();
  if (vtkMapper* mapper = gumLineActor->GetMapper())
  {
    mapper->SetInputDataObject(vtkSmartPointer<vtkPolyData>::New());
    mapper->Update();
  }

  DiscardCutLine();

  if (cutLineWidget)
  {
    cutLineWidget->SetEnabled(0);
  }
  if (gumLineWidget)
  {
    gumLineWidget->SetEnabled(0);
  }

  if (renderWindow)
  {
    ResetCameraAndRender();
  }
}

void MainWindow::onSaveModel()
{
  vtkPolyData* mesh = ModelMesh();
  if (!mesh || mesh->GetNumberOfCells() == 0)
  {
    QMessageBox::warning(this, "错误", "没有模型可以保存", QMessageBox::Ok);
    return;
  }

  QString proposal = !lastSaveDir.isEmpty() ? lastSaveDir
    : !lastOpenDir.isEmpty()                ? lastOpenDir
                                            : QDir::homePath();
  if (!proposal.isEmpty())
  {
    proposal += "/" + modelFileName;
  }
  const QString path =
    QFileDialog::getSaveFileName(this, tr("保存模型"), proposal, tr("STL文件 (*.stl)"));
  if (path.isEmpty())
  {
    return;
  }

  auto copy = vtkSmartPointer<vtkPolyData>::New();
  copy->DeepCopy(mesh);
  if (!path.endsWith(".stl", Qt::CaseInsensitive))
  {
    QMessageBox::warning(this, "错误", "保存失败", QMessageBox::Ok);
    return;
  }

  // The chosen folder is proposed at the next save, whatever this write gives.
  lastSaveDir = QFileInfo(path).absolutePath();
  const QByteArray utf8 = path.toUtf8();
  auto writer = vtkSmartPointer<vtkSTLWriter>::New();
  writer->SetFileName(utf8.constData());
  writer->SetInputData(copy);
  // Success is claimed only when the writer really wrote the file.
  const bool written = writer->Write() == 1 && writer->GetErrorCode() == vtkErrorCode::NoError;
  if (!written)
  {
    QMessageBox::warning(this, "错误", "保存失败", QMessageBox::Ok);
    return;
  }
  QMessageBox::information(this, "成功", "模型保存成功！", QMessageBox::Ok);
}
