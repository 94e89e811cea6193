// The program's window after sign-in: the 3-D view with the jaw model, the fixed bodies, the
// gum line and the cut line, and the controls that load, align, cut, edit and export them.
#pragma once

#include "cutline/PoseTypes.h"

#include <QByteArray>
#include <QMainWindow>
#include <QString>

#include <vtkSmartPointer.h>

#include <memory>
#include <optional>
#include <vector>

class CutLineGenerator;
namespace CutterCollision
{
class Checker;
}
class EditContourSplineRep;
class EditContourSplineWidget;
class QVTKOpenGLNativeWidget;
class VectorWidget;
class contourRepresentation;
class contourWidget;
class vtkActor;
class vtkPoints;
class vtkPolyData;
class vtkRenderWindow;
class vtkRenderer;
class vtkTransform;

namespace Ui
{
class MainWindow;
}

class MainWindow : public QMainWindow
{
  Q_OBJECT

public:
  explicit MainWindow(QWidget* parent = nullptr);
  ~MainWindow() override;

private slots:
  void onLoadModel();
  void onSaveModel();
  void onLoadGumline();
  void onSaveGbin();
  void onPushButton_RotateZPlus();
  void onPushButton_RotateZMin();
  void onPushButton_Left();
  void onPushButton_right();
  void onPushButton_up();
  void onPushButton_down();
  void slot_checkBox_AdjustCoordinate(bool bChecked = false);
  void onAddGrooveButton();
  void slot_checkBox_editCurve(bool bChecked = false);
  void slot_pushButton_spline();
  void slot_pushButton_moveDown();
  void slot_pushButton_CollisionCheck();
  void slot_pushButton_autoAdjust();

private:
  // Steps of construction, in the order the constructor takes them.
  // The renderer in the view's render window, and the trackball-camera style on its interactor.
  void SetUpRenderer();
  // The program's version at the right end of the status bar.
  void AddVersionLabel();
  // The form's buttons and check boxes to their slots.
  void ConnectControls();
  // The two-point tool on the view's interactor, with the renderer as its default.
  void SetUpTwoPointWidget();
  // The cutter body and the base plate, added to the scene and hidden until a model is loaded.
  void AddFixedBodies();
  // The cut-line and gum-line widgets paired with their representations on the view's
  // interactor, both switched off.
  void SetUpLineWidgets();

  // Scene and control state.
  void RenderView();
  void ResetCameraAndRender();
  void SetCutLineControlsEnabled(bool enabled);
  // The twelve controls that work on a loaded model (all but the cut-line ones).
  void SetModelControlsEnabled(bool enabled);

  // Model loading and saving.
  bool LoadStlFile(QString path);
  void OnModelLoaded();

  // Fixed bodies beside the executable.
  void LoadCrossModel(bool visible);
  void LoadBaseplateModel(bool visible);
  // Shows the STL file `fileName` from the executable's folder in `actor` (and copies it into
  // `meshCopy` when given); nothing happens when the file is missing.
  void LoadFixedBody(vtkActor* actor, const char* fileName, vtkPolyData* meshCopy, bool visible);

  // Frame adjustment and manual moves.
  void AutoAdjustCoordinate();
  void AdjustCoordinateByTwoPoints(bool on);
  void ApplyTransform(vtkSmartPointer<vtkTransform> transform);
  void ApplyFrameTransform(vtkTransform* transform);

  // Gum line.
  void ReadGumLineFile(QString path);
  bool WriteGumLineFile(const QString& path);
  // The gum line as WriteGumLineFile writes it.
  QByteArray GumLineText() const;
  // Writes a drawn gum line to `path`, asking first before it replaces a different file.
  void SaveDrawnGumLine(const QString& path);
  void EditGumLine(bool on);
  void UpdateGumLineActor();
  // Replaces the gum line's actor by a closed polyline through `gumLinePoints`; false, with the
  // actor left as it was, for fewer than two points.
  bool ShowGumLine();

  // Cut line.
  void GenerateCutLine(double lingualKeep, double buccalKeep, double buccalDrop);
  void ShowCutLine(vtkSmartPointer<vtkPoints> points);
  // Drops the cut line and the generator's model: a cut line belongs to the model it was laid
  // on, and saving or checking it against another model would be wrong.
  void DiscardCutLine();
  vtkSmartPointer<vtkPoints> CutLineSamples() const;
  bool SaveCutLineFile(QString path);
  // Whether the cutter meets the model along the cut line; no value when there is nothing to
  // check (no model, or no cut line long enough to give poses).
  std::optional<bool> DetectCollision();
  bool ComputeCollision(vtkSmartPointer<vtkPolyData> model, const std::vector<PoseDir>& poses);

  // The model mesh shown by the model actor, or null without a model.
  vtkPolyData* ModelMesh() const;
  // The one place where the model's mesh is replaced (load, both frames, the moves, the
  // groove): `mesh` becomes the model actor's input, and the generator's copy of the model is
  // out of date from then on. The model actor must exist.
  void SetModelMesh(vtkSmartPointer<vtkPolyData> mesh);
  // A new deep copy of the model mesh, for a consumer that keeps or changes it; null without a
  // model.
  vtkSmartPointer<vtkPolyData> ModelCopy() const;
  // Hands the generator a copy of the model as it stands, when the mesh was replaced since its
  // last copy; a model of the same points and cells keeps its tree. The save, the lowering,
  // the generation and the start of a handle drag call it before they use the generator.
  void UpdateGeneratorModel();
  // Takes the red outlines of the last collision check out of the view: they belong to a cut
  // line that is gone.
  void RemoveCollisionOutlines();
  // The model's file name without its last extension ("lower.jaw.stl" gives "lower.jaw").
  QString ModelBaseName() const;

  // The fewest points of a gum line that the cut line can be generated from.
  static constexpr size_t kMinGumLinePoints = 4;

  std::unique_ptr<Ui::MainWindow> ui;
  QVTKOpenGLNativeWidget* vtkWidget = nullptr;
  vtkSmartPointer<vtkRenderer> renderer;
  vtkSmartPointer<vtkActor> modelActor;
  vtkSmartPointer<vtkPolyData> grooveToolData;
  vtkSmartPointer<vtkRenderWindow> renderWindow;
  QString lastOpenDir;
  QString lastSaveDir;
  vtkSmartPointer<VectorWidget> twoPointWidget;
  vtkSmartPointer<vtkActor> crossActor;
  vtkSmartPointer<vtkActor> baseplateActor;
  bool grooveAllowed;
  std::unique_ptr<CutLineGenerator> cutLineGenerator;
  vtkSmartPointer<contourRepresentation> cutLineRep;
  vtkSmartPointer<contourWidget> cutLineWidget;
  vtkSmartPointer<EditContourSplineRep> gumLineRep;
  vtkSmartPointer<EditContourSplineWidget> gumLineWidget;
  std::vector<Point3> gumLinePoints;
  vtkSmartPointer<vtkActor> gumLineActor;
  vtkSmartPointer<vtkActor> collisionActor;
  bool cutTwoLoops;
  QString modelFileName;
  // False from a replacement of the model's mesh until the generator has a copy of the new one.
  bool generatorModelCurrent = false;
  // The collision check, which keeps its tree while the model is unchanged.
  std::unique_ptr<CutterCollision::Checker> collisionCheck;
  // The observer of the cut-line widget's drag start.
  unsigned long dragStartObserver = 0;

  // Tests reach the window's state through this accessor.
  friend struct MainWindowProbe;
};
