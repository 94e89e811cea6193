// The cut-line editing widget in a real render window: hover, press, drag onto the model and
// release through the interactor's events, and the actors it shows and hides.
#include "cutline/CutLineGenerator.h"
#include "tests/support/MeshChecks.h"
#include "tests/widgets/JawCutLine.h"
#include "tests/widgets/WidgetScene.h"
#include "widgets/contourRepresentation.h"
#include "widgets/contourWidget.h"

#include <vtkActor.h>
#include <vtkAssembly.h>
#include <vtkCallbackCommand.h>
#include <vtkCellPicker.h>
#include <vtkCommand.h>
#include <vtkMapper.h>
#include <vtkMath.h>
#include <vtkNew.h>
#include <vtkOutputWindow.h>
#include <vtkParametricSpline.h>
#include <vtkPoints.h>
#include <vtkPolyData.h>
#include <vtkProp3DCollection.h>
#include <vtkPropCollection.h>
#include <vtkProperty.h>
#include <vtkRenderWindow.h>
#include <vtkRenderer.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

namespace
{

using namespace cutlinetest;
using widgettest::Pixel;
using widgettest::View;
using widgettest::WidgetScene;
using widgettest::World;

// Counts the errors and warnings that VTK reports through its output window while it lives.
class VtkMessageCount
{
public:
  VtkMessageCount()
  {
    command_->SetCallback([](vtkObject*, unsigned long, void* clientData, void*) {
      ++*static_cast<int*>(clientData);
    });
    command_->SetClientData(&count);
    errorTag_ = vtkOutputWindow::GetInstance()->AddObserver(vtkCommand::ErrorEvent, command_);
    warningTag_ = vtkOutputWindow::GetInstance()->AddObserver(vtkCommand::WarningEvent, command_);
  }
  ~VtkMessageCount()
  {
    vtkOutputWindow::GetInstance()->RemoveObserver(errorTag_);
    vtkOutputWindow::GetInstance()->RemoveObserver(warningTag_);
  }
  VtkMessageCount(const VtkMessageCount&) = delete;
  VtkMessageCount& operator=(const VtkMessageCount&) = delete;

  int count = 0;

private:
  vtkNew<vtkCallbackCommand> command_;
  unsigned long errorTag_ = 0;
  unsigned long warningTag_ = 0;
};

// What a prop of the representation draws: the handles of the handle assembly, the points of
// a line actor's geometry.
vtkIdType DrawnItems(vtkProp* prop)
{
  if (auto* assembly = vtkAssembly::SafeDownCast(prop))
  {
    return assembly->GetParts()->GetNumberOfItems();
  }
  auto* line = vtkPolyData::SafeDownCast(
    vtkActor::SafeDownCast(prop)->GetMapper()->GetInputDataObject(0, 0));
  return line ? line->GetNumberOfPoints() : 0;
}

// The spline evaluated at `count` parameters evenly spread over it.
std::vector<World> SamplesOf(vtkParametricSpline* spline, int count)
{
  std::vector<World> samples;
  for (int i = 0; i < count; ++i)
  {
    double u[3] = { static_cast<double>(i) / count, 0.0, 0.0 };
    World p{};
    spline->Evaluate(u, p.data(), nullptr);
    samples.push_back(p);
  }
  return samples;
}

// The generated jaw looked at straight on its front buccal handle from 50 units outside, so
// that handle sits at the window's centre; the jaw's front wall hides the lingual handles
// behind it. The scene shows its own copy of the generated jaw that the cut line and the
// generator are made from. The widget is shown through the main window's refresh sequence.
class ContourWidgetScene : public ::testing::Test
{
protected:
  void SetUp() override
  {
    JawCase& jaw = Jaw();
    points = CopyOf(jaw.cutLine);
    ASSERT_GE(points->GetNumberOfPoints(), 40);
    width = scene.window->GetSize()[0];
    height = scene.window->GetSize()[1];

    // Front of the arch: the smallest y.
    for (vtkIdType i = 0; i < points->GetNumberOfPoints(); ++i)
    {
      const auto p = PointOf(points, i);
      if (front < 0 || p[1] < PointOf(points, front)[1])
      {
        front = i;
      }
    }
    const auto f = PointOf(points, front);
    scene.LookAt(f, { f[0], f[1] - 50.0, f[2] }, { 0.0, 0.0, 1.0 });

    // A lingual handle of the front stretch, behind the front wall as seen from the camera,
    // whose display position no other handle covers.
    double clearest = 0.0;
    for (vtkIdType i = 0; i < points->GetNumberOfPoints(); ++i)
    {
      const auto p = PointOf(points, i);
      if (std::fabs(p[0] - f[0]) > 6.0 || p[1] < f[1] + 5.0)
      {
        continue;
      }
      const auto d = scene.ToDisplayExact(p);
      double nearest = 1e9;
      for (vtkIdType k = 0; k < points->GetNumberOfPoints(); ++k)
      {
        if (k != i)
        {
          const auto e = scene.ToDisplayExact(PointOf(points, k));
          nearest = std::min(nearest, std::hypot(d[0] - e[0], d[1] - e[1]));
        }
      }
      if (nearest > clearest)
      {
        clearest = nearest;
        hidden = i;
      }
    }
    ASSERT_GE(hidden, 0);
    ASSERT_GT(clearest, 15.0);

    renderCounter->SetCallback([](vtkObject*, unsigned long, void* clientData, void*) {
      ++*static_cast<int*>(clientData);
    });
    renderCounter->SetClientData(&renders);
    scene.window->AddObserver(vtkCommand::StartEvent, renderCounter);

    widget->SetInteractor(scene.interactor);
    widget->SetRepresentation(rep);
    rep->Generator = &jaw.generator;
    Refresh(points);
  }

  // The main window's way of showing a new or changed cut line.
  void Refresh(vtkPoints* newPoints)
  {
    widget->SetEnabled(0);
    rep->SetModelActor(scene.model.Get());
    rep->SetPoints(newPoints);
    rep->Rebuild();
    widget->SetEnabled(1);
  }

  Pixel DisplayOf(vtkIdType handle) { return scene.ToDisplay(PointOf(points, handle)); }

  // Hovers onto the front handle and presses it: a drag is under way.
  Pixel GrabFront()
  {
    const Pixel onHandle = DisplayOf(front);
    scene.Move(onHandle);
    scene.Press(onHandle);
    EXPECT_EQ(widget->GetWidgetState(), contourWidget::Dragging);
    return onHandle;
  }

  vtkActor* Handle(vtkIdType i)
  {
    auto* assembly = vtkAssembly::SafeDownCast(ActorsOf(rep).at(0));
    vtkNew<vtkPropCollection> parts;
    assembly->GetActors(parts);
    return vtkActor::SafeDownCast(parts->GetItemAsObject(static_cast<int>(i)));
  }
  static bool IsBlue(vtkActor* actor)
  {
    const double* c = actor->GetProperty()->GetColor();
    return c[0] == 0.0 && c[1] == 0.0 && c[2] == 1.0;
  }
  int BlueHandles()
  {
    int blue = 0;
    for (vtkIdType i = 0; i < points->GetNumberOfPoints(); ++i)
    {
      blue += IsBlue(Handle(i)) ? 1 : 0;
    }
    return blue;
  }
  vtkPolyData* OffsetLine()
  {
    auto* actor = vtkActor::SafeDownCast(ActorsOf(rep).at(2));
    return vtkPolyData::SafeDownCast(actor->GetMapper()->GetInputDataObject(0, 0));
  }

  WidgetScene scene{ View::FromAbove };
  int width = 0;
  int height = 0;
  vtkSmartPointer<vtkPoints> points;
  vtkIdType front = -1;
  vtkIdType hidden = -1;
  int renders = 0;
  vtkNew<vtkCallbackCommand> renderCounter;
  vtkNew<contourWidget> widget;
  vtkNew<contourRepresentation> rep;
};

TEST_F(ContourWidgetScene, HoverTurnsTheHandleBlueAndRendersOnlyOnChange)
{
  const auto onHandle = DisplayOf(front);
  EXPECT_EQ(onHandle[0], width / 2);
  EXPECT_EQ(onHandle[1], height / 2);

  // The upper corner looks over the crowns into empty space.
  const int emptyX = 20;
  const int emptyY = height - 10;
  vtkNew<vtkCellPicker> probe;
  ASSERT_EQ(probe->Pick(emptyX, emptyY, 0.0, scene.renderer), 0);

  struct Step
  {
    const char* what;
    int x;
    int y;
    int cursor;
    int blue;
    int renders;
  };
  const Step steps[] = {
    { "into empty space", emptyX, emptyY, VTK_CURSOR_DEFAULT, 0, 0 },
    { "onto the handle", onHandle[0], onHandle[1], VTK_CURSOR_HAND, 1, 1 },
    { "within the handle", onHandle[0] + 1, onHandle[1], VTK_CURSOR_HAND, 1, 0 },
    { "off it onto the model", onHandle[0], onHandle[1] - 60, VTK_CURSOR_DEFAULT, 0, 1 },
    { "along the model", onHandle[0] + 5, onHandle[1] - 70, VTK_CURSOR_DEFAULT, 0, 0 },
    { "back onto the handle", onHandle[0], onHandle[1], VTK_CURSOR_HAND, 1, 1 },
  };
  for (const Step& step : steps)
  {
    SCOPED_TRACE(step.what);
    renders = 0;
    scene.Move({ step.x, step.y });
    EXPECT_EQ(scene.window->GetCurrentCursor(), step.cursor);
    EXPECT_EQ(BlueHandles(), step.blue);
    EXPECT_EQ(renders, step.renders);
    if (step.blue == 1)
    {
      EXPECT_EQ(rep->GetActiveHandle(), front);
      EXPECT_TRUE(IsBlue(Handle(front)));
    }
    // Hover moves are never consumed; the interactor is on again after the test.
    EXPECT_EQ(widget->GetWidgetState(), contourWidget::Idle);
    EXPECT_TRUE(scene.interactor->GetEnabled());
  }
}

TEST_F(ContourWidgetScene, HandleBehindTheModelCannotBeGrabbed)
{
  const auto behind = DisplayOf(hidden);
  ASSERT_TRUE(scene.renderer->IsInViewport(behind[0], behind[1]));
  // The model lies in front of the handle along the pick ray.
  vtkNew<vtkCellPicker> modelOnly;
  modelOnly->PickFromListOn();
  modelOnly->AddPickList(scene.model);
  ASSERT_NE(modelOnly->Pick(behind[0], behind[1], 0.0, scene.renderer), 0);
  const auto eye = scene.CameraPosition();
  const auto handle = PointOf(points, hidden);
  ASSERT_LT(std::sqrt(vtkMath::Distance2BetweenPoints(modelOnly->GetPickPosition(), eye.data())),
    std::sqrt(vtkMath::Distance2BetweenPoints(handle.data(), eye.data())) - 1.0);

  renders = 0;
  scene.Move(behind);
  EXPECT_EQ(rep->GetInteractionState(), 0);
  EXPECT_EQ(scene.window->GetCurrentCursor(), VTK_CURSOR_DEFAULT);
  EXPECT_EQ(BlueHandles(), 0);
  EXPECT_EQ(renders, 0);

  // The press goes to the camera style, which turns the camera instead.
  const auto before = PointOf(points, hidden);
  const auto cameraBefore = scene.CameraPosition();
  scene.Press(behind);
  EXPECT_EQ(widget->GetWidgetState(), contourWidget::Idle);
  scene.Move({ behind[0] + 40, behind[1] + 10 });
  scene.Release({ behind[0] + 40, behind[1] + 10 });
  EXPECT_NE(scene.CameraPosition(), cameraBefore);
  EXPECT_EQ(PointOf(points, hidden), before);
}

TEST_F(ContourWidgetScene, DragPutsTheCallersPointOntoTheModelAndRebuildsTheSpline)
{
  testsupport::SurfaceDistance surface(Jaw().jaw.mesh);
  const auto onHandle = DisplayOf(front);
  scene.Move(onHandle);
  const vtkSmartPointer<vtkParametricSpline> before = rep->GetSpline();
  const auto cameraBefore = scene.CameraPosition();

  renders = 0;
  scene.Press(onHandle);
  EXPECT_EQ(widget->GetWidgetState(), contourWidget::Dragging);
  EXPECT_EQ(renders, 1);

  const int targetX = onHandle[0] + 30;
  const int targetY = onHandle[1] - 25;
  renders = 0;
  scene.Move({ targetX, targetY });
  EXPECT_EQ(renders, 1);

  // The caller's own point object holds the moved point: on the surface, under the pointer,
  // on the front wall facing the camera.
  const auto moved = PointOf(points, front);
  EXPECT_LT(surface(moved.data()), 1e-4);
  const auto shown = scene.ToDisplayExact(moved);
  EXPECT_NEAR(shown[0], targetX, 0.5);
  EXPECT_NEAR(shown[1], targetY, 0.5);
  EXPECT_LT(moved[1], PointOf(Jaw().cutLine, front)[1] + 2.0);

  // A new spline through the moved point; the earlier object is not the current one.
  const vtkSmartPointer<vtkParametricSpline> after = rep->GetSpline();
  ASSERT_NE(after, nullptr);
  EXPECT_NE(after, before);
  EXPECT_EQ(after->GetPoints(), points.Get());
  // Parameterised by length, the spline passes point k at the length up to k over the whole.
  double upToFront = 0.0;
  for (vtkIdType k = 0; k < front; ++k)
  {
    const auto a = PointOf(points, k);
    const auto b = PointOf(points, k + 1);
    upToFront += std::sqrt(vtkMath::Distance2BetweenPoints(a.data(), b.data()));
  }
  const double length = ClosedPolygonLength(points);
  double u[3] = { upToFront / length, 0.0, 0.0 };
  double onSpline[3];
  after->Evaluate(u, onSpline, nullptr);
  EXPECT_LT(std::sqrt(vtkMath::Distance2BetweenPoints(onSpline, moved.data())), 1e-4);

  // Off the model edge into empty space the point stays at its last place on the surface;
  // the step is still consumed and rendered, and the camera never moved.
  renders = 0;
  scene.Move({ 20, height - 10 });
  EXPECT_EQ(renders, 1);
  EXPECT_EQ(PointOf(points, front), moved);
  EXPECT_EQ(scene.CameraPosition(), cameraBefore);

  // Releasing anywhere ends the drag; then a press away from the handles turns the camera.
  renders = 0;
  scene.Release({ 20, height - 10 });
  EXPECT_EQ(widget->GetWidgetState(), contourWidget::Idle);
  EXPECT_EQ(renders, 1);
  scene.Move({ onHandle[0], onHandle[1] - 150 });
  scene.Press({ onHandle[0], onHandle[1] - 150 });
  EXPECT_EQ(widget->GetWidgetState(), contourWidget::Idle);
  scene.Move({ onHandle[0] + 50, onHandle[1] - 140 });
  scene.Release({ onHandle[0] + 50, onHandle[1] - 140 });
  EXPECT_NE(scene.CameraPosition(), cameraBefore);
  EXPECT_EQ(PointOf(points, front), moved);
}

// Saving, the collision check and lowering keep the spline they took; later drags make new
// splines and leave that one as it was, although all of them share the caller's points.
TEST_F(ContourWidgetScene, EarlierSplinesKeepTheirShapeAfterLaterDrags)
{
  constexpr int kSamples = 300;
  const vtkSmartPointer<vtkParametricSpline> first = rep->GetSpline();
  const std::vector<World> firstShape = SamplesOf(first, kSamples);

  const Pixel onHandle = GrabFront();
  scene.Move({ onHandle[0] + 30, onHandle[1] - 25 });
  const vtkSmartPointer<vtkParametricSpline> second = rep->GetSpline();
  const std::vector<World> secondShape = SamplesOf(second, kSamples);
  scene.Move({ onHandle[0] - 30, onHandle[1] - 20 });
  scene.Release({ onHandle[0] - 30, onHandle[1] - 20 });
  const vtkSmartPointer<vtkParametricSpline> third = rep->GetSpline();

  ASSERT_NE(second, first);
  ASSERT_NE(third, second);
  EXPECT_EQ(first->GetPoints(), points.Get());
  EXPECT_EQ(second->GetPoints(), points.Get());
  EXPECT_NE(secondShape, firstShape);
  EXPECT_NE(SamplesOf(third, kSamples), secondShape);
  EXPECT_EQ(SamplesOf(first, kSamples), firstShape);
  EXPECT_EQ(SamplesOf(second, kSamples), secondShape);
}

TEST_F(ContourWidgetScene, DragStepRedrawsTheOffsetLineBesideTheMovedPoint)
{
  // Distance from a point to the nearest point of a line.
  auto nearest = [](vtkPolyData* line, const World& p) {
    double best = 1e9;
    for (vtkIdType i = 0; i < line->GetNumberOfPoints(); ++i)
    {
      best = std::min(best, std::sqrt(vtkMath::Distance2BetweenPoints(
                              line->GetPoint(i), p.data())));
    }
    return best;
  };
  vtkProp* offsetLineActor = ActorsOf(rep).at(2);
  const vtkSmartPointer<vtkPolyData> before = OffsetLine();
  const Pixel onHandle = GrabFront();
  scene.Move({ onHandle[0] + 30, onHandle[1] - 25 });
  const World moved = PointOf(points, front);

  EXPECT_EQ(ActorsOf(rep).at(2), offsetLineActor);
  vtkPolyData* after = OffsetLine();
  ASSERT_NE(after, before.Get());
  // An offset point lies 0.4 beside a cut-line sample 0.2 apart, laid on the model and lifted
  // 0.05: the new line passes the moved point that close, the earlier one did not.
  constexpr double kBeside = 0.4 + 0.05 + 0.1;
  EXPECT_LT(nearest(after, moved), kBeside);
  EXPECT_GT(nearest(before, moved), kBeside);
  scene.Release({ onHandle[0] + 30, onHandle[1] - 25 });
}

TEST_F(ContourWidgetScene, EnablingAndDisablingMoveTheActorsOnce)
{
  const std::vector<vtkProp*> actors = ActorsOf(rep);
  ASSERT_EQ(actors.size(), 3u);
  EXPECT_NE(vtkAssembly::SafeDownCast(actors[0]), nullptr);
  // Model, the representation itself (the base adds it) and the three actors.
  EXPECT_EQ(scene.renderer->GetViewProps()->GetNumberOfItems(), 5);

  renders = 0;
  widget->SetEnabled(1);
  EXPECT_EQ(renders, 1);
  EXPECT_EQ(scene.renderer->GetViewProps()->GetNumberOfItems(), 5);

  widget->SetEnabled(0);
  EXPECT_EQ(scene.renderer->GetViewProps()->GetNumberOfItems(), 1);
  for (vtkProp* prop : actors)
  {
    EXPECT_FALSE(scene.renderer->GetViewProps()->IsItemPresent(prop));
  }
  renders = 0;
  widget->SetEnabled(0);
  EXPECT_EQ(renders, 1);
  EXPECT_EQ(scene.renderer->GetViewProps()->GetNumberOfItems(), 1);

  // The next refresh shows a new spline actor and handles, and the same offset-line actor.
  Refresh(points);
  const std::vector<vtkProp*> again = ActorsOf(rep);
  ASSERT_EQ(again.size(), 3u);
  EXPECT_NE(again[0], actors[0]);
  EXPECT_NE(again[1], actors[1]);
  EXPECT_EQ(again[2], actors[2]);
  EXPECT_EQ(scene.renderer->GetViewProps()->GetNumberOfItems(), 5);
  for (vtkProp* prop : again)
  {
    EXPECT_TRUE(scene.renderer->GetViewProps()->IsItemPresent(prop));
  }
}

TEST_F(ContourWidgetScene, TypedKeysNeverSwitchTheWidget)
{
  const int shown = scene.renderer->GetViewProps()->GetNumberOfItems();
  scene.Char('i');
  EXPECT_TRUE(widget->GetEnabled());
  EXPECT_EQ(scene.renderer->GetViewProps()->GetNumberOfItems(), shown);

  widget->SetEnabled(0);
  scene.Char('i');
  EXPECT_FALSE(widget->GetEnabled());
  EXPECT_EQ(scene.renderer->GetViewProps()->GetNumberOfItems(), 1) << "the model alone";
}

// A generation may give no cut line at all: the representation then holds no line, so that
// saving, the collision check and lowering find nothing instead of the line shown before.
TEST_F(ContourWidgetScene, FewerThanTwoPointsMakeNoCutLine)
{
  VtkMessageCount vtkMessages;
  const Pixel onFront = DisplayOf(front);
  for (int count : { 0, 1 })
  {
    SCOPED_TRACE(std::to_string(count) + " points");
    Refresh(points);
    const vtkSmartPointer<vtkParametricSpline> good = rep->GetSpline();
    ASSERT_GT(CutLineGenerator::ResampleClosedSpline(good, 0.1)->GetNumberOfPoints(), 0);
    ASSERT_GT(OffsetLine()->GetNumberOfPoints(), 0);
    vtkProp* offsetLineActor = ActorsOf(rep).at(2);

    // The single point lies where the front handle was.
    auto few = vtkSmartPointer<vtkPoints>::New();
    for (int i = 0; i < count; ++i)
    {
      few->InsertNextPoint(PointOf(points, front).data());
    }
    Refresh(few);
    const vtkSmartPointer<vtkParametricSpline> spline = rep->GetSpline();
    ASSERT_NE(spline, nullptr);
    EXPECT_NE(spline, good);
    EXPECT_EQ(spline->GetPoints(), few.Get());
    EXPECT_EQ(CutLineGenerator::ResampleClosedSpline(spline, 0.1)->GetNumberOfPoints(), 0);

    // Nothing drawn: no handles, no spline geometry, and the offset line shows nothing.
    const std::vector<vtkProp*> actors = ActorsOf(rep);
    ASSERT_EQ(actors.size(), 3u);
    EXPECT_EQ(actors[2], offsetLineActor);
    for (vtkProp* prop : actors)
    {
      EXPECT_TRUE(scene.renderer->HasViewProp(prop));
      EXPECT_EQ(DrawnItems(prop), 0);
    }
    scene.window->Render();

    // Nothing to grab: a press where the front handle was turns the camera instead.
    renders = 0;
    scene.Move(onFront);
    EXPECT_EQ(rep->GetInteractionState(), 0);
    EXPECT_EQ(scene.window->GetCurrentCursor(), VTK_CURSOR_DEFAULT);
    EXPECT_EQ(renders, 0);
    const World camera = scene.CameraPosition();
    scene.Press(onFront);
    EXPECT_EQ(widget->GetWidgetState(), contourWidget::Idle);
    scene.Move({ onFront[0] + 30, onFront[1] - 25 });
    scene.Release({ onFront[0] + 30, onFront[1] - 25 });
    EXPECT_NE(scene.CameraPosition(), camera);
    ASSERT_EQ(few->GetNumberOfPoints(), count);
    if (count == 1)
    {
      EXPECT_EQ(PointOf(few, 0), PointOf(points, front));
    }
    scene.RestoreCamera();
  }
  EXPECT_EQ(vtkMessages.count, 0) << "VTK reported errors or warnings";
}

TEST(ContourRepresentation, WithoutPointsNothingIsShownAndNothingFails)
{
  vtkNew<contourRepresentation> rep;
  EXPECT_TRUE(ActorsOf(rep).empty());
  EXPECT_EQ(rep->GetSpline(), nullptr);
  EXPECT_EQ(rep->GetActiveHandle(), -1);
  EXPECT_EQ(rep->ComputeInteractionState(10, 10), 0);
  double pos[2] = { 10.0, 10.0 };
  rep->WidgetInteraction(pos);
  rep->BuildRepresentation();
  rep->Highlight(1);
  rep->BuildOffsetLine(false);

  // A rebuild without points: a spline on no points and nothing drawn.
  VtkMessageCount vtkMessages;
  rep->Rebuild();
  rep->BuildRepresentation();
  ASSERT_NE(rep->GetSpline(), nullptr);
  EXPECT_EQ(rep->GetSpline()->GetPoints(), nullptr);
  for (vtkProp* prop : ActorsOf(rep))
  {
    EXPECT_EQ(DrawnItems(prop), 0);
  }
  EXPECT_EQ(vtkMessages.count, 0);

  vtkNew<contourWidget> widget;
  EXPECT_EQ(widget->GetWidgetState(), contourWidget::Idle);
  EXPECT_EQ(widget->GetRepresentation()->GetClassName(), std::string("contourRepresentation"));
}

} // namespace
