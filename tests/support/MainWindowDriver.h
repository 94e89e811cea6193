// The main window driven from outside, for tests and for the programs in bench/: access to
// its private state, and a driver that answers file dialogs and message boxes. No GTest.
#pragma once

#include "app/MainWindow.h"
#include "cutline/CutLineGenerator.h"
#include "cutline/CutterCollision.h"
#include "tests/support/ModalCloser.h"
#include "ui_mainwindow.h"
#include "widgets/EditContourSplineWidget.h"
#include "widgets/VectorWidget.h"
#include "widgets/contourRepresentation.h"
#include "widgets/contourWidget.h"

#include <QDialog>
#include <QFileDialog>
#include <QMessageBox>
#include <QString>
#include <QStringList>
#include <QVTKOpenGLNativeWidget.h>

#include <vtkActor.h>
#include <vtkNew.h>
#include <vtkPoints.h>
#include <vtkPolyData.h>
#include <vtkProp.h>
#include <vtkPropCollection.h>
#include <vtkProperty.h>
#include <vtkRenderer.h>
#include <vtkSmartPointer.h>

#include <deque>
#include <optional>
#include <vector>

// Reaches the window's private state for tests and benchmarks.
struct MainWindowProbe
{
  explicit MainWindowProbe(MainWindow& window)
    : w(window)
  {
  }
  Ui::MainWindow& ui() { return *w.ui; }
  vtkPolyData* model() { return w.ModelMesh(); }
  vtkActor* modelActor() { return w.modelActor; }
  vtkActor* crossActor() { return w.crossActor; }
  vtkActor* baseplateActor() { return w.baseplateActor; }
  vtkActor* gumLineActor() { return w.gumLineActor; }
  vtkActor* collisionActor() { return w.collisionActor; }
  vtkRenderer* renderer() { return w.renderer; }
  QVTKOpenGLNativeWidget* view() { return w.vtkWidget; }
  bool grooveAllowed() { return w.grooveAllowed; }
  std::vector<Point3>& gumLine() { return w.gumLinePoints; }
  CutLineGenerator& generator() { return *w.cutLineGenerator; }
  contourRepresentation& cutLineRep() { return *w.cutLineRep; }
  contourWidget& cutLineWidget() { return *w.cutLineWidget; }
  EditContourSplineWidget& gumLineWidget() { return *w.gumLineWidget; }
  VectorWidget& twoPointWidget() { return *w.twoPointWidget; }
  const QString& lastOpenDir() { return w.lastOpenDir; }
  bool cutTwoLoops() { return w.cutTwoLoops; }
  bool loadStl(const QString& path) { return w.LoadStlFile(path); }
  void modelLoaded() { w.OnModelLoaded(); }
  void readGumLine(const QString& path) { w.ReadGumLineFile(path); }
  bool writeGumLine(const QString& path) { return w.WriteGumLineFile(path); }
  bool saveCutLine(const QString& path) { return w.SaveCutLineFile(path); }
  std::optional<bool> detectCollision() { return w.DetectCollision(); }
  void generateCutLine(double lingual, double buccal) { w.GenerateCutLine(lingual, buccal, 0.0); }
  // Shows `points` as the cut line, the way generation and lowering do.
  void showCutLine(vtkSmartPointer<vtkPoints> points) { w.ShowCutLine(points); }
  bool computeCollision(vtkSmartPointer<vtkPolyData> model, const std::vector<PoseDir>& poses)
  {
    return w.ComputeCollision(model, poses);
  }
  // The tree the collision check keeps (null before the first check).
  vtkOBBTree* collisionTree() { return w.collisionCheck->Tree(); }

  MainWindow& w;
};

// The offset-line actor: of the representation's actors, the one drawn 7 wide.
inline vtkActor* OffsetLineActor(contourRepresentation& rep)
{
  vtkNew<vtkPropCollection> props;
  rep.GetActors(props);
  props->InitTraversal();
  while (vtkProp* prop = props->GetNextProp())
  {
    auto* actor = vtkActor::SafeDownCast(prop);
    if (actor && actor->GetProperty()->GetLineWidth() == 7.0)
    {
      return actor;
    }
  }
  return nullptr;
}

// Answers modal dialogs while the code under test runs: each file dialog takes the next
// queued path (none queued, or an empty one, cancels it); each message box is recorded and
// closed with Ok, except that a box asking with the next queued answer's button gets that
// answer.
class DialogDriver
{
public:
  DialogDriver()
  {
    closer_.onDialog = [this](QDialog* dialog) { Answer(dialog); };
  }

  void QueueFile(const QString& path) { files_.push_back(path); }
  // The answer for the next box that offers this button (Yes or No of a question).
  void QueueAnswer(QMessageBox::StandardButton button) { closer_.answers.push_back(button); }

  // A file dialog as it was opened: caption, start folder, proposed selection and filters.
  struct SeenFileDialog
  {
    QString caption;
    QString directory;
    QStringList selected;
    QStringList filters;
  };
  const std::vector<SeenFileDialog>& fileDialogs() const { return fileDialogs_; }
  const std::vector<ShownBox>& boxes() const { return closer_.boxes; }
  void Clear()
  {
    closer_.boxes.clear();
    fileDialogs_.clear();
  }

private:
  void Answer(QDialog* dialog)
  {
    auto* files = qobject_cast<QFileDialog*>(dialog);
    if (!files)
    {
      dialog->reject();
      return;
    }
    fileDialogs_.push_back({ files->windowTitle(), files->directory().absolutePath(),
      files->selectedFiles(), files->nameFilters() });
    const QString path = files_.empty() ? QString() : files_.front();
    if (!files_.empty())
    {
      files_.pop_front();
    }
    ChooseFile(files, path);
  }

  ModalCloser closer_;
  std::deque<QString> files_;
  std::vector<SeenFileDialog> fileDialogs_;
};
