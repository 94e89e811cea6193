// The gum line: read from a text file or drawn on the model, shown as a closed polyline, and
// written beside the model when drawn.
#include "app/MainWindow.h"

#include "app/GumLineFile.h"
#include "filereplace/FileReplace.h"
#include "ui_mainwindow.h"
#include "widgets/EditContourSplineRep.h"
#include "widgets/EditContourSplineWidget.h"
#include "widgets/RepresentationActors.h"
#include "widgets/contourWidget.h"

#include <QBuffer>
#include <QByteArray>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QTextStream>

#include <vtkActor.h>
#include <vtkPoints.h>
#include <vtkPolyData.h>
#include <vtkPolyDataMapper.h>
#include <vtkProperty.h>
#include <vtkRenderer.h>

#include <optional>
#include <string_view>
#include <utility>
#include <vector>

void MainWindow::onLoadGumline()
{
  const QString filter = "牙龈线文件 (*.txt *.TXT *.pts *.PTS)";
  const QString folder = lastOpenDir.isEmpty() ? QDir::homePath() : lastOpenDir;
  const QString path = QFileDialog::getOpenFileName(this, "选择牙龈线文件", folder, filter);
  if (path.isEmpty())
  {
    return;
  }
  ReadGumLineFile(path);

  if (gumLinePoints.size() < kMinGumLinePoints)
  {
    SetCutLineControlsEnabled(false);
    QMessageBox::warning(this, "警告", "加载牙龈线存在错误！", QMessageBox::Ok);
    return;
  }
  SetCutLineControlsEnabled(true);
  // The cut line leaves the view; its spline stays for saving, checking and lowering.
  cutLineWidget->SetEnabled(0);
  ResetCameraAndRender();
  setWindowTitle(QString("Coravex - %1").arg(QFileInfo(path).fileName()));
}

void MainWindow::ReadGumLineFile(QString path)
{
  std::optional<std::vector<Point3>> read = ReadGumLinePoints(path);
  if (!read)
  {
    qDebug() << "can not oprn pts file";
    return;
  }

  gumLinePoints = std::move(*read);
  ShowGumLine();
}

bool MainWindow::ShowGumLine()
{
  auto points = vtkSmartPointer<vtkPoints>::New();
  for (const Point3& p : gumLinePoints)
  {
    points->InsertNextPoint(p.x, p.y, p.z);
  }
  const vtkIdType n = points->GetNumberOfPoints();
  if (n < 2)
  {
    return false;
  }
  auto polyline = vtkSmartPointer<vtkPolyData>::New();
  polyline->SetPoints(points);
  polyline->SetLines(ClosedLoopSegments(n));
  auto mapper = vtkSmartPointer<vtkPolyDataMapper>::New();
  mapper->SetInputData(polyline);

  if (gumLineActor)
  {
    renderer->RemoveActor(gumLineActor);
  }
  gumLineActor = vtkSmartPointer<vtkActor>::New();
  gumLineActor->SetMapper(mapper);
  gumLineActor->GetProperty()->SetColor(1.0, 0.0, 1.0);
  gumLineActor->GetProperty()->SetLineWidth(3.0);
  renderer->AddActor(gumLineActor);
  return true;
}

QByteArray MainWindow::GumLineText() const
{
  QByteArray bytes;
  QBuffer buffer(&bytes);
  // Text mode, so that "\n" becomes the platform's line end as in a text file.
  buffer.open(QIODevice::WriteOnly | QIODevice::Text);
  {
    // The stream's default real notation: at most 6 significant digits, %g-like.
    QTextStream out(&buffer);
    for (const Point3& p : gumLinePoints)
    {
      out << p.x << " " << p.y << " " << p.z << "\n";
    }
  }
  return bytes;
}

bool MainWindow::WriteGumLineFile(const QString& path)
{
  const QByteArray bytes = GumLineText();
  QString reason;
  switch (ReplaceFile(
    path, std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())), &reason))
  {
  case ReplaceResult::Replaced:
    return true;
  case ReplaceResult::NotOpened:
    qDebug() << "无法打开文件进行写入:" << reason;
    return false;
  case ReplaceResult::NotWritten:
    break;
  }
  qDebug() << "写入文件时发生错误:" << reason;
  return false;
}

void MainWindow::SaveDrawnGumLine(const QString& path)
{
  // A gum-line file of that name may come from a scanner: it is replaced only when the user
  // agrees, and one that already holds the drawn line is left as it is.
  QFile existing(path);
  if (existing.exists())
  {
    if (existing.open(QIODevice::ReadOnly) && existing.readAll() == GumLineText())
    {
      return;
    }
    existing.close();
    const QString question =
      QString("牙龈线文件%1已存在，是否替换？").arg(QFileInfo(path).fileName());
    if (QMessageBox::question(nullptr, "提示", question, QMessageBox::Yes | QMessageBox::No,
          QMessageBox::NoButton) != QMessageBox::Yes)
    {
      return;
    }
  }
  WriteGumLineFile(path);
}

void MainWindow::slot_checkBox_editCurve(bool bChecked)
{
  ui->checkBox_editCurve->setText(bChecked ? "(关闭)编辑牙龈线功能" : "(打开)编辑牙龈线功能");
  EditGumLine(bChecked);
}

void MainWindow::EditGumLine(bool on)
{
  if (on)
  {
    baseplateActor->SetVisibility(0);
    if (cutLineWidget && cutLineWidget->GetEnabled())
    {
      cutLineWidget->SetEnabled(0);
    }
    gumLineRep->SetTargetActor(modelActor);
    gumLineRep->Reset();
    gumLineWidget->SetEnabled(0);
    gumLineWidget->SetEnabled(1);
    if (gumLineActor)
    {
      renderer->RemoveActor(gumLineActor);
    }
    RenderView();
    ui->statusbar->showMessage("逆时针(点击)画出一圈牙龈线。");
    return;
  }

  std::vector<Point3> drawn;
  if (gumLineRep->GetSplinePoints(drawn))
  {
    gumLinePoints = drawn;

    // Written beside the model as its base name plus ".txt"; without a model folder there is
    // nowhere sensible to write, and the gum line stays in memory only.
    if (!lastOpenDir.isEmpty() && !modelFileName.isEmpty())
    {
      SaveDrawnGumLine(lastOpenDir + "/" + ModelBaseName() + ".txt");
    }
    ui->statusbar->clearMessage();
    QMessageBox::warning(nullptr, "提示", "编辑牙龈线完成!           ", QMessageBox::Ok);
    if (gumLinePoints.size() >= kMinGumLinePoints)
    {
      SetCutLineControlsEnabled(true);
    }
  }
  gumLineWidget->SetEnabled(0);
  UpdateGumLineActor();
  baseplateActor->SetVisibility(1);
}

void MainWindow::UpdateGumLineActor()
{
  if (ShowGumLine())
  {
    ResetCameraAndRender();
  }
}
