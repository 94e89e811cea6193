// Construction of the window: form, scene, fixed bodies, interaction widgets, connections.
#include "app/MainWindow.h"

#include "app/Version.h"

#include "cutline/CutLineGenerator.h"
#include "cutline/CutterCollision.h"
#include "ui_mainwindow.h"
#include "widgets/EditContourSplineRep.h"
#include "widgets/EditContourSplineWidget.h"
#include "widgets/VectorWidget.h"
#include "widgets/contourRepresentation.h"
#include "widgets/contourWidget.h"

#include <QLabel>
#include <QVTKOpenGLNativeWidget.h>

#include <vtkActor.h>
#include <vtkCommand.h>
#include <vtkInteractorStyleTrackballCamera.h>
#include <vtkPolyData.h>
#include <vtkPolyDataMapper.h>
#include <vtkProperty.h>
#include <vtkRenderWindow.h>
#include <vtkRenderWindowInteractor.h>
#include <vtkRenderer.h>

MainWindow::MainWindow(QWidget* parent)
  : QMainWindow(parent)
  , ui(std::make_unique<Ui::MainWindow>())
  , grooveToolData(vtkSmartPointer<vtkPolyData>::New())
  , baseplateActor(vtkSmartPointer<vtkActor>::New())
  , grooveAllowed(false)
  , cutLineGenerator(std::make_unique<CutLineGenerator>())
  , gumLineRep(vtkSmartPointer<EditContourSplineRep>::New())
  , gumLineWidget(vtkSmartPointer<EditContourSplineWidget>::New())
  , gumLineActor(vtkSmartPointer<vtkActor>::New())
  , cutTwoLoops(true)
  , collisionCheck(std::make_unique<CutterCollision::Checker>())
{
  ui->setupUi(this);
  vtkWidget = ui->vtkWidget;

  SetUpRenderer();
  AddVersionLabel();
  ConnectControls();
  SetUpTwoPointWidget();
  AddFixedBodies();
  SetModelControlsEnabled(false);
  SetCutLineControlsEnabled(false);
  SetUpLineWidgets();
}

void MainWindow::SetUpRenderer()
{
  renderer = vtkSmartPointer<vtkRenderer>::New();
  renderWindow = vtkWidget->renderWindow();
  renderWindow->AddRenderer(renderer);
  renderer->SetBackground(0.2, 0.4, 0.5);

  // The interactor holds the only reference to its style.
  vtkRenderWindowInteractor* interactor = vtkWidget->interactor();
  interactor->SetInteractorStyle(vtkSmartPointer<vtkInteractorStyleTrackballCamera>::New());
  interactor->Initialize();
}

void MainWindow::AddVersionLabel()
{
  // Permanent, so that it stays at the right end beside the status messages.
  auto* version = new QLabel(QString("Version: %1").arg(kCoravexVersion), this);
  version->setMargin(3);
  ui->statusbar->addPermanentWidget(version, 0);
}

void MainWindow::ConnectControls()
{
  connect(ui->loadButton, &QPushButton::clicked, this, &MainWindow::onLoadModel);
  connect(ui->saveButton, &QPushButton::clicked, this, &MainWindow::onSaveModel);
  connect(ui->pushButton_RotateZPlus, &QPushButton::clicked, this,
    &MainWindow::onPushButton_RotateZPlus);
  connect(ui->pushButton_RotateZMin, &QPushButton::clicked, this,
    &MainWindow::onPushButton_RotateZMin);
  connect(ui->pushButton_Left, &QPushButton::clicked, this, &MainWindow::onPushButton_Left);
  connect(ui->pushButton_right, &QPushButton::clicked, this, &MainWindow::onPushButton_right);
  connect(ui->pushButton_up, &QPushButton::clicked, this, &MainWindow::onPushButton_up);
  connect(ui->pushButton_down, &QPushButton::clicked, this, &MainWindow::onPushButton_down);
  connect(ui->checkBox_AdjustCoordinate, &QCheckBox::toggled, this,
    &MainWindow::slot_checkBox_AdjustCoordinate);
  connect(ui->addGrooveButton, &QPushButton::clicked, this, &MainWindow::onAddGrooveButton);
  connect(ui->checkBox_editCurve, &QCheckBox::toggled, this, &MainWindow::slot_checkBox_editCurve);
  connect(ui->pushButton_spline, &QPushButton::clicked, this, &MainWindow::slot_pushButton_spline);
  connect(
    ui->pushButton_moveDown, &QPushButton::clicked, this, &MainWindow::slot_pushButton_moveDown);
  connect(ui->pushButton_CollisionCheck, &QPushButton::clicked, this,
    &MainWindow::slot_pushButton_CollisionCheck);
  connect(ui->pushButton_autoAdjust, &QPushButton::clicked, this,
    &MainWindow::slot_pushButton_autoAdjust);
  connect(ui->loadButton_Pts, &QPushButton::clicked, this, &MainWindow::onLoadGumline);
  connect(ui->saveButton_cutLine, &QPushButton::clicked, this, &MainWindow::onSaveGbin);
}

void MainWindow::SetUpTwoPointWidget()
{
  twoPointWidget = vtkSmartPointer<VectorWidget>::New();
  twoPointWidget->SetInteractor(vtkWidget->interactor());
  twoPointWidget->SetDefaultRenderer(renderer);
}

void MainWindow::AddFixedBodies()
{
  // The fixed bodies share one colour; the cutter is shown see-through.
  double bodyColour[3] = { 225.0 / 255.0, 228.0 / 255.0, 230.0 / 255.0 };
  crossActor = vtkSmartPointer<vtkActor>::New();
  crossActor->SetMapper(vtkSmartPointer<vtkPolyDataMapper>::New());
  crossActor->GetProperty()->SetColor(bodyColour);
  crossActor->GetProperty()->SetOpacity(0.3);
  renderer->AddActor(crossActor);
  LoadCrossModel(false);

  baseplateActor->SetMapper(vtkSmartPointer<vtkPolyDataMapper>::New());
  baseplateActor->GetProperty()->SetColor(bodyColour);
  baseplateActor->GetProperty()->SetOpacity(1.0);
  renderer->AddActor(baseplateActor);
  LoadBaseplateModel(false);
}

void MainWindow::SetUpLineWidgets()
{
  vtkRenderWindowInteractor* interactor = vtkWidget->interactor();
  cutLineWidget = vtkSmartPointer<contourWidget>::New();
  cutLineRep = vtkSmartPointer<contourRepresentation>::New();
  cutLineWidget->SetInteractor(interactor);
  cutLineWidget->SetRepresentation(cutLineRep);
  // A drag lays the offset line on the model through the generator's tree, so the generator
  // takes the model as it stands before the first drag step.
  dragStartObserver = cutLineWidget->AddObserver(
    vtkCommand::StartInteractionEvent, this, &MainWindow::UpdateGeneratorModel);

  gumLineWidget->SetInteractor(interactor);
  gumLineWidget->SetRepresentation(gumLineRep);
}

MainWindow::~MainWindow()
{
  // The drag observer calls into this window, which the widget may outlive.
  cutLineWidget->RemoveObserver(dragStartObserver);
  // The form object goes first; the members follow in reverse order of declaration.
  ui.reset();
}

void MainWindow::RenderView()
{
  renderWindow->Render();
  renderWindow->GetInteractor()->Render();
}

void MainWindow::ResetCameraAndRender()
{
  renderer->ResetCamera();
  renderer->ResetCameraClippingRange();
  RenderView();
}

void MainWindow::SetModelControlsEnabled(bool enabled)
{
  for (QWidget* control : std::initializer_list<QWidget*>{ ui->checkBox_AdjustCoordinate,
         ui->addGrooveButton, ui->saveButton, ui->pushButton_autoAdjust,
         ui->pushButton_RotateZPlus, ui->pushButton_RotateZMin, ui->pushButton_Left,
         ui->pushButton_right, ui->pushButton_up, ui->pushButton_down, ui->loadButton_Pts,
         ui->checkBox_editCurve })
  {
    control->setEnabled(enabled);
  }
}

void MainWindow::SetCutLineControlsEnabled(bool enabled)
{
  ui->pushButton_spline->setEnabled(enabled);
  ui->pushButton_moveDown->setEnabled(enabled);
  ui->checkBox->setEnabled(enabled);
  ui->pushButton_CollisionCheck->setEnabled(enabled);
  ui->saveButton_cutLine->setEnabled(enabled);
}

vtkPolyData* MainWindow::ModelMesh() const
{
  if (!modelActor || !modelActor->GetMapper())
  {
    return nullptr;
  }
  return vtkPolyData::SafeDownCast(modelActor->GetMapper()->GetInputDataObject(0, 0));
}

void MainWindow::SetModelMesh(vtkSmartPointer<vtkPolyData> mesh)
{
  modelActor->GetMapper()->SetInputDataObject(mesh);
  generatorModelCurrent = false;
}

vtkSmartPointer<vtkPolyData> MainWindow::ModelCopy() const
{
  vtkPolyData* mesh = ModelMesh();
  if (!mesh)
  {
    return nullptr;
  }
  auto copy = vtkSmartPointer<vtkPolyData>::New();
  copy->DeepCopy(mesh);
  return copy;
}

QString MainWindow::ModelBaseName() const
{
  const int dot = modelFileName.lastIndexOf('.');
  return dot < 0 ? modelFileName : modelFileName.left(dot);
}
