#include "tests/widgets/WidgetScene.h"

#include "tests/support/SyntheticJaw.h"

#include <vtkCallbackCommand.h>
#include <vtkCamera.h>
#include <vtkCommand.h>
#include <vtkPolyDataMapper.h>

#include <algorithm>
#include <cmath>

namespace widgettest
{

namespace
{
constexpr int kWindowSize = 600;
constexpr double kParallelScale = 32.0;
constexpr double kCameraDistance = 200.0;
// Every crown top lies above this height; the shoulders below it.
constexpr double kCrownTopMinZ = 20.5;

void CountEventsBelowWidgets(vtkObject*, unsigned long event, void* clientData, void*)
{
  auto* scene = static_cast<WidgetScene*>(clientData);
  if (event == vtkCommand::LeftButtonPressEvent)
  {
    ++scene->pressesReachingStyle;
  }
  else if (event == vtkCommand::LeftButtonReleaseEvent)
  {
    ++scene->releasesReachingStyle;
  }
}

// The highest vertex of each crown, in arch order from the left end to the right end.
std::vector<World> FindCrownTops(vtkPolyData* mesh)
{
  std::vector<World> tops;
  for (vtkIdType i = 0; i < mesh->GetNumberOfPoints(); ++i)
  {
    double p[3];
    mesh->GetPoint(i, p);
    if (p[2] < kCrownTopMinZ)
    {
      continue;
    }
    auto same = std::find_if(tops.begin(), tops.end(), [&](const World& t) {
      return std::hypot(t[0] - p[0], t[1] - p[1]) < 2.0;
    });
    if (same == tops.end())
    {
      tops.push_back({ p[0], p[1], p[2] });
    }
    else if (p[2] > (*same)[2])
    {
      *same = { p[0], p[1], p[2] };
    }
  }
  double bounds[6];
  mesh->GetBounds(bounds);
  const double midY = 0.5 * (bounds[2] + bounds[3]);
  // Seen from inside the arch: the left end comes first, the front in the middle.
  auto around = [midY](const World& t) { return std::atan2(t[0], midY - t[1]); };
  std::sort(tops.begin(), tops.end(),
    [&](const World& a, const World& b) { return around(a) < around(b); });
  return tops;
}
} // namespace

WidgetScene::WidgetScene(View view, const vtkMatrix4x4* placement)
  : view_(view)
{
  mesh = testsupport::MakeSyntheticJaw(testsupport::SmallJaw(), placement).mesh;
  vtkNew<vtkPolyDataMapper> mapper;
  mapper->SetInputData(mesh);
  model->SetMapper(mapper);
  renderer->AddActor(model);
  renderer->SetBackground(1.0, 1.0, 1.0);

  window->SetSize(kWindowSize, kWindowSize);
  window->AddRenderer(renderer);
  interactor->SetRenderWindow(window);
  interactor->SetInteractorStyle(style);
  interactor->Initialize();

  vtkNew<vtkCallbackCommand> probe;
  probe->SetCallback(CountEventsBelowWidgets);
  probe->SetClientData(this);
  pressProbe_ = interactor->AddObserver(vtkCommand::LeftButtonPressEvent, probe, 0.0f);
  releaseProbe_ = interactor->AddObserver(vtkCommand::LeftButtonReleaseEvent, probe, 0.0f);

  crownTops = FindCrownTops(mesh);
  for (const World& t : crownTops)
  {
    basePoints.push_back({ t[0], t[1], 0.0 });
  }
  RestoreCamera();
}

WidgetScene::~WidgetScene()
{
  interactor->RemoveObserver(pressProbe_);
  interactor->RemoveObserver(releaseProbe_);
}

void WidgetScene::LookAt(const World& focal, const World& eye, const World& viewUp)
{
  perspective_ = Perspective{ focal, eye, viewUp };
  RestoreCamera();
}

void WidgetScene::RestoreCamera()
{
  vtkCamera* camera = renderer->GetActiveCamera();
  if (perspective_)
  {
    camera->ParallelProjectionOff();
    camera->SetFocalPoint(perspective_->focal.data());
    camera->SetPosition(perspective_->eye.data());
    camera->SetViewUp(perspective_->viewUp.data());
    renderer->ResetCameraClippingRange();
    window->Render();
    return;
  }
  double bounds[6];
  mesh->GetBounds(bounds);
  const double cx = 0.5 * (bounds[0] + bounds[1]);
  const double cy = 0.5 * (bounds[2] + bounds[3]);
  const double cz = 0.5 * (bounds[4] + bounds[5]);
  camera->ParallelProjectionOn();
  camera->SetParallelScale(kParallelScale);
  camera->SetFocalPoint(cx, cy, cz);
  const double side = view_ == View::FromAbove ? 1.0 : -1.0;
  camera->SetPosition(cx, cy, cz + side * kCameraDistance);
  camera->SetViewUp(0.0, 1.0, 0.0);
  renderer->ResetCameraClippingRange();
  window->Render();
}

World WidgetScene::CameraPosition()
{
  World p;
  renderer->GetActiveCamera()->GetPosition(p.data());
  return p;
}

Pixel WidgetScene::ToDisplay(const World& p)
{
  const std::array<double, 2> d = ToDisplayExact(p);
  return { static_cast<int>(std::lround(d[0])), static_cast<int>(std::lround(d[1])) };
}

std::array<double, 2> WidgetScene::ToDisplayExact(const World& p)
{
  renderer->SetWorldPoint(p[0], p[1], p[2], 1.0);
  renderer->WorldToDisplay();
  const double* d = renderer->GetDisplayPoint();
  return { d[0], d[1] };
}

void WidgetScene::Press(const Pixel& at, int control, int shift)
{
  interactor->SetEventInformation(at[0], at[1], control, shift);
  interactor->InvokeEvent(vtkCommand::LeftButtonPressEvent, nullptr);
}

void WidgetScene::Release(const Pixel& at, int control, int shift)
{
  interactor->SetEventInformation(at[0], at[1], control, shift);
  interactor->InvokeEvent(vtkCommand::LeftButtonReleaseEvent, nullptr);
}

void WidgetScene::Move(const Pixel& to)
{
  interactor->SetEventInformation(to[0], to[1]);
  interactor->InvokeEvent(vtkCommand::MouseMoveEvent, nullptr);
}

void WidgetScene::Key(const char* keySym, int control, int shift)
{
  const int* at = interactor->GetEventPosition();
  interactor->SetEventInformation(at[0], at[1], control, shift, keySym[0], 0, keySym);
  interactor->InvokeEvent(vtkCommand::KeyPressEvent, nullptr);
}

void WidgetScene::Char(char key)
{
  const int* at = interactor->GetEventPosition();
  const char keySym[2] = { key, '\0' };
  interactor->SetEventInformation(at[0], at[1], 0, 0, key, 0, keySym);
  interactor->InvokeEvent(vtkCommand::CharEvent, nullptr);
}

bool WidgetScene::DragTurnsCamera(const Pixel& at, int dx, int dy)
{
  const World before = CameraPosition();
  Press(at);
  const Pixel to{ at[0] + dx, at[1] + dy };
  Move(to);
  Release(to);
  const World after = CameraPosition();
  return std::hypot(after[0] - before[0], after[1] - before[1], after[2] - before[2]) > 1e-6;
}

double Distance(const World& a, const double b[3])
{
  return std::hypot(a[0] - b[0], a[1] - b[1], a[2] - b[2]);
}

} // namespace widgettest
