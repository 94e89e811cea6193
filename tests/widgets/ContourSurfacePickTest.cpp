// The drag step's pick on the model: the representation searches the model through a locator,
// and handles land exactly where a cell picker that tests every cell puts them.
#include "tests/widgets/JawCutLine.h"
#include "tests/widgets/WidgetScene.h"
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
using widgettest::Pixel;
using widgettest::View;
using widgettest::WidgetScene;
using widgettest::World;

// A cell picker that tells which data sets its locators search.
class LocatorListPicker : public vtkCellPicker
{
public:
  static LocatorListPicker* New();
  vtkTypeMacro(LocatorListPicker, vtkCellPicker);

  std::vector<vtkDataSet*> LocatorData()
  {
    std::vector<vtkDataSet*> data;
    for (int i = 0; i < this->Locators->GetNumberOfItems(); ++i)
    {
      data.push_back(
        static_cast<vtkAbstractCellLocator*>(this->Locators->GetItemAsObject(i))->GetDataSet());
    }
    return data;
  }

protected:
  LocatorListPicker() = default;
  ~LocatorListPicker() override = default;
};
vtkStandardNewMacro(LocatorListPicker);

// The representation with its drag-step picker open to the test.
class OpenRepresentation : public contourRepresentation
{
public:
  static OpenRepresentation* New();
  vtkTypeMacro(OpenRepresentation, contourRepresentation);

  LocatorListPicker* DragPicker()
  {
    return static_cast<LocatorListPicker*>(this->SurfacePicker.Get());
  }

protected:
  OpenRepresentation() { this->SurfacePicker = vtkSmartPointer<LocatorListPicker>::New(); }
  ~OpenRepresentation() override = default;
};
vtkStandardNewMacro(OpenRepresentation);

struct GridResult
{
  int hits = 0;
  int misses = 0;
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
  // window's centre, and presses it there.
  void GrabFrontFrom(const World& eye)
  {
    const World f = PointOf(points, front);
    scene.LookAt(f, { f[0] + eye[0], f[1] + eye[1], f[2] + eye[2] }, { 0.0, 0.0, 1.0 });
    const Pixel onHandle = scene.ToDisplay(f);
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
    scene.model->GetMapper()->SetInputDataObject(scene.mesh);
    Refresh();
  }
}

} // namespace
