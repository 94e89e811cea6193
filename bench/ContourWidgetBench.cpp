// Cost of the cut-line editing widget on the full-size jaws: one drag step (the pick on the
// model, the spline drawing and the offset line), the offset line and its queries alone, a
// hover over the model with the cut line shown, a click of the gum-line drawing tool, a handle
// pick of the two-point tool, and the build of the pick locator. For comparison in one run,
// the offset line queries VTK's own vtkOBBTree (tree:0) or FastOBBTree (tree:1), and the picks
// test every triangle (locator:0) or use the locator (locator:1); tree:0/locator:0 is the drag
// step as it was before both. Scene 0 is the 250k jaw, scene 1 the same with shorter arms,
// scene 2 the 1M jaw. The variants that render need the X display (run under xvfb-run).
#include "cutline/CutLineGenerator.h"
#include "geometry/FastOBBTree.h"
#include "tests/cutline/CutLineFixtures.h"
#include "tests/support/SyntheticJaw.h"
#include "tests/widgets/JawCutLine.h"
#include "widgets/EditContourSplineRep.h"
#include "widgets/ModelPickLocator.h"
#include "widgets/RepresentationActors.h"
#include "widgets/SurfacePickLocator.h"
#include "widgets/contourRepresentation.h"
#include "widgets/contourWidget.h"
#include "widgets/vectorWidgetRepresentation.h"

#include <vtkActor.h>
#include <vtkCamera.h>
#include <vtkCellPicker.h>
#include <vtkCommand.h>
#include <vtkIdList.h>
#include <vtkNew.h>
#include <vtkOBBTree.h>
#include <vtkPoints.h>
#include <vtkPolyData.h>
#include <vtkPolyDataMapper.h>
#include <vtkRenderWindow.h>
#include <vtkRenderWindowInteractor.h>
#include <vtkRenderer.h>

#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

namespace
{

// Picks through the model's locator (1) or testing every triangle (0) while it lives.
class PickSearch
{
public:
  explicit PickSearch(int64_t locator) { ModelPickLocator::UseFullScan(locator == 0); }
  ~PickSearch() { ModelPickLocator::UseFullScan(false); }
  PickSearch(const PickSearch&) = delete;
  PickSearch& operator=(const PickSearch&) = delete;
};

// A jaw with its cut line shown by the editing widget, in a window that looks straight at the
// front handle from 50 units outside. Nothing is rendered after the set-up unless a benchmark
// asks for it: picking needs only the camera and the window size.
struct Scene
{
  explicit Scene(const testsupport::JawShape& shape)
    : jaw(testsupport::MakeSyntheticJaw(shape))
  {
    generator.SetModel(jaw.mesh);
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

    // The main window's refresh sequence, with the widget on an interactor of the window
    // (set up for events, never started).
    interactor->SetRenderWindow(window);
    interactor->Initialize();
    interactor->SetEventPosition(400, 300);
    widget->SetInteractor(interactor);
    widget->SetRepresentation(rep);
    rep->Generator = &generator;
    rep->SetModelActor(model.Get());
    rep->SetPoints(points);
    rep->Rebuild();
    widget->SetEnabled(1);
  }

  // The offset line's generator on VTK's own tree (0) or on FastOBBTree (1); VTK's is built
  // when first asked for.
  CutLineGenerator& Generator(int64_t tree)
  {
    if (tree != 0)
    {
      return generator;
    }
    if (!baseGenerator)
    {
      baseGenerator = std::make_unique<CutLineGenerator>();
      UseBaseOBBTree(true);
      baseGenerator->SetModel(jaw.mesh);
      UseBaseOBBTree(false);
    }
    return *baseGenerator;
  }

  testsupport::SyntheticJaw jaw;
  CutLineGenerator generator;
  std::unique_ptr<CutLineGenerator> baseGenerator;
  vtkSmartPointer<vtkPoints> points;
  vtkIdType front = -1;
  vtkNew<vtkPolyDataMapper> mapper;
  vtkNew<vtkActor> model;
  vtkNew<vtkRenderer> renderer;
  vtkNew<vtkRenderWindow> window;
  vtkNew<vtkRenderWindowInteractor> interactor;
  vtkNew<contourWidget> widget;
  vtkNew<contourRepresentation> rep;
};

// Scene 0: the large jaw as it is, whose cut line is about 208 long. Scene 1: the same jaw
// and triangle count with arms 15.5 shorter, whose cut line is about 150 long. Scene 2: the
// 1M-triangle jaw.
Scene& TheScene(int64_t which)
{
  if (which == 0)
  {
    static Scene full(testsupport::LargeJaw());
    return full;
  }
  if (which == 2)
  {
    static Scene million(testsupport::MillionJaw());
    return million;
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

// The arguments of the pick benchmarks: the 250k jaw (scene 0) and the 1M jaw (scene 2), each
// testing every triangle (locator 0) and through the locator (locator 1).
void OnBothJawsBothWays(benchmark::internal::Benchmark* b)
{
  b->ArgNames({ "scene", "locator" })
    ->ArgsProduct({ { 0, 2 }, { 0, 1 } })
    ->Unit(benchmark::kMillisecond);
}

// Two spots on the model, one on the wall below the cut line and one on the crowns above it,
// with no handle under either: hovering between them changes nothing and renders nothing.
constexpr int kOffHandle[2][2] = { { 400, 200 }, { 430, 420 } };

// One drag step: the handle goes back and forth between two spots on the front wall. Arguments:
// the scene, the offset line's tree, the pick's locator, and whether the window is rendered
// after each step (1) or not (0).
void BM_DragStep(benchmark::State& state)
{
  Scene& scene = TheScene(state.range(0));
  scene.rep->Generator = &scene.Generator(state.range(1));
  const PickSearch search(state.range(2));
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
  // The locator is built on the first pick after a model change, not measured here.
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
  scene.rep->Generator = &scene.generator;
  Counters(state, scene);
}
BENCHMARK(BM_DragStep)
  ->ArgNames({ "scene", "tree", "locator", "render" })
  ->ArgsProduct({ { 0, 1 }, { 0, 1 }, { 0, 1 }, { 0, 1 } })
  ->Unit(benchmark::kMillisecond)
  ->MinTime(2.0);

// One mouse move over the model with the cut line shown, through the interactor's event as
// the view hands it on: the widget's hover test (the handle pick, whose list holds the spline,
// the model and the handles), the pointer shape and the handle colours. No handle is under
// the pointer, so nothing renders. Arguments: the scene and the pick's locator.
void BM_Hover(benchmark::State& state)
{
  Scene& scene = TheScene(state.range(0));
  const PickSearch search(state.range(1));
  auto move = [&scene](const int at[2]) {
    scene.interactor->SetEventPosition(at[0], at[1]);
    scene.interactor->InvokeEvent(vtkCommand::MouseMoveEvent, nullptr);
  };
  for (const auto& at : kOffHandle)
  {
    move(at);
    if (scene.rep->GetInteractionState() != 0 || scene.rep->ComputeInteractionState(at[0], at[1]))
    {
      state.SkipWithError("a handle under a hover spot");
      return;
    }
  }
  int k = 0;
  for (auto _ : state)
  {
    move(kOffHandle[k]);
    k = 1 - k;
  }
  Counters(state, scene);
}
BENCHMARK(BM_Hover)->Apply(OnBothJawsBothWays);

// One click of the gum-line drawing tool on the model: the pick of the press, the pick of the
// release, and the pick that puts the point down with the spline and handle drawing of one
// point. The drawing is started anew after each click, outside the measured time. Arguments:
// the scene and the pick's locator.
void BM_DrawingClick(benchmark::State& state)
{
  Scene& scene = TheScene(state.range(0));
  const PickSearch search(state.range(1));
  vtkNew<EditContourSplineRep> draw;
  draw->SetRenderer(scene.renderer);
  draw->SetTargetActor(scene.model.Get());
  draw->Reset();
  double at[2] = { static_cast<double>(kOffHandle[0][0]), static_cast<double>(kOffHandle[0][1]) };
  for (auto _ : state)
  {
    draw->ComputeInteractionState(kOffHandle[0][0], kOffHandle[0][1]);
    draw->ComputeInteractionState(kOffHandle[0][0], kOffHandle[0][1]);
    draw->StartWidgetInteraction(at);
    state.PauseTiming();
    if (draw->GetPoints()->GetNumberOfPoints() != 1)
    {
      state.SkipWithError("the click put no point on the model");
      break;
    }
    draw->Reset();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_DrawingClick)->Apply(OnBothJawsBothWays);

// The two-point tool's handle pick on a press on the model, with both handles placed: every
// visible prop is searched (here the model, the cut line's props and the two spheres).
// Arguments: the scene and the pick's locator.
void BM_TwoPointHandlePick(benchmark::State& state)
{
  Scene& scene = TheScene(state.range(0));
  const PickSearch search(state.range(1));
  vtkNew<vectorWidgetRepresentation> twoPoint;
  twoPoint->SetRenderer(scene.renderer);
  twoPoint->SetArchActor(scene.model);
  const double* bounds = scene.jaw.mesh->GetBounds();
  const double left[3] = { bounds[0] + 5.0, bounds[3] - 5.0, 0.0 };
  const double right[3] = { bounds[1] - 5.0, bounds[3] - 5.0, 0.0 };
  twoPoint->SetPoint1(left);
  twoPoint->SetPoint2(right);
  AddRepresentationActors(twoPoint, scene.renderer);
  for (auto _ : state)
  {
    benchmark::DoNotOptimize(
      twoPoint->PickHandle(kOffHandle[0][0], kOffHandle[0][1], scene.renderer));
  }
  RemoveRepresentationActors(twoPoint, scene.renderer);
}
BENCHMARK(BM_TwoPointHandlePick)->Apply(OnBothJawsBothWays);

void BM_BuildOffsetLine(benchmark::State& state)
{
  Scene& scene = TheScene(state.range(0));
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
  Scene& scene = TheScene(state.range(0));
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
  Scene& scene = TheScene(state.range(0));
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

// Building the pick locator over the model: the extra cost of the first pick after the model
// was loaded, moved or cut (once for every widget on that model).
void BM_SurfacePickLocatorBuild(benchmark::State& state)
{
  Scene& scene = TheScene(state.range(0));
  vtkNew<SurfacePickLocator> locator;
  locator->SetDataSet(scene.jaw.mesh);
  for (auto _ : state)
  {
    locator->BuildLocator();
  }
  Counters(state, scene);
}
BENCHMARK(BM_SurfacePickLocatorBuild)->Arg(0)->Arg(2)->Unit(benchmark::kMillisecond);

// One model-tree line query of the offset line: 10.5 units along the tool axis through a
// probe beside the cut line.
void BM_ModelTreeLineQuery(benchmark::State& state)
{
  Scene& scene = TheScene(state.range(0));
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
