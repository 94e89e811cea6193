// The picks of the gum-line drawing tool and of the two-point tool's handle test search the
// model through a locator: at a grid of pixels from three views, and after the model was
// replaced or moved, they find the same prop, cell and point as testing every cell.
#include "tests/widgets/PickComparison.h"
#include "tests/widgets/WidgetScene.h"
#include "widgets/EditContourSplineRep.h"
#include "widgets/RepresentationActors.h"
#include "widgets/SurfacePickLocator.h"
#include "widgets/vectorWidgetRepresentation.h"

#include <vtkActor.h>
#include <vtkCellPicker.h>
#include <vtkMapper.h>
#include <vtkNew.h>
#include <vtkObjectFactory.h>
#include <vtkPoints.h>
#include <vtkPolyData.h>

#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <optional>
#include <vector>

using widgettest::PickFound;
using widgettest::Pixel;
using widgettest::View;
using widgettest::WidgetScene;
using widgettest::World;

namespace
{

// The two-point tool's representation with its handle picker open to the test.
class OpenTwoPointRep : public vectorWidgetRepresentation
{
public:
  static OpenTwoPointRep* New();
  vtkTypeMacro(OpenTwoPointRep, vectorWidgetRepresentation);
  vtkCellPicker* HandlePicker() { return this->Picker; }

protected:
  OpenTwoPointRep() = default;
  ~OpenTwoPointRep() override = default;
};
vtkStandardNewMacro(OpenTwoPointRep);

// A view of the jaw: the scene's own, or a perspective camera at an eye looking at a focal
// point, the z axis up.
struct ViewCase
{
  const char* what;
  std::optional<std::array<World, 2>> eyeAndFocal; // none: the scene's own view
};

void Look(WidgetScene& scene, const ViewCase& view)
{
  if (view.eyeAndFocal)
  {
    scene.LookAt((*view.eyeAndFocal)[1], (*view.eyeAndFocal)[0], { 0.0, 0.0, 1.0 });
  }
}

struct Counts
{
  int onModel = 0;
  int misses = 0;
  int onHandle = 0;
};

// A moved copy of the model as the mapper's input and the model's own points moved, the two
// ways in which the geometry under a widget changes; and a moved copy whose coordinates a
// float cannot hold.
using ModelChange = std::function<void(WidgetScene&)>;
void MovePoints(vtkPolyData* model)
{
  vtkPoints* p = model->GetPoints();
  for (vtkIdType i = 0; i < p->GetNumberOfPoints(); ++i)
  {
    double x[3];
    p->GetPoint(i, x);
    p->SetPoint(i, x[0] + 1.2, x[1] - 0.7, x[2] + 1.5);
  }
  p->Modified();
}
const std::pair<const char*, ModelChange> kModelChanges[] = {
  { "a moved copy as the actor's input",
    [](WidgetScene& s) {
      vtkNew<vtkPolyData> copy;
      copy->DeepCopy(s.mesh);
      MovePoints(copy);
      s.model->GetMapper()->SetInputDataObject(copy);
    } },
  { "the model's own points moved", [](WidgetScene& s) { MovePoints(s.mesh); } },
  { "a copy in double precision off the single-precision grid as the actor's input",
    [](WidgetScene& s) {
      vtkNew<vtkPolyData> copy;
      copy->DeepCopy(s.mesh);
      vtkNew<vtkPoints> precise;
      precise->SetDataTypeToDouble();
      precise->SetNumberOfPoints(copy->GetNumberOfPoints());
      for (vtkIdType i = 0; i < copy->GetNumberOfPoints(); ++i)
      {
        double x[3];
        copy->GetPoint(i, x);
        precise->SetPoint(i, x[0] + 1.0 / 3.0, x[1] - 1.0 / 7.0, x[2] + 1.0 / 11.0);
      }
      copy->SetPoints(precise);
      s.model->GetMapper()->SetInputDataObject(copy);
    } },
};

vtkDataSet* ModelData(WidgetScene& scene)
{
  return scene.model->GetMapper()->GetInput();
}

// ---------------------------------------------------------------------------------------------
// Gum-line drawing: a press and release over the model and the point that the click puts down.

class DrawingPicks : public ::testing::Test
{
protected:
  void SetUp() override
  {
    rep->SetRenderer(scene.renderer);
    rep->SetTargetActor(scene.model.Get());
    rep->Reset();
  }

  struct Click
  {
    int state;
    PickFound pick;
    std::optional<World> point;
  };

  // The interaction state at the pixel, then the click's point (if any), on a fresh drawing.
  Click ClickAt(const Pixel& at)
  {
    rep->Reset();
    const int state = rep->ComputeInteractionState(at[0], at[1]);
    double position[2] = { static_cast<double>(at[0]), static_cast<double>(at[1]) };
    rep->StartWidgetInteraction(position);
    std::optional<World> point;
    if (rep->GetPoints()->GetNumberOfPoints() == 1)
    {
      point = World{};
      rep->GetPoints()->GetPoint(0, point->data());
    }
    return { state, PickFound(rep->GetPicker()), point };
  }

  // Clicks at every pixel testing every cell, then through the locator: the same state, the
  // same pick, and the same point stored (or none).
  Counts CompareClicks(const std::vector<Pixel>& pixels)
  {
    Counts counts;
    widgettest::CompareAtPixels(
      pixels, [this](const Pixel& at) { return ClickAt(at); },
      [&counts](const Click& scanned, const Click& located) {
        EXPECT_EQ(located.state, scanned.state);
        widgettest::ExpectSamePick(located.pick, scanned.pick);
        EXPECT_EQ(located.point, scanned.point);
        counts.onModel += scanned.point.has_value();
        counts.misses += scanned.state == 0;
      });
    return counts;
  }

  WidgetScene scene{ View::FromAbove };
  vtkNew<EditContourSplineRep> rep;
};

// From straight above, as the tool is used; with rays that graze the arch from outside; and
// along the arch through both of its walls.
TEST_F(DrawingPicks, ClicksLandWhereAFullScanPutsThem)
{
  const ViewCase views[] = {
    { "straight from above", std::nullopt },
    { "grazing from outside the front", { { World{ 0.0, -60.0, 45.0 }, World{ 0.0, -15.0, 10.0 } } } },
    { "along the arch through both walls",
      { { World{ 60.0, 40.0, 27.5 }, World{ 0.0, 0.0, 10.0 } } } },
  };
  for (const ViewCase& view : views)
  {
    SCOPED_TRACE(view.what);
    Look(scene, view);
    const Counts counts = CompareClicks(widgettest::GridPixels(scene, 25));
    EXPECT_GT(counts.onModel, 100);
    EXPECT_GT(counts.misses, 30);
  }
  // The clicks searched a locator over the model: the one that every widget on it shares.
  EXPECT_GT(SurfacePickLocator::Shared(ModelData(scene))->GetBuildTime(), 0u);
}

// Each change starts from the scene's own model as the actor's input.
TEST_F(DrawingPicks, AReplacedOrMovedModelIsPickedWhereItIsNow)
{
  const Pixel onCrown = scene.ToDisplay(scene.crownTops.at(3));
  for (const auto& [what, change] : kModelChanges)
  {
    SCOPED_TRACE(what);
    scene.model->GetMapper()->SetInputDataObject(scene.mesh);
    const Click before = ClickAt(onCrown);
    change(scene);
    const Click after = ClickAt(onCrown);
    ASSERT_TRUE(before.point.has_value());
    ASSERT_TRUE(after.point.has_value());
    EXPECT_NE(after.point, before.point);
    const Counts counts = CompareClicks(widgettest::GridPixels(scene, 40));
    EXPECT_GT(counts.onModel, 50);
  }
}

// ---------------------------------------------------------------------------------------------
// Two-point tool: the handle test of a press, with both handles placed on the base.

class TwoPointPicks : public ::testing::Test
{
protected:
  void SetUp() override
  {
    rep->SetRenderer(scene.renderer);
    rep->SetArchActor(scene.model);
    rep->SetPoint1(scene.basePoints.front().data());
    rep->SetPoint2(scene.basePoints.back().data());
    AddRepresentationActors(rep, scene.renderer);
  }

  struct Press
  {
    int handle;
    PickFound pick;
  };

  Press PressAt(const Pixel& at)
  {
    const int handle = rep->PickHandle(at[0], at[1], scene.renderer);
    return { handle, PickFound(rep->HandlePicker()) };
  }

  // The pixels on and around both handles: the centre and four points near the rim.
  std::vector<Pixel> AroundHandles()
  {
    std::vector<Pixel> pixels;
    for (const double* p : { rep->GetPoint1(), rep->GetPoint2() })
    {
      const Pixel c = scene.ToDisplay({ p[0], p[1], p[2] });
      for (const Pixel& d : std::vector<Pixel>{ { 0, 0 }, { 8, 0 }, { -8, 0 }, { 0, 9 }, { 0, -9 } })
      {
        const Pixel at{ c[0] + d[0], c[1] + d[1] };
        if (scene.renderer->IsInViewport(at[0], at[1]))
        {
          pixels.push_back(at);
        }
      }
    }
    return pixels;
  }

  // Handle tests at every pixel testing every cell, then through the locator: the same handle
  // (or none) and the same pick.
  Counts ComparePresses(const std::vector<Pixel>& pixels)
  {
    Counts counts;
    widgettest::CompareAtPixels(
      pixels, [this](const Pixel& at) { return PressAt(at); },
      [&](const Press& scanned, const Press& located) {
        EXPECT_EQ(located.handle, scanned.handle);
        widgettest::ExpectSamePick(located.pick, scanned.pick);
        counts.onHandle += scanned.handle >= 0;
        counts.onModel += scanned.pick.prop == scene.model.Get();
        counts.misses += scanned.pick.prop == nullptr;
      });
    return counts;
  }

  WidgetScene scene{ View::FromBelow };
  vtkNew<OpenTwoPointRep> rep;
};

// From straight below, as the tool is used; from above, where the model hides both handles;
// and from below along the arch through both of its walls.
TEST_F(TwoPointPicks, HandleTestsFindWhatAFullScanFinds)
{
  struct Case
  {
    ViewCase view;
    bool handlesHidden;
  };
  const Case cases[] = {
    { { "straight from below", std::nullopt }, false },
    { { "from above", { { World{ 0.0, -20.0, 80.0 }, World{ 0.0, 0.0, 10.0 } } } }, true },
    { { "along the arch from below", { { World{ 60.0, 40.0, -10.0 }, World{ 0.0, 0.0, 5.0 } } } },
      false },
  };
  for (const Case& c : cases)
  {
    SCOPED_TRACE(c.view.what);
    Look(scene, c.view);
    const std::vector<Pixel> around = AroundHandles();
    ASSERT_FALSE(around.empty());
    const Counts atHandles = ComparePresses(around);
    if (c.handlesHidden)
    {
      EXPECT_EQ(atHandles.onHandle, 0);
      EXPECT_EQ(atHandles.onModel, static_cast<int>(around.size()));
    }
    else
    {
      EXPECT_GT(atHandles.onHandle, 3);
    }
    const Counts grid = ComparePresses(widgettest::GridPixels(scene, 25));
    EXPECT_GT(grid.onModel, 100);
    EXPECT_GT(grid.misses, 30);
  }
  EXPECT_GT(SurfacePickLocator::Shared(ModelData(scene))->GetBuildTime(), 0u);
}

// Each change starts from the scene's own model as the actor's input.
TEST_F(TwoPointPicks, AReplacedOrMovedModelIsPickedWhereItIsNow)
{
  const Pixel onBase = scene.ToDisplay(scene.basePoints.at(6));
  for (const auto& [what, change] : kModelChanges)
  {
    SCOPED_TRACE(what);
    scene.model->GetMapper()->SetInputDataObject(scene.mesh);
    const Press before = PressAt(onBase);
    change(scene);
    const Press after = PressAt(onBase);
    ASSERT_EQ(before.pick.prop, scene.model.Get());
    ASSERT_EQ(after.pick.prop, scene.model.Get());
    EXPECT_NE(after.pick.position, before.pick.position);
    const Counts counts = ComparePresses(widgettest::GridPixels(scene, 40, AroundHandles()));
    EXPECT_GT(counts.onHandle, 3);
    EXPECT_GT(counts.onModel, 50);
  }
}

} // namespace
