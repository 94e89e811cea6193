// Loading the jaw model from STL and saving it back.
#include "app/MainWindow.h"

#include "filereplace/FileReplace.h"
#include "settings/Settings.h"
#include "ui_mainwindow.h"
#include "widgets/EditContourSplineWidget.h"
#include "widgets/VectorWidget.h"
#include "widgets/contourWidget.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QTemporaryFile>

#include <vtkActor.h>
#include <vtkErrorCode.h>
#include <vtkPoints.h>
#include <vtkPolyData.h>
#include <vtkPolyDataMapper.h>
#include <vtkProperty.h>
#include <vtkRenderWindow.h>
#include <vtkRenderer.h>
#include <vtkSTLReader.h>
#include <vtkSTLWriter.h>
#include <vtksys/SystemTools.hxx>

#include <cmath>
#include <string_view>

namespace
{

// Largest coordinate magnitude, in millimetres, of a model the program works on. A dental model
// spans some centimetres; anything beyond this bound is a damaged file, and the frame search
// and the cut-line sampling would step over its whole size.
constexpr double kMaxModelCoordinate = 10000.0;

// Whether the STL file (UTF-8 name) holds every triangle that its header counts, when the
// reader will take it for binary; a text file is left to the reader's own parsing. The reader
// decides the format the same way, reads until the end of the file and allocates for the
// larger of the header's count and the triangles the file can hold, so a file that passes
// allocates no more than its own size allows. Bytes after the last counted triangle are no
// fault.
bool HoldsItsTriangleCount(const QByteArray& utf8)
{
  if (vtksys::SystemTools::DetectFileType(utf8.constData()) ==
    vtksys::SystemTools::FileTypeText)
  {
    return true;
  }
  QFile file(QString::fromUtf8(utf8));
  if (!file.open(QIODevice::ReadOnly) || !file.seek(80))
  {
    return false;
  }
  unsigned char count[4];
  if (file.read(reinterpret_cast<char*>(count), 4) != 4)
  {
    return false;
  }
  // Little-endian, as the format stores it.
  const quint64 triangles = quint64(count[0]) | quint64(count[1]) << 8 |
    quint64(count[2]) << 16 | quint64(count[3]) << 24;
  return quint64(file.size()) >= 84 + 50 * triangles;
}

// Whether every point of the mesh is finite and within kMaxModelCoordinate of the origin.
bool HasModelCoordinates(vtkPolyData* mesh)
{
  vtkPoints* points = mesh->GetPoints();
  const vtkIdType n = points ? points->GetNumberOfPoints() : 0;
  for (vtkIdType i = 0; i < n; ++i)
  {
    double p[3];
    points->GetPoint(i, p);
    for (double c : p)
    {
      // Also false for NaN.
      if (!(std::fabs(c) <= kMaxModelCoordinate))
      {
        return false;
      }
    }
  }
  return true;
}

// Writes `mesh` to `path` as the ASCII STL file that vtkSTLWriter makes, replacing an existing
// file only once the whole new one is on disk. The writer writes only to a named file, and a
// file it cannot finish it deletes, which would lose the model saved there before; so it writes
// a scratch file beside the target, whose bytes then replace the target through the checked
// replace.
bool WriteModelFile(vtkPolyData* mesh, const QString& path)
{
  const QFileInfo target(path);
  QTemporaryFile scratch(target.absolutePath() + "/." + target.fileName() + ".XXXXXX");
  if (!scratch.open())
  {
    return false;
  }
  // The writer opens the file by its name.
  scratch.close();
  const QByteArray utf8 = scratch.fileName().toUtf8();
  auto writer = vtkSmartPointer<vtkSTLWriter>::New();
  writer->SetFileName(utf8.constData());
  writer->SetInputData(mesh);
  if (writer->Write() != 1 || writer->GetErrorCode() != vtkErrorCode::NoError ||
    !scratch.open())
  {
    return false;
  }
  const QByteArray bytes = scratch.readAll();
  if (scratch.error() != QFileDevice::NoError)
  {
    return false;
  }
  // Gone before the replace, so that the target's disk holds only one new copy at a time.
  scratch.remove();
  const std::string_view contents(bytes.constData(), static_cast<size_t>(bytes.size()));
  return ReplaceFile(path, contents) == ReplaceResult::Replaced;
}

} // namespace

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

  // A file that gives no model changes nothing: the name, the title and the folders still
  // belong to the model on screen, and the next save must not propose the failed file.
  if (!LoadStlFile(path))
  {
    return;
  }
  lastOpenDir = QFileInfo(path).absolutePath();
  saveGcodeFileDirPath(lastOpenDir);
  OnModelLoaded();
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
  // A binary file too short for its own triangle count is not read at all: the reader would
  // allocate for that count, and the model would silently lack triangles.
  auto reader = vtkSmartPointer<vtkSTLReader>::New();
  vtkPolyData* mesh = nullptr;
  if (HoldsItsTriangleCount(utf8))
  {
    reader->SetFileName(utf8.constData());
    reader->Update();
    mesh = reader->GetOutput();
  }
  qDebug().noquote().nospace() << "加载STL路径（UTF-8）：" << utf8;

  if (!mesh || mesh->GetNumberOfCells() == 0 || !HasModelCoordinates(mesh))
  {
    QMessageBox::critical(this, "错误", QString("STL文件读取失败：%1").arg(path), QMessageBox::Ok);
    return false;
  }

  if (modelActor)
  {
    renderer->RemoveActor(modelActor);
  }
  modelActor = vtkSmartPointer<vtkActor>::New();
  modelActor->SetMapper(vtkSmartPointer<vtkPolyDataMapper>::New());
  SetModelMesh(mesh);
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

  if (!path.endsWith(".stl", Qt::CaseInsensitive))
  {
    QMessageBox::warning(this, "错误", "保存失败", QMessageBox::Ok);
    return;
  }

  // The chosen folder is proposed at the next save, whatever this write gives.
  lastSaveDir = QFileInfo(path).absolutePath();
  if (!WriteModelFile(mesh, path))
  {
    QMessageBox::warning(this, "错误", "保存失败", QMessageBox::Ok);
    return;
  }
  QMessageBox::information(this, "成功", "模型保存成功！", QMessageBox::Ok);
}
