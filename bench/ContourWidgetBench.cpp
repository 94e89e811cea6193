// Cost of one drag step of the cut-line editing widget on the full-size jaw: the pick on the
// model, the spline drawing and the offset line, and the offset line and its queries alone.
// For comparison in one run, the offset line queries VTK's own vtkOBBTree (tree:0) or
// FastOBBTree (tree:1), and the pick tests every triangle (locator:0) or uses its locator
// (locator:1); tree:0/locator:0 is the drag step as it was before both. The variants that
// render need the X display (run under xvfb-run).
#include "cutline/CutLineGenerator.h"
#include "geometry/FastOBBTree.h"
#include "tests/cutline/CutLineFixtures.h"
#include "tests/support/SyntheticJaw.h"
#include "tests/widgets/JawCutLine.h"
#include "widgets/SurfacePickLocator.h"
#include "widgets/contourRepresentation.h"

#include <vtkActor.h>
#include <vtkCamera.h>
#include <vtkCellPicker.h>
#include <vtkIdList.h>
#include <vtkMath.h>
#include <vtkNew.h>
#include <vtkOBBTree.h>
#include <vtkObjectFactory.h>
#include <vtkPoints.h>
#include <vtkPolyData.h>
#include <vtkPolyDataMapper.h>
#include <vtkPropCollection.h>
#include <vtkRenderWindow.h>
#include <vtkRenderer.h>

#include <benchmark/benchmark.h>

#include <vector>

namespace
{

// A cell picker that can be told to drop its locators before each pick, which makes it test
// every triangle of the model as the drag step did before it had a locator.
class SwitchablePicker : public vtkCellPicker
{
public:
  static SwitchablePicker* New();
  vtkTypeMacro(SwitchablePicker, vtkCellPicker);

  int Pick(double x, double y, double z, vtkRenderer* renderer) override
  {
    if (this->FullScan)
    {
      this->RemoveAllLocators();
    }
    return this->Superclass::Pick(x, y, z, renderer);
  }
  using vtkCellPicker::Pick;

  bool FullScan = false;

protected:
  SwitchablePicker() = default;
  ~SwitchablePicker() override = default;
};
vtkStandardNewMacro(SwitchablePicker);

// The representation with a switchable drag-step picker.
class BenchRepresentation : public contourRepresentation
{
public:
  static BenchRepresentation* New();
  vtkTypeMacro(BenchRepresentation, contourRepresentation);

  void SetFullScan(bool fullScan)
  {
    static_cast<SwitchablePicker*>(this->SurfacePicker.Get())->FullScan = fullScan;
  }

protected:
  BenchRepresentation() { this->SurfacePicker = vtkSmartPointer<SwitchablePicker>::New(); }
  ~BenchRepresentation() override = default;
};
vtkStandardNewMacro(BenchRepresentation);

// The large jaw with its cut line shown in a window that looks straight at the front handle
// from 50 units outside (nothing is rendered; picking needs only the camera and the size).
struct Scene
{
  explicit Scene(const testsupport::JawShape& shape)
    : jaw(testsupport::MakeSyntheticJaw(shape))
  {
    generator.SetModel(jaw.mesh);
    UseBaseOBBTree(true);
    baseGenerator.SetModel(jaw.mesh);
    UseBaseOBBTree(false);
    auto gum = vtkSmartPointer<vtkPoints>::New();
    for (const Point3& p : jaw.gumLine)
    {
      gum->InsertNextPoint(p.x, p.y, p.z);
    }
    points = generator.RebuildSmoothLoop(gum);
    for (vtkIdType i = 0; i < points->GetNumberOfPoints(); ++i)
    {
      if (front < 0 || points->GetPoint(i)[1] < points->GetPoint(front)[1])
      {
        front = i;
      }
    }

    mapper->SetInputData(jaw.mesh);
    model->SetMapper(mapper);
    renderer->AddActor(model);
    window->SetSize(800, 600);
    window->AddRenderer(renderer);
    double f[3];
    points->GetPoint(front, f);
    vtkCamera* camera = renderer->GetActiveCamera();
    camera->SetFocalPoint(f);
    camera->SetPosition(f[0], f[1] - 50.0, f[2]);
    camera->SetViewUp(0.0, 0.0, 1.0);
    renderer->ResetCameraClippingRange();

    rep->Generator = &generator;
    rep->SetRenderer(renderer);
    rep->SetModelActor(model.Get());
    rep->SetPoints(points);
    rep->Rebuild();
    rep->BuildRepresentation();
    // What the widget does when it is enabled.
    vtkNew<vtkPropCollection> props;
    rep->GetActors(props);
    props->InitTraversal();
    while (vtkProp* prop = props->GetNextProp())
    {
      renderer->AddActor(prop);
    }
  }

  // The offset line's generator on VTK's own tree (0) or on FastOBBTree (1).
  CutLineGenerator& Generator(int64_t tree) { return tree == 0 ? baseGenerator : generator; }

  testsupport::SyntheticJaw jaw;
  CutLineGenerator generator;
  CutLineGenerator baseGenerator;
  vtkSmartPointer<vtkPoints> points;
  vtkIdType front = -1;
  vtkNew<vtkPolyDataMapper> mapper;
  vtkNew<vtkActor> model;
  vtkNew<vtkRenderer> renderer;
  vtkNew<vtkRenderWindow> window;
  vtkNew<BenchRepresentation> rep;
};

// Scene 0: the large jaw as it is, whose cut line is about 208 long. Scene 1: the same jaw
// and triangle count with arms 15.5 shorter, whose cut line is about 150 long.
Scene& TheScene(int which)
{
  if (which == 0)
  {
    static Scene full(testsupport::LargeJaw());
    return full;
  }
  static Scene shortArms([] {
    testsupport::JawShape shape = testsupport::LargeJaw();
    shape.armLength -= 15.5;
    return shape;
  }());
  return shortArms;
}

void Counters(benchmark::State& state, Scene& scene)
{
  state.counters["cut_line_length"] = cutlinetest::ClosedPolygonLength(scene.points);
  state.counters["control_points"] = static_cast<double>(scene.points->GetNumberOfPoints());
  state.counters["triangles"] = static_cast<double>(scene.jaw.mesh->GetNumberOfCells());
}

// One drag step: the handle goes back and forth between two spots on the front wall. Arguments:
// the scene, the offset line's tree, the pick's locator, and whether the window is rendered
// after each step (1) or not (0).
void BM_DragStep(benchmark::State& state)
{
  Scene& scene = TheScene(static_cast<int>(state.range(0)));
  scene.rep->Generator = &scene.Generator(state.range(1));
  scene.rep->SetFullScan(state.range(2) == 0);
  const bool render = state.range(3) != 0;
  double onHandle[2] = { 400.0, 300.0 };
  if (scene.rep->ComputeInteractionState(400, 300) != 1)
  {
    state.SkipWithError("no handle at the centre of the window");
    return;
  }
  scene.rep->StartWidgetInteraction(onHandle);
  double spots[2][2] = { { 420.0, 290.0 }, { 380.0, 310.0 } };
  int k = 0;
  // The locator is built on the first drag step after a model change, not measured here.
  scene.rep->WidgetInteraction(onHandle);
  if (render)
  {
    scene.window->Render();
  }
  for (auto _ : state)
  {
    scene.rep->WidgetInteraction(spots[k]);
    if (render)
    {
      scene.window->Render();
    }
    k = 1 - k;
  }
  scene.rep->WidgetInteraction(onHandle);
  scene.rep->SetFullScan(false);
  scene.rep->Generator = &scene.generator;
  Counters(state, scene);
}
BENCHMARK(BM_DragStep)
  ->ArgNames({ "scene", "tree", "locator", "render" })
  ->ArgsProduct({ { 0, 1 }, { 0, 1 }, { 0, 1 }, { 0, 1 } })
  ->Unit(benchmark::kMillisecond)
  ->MinTime(2.0);

void BM_BuildOffsetLine(benchmark::State& state)
{
  Scene& scene = TheScene(static_cast<int>(state.range(0)));
  scene.rep->Generator = &scene.Generator(state.range(1));
  for (auto _ : state)
  {
    scene.rep->BuildOffsetLine(false);
  }
  scene.rep->Generator = &scene.generator;
  Counters(state, scene);
}
BENCHMARK(BM_BuildOffsetLine)
  ->ArgNames({ "scene", "tree" })
  ->ArgsProduct({ { 0, 1 }, { 0, 1 } })
  ->Unit(benchmark::kMillisecond)
  ->MinTime(2.0);

// The spline drawing and the offset line without a model tree: everything but the queries.
void BM_BuildRepresentationWithoutModelTree(benchmark::State& state)
{
  Scene& scene = TheScene(static_cast<int>(state.range(0)));
  CutLineGenerator noModel;
  scene.rep->Generator = &noModel;
  for (auto _ : state)
  {
    scene.rep->BuildRepresentation();
  }
  scene.rep->Generator = &scene.generator;
  Counters(state, scene);
}
BENCHMARK(BM_BuildRepresentationWithoutModelTree)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// The drag step's pick on the model alone, with the locator (second argument 1) or testing
// every triangle (0).
void BM_SurfacePick(benchmark::State& state)
{
  Scene& scene = TheScene(static_cast<int>(state.range(0)));
  vtkNew<vtkCellPicker> picker;
  picker->SetTolerance(0.001);
  picker->PickFromListOn();
  picker->AddPickList(scene.model);
  vtkNew<SurfacePickLocator> locator;
  if (state.range(1) != 0)
  {
    locator->SetDataSet(scene.jaw.mesh);
    locator->SetPickTolerance(picker->GetTolerance());
    locator->BuildLocator();
    picker->AddLocator(locator);
  }
  for (auto _ : state)
  {
    benchmark::DoNotOptimize(picker->Pick(420.0, 290.0, 0.0, scene.renderer));
  }
}
BENCHMARK(BM_SurfacePick)
  ->ArgNames({ "scene", "locator" })
  ->ArgsProduct({ { 0, 1 }, { 0, 1 } })
  ->Unit(benchmark::kMillisecond);

// Building the pick's locator over the model: the extra cost of the first drag step after the
// model was loaded, moved or cut.
void BM_SurfacePickLocatorBuild(benchmark::State& state)
{
  Scene& scene = TheScene(static_cast<int>(state.range(0)));
  vtkNew<SurfacePickLocator> locator;
  locator->SetDataSet(scene.jaw.mesh);
  for (auto _ : state)
  {
    locator->BuildLocator();
  }
  Counters(state, scene);
}
BENCHMARK(BM_SurfacePickLocatorBuild)->Arg(0)->Unit(benchmark::kMillisecond);

// One model-tree line query of the offset line: 10.5 units along the tool axis through a
// probe beside the cut line.
void BM_ModelTreeLineQuery(benchmark::State& state)
{
  Scene& scene = TheScene(static_cast<int>(state.range(0)));
  vtkOBBTree* tree = scene.Generator(state.range(1)).ModelTree;
  const std::vector<PoseDir> poses = cutlinetest::SampledPoses(scene.rep->GetSpline());
  vtkNew<vtkPoints> hits;
  vtkNew<vtkIdList> cells;
  size_t i = 0;
  for (auto _ : state)
  {
    const size_t s = (i += 2) % poses.size();
    const double p[3] = { poses[s].point.x, poses[s].point.y, poses[s].point.z };
    const double d[3] = { poses[s].direction.x, poses[s].direction.y, poses[s].direction.z };
    double a[3];
    TiltedToolAxis(d, a);
    const double from[3] = { p[0] - 0.5 * a[0], p[1] - 0.5 * a[1], p[2] - 0.5 * a[2] };
    const double to[3] = { p[0] + 10.0 * a[0], p[1] + 10.0 * a[1], p[2] + 10.0 * a[2] };
    benchmark::DoNotOptimize(tree->IntersectWithLine(from, to, hits, cells));
  }
}
BENCHMARK(BM_ModelTreeLineQuery)
  ->ArgNames({ "scene", "tree" })
  ->ArgsProduct({ { 0, 1 }, { 0, 1 } })
  ->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
