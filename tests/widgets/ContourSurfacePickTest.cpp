// The hover test's and the drag step's picks: the representation searches the model through a
// locator, finds the same handle or prop as testing every cell, and handles land exactly where a
// cell picker that tests every cell puts them.
#include "tests/widgets/JawCutLine.h"
#include "tests/widgets/PickComparison.h"
#include "tests/widgets/WidgetScene.h"
#include "widgets/EditContourSplineRep.h"
#include "widgets/SurfacePickLocator.h"
#include "widgets/contourRepresentation.h"
#include "widgets/contourWidget.h"

#include <vtkAbstractCellLocator.h>
#include <vtkActor.h>
#include <vtkCellPicker.h>
#include <vtkCollection.h>
#include <vtkDataSet.h>
#include <vtkMapper.h>
#include <vtkMath.h>
#include <vtkNew.h>
#include <vtkObjectFactory.h>
#include <vtkPoints.h>
#include <vtkPolyData.h>
#include <vtkStripper.h>

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <vector>

namespace
{

using namespace cutlinetest;
using widgettest::PickFound;
using widgettest::Pixel;
using widgettest::View;
using widgettest::WidgetScene;
using widgettest::World;

// A cell picker that tells which locators it has and which data sets they search.
class LocatorListPicker : public vtkCellPicker
{
public:
  static LocatorListPicker* New();
  vtkTypeMacro(LocatorListPicker, vtkCellPicker);

  std::vector<vtkAbstractCellLocator*> LocatorList()
  {
    std::vector<vtkAbstractCellLocator*> locators;
    for (int i = 0; i < this->Locators->GetNumberOfItems(); ++i)
    {
      locators.push_back(
        static_cast<vtkAbstractCellLocator*>(this->Locators->GetItemAsObject(i)));
    }
    return locators;
  }

  std::vector<vtkDataSet*> LocatorData()
  {
    std::vector<vtkDataSet*> data;
    for (vtkAbstractCellLocator* locator : this->LocatorList())
    {
      data.push_back(locator->GetDataSet());
    }
    return data;
  }

protected:
  LocatorListPicker() = default;
  ~LocatorListPicker() override = default;
};
vtkStandardNewMacro(LocatorListPicker);

// The representation with its hover and drag-step pickers open to the test.
class OpenRepresentation : public contourRepresentation
{
public:
  static OpenRepresentation* New();
  vtkTypeMacro(OpenRepresentation, contourRepresentation);

  LocatorListPicker* DragPicker()
  {
    return static_cast<LocatorListPicker*>(this->SurfacePicker.Get());
  }
  LocatorListPicker* HoverPicker()
  {
    return static_cast<LocatorListPicker*>(this->HandlePicker.Get());
  }

protected:
  OpenRepresentation()
  {
    this->SurfacePicker = vtkSmartPointer<LocatorListPicker>::New();
    this->HandlePicker = vtkSmartPointer<LocatorListPicker>::New();
  }
  ~OpenRepresentation() override = default;
};
vtkStandardNewMacro(OpenRepresentation);

struct GridResult
{
  int hits = 0;
  int misses = 0;
};

// What the hover tests at a grid of pixels and on every handle found.
struct HoverResult
{
  int onHandle = 0;
  // Handles that the model hides from the camera.
  int hiddenHandles = 0;
  int onModel = 0;
  int misses = 0;
};

// One hover test: the interaction state, the active handle and the handle picker's pick.
struct HoverFound
{
  int state;
  int handle;
  PickFound pick;
};

// The small jaw with its cut line shown through the main window's refresh sequence, and the
// front buccal handle grabbed with the pointer from a chosen camera.
class SurfacePickGrid : public ::testing::Test
{
protected:
  void SetUp() override
  {
    points = CopyOf(Jaw().cutLine);
    for (vtkIdType i = 0; i < points->GetNumberOfPoints(); ++i)
    {
      if (front < 0 || PointOf(points, i)[1] < PointOf(points, front)[1])
      {
        front = i;
      }
    }
    widget->SetInteractor(scene.interactor);
    widget->SetRepresentation(rep);
    Refresh();
  }

  // The cut line as generated again, shown through the main window's refresh sequence.
  void Refresh()
  {
    points->DeepCopy(Jaw().cutLine);
    widget->SetEnabled(0);
    rep->SetModelActor(scene.model.Get());
    rep->SetPoints(points);
    rep->Rebuild();
    widget->SetEnabled(1);
  }

  // Looks at the front handle from `eye` relative to it, which puts the handle at the
  // window's centre.
  void LookAtFrontFrom(const World& eye)
  {
    const World f = PointOf(points, front);
    scene.LookAt(f, { f[0] + eye[0], f[1] + eye[1], f[2] + eye[2] }, { 0.0, 0.0, 1.0 });
  }

  // Looks at the front handle from `eye` and presses it at the window's centre.
  void GrabFrontFrom(const World& eye)
  {
    LookAtFrontFrom(eye);
    const Pixel onHandle = scene.ToDisplay(PointOf(points, front));
    scene.Move(onHandle);
    scene.Press(onHandle);
    ASSERT_EQ(widget->GetWidgetState(), contourWidget::Dragging);
    ASSERT_EQ(rep->GetActiveHandle(), front);
  }

  // A drag step at every `step`-th pixel of the window, each compared with a cell picker
  // without a locator at the same pixel: the same cell and point, or a miss on both, and the
  // handle's point where the pick put it or where it was.
  GridResult CompareGrid(int step)
  {
    GridResult result;
    vtkNew<vtkCellPicker> fullScan;
    fullScan->SetTolerance(0.001);
    fullScan->PickFromListOn();
    fullScan->AddPickList(scene.model);
    const int* size = scene.window->GetSize();
    for (int y = step / 2; y < size[1]; y += step)
    {
      for (int x = step / 2; x < size[0]; x += step)
      {
        SCOPED_TRACE(::testing::Message() << "pixel " << x << ", " << y);
        const auto before = PointOf(points, front);
        double at[2] = { static_cast<double>(x), static_cast<double>(y) };
        rep->WidgetInteraction(at);
        vtkCellPicker* dragPick = rep->DragPicker();
        if (fullScan->Pick(x, y, 0.0, scene.renderer) == 0)
        {
          ++result.misses;
          EXPECT_LT(dragPick->GetCellId(), 0);
          EXPECT_EQ(PointOf(points, front), before);
          continue;
        }
        ++result.hits;
        EXPECT_EQ(dragPick->GetCellId(), fullScan->GetCellId());
        EXPECT_LE(std::sqrt(vtkMath::Distance2BetweenPoints(
                    dragPick->GetPickPosition(), fullScan->GetPickPosition())),
          1e-9);
        // The pick position as the caller's point list of its own precision holds it.
        vtkNew<vtkPoints> stored;
        stored->SetDataType(points->GetDataType());
        stored->InsertNextPoint(fullScan->GetPickPosition());
        EXPECT_EQ(PointOf(points, front), PointOf(stored, 0));
      }
    }
    return result;
  }

  HoverFound Hover(const Pixel& at)
  {
    const int state = rep->ComputeInteractionState(at[0], at[1]);
    return { state, rep->GetActiveHandle(), PickFound(rep->HoverPicker()) };
  }

  // The hover test at every `step`-th pixel of the window and on the centre of every handle,
  // first testing every cell and then through the locator: the same prop, cell and point,
  // so the same interaction state and active handle.
  HoverResult CompareHover(int step)
  {
    std::vector<Pixel> pixels = widgettest::GridPixels(scene, step);
    const auto gridPixels = pixels.size();
    for (vtkIdType i = 0; i < points->GetNumberOfPoints(); ++i)
    {
      const Pixel at = scene.ToDisplay(PointOf(points, i));
      if (scene.renderer->IsInViewport(at[0], at[1]))
      {
        pixels.push_back(at);
      }
    }

    HoverResult result;
    size_t k = 0;
    widgettest::CompareAtPixels(
      pixels, [this](const Pixel& at) { return Hover(at); },
      [&](const HoverFound& scanned, const HoverFound& located) {
        EXPECT_EQ(located.state, scanned.state);
        EXPECT_EQ(located.handle, scanned.handle);
        widgettest::ExpectSamePick(located.pick, scanned.pick);
        result.onHandle += scanned.state;
        result.hiddenHandles += k++ >= gridPixels && scanned.pick.prop == scene.model.Get();
        result.onModel += scanned.pick.prop == scene.model.Get();
        result.misses += scanned.pick.prop == nullptr;
      });
    EXPECT_EQ(rep->HoverPicker()->LocatorData(), std::vector<vtkDataSet*>{ Model() });
    return result;
  }

  vtkPolyData* Model() { return vtkPolyData::SafeDownCast(scene.model->GetMapper()->GetInput()); }

  WidgetScene scene{ View::FromAbove };
  vtkSmartPointer<vtkPoints> points;
  vtkIdType front = -1;
  vtkNew<contourWidget> widget;
  vtkNew<OpenRepresentation> rep;
};

// Views where pick rays meet the front wall head-on, graze the crowns and pass through both
// walls of the arch; and a model of triangle strips, which the locator leaves to the picker's
// own full scan.
TEST_F(SurfacePickGrid, HandlesLandWhereAFullScanPicks)
{
  struct Case
  {
    const char* what;
    World eye;
    bool strips;
    int step;
  };
  const Case cases[] = {
    { "straight at the front wall", { 0.0, -50.0, 0.0 }, false, 25 },
    { "from above and outside", { 0.0, -25.0, 45.0 }, false, 25 },
    { "obliquely along the arch", { 35.0, -35.0, 20.0 }, false, 25 },
    { "a model of triangle strips", { 35.0, -35.0, 20.0 }, true, 50 },
  };
  for (const Case& c : cases)
  {
    SCOPED_TRACE(c.what);
    if (c.strips)
    {
      vtkNew<vtkStripper> stripper;
      stripper->SetInputData(scene.mesh);
      stripper->Update();
      ASSERT_GT(stripper->GetOutput()->GetNumberOfStrips(), 0);
      scene.model->GetMapper()->SetInputDataObject(stripper->GetOutput());
    }
    GrabFrontFrom(c.eye);
    const GridResult result = CompareGrid(c.step);
    EXPECT_GT(result.hits, 50);
    EXPECT_GT(result.misses, 30);
    // Triangles are searched through the locator over the model, strips by the full scan.
    const std::vector<vtkDataSet*> expected =
      c.strips ? std::vector<vtkDataSet*>{} : std::vector<vtkDataSet*>{ Model() };
    EXPECT_EQ(rep->DragPicker()->LocatorData(), expected);
    scene.Release(scene.ToDisplay(PointOf(points, front)));
    Refresh();
  }
}

// The hover test from views where the pick rays meet the front wall head-on, graze the crowns
// and pass through both walls of the arch, with handles in front of the model and behind it.
TEST_F(SurfacePickGrid, HoverFindsTheSameHandleOrPropAsAFullScan)
{
  struct Case
  {
    const char* what;
    World eye;
  };
  const Case cases[] = {
    { "straight at the front wall", { 0.0, -50.0, 0.0 } },
    { "from above and outside", { 0.0, -25.0, 45.0 } },
    { "obliquely along the arch", { 35.0, -35.0, 20.0 } },
  };
  for (const Case& c : cases)
  {
    SCOPED_TRACE(c.what);
    LookAtFrontFrom(c.eye);
    const HoverResult result = CompareHover(25);
    EXPECT_GT(result.onHandle, 5);
    EXPECT_GT(result.hiddenHandles, 5);
    EXPECT_GT(result.onModel, 100);
    EXPECT_GT(result.misses, 30);
  }
}

// The hover and drag-step pickers search one locator over the model, which is built on the
// first pick after the model changed and not again until it changes, whichever widget picks.
TEST_F(SurfacePickGrid, OneLocatorIsBuiltOncePerModelForEveryPicker)
{
  GrabFrontFrom({ 0.0, -50.0, 0.0 });
  const Pixel centre = scene.ToDisplay(PointOf(points, front));
  double at[2] = { centre[0] + 20.0, centre[1] - 30.0 };
  rep->WidgetInteraction(at);
  vtkSmartPointer<SurfacePickLocator> shared = SurfacePickLocator::Shared(Model());
  const std::vector<vtkAbstractCellLocator*> sharedList{ shared.Get() };
  EXPECT_EQ(rep->HoverPicker()->LocatorList(), sharedList);
  EXPECT_EQ(rep->DragPicker()->LocatorList(), sharedList);
  const vtkMTimeType built = shared->GetBuildTime();
  EXPECT_GT(built, 0u);
  {
    const widgettest::FullScanPicks fullScan;
    rep->ComputeInteractionState(centre[0], centre[1] + 40);
    rep->WidgetInteraction(at);
    EXPECT_TRUE(rep->HoverPicker()->LocatorList().empty());
    EXPECT_TRUE(rep->DragPicker()->LocatorList().empty());
  }

  // More picks of both pickers, and of the gum-line drawing tool on the same model.
  vtkNew<EditContourSplineRep> drawing;
  drawing->SetRenderer(scene.renderer);
  drawing->SetTargetActor(scene.model.Get());
  drawing->Reset();
  for (int k = 0; k < 3; ++k)
  {
    at[0] += 3.0;
    rep->WidgetInteraction(at);
    rep->ComputeInteractionState(centre[0], centre[1] + 40);
    EXPECT_EQ(drawing->ComputeInteractionState(centre[0], centre[1] - 40), 1);
  }
  EXPECT_EQ(shared->GetBuildTime(), built);

  // The model's points changed in place: one build on the next pick, then none.
  vtkPoints* meshPoints = scene.mesh->GetPoints();
  double p[3];
  meshPoints->GetPoint(0, p);
  meshPoints->SetPoint(0, p[0], p[1], p[2] + 0.01);
  meshPoints->Modified();
  rep->ComputeInteractionState(centre[0], centre[1] + 40);
  const vtkMTimeType rebuilt = shared->GetBuildTime();
  EXPECT_GT(rebuilt, built);
  rep->WidgetInteraction(at);
  EXPECT_EQ(drawing->ComputeInteractionState(centre[0], centre[1] - 40), 1);
  EXPECT_EQ(shared->GetBuildTime(), rebuilt);
  scene.Release(centre);
}

// The main window puts a new polydata into the model's mapper on every move; a model changed
// in place is picked where it is now as well.
TEST_F(SurfacePickGrid, AReplacedOrChangedModelIsPickedWhereItIsNow)
{
  // Across the view and up, so that the pick rays meet other triangles than before.
  constexpr double kShift[3] = { 1.2, 0.0, 1.5 };
  auto shifted = [&kShift](vtkPolyData* model) {
    vtkPoints* p = model->GetPoints();
    for (vtkIdType i = 0; i < p->GetNumberOfPoints(); ++i)
    {
      double x[3];
      p->GetPoint(i, x);
      p->SetPoint(i, x[0] + kShift[0], x[1] + kShift[1], x[2] + kShift[2]);
    }
    p->Modified();
  };
  struct Case
  {
    const char* what;
    std::function<void(WidgetScene&)> change;
  };
  const Case cases[] = {
    { "a moved copy as the actor's input",
      [&](WidgetScene& s) {
        vtkNew<vtkPolyData> copy;
        copy->DeepCopy(s.mesh);
        shifted(copy);
        s.model->GetMapper()->SetInputDataObject(copy);
      } },
    { "the model's own points moved", [&](WidgetScene& s) { shifted(s.mesh); } },
  };
  for (const Case& c : cases)
  {
    SCOPED_TRACE(c.what);
    GrabFrontFrom({ 0.0, -50.0, 0.0 });
    const Pixel centre = scene.ToDisplay(PointOf(points, front));
    double at[2] = { centre[0] + 20.0, centre[1] - 30.0 };
    rep->WidgetInteraction(at);
    const vtkIdType cellBefore = rep->DragPicker()->GetCellId();
    ASSERT_GE(cellBefore, 0);

    c.change(scene);
    rep->WidgetInteraction(at);
    EXPECT_GE(rep->DragPicker()->GetCellId(), 0);
    EXPECT_NE(rep->DragPicker()->GetCellId(), cellBefore);
    EXPECT_EQ(rep->DragPicker()->LocatorData(), std::vector<vtkDataSet*>{ Model() });
    CompareGrid(40);
    scene.Release(centre);
    const HoverResult hover = CompareHover(40);
    EXPECT_GT(hover.onHandle, 5);
    EXPECT_GT(hover.onModel, 50);

    scene.model->GetMapper()->SetInputDataObject(scene.mesh);
    Refresh();
  }
}

} // namespace
