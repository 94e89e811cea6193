// Gum-line drawing tool in a real render window: the click rule with a test clock, which
// presses and releases reach the camera style, undo keys, handles, and the gum line handed out.
#include "widgets/EditContourSplineRep.h"
#include "widgets/EditContourSplineWidget.h"

#include "tests/support/ConsoleCapture.h"
#include "tests/support/MeshChecks.h"
#include "tests/widgets/WidgetScene.h"
#include "widgets/SurfacePickLocator.h"

#include <vtkActor.h>
#include <vtkAssembly.h>
#include <vtkCellPicker.h>
#include <vtkPoints.h>
#include <vtkPolyData.h>
#include <vtkPolyDataMapper.h>
#include <vtkProp3DCollection.h>
#include <vtkInteractorStyle.h>
#include <vtkProperty.h>

#include <gtest/gtest.h>

#include <cstdint>

using testsupport::ConsoleCapture;
using widgettest::Pixel;
using widgettest::View;
using widgettest::WidgetScene;
using widgettest::World;

namespace
{

std::int64_t fakeNowNs = 0;
std::int64_t FakeClock()
{
  return fakeNowNs;
}

constexpr std::int64_t kMs = 1000000;

// The cell picker accepts cells within its tolerance of the ray (0.001 of the view's size,
// about 0.09 here), so a picked point lies within that of the surface.
constexpr double kOnSurface = 0.1;

class DrawWidgetTest : public ::testing::Test
{
protected:
  void SetUp() override
  {
    EditContourSplineWidget::SetClock(&FakeClock);
    fakeNowNs = 1000 * kMs;
    widget->SetInteractor(scene.interactor);
    widget->SetRepresentation(rep);
    // As the main window starts a drawing.
    rep->SetTargetActor(scene.model.Get());
    rep->Reset();
    widget->SetEnabled(0);
    widget->SetEnabled(1);
  }

  void TearDown() override
  {
    widget->SetEnabled(0);
    EditContourSplineWidget::SetClock(nullptr);
  }

  // Press at `down`, wait `elapsedNs`, release at `up`; the clock then moves on by a second.
  void Click(const Pixel& down, const Pixel& up, std::int64_t elapsedNs = 50 * kMs)
  {
    scene.Press(down);
    fakeNowNs += elapsedNs;
    scene.Release(up);
    fakeNowNs += 1000 * kMs;
  }

  Pixel Top(size_t i) { return scene.ToDisplay(scene.crownTops.at(i)); }
  vtkIdType Count() { return rep->GetPoints()->GetNumberOfPoints(); }
  World PointAt(vtkIdType i)
  {
    World p;
    rep->GetPoints()->GetPoint(i, p.data());
    return p;
  }

  WidgetScene scene{ View::FromAbove };
  vtkNew<EditContourSplineRep> rep;
  vtkNew<EditContourSplineWidget> widget;
};

// The front tooth: the arch runs along x there, so 40 pixels in x stay on the crown.
constexpr size_t kFront = 6;
constexpr size_t kLeftMolar = 0;
constexpr size_t kRightMolar = 13;

} // namespace

TEST_F(DrawWidgetTest, SceneShowsEveryCrownTop)
{
  ASSERT_EQ(scene.crownTops.size(), 14u);
}

// Clicks search the model through the pick locator, which the widget lets go of when the
// drawing ends: then nobody holds a locator over the model.
TEST_F(DrawWidgetTest, ClicksSearchTheModelThroughALocatorLetGoOfWhenTheDrawingEnds)
{
  Click(Top(kFront), Top(kFront));
  ASSERT_EQ(Count(), 1);
  EXPECT_GT(SurfacePickLocator::Shared(scene.mesh)->GetBuildTime(), 0u);
  widget->SetEnabled(0);
  EXPECT_EQ(SurfacePickLocator::Shared(scene.mesh)->GetBuildTime(), 0u);
}

TEST_F(DrawWidgetTest, ClickRuleCountsWholeMillisecondsAndOneAxisSuffices)
{
  struct Case
  {
    const char* name;
    int dx;
    int dy;
    std::int64_t elapsedNs;
    bool adds;
  };
  const Case cases[] = {
    { "1 px after 499 ms", 1, 0, 499 * kMs, true },
    { "499.999999 ms is 499 whole ms", 1, 0, 500 * kMs - 1, true },
    { "500 ms", 1, 0, 500 * kMs, false },
    { "40 px in x but 2 px in y", 40, 2, 100 * kMs, true },
    { "2 px in x but 30 px in y", 2, -30, 100 * kMs, true },
    { "3 px on both axes", 3, 3, 100 * kMs, false },
    { "3 px in x and 30 px in y", -3, 30, 100 * kMs, false },
  };
  testsupport::SurfaceDistance toSurface(scene.mesh);
  for (const Case& c : cases)
  {
    SCOPED_TRACE(c.name);
    const Pixel down = Top(kFront);
    const Pixel up{ down[0] + c.dx, down[1] + c.dy };
    const vtkIdType before = Count();
    Click(down, up, c.elapsedNs);
    ASSERT_EQ(Count(), before + (c.adds ? 1 : 0));
    if (c.adds)
    {
      // The point lies on the model where the button was released.
      const World added = PointAt(before);
      EXPECT_LT(toSurface(added[0], added[1], added[2]), kOnSurface);
      const Pixel shown = scene.ToDisplay(added);
      EXPECT_LE(std::abs(shown[0] - up[0]), 1);
      EXPECT_LE(std::abs(shown[1] - up[1]), 1);
    }
  }
}

// A press beside the model goes on to the camera style, which takes the pointer (the
// interactor's focus) until the button comes up. A release over the model is still measured
// against the last press on the model: under the click rule it adds a point, and it is
// handled once, also when nothing takes the pointer and the widget hears it twice over.
TEST_F(DrawWidgetTest, ReleaseOverModelAfterAPressBesideItIsMeasuredAgainstTheLastPressOnIt)
{
  struct Case
  {
    const char* name;
    bool cameraStyle;
    std::int64_t msAfterPressOnModel;
    bool adds;
  };
  const Case cases[] = {
    { "camera style holds the pointer, 250 ms", true, 250, true },
    { "camera style holds the pointer, 500 ms", true, 500, false },
    { "no style takes the pointer, 250 ms", false, 250, true },
  };
  const Pixel p = Top(kFront);
  const Pixel up{ p[0] + 1, p[1] + 1 };
  for (const Case& c : cases)
  {
    SCOPED_TRACE(c.name);
    rep->Reset();
    scene.interactor->SetInteractorStyle(c.cameraStyle ? scene.style.Get() : nullptr);
    scene.Press(p);
    scene.Release(p);
    ASSERT_EQ(Count(), 1);

    fakeNowNs += 100 * kMs;
    scene.Press(scene.background);
    if (c.cameraStyle)
    {
      EXPECT_EQ(scene.style->GetState(), VTKIS_ROTATE);
    }
    fakeNowNs += (c.msAfterPressOnModel - 100) * kMs;
    {
      ConsoleCapture out;
      scene.Release(up);
      std::vector<std::string> expected{ " up x: " + std::to_string(up[0]) +
        "y: " + std::to_string(up[1]) };
      if (c.adds)
      {
        expected.push_back("clicked");
      }
      EXPECT_EQ(out.OutLines(), expected);
    }
    ASSERT_EQ(Count(), c.adds ? 2 : 1);
    if (c.adds)
    {
      const Pixel shown = scene.ToDisplay(PointAt(1));
      EXPECT_LE(std::abs(shown[0] - up[0]), 1);
      EXPECT_LE(std::abs(shown[1] - up[1]), 1);
    }

    // The camera drag has ended with that release.
    EXPECT_EQ(scene.style->GetState(), VTKIS_NONE);
    const World camera = scene.CameraPosition();
    scene.Move({ p[0] + 40, p[1] });
    EXPECT_EQ(scene.CameraPosition(), camera);

    // The next click on the model is the widget's as ever.
    fakeNowNs += 1000 * kMs;
    Click(p, p);
    EXPECT_EQ(Count(), c.adds ? 3 : 2);
  }
}

// The press a release is measured against is the widget's own: a press another drawing
// widget had on the model, just before, does not turn this one's release into a click.
TEST_F(DrawWidgetTest, ReleaseIsNeverMeasuredAgainstAnotherWidgetsPress)
{
  const Pixel p = Top(kFront);
  widget->SetEnabled(0);
  {
    vtkNew<EditContourSplineRep> otherRep;
    vtkNew<EditContourSplineWidget> other;
    other->SetInteractor(scene.interactor);
    other->SetRepresentation(otherRep);
    otherRep->SetTargetActor(scene.model.Get());
    otherRep->Reset();
    other->SetEnabled(1);
    scene.Press(p);
    scene.Release(p);
    ASSERT_EQ(otherRep->GetPoints()->GetNumberOfPoints(), 1);
    other->SetEnabled(0);
  }
  widget->SetEnabled(1);

  scene.Press(scene.background);
  fakeNowNs += 50 * kMs;
  ConsoleCapture out;
  scene.Release(p);
  EXPECT_EQ(out.OutLines(), std::vector<std::string>{ " up x: " + std::to_string(p[0]) +
    "y: " + std::to_string(p[1]) });
  EXPECT_EQ(Count(), 0);
}

TEST_F(DrawWidgetTest, PressesOnTheModelAreConsumedAndOthersTurnTheCamera)
{
  EXPECT_FALSE(scene.DragTurnsCamera(Top(kFront)));
  EXPECT_EQ(scene.pressesReachingStyle, 0);
  EXPECT_EQ(scene.releasesReachingStyle, 0);
  // The drag ran along x only: within 3 pixels in y it counts as a click.
  EXPECT_EQ(Count(), 1);

  // Any modifier keys: a press with Control and Shift held is the widget's too.
  scene.Press(Top(kFront), 1, 1);
  scene.Release(Top(kFront), 1, 1);
  EXPECT_EQ(scene.pressesReachingStyle, 0);
  EXPECT_EQ(scene.releasesReachingStyle, 0);
  EXPECT_EQ(Count(), 2);

  EXPECT_TRUE(scene.DragTurnsCamera(scene.background));
  EXPECT_EQ(scene.pressesReachingStyle, 1);
  EXPECT_EQ(scene.style->GetState(), VTKIS_NONE) << "the style had the release";
}

TEST_F(DrawWidgetTest, WritesPressReleaseAndClickLines)
{
  const Pixel p = Top(kFront);
  ConsoleCapture out;
  Click(p, p);
  scene.Press(scene.background);
  scene.Release(scene.background);

  const std::string x = std::to_string(p[0]);
  const std::string y = std::to_string(p[1]);
  const std::vector<std::string> expected = {
    " Down x: " + x + "y: " + y,
    " up x: " + x + "y: " + y,
    "clicked",
  };
  EXPECT_EQ(out.OutLines(), expected);
}

TEST_F(DrawWidgetTest, ControlZUndoesWhateverTheShiftKey)
{
  struct Case
  {
    const char* keySym;
    int control;
    int shift;
    bool undoes;
  };
  const Case cases[] = {
    { "z", 1, 0, true },
    { "Z", 1, 1, true },
    { "Z", 1, 0, true },
    { "z", 0, 0, false },
    { "Z", 0, 1, false },
    { "y", 1, 0, false },
  };
  for (const Case& c : cases)
  {
    SCOPED_TRACE(std::string(c.keySym) + (c.control ? " with Control" : "") +
      (c.shift ? " with Shift" : ""));
    Click(Top(kFront), Top(kFront));
    const vtkIdType before = Count();
    ConsoleCapture out;
    scene.Key(c.keySym, c.control, c.shift);
    EXPECT_EQ(Count(), before - (c.undoes ? 1 : 0));
    const std::vector<std::string> lines = c.undoes
      ? std::vector<std::string>{ "ProcessKeyEvents", "undo.." }
      : std::vector<std::string>{};
    EXPECT_EQ(out.OutLines(), lines);
  }
}

TEST_F(DrawWidgetTest, UndoWithoutPointsAndKeysWhileDisabled)
{
  {
    ConsoleCapture out;
    scene.Key("z", 1, 0);
    EXPECT_EQ(out.OutLines(), std::vector<std::string>{ "ProcessKeyEvents" });
  }

  Click(Top(kFront), Top(kFront));
  widget->SetEnabled(0);
  ConsoleCapture out;
  scene.Key("z", 1, 0);
  EXPECT_EQ(Count(), 1) << "the key observer goes with the widget";
  EXPECT_TRUE(out.Out().empty());
}

TEST_F(DrawWidgetTest, TypedKeysNeverSwitchTheWidget)
{
  scene.Char('i');
  EXPECT_TRUE(widget->GetEnabled());
  widget->SetEnabled(0);
  scene.Char('i');
  EXPECT_FALSE(widget->GetEnabled());
}

TEST_F(DrawWidgetTest, ClickOnAHandleAddsAPointOnTheModelBehindIt)
{
  const Pixel p = Top(kFront);
  Click(p, p);
  ASSERT_EQ(Count(), 1);

  // The first thing under the pointer is now the handle sphere, not the model.
  vtkNew<vtkCellPicker> anything;
  ASSERT_TRUE(anything->Pick(p[0], p[1], 0.0, scene.renderer));
  ASSERT_NE(anything->GetActor(), scene.model.Get());

  Click(p, p);
  ASSERT_EQ(Count(), 2);
  testsupport::SurfaceDistance toSurface(scene.mesh);
  const World second = PointAt(1);
  EXPECT_LT(toSurface(second[0], second[1], second[2]), kOnSurface);
  // The sphere's top would lie 0.2 above the first point.
  const World first = PointAt(0);
  EXPECT_LT(widgettest::Distance(first, second.data()), 0.05);
}

TEST_F(DrawWidgetTest, ShowsASplineAndRedHandlesWhileEnabled)
{
  for (size_t i : { kLeftMolar, kFront, kRightMolar })
  {
    Click(Top(i), Top(i));
  }
  ASSERT_EQ(Count(), 3);

  vtkAssembly* handles = rep->GetHandleAssembly();
  ASSERT_EQ(handles->GetParts()->GetNumberOfItems(), 3);
  vtkProp3DCollection* parts = handles->GetParts();
  parts->InitTraversal();
  for (vtkIdType i = 0; i < 3; ++i)
  {
    auto* handle = vtkActor::SafeDownCast(parts->GetNextProp3D());
    ASSERT_NE(handle, nullptr);
    double colour[3];
    handle->GetProperty()->GetColor(colour);
    EXPECT_EQ(colour[0], 1.0);
    EXPECT_EQ(colour[1], 0.0);
    EXPECT_EQ(colour[2], 0.0);
    const double* b = handle->GetBounds();
    EXPECT_NEAR(b[1] - b[0], 0.4, 0.01);
    const World point = PointAt(i);
    EXPECT_LT(widgettest::Distance(point, handle->GetCenter()), 0.01);
  }

  vtkActor* spline = rep->GetSplineActor();
  double colour[3];
  spline->GetProperty()->GetColor(colour);
  EXPECT_EQ(colour[0], 0.0);
  EXPECT_EQ(colour[1], 1.0);
  EXPECT_EQ(colour[2], 1.0);
  EXPECT_EQ(spline->GetProperty()->GetLineWidth(), 3.0f);
  auto* line = vtkPolyData::SafeDownCast(spline->GetMapper()->GetInputDataObject(0, 0));
  ASSERT_NE(line, nullptr);
  EXPECT_EQ(line->GetNumberOfPoints(), 50 * 3 + 1) << "50 samples per control point";

  EXPECT_TRUE(scene.renderer->HasViewProp(handles));
  EXPECT_TRUE(scene.renderer->HasViewProp(spline));
  widget->SetEnabled(0);
  EXPECT_FALSE(scene.renderer->HasViewProp(handles));
  EXPECT_FALSE(scene.renderer->HasViewProp(spline));
}

TEST_F(DrawWidgetTest, UndoingTheOnlyPointRemovesTheHandleAndKeepsTheSpline)
{
  Click(Top(kFront), Top(kFront));
  Click(Top(kFront + 1), Top(kFront + 1));
  scene.Key("z", 1, 0);
  ASSERT_EQ(Count(), 1);
  auto* line = rep->GetSplineActor()->GetMapper()->GetInputDataObject(0, 0);
  const vtkIdType linePoints = vtkPolyData::SafeDownCast(line)->GetNumberOfPoints();

  scene.Key("z", 1, 0);
  EXPECT_EQ(Count(), 0);
  EXPECT_EQ(rep->GetHandleAssembly()->GetParts()->GetNumberOfItems(), 0);
  EXPECT_EQ(rep->GetSplineActor()->GetMapper()->GetInputDataObject(0, 0), line);
  EXPECT_EQ(vtkPolyData::SafeDownCast(line)->GetNumberOfPoints(), linePoints);
}

TEST_F(DrawWidgetTest, ResetStartsAnEmptyDrawing)
{
  Click(Top(kFront), Top(kFront));
  vtkPoints* points = rep->GetPoints();
  vtkAssembly* oldHandles = rep->GetHandleAssembly();
  rep->Reset();
  EXPECT_EQ(rep->GetPoints(), points) << "the same point set for the whole life";
  EXPECT_EQ(Count(), 0);
  EXPECT_NE(rep->GetHandleAssembly(), oldHandles);
  EXPECT_EQ(rep->GetHandleAssembly()->GetParts()->GetNumberOfItems(), 0);
  EXPECT_EQ(rep->GetSplineActor()->GetMapper()->GetInputDataObject(0, 0), nullptr);
}

TEST_F(DrawWidgetTest, GumLineNeedsThreePoints)
{
  std::vector<Point3> gumLine{ { 1.0, 2.0, 3.0 } };
  Click(Top(kLeftMolar), Top(kLeftMolar));
  Click(Top(kFront), Top(kFront));
  EXPECT_FALSE(rep->GetSplinePoints(gumLine));
  EXPECT_EQ(gumLine.size(), 1u) << "the list is left untouched";
}

TEST_F(DrawWidgetTest, GumLineIsCounterClockwiseWhicheverWayItWasClicked)
{
  struct Case
  {
    const char* name;
    std::vector<size_t> teeth;
    bool reversed;
  };
  // Left end, front, right end runs counter-clockwise seen from +z.
  const Case cases[] = {
    { "counter-clockwise", { kLeftMolar, kFront, kRightMolar }, false },
    { "clockwise", { kRightMolar, kFront, kLeftMolar }, true },
  };
  for (const Case& c : cases)
  {
    SCOPED_TRACE(c.name);
    rep->Reset();
    for (size_t i : c.teeth)
    {
      Click(Top(i), Top(i));
    }
    ASSERT_EQ(Count(), 3);
    std::vector<Point3> clicked;
    for (vtkIdType i = 0; i < 3; ++i)
    {
      const World p = PointAt(i);
      clicked.push_back({ p[0], p[1], p[2] });
    }
    ASSERT_EQ(EditContourSplineRep::SignedAreaXY(clicked) < 0.0, c.reversed);

    std::vector<Point3> gumLine;
    ASSERT_TRUE(rep->GetSplinePoints(gumLine));
    ASSERT_EQ(gumLine.size(), 300u);
    EXPECT_GT(EditContourSplineRep::SignedAreaXY(gumLine), 0.0);

    // Sample 0 is the first control point: first in the list, or last once reversed.
    const Point3& start = c.reversed ? gumLine.back() : gumLine.front();
    const Point3& other = c.reversed ? gumLine.front() : gumLine.back();
    EXPECT_NEAR(start.x, clicked[0].x, 1e-9);
    EXPECT_NEAR(start.y, clicked[0].y, 1e-9);
    EXPECT_NEAR(start.z, clicked[0].z, 1e-9);
    EXPECT_GT(std::hypot(other.x - clicked[0].x, other.y - clicked[0].y), 1e-3);
  }
}

TEST(EditContourSplineRep, SignedAreaXYIsPositiveCounterClockwise)
{
  struct Case
  {
    const char* name;
    std::vector<Point3> polygon;
    double area;
  };
  const Case cases[] = {
    { "empty", {}, 0.0 },
    { "unit square counter-clockwise, z ignored",
      { { 0, 0, 0 }, { 1, 0, 5 }, { 1, 1, 0 }, { 0, 1, 0 } }, 1.0 },
    { "unit square clockwise", { { 0, 0, 0 }, { 0, 1, 0 }, { 1, 1, 0 }, { 1, 0, 0 } }, -1.0 },
    { "triangle away from the origin", { { 10, 10, 0 }, { 14, 10, 0 }, { 10, 13, 0 } }, 6.0 },
  };
  for (const Case& c : cases)
  {
    SCOPED_TRACE(c.name);
    EXPECT_DOUBLE_EQ(EditContourSplineRep::SignedAreaXY(c.polygon), c.area);
  }
}
