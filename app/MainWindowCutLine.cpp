// The cut-line actions: generation from the gum line, lowering, saving the tool path and the
// collision check of the cutter along the cut line.
#include "app/MainWindow.h"

#include "cutline/CutLineGenerator.h"
#include "cutline/CutLineRules.h"
#include "cutline/CutterCollision.h"
#include "cutline/ToolPath.h"
#include "ui_mainwindow.h"
#include "widgets/EditContourSplineWidget.h"
#include "widgets/contourRepresentation.h"
#include "widgets/contourWidget.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QMessageBox>

#include <vtkActor.h>
#include <vtkParametricSpline.h>
#include <vtkPoints.h>
#include <vtkPolyData.h>
#include <vtkPolyDataMapper.h>
#include <vtkProperty.h>
#include <vtkRenderer.h>

#include <string>

void MainWindow::slot_pushButton_spline()
{
  const double buccal = ui->doubleSpinBox_Buccal->value();
  const double lingual = ui->doubleSpinBox_Ligual->value();
  GenerateCutLine(lingual, buccal, 0.0);
  ResetCameraAndRender();
}

void MainWindow::GenerateCutLine(double lingualKeep, double buccalKeep, double buccalDrop)
{
  if (gumLinePoints.empty() || !cutLineGenerator)
  {
    return;
  }
  if (gumLineWidget && gumLineWidget->GetEnabled())
  {
    gumLineWidget->SetEnabled(0);
  }

  auto gumLine = vtkSmartPointer<vtkPoints>::New();
  for (const Point3& p : gumLinePoints)
  {
    gumLine->InsertNextPoint(p.x, p.y, p.z);
  }
  gumLine->Modified();

  UpdateGeneratorModel();
  cutLineGenerator->SetRenderer(renderer);
  vtkSmartPointer<vtkPoints> cut =
    cutLineGenerator->GenerateCutLine(gumLine, lingualKeep, buccalKeep, buccalDrop);
  cutLineRep->Generator = cutLineGenerator.get();
  RemoveCollisionOutlines();
  ShowCutLine(cut);
}

void MainWindow::UpdateGeneratorModel()
{
  if (generatorModelCurrent)
  {
    return;
  }
  cutLineGenerator->SetModel(ModelCopy());
  generatorModelCurrent = true;
}

void MainWindow::RemoveCollisionOutlines()
{
  if (collisionActor)
  {
    renderer->RemoveActor(collisionActor);
    collisionActor = nullptr;
  }
}

void MainWindow::ShowCutLine(vtkSmartPointer<vtkPoints> points)
{
  cutLineWidget->SetEnabled(0);
  cutLineRep->SetModelActor(modelActor);
  cutLineRep->SetPoints(points);
  cutLineRep->Rebuild();
  cutLineWidget->SetEnabled(1);
}

void MainWindow::DiscardCutLine()
{
  // The generator lets go of the old model and its tree; the representation keeps no points,
  // so it draws nothing and hands out a spline that gives no samples to save or check.
  cutLineGenerator->SetModel(nullptr);
  generatorModelCurrent = false;
  RemoveCollisionOutlines();
  cutLineWidget->SetEnabled(0);
  cutLineRep->SetModelActor(modelActor);
  cutLineRep->SetPoints(vtkSmartPointer<vtkPoints>::New());
  cutLineRep->Rebuild();
}

void MainWindow::slot_pushButton_moveDown()
{
  const double delta = ui->doubleSpinBox_move_value->value();
  if (cutLineGenerator)
  {
    vtkSmartPointer<vtkParametricSpline> spline = cutLineRep->GetSpline();
    if (spline)
    {
      // A line of no points has nothing to lay on the model.
      vtkPoints* control = spline->GetPoints();
      if (control && control->GetNumberOfPoints() > 0)
      {
        UpdateGeneratorModel();
      }
      vtkSmartPointer<vtkPoints> lowered = cutLineGenerator->MoveDown(spline, delta);
      RemoveCollisionOutlines();
      ShowCutLine(lowered);
    }
  }
  ResetCameraAndRender();
}

vtkSmartPointer<vtkPoints> MainWindow::CutLineSamples() const
{
  vtkSmartPointer<vtkParametricSpline> spline = cutLineRep ? cutLineRep->GetSpline() : nullptr;
  if (!spline)
  {
    return vtkSmartPointer<vtkPoints>::New();
  }
  return CutLineGenerator::ResampleClosedSpline(spline, CutLineRules::kSampleSpacing);
}

void MainWindow::onSaveGbin()
{
  if (!cutLineGenerator)
  {
    return;
  }
  if (CutLineSamples()->GetNumberOfPoints() == 0)
  {
    QMessageBox::warning(this, "警告", "没有切割线可以保存!", QMessageBox::Ok);
    return;
  }

  const QString folder = !lastSaveDir.isEmpty() ? lastSaveDir
    : !lastOpenDir.isEmpty()                    ? lastOpenDir
                                                : QDir::homePath();
  QString proposal = folder;
  if (!modelFileName.isEmpty())
  {
    proposal += "/" + ModelBaseName() + ".gbin";
  }
  const QString path =
    QFileDialog::getSaveFileName(this, tr("保存切割线数据"), proposal, tr("GBIN文件 (*.gbin)"));
  if (path.isEmpty())
  {
    return;
  }
  cutTwoLoops = ui->checkBox->isChecked();

  if (SaveCutLineFile(path))
  {
    QMessageBox::information(this, "提示", "切割线保存成功！", QMessageBox::Ok);
  }
  else
  {
    QMessageBox::warning(this, "警告", "切割线保存失败", QMessageBox::Ok);
  }
}

bool MainWindow::SaveCutLineFile(QString path)
{
  if (!cutLineGenerator)
  {
    return false;
  }
  std::vector<PoseDir> poses = CutLineRules::PosesAlong(CutLineSamples());
  // Fewer than one direction window of samples gives no poses: there is nothing to cut.
  if (poses.empty())
  {
    return false;
  }
  const std::string nativePath = path.toLocal8Bit().toStdString();
  // The poses are fitted to the model as it stands. A path that is not on it (no model where
  // the line runs, the line far off it, or the model moved away from the line) would cut the
  // air or into the base: nothing is written.
  UpdateGeneratorModel();
  if (!cutLineGenerator->AdjustPosesToModel(poses))
  {
    return false;
  }
  return ToolPath::Export(poses, nativePath, cutTwoLoops);
}

void MainWindow::slot_pushButton_CollisionCheck()
{
  setEnabled(false);
  QApplication::setOverrideCursor(Qt::WaitCursor);
  const std::optional<bool> collided = DetectCollision();
  QApplication::restoreOverrideCursor();
  if (!collided)
  {
    // Nothing was checked: saying "no collision" would be a false all-clear.
    QMessageBox::warning(nullptr, tr("警告"), tr("没有切割线可以检测!"), QMessageBox::Ok);
  }
  else if (*collided)
  {
    QMessageBox::warning(nullptr, tr("警告"), tr("检测到碰撞!          "), QMessageBox::Ok);
  }
  else
  {
    QMessageBox::warning(nullptr, tr("提示"), tr("没有碰撞!          "), QMessageBox::Ok);
  }
  setEnabled(true);
}

std::optional<bool> MainWindow::DetectCollision()
{
  vtkPolyData* mesh = ModelMesh();
  if (!cutLineGenerator || !mesh || mesh->GetNumberOfPoints() == 0)
  {
    return std::nullopt;
  }
  // Fewer samples than one direction window give no poses, and then there is nothing to check;
  // the view keeps the outlines of the last check.
  const std::vector<PoseDir> poses = CutLineRules::PosesAlong(CutLineSamples());
  if (poses.empty())
  {
    return std::nullopt;
  }
  // The check keeps a copy of its own while the model stays the same.
  return ComputeCollision(mesh, poses);
}

bool MainWindow::ComputeCollision(
  vtkSmartPointer<vtkPolyData> model, const std::vector<PoseDir>& poses)
{
  if (collisionActor)
  {
    renderer->RemoveActor(collisionActor);
  }
  if (!model || model->GetNumberOfPoints() == 0)
  {
    return false;
  }

  // The geometry is the check's own; the window shows the outlines it found, in red.
  const CutterCollision::Result found = collisionCheck->Find(model, poses);
  auto mapper = vtkSmartPointer<vtkPolyDataMapper>::New();
  mapper->SetInputData(found.outlines);
  collisionActor = vtkSmartPointer<vtkActor>::New();
  collisionActor->SetMapper(mapper);
  collisionActor->GetProperty()->SetColor(1.0, 0.0, 0.0);
  renderer->AddActor(collisionActor);
  RenderView();
  return !found.collidingPoses.empty();
}
